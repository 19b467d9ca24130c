#pragma once

#include "app/shell/FloatingModalWindow.h"

#include <memory>

class QTimer;

namespace Ui {
class QFSubscribeToNlWindowController;
}

namespace qf {

class NewsletterSignUp;

// The newsletter window: a name, an e-mail address and a Join button. One
// instance, made on first use and kept for the process; each showing starts
// with empty fields.
class QFSubscribeToNlWindowController : public FloatingModalWindow {
    Q_OBJECT
public:
    static QFSubscribeToNlWindowController* sharedSubscribeToNlWindowController();
    static QString nibName() { return QStringLiteral("QFSubscribeToNlWindowController"); }

    ~QFSubscribeToNlWindowController() override;

    NewsletterSignUp& signUp() const { return *m_signUp; }

public slots:
    // Empties the fields, hides the error, the thanks and the progress, and
    // offers the do-not-show-again box from the third showing on.
    void initializeUI();
    // A valid address is posted, the user thanked for thanksDuration() (a
    // progress bar counting it down) and the window closed; an invalid one
    // shows the error and the window stays.
    void joinList();
    void dontShowSubscribeNlAgain(bool dontShow);

public:
    static constexpr int thanksDuration() { return 2500; } // milliseconds

protected:
    void aboutToRunModal() override;
    void closeEvent(QCloseEvent* event) override;

private:
    QFSubscribeToNlWindowController();
    // The name, the address and Join; off while the user is thanked.
    void enableForm(bool enabled);
    void thanksStep();

    std::unique_ptr<Ui::QFSubscribeToNlWindowController> m_ui;
    NewsletterSignUp* m_signUp;
    QTimer* m_thanksTimer;
};

} // namespace qf
