#include "platform/images/PngWriter.h"

#include "platform/core/Parallel.h"

#include <QThread>

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace qf {

namespace {

using Filter = PngWriter::Filter;

constexpr qsizetype kWindow = 32768;         // deflate's history, all a dictionary can hold
constexpr qsizetype kStripBytes = 1 << 20;   // filtered bytes a strip aims at
constexpr qsizetype kMaxChunk = 0x7fffffff; // a PNG chunk length is 31 bits

bool supported(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
        || format == QImage::Format_ARGB32_Premultiplied;
}

int paeth(int a, int b, int c)
{
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : (pb <= pc ? b : c);
}

// Rows of the image as filtered PNG rows (type byte first), in order from
// any row on, keeping the unfiltered row above for the filters that look up.
class RowFilter {
public:
    RowFilter(const QImage& image, const PngWriter::Options& options)
        : m_image(image)
        , m_alpha(options.alpha)
        , m_filter(options.filter)
        , m_bpp(options.alpha ? 4 : 3)
        , m_rowBytes(qsizetype(image.width()) * m_bpp)
        , m_raw(size_t(m_rowBytes))
        , m_prior(size_t(m_rowBytes))
        , m_out(size_t(m_rowBytes) + 1)
    {
    }

    qsizetype filteredBytes() const { return m_rowBytes + 1; }

    // The next call to filtered() gives row y.
    void startAt(int y)
    {
        m_next = y;
        if (y > 0)
            pack(y - 1, m_prior.data());
        else
            std::fill(m_prior.begin(), m_prior.end(), uchar(0));
    }

    const uchar* filtered()
    {
        pack(m_next++, m_raw.data());
        filter(m_raw.data(), m_prior.data(), m_out.data());
        std::swap(m_raw, m_prior);
        return m_out.data();
    }

private:
    void pack(int y, uchar* out) const
    {
        const auto* in = reinterpret_cast<const QRgb*>(m_image.constScanLine(y));
        const int width = m_image.width();
        if (!m_alpha) {
            for (int x = 0; x < width; ++x, out += 3) {
                out[0] = uchar(qRed(in[x]));
                out[1] = uchar(qGreen(in[x]));
                out[2] = uchar(qBlue(in[x]));
            }
            return;
        }
        const bool premultiplied = m_image.format() == QImage::Format_ARGB32_Premultiplied;
        for (int x = 0; x < width; ++x, out += 4) {
            const QRgb p = premultiplied ? qUnpremultiply(in[x]) : in[x];
            out[0] = uchar(qRed(p));
            out[1] = uchar(qGreen(p));
            out[2] = uchar(qBlue(p));
            out[3] = uchar(qAlpha(p));
        }
    }

    void filter(const uchar* raw, const uchar* prior, uchar* out) const
    {
        const qsizetype n = m_rowBytes;
        const int bpp = m_bpp;
        uchar* o = out + 1;
        switch (m_filter) {
        case Filter::None:
            out[0] = 0;
            std::memcpy(o, raw, size_t(n));
            return;
        case Filter::Sub:
            out[0] = 1;
            for (qsizetype i = 0; i < n; ++i)
                o[i] = uchar(raw[i] - (i >= bpp ? raw[i - bpp] : 0));
            return;
        case Filter::Up:
            out[0] = 2;
            for (qsizetype i = 0; i < n; ++i)
                o[i] = uchar(raw[i] - prior[i]);
            return;
        case Filter::Average:
            out[0] = 3;
            for (qsizetype i = 0; i < bpp; ++i)
                o[i] = uchar(raw[i] - (prior[i] >> 1));
            for (qsizetype i = bpp; i < n; ++i)
                o[i] = uchar(raw[i] - ((raw[i - bpp] + prior[i]) >> 1));
            return;
        case Filter::Paeth:
            out[0] = 4;
            for (qsizetype i = 0; i < bpp; ++i)
                o[i] = uchar(raw[i] - prior[i]);
            for (qsizetype i = bpp; i < n; ++i)
                o[i] = uchar(raw[i] - paeth(raw[i - bpp], prior[i], prior[i - bpp]));
            return;
        }
    }

    const QImage& m_image;
    const bool m_alpha;
    const Filter m_filter;
    const int m_bpp;
    const qsizetype m_rowBytes;
    std::vector<uchar> m_raw;
    std::vector<uchar> m_prior;
    std::vector<uchar> m_out;
    int m_next = 0;
};

// Rows [first, end) deflated as a piece of the image's zlib stream: ending
// on a byte boundary with a sync flush, or with the final block for the last.
struct Strip {
    int first = 0;
    int end = 0;
    QByteArray deflated;
    uLong adler = 1; // of the filtered bytes
    qsizetype length = 0;
};

class Deflater {
public:
    explicit Deflater(int level) { m_ok = deflateInit2(&m_z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~Deflater()
    {
        if (m_ok)
            deflateEnd(&m_z);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    bool ok() const { return m_ok; }
    z_stream& z() { return m_z; }

private:
    z_stream m_z{};
    bool m_ok = false;
};

// The last filtered bytes before row y, up to deflate's window: what the
// strip from y on may refer back to, as the decoder has them already.
std::vector<uchar> dictionaryBefore(const QImage& image, const PngWriter::Options& options, int y)
{
    RowFilter rows(image, options);
    const qsizetype rowBytes = rows.filteredBytes();
    const int count = int(std::min<qsizetype>(y, (kWindow + rowBytes - 1) / rowBytes));
    std::vector<uchar> bytes;
    bytes.reserve(size_t(count * rowBytes));
    rows.startAt(y - count);
    for (int i = 0; i < count; ++i) {
        const uchar* row = rows.filtered();
        bytes.insert(bytes.end(), row, row + rowBytes);
    }
    if (qsizetype(bytes.size()) > kWindow)
        bytes.erase(bytes.begin(), bytes.end() - kWindow);
    return bytes;
}

bool deflateStrip(const QImage& image, const PngWriter::Options& options, bool last, Strip& strip)
{
    Deflater deflater(std::clamp(options.level, 1, 9));
    if (!deflater.ok())
        return false;
    z_stream& z = deflater.z();
    if (strip.first > 0) {
        const std::vector<uchar> dictionary = dictionaryBefore(image, options, strip.first);
        if (deflateSetDictionary(&z, dictionary.data(), uInt(dictionary.size())) != Z_OK)
            return false;
    }
    RowFilter rows(image, options);
    const qsizetype rowBytes = rows.filteredBytes();
    strip.length = rowBytes * (strip.end - strip.first);
    strip.deflated.resize(qsizetype(deflateBound(&z, uLong(strip.length))) + 64);
    qsizetype written = 0;
    const auto room = [&] {
        if (written == strip.deflated.size())
            strip.deflated.resize(strip.deflated.size() * 3 / 2 + 64);
        z.next_out = reinterpret_cast<Bytef*>(strip.deflated.data() + written);
        z.avail_out = uInt(std::min<qsizetype>(strip.deflated.size() - written, 1 << 30));
    };
    const auto run = [&](int flush) {
        room();
        const uInt before = z.avail_out;
        const int result = deflate(&z, flush);
        written += before - z.avail_out;
        return result;
    };

    rows.startAt(strip.first);
    for (int y = strip.first; y < strip.end; ++y) {
        const uchar* row = rows.filtered();
        strip.adler = adler32(strip.adler, row, uInt(rowBytes));
        z.next_in = const_cast<Bytef*>(row);
        z.avail_in = uInt(rowBytes);
        while (z.avail_in > 0) {
            if (run(Z_NO_FLUSH) != Z_OK)
                return false;
        }
    }
    if (last) {
        for (int result = Z_OK; result != Z_STREAM_END;) {
            result = run(Z_FINISH);
            if (result != Z_OK && result != Z_STREAM_END)
                return false;
        }
    } else {
        // Until deflate leaves room: then all it had is out, byte-aligned.
        do {
            const int result = run(Z_SYNC_FLUSH);
            if (result != Z_OK && result != Z_BUF_ERROR)
                return false;
        } while (z.avail_out == 0);
    }
    strip.deflated.resize(written);
    strip.deflated.squeeze();
    return true;
}

void putU32(QByteArray& out, quint32 v)
{
    const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(bytes, 4);
}

// A chunk whose data is the pieces one after the other.
void putChunk(QByteArray& out, const char type[4], std::initializer_list<QByteArrayView> pieces)
{
    qsizetype length = 0;
    for (QByteArrayView piece : pieces)
        length += piece.size();
    putU32(out, quint32(length));
    out.append(type, 4);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    for (QByteArrayView piece : pieces) {
        if (piece.isEmpty())
            continue; // zlib answers a null buffer with its initial value
        out.append(piece);
        crc = crc32_z(crc, reinterpret_cast<const Bytef*>(piece.data()), size_t(piece.size()));
    }
    putU32(out, quint32(crc));
}

QByteArray u32(quint32 v)
{
    QByteArray bytes;
    putU32(bytes, v);
    return bytes;
}

std::optional<QByteArray> zlibCompressed(const QByteArray& bytes)
{
    uLongf size = compressBound(uLong(bytes.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.constData()),
                  uLong(bytes.size()), Z_BEST_COMPRESSION)
        != Z_OK)
        return std::nullopt;
    out.resize(qsizetype(size));
    return out;
}

bool isLatin1(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() != 0 && c.unicode() < 256; });
}

// The strips of rows a thread deflates at a time: about a megabyte each.
std::vector<Strip> stripsOf(const QImage& image, qsizetype rowBytes)
{
    const int rowsPerStrip = int(std::clamp<qsizetype>(kStripBytes / rowBytes, 1, image.height()));
    std::vector<Strip> strips;
    for (int y = 0; y < image.height(); y += rowsPerStrip)
        strips.push_back({y, std::min(image.height(), y + rowsPerStrip), {}, 1, 0});
    return strips;
}

} // namespace

std::optional<QByteArray> PngWriter::write(const QImage& image, const Options& options, QString* error)
{
    const auto fail = [error](const char* why) {
        if (error)
            *error = QString::fromLatin1(why);
        return std::nullopt;
    };
    if (image.isNull() || !supported(image.format()))
        return fail("no 32-bit picture");

    const qsizetype rowBytes = qsizetype(image.width()) * (options.alpha ? 4 : 3) + 1;
    std::vector<Strip> strips = stripsOf(image, rowBytes);
    const int count = int(strips.size());
    const int threads = std::clamp(options.threads > 0 ? options.threads : QThread::idealThreadCount(), 1, count);
    std::atomic<int> next = 0;
    std::atomic<int> done = 0;
    std::atomic<bool> failed = false;
    const auto work = [&] {
        for (int i; !failed && (i = next.fetch_add(1)) < count;) {
            try {
                if (!deflateStrip(image, options, i == count - 1, strips[size_t(i)]))
                    failed = true;
            } catch (const std::bad_alloc&) {
                failed = true;
            }
            if (options.progress)
                options.progress(done.fetch_add(1) + 1, count);
        }
    };
    runOnThreads(threads, work);
    if (failed)
        return fail("deflate failed or ran out of memory");

    try {
        qsizetype total = 0;
        for (const Strip& strip : strips)
            total += strip.deflated.size() + 12;
        QByteArray out;
        out.reserve(total + options.iccProfile.size() + 1024);
        out.append("\x89PNG\r\n\x1a\n", 8);

        QByteArray header = u32(quint32(image.width())) + u32(quint32(image.height()));
        header.append(char(8));                      // bits per sample
        header.append(char(options.alpha ? 6 : 2)); // RGBA or RGB
        header.append(3, char(0));                   // deflate, adaptive filtering, no interlace
        putChunk(out, "IHDR", {header});

        if (!options.iccProfile.isEmpty()) {
            const std::optional<QByteArray> profile = zlibCompressed(options.iccProfile);
            if (!profile)
                return fail("the profile does not compress");
            putChunk(out, "iCCP", {options.iccName.left(79), QByteArrayView("\0\0", 2), *profile});
        }
        if (options.dotsPerMeter > 0) {
            const QByteArray density = u32(quint32(options.dotsPerMeter));
            putChunk(out, "pHYs", {density, density, QByteArrayView("\1", 1)});
        }
        for (const Text& text : options.texts) {
            const QByteArray keyword = text.keyword.left(79);
            if (keyword.isEmpty() || text.text.isEmpty())
                continue;
            if (isLatin1(text.text))
                putChunk(out, "tEXt", {keyword, QByteArrayView("\0", 1), text.text.toLatin1()});
            else // uncompressed, no language, no translated keyword
                putChunk(out, "iTXt", {keyword, QByteArrayView("\0\0\0\0\0", 5), text.text.toUtf8()});
        }

        // One stream over the strips: zlib's header, the strips' deflate
        // data, and the Adler-32 of all the filtered bytes.
        const int level = std::clamp(options.level, 1, 9);
        const int flevel = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
        char zheader[2] = {char(0x78), char(flevel << 6)};
        zheader[1] = char(uchar(zheader[1]) + 31 - (0x7800 + uchar(zheader[1])) % 31);
        uLong adler = 1;
        for (const Strip& strip : strips)
            adler = adler32_combine(adler, strip.adler, z_off_t(strip.length));
        const QByteArray trailer = u32(quint32(adler));
        for (int i = 0; i < count; ++i) {
            const QByteArray& data = strips[size_t(i)].deflated;
            if (data.size() > kMaxChunk - 6)
                return fail("a strip too large for a chunk");
            putChunk(out, "IDAT",
                     {i == 0 ? QByteArrayView(zheader, 2) : QByteArrayView(), data,
                      i == count - 1 ? QByteArrayView(trailer) : QByteArrayView()});
        }
        putChunk(out, "IEND", {});
        return out;
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    }
}

} // namespace qf
