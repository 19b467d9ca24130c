#include "ExifTool.h"

#include "platform/images/ImageEncoder.h"

#include <gtest/gtest.h>

#include <cmath>

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

    // No alpha in JPEG: the transparent corner is white, not black.
    const QImage back = QImage::fromData(jpeg.bytes);
    EXPECT_GT(qGray(back.pixel(5, 5)), 245);
    EXPECT_GT(qRed(back.pixel(200, 150)), 180);
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
