#pragma once

#include <QWidget>

class QEventLoop;

namespace qf {

// A window of the application shell shown application-modally in an event
// loop of its own, floating on top of the documents and stepping aside while
// another application is in front.
class FloatingModalWindow : public QWidget {
    Q_OBJECT
public:
    // Shows the window and returns once close() ends its loop. Does nothing
    // but raise it while already running.
    void runModal();

public slots:
    // Ends the modal loop, then closes the window.
    void close();

protected:
    FloatingModalWindow();
    // Called before each showing, to bring the window's controls up to date.
    virtual void aboutToRunModal() {}
    void closeEvent(QCloseEvent* event) override;

private:
    void stopModal();
    void applicationStateChanged(Qt::ApplicationState state);

    QEventLoop* m_modalLoop = nullptr;
    bool m_hiddenWhileInactive = false;
};

} // namespace qf
