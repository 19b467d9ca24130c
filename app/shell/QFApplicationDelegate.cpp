#include "app/shell/QFApplicationDelegate.h"

#include "app/shell/QFGettingStartedWindowController.h"
#include "app/shell/QFSubscribeToNlWindowController.h"
#include "app/shell/QtShellWindows.h"
#include "app/shell/ShellPreferences.h"

#include <QApplication>

namespace qf {

QFApplicationDelegate::QFApplicationDelegate(std::unique_ptr<ShellWindows> windows, QObject* parent)
    : QObject(parent)
    , m_windows(windows ? std::move(windows) : std::make_unique<QtShellWindows>())
{
}

QFApplicationDelegate::~QFApplicationDelegate() = default;

void QFApplicationDelegate::applicationDidFinishLaunching()
{
    if (ShellPreferences::showsGettingStartedAtLaunch())
        showGettingStartedWindow();
}

QFGettingStartedWindowController* QFApplicationDelegate::sharedGettingStartedWindowController()
{
    return QFGettingStartedWindowController::sharedGettingStartedWindowController();
}

QFSubscribeToNlWindowController* QFApplicationDelegate::sharedSubscribeToNlWindowController()
{
    return QFSubscribeToNlWindowController::sharedSubscribeToNlWindowController();
}

void QFApplicationDelegate::showGettingStartedWindow()
{
    m_windows->runGettingStartedModal();
}

void QFApplicationDelegate::showPreferencesWindow()
{
    m_windows->showPreferences();
}

void QFApplicationDelegate::showSubscribeToNlWindow()
{
    m_windows->runSubscribeToNlModal();
}

void QFApplicationDelegate::lastDocumentClosed()
{
    // Closing also ends the loop of a window running modally.
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

} // namespace qf
