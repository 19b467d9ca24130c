#include "editor/window/ColorPanels.h"

#include "editor/FotoloomController.h"
#include "editor/window/PanelWindows.h"
#include "platform/graphics/Color.h"

#include <QColorDialog>
#include <QEvent>
#include <QScopedValueRollback>
#include <QTimer>

namespace qf {

ColorPanels::ColorPanels(FotoloomController& controller, QWidget* window, UndoKeys& undoKeys)
    : m_controller(controller)
    , m_window(window)
    , m_undoKeys(undoKeys)
{
}

ColorPanels::~ColorPanels() = default;

void ColorPanels::open(const QString& name, const QString& title, const Read& read, const Write& write)
{
    QPointer<QColorDialog>& panel = m_panels[name];
    if (!panel) {
        panel = new QColorDialog(m_window);
        panel->setObjectName(name + QStringLiteral("Panel"));
        panel->setWindowTitle(title);
        panel->setOptions(QColorDialog::NoButtons | QColorDialog::ShowAlphaChannel);
        panel->setModal(false);
        panel->installEventFilter(this);
        for (QWidget* part : panel->findChildren<QWidget*>())
            part->installEventFilter(this);
        m_undoKeys.watch(panel);
        placeBesideWindow(panel, m_window);
        connect(panel, &QColorDialog::currentColorChanged, this, [this, write](const QColor& c) {
            const QScopedValueRollback setting(m_setting, true);
            write(QVariant::fromValue(Color::fromQColor(c)));
        });
    }
    const QVariant v = read();
    if (v.canConvert<Color>()) {
        const QSignalBlocker block(panel.data());
        panel->setCurrentColor(v.value<Color>().toQColor());
    }
    panel->show();
    panel->raise();
    panel->activateWindow();
}

void ColorPanels::follow(const QString& name, const QVariant& value)
{
    QColorDialog* panel = m_panels.value(name);
    if (!panel || m_setting || !value.canConvert<Color>())
        return;
    const QSignalBlocker block(panel);
    panel->setCurrentColor(value.value<Color>().toQColor());
}

bool ColorPanels::eventFilter(QObject* watched, QEvent* event)
{
    // The presses of all a panel's parts pass here.
    if (event->type() == QEvent::MouseButtonPress && isInPanel(watched)) {
        m_controller.beginContinuousChange();
    } else if ((event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::Hide)
               && isInPanel(watched)) {
        // After the part has handled the release: a swatch sets its colour then.
        QTimer::singleShot(0, this, [this] { m_controller.endContinuousChange(); });
    }
    return QObject::eventFilter(watched, event);
}

bool ColorPanels::isInPanel(QObject* object) const
{
    for (const QPointer<QColorDialog>& panel : m_panels)
        if (panel && (object == panel || panel->isAncestorOf(qobject_cast<QWidget*>(object))))
            return true;
    return false;
}

} // namespace qf
