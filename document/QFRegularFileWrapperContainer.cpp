#include "document/QFRegularFileWrapperContainer.h"

#include "document/DecodeQueue.h"
#include "model/UtilityFunctions.h"
#include "platform/core/PictureMemory.h"
#include "platform/images/JpegReader.h"
#include "platform/images/JpegScans.h"

#include <QBuffer>
#include <QColor>
#include <QColorSpace>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <queue>
#include <thread>
#include <unordered_set>
#include <vector>

namespace qf {

namespace {

using Container = QFRegularFileWrapperContainer;

// Memory that decodes running side by side may hold at once, by their
// estimates. One decode larger than the whole budget runs alone. A large
// progressive JPEG holds 50 to 100 MB of coefficients: one or two of them
// beside the baseline ones keep the cores busy, as they go first (see
// decodeWithinBudget); more only add to the peak, which comes on top of
// every file read and proxy made. Freed decoder memory stays in the
// allocator's one pool while the batch runs, for the next picture instead
// of fresh pages from the system, and goes back when the batch ends.
constexpr qint64 kParallelDecodeBudget = qint64(128) << 20;
// The decodes' share shrinks as the proxies they leave behind add up, so
// that the two together stay within this: the heavy decodes, which go
// first, still run side by side, and those at the end, beside nearly every
// proxy, no longer add their greatest memory to it. A batch whose proxies
// alone come near it keeps its whole share until its last proxies, and
// then never less than the least share, beside them.
constexpr qint64 kBatchBudget = qint64(160) << 20;
constexpr qint64 kLeastDecodeBudget = qint64(64) << 20;
// A decode holding more than this (a progressive picture's coefficients)
// is one of the few the budget lets run at once.
constexpr qint64 kHeavyDecode = kParallelDecodeBudget / 16;

// Runs job(0) .. job(count - 1) on up to idealThreadCount threads, this one
// included, and returns when all have run.
template <typename Job>
void runInParallel(qsizetype count, const Job& job)
{
    if (count <= 0)
        return;
    const qsizetype workers = std::min<qsizetype>(count, std::max(1, QThread::idealThreadCount()));
    std::atomic<qsizetype> next = 0;
    const auto loop = [&] {
        for (qsizetype i; (i = next.fetch_add(1)) < count;) {
            try {
                job(i);
            } catch (const std::bad_alloc&) {
                // That item stays without a result; the others go on.
            }
        }
    };
    // The main thread only waits: a hostile picture must not hold up the
    // window's thread itself, which would do nothing else meanwhile.
    const QCoreApplication* app = QCoreApplication::instance();
    const bool mainThread = app && QThread::currentThread() == app->thread();
    std::vector<std::jthread> threads;
    try {
        threads.reserve(size_t(workers));
        for (qsizetype t = mainThread ? 0 : 1; t < workers; ++t)
            threads.emplace_back(loop);
    } catch (const std::exception&) {
        // No more threads to be had (a process or memory limit): the ones
        // started share the work, and this one when none could be.
    }
    if (!mainThread || threads.empty())
        loop();
}

// Whether the JPEG's markers lead from start-of-image to end-of-image, with
// at most maxJpegScans scans on the way, and no more than maxJpegScanPixels
// pixels decoded over all its scans. libjpeg pads a cut-off scan with grey
// and reports no error, so without this a truncated file would give a picture
// with a grey lower part; and it decodes every scan of a progressive picture
// over the whole picture, at any scale, however many there are.
bool jpegIsAcceptable(const QByteArray& bytes, qint64 pixels)
{
    const qint64 maxScans = std::min<qint64>(Container::maxJpegScans, Container::maxJpegScanPixels / std::max<qint64>(1, pixels));
    qint64 scans = 0;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return false;
    qsizetype i = 2;
    for (;;) {
        // Entropy-coded data and stray bytes are skipped up to the next
        // 0xFF; fill bytes (more 0xFF) come before the marker code.
        const void* ff = std::memchr(p + i, 0xFF, size_t(n - i));
        if (!ff)
            return false;
        i = static_cast<const uchar*>(ff) - p;
        while (i < n && p[i] == 0xFF)
            ++i;
        if (i >= n)
            return false;
        const uchar marker = p[i++];
        if (marker == 0xD9)
            return true;
        if (marker == 0xDA && ++scans > std::max<qint64>(1, maxScans))
            return false;
        // Stuffed zero, TEM and restart markers carry no length.
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (n - i < 2)
            return false;
        const qsizetype length = (qsizetype(p[i]) << 8) | p[i + 1];
        if (length < 2 || length > n - i)
            return false;
        i += length;
    }
}

// The scale libjpeg decodes at when asked for at least `wanted`: the
// smallest M/8 (M in 1..8) that reaches it.
int jpegEighthsFor(QSize stored, QSize wanted)
{
    const double f = std::min(double(stored.width()) / wanted.width(),
                              double(stored.height()) / wanted.height());
    return std::clamp(int(std::ceil(8 / f)), 1, 8);
}

// A reader over picture bytes that refuses, before decoding, what the
// container does not accept.
class PictureReader {
public:
    explicit PictureReader(const QByteArray& bytes)
    {
        if (bytes.isEmpty())
            return;
        m_buffer.setData(bytes);
        m_buffer.open(QIODevice::ReadOnly);
        m_reader.setDevice(&m_buffer);
        m_reader.setAutoTransform(true);
        if (!m_reader.canRead())
            return;
        m_storedSize = m_reader.size();
        const qint64 w = m_storedSize.width();
        const qint64 h = m_storedSize.height();
        if (w <= 0 || h <= 0 || w > Container::maxPictureSide || h > Container::maxPictureSide
            || w * h > Container::maxPicturePixels)
            return;
        const QByteArray format = m_reader.format();
        m_isJpeg = format == "jpeg" || format == "jpg";
        if (m_isJpeg && !jpegIsAcceptable(bytes, w * h))
            return;
        // Orientations 5 to 8 store the picture on its side.
        m_sideways = m_reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        m_accepted = true;
    }

    bool accepted() const { return m_accepted; }
    bool isJpeg() const { return m_isJpeg; }
    bool sideways() const { return m_sideways; }
    QSize storedSize() const { return m_storedSize; }
    QSize uprightSize() const { return m_sideways ? m_storedSize.transposed() : m_storedSize; }

    // Decodes at the size given in upright axes. The reader scales before
    // it turns the picture upright, so sideways pictures ask for the
    // transposed size. At libjpeg's 1/8 scale only a progressive JPEG's DC
    // scans are read where they alone make that picture.
    void setScaledSize(QSize upright)
    {
        const QSize asked = m_sideways ? upright.transposed() : upright;
        if (m_accepted && m_isJpeg && !asked.isEmpty() && jpegEighthsFor(m_storedSize, asked) == 1)
            readDcScansOnly();
        m_reader.setScaledSize(asked);
    }

    QImage read()
    {
        QImage image;
        if (!m_accepted || !m_reader.read(&image))
            return {};
        return image;
    }

private:
    void readDcScansOnly()
    {
        // As a sequential file where it can be: libjpeg then holds a row of
        // blocks where it would hold every coefficient of the picture.
        QByteArray dc = jpegDcAsSequential(m_buffer.data());
        if (dc.isEmpty())
            dc = jpegDcScansOnly(m_buffer.data());
        if (dc.isEmpty())
            return;
        m_reader.setDevice(nullptr);
        m_buffer.close();
        m_buffer.setData(std::move(dc));
        m_buffer.open(QIODevice::ReadOnly);
        m_reader.setDevice(&m_buffer);
    }

    QBuffer m_buffer;
    QImageReader m_reader;
    QSize m_storedSize;
    bool m_isJpeg = false;
    bool m_sideways = false;
    bool m_accepted = false;
};

// Pictures with an embedded profile are drawn and exported as sRGB.
void convertToSrgb(QImage& image)
{
    const QColorSpace space = image.colorSpace();
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb))
        image.convertToColorSpace(QColorSpace::SRgb);
}

QSize drawingSizeFor(QSize upright)
{
    // Never larger than the picture: a tiny or extreme picture must not cost
    // tens of megabytes.
    const qint64 w = upright.width();
    const qint64 h = upright.height();
    qint64 dw = std::min<qint64>(w, Container::drawingWidth);
    qint64 dh = std::max<qint64>(1, (h * dw + w / 2) / w);
    if (dh > Container::maxDrawingSide) {
        dh = Container::maxDrawingSide;
        dw = std::max<qint64>(1, (w * dh + h / 2) / h);
    }
    return QSize(int(dw), int(dh));
}

// Whether a picture of that many bytes could be made now: a decode that
// fails for want of memory is no damaged picture.
bool memoryFor(QSize size)
{
    try {
        return !QImage(size, QImage::Format_RGB32).isNull();
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Size libjpeg decodes to when asked for at least `wanted`, rounded up as
// libjpeg does.
QSize jpegDecodeSize(QSize stored, QSize wanted)
{
    const int m = jpegEighthsFor(stored, wanted);
    return QSize(int((qint64(stored.width()) * m + 7) / 8), int((qint64(stored.height()) * m + 7) / 8));
}

qint64 imageBytes(QSize size) { return qint64(size.width()) * size.height() * 4; }

QSize halved(QSize size) { return QSize(std::max(1, size.width() / 2), std::max(1, size.height() / 2)); }

// The largest of libjpeg's 1/2, 1/4 and 1/8 steps that leaves a picture of
// this upright size at least `width` wide and a pixel high.
int jpegStepFor(QSize upright, double width)
{
    int step = 1;
    while (step < 8 && upright.width() / (step * 2) >= width && upright.height() / (step * 2) >= 1)
        step *= 2;
    return step;
}

// What libjpeg holds while it decodes, beyond the picture it gives: a
// progressive JPEG keeps every DCT coefficient of the whole picture (two
// bytes each, a 64-coefficient block per 8 x 8 pixels of each component at
// its sampling) until its last scan. Read from the headers before the first
// scan; 0 for baseline JPEGs and anything else.
qint64 jpegCoefficientBytes(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return 0;
    for (qsizetype i = 2; i + 4 <= n;) {
        if (p[i] != 0xFF)
            return 0;
        const uchar marker = p[i + 1];
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        const qsizetype length = (qsizetype(p[i + 2]) << 8) | p[i + 3];
        if (length < 2 || i + 2 + length > n)
            return 0;
        if (marker == 0xDA || marker == 0xD9)
            return 0; // a scan before any progressive frame
        if (marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE) {
            // Precision, height, width, components, then three bytes a component.
            if (length < 8)
                return 0;
            const qint64 height = (qint64(p[i + 5]) << 8) | p[i + 6];
            const qint64 width = (qint64(p[i + 7]) << 8) | p[i + 8];
            const int components = p[i + 9];
            if (length < 8 + 3 * components)
                return 0;
            int maxH = 1, maxV = 1;
            for (int c = 0; c < components; ++c) {
                maxH = std::max(maxH, p[i + 11 + 3 * c] >> 4);
                maxV = std::max(maxV, p[i + 11 + 3 * c] & 15);
            }
            qint64 total = 0;
            for (int c = 0; c < components; ++c) {
                const int h = std::max(1, p[i + 11 + 3 * c] >> 4);
                const int v = std::max(1, p[i + 11 + 3 * c] & 15);
                const qint64 blocksAcross = (width * h / maxH + 7) / 8 + 1;
                const qint64 blocksDown = (height * v / maxV + 7) / 8 + 1;
                total += blocksAcross * blocksDown * 64 * 2;
            }
            return total;
        }
        i += 2 + length;
    }
    return 0;
}

// What a picture's headers tell before it is decoded.
struct PictureHeaders {
    QSize upright; // empty for bytes that are no picture we accept
    QSize stored;
    bool sideways = false;
    bool isJpeg = false;
    qint64 coefficientBytes = 0;
    bool eighthIsDcAlone = false; // a progressive JPEG read as its DC scans at 1/8
    bool direct = false; // a colour JPEG that libjpeg decodes for us without the image reader
    int orientation = 0; // its EXIF orientation, for a direct decode
};

// The memory a decode for a proxy of `target` (its full size when empty)
// holds at its height: the decoder's coefficients, the picture it gives
// and the proxy; and the proxy it leaves.
DecodeCost proxyDecodeCost(const PictureHeaders& h, QSize target)
{
    if (h.upright.isEmpty())
        return {};
    if (target.isEmpty())
        target = drawingSizeFor(h.upright);
    const QSize asked = h.sideways ? target.transposed() : target;
    const QSize decoded = h.isJpeg ? jpegDecodeSize(h.stored, asked) : h.stored;
    // Decoded from its DC coefficients alone, a progressive JPEG holds 2
    // bytes a block of them, not 128.
    const qint64 coefficients = h.eighthIsDcAlone && jpegEighthsFor(h.stored, asked) == 1 ? h.coefficientBytes / 64
                                                                                          : h.coefficientBytes;
    return {imageBytes(decoded) + coefficients + imageBytes(target), imageBytes(target)};
}

// Runs decode(i) for each picture on several cores, the memory of those
// decoding at once within the budgets. The heavy decodes first, the heaviest
// first: few of them fit in the budget at once, so that together they take
// longest, and left to the end they would run beside every proxy made, at
// the batch's greatest memory. Then the largest files first (they take
// longest, and one started last would keep the others waiting for it at the
// end), the smallest while the next large one waits for memory.
template <typename Decode>
void decodeWithinBudget(const std::vector<qsizetype>& fileBytes, const std::vector<DecodeCost>& costs,
                        const Decode& decode)
{
    std::vector<size_t> order(fileBytes.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const bool heavyA = costs[a].held > kHeavyDecode;
        if (heavyA != (costs[b].held > kHeavyDecode))
            return heavyA;
        return heavyA ? costs[a].held > costs[b].held : fileBytes[a] > fileBytes[b];
    });
    DecodeQueue queue(std::move(order), costs, {kParallelDecodeBudget, kBatchBudget, kLeastDecodeBudget});
    const PictureWork work;
    runInParallel(qsizetype(fileBytes.size()), [&](qsizetype) {
        const DecodeQueue::Taken taken(queue);
        if (taken.valid())
            decode(taken.item());
    });
}

// The orientation an EXIF block ("Exif\0\0" and a TIFF structure) gives,
// found as the image reader finds it: the first Orientation entry of the
// first IFDs, read forward only. 0 when there is none (or the block is no
// EXIF), -1 when the block is malformed or ends before the answer: the
// reader, which reads on into any further APP1 segments, is to be asked.
int exifOrientation(const uchar* data, qsizetype size)
{
    constexpr qsizetype kHeader = 6;
    if (size < kHeader || std::memcmp(data, "Exif\0\0", 6) != 0)
        return 0;
    const uchar* tiff = data + kHeader;
    const qsizetype n = size - kHeader;
    if (n < 8)
        return -1;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M'))
        return -1;
    const auto u16 = [&](qsizetype at) -> quint32 {
        return little ? quint32(tiff[at]) | quint32(tiff[at + 1]) << 8 : quint32(tiff[at]) << 8 | quint32(tiff[at + 1]);
    };
    const auto u32 = [&](qsizetype at) { return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2); };
    if (u16(2) != 42)
        return -1;
    qsizetype at = 8; // where the stream stands
    qint64 offset = u32(4);
    for (int ifd = 0; ifd < 10; ++ifd) {
        if (offset < at || offset + 2 > n)
            return -1;
        at = qsizetype(offset);
        const quint32 entries = u16(at);
        at += 2;
        for (quint32 e = 0; e < entries; ++e, at += 12) {
            if (at + 12 > n)
                return -1;
            if (u16(at) == 0x0112) {
                const quint32 value = u16(at + 8);
                return u16(at + 2) == 3 && u32(at + 4) == 1 && value >= 1 && value <= 8 ? int(value) : -1;
            }
        }
        if (at + 4 > n)
            return -1;
        offset = u32(at);
        at += 4;
        if (offset == 0)
            return 0;
    }
    return -1;
}

// A JPEG's stored size and its EXIF orientation (as exifOrientation gives
// it), from the markers before its first scan; none without a frame header
// there. The orientation comes from the first APP1 segment, where the
// image reader looks for it.
struct JpegHeader {
    QSize stored;
    int orientation = 0;
    uchar frameMarker = 0;
    int precision = 0;
    int components = 0;
    // Orientations 5 to 8 store the picture on its side.
    bool sideways() const { return orientation >= 5; }
};
std::optional<JpegHeader> jpegHeader(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return std::nullopt;
    JpegHeader header;
    bool seenApp1 = false;
    for (qsizetype i = 2; i + 4 <= n;) {
        if (p[i] != 0xFF)
            return std::nullopt;
        const uchar marker = p[i + 1];
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            break;
        const qsizetype length = (qsizetype(p[i + 2]) << 8) | p[i + 3];
        if (length < 2 || i + 2 + length > n)
            return std::nullopt;
        const uchar* segment = p + i + 4;
        if (marker == 0xE1 && !seenApp1) {
            seenApp1 = true;
            header.orientation = exifOrientation(segment, length - 2);
        }
        // Start-of-frame markers: C0 to CF but for DHT (C4), JPG (C8) and DAC (CC).
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && header.stored.isEmpty()) {
            if (length < 8)
                return std::nullopt;
            header.stored = QSize((int(segment[3]) << 8) | segment[4], (int(segment[1]) << 8) | segment[2]);
            header.frameMarker = marker;
            header.precision = segment[0];
            header.components = segment[5];
        }
        i += 2 + length;
    }
    if (header.stored.isEmpty())
        return std::nullopt;
    return header;
}

// What the image reader's headers would say of a JPEG, from its markers
// alone: the reader copies every APP1 segment (megabytes of XMP in some
// photographs) on its way to the frame header. None where the reader is to
// be asked: an orientation it alone can tell, and frames other than 8-bit
// grey or colour, baseline, extended or progressive, which it may refuse.
std::optional<PictureHeaders> jpegMarkerHeaders(const QByteArray& bytes)
{
    const std::optional<JpegHeader> jpeg = jpegHeader(bytes);
    if (!jpeg || jpeg->orientation < 0 || jpeg->frameMarker > 0xC2 || jpeg->precision != 8
        || (jpeg->components != 1 && jpeg->components != 3))
        return std::nullopt;
    const qint64 w = jpeg->stored.width();
    const qint64 h = jpeg->stored.height();
    if (w <= 0 || h <= 0 || w > Container::maxPictureSide || h > Container::maxPictureSide
        || w * h > Container::maxPicturePixels || !jpegIsAcceptable(bytes, w * h))
        return PictureHeaders{};
    PictureHeaders headers;
    headers.stored = jpeg->stored;
    headers.sideways = jpeg->sideways();
    headers.upright = headers.sideways ? jpeg->stored.transposed() : jpeg->stored;
    headers.isJpeg = true;
    headers.coefficientBytes = jpegCoefficientBytes(bytes);
    headers.eighthIsDcAlone = jpegEighthIsDcAlone(bytes);
    headers.direct = jpeg->components == 3;
    headers.orientation = jpeg->orientation;
    return headers;
}

PictureHeaders readHeaders(const QByteArray& bytes)
{
    try {
        if (std::optional<PictureHeaders> jpeg = jpegMarkerHeaders(bytes))
            return *jpeg;
        const PictureReader reader(bytes);
        if (!reader.accepted())
            return {};
        return {reader.uprightSize(), reader.storedSize(), reader.sideways(), reader.isJpeg(),
                reader.isJpeg() ? jpegCoefficientBytes(bytes) : 0, reader.isJpeg() && jpegEighthIsDcAlone(bytes)};
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// The stored picture turned upright by its EXIF orientation (2 to 8), as
// the image reader turns it: mirrored first, then turned a quarter.
QImage turnedUpright(const QImage& stored, int orientation)
{
    const bool mirror = orientation == 2 || orientation == 3 || orientation == 7;
    const bool flip = orientation == 3 || orientation == 4 || orientation == 5;
    QImage image = mirror || flip ? stored.mirrored(mirror, flip) : stored;
    if (orientation >= 5)
        image = image.transformed(QTransform().rotate(orientation == 8 ? 270 : 90));
    return image;
}

// The picture at libjpeg's step for `target`, scaled smoothly to it and
// turned upright, as the image reader gives a colour JPEG, to the bit: the
// reader scales the stored picture before it turns it. None when libjpeg
// gives nothing: the reader then decodes and says why.
std::optional<QImage> decodeJpegDirectly(const QByteArray& bytes, const PictureHeaders& headers, QSize target)
{
    const QSize asked = headers.sideways ? target.transposed() : target;
    QByteArray dcAlone;
    if (headers.eighthIsDcAlone && jpegEighthsFor(headers.stored, asked) == 1) {
        dcAlone = jpegDcAsSequential(bytes);
        if (dcAlone.isEmpty())
            dcAlone = jpegDcScansOnly(bytes);
    }
    std::optional<QImage> image = JpegReader::decodeAtStepFor(dcAlone.isEmpty() ? bytes : dcAlone, asked);
    if (image && image->size() != asked)
        *image = image->scaled(asked, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (image && headers.orientation > 1)
        *image = turnedUpright(*image, headers.orientation);
    return image;
}

// A drawing proxy decoded, or why there is none: the bytes are no picture
// we accept (no image, not out of memory), or memory ran out on the way.
struct DecodedProxy {
    QImage image;
    bool outOfMemory = false;
    QSize upright; // the picture's upright size, when its headers were read
};

// The drawing proxy of the bytes at `size` (its full size when empty). A
// JPEG is decoded by libjpeg at the smallest 1/8 step still at least the
// proxy's size, which then scales it smoothly to the exact size; other
// formats decode whole.
DecodedProxy decodeDrawingImage(const QByteArray& bytes, const PictureHeaders& headers, QSize size = {})
{
    DecodedProxy out;
    try {
        if (headers.upright.isEmpty())
            return out;
        out.upright = headers.upright;
        const QSize target = size.isEmpty() ? drawingSizeFor(out.upright) : size;
        QImage image;
        if (headers.direct) {
            if (std::optional<QImage> direct = decodeJpegDirectly(bytes, headers, target))
                image = std::move(*direct);
        }
        if (image.isNull()) {
            PictureReader reader(bytes);
            if (!reader.accepted())
                return out;
            QSize decoded = reader.storedSize();
            if (reader.isJpeg()) {
                reader.setScaledSize(target);
                decoded = jpegDecodeSize(reader.storedSize(), target);
            }
            image = reader.read();
            if (image.isNull()) {
                out.outOfMemory = !memoryFor(decoded);
                return out;
            }
        }
        if (image.size() != target)
            image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        convertToSrgb(image);
        // The two formats QPainter draws from fastest.
        const QImage::Format format =
            image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
        if (image.format() != format)
            image.convertTo(format);
        // Scaling and converting give a null image when they cannot allocate.
        if (image.isNull() || image.format() != format) {
            out.outOfMemory = true;
            return out;
        }
        out.image = std::move(image);
    } catch (const std::bad_alloc&) {
        out.image = QImage();
        out.outOfMemory = true;
    }
    return out;
}

// What stands in for a proxy that memory did not allow: a few grey pixels
// in the picture's proportions, so that layouts and the picture list treat
// the picture as any other until it can be shown.
QImage standInProxy(QSize upright)
{
    if (upright.isEmpty())
        upright = QSize(4, 3);
    const QSize size = upright.scaled(16, 16, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    QImage image(size, QImage::Format_RGB32);
    if (!image.isNull())
        image.fill(QColor(128, 128, 128));
    return image;
}

// The bytes of the regular file at the path; none for anything else
// (missing, a directory, a device or pipe, unreadable, over the size cap).
std::optional<QByteArray> readRegularFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = file.size();
    if (size < 0 || size > Container::maxFileBytes)
        return std::nullopt;
    QByteArray bytes(size, Qt::Uninitialized);
    qint64 got = 0;
    while (got < size) {
        const qint64 n = file.read(bytes.data() + got, size - got);
        if (n <= 0)
            return std::nullopt;
        got += n;
    }
    return bytes;
}

// The full proxy size of the bytes, from their headers alone; empty for
// bytes that are no picture we accept.
QSize fullDrawingSize(const PictureHeaders& headers)
{
    return headers.upright.isEmpty() ? QSize() : drawingSizeFor(headers.upright);
}

// The sizes the proxies get when `plan` is given: what it answers for their
// full sizes, each kept if the answer is not a size of that many proxies.
std::vector<QSize> plannedSizes(const std::vector<QSize>& full, const Container::DrawingSizePlan& plan)
{
    if (!plan)
        return full;
    std::vector<QSize> sizes = plan(full);
    return sizes.size() == full.size() ? sizes : full;
}

} // namespace

QFRegularFileWrapperContainer::QFRegularFileWrapperContainer(QByteArray contents, QString preferredFilename)
    : m_contents(std::move(contents)), m_preferredFilename(std::move(preferredFilename))
{
}

void QFRegularFileWrapperContainer::setRegularFileContents(QByteArray contents)
{
    m_contents = std::move(contents);
    m_md5.reset();
    m_drawingImage = QImage();
    m_drawingIsStandIn = false;
}

std::optional<QString> QFRegularFileWrapperContainer::md5() const
{
    if (m_contents.isEmpty())
        return std::nullopt;
    if (!m_md5)
        m_md5 = UtilityFunctions::md5Identity(m_contents);
    return m_md5;
}

QImage QFRegularFileWrapperContainer::getCompleteSizeImage() const
{
    return getImageAtLeastWide(0);
}

QImage QFRegularFileWrapperContainer::getImageAtLeastWide(double width) const
{
    return getRegionAtLeastWide(width, nullptr);
}

QSize QFRegularFileWrapperContainer::partSizeAtLeastWide(double width) const
{
    const std::optional<JpegHeader> jpeg = jpegHeader(m_contents);
    if (!jpeg || (jpeg->orientation != 0 && jpeg->orientation != 1))
        return {};
    const qint64 w = jpeg->stored.width();
    const qint64 h = jpeg->stored.height();
    if (w > maxPictureSide || h > maxPictureSide || w * h > maxPicturePixels)
        return {};
    const int step = width > 0 ? jpegStepFor(jpeg->stored, width) : 1;
    return QSize(int(w) / step, int(h) / step);
}

QImage QFRegularFileWrapperContainer::getRegionAtLeastWide(double width, QRect* region) const
{
    // Upright JPEGs straight from libjpeg, the same picture to the bit as
    // the image reader's below, which serves all others and every refusal.
    if (const std::optional<JpegHeader> jpeg = jpegHeader(m_contents); jpeg && (jpeg->orientation == 0 || jpeg->orientation == 1)) {
        const qint64 w = jpeg->stored.width();
        const qint64 h = jpeg->stored.height();
        if (w <= maxPictureSide && h <= maxPictureSide && w * h <= maxPicturePixels && jpegIsAcceptable(m_contents, w * h)) {
            const int step = width > 0 ? jpegStepFor(jpeg->stored, width) : 1;
            const QSize scaled = step > 1 ? QSize(int(w) / step, int(h) / step) : QSize();
            // Two pixels more each way: the edge pixels of a part may come
            // out of libjpeg's smoothing of its colours unlike the whole
            // picture's, those inside them the same.
            const QRect whole(0, 0, int(w) / step, int(h) / step);
            QRect decoded = region ? region->adjusted(-2, -2, 2, 2) & whole : whole;
            if (std::optional<QImage> image = JpegReader::decode(m_contents, scaled, &decoded)) {
                convertToSrgb(*image);
                if (region)
                    *region = decoded;
                return std::move(*image);
            }
        }
    }
    PictureReader reader(m_contents);
    if (reader.accepted() && reader.isJpeg() && width > 0) {
        // The reader picks libjpeg's step from the size asked for: the
        // largest power of two that still fits the stored size into it. The
        // floor of each side keeps that step exact, so at most a pixel is
        // left to the reader's own scaling.
        const QSize upright = reader.uprightSize();
        const int step = jpegStepFor(upright, width);
        if (step > 1)
            reader.setScaledSize(QSize(upright.width() / step, upright.height() / step));
    }
    QImage image = reader.read();
    if (!image.isNull())
        convertToSrgb(image);
    if (region)
        *region = QRect(QPoint(), image.size());
    return image;
}

qint64 QFRegularFileWrapperContainer::decodeBytesAtLeastWide(double width) const
{
    // JPEGs from their markers alone: a reader would parse every APP1
    // segment (megabytes of XMP in some photographs) and scan the whole
    // file, for each picture of an export before any of them decodes.
    if (const std::optional<JpegHeader> jpeg = jpegHeader(m_contents)) {
        const qint64 w = jpeg->stored.width();
        const qint64 h = jpeg->stored.height();
        if (w > maxPictureSide || h > maxPictureSide || w * h > maxPicturePixels)
            return 0;
        QSize decoded = jpeg->sideways() ? jpeg->stored.transposed() : jpeg->stored;
        if (width > 0) {
            const int step = jpegStepFor(decoded, width);
            decoded = QSize(decoded.width() / step, decoded.height() / step);
        }
        return imageBytes(decoded) + jpegCoefficientBytes(m_contents);
    }
    PictureReader reader(m_contents);
    if (!reader.accepted())
        return 0;
    QSize decoded = reader.uprightSize();
    if (reader.isJpeg() && width > 0) {
        const int step = jpegStepFor(decoded, width);
        decoded = QSize(decoded.width() / step, decoded.height() / step);
    }
    return imageBytes(decoded) + (reader.isJpeg() ? jpegCoefficientBytes(m_contents) : 0);
}

bool QFRegularFileWrapperContainer::shrinkDrawingImage(QSize size)
{
    if (m_drawingImage.isNull() || size.isEmpty() || size.width() > m_drawingImage.width()
        || size.height() > m_drawingImage.height() || size == m_drawingImage.size())
        return false;
    const QImage smaller = m_drawingImage.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (smaller.isNull())
        return false;
    m_drawingImage = smaller;
    return true;
}

bool QFRegularFileWrapperContainer::hasPictureHeaders() const
{
    return !readHeaders(m_contents).upright.isEmpty();
}

QImage QFRegularFileWrapperContainer::getDrawingSizeImage()
{
    if (m_drawingImage.isNull()) {
        DecodedProxy decoded = decodeDrawingImage(m_contents, readHeaders(m_contents));
        setDecodedProxy(std::move(decoded.image), decoded.outOfMemory, decoded.upright);
    }
    return m_drawingImage;
}

void QFRegularFileWrapperContainer::setDecodedProxy(QImage image, bool outOfMemory, QSize upright)
{
    m_drawingIsStandIn = outOfMemory;
    m_drawingImage = outOfMemory ? standInProxy(upright) : std::move(image);
}

std::shared_ptr<QFRegularFileWrapperContainer>
QFRegularFileWrapperContainer::getNewRegularFileWrapperContainerForImage(const QString& path)
{
    return getNewRegularFileWrapperContainersForImages({path}).first();
}

QList<std::shared_ptr<QFRegularFileWrapperContainer>>
QFRegularFileWrapperContainer::getNewRegularFileWrapperContainersForImages(const QStringList& paths,
                                                                          const BatchControl& control)
{
    // First the files and their headers: the proxies' sizes are planned
    // from them before any picture is decoded.
    std::vector<QByteArray> bytes(size_t(paths.size()));
    std::vector<PictureHeaders> headers(size_t(paths.size()));
    std::vector<QSize> full(size_t(paths.size()));
    const auto cancelled = [&control] { return control.cancelled && control.cancelled(); };
    runInParallel(paths.size(), [&](qsizetype i) {
        if (cancelled())
            return;
        std::optional<QByteArray> read = readRegularFile(paths[i]);
        if (!read || read->isEmpty())
            return;
        headers[size_t(i)] = readHeaders(*read);
        full[size_t(i)] = fullDrawingSize(headers[size_t(i)]);
        if (!full[size_t(i)].isEmpty())
            bytes[size_t(i)] = std::move(*read);
    });
    const std::vector<QSize> sizes = plannedSizes(full, control.planDrawingSizes);
    std::vector<qsizetype> fileBytes(bytes.size());
    std::vector<DecodeCost> costs(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        fileBytes[i] = bytes[i].size();
        costs[i] = proxyDecodeCost(headers[i], sizes[i]);
    }

    std::vector<std::shared_ptr<QFRegularFileWrapperContainer>> out(size_t(paths.size()));
    std::atomic<qsizetype> done = 0;
    decodeWithinBudget(fileBytes, costs, [&](size_t i) {
        struct Count {
            std::atomic<qsizetype>& done;
            const BatchControl& control;
            ~Count()
            {
                const qsizetype n = done.fetch_add(1) + 1;
                if (control.progress)
                    control.progress(n);
            }
        } count{done, control};
        QByteArray& picture = bytes[i];
        if (cancelled() || picture.isEmpty())
            return;
        // Decoded now to prove the file is a picture: kept as the proxy. A
        // file memory did not allow to prove is left out as any other.
        QImage proxy = decodeDrawingImage(picture, headers[i], sizes[i]).image;
        if (proxy.isNull())
            return;
        auto container = std::make_shared<QFRegularFileWrapperContainer>(std::move(picture),
                                                                         QFileInfo(paths[qsizetype(i)]).fileName());
        container->m_drawingImage = std::move(proxy);
        // The identity is wanted next, and is made here while the cores are busy.
        (void)container->md5();
        if (control.made)
            control.made(qsizetype(i), *container);
        out[i] = std::move(container);
    });
    return QList<std::shared_ptr<QFRegularFileWrapperContainer>>(out.begin(), out.end());
}

void QFRegularFileWrapperContainer::makeIdentities(const QList<QFRegularFileWrapperContainer*>& containers)
{
    std::vector<QFRegularFileWrapperContainer*> todo;
    for (QFRegularFileWrapperContainer* c : containers) {
        if (c && !c->m_md5 && std::find(todo.begin(), todo.end(), c) == todo.end())
            todo.push_back(c);
    }
    runInParallel(qsizetype(todo.size()), [&](qsizetype i) { (void)todo[size_t(i)]->md5(); });
}

void QFRegularFileWrapperContainer::makeDrawingSizeImages(const QList<QFRegularFileWrapperContainer*>& containers,
                                                          const DrawingSizePlan& plan)
{
    // Each container once, so no two threads write the same one.
    std::vector<QFRegularFileWrapperContainer*> todo;
    std::unordered_set<QFRegularFileWrapperContainer*> seen;
    for (QFRegularFileWrapperContainer* c : containers) {
        if (c && c->m_drawingImage.isNull() && seen.insert(c).second)
            todo.push_back(c);
    }
    std::vector<PictureHeaders> headers(todo.size());
    std::vector<QSize> full(todo.size());
    runInParallel(qsizetype(todo.size()), [&](qsizetype i) {
        headers[size_t(i)] = readHeaders(todo[size_t(i)]->m_contents);
        full[size_t(i)] = fullDrawingSize(headers[size_t(i)]);
    });
    const std::vector<QSize> sizes = plannedSizes(full, plan);
    std::vector<qsizetype> fileBytes(todo.size());
    std::vector<DecodeCost> costs(todo.size());
    for (size_t i = 0; i < todo.size(); ++i) {
        fileBytes[i] = todo[i]->m_contents.size();
        costs[i] = proxyDecodeCost(headers[i], sizes[i]);
    }
    decodeWithinBudget(fileBytes, costs, [&](size_t i) {
        QFRegularFileWrapperContainer& c = *todo[i];
        DecodedProxy decoded = decodeDrawingImage(c.m_contents, headers[i], sizes[i]);
        c.setDecodedProxy(std::move(decoded.image), decoded.outOfMemory, decoded.upright);
    });
}

std::vector<QSize> QFRegularFileWrapperContainer::sizesWithinBudget(std::vector<QSize> sizes, qint64 budget)
{
    // Largest first: many small pictures keep their proxies, a few huge ones
    // give up detail the screen rarely shows.
    const auto bytes = [&sizes](size_t i) { return imageBytes(sizes[i]); };
    std::priority_queue<std::pair<qint64, size_t>> largest;
    qint64 total = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i].isEmpty())
            continue;
        total += bytes(i);
        largest.emplace(bytes(i), i);
    }
    while (total > budget && !largest.empty()) {
        const size_t i = largest.top().second;
        largest.pop();
        const QSize size = sizes[i];
        if (size.width() <= 1 && size.height() <= 1)
            continue;
        sizes[i] = halved(size);
        total -= imageBytes(size) - bytes(i);
        largest.emplace(bytes(i), i);
    }
    return sizes;
}

} // namespace qf
