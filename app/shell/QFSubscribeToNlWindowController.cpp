#include "app/shell/QFSubscribeToNlWindowController.h"

#include "app/shell/NewsletterSignUp.h"

#include "ui_QFSubscribeToNlWindowController.h"


namespace qf {

namespace {

// The thank-you pause: this many steps of the progress bar, each drawn at once.
constexpr int kThanksSteps = 400;

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
{
    m_ui->setupUi(this);
    m_ui->progressIndicator->setRange(0, kThanksSteps);

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

    m_ui->thanksTextField1->show();
    m_ui->thanksTextField2->show();
    m_ui->thanksTextField1->repaint();
    m_ui->thanksTextField2->repaint();
    m_ui->progressIndicator->setValue(0);
    m_ui->progressIndicator->show();
    for (int step = 1; step <= kThanksSteps; ++step) {
        m_ui->progressIndicator->setValue(step);
        m_ui->progressIndicator->repaint();
    }
    m_ui->thanksTextField1->hide();
    m_ui->thanksTextField2->hide();
    m_ui->progressIndicator->hide();
    close();
}

void QFSubscribeToNlWindowController::dontShowSubscribeNlAgain(bool dontShow)
{
    NewsletterSignUp::setDontShowAgain(dontShow);
}

} // namespace qf
