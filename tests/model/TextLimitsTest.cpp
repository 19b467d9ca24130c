#include "FakeCollage.h"

#include "model/TextLayout.h"
#include "model/TextPosition.h"
#include "platform/graphics/GraphicsContext.h"

#include <gtest/gtest.h>

#include <QJsonObject>

#include <numbers>

using namespace qf;
using namespace qf::test;

namespace {

constexpr qsizetype kLimit = TextPosition::maxContentLength();

QString words(qsizetype length)
{
    return QStringLiteral("lake dusk friends ").repeated(length / 18 + 1).left(length);
}

// The layouts and outlines made while the collage's text is drawn at each width.
std::pair<qint64, qint64> workToDraw(Collage& collage, std::initializer_list<double> widths)
{
    const qint64 layouts = TextLayout::layoutsMade(), outlines = TextLayout::outlinesMade();
    QImage out(64, 48, QImage::Format_ARGB32_Premultiplied);
    for (double width : widths) {
        GraphicsContext ctx(out, QSizeF(width, width * 3 / 4));
        collage.drawYourTextOnCurrentContextInWidth(ctx, width, width * 3 / 4, false);
        collage.ptLiesInTextBoundary(QPointF(width / 2, width / 3), width, width * 3 / 4);
    }
    return {TextLayout::layoutsMade() - layouts, TextLayout::outlinesMade() - outlines};
}

} // namespace

TEST(TextLimits, ContentKeepsItsBeginningUpToTheLimitWithoutHalfAPair)
{
    TextPosition item;
    item.setContent(words(3 * kLimit));
    EXPECT_EQ(item.content(), words(kLimit));
    // Typing and bindings go through the same setter; so does a file.
    item.setValue(QStringLiteral("x") + words(kLimit), QStringLiteral("content"));
    EXPECT_EQ(item.content(), QStringLiteral("x") + words(kLimit - 1));
    item.setMyPropertiesFrom(QJsonObject{{"tcon", words(10 * kLimit)}}, 7200, 5400);
    EXPECT_EQ(item.content(), words(kLimit));

    const QString face = QString::fromUcs4(U"\U0001F600");
    const QString a(kLimit - 2, QLatin1Char('a'));
    item.setContent(a + QLatin1Char('a') + face);
    EXPECT_EQ(item.content(), a + QLatin1Char('a'));
    item.setContent(a + face + QLatin1Char('b'));
    EXPECT_EQ(item.content(), a + face);
}

TEST(TextLayoutReuse, OneLayoutServesEveryRepaintUntilTheGlyphsMove)
{
    FakeCollage collage; // 7200 wide
    auto item = std::make_shared<TextPosition>();
    item->setContent(words(2000));
    item->setTextWidth(0.3);
    collage.textPositions().append(item);
    // Among them, widths whose scale does not divide back to 7200 exactly.
    EXPECT_EQ(workToDraw(collage, {109, 109, 111, 121, 800, 7200}), std::make_pair(1LL, 1LL));

    const std::pair<const char*, std::function<void()>> moves[] = {
        {"content", [&] { item->setContent(words(2001)); }},
        {"font", [&] { item->setFontSize(item->fontSize() + 1); }},
        {"width", [&] { item->setTextWidth(0.2); }},
        {"alignment", [&] { item->setAlignment(3); }},
    };
    for (const auto& [what, move] : moves) {
        move();
        EXPECT_EQ(workToDraw(collage, {800, 800}), std::make_pair(1LL, 1LL)) << what;
    }

    item->setColor({0, 0, 1, 1});
    item->setRotation(1);
    item->setCenter(QPointF(0.2, 0.7));
    TextAttributes rules;
    rules.underlineStyle = TextAttributes::LineSingle;
    item->setAttributes(rules);
    EXPECT_EQ(workToDraw(collage, {800, 1200}), std::make_pair(0LL, 0LL));
}

TEST(TextLayoutReuse, LinesReachingIntoTheCanvasAreDrawnWhicheverWayTheItemTurns)
{
    // Lines of blocks, the first at y 270 of a 400 x 300 canvas and the rest
    // far below it: the first few show, or the last few once upside down.
    FakeCollage collage;
    collage.setWidth(400);
    collage.setHeight(300);
    collage.setBackgroundIsTransparent(true);
    auto item = std::make_shared<TextPosition>();
    item->setContent(QStringList(300, QString(8, QChar(0x2588))).join(QLatin1Char('\n')));
    item->setFontSize(20);
    item->setDrawShadows(false);
    const double height = item->getBoundaryRectForCollageWidth(400, 400, 300, true).height();
    const int top = 270;
    item->setCenter(QPointF(0.5, (top - height / 2) / 300));
    collage.textPositions().append(item);

    for (double rotation : {0.0, std::numbers::pi}) {
        item->setRotation(rotation);
        QImage out = GraphicsContext::newBitmap(QSize(400, 300));
        {
            GraphicsContext ctx(out);
            collage.drawYourselfOnCurrentContextInWidth(ctx, 400, 300, true);
        }
        const auto inked = [&out](int yUp) {
            for (int x = 0; x < out.width(); ++x)
                if (out.pixelColor(x, out.height() - 1 - yUp).alpha() > 128)
                    return true;
            return false;
        };
        int rows = 0;
        for (int y = 0; y < top - 2; ++y)
            rows += inked(y);
        EXPECT_GT(rows, 0.7 * (top - 2)) << rotation;
        EXPECT_FALSE(inked(top + 3)) << rotation;
    }
}
