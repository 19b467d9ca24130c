#include "layouts/CollageCommand.h"

#include "model/Collage.h"

#include <QCoreApplication>

namespace qf {

QString commandText(const char* text)
{
    return QCoreApplication::translate("qf::CollageCommand", text);
}

CollageCommand CollageCommand::make(const char* name, const char* title, const char* buttonText,
                                    const char* toolTip, CommandGroup group, const char* enabledKey, Call call)
{
    CollageCommand c;
    c.name = QLatin1String(name);
    c.title = commandText(title);
    c.buttonText = *buttonText ? commandText(buttonText) : c.title;
    c.toolTip = commandText(toolTip);
    c.group = group;
    if (*enabledKey)
        c.enabledKeys = {QLatin1String(enabledKey)};
    c.call = std::move(call);
    return c;
}

bool CollageCommand::truthy(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType: return false;
    case QMetaType::Bool: return value.toBool();
    case QMetaType::QStringList: return !value.toStringList().isEmpty();
    case QMetaType::QVariantList: return !value.toList().isEmpty();
    default: break;
    }
    bool isNumber = false;
    const double number = value.toDouble(&isNumber);
    return isNumber ? number != 0.0 : !value.isNull();
}

bool CollageCommand::isEnabled(const Collage& collage) const
{
    if (enabled)
        return enabled(collage);
    if (enabledKeys.isEmpty())
        return true;
    return truthy(collage.valueForKey(enabledKeys.first()));
}

} // namespace qf
