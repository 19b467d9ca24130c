#include "ExifTool.h"

#include "platform/images/ImageEncoder.h"
#include "platform/images/PngWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

using namespace qf;
using qf::testing::exifTags;
using qf::testing::haveTool;
using qf::testing::runTool;

namespace {

const QString kDescription = QStringLiteral("Collage created using Quiltfolio software");

ImageMetadata metadata(int dpi = 300)
{
    return {dpi, QStringLiteral("Quiltfolio"), kDescription, kDescription};
}

// Red, with a transparent square at the top left.
QImage picture(QSize size = {320, 200})
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(200, 30, 40));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixel(x, y, 0);
    return image;
}

class ImageEncoderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
};

} // namespace

TEST_F(ImageEncoderTest, JpegCarriesResolutionTextsAndAnSrgbProfile)
{
    if (!haveTool(QStringLiteral("exiftool")))
        GTEST_SKIP() << "exiftool is not installed";
    const auto jpeg = ImageEncoder::encode(picture(), ImageEncoder::Format::Jpeg, metadata(), 0.9);
    ASSERT_TRUE(jpeg.status.ok()) << jpeg.status.detail().toStdString();
    const QJsonObject tags = exifTags(write(QStringLiteral("a.jpg"), jpeg.bytes));
    EXPECT_EQ(tags["File:FileType"].toString(), "JPEG");
    EXPECT_EQ(tags["File:ImageWidth"].toInt(), 320);
    EXPECT_EQ(tags["File:ImageHeight"].toInt(), 200);
    // Both the JFIF density and the EXIF resolution say 300 per inch.
    EXPECT_EQ(tags["JFIF:XResolution"].toInt(), 300);
    EXPECT_EQ(tags["JFIF:ResolutionUnit"].toInt(), 1);
    EXPECT_EQ(tags["IFD0:XResolution"].toInt(), 300);
    EXPECT_EQ(tags["IFD0:YResolution"].toInt(), 300);
    EXPECT_EQ(tags["IFD0:ResolutionUnit"].toInt(), 2);
    EXPECT_EQ(tags["IFD0:Software"].toString(), "Quiltfolio");
    EXPECT_EQ(tags["IFD0:ImageDescription"].toString(), kDescription);
    EXPECT_EQ(tags["ExifIFD:UserComment"].toString(), kDescription);
    EXPECT_EQ(tags["ICC_Profile:ProfileDescription"].toString(), "sRGB");
    EXPECT_EQ(tags["ExifIFD:ColorSpace"].toInt(), 1);
    EXPECT_EQ(tags["ExifIFD:ExifImageWidth"].toInt(), 320);
    EXPECT_EQ(tags["ExifIFD:ExifImageHeight"].toInt(), 200);
    // Baseline, chroma halved both ways.
    EXPECT_EQ(tags["File:EncodingProcess"].toInt(), 0);
    EXPECT_EQ(tags["File:YCbCrSubSampling"].toString(), "2 2");

    // No alpha in JPEG: the transparent corner is white, not black.
    const QImage back = QImage::fromData(jpeg.bytes);
    EXPECT_GT(qGray(back.pixel(5, 5)), 245);
    EXPECT_GT(qRed(back.pixel(200, 150)), 180);
}

TEST(ImageEncoderOpacity, OneTranslucentPixelAnywhereMakesAPictureTranslucent)
{
    struct Row {
        const char* name;
        QImage::Format format;
        QSize size;
        QPoint translucent; // (-1, -1): none
        bool opaque;
    };
    const Row rows[] = {
        {"opaque premultiplied", QImage::Format_ARGB32_Premultiplied, {37, 5}, {-1, -1}, true},
        {"first pixel", QImage::Format_ARGB32_Premultiplied, {37, 5}, {0, 0}, false},
        {"last pixel of a row past the vector width", QImage::Format_ARGB32_Premultiplied, {37, 5}, {36, 2}, false},
        {"last pixel of the picture", QImage::Format_ARGB32, {37, 5}, {36, 4}, false},
        {"one pixel wide", QImage::Format_ARGB32, {1, 9}, {0, 8}, false},
        {"other alpha formats are converted", QImage::Format_RGBA8888, {20, 3}, {19, 1}, false},
        {"no alpha channel", QImage::Format_RGB32, {20, 3}, {-1, -1}, true},
    };
    for (const Row& row : rows) {
        QImage image(row.size, row.format);
        image.fill(QColor(10, 200, 30));
        if (row.translucent.x() >= 0)
            image.setPixelColor(row.translucent, QColor(10, 200, 30, 254));
        EXPECT_EQ(ImageEncoder::isOpaque(image), row.opaque) << row.name;
    }
}

TEST_F(ImageEncoderTest, JpegQualityChangesTheSize)
{
    const QImage noisy = [] {
        QImage image(256, 256, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                image.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, (x ^ y) % 256));
        return image;
    }();
    const auto low = ImageEncoder::encodeJpeg(noisy, 0.2, metadata());
    const auto high = ImageEncoder::encodeJpeg(noisy, 1.0, metadata());
    // A quality out of range is the default, never a failure.
    const auto fallback = ImageEncoder::encodeJpeg(noisy, std::nan(""), metadata());
    ASSERT_TRUE(low.status.ok() && high.status.ok() && fallback.status.ok());
    EXPECT_LT(low.bytes.size() * 2, high.bytes.size());
}

TEST_F(ImageEncoderTest, JpegFromBandsIsTheFileOfTheWholePicture)
{
    // A picture with a transparent corner, given in bands, last first; and
    // a band out of place fails the file instead of leaving rows out.
    const QImage whole = picture({300, 700});
    const auto expected = ImageEncoder::encodeJpeg(whole, 0.9, metadata());
    ASSERT_TRUE(expected.status.ok());
    const int unit = ImageEncoder::JpegBands::rowUnit;
    ImageEncoder::JpegBands bands(whole.size(), 0.9, metadata());
    for (int first = (whole.height() - 1) / unit * unit; first >= 0; first -= unit)
        ASSERT_TRUE(bands.add(first, whole.copy(0, first, whole.width(), std::min(unit, whole.height() - first))));
    const auto joined = bands.finish();
    ASSERT_TRUE(joined.status.ok()) << joined.status.detail().toStdString();
    EXPECT_TRUE(joined.bytes == expected.bytes);

    ImageEncoder::JpegBands broken(whole.size(), 0.9, metadata());
    EXPECT_FALSE(broken.add(unit / 2, whole.copy(0, unit / 2, whole.width(), unit)));
    const auto failed = broken.finish();
    EXPECT_FALSE(failed.status.ok());
    EXPECT_TRUE(failed.bytes.isEmpty());
}

TEST_F(ImageEncoderTest, PngKeepsAlphaAndCarriesResolutionAndTexts)
{
    const auto png = ImageEncoder::encode(picture(), ImageEncoder::Format::Png, metadata(150));
    ASSERT_TRUE(png.status.ok());
    const QImage back = QImage::fromData(png.bytes, "PNG");
    ASSERT_EQ(back.size(), QSize(320, 200));
    EXPECT_EQ(qAlpha(back.pixel(5, 5)), 0);
    EXPECT_EQ(back.pixel(200, 150), qRgb(200, 30, 40));
    EXPECT_EQ(back.text(QStringLiteral("Software")), "Quiltfolio");
    EXPECT_EQ(back.text(QStringLiteral("Description")), kDescription);
    EXPECT_EQ(std::lround(back.dotsPerMeterX() * 0.0254), 150);
    EXPECT_TRUE(back.colorSpace() == QColorSpace(QColorSpace::SRgb));
}

TEST_F(ImageEncoderTest, TiffWritesEachCompressionWithTagsAndAlpha)
{
    if (!haveTool(QStringLiteral("tiffinfo")))
        GTEST_SKIP() << "tiffinfo is not installed";
    const struct {
        int code;
        const char* scheme;
    } cases[] = {{ImageEncoder::tiffNone, "None"}, {ImageEncoder::tiffLzw, "LZW"}, {ImageEncoder::tiffPackBits, "PackBits"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scheme);
        const auto tiff = ImageEncoder::encode(picture(), ImageEncoder::Format::Tiff, metadata(), 0.96, c.code);
        ASSERT_TRUE(tiff.status.ok()) << tiff.status.detail().toStdString();
        const QString path = write(QStringLiteral("c%1.tiff").arg(c.code), tiff.bytes);
        const QString info = QString::fromUtf8(runTool(QStringLiteral("tiffinfo"), {path}));
        EXPECT_TRUE(info.contains(QStringLiteral("Image Width: 320 Image Length: 200"))) << info.toStdString();
        EXPECT_TRUE(info.contains(QStringLiteral("Compression Scheme: %1").arg(c.scheme))) << info.toStdString();
        EXPECT_TRUE(info.contains(QStringLiteral("Resolution: 300, 300 pixels/inch")));
        EXPECT_TRUE(info.contains(QStringLiteral("Software: Quiltfolio")));
        EXPECT_TRUE(info.contains(QStringLiteral("ImageDescription: ") + kDescription));
        EXPECT_TRUE(info.contains(QStringLiteral("ICC Profile: <present>")));
        EXPECT_TRUE(info.contains(QStringLiteral("Extra Samples: 1<assoc-alpha>")));

        // The pixels come back as they went in, transparent corner included.
        const QImage back = QImage::fromData(tiff.bytes, "TIFF");
        if (!back.isNull()) { // Qt's TIFF reader is a plugin
            EXPECT_EQ(qAlpha(back.pixel(5, 5)), 0);
            EXPECT_EQ(back.pixel(200, 150), qRgb(200, 30, 40));
        }
    }
}

TEST_F(ImageEncoderTest, TiffStripsReadBackAsTheWholePicture)
{
    if (!haveTool(QStringLiteral("tiffinfo")))
        GTEST_SKIP() << "tiffinfo is not installed";
    // Tall enough for many strips compressed side by side, and noisy enough
    // that a strip in the wrong place or cut short shows.
    const QSize size(517, 1531);
    QImage opaque(size, QImage::Format_RGB32);
    QImage transparent(size, QImage::Format_ARGB32_Premultiplied);
    std::uint32_t seed = 12345;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int a = int(seed >> 24);
            opaque.setPixel(x, y, qRgb(int(seed >> 8) & 255, (x + y) & 255, (y / 7) & 255));
            transparent.setPixel(x, y, qPremultiply(qRgba(int(seed >> 8) & 255, x & 255, y & 255, a)));
        }
    const struct {
        const char* name;
        const QImage& image;
        int code;
    } cases[] = {{"opaque, LZW", opaque, ImageEncoder::tiffLzw},
                 {"transparent, LZW", transparent, ImageEncoder::tiffLzw},
                 {"opaque, PackBits", opaque, ImageEncoder::tiffPackBits},
                 {"transparent, none", transparent, ImageEncoder::tiffNone}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto tiff = ImageEncoder::encode(c.image, ImageEncoder::Format::Tiff, metadata(), 0.96, c.code);
        ASSERT_TRUE(tiff.status.ok()) << tiff.status.detail().toStdString();
        const QString path = write(QStringLiteral("strips%1.tiff").arg(c.code), tiff.bytes);
        const QString info = QString::fromUtf8(runTool(QStringLiteral("tiffinfo"), {path}));
        const qsizetype at = info.indexOf(QStringLiteral("Rows/Strip: "));
        ASSERT_GE(at, 0) << info.toStdString();
        const int rowsPerStrip = info.mid(at + 12).section(u'\n', 0, 0).toInt();
        EXPECT_GT(rowsPerStrip, 1);
        EXPECT_LT(rowsPerStrip, size.height() / 4);

        const QImage back = QImage::fromData(tiff.bytes, "TIFF");
        if (back.isNull())
            continue; // Qt's TIFF reader is a plugin
        ASSERT_EQ(back.size(), size);
        const QImage expected = c.image.convertToFormat(back.format());
        int wrongRows = 0;
        for (int y = 0; y < size.height(); ++y)
            if (std::memcmp(back.constScanLine(y), expected.constScanLine(y), size_t(size.width()) * 4) != 0)
                ++wrongRows;
        EXPECT_EQ(wrongRows, 0);
    }
}

TEST_F(ImageEncoderTest, FailuresComeWithAReasonAndNoBytes)
{
    const auto unknownCompression = ImageEncoder::encodeTiff(picture(), 7, metadata());
    EXPECT_TRUE(unknownCompression.bytes.isEmpty());
    EXPECT_FALSE(unknownCompression.status.ok());
    EXPECT_FALSE(unknownCompression.status.message().isEmpty());
    for (auto format : {ImageEncoder::Format::Jpeg, ImageEncoder::Format::Png, ImageEncoder::Format::Tiff}) {
        const auto none = ImageEncoder::encode(QImage(), format, metadata());
        EXPECT_TRUE(none.bytes.isEmpty());
        EXPECT_FALSE(none.status.ok());
    }
}

TEST_F(ImageEncoderTest, PngAndTiffAreRgbaOnlyForPicturesWithAlpha)
{
    const QImage transparent = picture();
    QImage opaque(320, 200, QImage::Format_RGB32);
    opaque.fill(QColor(200, 30, 40));
    const struct {
        const char* name;
        ImageEncoder::Format format;
        const QImage& image;
        bool alpha;
    } cases[] = {{"opaque PNG", ImageEncoder::Format::Png, opaque, false},
                 {"transparent PNG", ImageEncoder::Format::Png, transparent, true},
                 {"opaque TIFF", ImageEncoder::Format::Tiff, opaque, false},
                 {"transparent TIFF", ImageEncoder::Format::Tiff, transparent, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto encoded = ImageEncoder::encode(c.image, c.format, metadata());
        ASSERT_TRUE(encoded.status.ok()) << encoded.status.detail().toStdString();
        const QImage back = QImage::fromData(encoded.bytes);
        if (!back.isNull()) { // Qt's TIFF reader is a plugin
            EXPECT_EQ(back.hasAlphaChannel(), c.alpha);
            EXPECT_EQ(back.pixel(200, 150), qRgb(200, 30, 40));
        }
        if (c.format == ImageEncoder::Format::Tiff && haveTool(QStringLiteral("tiffinfo"))) {
            const QString info = QString::fromUtf8(runTool(QStringLiteral("tiffinfo"), {write("t.tiff", encoded.bytes)}));
            EXPECT_TRUE(info.contains(QStringLiteral("Samples/Pixel: %1").arg(c.alpha ? 4 : 3))) << info.toStdString();
            EXPECT_EQ(info.contains(QStringLiteral("Extra Samples")), c.alpha);
        }
    }
}

TEST_F(ImageEncoderTest, PngStripsJoinIntoOneStreamWithTheSamePixels)
{
    // Tall enough for several strips; noise so that each strip compresses
    // differently, and every alpha from clear to opaque.
    QImage image(700, 1800, QImage::Format_ARGB32_Premultiplied);
    quint32 seed = 7;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            line[x] = qPremultiply(qRgba(x % 256, y % 256, int(seed >> 24), int(seed >> 16) & 0xff));
        }
    }
    QImage opaque = image.convertToFormat(QImage::Format_RGB32);
    for (const QImage* source : {&image, &opaque}) {
        const bool alpha = source->hasAlphaChannel();
        SCOPED_TRACE(alpha ? "RGBA" : "RGB");
        PngWriter::Options options;
        options.alpha = alpha;
        options.texts = {{"Description", QStringLiteral("Коллаж")}}; // not Latin-1: iTXt
        int reports = 0;
        int last = 0;
        options.progress = [&](int done, int total) {
            ++reports;
            last = std::max(last, done);
            EXPECT_GT(total, 3);
        };
        QString error;
        options.threads = 4;
        const std::optional<QByteArray> several = PngWriter::write(*source, options, &error);
        ASSERT_TRUE(several) << error.toStdString();
        EXPECT_EQ(last, reports);
        options.threads = 1;
        options.progress = {};
        EXPECT_EQ(PngWriter::write(*source, options, &error), several);

        const QImage back = QImage::fromData(*several, "PNG");
        ASSERT_FALSE(back.isNull());
        EXPECT_EQ(back.text(QStringLiteral("Description")), QStringLiteral("Коллаж"));
        // PNG alpha is straight: premultiplied again, the pixels are the ones written.
        EXPECT_TRUE(back.convertToFormat(source->format()) == *source);
    }
}
