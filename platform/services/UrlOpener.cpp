#include "platform/services/UrlOpener.h"

#include <QDesktopServices>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcUrlOpener, "qf.urlopener")

namespace qf {

UrlOpener& UrlOpener::defaultInstance()
{
    static DesktopUrlOpener opener;
    return opener;
}

bool DesktopUrlOpener::openUrl(const QUrl& url)
{
    if (QDesktopServices::openUrl(url))
        return true;
    qCInfo(lcUrlOpener) << "could not open" << url.toString();
    return false;
}

} // namespace qf
