#include "app/shell/ShellPreferences.h"

#include "platform/defaults/UserDefaults.h"

namespace qf {

QString ShellPreferences::dontShowGetStartedKey()
{
    return QStringLiteral("dontShowGetStarted1");
}

bool ShellPreferences::showsGettingStartedAtLaunch()
{
    return !UserDefaults::standard().boolForKey(dontShowGetStartedKey());
}

void ShellPreferences::setShowsGettingStartedAtLaunch(bool show)
{
    UserDefaults::standard().setValue(dontShowGetStartedKey(), !show);
}

} // namespace qf
