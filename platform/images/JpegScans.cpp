#include "platform/images/JpegScans.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace qf {

namespace {

// The code of the marker at i (0xFF, any fill bytes, then the code), with i
// moved past it; -1 when the bytes at i are not a whole marker.
int nextMarker(const unsigned char* p, qsizetype n, qsizetype& i)
{
    if (i >= n || p[i] != 0xFF)
        return -1;
    while (i < n && p[i] == 0xFF)
        ++i;
    if (i >= n)
        return -1;
    return p[i++];
}

bool isStartOfProgressiveFrame(unsigned char marker)
{
    // Huffman-coded only: arithmetic-coded and hierarchical frames are
    // left to the ordinary decode.
    return marker == 0xC2;
}

bool isStartOfFrame(unsigned char marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

struct Component {
    unsigned char id;
    qint64 blocks; // 8 x 8 blocks of the component at its sampling
};

// Components from a frame header's payload; none when it is malformed or
// a component's 1/8 picture needs more than its DC coefficients.
std::vector<Component> frameComponents(const unsigned char* payload, qsizetype length)
{
    if (length < 6)
        return {};
    const qint64 height = (qint64(payload[1]) << 8) | payload[2];
    const qint64 width = (qint64(payload[3]) << 8) | payload[4];
    const int count = payload[5];
    if (height == 0 || width == 0 || count == 0 || length < 6 + 3 * count)
        return {};
    int maxH = 1, maxV = 1;
    for (int c = 0; c < count; ++c) {
        maxH = std::max(maxH, payload[7 + 3 * c] >> 4);
        maxV = std::max(maxV, payload[7 + 3 * c] & 15);
    }
    std::vector<Component> out;
    for (int c = 0; c < count; ++c) {
        const int h = payload[7 + 3 * c] >> 4;
        const int v = payload[7 + 3 * c] & 15;
        if (h == 0 || v == 0)
            return {};
        // libjpeg decodes a component sampled at half or less in both
        // directions at 2/8 or more and upsamples it less; that reads AC
        // coefficients (its test, at a 1/8 scale).
        if (maxH % (2 * h) == 0 && maxV % (2 * v) == 0)
            return {};
        // As libjpeg sizes a component: rounded up at its sampling.
        const qint64 across = (width * h + 8 * maxH - 1) / (8 * maxH);
        const qint64 down = (height * v + 8 * maxV - 1) / (8 * maxV);
        out.push_back({payload[6 + 3 * c], across * down});
    }
    return out;
}

// For each component, a first AC scan over all its blocks that codes every
// AC coefficient as zero: runs of end-of-block, 32767 blocks a symbol (the
// longest run there is), through a table of that one symbol. Without it,
// libjpeg sees the AC coefficients missing and smooths the blocks, which
// changes even a 1/8 picture; with it, they are known and zero, as the
// whole file's AC coefficients are to a 1/8 decode, which never reads them.
QByteArray zeroAcScans(const std::vector<Component>& components)
{
    QByteArray out;
    // No restart markers in these scans.
    out.append("\xFF\xDD\x00\x04\x00\x00", 6);
    // AC table 0: one code, "0", for end-of-block run class 14.
    static const char table[] = "\xFF\xC4\x00\x14\x10"
                                "\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                                "\xE0";
    out.append(table, sizeof table - 1);
    for (const Component& c : components) {
        const char scan[] = {'\xFF', '\xDA', 0, 8, 1, char(c.id), 0, 1, 63, 0};
        out.append(scan, sizeof scan);
        // Each symbol: the code bit 0, then 14 one bits (a run of 2^14 +
        // 16383 blocks); the last byte is padded with one bits.
        quint32 bits = 0;
        int pending = 0;
        const auto put = [&out](char byte) {
            out.append(byte);
            if (byte == '\xFF')
                out.append('\0'); // stuffed, as in any entropy-coded data
        };
        for (qint64 left = c.blocks; left > 0; left -= 32767) {
            bits = (bits << 15) | 0x3FFF;
            pending += 15;
            while (pending >= 8) {
                pending -= 8;
                put(char((bits >> pending) & 0xFF));
            }
        }
        if (pending > 0)
            put(char(((bits << (8 - pending)) | ((1u << (8 - pending)) - 1)) & 0xFF));
    }
    return out;
}

} // namespace

QByteArray jpegDcScansOnly(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return {};
    QByteArray out;
    out.reserve(n / 4);
    out.append(bytes.constData(), 2);
    bool progressive = false;
    bool sawFrame = false;
    int dcScans = 0;
    std::vector<Component> components;
    qsizetype i = 2;
    for (;;) {
        const int code = nextMarker(p, n, i);
        if (code < 0)
            return {};
        const auto marker = static_cast<unsigned char>(code);
        if (marker == 0xD9) {
            if (!progressive || dcScans == 0 || components.empty())
                return {};
            out.append(zeroAcScans(components));
            out.append("\xFF\xD9", 2);
            return out;
        }
        // Standalone markers outside scans carry nothing to keep.
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (marker == 0x00 || n - i < 2)
            return {};
        const qsizetype length = (qsizetype(p[i]) << 8) | p[i + 1];
        if (length < 2 || length > n - i)
            return {};
        const qsizetype end = i + length;
        if (isStartOfFrame(marker)) {
            // One frame a file; it must come before any scan.
            if (sawFrame || !isStartOfProgressiveFrame(marker))
                return {};
            sawFrame = progressive = true;
            components = frameComponents(p + i + 2, length - 2);
            if (components.empty())
                return {};
        }
        bool keep = true;
        if (marker == 0xDA) {
            // Scan header: count, then two bytes a component, then the
            // spectral start. DC scans start at coefficient 0.
            if (!progressive || length < 3)
                return {};
            const qsizetype spectralStart = i + 2 + 1 + 2 * qsizetype(p[i + 2]);
            if (spectralStart >= end)
                return {};
            keep = p[spectralStart] == 0;
            dcScans += keep ? 1 : 0;
        }
        if (keep) {
            out.append(char(0xFF));
            out.append(char(marker));
            out.append(bytes.constData() + i, length);
        }
        i = end;
        if (marker != 0xDA)
            continue;
        // The entropy-coded data runs to the next marker that is neither a
        // stuffed zero nor a restart.
        for (;;) {
            const void* ff = std::memchr(p + i, 0xFF, size_t(n - i));
            const qsizetype at = ff ? static_cast<const unsigned char*>(ff) - p : n;
            qsizetype next = at;
            while (next < n && p[next] == 0xFF)
                ++next;
            if (next >= n)
                return {};
            const unsigned char code = p[next];
            if (code == 0x00 || (code >= 0xD0 && code <= 0xD7)) {
                if (keep)
                    out.append(bytes.constData() + i, next + 1 - i);
                i = next + 1;
                continue;
            }
            if (keep)
                out.append(bytes.constData() + i, at - i);
            i = at;
            break;
        }
    }
}

namespace {

// A Huffman table for decoding, as libjpeg builds it: the codes of each
// length are consecutive from mincode.
struct DcTable {
    bool defined = false;
    int mincode[17] = {};
    int maxcode[18] = {};
    int valptr[17] = {};
    unsigned char values[256] = {};
    // For each first 9 bits: the length of the code they start with and its
    // category, as (length << 8) | category; 0 for longer codes.
    quint16 fast[512] = {};
};

// Reads DHT segment payloads into the DC tables; AC tables are skipped.
// False for what libjpeg refuses: a bad class or slot, too many codes, a
// code space overrun, a DC category above 15.
bool readTables(const unsigned char* p, qsizetype length, DcTable (&tables)[4])
{
    while (length > 0) {
        if (length < 17)
            return false;
        const int tableClass = p[0] >> 4;
        const int slot = p[0] & 15;
        if (tableClass > 1 || slot > 3)
            return false;
        int total = 0;
        for (int l = 0; l < 16; ++l)
            total += p[1 + l];
        if (total > 256 || 17 + total > length)
            return false;
        if (tableClass == 0) {
            DcTable& t = tables[slot];
            int code = 0;
            int k = 0;
            for (int l = 1; l <= 16; ++l) {
                const int count = p[l];
                t.valptr[l] = k;
                t.mincode[l] = code;
                code += count;
                k += count;
                t.maxcode[l] = count ? code - 1 : -1;
                if (code > (1 << l))
                    return false;
                code <<= 1;
            }
            t.maxcode[17] = 0x7FFFFFFF;
            for (int v = 0; v < total; ++v) {
                if (p[17 + v] > 15)
                    return false;
                t.values[v] = p[17 + v];
            }
            std::fill(std::begin(t.fast), std::end(t.fast), quint16(0));
            for (int l = 1; l <= 9; ++l)
                for (int c = t.mincode[l]; c <= t.maxcode[l]; ++c)
                    for (int rest = 0; rest < (1 << (9 - l)); ++rest)
                        t.fast[(c << (9 - l)) | rest] = quint16((l << 8) | t.values[t.valptr[l] + c - t.mincode[l]]);
            t.defined = true;
        }
        p += 17 + total;
        length -= 17 + total;
    }
    return true;
}

// Entropy-coded bits, with stuffed zeros taken out. At a marker, or at the
// end, zeros follow, as libjpeg supplies them.
class BitReader {
public:
    BitReader(const unsigned char* p, qsizetype end) : m_p(p), m_end(end) { }

    int bits(int n)
    {
        fill(n);
        m_count -= n;
        return int((m_acc >> m_count) & ((quint64(1) << n) - 1));
    }
    int peek16()
    {
        fill(16);
        return int((m_acc >> (m_count - 16)) & 0xFFFF);
    }
    void skip(int n) { m_count -= n; }

    // At a restart: the rest of the byte is dropped, and the restart marker
    // is passed over when it is there.
    void restart()
    {
        m_count = 0;
        m_acc = 0;
        m_atMarker = false;
        qsizetype i = m_i;
        while (i < m_end && m_p[i] == 0xFF)
            ++i;
        if (i > m_i && i < m_end && m_p[i] >= 0xD0 && m_p[i] <= 0xD7)
            m_i = i + 1;
    }

private:
    void fill(int n)
    {
        while (m_count < n) {
            unsigned byte = 0;
            if (!m_atMarker && m_i < m_end) {
                byte = m_p[m_i];
                if (byte == 0xFF) {
                    qsizetype next = m_i + 1;
                    while (next < m_end && m_p[next] == 0xFF)
                        ++next;
                    if (next < m_end && m_p[next] == 0x00) {
                        m_i = next + 1;
                    } else {
                        m_atMarker = true;
                        byte = 0;
                    }
                } else {
                    ++m_i;
                }
            }
            m_acc = (m_acc << 8) | byte;
            m_count += 8;
        }
    }

    const unsigned char* m_p;
    const qsizetype m_end;
    qsizetype m_i = 0;
    quint64 m_acc = 0;
    int m_count = 0;
    bool m_atMarker = false;
};

int decodeCategory(BitReader& reader, const DcTable& t)
{
    const int look = reader.peek16();
    if (const int fast = t.fast[look >> 7]) {
        reader.skip(fast >> 8);
        return fast & 0xFF;
    }
    for (int l = 10; l <= 16; ++l) {
        const int code = look >> (16 - l);
        if (code <= t.maxcode[l]) {
            reader.skip(l);
            return t.values[(t.valptr[l] + code - t.mincode[l]) & 0xFF];
        }
    }
    reader.skip(16); // no such code: libjpeg takes it as 0
    return 0;
}

struct FrameComponent {
    int id;
    int h;
    int v;
    qint64 across; // blocks of its own, as libjpeg sizes a component
    qint64 down;
    qint64 stride; // blocks a row and rows, padded to whole MCUs
    qint64 rows;
    std::vector<qint16> dc;
    int firstScans = 0;
};

// Writes entropy-coded bits, stuffing a zero after each 0xFF byte.
class BitWriter {
public:
    explicit BitWriter(qint64 reserve) { m_out.reserve(size_t(reserve)); }
    void put(quint32 value, int n)
    {
        m_acc = (m_acc << n) | (value & ((quint64(1) << n) - 1));
        m_count += n;
        while (m_count >= 8) {
            m_count -= 8;
            const char byte = char((m_acc >> m_count) & 0xFF);
            m_out.push_back(byte);
            if (byte == '\xFF')
                m_out.push_back('\0');
        }
    }
    // The bytes, the last one padded with one bits.
    const std::vector<char>& finish()
    {
        if (m_count > 0)
            put(0x7F, 8 - m_count);
        return m_out;
    }

private:
    std::vector<char> m_out;
    quint64 m_acc = 0;
    int m_count = 0;
};

// The extent of a scan's entropy-coded data from `i`: up to the next marker
// that is neither a stuffed zero nor a restart; -1 when the file ends first.
qsizetype scanDataEnd(const unsigned char* p, qsizetype n, qsizetype i)
{
    for (;;) {
        const void* ff = std::memchr(p + i, 0xFF, size_t(n - i));
        if (!ff)
            return -1;
        const qsizetype at = static_cast<const unsigned char*>(ff) - p;
        qsizetype next = at;
        while (next < n && p[next] == 0xFF)
            ++next;
        if (next >= n)
            return -1;
        if (p[next] == 0x00 || (p[next] >= 0xD0 && p[next] <= 0xD7)) {
            i = next + 1;
            continue;
        }
        return at;
    }
}

} // namespace

QByteArray jpegDcAsSequential(const QByteArray& bytes)
{
    // Bounds on the work: a 200-megapixel picture at 4:4:4 has 9.4 million
    // blocks, and an encoder writes two or three DC scans.
    constexpr qint64 kMaxBlocks = 16'000'000;
    constexpr int kMaxDcScans = 16;
    // The DC scans' walk has checked the file, its frame and its sampling.
    if (jpegDcScansOnly(bytes).isEmpty())
        return {};
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    QByteArray head("\xFF\xD8", 2); // the segments kept, before the scan
    DcTable tables[4];
    std::vector<FrameComponent> components;
    qint64 width = 0, height = 0, mcusAcross = 0, mcusDown = 0;
    int maxH = 1, maxV = 1;
    qint64 restartInterval = 0;
    bool scanned = false;
    int dcScans = 0;
    qsizetype i = 2;
    for (;;) {
        const int code = nextMarker(p, n, i);
        if (code < 0)
            return {};
        const auto marker = static_cast<unsigned char>(code);
        if (marker == 0xD9)
            break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (n - i < 2)
            return {};
        const qsizetype length = (qsizetype(p[i]) << 8) | p[i + 1];
        if (length < 2 || length > n - i)
            return {};
        const unsigned char* payload = p + i + 2;
        const qsizetype size = length - 2;
        const qsizetype end = i + length;
        i = end;
        if (marker == 0xC4) {
            if (!readTables(payload, size, tables))
                return {};
        } else if (marker == 0xDD) {
            if (size < 2)
                return {};
            restartInterval = (qint64(payload[0]) << 8) | payload[1];
        } else if (marker == 0xC2) {
            width = (qint64(payload[3]) << 8) | payload[4];
            height = (qint64(payload[1]) << 8) | payload[2];
            const int count = payload[5];
            if (count > 4)
                return {};
            for (int c = 0; c < count; ++c) {
                maxH = std::max(maxH, payload[7 + 3 * c] >> 4);
                maxV = std::max(maxV, payload[7 + 3 * c] & 15);
            }
            mcusAcross = (width + 8 * maxH - 1) / (8 * maxH);
            mcusDown = (height + 8 * maxV - 1) / (8 * maxV);
            int blocksPerMcu = 0;
            for (int c = 0; c < count; ++c) {
                FrameComponent fc;
                fc.id = payload[6 + 3 * c];
                fc.h = payload[7 + 3 * c] >> 4;
                fc.v = payload[7 + 3 * c] & 15;
                fc.across = (width * fc.h + 8 * maxH - 1) / (8 * maxH);
                fc.down = (height * fc.v + 8 * maxV - 1) / (8 * maxV);
                fc.stride = mcusAcross * fc.h;
                fc.rows = mcusDown * fc.v;
                blocksPerMcu += fc.h * fc.v;
                components.push_back(std::move(fc));
            }
            if (count > 1 && blocksPerMcu > 10)
                return {};
            qint64 blocks = 0;
            for (const FrameComponent& fc : components)
                blocks += fc.stride * fc.rows;
            if (blocks > kMaxBlocks)
                return {};
            try {
                for (FrameComponent& fc : components)
                    fc.dc.assign(size_t(fc.stride * fc.rows), 0);
            } catch (const std::bad_alloc&) {
                return {};
            }
            QByteArray frame(reinterpret_cast<const char*>(p + end - length - 2), length + 2);
            frame[1] = char(0xC0); // the same frame, sequential
            head.append(frame);
        } else if (marker == 0xDA) {
            scanned = true;
            const int count = size > 0 ? payload[0] : 0;
            if (count < 1 || count > 4 || size < 4 + 2 * count)
                return {};
            const int spectralStart = payload[1 + 2 * count];
            const int spectralEnd = payload[2 + 2 * count];
            const int ah = payload[3 + 2 * count] >> 4;
            const int al = payload[3 + 2 * count] & 15;
            const qsizetype dataEnd = scanDataEnd(p, n, end);
            if (dataEnd < 0)
                return {};
            i = dataEnd;
            if (spectralStart != 0)
                continue; // an AC scan: not needed at 1/8
            if (spectralEnd != 0 || al > 13 || (ah != 0 && ah - 1 != al) || ++dcScans > kMaxDcScans)
                return {};
            std::vector<FrameComponent*> inScan;
            std::vector<const DcTable*> scanTables;
            for (int c = 0; c < count; ++c) {
                const int id = payload[1 + 2 * c];
                const auto it = std::find_if(components.begin(), components.end(),
                                             [id](const FrameComponent& fc) { return fc.id == id; });
                const int slot = payload[2 + 2 * c] >> 4;
                if (it == components.end() || slot > 3 || (ah == 0 && !tables[slot].defined)
                    || std::find(inScan.begin(), inScan.end(), &*it) != inScan.end())
                    return {};
                inScan.push_back(&*it);
                scanTables.push_back(&tables[slot]);
                it->firstScans += ah == 0 ? 1 : 0;
            }
            BitReader reader(p + end, dataEnd - end);
            int predictions[4] = {};
            qint64 mcu = 0;
            const auto block = [&](size_t c, qint64 row, qint64 column) {
                qint16& dc = inScan[c]->dc[size_t(row * inScan[c]->stride + column)];
                if (ah != 0) {
                    if (reader.bits(1))
                        dc = qint16(dc | (1 << al));
                    return;
                }
                const int category = decodeCategory(reader, *scanTables[c]);
                int diff = 0;
                if (category > 0) {
                    diff = reader.bits(category);
                    if (diff < (1 << (category - 1)))
                        diff -= (1 << category) - 1;
                }
                predictions[c] += diff;
                dc = qint16(quint32(predictions[c]) << al);
            };
            const auto nextMcu = [&] {
                if (restartInterval > 0 && mcu > 0 && mcu % restartInterval == 0) {
                    reader.restart();
                    std::fill(std::begin(predictions), std::end(predictions), 0);
                }
                ++mcu;
            };
            if (count == 1) {
                const FrameComponent& fc = *inScan[0];
                for (qint64 row = 0; row < fc.down; ++row)
                    for (qint64 column = 0; column < fc.across; ++column) {
                        nextMcu();
                        block(0, row, column);
                    }
            } else {
                for (qint64 my = 0; my < mcusDown; ++my)
                    for (qint64 mx = 0; mx < mcusAcross; ++mx) {
                        nextMcu();
                        for (size_t c = 0; c < inScan.size(); ++c)
                            for (int v = 0; v < inScan[c]->v; ++v)
                                for (int h = 0; h < inScan[c]->h; ++h)
                                    block(c, my * inScan[c]->v + v, mx * inScan[c]->h + h);
                    }
            }
        } else if (!scanned && marker != 0xDB && !(marker >= 0xE0 && marker <= 0xEF) && marker != 0xFE) {
            return {}; // anything else before the scans: left to libjpeg
        } else if (!scanned) {
            // Quantization tables, APPn (JFIF, EXIF, ICC, Adobe) and comments.
            head.append(reinterpret_cast<const char*>(p + end - length - 2), length + 2);
        } else if (marker == 0xDB) {
            return {}; // tables redefined between scans
        }
    }
    for (const FrameComponent& fc : components)
        if (fc.firstScans != 1)
            return {};

    QByteArray out = head;
    // DC table 0: categories 0 to 14 in four bits, 15 in five; AC table 0:
    // end-of-block alone, the one bit 0.
    static const char tables_[] = "\xFF\xC4\x00\x35"
                                  "\x00\x00\x00\x00\x0F\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                                  "\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F"
                                  "\x10\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                                  "\x00";
    out.append(tables_, sizeof tables_ - 1);
    out.append("\xFF\xDA", 2);
    const int scanLength = 6 + 2 * int(components.size());
    out.append(char(scanLength >> 8));
    out.append(char(scanLength & 0xFF));
    out.append(char(components.size()));
    for (const FrameComponent& fc : components) {
        out.append(char(fc.id));
        out.append('\0');
    }
    out.append("\x00\x3F\x00", 3);
    qint64 blocks = 0;
    for (const FrameComponent& fc : components)
        blocks += qint64(fc.dc.size());
    BitWriter writer(blocks); // a byte or so a block
    int predictions[4] = {};
    const auto put = [&](size_t c, qint64 row, qint64 column) {
        const int dc = components[c].dc[size_t(row * components[c].stride + column)];
        // Steps of 2^15 or more only come from damaged files: cut short.
        const int diff = std::clamp(dc - predictions[c], -32767, 32767);
        predictions[c] += diff;
        const int category = int(std::bit_width(unsigned(std::abs(diff))));
        // The category's code, its bits, then end-of-block (the bit 0).
        const quint32 code = category < 15 ? quint32(category) : 0x1E;
        const int codeLength = category < 15 ? 4 : 5;
        const quint32 bits = category > 0 ? quint32(diff > 0 ? diff : diff + (1 << category) - 1) : 0;
        writer.put(((code << category | bits) << 1), codeLength + category + 1);
    };
    if (components.size() == 1) {
        for (qint64 row = 0; row < components[0].down; ++row)
            for (qint64 column = 0; column < components[0].across; ++column)
                put(0, row, column);
    } else {
        for (qint64 my = 0; my < mcusDown; ++my)
            for (qint64 mx = 0; mx < mcusAcross; ++mx)
                for (size_t c = 0; c < components.size(); ++c)
                    for (int v = 0; v < components[c].v; ++v)
                        for (int h = 0; h < components[c].h; ++h)
                            put(c, my * components[c].v + v, mx * components[c].h + h);
    }
    const std::vector<char>& data = writer.finish();
    out.append(data.data(), qsizetype(data.size()));
    out.append("\xFF\xD9", 2);
    return out;
}

bool jpegEighthIsDcAlone(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return false;
    for (qsizetype i = 2; i + 4 <= n;) {
        if (p[i] != 0xFF)
            return false;
        const unsigned char marker = p[i + 1];
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        const qsizetype length = (qsizetype(p[i + 2]) << 8) | p[i + 3];
        if (length < 2 || length > n - i - 2 || marker == 0xDA || marker == 0xD9)
            return false;
        if (isStartOfFrame(marker))
            return isStartOfProgressiveFrame(marker) && !frameComponents(p + i + 4, length - 2).empty();
        i += 2 + length;
    }
    return false;
}

} // namespace qf
