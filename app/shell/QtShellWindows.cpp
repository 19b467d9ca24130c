#include "app/shell/QtShellWindows.h"

#include "app/shell/QFGettingStartedWindowController.h"
#include "app/shell/QFPreferencesWindowController.h"

namespace qf {

void QtShellWindows::runGettingStartedModal()
{
    QFGettingStartedWindowController::sharedGettingStartedWindowController()->runModal();
}

void QtShellWindows::showPreferences()
{
    QFPreferencesWindowController::sharedPreferencesWindowController()->showWindow();
}

} // namespace qf
