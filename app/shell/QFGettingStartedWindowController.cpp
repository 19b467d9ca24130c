#include "app/shell/QFGettingStartedWindowController.h"

#include "app/shell/ShellPreferences.h"
#include "app/shell/WebPageActions.h"

#include "ui_QFGettingStartedWindowController.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>

namespace qf {

QFGettingStartedWindowController* QFGettingStartedWindowController::sharedGettingStartedWindowController()
{
    // Lives to the end of the process; the window is reused.
    static auto* shared = new QFGettingStartedWindowController;
    return shared;
}

QFGettingStartedWindowController::QFGettingStartedWindowController()
    : QWidget(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint)
    , m_ui(std::make_unique<Ui::QFGettingStartedWindowController>())
{
    m_ui->setupUi(this);
    setWindowModality(Qt::ApplicationModal);

    connect(m_ui->quickStartButton, &QAbstractButton::clicked, this, &QFGettingStartedWindowController::showQuickStart);
    connect(m_ui->tutorialsButton, &QAbstractButton::clicked, this,
            &QFGettingStartedWindowController::showQuiltfolioTutorialVideos);
    connect(m_ui->twitterButton, &QAbstractButton::clicked, this, &QFGettingStartedWindowController::showTwitterPage);
    connect(m_ui->facebookButton, &QAbstractButton::clicked, this, &QFGettingStartedWindowController::showFacebookPage);
    connect(m_ui->closeButton, &QAbstractButton::clicked, this, &QFGettingStartedWindowController::close);
    connect(m_ui->dontShowCheckBox, &QAbstractButton::toggled, this,
            [](bool dontShow) { ShellPreferences::setShowsGettingStartedAtLaunch(!dontShow); });
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            &QFGettingStartedWindowController::applicationStateChanged);
}

QFGettingStartedWindowController::~QFGettingStartedWindowController() = default;

void QFGettingStartedWindowController::runModal()
{
    if (m_modalLoop) {
        raise();
        activateWindow();
        return;
    }
    {
        const QSignalBlocker blocker(m_ui->dontShowCheckBox);
        m_ui->dontShowCheckBox->setChecked(!ShellPreferences::showsGettingStartedAtLaunch());
    }
    show();
    raise();
    activateWindow();
    QEventLoop loop;
    m_modalLoop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_modalLoop = nullptr;
}

void QFGettingStartedWindowController::showQuickStart()
{
    WebPageActions::showQuickStart();
}

void QFGettingStartedWindowController::showQuiltfolioTutorialVideos()
{
    WebPageActions::showQuiltfolioTutorialVideos();
}

void QFGettingStartedWindowController::showTwitterPage()
{
    WebPageActions::showTwitterPage();
}

void QFGettingStartedWindowController::showFacebookPage()
{
    WebPageActions::showFacebookPage();
}

void QFGettingStartedWindowController::close()
{
    stopModal();
    QWidget::close();
}

void QFGettingStartedWindowController::closeEvent(QCloseEvent* event)
{
    // The title bar's close ends the loop too, or the application would stay blocked.
    stopModal();
    m_hiddenWhileInactive = false;
    QWidget::closeEvent(event);
}

void QFGettingStartedWindowController::stopModal()
{
    if (m_modalLoop)
        m_modalLoop->quit();
}

void QFGettingStartedWindowController::applicationStateChanged(Qt::ApplicationState state)
{
    // A floating window that steps aside while another application is in front.
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
