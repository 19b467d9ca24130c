#pragma once

#include <QKeySequence>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>

class QAction;
class QKeyEvent;
class QWidget;

namespace qf {

// The undo and redo keys in widgets that would keep them for themselves
// (text fields, panels in windows of their own) undo and redo the document
// through the window's actions, as the toolbar does.
class UndoKeys : public QObject {
    Q_OBJECT
public:
    UndoKeys(QAction* undo, QAction* redo, QObject* parent = nullptr);
    // The widget and every part it has now.
    void watch(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The key is the action's, or the desktop's standard one for it.
    static bool isKeyOf(const QAction* action, const QKeyEvent& key, QKeySequence::StandardKey standard);

    QPointer<QAction> m_undo;
    QPointer<QAction> m_redo;
};

// Where a panel of `panelSize` (frame included) goes beside a window whose
// frame is `window` on a screen whose free area is `screen`: right of the
// window where there is room, else left of it, else on the side with more
// room, kept on the screen; its top level with the window's.
QPoint besideWindow(const QRect& window, QSize panelSize, const QRect& screen);
// Moves a panel not yet shown beside `window`, off the canvas.
void placeBesideWindow(QWidget* panel, const QWidget* window);

} // namespace qf
