#pragma once

#include <QWidget>

#include <memory>

class QEventLoop;

namespace Ui {
class QFGettingStartedWindowController;
}

namespace qf {

// The getting-started window: links to the guides and social pages. One
// instance, made on first use and kept for the process.
class QFGettingStartedWindowController : public QWidget {
    Q_OBJECT
public:
    static QFGettingStartedWindowController* sharedGettingStartedWindowController();
    static QString nibName() { return QStringLiteral("QFGettingStartedWindowController"); }

    ~QFGettingStartedWindowController() override;

    // Shows the window application-modally in a loop of its own; returns
    // once close() ends it. Does nothing but raise it while already running.
    void runModal();

public slots:
    void showQuickStart();
    void showQuiltfolioTutorialVideos();
    void showTwitterPage();
    void showFacebookPage();
    // Ends the modal loop, then closes the window.
    void close();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QFGettingStartedWindowController();
    void stopModal();
    void applicationStateChanged(Qt::ApplicationState state);

    std::unique_ptr<Ui::QFGettingStartedWindowController> m_ui;
    QEventLoop* m_modalLoop = nullptr;
    bool m_hiddenWhileInactive = false;
};

} // namespace qf
