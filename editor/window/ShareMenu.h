#pragma once

#include "editor/CollageSharing.h"
#include "editor/PopUpNotice.h"

#include <QObject>
#include <QPointer>

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

protected:
    // Keeps the notice at the top of the canvas as it shows, its text
    // changes or the canvas column resizes.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The notice, sized to its text, centred over the top of the canvas.
    void placeNotice();
    // Emptied, then filled with the services there are; the button is
    // enabled only with something to offer, and its tip says what is missing
    // when there is nothing.
    void fillMenu();

    QMainWindow& m_window;
    CollageSharing m_sharing;
    PopUpNotice m_notice;
    QMenu* m_menu = nullptr;
    QToolButton* m_button = nullptr;
    // The notice and the canvas column it floats in; kept, as the window
    // may be half gone when the last events come.
    QPointer<QWidget> m_noticeView;
    QPointer<QWidget> m_noticeColumn;
};

} // namespace qf
