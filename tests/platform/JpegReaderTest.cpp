#include "platform/images/JpegReader.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <cstring>

using namespace qf;

namespace {

// Colour fields and fine detail, so that each step of the decode shows.
QImage detailed(QSize size, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, format);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7 + y) & 255, (y * 5) & 255, ((x ^ y) * 3) & 255));
    return image;
}

QByteArray jpeg(const QImage& image, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

QImage readerImage(const QByteArray& bytes, QSize scaled)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!scaled.isEmpty())
        reader.setScaledSize(scaled);
    return reader.read();
}

bool samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.format() != b.format())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.bytesPerLine())) != 0)
            return false;
    return true;
}

} // namespace

TEST(JpegReader, GivesTheImageReadersPictureToTheBitOrLeavesItToTheReader)
{
    QImage p3 = detailed({203, 150});
    p3.setColorSpace(QColorSpace::DisplayP3);
    QImage srgb = detailed({203, 150});
    srgb.setColorSpace(QColorSpace::SRgb);
    const QByteArray odd = jpeg(detailed({203, 150}));
    const QByteArray baseline = jpeg(detailed({208, 152}));
    const QByteArray progressive = jpeg(detailed({640, 480}), true);
    const QByteArray grey = jpeg(detailed({64, 48}).convertToFormat(QImage::Format_Grayscale8));
    const struct {
        const char* name;
        QByteArray bytes;
        QSize scaled; // empty: whole
        bool decoded;
    } rows[] = {
        {"baseline, odd size", odd, {}, true},
        {"baseline at a half", baseline, {104, 76}, true},
        {"baseline at an eighth", baseline, {26, 19}, true},
        {"progressive at a quarter", progressive, {160, 120}, true},
        {"a Display P3 profile", jpeg(p3), {}, true},
        {"an sRGB profile", jpeg(srgb), {}, true},
        // The reader would scale 102 x 75 on to these: they are left to it.
        {"a size no M/8 step reaches", odd, {101, 75}, false},
        {"another", baseline, {100, 70}, false},
        {"grey", grey, {}, false},
        {"no JPEG", QByteArray("\x89PNG\r\n\x1a\n", 8), {}, false},
        {"cut in its header", baseline.left(40), {}, false},
    };
    for (const auto& row : rows) {
        const std::optional<QImage> decoded = JpegReader::decode(row.bytes, row.scaled);
        ASSERT_EQ(decoded.has_value(), row.decoded) << row.name;
        if (!decoded)
            continue;
        const QImage expected = readerImage(row.bytes, row.scaled);
        EXPECT_TRUE(samePixels(*decoded, expected)) << row.name;
        EXPECT_EQ(decoded->colorSpace(), expected.colorSpace()) << row.name;
        EXPECT_EQ(decoded->dotsPerMeterX(), expected.dotsPerMeterX()) << row.name;
    }
}

TEST(JpegReader, GivesTheStepTheReaderScalesFrom)
{
    const QByteArray odd = jpeg(detailed({203, 150}));
    const QByteArray progressive = jpeg(detailed({640, 480}), true);
    const struct {
        const char* name;
        QByteArray bytes;
        QSize scaled;
        QSize step; // empty: none
    } rows[] = {
        {"baseline, a half", odd, {101, 75}, {102, 75}},
        {"baseline, just over a half", odd, {102, 75}, {127, 94}},
        {"baseline, an eighth", odd, {20, 10}, {26, 19}},
        {"progressive, between steps", progressive, {150, 110}, {160, 120}},
        {"whole", odd, {}, {203, 150}},
        {"grey", jpeg(detailed({64, 48}).convertToFormat(QImage::Format_Grayscale8)), {30, 20}, {}},
        {"cut in its header", odd.left(40), {100, 75}, {}},
    };
    for (const auto& row : rows) {
        const std::optional<QImage> decoded = JpegReader::decodeAtStepFor(row.bytes, row.scaled);
        ASSERT_EQ(decoded.has_value(), !row.step.isEmpty()) << row.name;
        if (!decoded)
            continue;
        EXPECT_EQ(decoded->size(), row.step) << row.name;
        // Scaled as the reader scales it, the reader's picture.
        const QImage scaled = row.scaled.isEmpty() || row.scaled == decoded->size()
            ? *decoded
            : decoded->scaled(row.scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_TRUE(samePixels(scaled, readerImage(row.bytes, row.scaled))) << row.name;
    }
}

TEST(JpegReader, ARegionDecodesAsTheWholePicturesPixelsThere)
{
    const QByteArray baseline = jpeg(detailed({203, 150}));
    const QByteArray even = jpeg(detailed({208, 152}));
    const QByteArray progressive = jpeg(detailed({640, 480}), true);
    const struct {
        const char* name;
        QByteArray bytes;
        QSize scaled; // empty: whole
        QRect asked;
        bool part; // false: the whole picture decodes
    } rows[] = {
        {"inside", baseline, {}, QRect(37, 41, 90, 50), true},
        {"a column", baseline, {}, QRect(101, 0, 1, 150), true},
        {"at the right and bottom", baseline, {}, QRect(150, 100, 53, 50), true},
        {"at the left and top", baseline, {}, QRect(0, 0, 20, 30), true},
        {"inside at a half", even, {104, 76}, QRect(33, 17, 40, 41), true},
        {"progressive at a quarter", progressive, {160, 120}, QRect(50, 60, 31, 33), true},
        {"all of it", baseline, {}, QRect(0, 0, 203, 150), false},
        {"empty", baseline, {}, QRect(), false},
        {"beyond the picture", baseline, {}, QRect(150, 100, 60, 60), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<QImage> whole = JpegReader::decode(row.bytes, row.scaled);
        ASSERT_TRUE(whole);
        QRect region = row.asked;
        const std::optional<QImage> decoded = JpegReader::decode(row.bytes, row.scaled, &region);
        ASSERT_TRUE(decoded);
        ASSERT_EQ(decoded->size(), whole->size());
        EXPECT_EQ(region != QRect(QPoint(), whole->size()), row.part);
        ASSERT_TRUE(region.contains(row.asked) || !row.part);
        // Its edge pixels inside the picture may be smoothed otherwise; all
        // those within are the whole picture's.
        QRect inner = region.adjusted(region.left() > 0 ? 1 : 0, region.top() > 0 ? 1 : 0,
                                      region.right() < whole->width() - 1 ? -1 : 0,
                                      region.bottom() < whole->height() - 1 ? -1 : 0);
        EXPECT_TRUE(samePixels(decoded->copy(inner), whole->copy(inner)));
    }
}
