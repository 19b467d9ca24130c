#pragma once

#include "editor/CollageSharing.h"
#include "editor/PopUpNotice.h"

#include <QObject>

#include <memory>

class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;

namespace qf {

class FotoloomController;
class ShareServiceRegistry;

// The toolbar's Share button of an editor window, its menu of the machine's
// services, and the window's pop-up notice. A child of the window.
class ShareMenu : public QObject {
    Q_OBJECT
public:
    // Adds the button to the toolbar; the services are the desktop's.
    ShareMenu(QMainWindow& window, FotoloomController& controller, QToolBar& toolbar);
    ~ShareMenu() override;

    // Another machine's services (tests): the menu is made again.
    void setRegistry(std::shared_ptr<ShareServiceRegistry> registry);
    // When the notice hides (tests give their own clock).
    void setDelayedCall(std::unique_ptr<DelayedCall> hideLater) { m_notice.setDelayedCall(std::move(hideLater)); }

    QMenu* menu() const { return m_menu; }
    QToolButton* button() const { return m_button; }
    CollageSharing& sharing() { return m_sharing; }
    PopUpNotice& notice() { return m_notice; }

private:
    // Emptied, then filled with the services there are; the button is
    // enabled only with something to offer, and its tip says what is missing
    // when there is nothing.
    void fillMenu();

    QMainWindow& m_window;
    CollageSharing m_sharing;
    PopUpNotice m_notice;
    QMenu* m_menu = nullptr;
    QToolButton* m_button = nullptr;
};

} // namespace qf
