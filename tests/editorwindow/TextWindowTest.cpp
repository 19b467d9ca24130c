// The text tab as a user works it: adding text, typing, the font family and
// size popups, the font panel, alignment and the controls that wait for a
// selected item. Run once offscreen and once in a real X server.
#include "editorwindow/OpenedWindow.h"

#include "editor/window/FontPanel.h"
#include "editor/window/PanelWindows.h"
#include "editor/window/TextPanel.h"
#include "model/Collage.h"
#include "model/TextPosition.h"
#include "platform/graphics/FontCatalogue.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QFontComboBox>
#include <QFontDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

using namespace qf;
using qf::test::Opened;

namespace {

void settle(const Opened& o)
{
    for (int i = 0; i < 20 && o.doc.undoManager().groupingLevel() > 0; ++i)
        QApplication::processEvents();
    QApplication::processEvents();
}

int undoAll(Opened& o)
{
    settle(o);
    int steps = 0;
    for (; o.doc.undoManager().canUndo() && steps < 50; ++steps)
        o.doc.undoManager().undo();
    return steps;
}

TextPosition* selected(const Opened& o)
{
    return o.editor->collage()->selectedText().get();
}

// A window with one new text item selected and a history that starts there.
void addText(Opened& o)
{
    o.find<QPushButton>("addTextButton")->click();
    settle(o);
    o.doc.undoManager().removeAllActions();
}

void press(QWidget* w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {})
{
    QKeyEvent e(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(w, &e);
}

// Records what the text tab shows it; the test makes its choices.
class FakeFontPanel : public FontPanel {
public:
    int opened = 0;
    QFont font;
    bool underline = false;
    void open(const QFont& f, bool u, bool) override
    {
        ++opened;
        follow(f, u, false);
    }
    void follow(const QFont& f, bool u, bool) override
    {
        font = f;
        underline = u;
    }
    bool isOpen() const override { return opened > 0; }
};

TEST(TextWindow, AddTextTurnsToTheTextTabWithTheKeyboardInTheEditor)
{
    Opened o;
    o.window->activateWindow();
    o.waitFor([&] { return o.window->isActiveWindow(); });
    auto* panel = o.find<QWidget>("textOptionsFloatingView");
    auto* editor = o.find<QPlainTextEdit>("fontTextView");
    EXPECT_FALSE(panel->isEnabled());
    EXPECT_TRUE(o.find<QPushButton>("addTextButton")->isEnabled());

    o.find<QPushButton>("addTextButton")->click();
    EXPECT_EQ(o.find<QTabWidget>("tabView")->currentIndex(), 2);
    EXPECT_EQ(o.window->focusWidget(), editor);
    EXPECT_TRUE(panel->isEnabled());
    ASSERT_TRUE(selected(o));
    EXPECT_EQ(editor->toPlainText(), selected(o)->content());
    settle(o);
    EXPECT_EQ(o.doc.undoManager().undoActionName(), QStringLiteral("Add Text"));

    o.find<QPushButton>("removeTextButton")->click();
    EXPECT_FALSE(selected(o));
    EXPECT_FALSE(panel->isEnabled());
    EXPECT_TRUE(editor->toPlainText().isEmpty());
}

void clickCanvasAt(QWidget* canvas, QPointF fraction)
{
    const QPointF at(fraction.x() * canvas->width(), fraction.y() * canvas->height());
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, at, canvas->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(canvas, &e);
    }
}

TEST(TextWindow, AHintInTheEditorIsSelectedWholeSoTypingReplacesIt)
{
    const struct Row {
        const char* name;
        bool clickedOnTheCanvas;
    } rows[] = {{"a new item", false}, {"a project's item clicked on the canvas", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Opened o;
        o.window->activateWindow();
        ASSERT_TRUE(o.waitFor([&] { return o.window->isActiveWindow(); }));
        auto* editor = o.find<QPlainTextEdit>("fontTextView");
        auto* canvas = o.find<QWidget>("onScreenDrawingView");
        o.find<QPushButton>("addTextButton")->click();
        settle(o);
        ASSERT_TRUE(selected(o));
        // The new item points to the editor, which is right of the canvas.
        EXPECT_EQ(selected(o)->content(), QStringLiteral("Type your text in the box on the right=>"));
        EXPECT_GT(editor->mapTo(o.window, QPoint()).x(), canvas->mapTo(o.window, QPoint(canvas->width(), 0)).x());
        if (row.clickedOnTheCanvas) {
            // As a project made elsewhere holds it: the collage's own words.
            selected(o)->setContent(TextPosition::defaultContent());
            selected(o)->setCenter(QPointF(0.5, 0.5));
            o.editor->collage()->deselectAll();
            settle(o);
            canvas->setFocus();
            clickCanvasAt(canvas, QPointF(0.5, 0.5));
            settle(o);
            ASSERT_TRUE(selected(o));
        }
        EXPECT_EQ(o.window->focusWidget(), editor);
        EXPECT_EQ(editor->textCursor().selectedText(), selected(o)->content());
        press(editor, Qt::Key_S, Qt::NoModifier, QStringLiteral("S"));
        press(editor, Qt::Key_O, Qt::NoModifier, QStringLiteral("o"));
        settle(o);
        EXPECT_EQ(selected(o)->content(), QStringLiteral("So"));
    }
}

TEST(TextWindow, ABurstOfTypingIsOneStepAndUndoInTheEditorIsTheDocuments)
{
    Opened o;
    o.window->activateWindow();
    ASSERT_TRUE(o.waitFor([&] { return o.window->isActiveWindow(); }));
    addText(o);
    auto* editor = o.find<QPlainTextEdit>("fontTextView");
    const QString before = selected(o)->content();
    ASSERT_EQ(o.window->focusWidget(), editor);
    editor->selectAll();
    for (const char* c : {"H", "i", "!"}) {
        press(editor, QChar::fromLatin1(*c).unicode(), Qt::NoModifier, QLatin1String(c));
        settle(o);
    }
    EXPECT_EQ(selected(o)->content(), QStringLiteral("Hi!"));
    // Ctrl+Z in the editor takes back the whole burst.
    press(editor, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(selected(o)->content(), before);
    EXPECT_EQ(editor->toPlainText(), before);
    EXPECT_FALSE(o.doc.undoManager().canUndo());

    // Leaving the editor ends a burst: typing after it is a step of its own.
    press(editor, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    settle(o);
    o.find<QPushButton>("addTextButton")->setFocus();
    editor->setFocus();
    press(editor, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"));
    EXPECT_EQ(undoAll(o), 2);
}

TEST(TextWindow, TheFamilyPopupListsFamiliesInTheirOwnFontsAndChoosingOneIsAStep)
{
    Opened o;
    auto* family = o.find<QComboBox>("fontFamilyPopUpButton");
    ASSERT_TRUE(family);
    EXPECT_FALSE(qobject_cast<QFontComboBox*>(family));
    EXPECT_EQ(family->placeholderText(), QStringLiteral("Font Family"));
    ASSERT_GT(family->count(), 0);
    for (int i = 0; i < family->count(); ++i)
        EXPECT_EQ(family->itemData(i, Qt::FontRole).value<QFont>().family(), family->itemText(i));
    EXPECT_EQ(family->currentIndex(), -1);

    addText(o);
    const QString first = selected(o)->font().family();
    EXPECT_EQ(family->currentText(), first);
    const int serif = family->findText(QStringLiteral("DejaVu Serif"));
    ASSERT_GE(serif, 0);
    emit family->activated(serif);
    EXPECT_EQ(selected(o)->font().family(), QStringLiteral("DejaVu Serif"));
    auto* typeface = o.find<QComboBox>("fontTypefacePopUpButton");
    EXPECT_EQ(typeface->currentText(), FontCatalogue::styleName(selected(o)->font()));
    EXPECT_EQ(undoAll(o), 1);
    EXPECT_EQ(family->currentText(), first);
}

TEST(TextWindow, SizesAreTypedOrSteppedAndTheAlignmentShowsTheItem)
{
    Opened o;
    addText(o);
    auto* size = o.find<QComboBox>("fontSizeComboBox");
    size->lineEdit()->setText(QStringLiteral("144"));
    press(size->lineEdit(), Qt::Key_Return);
    EXPECT_DOUBLE_EQ(selected(o)->fontSize(), 144);
    o.find<QPushButton>("increaseFontSizeButton")->click();
    EXPECT_EQ(size->currentText(), QStringLiteral("145"));

    o.find<QToolButton>("alignCenterButton")->click();
    EXPECT_EQ(selected(o)->getJsonDictionary().value(QStringLiteral("tal")).toString(), QStringLiteral("center"));
    EXPECT_TRUE(o.find<QToolButton>("alignCenterButton")->isChecked());
    EXPECT_EQ(undoAll(o), 1); // all in one event here
    EXPECT_TRUE(o.find<QToolButton>("alignLeftButton")->isChecked());
}

TEST(TextWindow, OutlineControlsAreEnabledByTheOutlineChoice)
{
    Opened o;
    addText(o);
    auto* fill = o.find<QComboBox>("strokeFillPopUpButton");
    const struct {
        int choice;
        bool fillColour, outline;
    } cases[] = {{1, false, true}, {2, true, true}, {0, true, false}};
    for (const auto& t : cases) {
        emit fill->activated(t.choice);
        EXPECT_EQ(selected(o)->strokeFill(), t.choice);
        EXPECT_EQ(o.find<QPushButton>("textColorButton")->isEnabled(), t.fillColour) << t.choice;
        EXPECT_EQ(o.find<QPushButton>("strokeColorButton")->isEnabled(), t.outline) << t.choice;
        EXPECT_EQ(o.find<QWidget>("textStrokeWidthSlider")->isEnabled(), t.outline) << t.choice;
    }
}

TEST(TextWindow, TheFontPanelsChoicesReachTheSelectedItemAlongTheirTwoPaths)
{
    Opened o;
    auto fake = std::make_unique<FakeFontPanel>();
    FakeFontPanel* panel = fake.get();
    o.window->textPanel().setFontPanel(std::move(fake));
    o.find<QPushButton>("showFontPanelButton")->click();
    EXPECT_EQ(panel->opened, 0); // nothing selected

    addText(o);
    o.find<QPushButton>("showFontPanelButton")->click();
    ASSERT_EQ(panel->opened, 1);
    EXPECT_EQ(panel->font, selected(o)->font());

    emit panel->fontChosen(QFont(QStringLiteral("DejaVu Serif"), 144));
    settle(o);
    EXPECT_EQ(selected(o)->font().family(), QStringLiteral("DejaVu Serif"));
    const QFont font = selected(o)->font();
    emit panel->attributesChosen(true, false);
    EXPECT_EQ(selected(o)->font(), font);
    EXPECT_TRUE(selected(o)->attributes().underlineStyle.has_value());
    EXPECT_TRUE(panel->underline); // the panel follows the item
    EXPECT_EQ(undoAll(o), 2);
    EXPECT_EQ(panel->font, selected(o)->font());
}

TEST(TextWindow, TheUndoKeysInTheColourAndFontPanelsUndoTheDocument)
{
    const struct Row {
        const char* button;
        const char* panel;
    } rows[] = {{"textColorButton", "textColorPanel"}, {"showFontPanelButton", "fontPanel"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.panel);
        Opened o;
        addText(o);
        const double before = selected(o)->fontSize();
        o.find<QPushButton>("increaseFontSizeButton")->click();
        settle(o);
        const double bigger = selected(o)->fontSize();
        ASSERT_GT(bigger, before);
        o.find<QPushButton>(row.button)->click();
        auto* panel = o.window->findChild<QDialog*>(QLatin1String(row.panel));
        ASSERT_TRUE(panel && panel->isVisible());
        // A field of the panel, which would otherwise keep the keys for its own history.
        auto* field = panel->findChild<QLineEdit*>();
        ASSERT_TRUE(field);
        press(field, Qt::Key_Z, Qt::ControlModifier);
        settle(o);
        EXPECT_DOUBLE_EQ(selected(o)->fontSize(), before);
        press(field, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        settle(o);
        EXPECT_DOUBLE_EQ(selected(o)->fontSize(), bigger);
        o.doc.undoManager().undo();
        press(field, Qt::Key_Y, Qt::ControlModifier);
        settle(o);
        EXPECT_DOUBLE_EQ(selected(o)->fontSize(), bigger);
        panel->close();
    }
}

TEST(TextWindow, PanelsOpenBesideTheWindowNotOverIt)
{
    const QRect screen(0, 0, 1400, 900);
    const QSize panel(500, 400);
    const struct Row {
        const char* name;
        QRect window;
        QPoint at;
    } rows[] = {
        {"room on the right", QRect(100, 50, 700, 600), QPoint(800, 50)},
        {"room only on the left", QRect(600, 50, 700, 600), QPoint(100, 50)},
        {"room on neither side, more on the right, low", QRect(100, 600, 1000, 250), QPoint(900, 500)},
        {"room on neither side, more on the left", QRect(300, 0, 1000, 700), QPoint(0, 0)},
        {"above the screen's top", QRect(900, -40, 300, 300), QPoint(400, 0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(besideWindow(row.window, panel, screen), row.at);
    }
}

TEST(TextWindow, TheFontDialogTellsTheFontApartFromTheLinesAndKeepsSizesItCannotShow)
{
    Opened o;
    QtFontPanel panel(o.window);
    QList<QFont> fonts;
    QList<std::pair<bool, bool>> lines;
    QObject::connect(&panel, &FontPanel::fontChosen, [&](const QFont& f) { fonts.append(f); });
    QObject::connect(&panel, &FontPanel::attributesChosen, [&](bool u, bool s) { lines.append({u, s}); });
    panel.open(FontCatalogue::font(QStringLiteral("DejaVu Sans"), QStringLiteral("Book"), 64.25), false, false);
    ASSERT_TRUE(panel.isOpen());
    EXPECT_FALSE(panel.dialog()->isModal());
    EXPECT_TRUE(fonts.isEmpty() && lines.isEmpty());

    QFont serif(QStringLiteral("DejaVu Serif"), 64);
    panel.dialog()->setCurrentFont(serif);
    ASSERT_EQ(fonts.size(), 1);
    EXPECT_EQ(fonts.last().family(), QStringLiteral("DejaVu Serif"));
    EXPECT_DOUBLE_EQ(fonts.last().pointSizeF(), 64.25);
    EXPECT_TRUE(lines.isEmpty());

    serif.setUnderline(true);
    panel.dialog()->setCurrentFont(serif);
    EXPECT_EQ(fonts.size(), 1);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines.last(), std::make_pair(true, false));

    serif.setPointSize(144);
    panel.dialog()->setCurrentFont(serif);
    ASSERT_EQ(fonts.size(), 2);
    EXPECT_DOUBLE_EQ(fonts.last().pointSizeF(), 144);
    EXPECT_FALSE(fonts.last().underline());
    panel.dialog()->close();
}

} // namespace
