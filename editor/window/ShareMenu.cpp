#include "editor/window/ShareMenu.h"

#include "editor/FotoloomController.h"
#include "platform/services/ShareService.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace qf {

namespace {

QWidget* noticeView(QMainWindow& window)
{
    return window.findChild<QWidget*>(QStringLiteral("notificationView"));
}

} // namespace

ShareMenu::ShareMenu(QMainWindow& window, FotoloomController& controller, QToolBar& toolbar)
    : QObject(&window)
    , m_window(window)
    , m_sharing(controller, controller.exporter(), ShareServiceRegistry::desktopRegistry())
    , m_notice(
          [this](const QString& text) {
              if (auto* field = m_window.findChild<QLabel*>(QStringLiteral("notificationStringTextField")))
                  field->setText(text);
              if (QWidget* view = noticeView(m_window))
                  view->show();
          },
          [this] {
              if (QWidget* view = noticeView(m_window))
                  view->hide();
          })
{
    setObjectName(QStringLiteral("shareMenuController"));
    m_sharing.setNotifier([this](const QString& text) { m_notice.showPopUpNotification(text); });

    m_menu = new QMenu(tr("Share"), &window);
    m_menu->setObjectName(QStringLiteral("shareMenu"));
    // The menu opens on the press itself.
    m_button = new QToolButton(&toolbar);
    m_button->setObjectName(QStringLiteral("shareFromToolbarButton"));
    m_button->setText(tr("Share"));
    m_button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_button->setPopupMode(QToolButton::InstantPopup);
    m_button->setMenu(m_menu);
    toolbar.addWidget(m_button);
    fillMenu();
}

ShareMenu::~ShareMenu() = default;

void ShareMenu::setRegistry(std::shared_ptr<ShareServiceRegistry> registry)
{
    m_sharing.setRegistry(std::move(registry));
    fillMenu();
}

void ShareMenu::fillMenu()
{
    m_menu->clear();
    for (const CollageSharing::MenuEntry& entry : m_sharing.menuEntries()) {
        const CollageSharing::Entry which = entry.entry;
        // Queued: the menu closes and the window repaints before a render.
        QAction* item = m_menu->addAction(entry.icon, entry.title);
        connect(item, &QAction::triggered, this, [this, which] { m_sharing.share(which); }, Qt::QueuedConnection);
    }
    const bool offered = !m_menu->isEmpty();
    m_button->setEnabled(offered);
    // A greyed button alone does not say what the machine lacks.
    m_button->setToolTip(offered ? tr("Share the collage")
                                 : tr("Sharing needs an e-mail program (xdg-email, from the xdg-utils "
                                      "package) or a desktop that accepts a desktop picture (GNOME)."));
}

} // namespace qf
