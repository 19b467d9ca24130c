#include "platform/images/JpegWriter.h"

#include "platform/core/Parallel.h"
#include "platform/images/JpegErrors.h"

#include <QThread>
#include <QtEndian>

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jerror.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace qf {

namespace {

// An MCU row is 16 pixel rows at 4:2:0, and the restart markers count
// RST0..RST7 round: a band starting at a multiple of 8 MCU rows numbers its
// markers as the whole picture does there.
constexpr int kMcuRowHeight = 16;
constexpr int kBandUnit = 8 * kMcuRowHeight;
// Bands a thread gets on average: a few, so that threads finishing early
// take more while a slow band is still being encoded.
constexpr int kBandsPerThread = 3;

// The rows libjpeg reads, straight from the picture's memory.
struct Source {
    const uchar* bits = nullptr;
    qsizetype bytesPerLine = 0;
    int width = 0;
    int height = 0;
    J_COLOR_SPACE space = JCS_UNKNOWN;
    int components = 0;
};

// How libjpeg reads a picture of this format without a copy; JCS_UNKNOWN
// when it cannot.
std::pair<J_COLOR_SPACE, int> pixelLayout(QImage::Format format)
{
    switch (format) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        // 0xAARRGGBB words: B, G, R, A in memory on little-endian machines.
        return {Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB, 4};
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        return {JCS_EXT_RGBX, 4};
    case QImage::Format_RGB888:
        return {JCS_EXT_RGB, 3};
    case QImage::Format_BGR888:
        return {JCS_EXT_BGR, 3};
    default:
        return {JCS_UNKNOWN, 0};
    }
}

// Rows [first, first + rows) encoded as a JPEG of their own.
struct Band {
    int first = 0;
    int rows = 0;
    QByteArray bytes;
    QString error;
};

// Compressed bytes go into the band's byte array, which grows as needed;
// its size is the room handed to libjpeg until the end, then what was written.
struct Destination {
    jpeg_destination_mgr pub;
    QByteArray* bytes;
};

void initDestination(j_compress_ptr cinfo)
{
    auto* destination = reinterpret_cast<Destination*>(cinfo->dest);
    destination->pub.next_output_byte = reinterpret_cast<JOCTET*>(destination->bytes->data());
    destination->pub.free_in_buffer = size_t(destination->bytes->size());
}

boolean emptyOutputBuffer(j_compress_ptr cinfo)
{
    auto* destination = reinterpret_cast<Destination*>(cinfo->dest);
    QByteArray& bytes = *destination->bytes;
    const qsizetype full = bytes.size();
    bool grown = false;
    try {
        bytes.resize(full + full / 2 + 4096);
        grown = true;
    } catch (const std::bad_alloc&) {
    }
    // Outside the handler: nothing is left to unwind when libjpeg jumps.
    if (!grown)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
    destination->pub.next_output_byte = reinterpret_cast<JOCTET*>(bytes.data() + full);
    destination->pub.free_in_buffer = size_t(bytes.size() - full);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo)
{
    auto* destination = reinterpret_cast<Destination*>(cinfo->dest);
    destination->bytes->resize(destination->bytes->size() - qsizetype(destination->pub.free_in_buffer));
}

// Encodes one band with the settings every band shares; the first band
// also writes JFIF, EXIF and the profile, the others need only their scan.
// No object with a destructor lives in this frame across the jump.
bool encodeBand(const Source& source, const JpegWriter::Options& options, bool first, Band& band)
{
    jpeg_compress_struct cinfo{};
    JpegErrors errors{};
    Destination destination{};
    cinfo.err = errors.install();
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&cinfo);
        band.error = QString::fromLocal8Bit(errors.message);
        return false;
    }
    jpeg_create_compress(&cinfo);

    destination.pub.init_destination = initDestination;
    destination.pub.empty_output_buffer = emptyOutputBuffer;
    destination.pub.term_destination = termDestination;
    destination.bytes = &band.bytes;
    cinfo.dest = &destination.pub;

    cinfo.image_width = JDIMENSION(source.width);
    cinfo.image_height = JDIMENSION(band.rows);
    cinfo.input_components = source.components;
    cinfo.in_color_space = source.space;
    jpeg_set_defaults(&cinfo); // YCbCr 4:2:0, standard Huffman tables, JFIF
    jpeg_set_quality(&cinfo, std::clamp(options.quality, 0, 100), TRUE);
    cinfo.restart_in_rows = 1;
    cinfo.write_JFIF_header = first ? TRUE : FALSE;
    cinfo.density_unit = 1; // dots per inch
    cinfo.X_density = UINT16(std::clamp(options.dotsPerInch, 1, 65535));
    cinfo.Y_density = cinfo.X_density;

    jpeg_start_compress(&cinfo, TRUE);
    if (first && !options.exif.isEmpty())
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(options.exif.constData()),
                          unsigned(std::min<qsizetype>(options.exif.size(), 0xffffffu)));
    if (first && !options.iccProfile.isEmpty())
        jpeg_write_icc_profile(&cinfo, reinterpret_cast<const JOCTET*>(options.iccProfile.constData()),
                               unsigned(std::min<qsizetype>(options.iccProfile.size(), 0xffffffu)));

    constexpr int kBatch = kMcuRowHeight;
    JSAMPROW rows[kBatch];
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        const int count = std::min(kBatch, band.rows - y);
        for (int i = 0; i < count; ++i) // libjpeg only reads them
            rows[i] = const_cast<JSAMPROW>(source.bits + (band.first + y + i) * source.bytesPerLine);
        jpeg_write_scanlines(&cinfo, rows, JDIMENSION(count));
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// Where the scan data of a file libjpeg wrote begins (after the SOS
// segment), and where its frame header keeps the height; -1 when the
// markers are not as expected.
struct Layout {
    qsizetype scanData = -1;
    qsizetype heightField = -1;
};

Layout markersOf(const QByteArray& file)
{
    const auto* bytes = reinterpret_cast<const uchar*>(file.constData());
    const qsizetype size = file.size();
    Layout layout;
    if (size < 4 || bytes[0] != 0xff || bytes[1] != 0xd8)
        return {};
    for (qsizetype at = 2; at + 4 <= size;) {
        if (bytes[at] != 0xff)
            return {};
        const uchar marker = bytes[at + 1];
        const qsizetype length = qFromBigEndian<quint16>(bytes + at + 2);
        if (length < 2 || at + 2 + length > size)
            return {};
        if (marker == 0xc0) // SOF0: length, precision, then the height
            layout.heightField = at + 5;
        if (marker == 0xda) { // SOS
            layout.scanData = at + 2 + length;
            return layout.heightField < 0 ? Layout{} : layout;
        }
        at += 2 + length;
    }
    return {};
}

bool endsWithEoi(const QByteArray& file)
{
    return file.size() >= 2 && uchar(file.at(file.size() - 2)) == 0xff && uchar(file.back()) == JPEG_EOI;
}

// Bands of whole 128-row units, a few for each thread, the last one taking
// what is left over; a single band for a single thread.
std::vector<Band> bandsOf(int height, int threads)
{
    const int units = (height + kBandUnit - 1) / kBandUnit;
    const int wanted = threads <= 1 ? 1 : threads * kBandsPerThread;
    const int unitsPerBand = (units + wanted - 1) / wanted;
    const int rowsPerBand = unitsPerBand * kBandUnit;
    std::vector<Band> bands;
    for (int y = 0; y < height; y += rowsPerBand)
        bands.push_back({y, std::min(rowsPerBand, height - y), {}, {}});
    return bands;
}

// The first band's file up to its EOI, with the picture's height, then
// each further band's scan data after the restart marker the last MCU row
// before it ends with. The bands are in order and cover the picture.
std::optional<QByteArray> joinBands(std::vector<Band>& bands, int height, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const int count = int(bands.size());
    QByteArray out = std::move(bands.front().bytes);
    const Layout head = markersOf(out);
    if (head.scanData < 0 || !endsWithEoi(out))
        return fail(QStringLiteral("unexpected markers from libjpeg"));
    qToBigEndian<quint16>(quint16(height), out.data() + head.heightField);
    if (count == 1)
        return out;
    std::vector<qsizetype> starts(size_t(count), 0);
    qsizetype total = out.size();
    for (int i = 1; i < count; ++i) {
        const QByteArray& bytes = bands[size_t(i)].bytes;
        starts[size_t(i)] = markersOf(bytes).scanData;
        if (starts[size_t(i)] < 0 || !endsWithEoi(bytes))
            return fail(QStringLiteral("unexpected markers from libjpeg"));
        total += 2 + bytes.size() - 2 - starts[size_t(i)];
    }
    try {
        out.chop(2);
        out.reserve(total);
        for (int i = 1; i < count; ++i) {
            Band& band = bands[size_t(i)];
            const int mcuRowsBefore = band.first / kMcuRowHeight;
            const char restart[2] = {char(0xff), char(JPEG_RST0 + (mcuRowsBefore - 1) % 8)};
            out.append(restart, 2);
            out.append(band.bytes.constData() + starts[size_t(i)], band.bytes.size() - 2 - starts[size_t(i)]);
            band.bytes = QByteArray(); // the band's memory goes as soon as it is copied
        }
        const char eoi[2] = {char(0xff), char(JPEG_EOI)};
        out.append(eoi, 2);
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("out of memory"));
    }
    return out;
}

} // namespace

std::optional<QByteArray> JpegWriter::write(const QImage& image, const Options& options, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (image.isNull())
        return fail(QStringLiteral("no picture"));
    // The joined file's height must fit its frame header, and libjpeg
    // checks the bands' heights only.
    if (image.width() > JPEG_MAX_DIMENSION || image.height() > JPEG_MAX_DIMENSION)
        return fail(QStringLiteral("%1 × %2 is larger than JPEG allows").arg(image.width()).arg(image.height()));

    QImage converted;
    auto [space, components] = pixelLayout(image.format());
    if (space == JCS_UNKNOWN) {
        converted = image.convertToFormat(QImage::Format_RGB32);
        if (converted.isNull())
            return fail(QStringLiteral("out of memory"));
        std::tie(space, components) = pixelLayout(converted.format());
    }
    const QImage& picture = converted.isNull() ? image : converted;
    const Source source{picture.constBits(), picture.bytesPerLine(), picture.width(), picture.height(), space, components};

    const int ideal = options.threads > 0 ? options.threads : QThread::idealThreadCount();
    std::vector<Band> bands = bandsOf(source.height, ideal);
    const int count = int(bands.size());
    const int threads = std::clamp(ideal, 1, count);
    std::atomic<int> next = 0;
    std::atomic<int> done = 0;
    std::atomic<bool> failed = false;
    const auto work = [&] {
        for (int i; !failed && (i = next.fetch_add(1)) < count;) {
            Band& band = bands[size_t(i)];
            try {
                // A guess at the compressed size; the buffer grows when short.
                band.bytes.resize(qsizetype(source.width) * band.rows / 4 + 4096
                                  + (i == 0 ? options.exif.size() + options.iccProfile.size() : 0));
                if (!encodeBand(source, options, i == 0, band))
                    failed = true;
            } catch (const std::bad_alloc&) {
                band.error = QStringLiteral("out of memory");
                failed = true;
            }
            if (options.progress)
                options.progress(done.fetch_add(1) + 1, count);
        }
    };
    runOnThreads(threads, work);
    if (failed) {
        for (const Band& band : bands) {
            if (!band.error.isEmpty())
                return fail(band.error);
        }
        return fail(QStringLiteral("libjpeg failed"));
    }

    return joinBands(bands, source.height, error);
}

struct JpegWriter::Bands::Private {
    QSize size;
    Options options;
    std::mutex mutex;
    std::vector<Band> bands; // in the order they were added
};

JpegWriter::Bands::Bands(QSize size, Options options)
    : d(std::make_unique<Private>())
{
    d->size = size;
    d->options = std::move(options);
}

JpegWriter::Bands::~Bands() = default;

bool JpegWriter::Bands::add(int first, const QImage& rows, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QSize size = d->size;
    if (size.width() > JPEG_MAX_DIMENSION || size.height() > JPEG_MAX_DIMENSION)
        return fail(QStringLiteral("%1 × %2 is larger than JPEG allows").arg(size.width()).arg(size.height()));
    const int height = rows.height();
    if (rows.isNull() || rows.width() != size.width() || first < 0 || first % rowUnit != 0
        || first + height > size.height() || (height % rowUnit != 0 && first + height != size.height()))
        return fail(QStringLiteral("a band of %1 rows at row %2 does not fit").arg(height).arg(first));
    QImage converted;
    auto [space, components] = pixelLayout(rows.format());
    if (space == JCS_UNKNOWN) {
        converted = rows.convertToFormat(QImage::Format_RGB32);
        if (converted.isNull())
            return fail(QStringLiteral("out of memory"));
        std::tie(space, components) = pixelLayout(converted.format());
    }
    const QImage& picture = converted.isNull() ? rows : converted;
    const Source source{picture.constBits(), picture.bytesPerLine(), picture.width(), height, space, components};
    Band band{0, height, {}, {}};
    try {
        band.bytes.resize(qsizetype(source.width) * height / 4 + 4096
                          + (first == 0 ? d->options.exif.size() + d->options.iccProfile.size() : 0));
        if (!encodeBand(source, d->options, first == 0, band))
            return fail(band.error);
        band.bytes.squeeze();
        band.first = first;
        std::lock_guard lock(d->mutex);
        d->bands.push_back(std::move(band));
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("out of memory"));
    }
    return true;
}

std::optional<QByteArray> JpegWriter::Bands::finish(QString* error)
{
    std::vector<Band> bands;
    {
        std::lock_guard lock(d->mutex);
        bands = std::move(d->bands);
    }
    std::sort(bands.begin(), bands.end(), [](const Band& a, const Band& b) { return a.first < b.first; });
    int covered = 0;
    for (const Band& band : bands) {
        if (band.first != covered)
            break;
        covered += band.rows;
    }
    if (bands.empty() || covered != d->size.height()) {
        if (error)
            *error = QStringLiteral("rows %1 and on are missing or given twice").arg(covered);
        return std::nullopt;
    }
    return joinBands(bands, d->size.height(), error);
}

} // namespace qf
