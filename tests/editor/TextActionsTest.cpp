// The editor's text actions: what they record in the history, the font
// panel's two paths, the bursts of typing and the bindings to the selected
// text item.
#include "editor/FotoloomController.h"
#include "editor/TextCommands.h"
#include "editor/TextKeyBinding.h"

#include "document/CollageDocument.h"
#include "model/Collage.h"
#include "model/TextPosition.h"
#include "platform/graphics/FontCatalogue.h"
#include "platform/undo/UndoManager.h"

#include "GridDocuments.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>

using namespace qf;

namespace {

class TextActionsTest : public ::testing::Test {
public: // the cases' steps reach in
    CollageDocument doc;
    UndoManager& undo = doc.undoManager();
    FotoloomController* c = nullptr;

    void SetUp() override
    {
        doc.setHostFactory(
            [](CollageDocument& d) { return std::make_unique<FotoloomController>(d, &d.undoManager()); });
        doc.makeWindowControllers();
        c = static_cast<FotoloomController*>(doc.fotoloomController());
        test::startNewDocumentsAsGrids(*c);
        ASSERT_TRUE(c->windowDidLoad().ok());
        // Two items, the second selected, as the history's starting point.
        addItem(QStringLiteral("first"));
        addItem(QStringLiteral("second"));
        collage().setSelectedTextPosition(1);
        endEvent();
        undo.removeAllActions();
    }
    Collage& collage() const { return *c->collage(); }
    TextPosition& item(qsizetype i) const { return *collage().textPositions()[i]; }
    void addItem(const QString& content)
    {
        auto item = std::make_shared<TextPosition>();
        item->setContent(content);
        item->setFont(FontCatalogue::font(QStringLiteral("DejaVu Sans"), QStringLiteral("Book"), 64));
        item->startObservingProperties(c->undoObserver());
        collage().textPositions().append(item);
    }
    QJsonObject saved(qsizetype i) const
    {
        return collage().dictionaryRepresentationActual(true).value(QStringLiteral("tp")).toArray()[i].toObject();
    }
    void endEvent()
    {
        for (int i = 0; i < 20 && undo.groupingLevel() > 0; ++i)
            QCoreApplication::processEvents();
    }
    int undoAll()
    {
        endEvent();
        int steps = 0;
        for (; undo.canUndo() && steps < 50; ++steps)
            undo.undo();
        return steps;
    }
    void type(const QString& text)
    {
        c->setValue(text, QStringLiteral("currentSelectedText"));
        endEvent();
    }
};

TEST_F(TextActionsTest, WithoutASelectedItemTheItemActionsRecordNothing)
{
    const std::pair<const char*, std::function<void(FotoloomController&)>> actions[] = {
        {"font", [](FotoloomController& e) { e.text().changeFont(QFont(QStringLiteral("DejaVu Serif"), 30)); }},
        {"attributes", [](FotoloomController& e) { e.text().changeAttributes(true, true); }},
        {"copy", [](FotoloomController& e) { e.text().addNewByCopyingSelectedText(); }},
        {"remove", [](FotoloomController& e) { e.text().removeSelectedText(); }},
        {"bound key", [](FotoloomController& e) { e.text().setValueOfSelectedText(0.5, QStringLiteral("opacity")); }},
        {"text", [](FotoloomController& e) { e.setValue(QStringLiteral("x"), QStringLiteral("currentSelectedText")); }},
    };
    collage().setSelectedTextPosition(-1);
    endEvent();
    undo.removeAllActions();
    const QJsonObject before = collage().dictionaryRepresentationActual(false);
    for (const auto& [name, action] : actions) {
        action(*c);
        EXPECT_FALSE(c->hasPendingUndoSnapshot()) << name;
        endEvent();
        EXPECT_FALSE(undo.canUndo()) << name;
        EXPECT_EQ(collage().dictionaryRepresentationActual(false), before) << name;
    }
}

TEST_F(TextActionsTest, AFontChangeIsOneNamedStepOnTheSelectedItemOnly)
{
    QFont pixels(QStringLiteral("DejaVu Serif"));
    pixels.setPixelSize(20); // no point size: the item keeps its own
    const struct {
        QFont chosen;
        const char* psname;
        double size;
    } cases[] = {
        {QFont(QStringLiteral("DejaVu Serif"), 144, QFont::Bold), "DejaVuSerif-Bold", 144},
        {QFont(QStringLiteral("DejaVu Sans Mono"), 9), "DejaVuSansMono", 9},
        {pixels, "DejaVuSerif", 64},
        // An unknown family keeps the item's; sizes stay within the limit.
        {QFont(QStringLiteral("No Such Family Anywhere"), 30), "DejaVuSans", 30},
        {QFont(QStringLiteral("DejaVu Sans"), 20000), "DejaVuSans", TextPosition::maxFontSize()},
    };
    const QJsonObject other = saved(0);
    const QJsonObject before = collage().dictionaryRepresentationActual(false);
    for (const auto& t : cases) {
        SCOPED_TRACE(t.chosen.toString().toStdString());
        c->text().changeFont(t.chosen);
        endEvent();
        EXPECT_EQ(saved(1).value(QStringLiteral("tfn")).toString(), QLatin1String(t.psname));
        EXPECT_DOUBLE_EQ(saved(1).value(QStringLiteral("tfsa")).toDouble(), t.size);
        EXPECT_FALSE(item(1).font().underline());
        EXPECT_EQ(saved(0), other);
        EXPECT_EQ(undo.undoActionName(), QStringLiteral("Font Change"));
        EXPECT_EQ(undoAll(), 1);
        EXPECT_EQ(collage().dictionaryRepresentationActual(false), before);
    }
}

TEST_F(TextActionsTest, TheFontPanelsLinesChangeOnlyTheAttributes)
{
    using A = TextAttributes;
    const struct {
        std::optional<qint64> underlineBefore;
        bool underline, strikethrough;
        std::optional<qint64> underlineAfter, strikethroughAfter;
    } cases[] = {
        {std::nullopt, true, false, A::LineSingle, std::nullopt},
        {std::nullopt, false, true, std::nullopt, A::LineSingle},
        // A line that stays keeps its style.
        {A::LineDouble | A::PatternDash, true, true, A::LineDouble | A::PatternDash, A::LineSingle},
        {A::LineNone, true, false, A::LineSingle, std::nullopt},
    };
    const QFont font = item(1).font();
    for (const auto& t : cases) {
        A before;
        before.underlineStyle = t.underlineBefore;
        before.underlineColor = Color::white();
        item(1).setAttributes(before);
        endEvent();
        undo.removeAllActions();
        c->text().changeAttributes(t.underline, t.strikethrough);
        EXPECT_EQ(item(1).attributes().underlineStyle, t.underlineAfter);
        EXPECT_EQ(item(1).attributes().underlineColor.has_value(), t.underlineAfter.has_value());
        EXPECT_EQ(item(1).attributes().strikethroughStyle, t.strikethroughAfter);
        EXPECT_EQ(item(1).font(), font);
        EXPECT_TRUE(item(0).attributes() == A());
        EXPECT_EQ(undoAll(), 1);
    }
}

TEST_F(TextActionsTest, AlignmentIndexesAreSavedByNameAndNoSegmentStillRecords)
{
    const std::pair<qint64, const char*> cases[] = {{0, "left"}, {1, "center"}, {2, "right"}, {3, "justified"}};
    for (const auto& [index, name] : cases) {
        c->text().changeTextAlignment(index);
        EXPECT_EQ(saved(1).value(QStringLiteral("tal")).toString(), QLatin1String(name)) << index;
        EXPECT_EQ(collage().getIndexOfAlignment(), index);
        EXPECT_EQ(saved(0).value(QStringLiteral("tal")).toString(), QStringLiteral("left"));
    }
    undoAll();
    const QJsonObject before = collage().dictionaryRepresentationActual(false);
    c->text().changeTextAlignment(-1);
    EXPECT_EQ(undoAll(), 1);
    EXPECT_EQ(collage().dictionaryRepresentationActual(false), before);
}

TEST_F(TextActionsTest, ABurstOfTypingIsOneStepUntilSomethingEndsIt)
{
    // What happens between "ab" and "abc", and the steps the history then has.
    const struct {
        const char* name;
        std::function<void(TextActionsTest&)> between;
        int steps;
    } cases[] = {
        {"nothing", [](TextActionsTest&) {}, 1},
        {"focus out and in",
         [](TextActionsTest& t) {
             t.c->endTypingText();
             t.c->beginTypingText();
         },
         2},
        {"another change", [](TextActionsTest& t) { t.c->text().rotateTextTo0(); }, 3},
        {"a bound key", [](TextActionsTest& t) { t.c->text().setValueOfSelectedText(0.5, QStringLiteral("opacity")); }, 3},
        {"a save", [](TextActionsTest& t) { t.doc.finishPendingChanges(); }, 2},
        {"reselecting",
         [](TextActionsTest& t) {
             t.collage().setSelectedTextPosition(-1);
             t.collage().setSelectedTextPosition(1);
         },
         2},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        const QJsonObject before = collage().dictionaryRepresentationActual(false);
        c->beginTypingText();
        for (const char* text : {"a", "ab"})
            type(QLatin1String(text));
        t.between(*this);
        endEvent();
        type(QStringLiteral("abc"));
        EXPECT_EQ(item(1).content(), QStringLiteral("abc"));
        c->endTypingText();
        EXPECT_EQ(undoAll(), t.steps);
        EXPECT_EQ(collage().dictionaryRepresentationActual(false), before);
        EXPECT_EQ(item(1).content(), QStringLiteral("second"));
    }
    // Without the editor's keyboard each write is its own step.
    type(QStringLiteral("x"));
    type(QStringLiteral("xy"));
    EXPECT_EQ(undoAll(), 2);
}

TEST_F(TextActionsTest, ATextBindingFollowsTheSelectionAndTheCollageAndWritesSteps)
{
    QList<QVariant> shown;
    TextKeyBinding binding(*c, QStringLiteral("opacity"), [&shown](const QVariant& v) { shown.append(v); });
    ASSERT_EQ(shown.size(), 1);
    EXPECT_DOUBLE_EQ(shown.last().toDouble(), 1.0);

    item(0).setOpacity(0.3);
    EXPECT_EQ(shown.size(), 1); // not the selected item
    collage().setSelectedTextPosition(0);
    EXPECT_DOUBLE_EQ(shown.last().toDouble(), 0.3);
    endEvent();
    undo.removeAllActions();

    binding.write(0.6);
    EXPECT_DOUBLE_EQ(item(0).opacity(), 0.6);
    EXPECT_DOUBLE_EQ(item(1).opacity(), 1.0);
    EXPECT_DOUBLE_EQ(shown.last().toDouble(), 0.6);
    // Undo makes a new collage: the binding shows its item.
    EXPECT_EQ(undoAll(), 1);
    EXPECT_DOUBLE_EQ(shown.last().toDouble(), 0.3);
    item(0).setOpacity(0.4);
    EXPECT_DOUBLE_EQ(shown.last().toDouble(), 0.4);

    collage().setSelectedTextPosition(-1);
    EXPECT_FALSE(shown.last().isValid());
    EXPECT_FALSE(binding.value().isValid());
}

TEST(FontFamilyMenu, EachFamilyIsDrawnInItsRegularFace)
{
    const QList<TextCommands::FontFamilyItem> items = TextCommands::fontFamilyMenuItems();
    ASSERT_FALSE(items.isEmpty());
    int checked = 0;
    for (const TextCommands::FontFamilyItem& item : items) {
        // Families with a plain face: upright, normal width, weight 400.
        QString regular;
        for (const FontMember& m : FontCatalogue::membersOfFamily(item.title))
            if (!m.italic && m.width == 100 && m.weight == 400)
                regular = m.styleName;
        if (regular.isEmpty())
            continue;
        ++checked;
        EXPECT_EQ(FontCatalogue::styleName(item.font), regular) << item.title.toStdString();
        EXPECT_EQ(item.font.family(), item.title);
    }
    EXPECT_GT(checked, 0);
}

} // namespace
