#pragma once

#include "app/shell/FloatingModalWindow.h"

#include <memory>

namespace Ui {
class QFGettingStartedWindowController;
}

namespace qf {

// The getting-started window: links to the guides and social pages. One
// instance, made on first use and kept for the process.
class QFGettingStartedWindowController : public FloatingModalWindow {
    Q_OBJECT
public:
    static QFGettingStartedWindowController* sharedGettingStartedWindowController();
    static QString nibName() { return QStringLiteral("QFGettingStartedWindowController"); }

    ~QFGettingStartedWindowController() override;

public slots:
    void showQuickStart();
    void showQuiltfolioTutorialVideos();
    void showTwitterPage();
    void showFacebookPage();

protected:
    void aboutToRunModal() override;

private:
    QFGettingStartedWindowController();

    std::unique_ptr<Ui::QFGettingStartedWindowController> m_ui;
};

} // namespace qf
