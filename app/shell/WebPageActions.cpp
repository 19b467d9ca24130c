#include "app/shell/WebPageActions.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcWebPages, "qf.webpages")

namespace qf {

namespace {

class LoggingWebPageActions final : public WebPageActions {
public:
    void showQuickStart() override { qCInfo(lcWebPages) << "quick start"; }
    void showQuiltfolioTutorialVideos() override { qCInfo(lcWebPages) << "tutorials"; }
    void showTwitterPage() override { qCInfo(lcWebPages) << "Twitter page"; }
    void showFacebookPage() override { qCInfo(lcWebPages) << "Facebook page"; }
};

LoggingWebPageActions g_stub;
WebPageActions* g_current = nullptr;

} // namespace

WebPageActions& WebPageActions::current()
{
    return g_current ? *g_current : g_stub;
}

void WebPageActions::setCurrent(WebPageActions* actions)
{
    g_current = actions;
}

} // namespace qf
