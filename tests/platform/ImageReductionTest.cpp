#include "TestPictures.h"
#include "platform/graphics/ImageReduction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace qf;

TEST(ImageReductionTest, HalvesUntilTheDrawIsAtLeastHalfSize)
{
    const struct {
        double scale;
        int halvings;
    } cases[] = {{2.0, 0}, {0.5, 0}, {0.49, 1}, {0.25, 1}, {0.2, 2}, {1.0 / 7, 2}, {0.001, 9},
                 {0.0, 0}, {-1.0, 0}, {std::numeric_limits<double>::quiet_NaN(), 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ImageReduction::halvingsFor(c.scale), c.halvings) << c.scale;

    // The scale follows the transform on the axis that shrinks least, turned or not.
    const QRectF source(0, 0, 2000, 1000);
    EXPECT_DOUBLE_EQ(ImageReduction::scaleOfDraw(QTransform(), QRectF(0, 0, 500, 100), source), 0.25);
    EXPECT_DOUBLE_EQ(ImageReduction::scaleOfDraw(QTransform::fromScale(0.5, 0.5), QRectF(0, 0, 1000, 400), source), 0.25);
    EXPECT_NEAR(ImageReduction::scaleOfDraw(QTransform().rotate(90), QRectF(0, 0, 500, 500), source), 0.5, 1e-12);
    EXPECT_EQ(ImageReduction::scaleOfDraw(QTransform(), QRectF(0, 0, 10, 10), QRectF()), 0);
}

TEST(ImageReductionTest, AveragesPremultipliedBlocksAndKeepsOddEdges)
{
    // 3 x 3: red, clear, blue in each row; the last column and row have no partner.
    QImage image(3, 3, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 3; ++y) {
        image.setPixel(0, y, qRgb(255, 0, 0));
        image.setPixel(1, y, 0);
        image.setPixel(2, y, qRgb(0, 0, 255));
    }
    const QImage half = ImageReduction::halved(image, 1);
    ASSERT_EQ(half.size(), QSize(2, 2));
    // Clear pixels weigh nothing in colour: half-transparent pure red.
    EXPECT_EQ(half.pixel(0, 0), qPremultiply(qRgba(255, 0, 0, 128)));
    EXPECT_EQ(half.pixel(1, 1), qRgb(0, 0, 255));

    // Other formats are averaged too; a picture that fits needs no halving.
    QImage grey(4, 2, QImage::Format_Grayscale8);
    grey.fill(0);
    grey.setPixel(0, 0, qRgb(255, 255, 255));
    const QImage small = ImageReduction::halved(grey, 1);
    EXPECT_EQ(qRed(small.pixel(0, 0)), 64);
    EXPECT_EQ(ImageReduction::reducedForWidth(grey, 3).size(), grey.size());
    EXPECT_EQ(ImageReduction::reducedForWidth(grey, 1).size(), QSize(2, 1));
}

TEST(ImageReductionTest, APartIsTheSamePixelsAsTheWholePictureReducedAndCut)
{
    // Noise, so that a pixel from anywhere else shows.
    const QImage image = test::noise(QSize(203, 157), 7);
    const struct {
        double width;     // of the draw: 0, 1 or 2 halvings
        QRectF part;      // fractions, rows downward
        bool cut;         // false: too much of it drawn to leave any out
    } rows[] = {
        {203, QRectF(0.3, 0.2, 0.4, 0.5), true},    {90, QRectF(0.3, 0.2, 0.4, 0.5), true},
        {40, QRectF(0.3, 0.2, 0.4, 0.5), true},     {90, QRectF(0, 0, 0.2, 1), true},
        {40, QRectF(0.75, 0.6, 0.25, 0.4), true},   {90, QRectF(0.01, 0, 0.98, 1), false},
        {90, QRectF(), false},                      {90, QRectF(-3, -3, 10, 10), false},
        {90, QRectF(std::numeric_limits<double>::quiet_NaN(), 0, 0.5, 0.5), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QStringLiteral("%1 %2,%3 %4x%5")
                         .arg(row.width)
                         .arg(row.part.x())
                         .arg(row.part.y())
                         .arg(row.part.width())
                         .arg(row.part.height())
                         .toStdString());
        const QImage reduced = ImageReduction::reducedForWidth(image, row.width);
        QPoint offset;
        QSize whole;
        const QImage part = ImageReduction::reducedPartForWidth(image, row.width, row.part, &offset, &whole);
        EXPECT_EQ(whole, reduced.size());
        ASSERT_FALSE(part.isNull());
        EXPECT_EQ(part.size() != reduced.size(), row.cut);
        EXPECT_EQ(part, reduced.copy(QRect(offset, part.size())));
        if (!row.cut)
            continue;
        // What the draw reads lies inside, with a pixel to spare each way.
        const QRectF drawn(row.part.x() * whole.width(), row.part.y() * whole.height(),
                           row.part.width() * whole.width(), row.part.height() * whole.height());
        EXPECT_TRUE(QRectF(QRect(offset, part.size())).contains(drawn.adjusted(-1, -1, 1, 1)
                                                                    & QRectF(QPointF(), QSizeF(whole))));
    }
}
