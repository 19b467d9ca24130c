#include "platform/services/WebSites.h"

#include "platform/defaults/UserDefaults.h"

namespace qf {

QString productWebSiteAddress()
{
    const QVariant stored = UserDefaults::standard().value(QString::fromLatin1(kWebSiteAddressDefaultsKey));
    if (stored.typeId() == QMetaType::QString) {
        QString address = stored.toString().trimmed();
        while (address.endsWith(QLatin1Char('/')))
            address.chop(1);
        if (!address.isEmpty())
            return address;
    }
    return QStringLiteral("https://www.quiltfolio.invalid");
}

} // namespace qf
