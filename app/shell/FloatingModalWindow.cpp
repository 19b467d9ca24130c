#include "app/shell/FloatingModalWindow.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>

namespace qf {

FloatingModalWindow::FloatingModalWindow()
    : QWidget(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setWindowModality(Qt::ApplicationModal);
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            &FloatingModalWindow::applicationStateChanged);
}

void FloatingModalWindow::runModal()
{
    if (m_modalLoop) {
        raise();
        activateWindow();
        return;
    }
    aboutToRunModal();
    show();
    raise();
    activateWindow();
    QEventLoop loop;
    m_modalLoop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_modalLoop = nullptr;
}

void FloatingModalWindow::close()
{
    stopModal();
    QWidget::close();
}

void FloatingModalWindow::closeEvent(QCloseEvent* event)
{
    // The title bar's close ends the loop too, or the application would stay blocked.
    stopModal();
    m_hiddenWhileInactive = false;
    QWidget::closeEvent(event);
}

void FloatingModalWindow::stopModal()
{
    if (m_modalLoop)
        m_modalLoop->quit();
}

void FloatingModalWindow::applicationStateChanged(Qt::ApplicationState state)
{
    if (state == Qt::ApplicationActive) {
        if (m_hiddenWhileInactive) {
            m_hiddenWhileInactive = false;
            show();
        }
    } else if (isVisible()) {
        m_hiddenWhileInactive = true;
        hide();
    }
}

} // namespace qf
