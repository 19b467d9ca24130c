#include "platform/images/ImageEncoder.h"

#include "platform/images/JpegWriter.h"
#include "platform/images/PngWriter.h"

#include "platform/core/Parallel.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QSize>
#include <QPainter>
#include <QThread>

#include <tiffio.h>

// Exiv2 0.27's headers still use std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <mutex>
#include <optional>
#include <vector>

namespace qf {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("qf::ImageEncoder", text);
}

ImageEncoder::Result failed(const char* message, const QString& detail)
{
    return {QByteArray(), Status::failure(tr(message), detail)};
}

int dotsPerMeter(int dpi)
{
    return int(std::lround(std::clamp(dpi, 1, 100000) / 0.0254));
}

// The picture in the 32-bit format of its kind, converted when needed:
// premultiplied or straight ARGB as it comes, RGB32 for pictures without
// alpha. Null for a null picture or when memory runs out.
QImage inThirtyTwoBits(QImage image)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return image;
    default:
        return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                             : QImage::Format_RGB32);
    }
}

// ---- EXIF --------------------------------------------------------------------

// The APP1 payload of a JPEG: the tags in a little-endian TIFF structure
// after the "Exif" header.
std::optional<QByteArray> exifSegment(QSize size, const ImageMetadata& metadata, QString* error)
{
    try {
        Exiv2::ExifData exif;
        if (!metadata.software.isEmpty())
            exif["Exif.Image.Software"] = metadata.software.toStdString();
        if (!metadata.description.isEmpty())
            exif["Exif.Image.ImageDescription"] = metadata.description.toStdString();
        const Exiv2::Rational dpi(std::clamp(metadata.dotsPerInch, 1, 100000), 1);
        exif["Exif.Image.XResolution"] = dpi;
        exif["Exif.Image.YResolution"] = dpi;
        exif["Exif.Image.ResolutionUnit"] = uint16_t(2); // inch
        exif["Exif.Photo.ColorSpace"] = uint16_t(1);     // sRGB
        exif["Exif.Photo.PixelXDimension"] = uint32_t(size.width());
        exif["Exif.Photo.PixelYDimension"] = uint32_t(size.height());
        if (!metadata.userComment.isEmpty())
            exif["Exif.Photo.UserComment"] = "charset=Ascii " + metadata.userComment.toStdString();
        Exiv2::Blob tiff;
        Exiv2::ExifParser::encode(tiff, Exiv2::littleEndian, exif);
        QByteArray segment("Exif\0\0", 6);
        segment.append(reinterpret_cast<const char*>(tiff.data()), qsizetype(tiff.size()));
        return segment;
    } catch (const Exiv2::AnyError& e) {
        *error = QString::fromStdString(e.what());
    } catch (const std::exception& e) {
        *error = QString::fromLocal8Bit(e.what());
    }
    return std::nullopt;
}

// ---- TIFF in memory ----------------------------------------------------------------

// libtiff writes through these procedures into a growing byte buffer; it
// also reads back and seeks while it writes its directory.
struct MemoryFile {
    QByteArray bytes;
    qint64 position = 0;
};

tsize_t memoryRead(thandle_t handle, tdata_t data, tsize_t size)
{
    auto* file = static_cast<MemoryFile*>(handle);
    if (size < 0 || file->position >= file->bytes.size())
        return 0;
    const qint64 n = std::min<qint64>(size, file->bytes.size() - file->position);
    std::memcpy(data, file->bytes.constData() + file->position, size_t(n));
    file->position += n;
    return tsize_t(n);
}

tsize_t memoryWrite(thandle_t handle, tdata_t data, tsize_t size)
{
    auto* file = static_cast<MemoryFile*>(handle);
    if (size < 0 || file->position > std::numeric_limits<qsizetype>::max() - size)
        return -1;
    const qint64 end = file->position + size;
    if (end > file->bytes.size()) {
        if (end > file->bytes.capacity())
            file->bytes.reserve(std::max<qint64>(end, file->bytes.capacity() * 2));
        file->bytes.resize(end);
    }
    std::memcpy(file->bytes.data() + file->position, data, size_t(size));
    file->position = end;
    return size;
}

toff_t memorySeek(thandle_t handle, toff_t offset, int whence)
{
    auto* file = static_cast<MemoryFile*>(handle);
    qint64 base = 0;
    if (whence == SEEK_CUR)
        base = file->position;
    else if (whence == SEEK_END)
        base = file->bytes.size();
    const auto target = qint64(offset) + base;
    if (offset > toff_t(std::numeric_limits<qint32>::max()) * 64 || target < 0)
        return toff_t(-1);
    file->position = target;
    return toff_t(target);
}

int memoryClose(thandle_t)
{
    return 0;
}

toff_t memorySize(thandle_t handle)
{
    return toff_t(static_cast<MemoryFile*>(handle)->bytes.size());
}

int memoryMap(thandle_t, tdata_t*, toff_t*)
{
    return 0;
}

void memoryUnmap(thandle_t, tdata_t, toff_t) {}

// Rows of a TIFF strip: about this many bytes of pixels. Each strip is
// compressed on its own, so strips of this size go to several cores at
// once, and readers still take them a little at a time.
constexpr qsizetype kStripBytes = 256 << 10;

// How a TIFF's pixels are laid out and compressed.
struct TiffLayout {
    int width = 0;
    int samples = 3;
    bool alpha = false;
    bool premultiplied = false;
    int compression = ImageEncoder::tiffLzw;
};

bool setTiffLayout(TIFF* tif, const TiffLayout& layout, int height, int rowsPerStrip)
{
    const uint16_t extra[] = {uint16_t(layout.premultiplied ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA)};
    return TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(layout.width))
        && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height))
        && TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8)
        && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, layout.samples)
        && (!layout.alpha || TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra))
        && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB)
        && TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG)
        && TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT)
        && TIFFSetField(tif, TIFFTAG_COMPRESSION, layout.compression)
        && (layout.compression != ImageEncoder::tiffLzw || TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL))
        && TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(rowsPerStrip));
}

// The rows [first, first + rows) of the picture as a TIFF strip's
// compressed bytes: written as the only strip of a file in memory made for
// it, and taken out of that file. None when libtiff fails.
std::optional<QByteArray> compressedStrip(const QImage& source, const TiffLayout& layout, int first, int rows)
{
    std::vector<uint8_t> pixels(size_t(layout.width) * size_t(layout.samples) * size_t(rows));
    uint8_t* out = pixels.data();
    for (int y = first; y < first + rows; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < layout.width; ++x, out += layout.samples) {
            out[0] = uint8_t(qRed(line[x]));
            out[1] = uint8_t(qGreen(line[x]));
            out[2] = uint8_t(qBlue(line[x]));
            if (layout.alpha)
                out[3] = uint8_t(qAlpha(line[x]));
        }
    }
    MemoryFile file;
    TIFF* tif = TIFFClientOpen("strip.tiff", "w", &file, memoryRead, memoryWrite, memorySeek, memoryClose,
                               memorySize, memoryMap, memoryUnmap);
    if (!tif)
        return std::nullopt;
    std::optional<QByteArray> strip;
    uint64_t* offsets = nullptr;
    uint64_t* counts = nullptr;
    if (setTiffLayout(tif, layout, rows, rows)
        && TIFFWriteEncodedStrip(tif, 0, pixels.data(), tmsize_t(pixels.size())) >= 0
        && TIFFGetField(tif, TIFFTAG_STRIPOFFSETS, &offsets) && TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts)
        && offsets && counts && offsets[0] <= uint64_t(file.bytes.size())
        && counts[0] <= uint64_t(file.bytes.size()) - offsets[0])
        strip = file.bytes.mid(qsizetype(offsets[0]), qsizetype(counts[0]));
    TIFFClose(tif);
    return strip;
}

} // namespace

bool ImageEncoder::isOpaque(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return true;
    const QImage argb = (image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_ARGB32)
        ? image
        : image.convertToFormat(QImage::Format_ARGB32);
    // The sizes read once: QImage's getters are calls the compiler cannot
    // hoist, and one in the inner loop keeps it from being vectorised, which
    // made this scan of every band of a JPEG export several times slower.
    const int width = argb.width();
    const int height = argb.height();
    for (int y = 0; y < height; ++y) {
        // One test a row keeps the loop free of branches for the compiler.
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        QRgb all = ~QRgb(0);
        for (int x = 0; x < width; ++x)
            all &= line[x];
        if (qAlpha(all) != 255)
            return false;
    }
    return true;
}

ImageEncoder::Result ImageEncoder::encode(QImage image, Format format, const ImageMetadata& metadata,
                                          double jpegQuality, int tiffCompression, const Progress& progress)
{
    switch (format) {
    case Format::Jpeg:
        return encodeJpeg(std::move(image), jpegQuality, metadata, progress);
    case Format::Png:
        return encodePng(std::move(image), metadata, progress);
    case Format::Tiff:
        return encodeTiff(std::move(image), tiffCompression, metadata, progress);
    }
    return failed("The picture could not be saved in this format.", QStringLiteral("unknown format"));
}

namespace {

// JPEG has no alpha: transparent parts would turn black, so they go on
// white. Null when memory runs out.
QImage onWhite(QImage image)
{
    if (ImageEncoder::isOpaque(image))
        return image;
    QImage flat(image.size(), QImage::Format_RGB32);
    if (flat.isNull())
        return {};
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    return flat;
}

std::optional<JpegWriter::Options> jpegOptions(QSize size, double quality, const ImageMetadata& metadata,
                                               QString* error)
{
    if (!(quality >= 0.0 && quality <= 1.0))
        quality = 0.96;
    const std::optional<QByteArray> exif = exifSegment(size, metadata, error);
    if (!exif)
        return std::nullopt;
    JpegWriter::Options options;
    options.quality = int(std::lround(quality * 100));
    options.dotsPerInch = metadata.dotsPerInch;
    options.exif = *exif;
    options.iccProfile = QColorSpace(QColorSpace::SRgb).iccProfile();
    return options;
}

} // namespace

static_assert(ImageEncoder::JpegBands::rowUnit == JpegWriter::rowUnit);

struct ImageEncoder::JpegBands::Private {
    std::optional<JpegWriter::Bands> bands;
    QString error;
    std::mutex mutex; // guards error
};

ImageEncoder::JpegBands::JpegBands(QSize size, double quality, const ImageMetadata& metadata)
    : d(std::make_unique<Private>())
{
    std::optional<JpegWriter::Options> options = jpegOptions(size, quality, metadata, &d->error);
    if (options)
        d->bands.emplace(size, std::move(*options));
}

ImageEncoder::JpegBands::~JpegBands() = default;

bool ImageEncoder::JpegBands::add(int first, QImage rows)
{
    if (!d->bands)
        return false;
    QString error;
    QImage opaque = onWhite(std::move(rows));
    if (opaque.isNull())
        error = QStringLiteral("flattening");
    else if (d->bands->add(first, opaque, &error))
        return true;
    std::lock_guard lock(d->mutex);
    if (d->error.isEmpty())
        d->error = error;
    return false;
}

ImageEncoder::Result ImageEncoder::JpegBands::finish()
{
    if (d->bands && d->error.isEmpty()) {
        if (std::optional<QByteArray> bytes = d->bands->finish(&d->error))
            return {std::move(*bytes), Status::success()};
    }
    return failed("The picture could not be saved as JPEG.", d->error);
}

ImageEncoder::Result ImageEncoder::encodeJpeg(QImage image, double quality, const ImageMetadata& metadata,
                                              const Progress& progress)
{
    if (image.isNull())
        return failed("There is no picture to save.", QStringLiteral("null image"));
    const QSize size = image.size();
    QImage opaque = onWhite(std::move(image));
    if (opaque.isNull())
        return failed("There is not enough memory to save the picture.", QStringLiteral("flattening"));
    QString error;
    std::optional<JpegWriter::Options> made = jpegOptions(size, quality, metadata, &error);
    if (!made)
        return failed("The picture could not be saved as JPEG.", error);
    JpegWriter::Options options = std::move(*made);
    if (progress)
        options.progress = [&progress](int done, int total) { progress(double(done) / total); };
    std::optional<QByteArray> bytes = JpegWriter::write(opaque, options, &error);
    if (!bytes)
        return failed("The picture could not be saved as JPEG.", error);
    return {std::move(*bytes), Status::success()};
}

ImageEncoder::Result ImageEncoder::encodePng(QImage image, const ImageMetadata& metadata, const Progress& progress)
{
    QImage source = inThirtyTwoBits(std::move(image));
    if (source.isNull())
        return failed("There is no picture to save.", QStringLiteral("null image or no memory"));
    PngWriter::Options options;
    options.alpha = source.hasAlphaChannel();
    options.dotsPerMeter = dotsPerMeter(metadata.dotsPerInch);
    options.iccProfile = QColorSpace(QColorSpace::SRgb).iccProfile();
    options.texts = {{"Software", metadata.software}, {"Description", metadata.description}};
    if (progress)
        options.progress = [&progress](int done, int total) { progress(double(done) / total); };
    QString error;
    std::optional<QByteArray> bytes = PngWriter::write(source, options, &error);
    if (!bytes)
        return failed("The picture could not be saved as PNG.", error);
    return {std::move(*bytes), Status::success()};
}

ImageEncoder::Result ImageEncoder::encodeTiff(QImage image, int compression, const ImageMetadata& metadata,
                                              const Progress& progress)
{
    if (compression != tiffNone && compression != tiffLzw && compression != tiffPackBits)
        return failed("The picture could not be saved as TIFF.", QStringLiteral("compression %1").arg(compression));
    // Premultiplied pixels are written as they are, as associated alpha.
    const QImage source = inThirtyTwoBits(std::move(image));
    if (source.isNull())
        return failed("There is no picture to save.", QStringLiteral("null image or no memory"));
    const bool alpha = source.hasAlphaChannel();
    const bool premultiplied = source.format() == QImage::Format_ARGB32_Premultiplied;
    const int samples = alpha ? 4 : 3;

    MemoryFile file;
    TIFF* tif = TIFFClientOpen("picture.tiff", "w", &file, memoryRead, memoryWrite, memorySeek, memoryClose,
                               memorySize, memoryMap, memoryUnmap);
    if (!tif)
        return failed("The picture could not be saved as TIFF.", QStringLiteral("TIFFClientOpen"));

    const int width = source.width();
    const int height = source.height();
    const TiffLayout layout{width, samples, alpha, premultiplied, compression};
    const qsizetype rowBytes = qsizetype(width) * samples;
    const int rowsPerStrip = int(std::clamp<qsizetype>(kStripBytes / rowBytes, 1, height));
    const QByteArray software = metadata.software.toUtf8();
    const QByteArray description = metadata.description.toUtf8();
    const QByteArray icc = QColorSpace(QColorSpace::SRgb).iccProfile();
    const float dpi = float(std::clamp(metadata.dotsPerInch, 1, 100000));
    bool ok = setTiffLayout(tif, layout, height, rowsPerStrip)
        && TIFFSetField(tif, TIFFTAG_XRESOLUTION, dpi)
        && TIFFSetField(tif, TIFFTAG_YRESOLUTION, dpi)
        && TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH)
        && TIFFSetField(tif, TIFFTAG_ICCPROFILE, uint32_t(icc.size()), icc.constData());
    if (ok && !software.isEmpty())
        ok = TIFFSetField(tif, TIFFTAG_SOFTWARE, software.constData());
    if (ok && !description.isEmpty())
        ok = TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, description.constData());

    if (ok) {
        // The strips are compressed side by side, then written in order.
        const int strips = (height + rowsPerStrip - 1) / rowsPerStrip;
        std::vector<std::optional<QByteArray>> compressed(static_cast<size_t>(strips));
        std::atomic<int> next = 0;
        std::atomic<int> done = 0;
        std::atomic<bool> stripFailed = false;
        runOnThreads(std::clamp(QThread::idealThreadCount(), 1, std::min(64, strips)), [&] {
            for (int strip; !stripFailed && (strip = next.fetch_add(1)) < strips;) {
                const int first = strip * rowsPerStrip;
                try {
                    compressed[size_t(strip)] =
                        compressedStrip(source, layout, first, std::min(rowsPerStrip, height - first));
                } catch (const std::bad_alloc&) {
                }
                if (!compressed[size_t(strip)])
                    stripFailed = true;
                if (progress)
                    progress(double(done.fetch_add(1) + 1) / strips);
            }
        });
        ok = !stripFailed;
        if (ok) {
            // The final size is at most a little over the raw pixels for the
            // three compressions; reserving it avoids copies as the file grows.
            qsizetype total = 65536;
            for (const std::optional<QByteArray>& strip : compressed)
                total += strip->size();
            file.bytes.reserve(total);
        }
        for (int strip = 0; ok && strip < strips; ++strip) {
            QByteArray& bytes = *compressed[size_t(strip)];
            ok = TIFFWriteRawStrip(tif, uint32_t(strip), bytes.data(), tmsize_t(bytes.size())) == tmsize_t(bytes.size());
            bytes = QByteArray();
        }
    }
    if (ok)
        ok = TIFFWriteDirectory(tif) == 1;
    TIFFClose(tif);
    if (!ok || file.bytes.isEmpty())
        return failed("The picture could not be saved as TIFF.", QStringLiteral("libtiff write failed"));
    return {std::move(file.bytes), Status::success()};
}

} // namespace qf

#pragma GCC diagnostic pop
