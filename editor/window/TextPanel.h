#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QSlider;
class QWidget;

namespace Ui {
class FotoloomWindow;
}

namespace qf {

class CollageKeyBinding;
class ColorPanels;
class FontPanel;
class FotoloomController;
class TextKeyBinding;
class UndoKeys;

// The text tab of the editor window: the text editor, the commands on text
// items, the font (family, face, size, the font panel), alignment, rotation,
// colours, outline, shadow and background of the selected item. Controls show
// the selected item through bindings and change it only through the
// controller; with no item selected everything but Add Text is disabled.
// Built on the layout's text tab, which it fills in.
class TextPanel : public QObject {
    Q_OBJECT
public:
    TextPanel(FotoloomController& controller, Ui::FotoloomWindow& ui, ColorPanels& colorPanels, UndoKeys& undoKeys,
              QWidget* window);
    ~TextPanel() override;

    // The keyboard goes to the text editor; a hint there is selected whole,
    // so that typing replaces it.
    void focusEditor();
    // What a new item says: the text editor is beside the canvas, on the
    // right unless the window is laid out right to left.
    QString newTextHint() const;
    // Opens the font panel on the selected item's font and lines; nothing
    // without a selected item.
    void openFontPanel();
    FontPanel& fontPanel() const { return *m_fontPanel; }
    // Replaces the font panel (Qt's font dialog by default).
    void setFontPanel(std::unique_ptr<FontPanel> panel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void setUpEditor();
    void setUpFont();
    void setUpLook();
    TextKeyBinding& bind(const QString& key, std::function<void(const QVariant&)> shown);
    void bindSlider(QSlider* slider, const QString& key, double min, double max, double scale);
    void bindColorButton(QAbstractButton* button, const QString& key, const QString& panelName, const QString& title);
    void showTypefaces();
    void showAlignment(bool selected);
    bool editorShowsHint() const;
    void followFontPanel();

    FotoloomController& m_controller;
    Ui::FotoloomWindow& m_ui;
    ColorPanels& m_colorPanels;
    UndoKeys& m_undoKeys;
    std::unique_ptr<FontPanel> m_fontPanel;
    std::vector<std::unique_ptr<TextKeyBinding>> m_bindings;
    std::unique_ptr<CollageKeyBinding> m_selected;
    std::unique_ptr<CollageKeyBinding> m_clickToEdit;
    TextKeyBinding* m_typefaces = nullptr;
    TextKeyBinding* m_typefaceIndex = nullptr;

    QPlainTextEdit* m_editor = nullptr;
    QComboBox* m_family = nullptr;
    QComboBox* m_typeface = nullptr;
    QComboBox* m_size = nullptr;
    QButtonGroup* m_alignment = nullptr;
    QLabel* m_rotation = nullptr;
    QComboBox* m_strokeFill = nullptr;
    QAbstractButton* m_textColor = nullptr;
    QAbstractButton* m_strokeColor = nullptr;
    QSlider* m_strokeWidth = nullptr;
};

} // namespace qf
