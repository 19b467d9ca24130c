#pragma once

#include <QFont>
#include <QObject>
#include <QPointer>

class QFontDialog;
class QWidget;

namespace qf {

class UndoKeys;

// The font panel beside the editor window: it shows the selected text item's
// font with its underline and strikethrough, and tells what the user changes
// in it, the font (family, face, size) apart from the two lines. The text
// panel talks to it only through this interface, so tests fake it.
class FontPanel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Shows the panel with the font and lines, or brings it to the front.
    virtual void open(const QFont& font, bool underline, bool strikeOut) = 0;
    // An open panel shows another font (the selection or its font changed);
    // a closed one stays closed.
    virtual void follow(const QFont& font, bool underline, bool strikeOut) = 0;
    virtual bool isOpen() const = 0;

signals:
    // The family, face or size chosen. A size the user left alone comes back
    // as it was given, fraction and all, even where the panel shows whole sizes.
    void fontChosen(const QFont& font);
    // The lines as the user set them.
    void attributesChosen(bool underline, bool strikeOut);
};

// The font panel as Qt's font dialog: non-modal, without OK and Cancel, so
// that every change applies as it is made.
class QtFontPanel : public FontPanel {
    Q_OBJECT
public:
    // The dialog is made on first opening, as a child of `window`, beside
    // it; the undo keys in it go to `undoKeys` when given.
    explicit QtFontPanel(QWidget* window, UndoKeys* undoKeys = nullptr);
    ~QtFontPanel() override;

    void open(const QFont& font, bool underline, bool strikeOut) override;
    void follow(const QFont& font, bool underline, bool strikeOut) override;
    bool isOpen() const override;
    // None until the first opening.
    QFontDialog* dialog() const;

private:
    void show(const QFont& font, bool underline, bool strikeOut);
    void dialogChanged(const QFont& font);

    QWidget* m_window;
    UndoKeys* m_undoKeys;
    QPointer<QFontDialog> m_dialog;
    QFont m_given;  // the font as given or chosen last, at its own size, without lines
    QFont m_shown;  // what the dialog made of it, lines included
    bool m_givenUnderline = false;
    bool m_givenStrikeOut = false;
    bool m_reporting = false; // a change of the dialog is being told
};

} // namespace qf
