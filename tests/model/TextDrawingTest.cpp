#include "FakeCollage.h"

#include "model/TextLayout.h"
#include "model/TextPosition.h"
#include "platform/graphics/GraphicsContext.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <numbers>

using namespace qf;
using namespace qf::test;

namespace {

constexpr double pi = std::numbers::pi;

std::shared_ptr<TextPosition> item(const QString& text, double size = 64)
{
    auto t = std::make_shared<TextPosition>();
    t->setContent(text);
    t->setCenter(QPointF(0.5, 0.5));
    QFont f = t->font();
    f.setPointSizeF(size);
    t->setFont(f);
    return t;
}

QColor at(const QImage& img, int x, int yUp)
{
    return img.pixelColor(x, img.height() - 1 - yUp);
}

// The item alone on a transparent canvas of that size, drawn for export.
QImage drawAlone(std::shared_ptr<TextPosition> t, QSize size)
{
    FakeCollage collage;
    collage.setWidth(size.width());
    collage.setHeight(size.height());
    collage.setBackgroundIsTransparent(true);
    collage.textPositions().append(std::move(t));
    QImage out = GraphicsContext::newBitmap(size);
    {
        GraphicsContext ctx(out);
        collage.drawYourselfOnCurrentContextInWidth(ctx, size.width(), size.height(), true);
    }
    return out;
}

// Red text with rules of the given style.
QImage drawRuled(const QString& text, const TextAttributes& rules, double opacity, bool shadow = false)
{
    auto t = item(text, 120);
    t->setTextWidth(0.9);
    t->setDrawShadows(shadow);
    t->setColor({1, 0, 0, 1});
    t->setOpacity(opacity);
    t->setAttributes(rules);
    return drawAlone(t, QSize(800, 300));
}

struct RuleRun {
    int from, to; // pixel columns, to exclusive
    int length() const { return to - from; }
};

// The runs of rule pixels along the row that holds most of them, counted by
// coverage so that an antialiased edge row never wins.
QList<RuleRun> ruleRuns(const QImage& img, int* rowOut = nullptr)
{
    const auto isRule = [](QColor c) { return c.alpha() > 40 && c.blue() > 128 && c.red() < 100; };
    int best = -1, bestCount = 0;
    for (int y = 0; y < img.height(); ++y) {
        int count = 0;
        for (int x = 0; x < img.width(); ++x)
            count += isRule(img.pixelColor(x, y)) ? img.pixelColor(x, y).alpha() : 0;
        if (count > bestCount)
            best = y, bestCount = count;
    }
    QList<RuleRun> runs;
    for (int x = 0; best >= 0 && x < img.width(); ++x) {
        if (!isRule(img.pixelColor(x, best)))
            continue;
        if (runs.isEmpty() || runs.last().to != x)
            runs.append({x, x + 1});
        else
            runs.last().to = x + 1;
    }
    if (rowOut)
        *rowOut = best;
    return runs;
}

} // namespace

TEST(TextLayoutAndMeasure, ScalesWithTheDrawingWidthAndKeepsItsLineBreaks)
{
    auto t = item("The quick brown fox jumps over the lazy dog again and again");
    t->setTextWidth(0.1);
    const QRectF full = t->getBoundaryRectForCollageWidth(7200, 7200, 5400, true);
    const QRectF tenth = t->getBoundaryRectForCollageWidth(720, 7200, 5400, false);
    EXPECT_NEAR(full.width(), 720, 1e-9);
    EXPECT_GT(full.height(), 3 * 64); // wraps onto several lines
    EXPECT_NEAR(tenth.height() * 10, full.height(), 1e-9);
    EXPECT_NEAR(full.center().y(), 0, 1e-9);

    const auto a = t->getTextDrawingAttributesWidth(7200, 7200, 5400, true);
    EXPECT_NEAR(a.shadowOffset.x(), 64.0 / 9 * 0.5, 1e-9);
    EXPECT_NEAR(a.shadowOffset.y(), -64.0 / 9 * 0.5, 1e-9);
    EXPECT_NEAR(a.shadowBlur, 45, 1e-9);
    const auto small = t->getTextDrawingAttributesWidth(720, 7200, 5400, false);
    EXPECT_NEAR(small.pointSize, 6.4, 1e-9);
    EXPECT_NEAR(small.shadowOffset.x(), a.shadowOffset.x() / 10, 1e-9);
    EXPECT_NEAR(small.shadowBlur, 4.5, 1e-9);

    // An item without a width takes its natural one at the first measure.
    t->setHasTextWidth(false);
    const QRectF natural = t->getBoundaryRectForCollageWidth(720, 7200, 5400, false);
    EXPECT_TRUE(t->hasTextWidth());
    EXPECT_NEAR(t->textWidth(), natural.width() / 720, 1e-12);
    EXPECT_LT(natural.height(), 10); // one line, no wrapping

    auto empty = item("");
    EXPECT_EQ(empty->getBoundaryRectForCollageWidth(720, 7200, 5400, false).height(), 0);
}

TEST(TextLayoutAndMeasure, HitsAndHandlesInTheItemsOwnFrame)
{
    auto t = item("Hello", 100);
    t->setTextWidth(0.2);
    const QRectF r = t->getBoundaryRectForCollageWidth(1000, 1000, 1000, false); // 200 wide
    const double right = 500 + r.right();
    EXPECT_TRUE(t->liesInBoundary(QPointF(right + 7, 500), 1000, 1000, 1000, 1000));
    EXPECT_FALSE(t->liesInBoundary(QPointF(right + 9, 500), 1000, 1000, 1000, 1000));

    // The collage asks its items from the top one down.
    FakeCollage collage;
    collage.setWidth(1000);
    collage.setHeight(1000);
    collage.textPositions() = {t, item("Other", 100)};
    collage.textPositions()[1]->setTextWidth(0.2);
    EXPECT_EQ(collage.ptLiesInTextBoundary(QPointF(500, 500), 1000, 1000), 1);
    EXPECT_EQ(collage.ptLiesInTextBoundary(QPointF(right + 7, 500), 1000, 1000), 1);
    EXPECT_EQ(collage.ptLiesInTextBoundary(QPointF(10, 10), 1000, 1000), -1);

    // Turned a quarter, the right handle is straight above the centre.
    t->setRotation(pi / 2);
    const double handleDistance = r.right() + 8;
    EXPECT_EQ(t->getSelectedHandleByPt(QPointF(500, 500 + handleDistance - 3), 1000, 1000, 1000, 1000), 5);
    EXPECT_EQ(t->getSelectedHandleByPt(QPointF(500, 500 - handleDistance + 3), 1000, 1000, 1000, 1000), 4);
    EXPECT_EQ(t->getSelectedHandleByPt(QPointF(500 + handleDistance - 3, 500), 1000, 1000, 1000, 1000), 15);
}

TEST(TextLayoutAndMeasure, SizeToFitMatchesSteppingDown)
{
    for (const char* text : {"Just one line", "Two words\nand a second paragraph here"}) {
        auto fast = item(text, 40);
        auto slow = item(text, 40);
        fast->setTextWidth(0.5);
        slow->setTextWidth(0.5);
        fast->sizeToFit(1000, 1000, 800);
        while (slow->reduceTextWidthIfPossible(1000, 1000, 800)) {
        }
        EXPECT_NEAR(fast->textWidth(), slow->textWidth(), 1e-9) << text;
        EXPECT_LT(fast->textWidth(), 0.5);
        // One more step would change the height.
        EXPECT_FALSE(fast->reduceTextWidthIfPossible(1000, 1000, 800));
    }
    auto narrow = item("x");
    narrow->setTextWidth(0.0001);
    narrow->sizeToFit(1000, 1000, 800);
    EXPECT_EQ(narrow->textWidth(), 0.0001);
}

TEST(TextLayoutAndMeasure, CursorKindFollowsTheRotation)
{
    auto t = item("x");
    const auto kind = [&](double r) {
        t->setRotation(r);
        return t->rotatedTowards();
    };
    EXPECT_EQ(kind(0), 1);
    EXPECT_EQ(kind(pi / 8), 1);
    EXPECT_EQ(kind(pi / 4), 3);
    EXPECT_EQ(kind(3 * pi / 8 + 0.01), 2);
    EXPECT_EQ(kind(3 * pi / 4), 4);
    EXPECT_EQ(kind(pi), 1);
    EXPECT_EQ(kind(7 * pi / 4), 4);
    EXPECT_EQ(kind(-pi / 4), 4);
    EXPECT_EQ(kind(2 * pi + pi / 4), 3);
    // Huge and undefined rotations answer at once.
    const int k = int(kind(1e300));
    EXPECT_GE(k, 1);
    EXPECT_LE(k, 4);
    EXPECT_EQ(kind(NAN), 1);
}

TEST(TextDrawing, FillOutlineOpacityAndBox)
{
    // A full block glyph: its middle shows the fill, its edge the outline.
    const auto draw = [](qint64 strokeFill, double opacity, double boxOpacity) {
        auto t = item(QString(QChar(0x2588)), 120);
        t->setTextWidth(0.5);
        t->setDrawShadows(false);
        t->setColor({1, 0, 0, 1});
        t->setStrokeColor({0, 0, 1, 1});
        t->setStrokeWidth(10);
        t->setStrokeFill(strokeFill);
        t->setOpacity(opacity);
        t->setTextBackgroundColor({0, 1, 0, 1});
        t->setTextBackgroundOpacity(boxOpacity);
        return drawAlone(t, QSize(400, 200));
    };
    // Find the block's left edge on the middle row.
    const auto edgeOf = [](const QImage& img) {
        for (int x = 0; x < img.width(); ++x)
            if (at(img, x, 100).alpha() > 200)
                return x;
        return -1;
    };
    const QImage fillOnly = draw(0, 1, 0);
    const int edge = edgeOf(fillOnly);
    ASSERT_GT(edge, 0);
    const int mid = edge + 40;
    EXPECT_EQ(at(fillOnly, mid, 100), QColor(Qt::red));
    const QImage hollow = draw(1, 1, 0);
    EXPECT_EQ(at(hollow, mid, 100).alpha(), 0);
    EXPECT_EQ(at(hollow, edge + 1, 100).blue(), 255);
    const QImage both = draw(2, 1, 0);
    EXPECT_EQ(at(both, mid, 100), QColor(Qt::red));
    EXPECT_EQ(at(both, edge + 1, 100).blue(), 255);
    EXPECT_EQ(at(draw(7, 1, 0), mid, 100), QColor(Qt::red)); // any other value fills

    // Opacity applies to the text, not to the background box.
    const QImage faint = draw(0, 0.25, 1);
    EXPECT_NEAR(at(faint, mid, 100).redF(), 0.25, 0.02);
    EXPECT_NEAR(at(faint, mid, 100).greenF(), 0.75, 0.02);
    EXPECT_EQ(at(faint, mid, 100).alpha(), 255);
}

TEST(TextDrawing, ShadowFallsRightAndDownAndMarksOnlyOnScreen)
{
    FakeCollage collage;
    collage.setWidth(400);
    collage.setHeight(200);
    collage.setBackgroundColor({1, 1, 1, 1});
    auto t = item(QString(QChar(0x2588)), 100);
    t->setTextWidth(0.2);
    t->setXShadowOffsetScale(3); // 33 units at full size
    t->setYShadowOffsetScale(-3);
    t->setShadowRadiusBlurScale(0.01);
    collage.textPositions().append(t);
    collage.setSelectedTextPosition(0);

    QImage out = GraphicsContext::newBitmap(QSize(400, 200));
    {
        GraphicsContext ctx(out);
        collage.drawYourselfOnCurrentContextInWidth(ctx, 400, 200, true);
    }
    const QRectF r = t->getBoundaryRectForCollageWidth(400, 400, 200, true).translated(200, 100);
    // Past the glyph's bottom-right corner: shadow grey; past its top-left: white.
    const QColor shade = at(out, int(r.right()) + 10, int(r.top()) - 5);
    EXPECT_LT(shade.red(), 200);
    EXPECT_EQ(at(out, int(r.left()) - 10, int(r.bottom()) + 5), QColor(Qt::white));

    // The selection frame shows on screen, never in an export.
    const QPointF frameLeft(r.left() - 8, r.center().y() + 20);
    EXPECT_EQ(at(out, int(frameLeft.x()), int(frameLeft.y())), QColor(Qt::white));
    {
        GraphicsContext ctx(out);
        collage.drawYourselfOnCurrentContextInWidth(ctx, 400, 200, false);
    }
    EXPECT_LT(at(out, int(frameLeft.x()), int(frameLeft.y())).red(), 200);
}

TEST(TextDrawing, RulesAreDrawnInTheirPatternUnderWhatTheyCover)
{
    using S = TextAttributes;
    const double t = QFontMetricsF(item("x", 120)->font(), TextLayout::device72()).lineWidth();
    ASSERT_GT(t, 3);
    const Color blue{0, 0, 1, 1};
    struct Row {
        const char* name;
        std::optional<qint64> underline, strikethrough;
        int minRuns, maxRuns;
        double minLength, maxLength; // of each run, in rule widths
    };
    const Row rows[] = {
        {"solid", S::LineSingle, {}, 1, 1, 20, 1000},
        {"thick solid", S::LineThick, {}, 1, 1, 10, 1000},
        {"dotted", S::LineSingle | S::PatternDot, {}, 25, 40, 0.5, 1.5},
        {"dashed", S::LineSingle | S::PatternDash, {}, 9, 14, 3, 5},
        {"thick dotted", S::LineThick | S::PatternDot, {}, 12, 20, 1.5, 2.5},
        {"dashed strikethrough", {}, S::LineSingle | S::PatternDash, 9, 14, 3, 5},
        {"by word", S::LineSingle | S::ByWord, {}, 2, 2, 10, 1000},
        {"unknown pattern draws solid", S::LineSingle | 0x0700, {}, 1, 1, 20, 1000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TextAttributes rules;
        rules.underlineStyle = row.underline;
        rules.strikethroughStyle = row.strikethrough;
        rules.underlineColor = rules.strikethroughColor = blue;
        const QList<RuleRun> runs = ruleRuns(drawRuled("ab cd", rules, 1));
        ASSERT_FALSE(runs.isEmpty());
        EXPECT_GE(runs.size(), row.minRuns);
        EXPECT_LE(runs.size(), row.maxRuns);
        // The ends may be cut short by the end of the text.
        for (qsizetype i = 1; i + 1 < runs.size(); ++i) {
            EXPECT_GE(runs[i].length(), row.minLength * t - 1) << i;
            EXPECT_LE(runs[i].length(), row.maxLength * t + 1) << i;
        }
    }

    // By word: the gap is the space between the words, not a dash's gap.
    TextAttributes byWord;
    byWord.underlineStyle = S::LineSingle | S::ByWord;
    byWord.underlineColor = blue;
    const QList<RuleRun> words = ruleRuns(drawRuled("ab cd", byWord, 1));
    TextAttributes whole = byWord;
    whole.underlineStyle = S::LineSingle;
    const QList<RuleRun> line = ruleRuns(drawRuled("ab cd", whole, 1));
    ASSERT_EQ(words.size(), 2);
    ASSERT_EQ(line.size(), 1);
    EXPECT_NEAR(words[0].from, line[0].from, 1);
    EXPECT_NEAR(words[1].to, line[0].to, 1);
    EXPECT_GT(words[1].from - words[0].to, 2 * t);
}

TEST(TextDrawing, RuleColoursAreUsedAsGivenWhateverTheOpacity)
{
    struct Row {
        double opacity, ruleAlpha;
        bool shadow;
        int expectedAlpha;
    };
    const Row rows[] = {{1, 1, false, 255}, {0.25, 1, false, 255}, {0.25, 0.5, false, 128}, {0.5, 1, true, 255}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.opacity << " " << row.ruleAlpha << " " << row.shadow);
        TextAttributes rules;
        rules.underlineStyle = TextAttributes::LineThick;
        rules.underlineColor = Color{0, 0, 1, row.ruleAlpha};
        const QImage img = drawRuled("ab cd", rules, row.opacity, row.shadow);
        int y = -1;
        const QList<RuleRun> runs = ruleRuns(img, &y);
        ASSERT_EQ(runs.size(), 1);
        const QColor middle = img.pixelColor((runs[0].from + runs[0].to) / 2, y);
        EXPECT_NEAR(middle.alpha(), row.expectedAlpha, 2);
        EXPECT_EQ(middle.blue(), 255);
    }
}
