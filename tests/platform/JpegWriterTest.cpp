#include "platform/images/JpegWriter.h"

#include <gtest/gtest.h>

#include <QColorSpace>
#include <QImage>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <jpeglib.h>

using namespace qf;

namespace {

// Something like a photograph: smooth shading with grain, so that scans
// have both runs of zeros and busy blocks (and 0xFF bytes to stuff).
QImage photo(QSize size, quint32 seed = 1)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 27) - 16;
            line[x] = qRgb(std::clamp(x * 255 / std::max(1, size.width() - 1) + grain, 0, 255),
                           std::clamp(y * 3 % 256 + grain, 0, 255), std::clamp(128 + 2 * grain, 0, 255));
        }
    }
    return image;
}

JpegWriter::Options options(int quality, int threads)
{
    JpegWriter::Options o;
    o.quality = quality;
    o.dotsPerInch = 300;
    o.exif = QByteArray("Exif\0\0II*\0\x08\0\0\0\0\0\0\0\0\0", 20); // an empty IFD
    o.iccProfile = QColorSpace(QColorSpace::SRgb).iccProfile();
    o.threads = threads;
    return o;
}

// The whole picture in a single libjpeg pass with the writer's settings.
QByteArray singlePass(const QImage& rgb32, const JpegWriter::Options& o)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(rgb32.width());
    cinfo.image_height = JDIMENSION(rgb32.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, o.quality, TRUE);
    cinfo.restart_in_rows = 1;
    cinfo.density_unit = 1;
    cinfo.X_density = cinfo.Y_density = UINT16(o.dotsPerInch);
    jpeg_start_compress(&cinfo, TRUE);
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(o.exif.constData()),
                      unsigned(o.exif.size()));
    jpeg_write_icc_profile(&cinfo, reinterpret_cast<const JOCTET*>(o.iccProfile.constData()),
                           unsigned(o.iccProfile.size()));
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb32.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray file(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return file;
}

} // namespace

TEST(JpegWriter, BandsJoinIntoTheFileOfASinglePass)
{
    const struct {
        QSize size;
        int threads;
        int quality;
    } rows[] = {
        {{40, 30}, 4, 96},    // less than a band, less than two MCU rows
        {{333, 200}, 1, 75},  // one thread: one band
        {{333, 200}, 3, 75},  // 128 + 72 rows, width and height not of whole MCUs
        {{64, 129}, 2, 96},   // a last band of a single row
        {{200, 1024}, 3, 10}, // whole bands only
        {{517, 1100}, 8, 100},
        {{1, 300}, 5, 96},
        {{1000, 2000}, 2, 90}, // bands of several units
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.size.width() << "x" << row.size.height() << ", " << row.threads
                                        << " threads, quality " << row.quality);
        const QImage image = photo(row.size);
        JpegWriter::Options o = options(row.quality, row.threads);
        std::atomic<int> reports = 0;
        std::atomic<int> bands = 0;
        o.progress = [&](int done, int total) {
            ++reports;
            if (done == total)
                bands = total;
        };
        QString error;
        const std::optional<QByteArray> joined = JpegWriter::write(image, o, &error);
        ASSERT_TRUE(joined) << error.toStdString();
        EXPECT_TRUE(*joined == singlePass(image, o));
        EXPECT_EQ(reports, bands);
        if (row.threads > 1 && row.size.height() > 128) {
            EXPECT_GT(bands, 1);
        }

        // Another decoder reads the whole file.
        EXPECT_EQ(QImage::fromData(*joined, "JPEG").size(), row.size);
    }
}

TEST(JpegWriter, BandsAddedInAnyOrderGiveTheSameFile)
{
    // Bands as a render hands them over: of several heights, out of order,
    // from several threads; and bands that do not fit are refused.
    const QImage image = photo({300, 700}, 5);
    const JpegWriter::Options o = options(90, 1);
    const QByteArray expected = singlePass(image, o);
    const std::vector<std::vector<int>> splits = {{0}, {384, 0, 128}, {512, 256, 0}, {0, 128, 256, 384, 512, 640}};
    for (const std::vector<int>& starts : splits) {
        SCOPED_TRACE(starts.size());
        std::vector<int> sorted = starts;
        std::sort(sorted.begin(), sorted.end());
        JpegWriter::Bands bands(image.size(), o);
        std::vector<std::jthread> threads;
        std::atomic<bool> added = true;
        for (int first : starts) {
            auto end = std::upper_bound(sorted.begin(), sorted.end(), first);
            const int last = end == sorted.end() ? image.height() : *end;
            threads.emplace_back([&, first, last] {
                if (!bands.add(first, image.copy(0, first, image.width(), last - first), nullptr))
                    added = false;
            });
        }
        threads.clear();
        ASSERT_TRUE(added);
        QString error;
        const std::optional<QByteArray> file = bands.finish(&error);
        ASSERT_TRUE(file) << error.toStdString();
        EXPECT_TRUE(*file == expected);
    }

    JpegWriter::Bands bands(image.size(), o);
    QString error;
    EXPECT_FALSE(bands.add(64, image.copy(0, 64, 300, 128), &error)) << "not at a whole unit";
    EXPECT_FALSE(bands.add(0, image.copy(0, 0, 300, 100), &error)) << "short, yet not the last";
    EXPECT_FALSE(bands.add(0, image.copy(0, 0, 200, 128), &error)) << "narrower than the picture";
    ASSERT_TRUE(bands.add(0, image.copy(0, 0, 300, 128), &error));
    EXPECT_FALSE(bands.finish(&error)) << "rows missing";
    EXPECT_FALSE(error.isEmpty());
}

TEST(JpegWriter, EveryPixelFormatGivesTheSameFile)
{
    const QImage rgb32 = photo({150, 300}, 9);
    QString error;
    const std::optional<QByteArray> expected = JpegWriter::write(rgb32, options(85, 3), &error);
    ASSERT_TRUE(expected) << error.toStdString();
    for (QImage::Format format :
         {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGBX8888,
          QImage::Format_RGBA8888, QImage::Format_RGB888, QImage::Format_BGR888, QImage::Format_RGBA64}) {
        SCOPED_TRACE(format);
        const std::optional<QByteArray> file = JpegWriter::write(rgb32.convertToFormat(format), options(85, 3), &error);
        ASSERT_TRUE(file) << error.toStdString();
        EXPECT_TRUE(*file == *expected);
    }
}

TEST(JpegWriter, RefusalsComeWithAReason)
{
    JpegWriter::Options longExif = options(90, 4);
    longExif.exif = QByteArray(70000, 'x');
    const struct {
        const char* name;
        QImage image;
        JpegWriter::Options options;
    } rows[] = {
        {"null", QImage(), options(90, 4)},
        {"too wide", QImage(65501, 16, QImage::Format_RGB32), options(90, 4)},
        // Each band alone would be fine, the joined height not.
        {"too tall", QImage(16, 65501, QImage::Format_RGB32), options(90, 4)},
        {"EXIF longer than a marker", photo({300, 300}), longExif},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QString error;
        EXPECT_FALSE(JpegWriter::write(row.image, row.options, &error));
        EXPECT_FALSE(error.isEmpty());
    }
}
