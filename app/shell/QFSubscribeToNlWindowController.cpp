#include "app/shell/QFSubscribeToNlWindowController.h"

#include "app/shell/NewsletterSignUp.h"

#include "ui_QFSubscribeToNlWindowController.h"

#include <QCloseEvent>
#include <QTimer>

namespace qf {

namespace {

// The thank-you pause: this many steps of the progress bar over thanksDuration().
constexpr int kThanksSteps = 100;

} // namespace

QFSubscribeToNlWindowController* QFSubscribeToNlWindowController::sharedSubscribeToNlWindowController()
{
    // Lives to the end of the process; the window is reused.
    static auto* shared = new QFSubscribeToNlWindowController;
    return shared;
}

QFSubscribeToNlWindowController::QFSubscribeToNlWindowController()
    : m_ui(std::make_unique<Ui::QFSubscribeToNlWindowController>())
    , m_signUp(new NewsletterSignUp(this))
    , m_thanksTimer(new QTimer(this))
{
    m_ui->setupUi(this);
    m_ui->progressIndicator->setRange(0, kThanksSteps);
    m_thanksTimer->setInterval(thanksDuration() / kThanksSteps);
    connect(m_thanksTimer, &QTimer::timeout, this, &QFSubscribeToNlWindowController::thanksStep);
    // The lines that come and go keep their room, so the fields never move
    // under the pointer.
    for (QWidget* line : {static_cast<QWidget*>(m_ui->emailErrorTextField), static_cast<QWidget*>(m_ui->thanksTextField1),
                          static_cast<QWidget*>(m_ui->thanksTextField2), static_cast<QWidget*>(m_ui->progressIndicator)}) {
        QSizePolicy keepRoom = line->sizePolicy();
        keepRoom.setRetainSizeWhenHidden(true);
        line->setSizePolicy(keepRoom);
    }

    connect(m_ui->joinButton, &QAbstractButton::clicked, this, &QFSubscribeToNlWindowController::joinList);
    connect(m_ui->emailTextField, &QLineEdit::returnPressed, this, &QFSubscribeToNlWindowController::joinList);
    connect(m_ui->closeButton, &QAbstractButton::clicked, this, &QFSubscribeToNlWindowController::close);
    connect(m_ui->dontShowAgainButton, &QAbstractButton::toggled, this,
            &QFSubscribeToNlWindowController::dontShowSubscribeNlAgain);
    // Once per process, as the layout is loaded.
    initializeUI();
}

QFSubscribeToNlWindowController::~QFSubscribeToNlWindowController() = default;

void QFSubscribeToNlWindowController::initializeUI()
{
    m_thanksTimer->stop();
    enableForm(true);
    m_ui->nameTextField->clear();
    m_ui->emailTextField->clear();
    m_ui->emailErrorTextField->hide();
    m_ui->thanksTextField1->hide();
    m_ui->thanksTextField2->hide();
    m_ui->progressIndicator->hide();
    m_ui->dontShowAgainButton->setVisible(NewsletterSignUp::offersDontShowAgain());
}

void QFSubscribeToNlWindowController::joinList()
{
    if (!m_signUp->join(m_ui->nameTextField->text(), m_ui->emailTextField->text())) {
        m_ui->emailErrorTextField->show();
        return;
    }
    m_ui->emailErrorTextField->hide();

    // The thanks stay long enough to be read; the window closes by itself
    // after them, or earlier by its own button.
    enableForm(false);
    m_ui->thanksTextField1->show();
    m_ui->thanksTextField2->show();
    m_ui->progressIndicator->setValue(0);
    m_ui->progressIndicator->show();
    m_thanksTimer->start();
}

void QFSubscribeToNlWindowController::enableForm(bool enabled)
{
    m_ui->nameTextField->setEnabled(enabled);
    m_ui->emailTextField->setEnabled(enabled);
    m_ui->joinButton->setEnabled(enabled);
}

void QFSubscribeToNlWindowController::thanksStep()
{
    m_ui->progressIndicator->setValue(m_ui->progressIndicator->value() + 1);
    if (m_ui->progressIndicator->value() < kThanksSteps)
        return;
    m_thanksTimer->stop();
    close();
}

void QFSubscribeToNlWindowController::aboutToRunModal()
{
    // What was typed for an earlier showing is gone.
    initializeUI();
}

void QFSubscribeToNlWindowController::closeEvent(QCloseEvent* event)
{
    m_thanksTimer->stop();
    FloatingModalWindow::closeEvent(event);
}

void QFSubscribeToNlWindowController::dontShowSubscribeNlAgain(bool dontShow)
{
    NewsletterSignUp::setDontShowAgain(dontShow);
}

} // namespace qf
