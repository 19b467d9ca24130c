#include "platform/graphics/AlphaBlur.h"
#include "platform/graphics/GraphicsContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace qf;

namespace {

QImage canvas(int w = 100, int h = 100)
{
    return GraphicsContext::newBitmap(QSize(w, h));
}

// Pixel at (x, y) measured from the bottom-left corner.
QColor at(const QImage& img, int x, int yUp)
{
    return img.pixelColor(x, img.height() - 1 - yUp);
}

} // namespace

TEST(GraphicsContext, OriginIsBottomLeftAndDrawingSpaceScales)
{
    QImage img = canvas(200, 100);
    {
        GraphicsContext ctx(img, QSizeF(20, 10)); // 10 device pixels a unit
        ctx.setFillColor(Qt::red);
        ctx.fillRect(QRectF(0, 0, 5, 2));
    }
    EXPECT_EQ(at(img, 10, 5), QColor(Qt::red));
    EXPECT_EQ(at(img, 10, 30).alpha(), 0);
    EXPECT_EQ(at(img, 60, 5).alpha(), 0);
}

TEST(GraphicsContext, ImagesAreUprightAndSourcesMeasuredUpwards)
{
    QImage picture(2, 2, QImage::Format_ARGB32);
    picture.setPixelColor(0, 0, Qt::red); // the top row of the picture
    picture.setPixelColor(1, 0, Qt::red);
    picture.setPixelColor(0, 1, Qt::blue);
    picture.setPixelColor(1, 1, Qt::blue);

    QImage img = canvas();
    {
        GraphicsContext ctx(img);
        ctx.setInterpolationQuality(GraphicsContext::Interpolation::None);
        ctx.drawImage(picture, QRectF(0, 0, 100, 100));
    }
    EXPECT_EQ(at(img, 50, 90), QColor(Qt::red));
    EXPECT_EQ(at(img, 50, 10), QColor(Qt::blue));

    // The source (0, 0, 2, 1) is the bottom half of the picture.
    {
        GraphicsContext ctx(img);
        ctx.setInterpolationQuality(GraphicsContext::Interpolation::None);
        ctx.drawImage(picture, QRectF(0, 0, 100, 100), QRectF(0, 0, 2, 1));
    }
    EXPECT_EQ(at(img, 50, 90), QColor(Qt::blue));
    EXPECT_EQ(at(img, 50, 10), QColor(Qt::blue));
}

TEST(GraphicsContext, DashesAndWidthsAreInUserUnits)
{
    QImage img = canvas(100, 20);
    {
        GraphicsContext ctx(img);
        ctx.setShouldAntialias(false);
        ctx.setStrokeColor(Qt::black);
        ctx.setLineWidth(4);
        ctx.setLineDash(0, {10, 10});
        ctx.strokeLine(QPointF(0, 10), QPointF(100, 10));
    }
    EXPECT_EQ(at(img, 5, 10).alpha(), 255);
    EXPECT_EQ(at(img, 15, 10).alpha(), 0);
    EXPECT_EQ(at(img, 25, 10).alpha(), 255);
    EXPECT_EQ(at(img, 5, 11).alpha(), 255); // 4 wide: two units above
    EXPECT_EQ(at(img, 5, 14).alpha(), 0);
}

TEST(GraphicsContext, FillsUseNonZeroWinding)
{
    QImage img = canvas();
    QPainterPath path;
    path.addRect(QRectF(10, 10, 50, 50));
    path.addRect(QRectF(30, 30, 50, 50)); // same direction: the overlap stays filled
    {
        GraphicsContext ctx(img);
        ctx.setFillColor(Qt::green);
        ctx.fillPath(path);
    }
    EXPECT_EQ(at(img, 45, 45).alpha(), 255);
}

TEST(GraphicsContext, ArcsTurnAnticlockwiseWithYUp)
{
    QPainterPath path;
    GraphicsContext::addArc(path, QPointF(50, 50), 40, 0, std::numbers::pi / 2, false);
    const QPointF mid = path.pointAtPercent(0.5);
    EXPECT_NEAR(mid.x(), 50 + 40 * std::cos(std::numbers::pi / 4), 0.5);
    EXPECT_NEAR(mid.y(), 50 + 40 * std::sin(std::numbers::pi / 4), 0.5);
    EXPECT_NEAR(path.currentPosition().y(), 90, 1e-6);

    QPainterPath cw;
    GraphicsContext::addArc(cw, QPointF(50, 50), 40, 0, std::numbers::pi / 2, true);
    EXPECT_LT(cw.pointAtPercent(0.5).y(), 50); // the long way, through the bottom

    // A rounded corner: tangent to both edges, ending on the second one.
    QPainterPath corner(QPointF(0, 0));
    GraphicsContext::addArcToPoint(corner, QPointF(100, 0), QPointF(100, 100), 20);
    EXPECT_NEAR(corner.currentPosition().x(), 100, 1e-6);
    EXPECT_NEAR(corner.currentPosition().y(), 20, 1e-6);
    EXPECT_LT(corner.pointAtPercent(0.95).x(), 100);
}

TEST(GraphicsContext, ShadowsFallInDrawingAxesEvenWhenRotated)
{
    for (double turn : {0.0, std::numbers::pi / 2}) {
        QImage img = canvas(200, 200);
        {
            GraphicsContext ctx(img);
            ctx.setShadow(QPointF(30, -30), 2); // right and down
            ctx.translateCTM(100, 100);
            ctx.rotateCTM(turn);
            ctx.setFillColor(Qt::white);
            ctx.fillRect(QRectF(-20, -20, 40, 40));
        }
        // Right of and below the square: shadow, black at about a third.
        const QColor shade = at(img, 135, 65);
        EXPECT_NEAR(shade.alpha(), 85, 3) << turn;
        EXPECT_EQ(shade.red(), 0);
        // Left of and above: nothing.
        EXPECT_EQ(at(img, 65, 135).alpha(), 0) << turn;
        EXPECT_EQ(at(img, 100, 100), QColor(Qt::white));
    }
}

TEST(GraphicsContext, LayersCompositeAsOneWithAlphaAndShadow)
{
    QImage img = canvas(200, 100);
    {
        GraphicsContext ctx(img);
        ctx.setAlpha(0.5);
        ctx.beginTransparencyLayer(QRectF(0, 0, 200, 100));
        ctx.setFillColor(Qt::blue);
        ctx.fillRect(QRectF(10, 10, 60, 60));
        ctx.fillRect(QRectF(40, 10, 60, 60)); // overlaps inside the layer
        ctx.endTransparencyLayer();
    }
    EXPECT_NEAR(at(img, 20, 20).alpha(), 128, 2);
    EXPECT_NEAR(at(img, 55, 20).alpha(), 128, 2); // the overlap is no darker

    // Alpha inside the layer starts at 1; the state comes back at the end.
    QImage img2 = canvas();
    {
        GraphicsContext ctx(img2);
        ctx.setShadow(QPointF(10, 0), 0);
        ctx.beginTransparencyLayer(QRectF(0, 0, 50, 50));
        ctx.setFillColor(Qt::red);
        ctx.fillRect(QRectF(0, 0, 20, 20));
        ctx.endTransparencyLayer();
        ctx.fillRect(QRectF(0, 80, 5, 5));
    }
    EXPECT_EQ(at(img2, 10, 10), QColor(Qt::red));
    EXPECT_NEAR(at(img2, 25, 10).alpha(), 85, 2); // the layer's one shadow
    EXPECT_EQ(at(img2, 3, 82).alpha(), 255);
}

TEST(GraphicsContext, UnbalancedCallsAndBadNumbersAreHarmless)
{
    QImage img = canvas();
    GraphicsContext ctx(img);
    ctx.restoreGState();
    ctx.endTransparencyLayer();
    ctx.setShadow(QPointF(NAN, 0), 5);
    ctx.setLineDash(0, {NAN, 1});
    ctx.setAlpha(NAN);
    QPainterPath path;
    GraphicsContext::addArc(path, QPointF(0, 0), INFINITY, 0, 1, false);
    ctx.beginTransparencyLayer(QRectF(1e300, 1e300, 10, 10)); // wholly off the canvas
    ctx.fillRect(QRectF(0, 0, 10, 10));
    ctx.endTransparencyLayer();
    // Shadows a file could ask for: far away, or blurred beyond reason.
    ctx.setShadow(QPointF(1e300, -1e300), 1e300);
    ctx.fillRect(QRectF(0, 0, 10, 10));
    ctx.setShadow(QPointF(3, 3), 1e9);
    ctx.fillRect(QRectF(0, 0, 10, 10));
    ctx.clearShadow();
    ctx.saveGState();
    ctx.beginTransparencyLayer();
    ctx.restoreGState(); // belongs outside the layer: refused
    ctx.endTransparencyLayer();
    ctx.restoreGState();
    SUCCEED();
}

TEST(AlphaBlur, ApproximatesAGaussianAcrossAnEdge)
{
    // A vertical edge: left half opaque. A Gaussian of sigma s turns it into
    // the normal CDF; three box passes stay within a few levels of it.
    const int w = 200, h = 200;
    const double sigma = 10;
    QImage plane(w, h, QImage::Format_Alpha8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            plane.scanLine(y)[x] = x < 100 ? 255 : 0;
    gaussianBlurAlpha(plane.bits(), w, h, plane.bytesPerLine(), sigma);
    for (int x = 70; x < 130; x += 5) {
        const double expected = 255 * 0.5 * std::erfc((x + 0.5 - 100) / (sigma * std::sqrt(2.0)));
        EXPECT_NEAR(plane.constScanLine(100)[x], expected, 6) << x;
    }
    EXPECT_EQ(blurReach(0), 0);
}
