#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/TurnedPicture.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <limits>
#include <random>

using namespace qf;

namespace {

// A photograph's worth of detail: gradients with noise, so that a filter
// sampling the wrong place or weighing wrongly shows.
QImage photo(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(0, 40);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb((x * 5 + noise(random)) & 255, (y * 3 + noise(random)) & 255, ((x ^ y) + noise(random)) & 255);
    }
    return image;
}

struct Comparison {
    int differing = 0;
    int largest = 0;          // the largest channel difference anywhere
    int largestInside = 0;    // and more than two pixels inside the outline
    double psnr = INFINITY;
};

// `outline`: the picture's corners on the bitmap.
Comparison compare(const QImage& a, const QImage& b, const QPolygonF& outline)
{
    Comparison c;
    double squares = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (p[x] == q[x])
                continue;
            ++c.differing;
            int most = 0;
            for (int shift : {0, 8, 16, 24}) {
                const int d = int((p[x] >> shift) & 0xff) - int((q[x] >> shift) & 0xff);
                squares += d * d;
                most = std::max(most, std::abs(d));
            }
            c.largest = std::max(c.largest, most);
            const QPointF centre(x + 0.5, y + 0.5);
            double nearest = INFINITY;
            for (int i = 0; i < 4; ++i) {
                const QPointF from = outline[i], along = outline[(i + 1) % 4] - from;
                const double t = std::clamp(QPointF::dotProduct(centre - from, along) / QPointF::dotProduct(along, along),
                                            0.0, 1.0);
                const QPointF off = centre - (from + along * t);
                nearest = std::min(nearest, std::hypot(off.x(), off.y()));
            }
            if (nearest > 2 && outline.containsPoint(centre, Qt::OddEvenFill))
                c.largestInside = std::max(c.largestInside, most);
        }
    }
    if (squares > 0)
        c.psnr = 10 * std::log10(255.0 * 255.0 * 4 * a.width() * a.height() / squares);
    return c;
}

struct Draw {
    QImage picture;
    QRectF source;
    QRectF dest;     // user space, y up, as the pile draws a picture
    QTransform user; // user space to the bitmap
    bool clipped = true;
};

// As GraphicsContext draws a picture through Qt.
void drawWithQt(QImage& target, const Draw& d)
{
    QPainter p(&target);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.setWorldTransform(d.user);
    if (d.clipped) {
        QPainterPath path;
        path.addRect(d.dest);
        p.setClipPath(path);
    }
    p.setWorldTransform(QTransform(1, 0, 0, -1, d.dest.x(), d.dest.y() + d.dest.height()) * d.user);
    p.drawImage(QRectF(QPointF(), d.dest.size()), d.picture, d.source);
}

bool drawTurned(QImage& target, const Draw& d)
{
    return TurnedPicture::draw(target, d.picture, d.source,
                               QTransform(1, 0, 0, -1, d.dest.x(), d.dest.y() + d.dest.height()) * d.user,
                               d.dest.size(), d.clipped);
}

QTransform turned(QPointF centre, double radians, double scale = 1)
{
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.rotateRadians(radians);
    t.scale(scale, -scale);
    return t;
}

} // namespace

TEST(TurnedPicture, DrawsAsQtDoesToTheBitInsideAndWithinLevelsAtTheEdges)
{
    // Pile pictures: slight turns either way, pictures read at 1 to 2 times
    // the size drawn, whole or a part of them from fractional corners,
    // clipped to themselves or not, over nothing or a white frame; and the
    // steep turns Qt draws the same way.
    const struct {
        double radians;
        double scale; // picture pixels a drawn pixel
        bool part;
        bool clipped;
        QRgb under;
        double zoom; // user units to bitmap pixels
    } rows[] = {
        {0.08, 1.36, false, true, 0, 1},         {-0.12, 1.9, false, true, 0xffffffff, 1},
        {0.01, 1.02, false, true, 0xffffffff, 1}, {-0.05, 1.5, true, true, 0, 1},
        {0.14, 1.2, false, false, 0xffffffff, 1}, {1.3, 1.4, false, true, 0, 1},
        {-2.9, 1.1, true, false, 0, 1},          {0.06, 1.3, false, true, 0xffffffff, 0.5},
    };
    unsigned seed = 1;
    for (const auto& row : rows) {
        const QSizeF size(410, 290);
        Draw d;
        d.picture = photo(int(size.width() * row.scale), int(size.height() * row.scale), seed++);
        d.source = row.part ? QRectF(3.5, 2.25, d.picture.width() - 9.75, d.picture.height() - 6.5)
                            : QRectF(QPointF(), QSizeF(d.picture.size()));
        d.dest = QRectF(QPointF(-size.width() / 2, -size.height() / 2), size);
        d.user = turned(QPointF(300.3, 260.6), row.radians, row.zoom);
        d.clipped = row.clipped;
        QImage byQt(600, 520, QImage::Format_ARGB32_Premultiplied);
        byQt.fill(row.under);
        QImage ours = byQt.copy();
        drawWithQt(byQt, d);
        ASSERT_TRUE(drawTurned(ours, d)) << row.radians;
        const QTransform toBitmap = QTransform(1, 0, 0, -1, d.dest.x(), d.dest.y() + d.dest.height()) * d.user;
        const QPolygonF outline = toBitmap.map(QPolygonF(QRectF(QPointF(), size)));
        const Comparison c = compare(byQt, ours, outline);
        EXPECT_GE(c.psnr, 55) << row.radians;
        EXPECT_LE(c.largest, 16) << row.radians;
        // Inside, only a pixel weighed in 256ths rather than 16ths, where
        // Qt's groups of pixels begin elsewhere, may differ: by a 32nd of
        // the difference between neighbours at most.
        EXPECT_LE(c.largestInside, 12) << row.radians;
        EXPECT_LT(c.differing, 6 * int(size.width() + size.height()) / (row.zoom < 1 ? 2 : 1)) << row.radians;

        // Given Qt's own coverage, as a context gives it, the edges are Qt's
        // but for where its spans of whole coverage begin.
        QImage withQtCoverage(byQt.size(), byQt.format());
        withQtCoverage.fill(row.under);
        ASSERT_TRUE(TurnedPicture::draw(withQtCoverage, d.picture, d.source, toBitmap, size, d.clipped,
                                        std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                                        [&](QPainter& mask, const QTransform& toMask) {
                                            mask.setRenderHint(QPainter::Antialiasing, true);
                                            if (d.clipped) {
                                                QPainterPath path;
                                                path.addRect(d.dest);
                                                mask.setWorldTransform(d.user * toMask);
                                                mask.setClipPath(path);
                                            }
                                            mask.setWorldTransform(toBitmap * toMask);
                                            mask.fillRect(QRectF(QPointF(), size), Qt::white);
                                        }));
        const Comparison exact = compare(byQt, withQtCoverage, outline);
        EXPECT_GE(exact.psnr, 60) << row.radians;
        EXPECT_LT(exact.differing, c.differing * 3 / 4) << row.radians;
    }
}

TEST(TurnedPicture, LeavesToQtWhatItCannotDrawAsQtDoes)
{
    const QImage opaque = photo(120, 90, 7);
    QImage withAlpha = opaque.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QTransform shear;
    shear.translate(100, 100);
    shear.shear(0.3, 0);
    shear.scale(1, -1);
    const struct {
        const char* what;
        QImage picture;
        QRectF source;
        QTransform user;
        QImage::Format target;
    } rows[] = {
        {"a picture with alpha", withAlpha, QRectF(0, 0, 120, 90), turned(QPointF(100, 100), 0.1),
         QImage::Format_ARGB32_Premultiplied},
        {"upright", opaque, QRectF(0, 0, 120, 90), turned(QPointF(100, 100), 0), QImage::Format_ARGB32_Premultiplied},
        {"sheared", opaque, QRectF(0, 0, 120, 90), shear, QImage::Format_ARGB32_Premultiplied},
        {"magnified tenfold", opaque, QRectF(0, 0, 12, 9), turned(QPointF(100, 100), 0.1),
         QImage::Format_ARGB32_Premultiplied},
        {"a source past the picture", opaque, QRectF(-2, 0, 120, 90), turned(QPointF(100, 100), 0.1),
         QImage::Format_ARGB32_Premultiplied},
        {"an opaque target", opaque, QRectF(0, 0, 120, 90), turned(QPointF(100, 100), 0.1), QImage::Format_RGB32},
    };
    for (const auto& row : rows) {
        QImage target(200, 200, row.target);
        target.fill(0xff102030);
        const QImage before = target.copy();
        Draw d{row.picture, row.source, QRectF(-60, -45, 120, 90), row.user, true};
        EXPECT_FALSE(drawTurned(target, d)) << row.what;
        EXPECT_EQ(target, before) << row.what;
    }
}

TEST(TurnedPicture, AContextDrawsTurnedPicturesClippedToThemselvesAndStillClipsToOtherOutlines)
{
    // As the pile draws a picture: turned, clipped to its own rectangle;
    // then, in the same state, a fill outside the clip, which must still be
    // cut although the picture was drawn without Qt's clip. Clipped to a
    // smaller rectangle the picture itself is cut as before.
    const QImage picture = photo(300, 220, 11);
    const QRectF rect(-100, -70, 200, 140);
    const QPointF outside(120, 80); // user space, beyond the rectangle's corner
    QPoint probe;                     // where that lands on the bitmap
    const auto drawn = [&](const QRectF& clip) {
        QImage out = GraphicsContext::newBitmap(QSize(320, 260));
        out.fill(Qt::white);
        GraphicsContext ctx(&out, QSizeF(320, 260));
        ctx.saveGState();
        ctx.translateCTM(160, 130);
        ctx.rotateCTM(-0.09); // y up: the turn turned() gives Qt
        ctx.clipToRect(clip);
        ctx.drawImage(picture, rect);
        ctx.setFillColor(Qt::black);
        ctx.fillRect(QRectF(outside, QSizeF(6, 6)));
        const QPointF centre = ctx.ctm().map(outside + QPointF(3, 3));
        probe = QPoint(int(centre.x()), int(260 - centre.y()));
        ctx.restoreGState();
        return out;
    };
    const QImage own = drawn(rect);
    EXPECT_EQ(own.pixelColor(probe).rgb(), qRgb(255, 255, 255));

    QImage byQt = GraphicsContext::newBitmap(QSize(320, 260));
    byQt.fill(Qt::white);
    const Draw d{picture, QRectF(0, 0, 300, 220), rect, turned(QPointF(160, 130), 0.09), true};
    drawWithQt(byQt, d);
    const QTransform toBitmap = QTransform(1, 0, 0, -1, rect.x(), rect.y() + rect.height()) * d.user;
    const Comparison c = compare(byQt, own, toBitmap.map(QPolygonF(QRectF(QPointF(), rect.size()))));
    EXPECT_GE(c.psnr, 55);
    EXPECT_LE(c.largestInside, 2);

    // Clipped to its left half: the right half stays white.
    const QImage half = drawn(QRectF(-100, -70, 100, 140));
    EXPECT_EQ(half.pixelColor(160 + 60, 130).rgb(), qRgb(255, 255, 255));
    EXPECT_NE(half.pixelColor(160 - 60, 130).rgb(), qRgb(255, 255, 255));
}

TEST(TurnedPicture, RowsThatNeverShowGetTheCoverageAlone)
{
    // A layer drawn for a band of output: its rows past the band only cast
    // shadows, so only their alpha must be right.
    Draw d{photo(400, 300, 3), QRectF(0, 0, 400, 300), QRectF(-150, -110, 300, 220),
           turned(QPointF(200, 160), 0.1), true};
    QImage whole(400, 320, QImage::Format_ARGB32_Premultiplied);
    whole.fill(0);
    QImage banded = whole.copy();
    ASSERT_TRUE(drawTurned(whole, d));
    ASSERT_TRUE(TurnedPicture::draw(banded, d.picture, d.source,
                                    QTransform(1, 0, 0, -1, d.dest.x(), d.dest.y() + d.dest.height()) * d.user,
                                    d.dest.size(), true, 100, 200));
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x) {
            const QRgb w = whole.pixel(x, y), b = banded.pixel(x, y);
            if (y >= 100 && y < 200)
                ASSERT_EQ(w, b) << x << ", " << y;
            else
                ASSERT_EQ(qAlpha(w), qAlpha(b)) << x << ", " << y;
        }
}
