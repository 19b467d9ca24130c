#pragma once

#include "app/shell/FloatingModalWindow.h"

#include <memory>

namespace Ui {
class QFSubscribeToNlWindowController;
}

namespace qf {

class NewsletterSignUp;

// The newsletter window: a name, an e-mail address and a Join button. One
// instance, made on first use and kept for the process; the fields keep what
// they hold between showings.
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
    // A valid address is posted, the user thanked and the window closed; an
    // invalid one shows the error and the window stays.
    void joinList();
    void dontShowSubscribeNlAgain(bool dontShow);

private:
    QFSubscribeToNlWindowController();

    std::unique_ptr<Ui::QFSubscribeToNlWindowController> m_ui;
    NewsletterSignUp* m_signUp;
};

} // namespace qf
