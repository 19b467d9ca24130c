#include "app/shell/QFGettingStartedWindowController.h"

#include "app/shell/ShellPreferences.h"
#include "app/shell/WebPageActions.h"

#include "ui_QFGettingStartedWindowController.h"

#include <QSignalBlocker>

namespace qf {

QFGettingStartedWindowController* QFGettingStartedWindowController::sharedGettingStartedWindowController()
{
    // Lives to the end of the process; the window is reused.
    static auto* shared = new QFGettingStartedWindowController;
    return shared;
}

QFGettingStartedWindowController::QFGettingStartedWindowController()
    : m_ui(std::make_unique<Ui::QFGettingStartedWindowController>())
{
    m_ui->setupUi(this);

    connect(m_ui->quickStartButton, &QAbstractButton::clicked, this, &QFGettingStartedWindowController::showQuickStart);
    connect(m_ui->tutorialsButton, &QAbstractButton::clicked, this,
            &QFGettingStartedWindowController::showQuiltfolioTutorialVideos);
    connect(m_ui->twitterButton, &QAbstractButton::clicked, this, &QFGettingStartedWindowController::showTwitterPage);
    connect(m_ui->facebookButton, &QAbstractButton::clicked, this, &QFGettingStartedWindowController::showFacebookPage);
    connect(m_ui->closeButton, &QAbstractButton::clicked, this, &QFGettingStartedWindowController::close);
    connect(m_ui->dontShowCheckBox, &QAbstractButton::toggled, this,
            [](bool dontShow) { ShellPreferences::setShowsGettingStartedAtLaunch(!dontShow); });
}

QFGettingStartedWindowController::~QFGettingStartedWindowController() = default;

void QFGettingStartedWindowController::aboutToRunModal()
{
    const QSignalBlocker blocker(m_ui->dontShowCheckBox);
    m_ui->dontShowCheckBox->setChecked(!ShellPreferences::showsGettingStartedAtLaunch());
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

} // namespace qf
