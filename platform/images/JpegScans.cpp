#include "platform/images/JpegScans.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qf {

namespace {

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
        // Markers: 0xFF, any fill bytes (more 0xFF), then the code.
        if (i >= n || p[i] != 0xFF)
            return {};
        while (i < n && p[i] == 0xFF)
            ++i;
        if (i >= n)
            return {};
        const unsigned char marker = p[i++];
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

} // namespace qf
