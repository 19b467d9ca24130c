#include "FakeCollage.h"

#include "model/ResourceImages.h"
#include "platform/graphics/GraphicsContext.h"

#include <gtest/gtest.h>

using namespace qf;
using namespace qf::test;

namespace {

QColor at(const QImage& img, int x, int yUp)
{
    return img.pixelColor(x, img.height() - 1 - yUp);
}

// A picture whose top half is red and bottom half blue.
QImage redOverBlue(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::blue);
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixelColor(x, y, Qt::red);
    return img;
}

void expectRect(const QRectF& r, double x, double y, double w, double h)
{
    EXPECT_NEAR(r.x(), x, 1e-6);
    EXPECT_NEAR(r.y(), y, 1e-6);
    EXPECT_NEAR(r.width(), w, 1e-6);
    EXPECT_NEAR(r.height(), h, 1e-6);
}

} // namespace

TEST(CollageDrawing, SourceRectanglesThroughCropWindows)
{
    const QSizeF image(400, 300);
    const QRectF slot(0, 0, 100, 100);
    expectRect(Collage::getImageInsetRect(image, slot, nullptr), 50, 0, 300, 300);
    PanZoomPos fill(0.5, 0.5, 0.75);
    expectRect(Collage::getImageInsetRect(image, slot, &fill), 50, 0, 300, 300);
    PanZoomPos leaving(0.9, 0.5, 0.5);
    expectRect(Collage::getImageInsetRect(image, slot, &leaving), 320, 110, 80, 80);
    EXPECT_EQ(leaving, PanZoomPos(0.9, 0.5, 0.5)); // the window itself is not repaired here
    // An uncomputed width becomes the aspect-fill one.
    PanZoomPos unset(0.5, 0.5, -1);
    Collage::getImageInsetRect(image, slot, &unset);
    EXPECT_NEAR(unset.l(), 0.75, 1e-12);
    // A slot wider than the picture cuts top and bottom.
    expectRect(Collage::getImageInsetRect(QSizeF(300, 400), QRectF(0, 0, 100, 50), nullptr), 0, 125, 300, 150);
    // Degenerate sizes give no NaN.
    const QRectF none = Collage::getImageInsetRect(image, QRectF(0, 0, 0, 10), nullptr);
    EXPECT_TRUE(std::isfinite(none.width()));
}

TEST(CollageDrawing, ACropOfTheBottomHalfShowsTheBottomHalf)
{
    QImage out = GraphicsContext::newBitmap(QSize(100, 50));
    {
        GraphicsContext ctx(out);
        PanZoomPos bottom(0.5, 0.25, 1.0);
        Collage::drawNSImage1(ctx, redOverBlue(100, 100), QRectF(0, 0, 100, 50), &bottom, 1.0);
    }
    EXPECT_EQ(at(out, 50, 45), QColor(Qt::blue));
    EXPECT_EQ(at(out, 50, 5), QColor(Qt::blue));

    // The full picture drawn around the same slot puts its red half above.
    QImage around = GraphicsContext::newBitmap(QSize(100, 150));
    {
        GraphicsContext ctx(around);
        PanZoomPos bottom(0.5, 0.25, 1.0);
        Collage::drawFullImage1(ctx, redOverBlue(100, 100), QRectF(0, 0, 100, 50), &bottom, 0.5);
    }
    EXPECT_EQ(at(around, 50, 25).blue(), 255);
    EXPECT_NEAR(at(around, 50, 25).alpha(), 128, 2);
    EXPECT_EQ(at(around, 50, 75).red(), 255);
    EXPECT_EQ(at(around, 50, 125).alpha(), 0);
}

TEST(CollageDrawing, BackgroundColourTransparencyAndMissingPictures)
{
    FakeHost host;
    FakeCollage collage;
    collage.setMyWindowController(&host);
    collage.setBackgroundColor({0, 1, 0, 1});
    QImage out = GraphicsContext::newBitmap(QSize(72, 54));
    {
        GraphicsContext ctx(out);
        collage.drawYourselfOnCurrentContextInWidth(ctx, 72, 54, true);
    }
    EXPECT_EQ(at(out, 70, 50), QColor(Qt::green));

    // Transparent: nothing in an export, the tile everywhere on screen.
    collage.setBackgroundIsTransparent(true);
    {
        GraphicsContext ctx(out);
        collage.drawYourselfOnCurrentContextInWidth(ctx, 72, 54, true);
    }
    EXPECT_EQ(at(out, 10, 10).alpha(), 0);
    EXPECT_EQ(at(out, 71, 53).alpha(), 0);
    {
        GraphicsContext ctx(out);
        collage.drawYourselfOnCurrentContextInWidth(ctx, 72, 54, false);
    }
    EXPECT_EQ(at(out, 0, 0).alpha(), 255);
    EXPECT_EQ(at(out, 71, 53).alpha(), 255); // partial tiles at the top right

    // A background picture the document lost shows the colour.
    collage.setBackgroundIsTransparent(false);
    collage.setBackgroundImageByMd5("GONE");
    {
        GraphicsContext ctx(out);
        collage.drawYourselfOnCurrentContextInWidth(ctx, 72, 54, true);
    }
    EXPECT_EQ(at(out, 10, 10), QColor(Qt::green));
}

TEST(CollageDrawing, PatternTilesFollowTheCanvasHeight)
{
    FakeHost host;
    FakeCollage collage; // 7200 x 5400 at 300
    collage.setMyWindowController(&host);
    // Left half red, right half blue, so tile edges can be found.
    QImage tile(600, 400, QImage::Format_ARGB32);
    tile.fill(Qt::blue);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 300; ++x)
            tile.setPixelColor(x, y, Qt::red);
    host.store.insert("BG", tile);
    collage.setBackgroundImageByMd5("BG");
    collage.setBackgroundImageIsPattern(true);

    QImage out = GraphicsContext::newBitmap(QSize(720, 540));
    {
        GraphicsContext ctx(out);
        ctx.setShouldAntialias(false);
        collage.drawBackgroundOnCurrentContextInWidth(ctx, 720, 540, false);
    }
    EXPECT_EQ(collage.backgroundImagePatternNumberOfRows(), 5);
    // Tiles are 162 x 108 and the first column starts at x = -45, so the
    // second column's red half starts at 117 and its blue half at 198.
    EXPECT_EQ(at(out, 115, 50), QColor(Qt::blue));
    EXPECT_EQ(at(out, 119, 50), QColor(Qt::red));
    EXPECT_EQ(at(out, 196, 50), QColor(Qt::red));
    EXPECT_EQ(at(out, 200, 50), QColor(Qt::blue));

    // Drawn smoothly at a size where tiles end inside pixels, no line of the
    // colour beneath shows between neighbouring tiles.
    QImage plain(600, 400, QImage::Format_ARGB32);
    plain.fill(Qt::white);
    host.store.insert("PLAIN", plain);
    collage.setBackgroundImageByMd5("PLAIN");
    collage.setBackgroundColor({0, 0, 0, 1});
    collage.setBackgroundImagePatternNumberOfRows(7);
    QImage screen = GraphicsContext::newBitmap(QSize(333, 250));
    {
        GraphicsContext ctx(screen);
        collage.drawBackgroundOnCurrentContextInWidth(ctx, 333, 250, false);
    }
    int darkest = 255;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            darkest = std::min(darkest, qGray(screen.pixel(x, y)));
    EXPECT_GE(darkest, 250);

    // A row count from a file beyond reason is drawn with at most 500 rows.
    collage.setBackgroundImagePatternNumberOfRows(1LL << 40);
    EXPECT_EQ(collage.patternRowsForImageHeight(400), 500);
    collage.setResolution(0); // and a broken resolution computes one row
    collage.setBackgroundImagePatternNumberOfRows(-1);
    EXPECT_EQ(collage.patternRowsForImageHeight(400), 1);
}

TEST(CollageDrawing, PickButtonsAndHandles)
{
    FakeCollage collage;
    ASSERT_EQ(ResourceImages::sizeOf("image_picker_pressed"), QSizeF(30, 30));
    EXPECT_TRUE(collage.getDrawRectImagePickerButton(QRectF(0, 0, 40, 100)).isNull());
    EXPECT_EQ(collage.getDrawRectImagePickerButton(QRectF(10, 20, 41, 41)), QRectF(15, 25, 30, 30));
    EXPECT_FALSE(collage.pickPicturePressedImage().isNull());

    QImage out = GraphicsContext::newBitmap(QSize(30, 30));
    {
        GraphicsContext ctx(out);
        ctx.setShouldAntialias(false);
        Collage::drawHandleAtPoint(ctx, QPointF(10.3, 20.6)); // square (6, 16, 9, 9)
    }
    EXPECT_EQ(at(out, 10, 20), QColor(Qt::white));
    EXPECT_EQ(at(out, 14, 24), QColor(Qt::white));
    EXPECT_EQ(at(out, 5, 20), QColor(Qt::black));
    EXPECT_EQ(at(out, 3, 20).alpha(), 0);
}
