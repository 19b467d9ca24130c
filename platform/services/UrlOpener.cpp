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

void DesktopUrlOpener::openUrl(const QUrl& url)
{
    // No message for the user: a page that cannot be opened is simply not shown.
    if (!QDesktopServices::openUrl(url))
        qCInfo(lcUrlOpener) << "could not open" << url.toString();
}

} // namespace qf
