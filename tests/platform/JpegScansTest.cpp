#include "platform/images/JpegScans.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

using namespace qf;

namespace {

struct Encoding {
    const char* name;
    QSize size;
    int components;       // 1 grey, 3 YCbCr
    int hSampling;        // of the luma, the chroma at 1
    int vSampling;
    int restartRows;      // restart markers every so many MCU rows; 0 none
    bool progressive;
};

// A busy picture (grain over shading) encoded by libjpeg as asked.
QByteArray encode(const Encoding& e)
{
    const int w = e.size.width();
    const int h = e.size.height();
    std::vector<JSAMPLE> pixels(size_t(w) * size_t(h) * size_t(e.components));
    quint32 seed = 7;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < e.components; ++c) {
                seed = seed * 1664525u + 1013904223u;
                const int value = (x * 255 / w + y * (c + 1)) % 256 + int(seed >> 26) - 32;
                pixels[(size_t(y) * size_t(w) + size_t(x)) * size_t(e.components) + size_t(c)] =
                    JSAMPLE(std::clamp(value, 0, 255));
            }
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = e.components;
    cinfo.in_color_space = e.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    cinfo.comp_info[0].h_samp_factor = e.hSampling;
    cinfo.comp_info[0].v_samp_factor = e.vSampling;
    cinfo.restart_in_rows = e.restartRows;
    if (e.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = pixels.data() + size_t(cinfo.next_scanline) * size_t(w) * size_t(e.components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

// As the picture containers decode: Qt's reader, at a size that makes
// libjpeg decode at 1/8 (a side rounded up would make it decode at 2/8).
QImage decodeAtEighth(const QByteArray& bytes, QSize full)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setScaledSize(QSize(std::max(1, full.width() / 8), std::max(1, full.height() / 8)));
    return reader.read();
}

} // namespace

TEST(JpegScans, DcScansAloneDecodeAtAnEighthAsTheWholeFile)
{
    // 1600 x 1400 at 4:4:4 has over 32767 blocks a component: more than one
    // run of empty blocks in each stand-in scan.
    const Encoding rows[] = {
        {"4:4:4", {1600, 1400}, 3, 1, 1, 0, true},
        {"4:2:2", {517, 389}, 3, 2, 1, 0, true},
        {"grey", {409, 301}, 1, 1, 1, 0, true},
        {"restarts", {640, 480}, 3, 1, 1, 1, true},
        {"tiny", {17, 9}, 3, 2, 1, 0, true},
    };
    for (const Encoding& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArray file = encode(row);
        const QByteArray dc = jpegDcScansOnly(file);
        ASSERT_FALSE(dc.isEmpty());
        EXPECT_LT(dc.size(), file.size());
        const QImage whole = decodeAtEighth(file, row.size);
        ASSERT_FALSE(whole.isNull());
        EXPECT_EQ(decodeAtEighth(dc, row.size), whole);
        const QByteArray sequential = jpegDcAsSequential(file);
        ASSERT_FALSE(sequential.isEmpty());
        EXPECT_EQ(decodeAtEighth(sequential, row.size), whole);
    }
}

TEST(JpegScans, OnlyWholeProgressiveFilesGiveDcScans)
{
    const QByteArray progressive = encode({"p", {320, 240}, 3, 1, 1, 0, true});
    const QByteArray sequential = encode({"s", {320, 240}, 3, 1, 1, 0, false});
    // At 4:2:0 libjpeg decodes the chroma at 2/8 and upsamples it less,
    // which reads AC coefficients too.
    const QByteArray halfChroma = encode({"4:2:0", {320, 240}, 3, 2, 2, 0, true});
    const qsizetype firstScan = progressive.indexOf("\xFF\xDA");
    const qsizetype secondScan = progressive.indexOf("\xFF\xDA", firstScan + 2);
    ASSERT_GT(secondScan, firstScan);
    const struct {
        const char* name;
        QByteArray bytes;
    } rows[] = {
        {"sequential", sequential},
        {"4:2:0", halfChroma},
        {"empty", QByteArray()},
        {"no end of image", progressive.chopped(2)},
        {"cut in its first scan", progressive.left(firstScan + 40)},
        {"cut in its second scan", progressive.left(secondScan + 40)},
        {"cut before any scan", progressive.left(firstScan)},
        {"no start of image", progressive.mid(2)},
        {"a segment longer than the file", progressive.left(20) + QByteArray("\xFF\xE1\xFF\xFF", 4)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(jpegDcScansOnly(row.bytes).isEmpty());
        EXPECT_TRUE(jpegDcAsSequential(row.bytes).isEmpty());
    }
    // The headers alone: a file cut after its frame still says yes.
    EXPECT_TRUE(jpegEighthIsDcAlone(progressive));
    EXPECT_TRUE(jpegEighthIsDcAlone(progressive.left(firstScan + 40)));
    EXPECT_FALSE(jpegEighthIsDcAlone(sequential));
    EXPECT_FALSE(jpegEighthIsDcAlone(halfChroma));
}

TEST(JpegScans, DamagedProgressiveFilesNeverCrashTheDecode)
{
    const QByteArray file = encode({"p", {200, 150}, 3, 2, 1, 1, true});
    // Every cut, and bytes changed all over, through both rewrites and then
    // the decoder: any result, no crash.
    for (qsizetype cut = 0; cut < file.size(); cut += 37) {
        const QByteArray cutShort = file.left(cut) + QByteArray("\xFF\xD9", 2);
        (void)decodeAtEighth(jpegDcScansOnly(cutShort), {200, 150});
        (void)decodeAtEighth(jpegDcAsSequential(cutShort), {200, 150});
    }
    quint32 seed = 3;
    for (int round = 0; round < 200; ++round) {
        QByteArray damaged = file;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1664525u + 1013904223u;
            damaged[qsizetype(seed % quint32(damaged.size()))] = char(seed >> 24);
        }
        for (const QByteArray& dc : {jpegDcScansOnly(damaged), jpegDcAsSequential(damaged)})
            if (!dc.isEmpty())
                (void)decodeAtEighth(dc, {200, 150});
    }
}
