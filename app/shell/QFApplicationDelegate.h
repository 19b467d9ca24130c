#pragma once

#include "app/shell/ShellWindows.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QAction;

namespace qf {

class QFGettingStartedWindowController;
class QFSubscribeToNlWindowController;

// The application's delegate: the launch step and the shell's menu actions.
class QFApplicationDelegate : public QObject {
    Q_OBJECT
public:
    // windows nullptr: the real shared windows.
    explicit QFApplicationDelegate(std::unique_ptr<ShellWindows> windows = nullptr,
                                   QObject* parent = nullptr);
    ~QFApplicationDelegate() override;

    // Once the first windows are up: the getting-started window, modally,
    // unless the user turned it off. Returns when that window is closed.
    void applicationDidFinishLaunching();

    // Unused; kept for the main menu.
    QPointer<QAction> debugMenuItem;

    static QFGettingStartedWindowController* sharedGettingStartedWindowController();
    static QFSubscribeToNlWindowController* sharedSubscribeToNlWindowController();

public slots:
    void showGettingStartedWindow();
    void showPreferencesWindow();
    // The newsletter window, application-modally.
    void showSubscribeToNlWindow();
    // The last document closed. The shell's own windows (preferences,
    // getting started) open no document, so they would leave an application
    // with nothing to offer: they close, and the application quits, as it
    // does when its last window closes.
    void lastDocumentClosed();

private:
    std::unique_ptr<ShellWindows> m_windows;
};

} // namespace qf
