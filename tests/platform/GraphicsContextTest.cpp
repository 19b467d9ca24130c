#include "TestPictures.h"
#include "platform/graphics/AlphaBlur.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/RedrawCache.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <thread>

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

// The blur as first written: three box passes of the sizes that approximate
// the Gaussian, each the plain sum over its window, rows then columns.
static QImage referenceBlur(QImage plane, double sigma)
{
    const double ideal = std::sqrt(12.0 * sigma * sigma / 3 + 1.0);
    int wl = int(std::floor(ideal));
    if (wl % 2 == 0)
        --wl;
    const int m = int(std::lround((12.0 * sigma * sigma - 3 * wl * wl - 12.0 * wl - 9) / (-4.0 * wl - 4.0)));
    for (int pass = 0; pass < 3; ++pass) {
        const int size = pass < m ? wl : wl + 2;
        const int r = (size - 1) / 2;
        if (r <= 0)
            continue;
        const std::uint32_t inv = (1u << 24) / unsigned(size);
        for (const bool rows : {true, false}) {
            const QImage in = plane.copy();
            const int along = rows ? plane.width() : plane.height();
            const int across = rows ? plane.height() : plane.width();
            for (int a = 0; a < across; ++a)
                for (int i = 0; i < along; ++i) {
                    std::uint64_t sum = 0;
                    for (int j = std::max(0, i - r); j <= std::min(along - 1, i + r); ++j)
                        sum += rows ? in.constScanLine(a)[j] : in.constScanLine(j)[a];
                    const auto mean = uchar((sum * inv + (1u << 23)) >> 24);
                    (rows ? plane.scanLine(a)[i] : plane.scanLine(i)[a]) = mean;
                }
        }
    }
    return plane;
}

TEST(AlphaBlur, BlursExactlyAsThePlainSumsOfItsBoxes)
{
    // Planes narrower and shorter than a box, rows not a multiple of the
    // rows blurred together, and planes large enough to be shared by threads.
    const QSize sizes[] = {{1, 1}, {3, 7}, {50, 5}, {7, 50}, {61, 43}, {700, 330}};
    std::mt19937 random(7);
    for (const QSize size : sizes)
        for (const double sigma : {0.8, 2.5, 9.0}) {
            QImage plane(size, QImage::Format_Alpha8);
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    plane.scanLine(y)[x] = (x / 9 + y / 7) % 3 ? uchar(random() % 256) : 255;
            const QImage expected = referenceBlur(plane, sigma);
            gaussianBlurAlpha(plane.bits(), plane.width(), plane.height(), plane.bytesPerLine(), sigma);
            EXPECT_EQ(plane, expected) << size.width() << " x " << size.height() << " at " << sigma;
        }
}

TEST(AlphaBlur, ApproximatesAGaussianAcrossAnEdge)
{
    // A vertical edge: left half opaque. A Gaussian of sigma s turns it into
    // the normal CDF; three box passes stay within a few levels of it. The
    // large plane is shared out over threads, two blurs at once.
    const double sigma = 10;
    const auto edge = [](int side) {
        QImage plane(side, side, QImage::Format_Alpha8);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                plane.scanLine(y)[x] = x < side / 2 ? 255 : 0;
        return plane;
    };
    QImage small = edge(200);
    QImage large = edge(1600);
    QImage twin = large.copy();
    std::thread other([&] { gaussianBlurAlpha(twin.bits(), 1600, 1600, twin.bytesPerLine(), sigma); });
    gaussianBlurAlpha(large.bits(), 1600, 1600, large.bytesPerLine(), sigma);
    other.join();
    gaussianBlurAlpha(small.bits(), 200, 200, small.bytesPerLine(), sigma);
    EXPECT_EQ(large, twin);
    for (const QImage& plane : {small, large}) {
        const int middle = plane.width() / 2;
        for (int x = middle - 30; x < middle + 30; x += 3) {
            const double expected = 255 * 0.5 * std::erfc((x + 0.5 - middle) / (sigma * std::sqrt(2.0)));
            EXPECT_NEAR(plane.constScanLine(middle)[x], expected, 6) << x;
            // Far from the top and bottom every row is alike.
            EXPECT_EQ(plane.constScanLine(middle / 2)[x], plane.constScanLine(middle)[x]) << x;
        }
    }
    EXPECT_EQ(blurReach(0), 0);
}

// ---- the redraw cache -----------------------------------------------------------

namespace {

int largestDifference(const QImage& a, const QImage& b)
{
    int most = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            for (int shift : {0, 8, 16, 24})
                most = std::max(most, std::abs(int((p[x] >> shift) & 0xff) - int((q[x] >> shift) & 0xff)));
    }
    return most;
}

QImage stripes(QColor a, QColor b)
{
    QImage picture(64, 48, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixelColor(x, y, (x / 3 + y / 5) % 2 ? a : b);
    return picture;
}

QPainterPath roundRect(const QRectF& r, double radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

using Script = std::function<void(GraphicsContext&)>;

// Sums of the channel differences: which of two frames another is nearer.
qint64 distance(const QImage& a, const QImage& b)
{
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            for (int shift : {0, 8, 16, 24})
                sum += std::abs(int((p[x] >> shift) & 0xff) - int((q[x] >> shift) & 0xff));
    }
    return sum;
}

// A 150 x 100 drawing on 173 x 117 pixels (unless told), so nothing falls
// on whole pixels.
QImage drawn(const Script& script, RedrawCache* cache, QSize pixels = QSize(173, 117))
{
    QImage img = canvas(pixels.width(), pixels.height());
    GraphicsContext ctx(img, QSizeF(150, 100));
    ctx.setRedrawCache(cache);
    script(ctx);
    ctx.setRedrawCache(nullptr);
    if (cache)
        cache->frameDone();
    return img;
}

} // namespace

TEST(AlphaBlur, AShadeOfAnAlphaPlaneDrawsAsItsColourisedImage)
{
    // Every coverage level, on backgrounds opaque, clear and half clear, at
    // full and half opacity: the shade draws to the pixels the colourised
    // image draws to, and a black one holds a byte a pixel.
    QImage plane(256, 3, QImage::Format_Alpha8);
    for (int y = 0; y < plane.height(); ++y)
        for (int x = 0; x < plane.width(); ++x)
            plane.scanLine(y)[x] = uchar(x);
    struct Row {
        QColor color;
        double opacity;
        QColor background;
        QImage::Format shadeFormat;
    };
    const Row rows[] = {
        {GraphicsContext::defaultShadowColor(), 1.0, QColor(200, 120, 40), QImage::Format_Alpha8},
        {GraphicsContext::defaultShadowColor(), 0.5, QColor(200, 120, 40), QImage::Format_Alpha8},
        {GraphicsContext::defaultShadowColor(), 1.0, Qt::transparent, QImage::Format_Alpha8},
        {QColor(0, 0, 0), 1.0, QColor(10, 250, 90, 128), QImage::Format_Alpha8},
        {QColor(0, 0, 0, 1), 1.0, Qt::white, QImage::Format_Alpha8},
        {QColor(0, 0, 0, 0), 1.0, Qt::white, QImage::Format_Alpha8},
        {QColor(200, 0, 0, 85), 1.0, Qt::white, QImage::Format_ARGB32_Premultiplied},
        {QColor(0, 0, 1, 255), 0.5, QColor(10, 250, 90, 128), QImage::Format_ARGB32_Premultiplied},
    };
    for (const Row& row : rows) {
        const QImage shade = shadeOfAlpha(plane.copy(), row.color);
        EXPECT_EQ(shade.format(), row.shadeFormat) << row.color.name(QColor::HexArgb).toStdString();
        const auto drawnWith = [&](const QImage& image) {
            QImage target(plane.size(), QImage::Format_ARGB32_Premultiplied);
            target.fill(row.background);
            QPainter painter(&target);
            painter.setOpacity(row.opacity);
            painter.drawImage(QPointF(0, 0), image);
            return target;
        };
        EXPECT_LE(largestDifference(drawnWith(shade), drawnWith(colorizedAlpha(plane, row.color))), 1)
            << row.color.name(QColor::HexArgb).toStdString() << " at " << row.opacity;
    }
    EXPECT_EQ(plane.constScanLine(1)[200], 200); // the caller's plane is left as it was
}

TEST(GraphicsContext, ARedrawCacheDrawsAsDrawingAnewAndNeverShowsWhatChanged)
{
    const QImage picture = stripes(Qt::red, Qt::blue);
    QImage edited = picture;
    edited.setPixelColor(20, 20, Qt::white);
    const QImage seeThrough = stripes(QColor(0, 255, 0, 120), Qt::transparent);
    const QRectF slot(10.2, 8.7, 61.3, 40.1);
    const auto framed = [](GraphicsContext& c, const QRectF& r, const QImage& image, double radius = 7,
                           QRectF crop = QRectF(5.5, 3, 40, 30)) {
        c.saveGState();
        c.setFillColor(Qt::white);
        c.fillPath(roundRect(r, radius + 2));
        c.clipToPath(roundRect(r.adjusted(2.3, 2.3, -2.3, -2.3), radius));
        c.drawImage(image, r.adjusted(2.3, 2.3, -2.3, -2.3), crop);
        c.restoreGState();
    };
    // Each row draws a scene, or the scene changed in one thing.
    using Row = std::function<void(GraphicsContext&, bool changed)>;
    const std::vector<std::pair<const char*, Row>> rows{
        {"a picture moved",
         [&](GraphicsContext& c, bool changed) { framed(c, slot.translated(changed ? 0.4 : 0, 0), picture); }},
        {"its corners", [&](GraphicsContext& c, bool changed) { framed(c, slot, picture, changed ? 12 : 7); }},
        {"its crop",
         [&](GraphicsContext& c, bool changed) {
             framed(c, slot, picture, 7, QRectF(changed ? 8.5 : 5.5, 3, 40, 30));
         }},
        {"its pixels", [&](GraphicsContext& c, bool changed) { framed(c, slot, changed ? edited : picture); }},
        {"clips end with their state",
         [&](GraphicsContext& c, bool changed) {
             c.saveGState();
             c.clipToRect(QRectF(5, 5, 100, 60));
             c.saveGState();
             c.clipToPath(roundRect(QRectF(changed ? 25 : 20, 20, 60, 60), 15));
             c.drawImage(picture, QRectF(0, 0, 150, 100));
             c.restoreGState();
             c.setFillColor(QColor(0, 0, 0, 100));
             c.fillRect(QRectF(0, 0, 150, 100)); // within the first clip only
             c.restoreGState();
             c.fillRect(QRectF(120, 80, 20, 10));
         }},
        {"the shadow of framed pictures",
         [&](GraphicsContext& c, bool changed) {
             c.setShadow(changed ? QPointF(-2, -4) : QPointF(3, -3), 6);
             c.beginTransparencyLayer(QRectF(0, 0, 150, 100));
             framed(c, slot, picture);
             framed(c, QRectF(80.5, 50.2, 60, 45.5), seeThrough);
             c.endTransparencyLayer();
         }},
        {"text casting a shadow",
         [&](GraphicsContext& c, bool changed) {
             c.setShadow(QPointF(3, -3), 2);
             c.beginTransparencyLayer(QRectF(0, 0, 150, 100));
             c.drawUpright(QPointF(0, 100), QRectF(0, 0, 150, 100), [changed](QPainter& p) {
                 p.fillRect(QRectF(changed ? 105 : 90, 30, 20, 20), Qt::darkGreen);
             });
             c.endTransparencyLayer();
         }},
        {"faded, in a layer bounded by the clip",
         [&](GraphicsContext& c, bool changed) {
             c.clipToRect(QRectF(12, 10, 90, 70));
             c.setAlpha(changed ? 0.4 : 0.6);
             c.beginTransparencyLayer();
             c.clipToPath(roundRect(QRectF(0, 0, 80, 60), 12));
             c.drawImage(picture, QRectF(-5, -5, 100, 80), 0.7);
             c.endTransparencyLayer();
         }},
        {"turned", // drawn directly
         [&](GraphicsContext& c, bool changed) {
             c.translateCTM(70, 50);
             c.rotateCTM(changed ? 0.4 : 0.3);
             framed(c, QRectF(-30, -20, 60, 40), picture);
         }},
    };
    // Each scene drawn as it is, and kept whole (faded, as a pile fades
    // the pictures over the one dragged).
    for (const bool kept : {false, true})
        for (const auto& entry : rows) {
            SCOPED_TRACE(std::string(entry.first) + (kept ? ", kept whole" : ""));
            const auto& row = entry.second;
            const auto scene = [&row, kept](bool changed) {
                return [&row, changed, kept](GraphicsContext& c) {
                    if (!kept)
                        return row(c, changed);
                    c.setAlpha(0.8);
                    c.drawKept([&] { row(c, changed); });
                };
            };
            const QImage anew = drawn(scene(false), nullptr);
            const QImage changedAnew = drawn(scene(true), nullptr);
            ASSERT_NE(changedAnew, anew);
            RedrawCache cache;
            const QImage first = drawn(scene(false), &cache);
            const qsizetype count = cache.pictureCount();
            EXPECT_EQ(drawn(scene(false), &cache), first);
            EXPECT_EQ(cache.pictureCount(), count); // the same pictures, taken again
            // Pictures drawn over transparency and then over the surface
            // round once more than drawn straight over it; a kept drawing
            // once more again.
            EXPECT_LE(largestDifference(first, anew), kept ? 2 : 1);
            EXPECT_LE(largestDifference(drawn(scene(true), &cache), changedAnew), kept ? 2 : 1);
            EXPECT_EQ(drawn(scene(false), &cache), first); // and back
        }
}

TEST(GraphicsContext, AKeptDrawingKeepsItsPartsForWhenOneChanges)
{
    // Two framed pictures in a shadowed layer, kept whole: while the whole
    // is taken from the cache its pictures and shadow stay there too, so a
    // change to one redraws that one alone.
    const QImage left = stripes(Qt::red, Qt::blue);
    const QImage right = stripes(Qt::green, Qt::black);
    const auto scene = [&](double rightX) {
        return [&, rightX](GraphicsContext& c) {
            c.drawKept([&] {
                c.setShadow(QPointF(3, -3), 6);
                c.beginTransparencyLayer(QRectF(0, 0, 150, 100));
                for (const auto& [image, x] : {std::pair{&left, 10.3}, std::pair{&right, rightX}}) {
                    c.saveGState();
                    c.clipToPath(roundRect(QRectF(x, 20.2, 50.5, 40.1), 6));
                    c.drawImage(*image, QRectF(x, 20.2, 50.5, 40.1));
                    c.restoreGState();
                }
                c.endTransparencyLayer();
            });
        };
    };
    RedrawCache cache;
    drawn(scene(80.1), &cache);
    const qsizetype made = cache.pictureCount(); // two pictures and the whole
    EXPECT_EQ(made, 3);
    for (int frame = 0; frame < 6; ++frame)
        drawn(scene(80.1), &cache);
    EXPECT_EQ(cache.pictureCount(), made);
    const QImage moved = drawn(scene(85.6), &cache);
    EXPECT_LE(largestDifference(moved, drawn(scene(85.6), nullptr)), 2);
    EXPECT_EQ(cache.pictureCount(), made + 2); // the moved picture and the new whole
}

TEST(GraphicsContext, ARedrawCacheForgetsPicturesNoLongerDrawn)
{
    const QImage picture = stripes(Qt::red, Qt::blue);
    const auto at = [&](double x) {
        return [&, x](GraphicsContext& c) {
            c.clipToRect(QRectF(x, 10, 30, 30));
            c.drawImage(picture, QRectF(x, 10, 30.5, 30));
        };
    };
    RedrawCache cache;
    for (double x : {0.0, 40.0, 80.0})
        drawn(at(x), &cache);
    EXPECT_EQ(cache.pictureCount(), 3);
    for (int frame = 0; frame < 3; ++frame)
        drawn(at(80), &cache);
    EXPECT_EQ(cache.pictureCount(), 1);
}

TEST(GraphicsContext, ABandDrawsTheRowsOfTheWholeDrawShadowsIncluded)
{
    // A tilted card in a shadowed layer of its own or of the whole surface,
    // drawn whole and as bands starting above it, across it and below its
    // top, the way an export draws its bands: the band's layer is cut at its
    // top. Half-pixel shadow offsets must land where the whole draw puts
    // them, on either side of zero.
    const QRectF card(-105, -85, 210, 170);
    const QRectF surface(-300, -200, 600, 400);
    const struct {
        QPointF offset;
        double blur;
        QRectF layer;
    } rows[] = {{{3, -3}, 11.25, card},     {{4.5, -4.5}, 11.25, card},   {{-4.5, 4.5}, 11.25, card},
                {{0.25, -2.75}, 6, card},   {{4.5, -4.5}, 11.25, surface}, {{-4.5, 4.5}, 11.25, surface}};
    for (const auto& row : rows) {
        const auto script = [&row](GraphicsContext& ctx) {
            ctx.saveGState();
            ctx.translateCTM(300, 200);
            ctx.rotateCTM(0.1);
            ctx.setShadow(row.offset, row.blur);
            ctx.beginTransparencyLayer(row.layer);
            ctx.setFillColor(Qt::white);
            ctx.fillRect(QRectF(-100, -80, 200, 160));
            ctx.endTransparencyLayer();
            ctx.restoreGState();
        };
        QImage whole = canvas(600, 400);
        {
            GraphicsContext ctx(whole);
            script(ctx);
        }
        for (int top : {100, 150, 200, 256, 270, 285, 300}) {
            QImage band = GraphicsContext::newBitmap(QSize(600, 400 - top));
            {
                GraphicsContext ctx(&band, QRectF(0, -top, 600, 400), QSizeF(600, 400));
                script(ctx);
            }
            EXPECT_EQ(largestDifference(band, whole.copy(0, top, 600, 400 - top)), 0)
                << row.offset.x() << ", " << row.offset.y() << " in " << row.layer.width() << " from row " << top;
        }
    }
}

TEST(GraphicsContext, FramesDrawnQuicklyWhileThingsChangeShowTheChangeAndSettleExactly)
{
    const QImage picture = stripes(Qt::red, Qt::blue);
    QImage edited = picture;
    for (int x = 0; x < 30; ++x)
        edited.setPixelColor(x + 10, 20, Qt::white);
    QImage editedAgain = picture;
    editedAgain.fill(Qt::darkGreen);
    // A framed picture in a shadowed layer, kept whole as the slot types
    // keep theirs; each row changes one thing over three frames.
    struct Look {
        const QImage* image = nullptr;
        QRectF slot{20.2, 15.7, 61.3, 40.1};
        QRectF crop{5.5, 3, 40, 30};
        QSize pixels{173, 117};
    };
    const auto scene = [](const Look& look) {
        return [look](GraphicsContext& c) {
            c.drawKept([&] {
                c.setShadow(QPointF(3, -3), 6);
                c.beginTransparencyLayer(QRectF(0, 0, 150, 100));
                c.saveGState();
                c.setFillColor(Qt::white);
                c.fillPath(roundRect(look.slot, 9));
                c.clipToPath(roundRect(look.slot.adjusted(2.3, 2.3, -2.3, -2.3), 7));
                c.drawImage(*look.image, look.slot.adjusted(2.3, 2.3, -2.3, -2.3), look.crop);
                c.restoreGState();
                c.endTransparencyLayer();
            });
        };
    };
    Look base;
    base.image = &picture;
    std::vector<std::pair<const char*, std::array<Look, 3>>> rows;
    {
        std::array<Look, 3> pixels{base, base, base};
        pixels[1].image = &edited;
        pixels[2].image = &editedAgain;
        rows.emplace_back("its pixels", pixels);
        std::array<Look, 3> crop{base, base, base};
        crop[1].crop.moveLeft(9.5);
        crop[2].crop = QRectF(20.5, 12, 30, 22);
        rows.emplace_back("its crop", crop);
        std::array<Look, 3> size{base, base, base};
        size[1].slot.setWidth(70.9);
        size[2].slot = QRectF(40.6, 30.1, 90.4, 52.8);
        rows.emplace_back("its size and place", size);
        std::array<Look, 3> zoom{base, base, base};
        zoom[1].pixels = QSize(190, 128);
        zoom[2].pixels = QSize(241, 163);
        rows.emplace_back("the zoom", zoom);
    }
    for (const auto& [name, looks] : rows) {
        SCOPED_TRACE(name);
        const auto frame = [&](const Look& look, RedrawCache* cache) {
            return drawn(scene(look), cache, look.pixels);
        };
        RedrawCache cache;
        EXPECT_LE(largestDifference(frame(looks[0], &cache), frame(looks[0], nullptr)), 2);
        EXPECT_FALSE(cache.lastFrameWasProvisional()); // nothing changed before it
        frame(looks[1], &cache);
        EXPECT_TRUE(cache.lastFrameWasProvisional());
        // Mid-change: quick, but the new look, never the one before.
        const QImage quick = frame(looks[2], &cache);
        EXPECT_TRUE(cache.lastFrameWasProvisional());
        const QImage exact = frame(looks[2], nullptr);
        if (looks[1].pixels == looks[2].pixels) {
            EXPECT_LT(distance(quick, exact), distance(frame(looks[1], nullptr), exact));
        }
        // The same frame again, as the view draws once the change stops: exact.
        EXPECT_LE(largestDifference(frame(looks[2], &cache), exact), 2);
        EXPECT_FALSE(cache.lastFrameWasProvisional());
        EXPECT_EQ(frame(looks[2], &cache), frame(looks[2], &cache));
        EXPECT_LE(largestDifference(frame(looks[2], &cache), exact), 2);
    }
}

TEST(GraphicsContext, APartOfAPictureDrawsAsTheWholePictureWould)
{
    const QImage picture = test::noise(QSize(160, 120), 3);
    // The part: the middle of the picture, rows downward.
    const QRect cut(40, 30, 90, 70);
    const QImage part = picture.copy(cut);
    const struct {
        QTransform turn;
        QRectF dest;
        QRectF source; // y up; empty: the whole picture's overload
    } rows[] = {
        {QTransform(), QRectF(10, 20, 70, 50), QRectF(50, 25, 70, 55)},
        {QTransform(), QRectF(5, 5, 61.5, 44.3), QRectF(45.25, 24.5, 80.5, 60.1)},
        {QTransform().translate(50, 50).rotate(17).translate(-50, -50), QRectF(20, 15, 60, 66), QRectF(50, 25, 70, 60)},
        {QTransform(), QRectF(-40, -30, 160, 120), QRectF()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dest.x());
        const auto draw = [&](const QImage& image, bool asPart) {
            QImage out = canvas(100, 100);
            GraphicsContext ctx(out);
            if (asPart)
                ctx.setPictureParts([&](const QImage& drawn) -> std::optional<GraphicsContext::PicturePart> {
                    if (drawn.cacheKey() != part.cacheKey())
                        return std::nullopt;
                    return GraphicsContext::PicturePart{picture.size(), cut.topLeft()};
                });
            EXPECT_EQ(ctx.pictureSize(image), picture.size());
            ctx.setInterpolationQuality(GraphicsContext::Interpolation::High);
            ctx.setShouldAntialias(true);
            ctx.concatCTM(row.turn);
            if (row.source.isEmpty()) {
                ctx.clipToRect(QRectF(10, 10, 60, 50)); // the part's pixels only
                ctx.drawImage(image, row.dest);
            } else {
                ctx.drawImage(image, row.dest, row.source);
            }
            return out;
        };
        // Only the rounding of where a sample falls may differ.
        EXPECT_LE(largestDifference(draw(picture, false), draw(part, true)), 1);
    }
}

TEST(GraphicsContext, PicturesMadeAheadForAKeptDrawingLandWhereTheDrawingPassPutsThem)
{
    // While things change, the measuring pass of a kept drawing starts the
    // quick pictures on other cores, in the whole drawing's pixels; the
    // drawing pass draws them in layers placed elsewhere. The same scene not
    // kept makes each picture in place: the two frames may differ by the
    // rounding of one more composite, never by a picture moved or cut.
    // (Fills are left out: a kept drawing fills without smoothing while
    // things change, one drawn straight does not.)
    const QImage picture = stripes(Qt::red, Qt::blue);
    const QImage other = stripes(Qt::green, Qt::black);
    struct Row {
        const char* name;
        bool shadow;
        QRectF layer; // the transparency layer's bounds
        QSize pixels;
    };
    const Row rows[] = {
        {"in a shadowed layer", true, QRectF(0, 0, 150, 100), QSize(173, 117)},
        {"in a shadowed layer cut short", true, QRectF(13.3, 7.7, 120, 80), QSize(241, 163)},
        {"straight into the kept drawing", false, QRectF(), QSize(190, 128)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto scene = [&row, &picture, &other](double grow, bool kept) {
            return [&row, &picture, &other, grow, kept](GraphicsContext& c) {
                const auto draw = [&] {
                    if (row.shadow) {
                        c.setShadow(QPointF(3, -3), 6);
                        c.beginTransparencyLayer(row.layer);
                    }
                    for (int i = 0; i < 6; ++i) {
                        const QRectF slot(8.3 + i % 3 * 45.1, 9.6 + i / 3 * 43.7, 38.2 + grow, 35.9 + grow);
                        c.saveGState();
                        c.clipToPath(roundRect(slot.adjusted(1.7, 1.7, -1.7, -1.7), 4));
                        c.drawImage(i % 2 ? other : picture, slot.adjusted(1.7, 1.7, -1.7, -1.7),
                                    QRectF(2.5 + i, 3, 40, 30));
                        c.restoreGState();
                    }
                    if (row.shadow)
                        c.endTransparencyLayer();
                };
                if (kept)
                    c.drawKept(draw);
                else
                    draw();
            };
        };
        RedrawCache keptCache;
        RedrawCache placeCache;
        for (int frame = 0; frame < 4; ++frame) {
            const double grow = 0.37 * frame;
            const QImage kept = drawn(scene(grow, true), &keptCache, row.pixels);
            const QImage inPlace = drawn(scene(grow, false), &placeCache, row.pixels);
            EXPECT_EQ(keptCache.lastFrameWasProvisional(), frame > 0) << frame;
            EXPECT_EQ(placeCache.lastFrameWasProvisional(), frame > 0) << frame;
            EXPECT_LE(largestDifference(kept, inPlace), 2) << frame;
        }
    }
}
