#include "app/shell/QtShellWindows.h"

#include "app/shell/QFGettingStartedWindowController.h"
#include "app/shell/QFPreferencesWindowController.h"
#include "app/shell/QFSubscribeToNlWindowController.h"

namespace qf {

void QtShellWindows::runGettingStartedModal()
{
    QFGettingStartedWindowController::sharedGettingStartedWindowController()->runModal();
}

void QtShellWindows::showPreferences()
{
    QFPreferencesWindowController::sharedPreferencesWindowController()->showWindow();
}

void QtShellWindows::runSubscribeToNlModal()
{
    QFSubscribeToNlWindowController::sharedSubscribeToNlWindowController()->runModal();
}

} // namespace qf
