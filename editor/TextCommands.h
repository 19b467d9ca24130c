#pragma once

#include <QFont>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>

namespace qf {

class Collage;
class EditorSession;

// The text commands of the editor: adding and copying text items and
// changing the selected one, each one undo step (a drag of a control's
// changes share one). Commands on the selected item do nothing, and record
// nothing, without one.
class TextCommands {
public:
    explicit TextCommands(EditorSession& session);

    // A new text item (one "Add Text" step) saying the window's hint; the
    // window then shows the text tab with the keyboard in the text editor.
    void addNewText();
    // A copy of the selected item (one "Add Text" step).
    void addNewByCopyingSelectedText();
    // The alignment control: 0 left, 1 centre, 2 right, 3 justified. One
    // step even without a chosen segment (a negative index), which changes
    // nothing else.
    void changeTextAlignment(qint64 index);
    // One unnamed step each, acting on the selected item.
    void increaseFontSize();
    void decreaseFontSize();
    void rotateTextClockWise();
    void rotateTextAntiClockWise();
    void rotateTextTo0();
    void sizeToFitSelected();
    // One step; false (and nothing recorded) when no text item is selected.
    bool removeSelectedText();
    // The font panel chose a family, face or size: the selected item takes
    // them (its underline and strikethrough stay), one "Font Change" step.
    // Sizes are canvas pixels.
    void changeFont(const QFont& font);
    // The font panel's underline and strikethrough: one unnamed step; the
    // item keeps the line styles and colours it has for the lines that stay.
    void changeAttributes(bool underline, bool strikethrough);
    // A bound control of the text panel writes a key of the selected item.
    void setValueOfSelectedText(const QVariant& value, const QString& key);

    // An entry of the font-family menu: a family's name, drawn in the
    // family's first face, with its index into FontCatalogue::families().
    struct FontFamilyItem {
        QString title;
        QFont font;
        qint64 familyIndex = -1;
    };
    // Every installed family with a name and a face that loads, in the
    // catalogue's order, at the desktop's font size.
    static QList<FontFamilyItem> fontFamilyMenuItems();

private:
    EditorSession& m_session;
};

} // namespace qf
