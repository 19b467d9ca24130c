#include "app/shell/QFPreferencesWindowController.h"

#include "app/shell/ShellPreferences.h"
#include "platform/widgets/windows/WindowPlacement.h"

#include "ui_QFPreferencesWindowController.h"

#include <QProgressBar>

namespace qf {

QFPreferencesWindowController* QFPreferencesWindowController::sharedPreferencesWindowController()
{
    // Lives to the end of the process; the window is reused.
    static auto* shared = new QFPreferencesWindowController;
    return shared;
}

QFPreferencesWindowController::QFPreferencesWindowController()
    : QWidget(nullptr, Qt::Window)
    , m_ui(std::make_unique<Ui::QFPreferencesWindowController>())
{
    m_ui->setupUi(this);
    progressIndicator = m_ui->progressIndicator;
    progressIndicator->setRange(0, CustomSizesEraser::steps());
    progressIndicator->setVisible(false);

    connect(m_ui->deleteCustomSizesButton, &QAbstractButton::clicked, this,
            &QFPreferencesWindowController::deleteCustomSizes);
    connect(m_ui->showGettingStartedCheckBox, &QAbstractButton::toggled, this,
            [](bool show) { ShellPreferences::setShowsGettingStartedAtLaunch(show); });
}

QFPreferencesWindowController::~QFPreferencesWindowController() = default;

void QFPreferencesWindowController::showWindow()
{
    {
        // The getting-started window may have changed it meanwhile.
        const QSignalBlocker blocker(m_ui->showGettingStartedCheckBox);
        m_ui->showGettingStartedCheckBox->setChecked(ShellPreferences::showsGettingStartedAtLaunch());
    }
    // Over the window it was asked from, not wherever the window manager
    // finds room.
    WindowPlacement::showCentredOnActiveWindow(*this);
    raise();
    activateWindow();
}

void QFPreferencesWindowController::deleteCustomSizes()
{
    CustomSizesEraser::run(*this);
}

void QFPreferencesWindowController::showAtZero()
{
    if (!progressIndicator)
        return;
    progressIndicator->setValue(0);
    progressIndicator->setVisible(true);
    progressIndicator->repaint();
}

void QFPreferencesWindowController::showValue(int value)
{
    if (!progressIndicator)
        return;
    progressIndicator->setValue(value);
    progressIndicator->repaint();
}

void QFPreferencesWindowController::hideProgress()
{
    if (progressIndicator)
        progressIndicator->setVisible(false);
}

} // namespace qf
