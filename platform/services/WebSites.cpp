#include "platform/services/WebSites.h"

#include "platform/defaults/UserDefaults.h"

namespace qf {

namespace {

// The stored address without trailing slashes, or the fallback when none is
// stored as text.
QString configuredAddress(const char* key, const QString& fallback)
{
    const QVariant stored = UserDefaults::standard().value(QString::fromLatin1(key));
    if (stored.typeId() == QMetaType::QString) {
        QString address = stored.toString().trimmed();
        while (address.endsWith(QLatin1Char('/')))
            address.chop(1);
        if (!address.isEmpty())
            return address;
    }
    return fallback;
}

} // namespace

QString productWebSiteAddress()
{
    return configuredAddress(kWebSiteAddressDefaultsKey, QStringLiteral("https://www.quiltfolio.invalid"));
}

QString newsletterServiceAddress()
{
    return configuredAddress(kNewsletterServiceAddressDefaultsKey, QStringLiteral("http://newsletter.quiltfolio.invalid"));
}

} // namespace qf
