#include "layouts/SettingsControl.h"

#include "layouts/CollageCommand.h"

namespace qf {

namespace {

SettingsControl row(SettingsControl::Kind kind, const char* name, const char* key, const char* label,
                    const char* toolTip = "")
{
    SettingsControl c;
    c.kind = kind;
    c.name = QLatin1String(name);
    c.key = QLatin1String(key);
    c.label = *label ? commandText(label) : QString();
    c.toolTip = *toolTip ? commandText(toolTip) : QString();
    return c;
}

} // namespace

SettingsControl SettingsControl::checkBox(const char* name, const char* key, const char* label, const char* toolTip)
{
    return row(Kind::CheckBox, name, key, label, toolTip);
}

SettingsControl SettingsControl::slider(const char* name, const char* key, const char* label, double minimum,
                                        double maximum, const char* toolTip)
{
    SettingsControl c = row(Kind::Slider, name, key, label, toolTip);
    c.minimum = minimum;
    c.maximum = maximum;
    return c;
}

SettingsControl SettingsControl::colour(const char* name, const char* key, const char* label, const char* title)
{
    SettingsControl c = row(Kind::Colour, name, key, label);
    c.title = commandText(title);
    return c;
}

SettingsControl SettingsControl::button(const char* command, const char* label)
{
    SettingsControl c = row(Kind::Button, command, "", label);
    c.command = c.name;
    return c;
}

SettingsControl SettingsControl::value(const char* name, const char* key, const char* label)
{
    return row(Kind::Label, name, key, label);
}

} // namespace qf
