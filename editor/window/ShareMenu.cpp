#include "editor/window/ShareMenu.h"

#include "editor/FotoloomController.h"
#include "platform/services/ShareService.h"

#include <QAction>
#include <QEvent>
#include <QLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

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
    // The notice floats over the canvas: in the column's layout it would
    // push the canvas down for as long as it shows.
    m_noticeView = noticeView(m_window);
    m_noticeColumn = m_noticeView ? m_noticeView->parentWidget() : nullptr;
    if (m_noticeColumn) {
        if (m_noticeColumn->layout())
            m_noticeColumn->layout()->removeWidget(m_noticeView);
        m_noticeView->setAutoFillBackground(true);
        m_noticeView->installEventFilter(this);
        m_noticeColumn->installEventFilter(this);
    }

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

bool ShareMenu::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((watched == m_noticeView && (type == QEvent::Show || type == QEvent::LayoutRequest))
        || (watched == m_noticeColumn && type == QEvent::Resize))
        placeNotice();
    return QObject::eventFilter(watched, event);
}

void ShareMenu::placeNotice()
{
    if (!m_noticeView || !m_noticeColumn)
        return;
    const auto* canvas = m_noticeColumn->findChild<QWidget*>(QStringLiteral("QFDrawingContainerView"),
                                                             Qt::FindDirectChildrenOnly);
    const QRect area = canvas ? canvas->geometry() : m_noticeColumn->rect();
    constexpr int kInset = 8;
    const QSize wanted = m_noticeView->sizeHint();
    const int width = std::max(1, std::min(wanted.width(), area.width() - 2 * kInset));
    m_noticeView->setGeometry(area.x() + (area.width() - width) / 2, area.y() + kInset, width, wanted.height());
    m_noticeView->raise();
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
