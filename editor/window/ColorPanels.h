#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>

class QColorDialog;
class QWidget;

namespace qf {

class FotoloomController;
class UndoKeys;

// The colour panels of an editor window, one for each colour it edits, made
// on first use. As colour panels are, they have no OK or Cancel: a colour
// applies as it is chosen and the panel stays open beside the window. A drag
// in a panel (its field, its sliders) is one undo step, as a slider drag is;
// the undo keys in a panel undo the document.
class ColorPanels : public QObject {
    Q_OBJECT
public:
    using Read = std::function<QVariant()>;
    using Write = std::function<void(const QVariant&)>;

    // The panels are children of `window`; they open beside it.
    ColorPanels(FotoloomController& controller, QWidget* window, UndoKeys& undoKeys);
    ~ColorPanels() override;

    // Shows the panel called `name` (its object name is name + "Panel") with
    // the colour `read` gives, or brings it to the front. The colours chosen
    // in it go to the `write` of its first opening, as Color values.
    void open(const QString& name, const QString& title, const Read& read, const Write& write);
    // An open panel shows the colour (a Color value), unless the change is
    // the one the panel is making itself.
    void follow(const QString& name, const QVariant& value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isInPanel(QObject* object) const;

    FotoloomController& m_controller;
    QWidget* m_window;
    UndoKeys& m_undoKeys;
    QHash<QString, QPointer<QColorDialog>> m_panels;
    bool m_setting = false; // a panel's change is being written
};

} // namespace qf
