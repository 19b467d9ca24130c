#include "platform/graphics/TurnedPicture.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QF_TURNED_PICTURE_AVX2 1
#endif

namespace qf {

namespace {

// Qt's fixed-point positions: 16 bits of fraction.
constexpr int kFixedScale = 1 << 16;
constexpr int kHalfPoint = 1 << 15;
// Qt fetches a span in pieces of this many pixels, each piece starting its
// position anew from floating point.
constexpr int kFetchPiece = 2048;
// Pixels its fast filter takes at once, weighing them in 16ths; a span's
// pixels left over after those groups are weighed in 256ths.
constexpr int kGroup = 8;
// What stands for the picture where only its coverage counts.
constexpr uint kOpaque = 0xff000000;

// The parts of a picture a draw reads, as Qt's texture holds them.
struct Texture {
    const uchar* bits = nullptr;
    qsizetype stride = 0;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0; // the pixels read: [x1, x2) x [y1, y2)
    int nextRowX = 0, nextRowY = 0;     // from a pixel's position to the next row's

    const uint* row(int y) const { return reinterpret_cast<const uint*>(bits + y * stride); }
};

// Per channel (a * (256 - t) + b * t) / 256, rounded down.
inline uint mix256(uint a, uint b, uint t)
{
    const uint it = 256 - t;
    const uint rb = (((a & 0xff00ff) * it + (b & 0xff00ff) * t) >> 8) & 0xff00ff;
    const uint ag = (((a >> 8) & 0xff00ff) * it + ((b >> 8) & 0xff00ff) * t) & 0xff00ff00;
    return rb | ag;
}

// Bilinear with weights in 256ths: along the rows first, then between them.
inline uint bilinear256(uint tl, uint tr, uint bl, uint br, uint dx, uint dy)
{
    return mix256(mix256(tl, tr, dx), mix256(bl, br, dx), dy);
}

// Bilinear with weights in 16ths, the four products summed at once. The
// weights add up to 256, so no channel carries into the next.
inline uint bilinear16(uint tl, uint tr, uint bl, uint br, uint dx, uint dy)
{
    const uint dxy = dx * dy;
    const uint wtl = 256 - 16 * dx - 16 * dy + dxy;
    const uint wtr = 16 * dx - dxy;
    const uint wbl = 16 * dy - dxy;
    const uint rb = (tl & 0xff00ff) * wtl + (tr & 0xff00ff) * wtr + (bl & 0xff00ff) * wbl + (br & 0xff00ff) * dxy;
    const uint ag = ((tl >> 8) & 0xff00ff) * wtl + ((tr >> 8) & 0xff00ff) * wtr + ((bl >> 8) & 0xff00ff) * wbl
        + ((br >> 8) & 0xff00ff) * dxy;
    return ((rb >> 8) & 0xff00ff) | (ag & 0xff00ff00);
}

// Per channel (x * a + y * b) / 255, rounded; a + b = 255.
inline uint interpolate255(uint x, uint a, uint y, uint b)
{
    uint t = (x & 0xff00ff) * a + (y & 0xff00ff) * b;
    t = ((t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
    uint u = ((x >> 8) & 0xff00ff) * a + ((y >> 8) & 0xff00ff) * b;
    u = (u + ((u >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
    return u | t;
}

// A pixel position and its neighbour to the right or below, held within
// [low, high]: past an edge both are the edge pixel.
inline void bounded(int low, int high, int& v1, int& v2)
{
    if (v1 < low)
        v2 = v1 = low;
    else if (v1 >= high)
        v2 = v1 = high;
    else
        v2 = v1 + 1;
}

inline uint edgeSample(const Texture& t, int fx, int fy)
{
    int x1 = fx >> 16, x2 = 0, y1 = fy >> 16, y2 = 0;
    bounded(t.x1, t.x2 - 1, x1, x2);
    bounded(t.y1, t.y2 - 1, y1, y2);
    const uint* s1 = t.row(y1);
    const uint* s2 = t.row(y2);
    return bilinear256(s1[x1], s1[x2], s2[x1], s2[x2], uint(fx & 0xffff) >> 8, uint(fy & 0xffff) >> 8);
}

#ifdef QF_TURNED_PICTURE_AVX2
bool hasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// bilinear16 on `groups` groups of kGroup pixels within the picture, eight
// at a time; (fx, fy) end past them.
__attribute__((target("avx2"))) void groupsAvx2(uint* out, qint64 groups, const Texture& t, int& fx, int& fy,
                                                int fdx, int fdy)
{
    static_assert(kGroup == 8);
    const __m256i strideWords = _mm256_set1_epi32(int(t.stride / 4));
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i fraction = _mm256_set1_epi32(0xffff);
    const __m256i eight = _mm256_set1_epi32(8);
    const __m256i low = _mm256_set1_epi32(0xff00ff);
    const __m256i full = _mm256_set1_epi32(256);
    __m256i vx = _mm256_add_epi32(_mm256_set1_epi32(fx), _mm256_mullo_epi32(_mm256_set1_epi32(fdx), lanes));
    __m256i vy = _mm256_add_epi32(_mm256_set1_epi32(fy), _mm256_mullo_epi32(_mm256_set1_epi32(fdy), lanes));
    const __m256i stepX = _mm256_set1_epi32(fdx * kGroup);
    const __m256i stepY = _mm256_set1_epi32(fdy * kGroup);
    // Each pixel's pair of neighbours in a row comes in one 64-bit read.
    // Plain reads: this machine's kind of processor gathers more slowly. The
    // pairs arrive as pixels 0 1 4 5 | 2 3 6 7, the weights are set out the
    // same way and the result put back in order.
    const __m256i paired = _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7);
    const uchar* const bits = t.bits;
    const qsizetype stride = t.stride;
    alignas(32) int at[kGroup];
    // The pixels a turned row reads step from one picture row to the next
    // every few pixels, which the processor does not foresee: what this row
    // reads a few groups on, and what the next row reads there, is asked for
    // ahead. Reads past the picture's end are only hints, never faults.
    constexpr int kAhead = 8 * kGroup;
    qint64 aheadX = fx + qint64(fdx) * kAhead, aheadY = fy + qint64(fdy) * kAhead;
    const qint64 lastX = qint64(fdx) * (kGroup - 1), lastY = qint64(fdy) * (kGroup - 1);
    const std::array<std::pair<qint64, qint64>, 4> reads = {
        std::pair(qint64(0), qint64(0)), std::pair(lastX, lastY), std::pair(qint64(t.nextRowX), qint64(t.nextRowY)),
        std::pair(lastX + t.nextRowX, lastY + t.nextRowY)};
    for (qint64 g = 0; g < groups; ++g) {
        for (const std::pair<qint64, qint64>& read : reads) {
            const qint64 ax = aheadX + read.first, ay = aheadY + read.second;
            const quintptr line = quintptr(bits) + quintptr((ay >> 16) * stride + (ax >> 16) * 4);
            _mm_prefetch(reinterpret_cast<const char*>(line), _MM_HINT_T0);
            _mm_prefetch(reinterpret_cast<const char*>(line + quintptr(stride)), _MM_HINT_T0);
        }
        aheadX += qint64(fdx) * kGroup;
        aheadY += qint64(fdy) * kGroup;
        _mm256_store_si256(reinterpret_cast<__m256i*>(at),
                           _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(vy, 16), strideWords),
                                            _mm256_srai_epi32(vx, 16)));
        long long topPairs[kGroup], bottomPairs[kGroup];
        for (int k = 0; k < kGroup; ++k) {
            const uchar* pair = bits + qsizetype(at[k]) * 4;
            std::memcpy(&topPairs[k], pair, 8);
            std::memcpy(&bottomPairs[k], pair + stride, 8);
        }
        const __m256i top03 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(topPairs));
        const __m256i top47 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(topPairs + 4));
        const __m256i bottom03 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bottomPairs));
        const __m256i bottom47 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bottomPairs + 4));
        const __m256 t03 = _mm256_castsi256_ps(top03), t47 = _mm256_castsi256_ps(top47);
        const __m256 b03 = _mm256_castsi256_ps(bottom03), b47 = _mm256_castsi256_ps(bottom47);
        const __m256i tl = _mm256_castps_si256(_mm256_shuffle_ps(t03, t47, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m256i tr = _mm256_castps_si256(_mm256_shuffle_ps(t03, t47, _MM_SHUFFLE(3, 1, 3, 1)));
        const __m256i bl = _mm256_castps_si256(_mm256_shuffle_ps(b03, b47, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m256i br = _mm256_castps_si256(_mm256_shuffle_ps(b03, b47, _MM_SHUFFLE(3, 1, 3, 1)));
        const __m256i dx = _mm256_permutevar8x32_epi32(
            _mm256_srli_epi32(_mm256_add_epi32(_mm256_srli_epi32(_mm256_and_si256(vx, fraction), 8), eight), 4),
            paired);
        const __m256i dy = _mm256_permutevar8x32_epi32(
            _mm256_srli_epi32(_mm256_add_epi32(_mm256_srli_epi32(_mm256_and_si256(vy, fraction), 8), eight), 4),
            paired);
        const __m256i dxy = _mm256_mullo_epi32(dx, dy);
        const __m256i dx16 = _mm256_slli_epi32(dx, 4);
        const __m256i dy16 = _mm256_slli_epi32(dy, 4);
        const __m256i wtl = _mm256_add_epi32(_mm256_sub_epi32(full, _mm256_add_epi32(dx16, dy16)), dxy);
        const __m256i wtr = _mm256_sub_epi32(dx16, dxy);
        const __m256i wbl = _mm256_sub_epi32(dy16, dxy);
        // Red and blue, then alpha and green, each in its own half of a lane.
        const __m256i rb = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(tl, low), wtl),
                             _mm256_mullo_epi32(_mm256_and_si256(tr, low), wtr)),
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(bl, low), wbl),
                             _mm256_mullo_epi32(_mm256_and_si256(br, low), dxy)));
        const __m256i ag = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(_mm256_srli_epi32(tl, 8), low), wtl),
                             _mm256_mullo_epi32(_mm256_and_si256(_mm256_srli_epi32(tr, 8), low), wtr)),
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(_mm256_srli_epi32(bl, 8), low), wbl),
                             _mm256_mullo_epi32(_mm256_and_si256(_mm256_srli_epi32(br, 8), low), dxy)));
        const __m256i pixels = _mm256_permute4x64_epi64(
            _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(rb, 8), low), _mm256_andnot_si256(low, ag)),
            _MM_SHUFFLE(3, 1, 2, 0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + g * kGroup), pixels);
        vx = _mm256_add_epi32(vx, stepX);
        vy = _mm256_add_epi32(vy, stepY);
    }
    fx += int(uint(fdx) * uint(groups * kGroup));
    fy += int(uint(fdy) * uint(groups * kGroup));
}
#endif

// `count` pixels from fixed-point (fx, fy) on, stepping (fdx, fdy), as
// Qt's fast filter for turned pictures makes them: pixels whose neighbours
// lie past the picture's edge held to it and weighed in 256ths, those within
// it in groups weighed in 16ths, what is left of the groups in 256ths.
void fetch(uint* out, qsizetype count, const Texture& t, int fx, int fy, int fdx, int fdy)
{
    qsizetype i = 0;
    for (; i < count; ++i) {
        int x1 = fx >> 16, x2 = 0, y1 = fy >> 16, y2 = 0;
        bounded(t.x1, t.x2 - 1, x1, x2);
        bounded(t.y1, t.y2 - 1, y1, y2);
        if (x1 != x2 && y1 != y2)
            break;
        out[i] = edgeSample(t, fx, fy);
        fx += fdx;
        fy += fdy;
    }
    qint64 within = count;
    const auto limit = [&](int step, qint64 position, qint64 low, qint64 high) {
        if (step > 0)
            within = std::min(within, qint64(i) + (high - position) / step);
        else if (step < 0)
            within = std::min(within, qint64(i) + (low - position) / step);
    };
    limit(fdx, fx, qint64(t.x1) * kFixedScale, qint64(t.x2 - 1) * kFixedScale);
    limit(fdy, fy, qint64(t.y1) * kFixedScale, qint64(t.y2 - 1) * kFixedScale);

    // Whole groups only: what is left of them goes by 256ths.
    const qint64 grouped = within - i >= kGroup ? i + (within - i) / kGroup * kGroup : i;
#ifdef QF_TURNED_PICTURE_AVX2
    if (grouped > i && hasAvx2()) {
        groupsAvx2(out + i, (grouped - i) / kGroup, t, fx, fy, fdx, fdy);
        i = grouped;
    }
#endif
    for (; i < grouped; ++i) {
        const uint* s1 = t.row(fy >> 16) + (fx >> 16);
        const uint* s2 = reinterpret_cast<const uint*>(reinterpret_cast<const uchar*>(s1) + t.stride);
        const uint dx = ((uint(fx & 0xffff) >> 8) + 8) >> 4;
        const uint dy = ((uint(fy & 0xffff) >> 8) + 8) >> 4;
        out[i] = bilinear16(s1[0], s1[1], s2[0], s2[1], dx, dy);
        fx += fdx;
        fy += fdy;
    }
    for (; i < within; ++i) {
        const uint* s1 = t.row(fy >> 16) + (fx >> 16);
        const uint* s2 = reinterpret_cast<const uint*>(reinterpret_cast<const uchar*>(s1) + t.stride);
        out[i] = bilinear256(s1[0], s1[1], s2[0], s2[1], uint(fx & 0xffff) >> 8, uint(fy & 0xffff) >> 8);
        fx += fdx;
        fy += fdy;
    }
    for (; i < count; ++i) {
        out[i] = edgeSample(t, fx, fy);
        fx += fdx;
        fy += fdy;
    }
}

// The share of a unit pixel, centred `inside` units within a straight edge
// whose unit normal is (nx, ny), that lies within.
double edgeCover(double inside, double nx, double ny)
{
    const double a = std::abs(nx), b = std::abs(ny);
    const double lo = std::min(a, b), hi = std::max(a, b);
    const double t = inside + (a + b) / 2; // from the pixel's farthest corner
    if (t <= 0)
        return 0;
    if (t >= a + b)
        return 1;
    if (lo < 1e-9)
        return std::clamp(inside + 0.5, 0.0, 1.0);
    if (t < lo)
        return t * t / (2 * lo * hi);
    if (t <= hi)
        return (t - lo / 2) / hi;
    const double rest = a + b - t;
    return 1 - rest * rest / (2 * lo * hi);
}

inline uint div255(uint v)
{
    return (v + (v >> 8) + 0x80) >> 8;
}


// Only a turn and an even scale keep a rectangle one: Qt draws others
// another way.
bool turnsEvenly(const QTransform& t)
{
    if (!t.isAffine() || t.type() < QTransform::TxRotate)
        return false;
    const double sx2 = t.m11() * t.m11() + t.m12() * t.m12();
    const double sy2 = t.m21() * t.m21() + t.m22() * t.m22();
    return std::abs(sx2 - sy2) <= 1e-12 * std::max(sx2, sy2) && std::abs(t.m11() * t.m21() + t.m12() * t.m22()) <= 1e-12 * sx2;
}

// The rectangle (0, 0, size) turned onto the device, row by row: the pixels
// it touches and those it covers wholly, and how much of each it covers.
class TurnedRectangle {
public:
    // False for positions Qt's fixed point cannot hold, which are left to Qt.
    bool set(const QTransform& toDevice, QSizeF size)
    {
        const std::array<QPointF, 4> corners = {toDevice.map(QPointF(0, 0)), toDevice.map(QPointF(size.width(), 0)),
                                                toDevice.map(QPointF(size.width(), size.height())),
                                                toDevice.map(QPointF(0, size.height()))};
        QPointF centre;
        m_highest = corners[0].y();
        m_lowest = corners[0].y();
        m_leftmost = corners[0].x();
        m_rightmost = corners[0].x();
        for (const QPointF& c : corners) {
            if (!std::isfinite(c.x()) || !std::isfinite(c.y()) || std::abs(c.x()) > 30000 || std::abs(c.y()) > 30000)
                return false;
            centre += c / 4;
            m_highest = std::min(m_highest, c.y());
            m_lowest = std::max(m_lowest, c.y());
            m_leftmost = std::min(m_leftmost, c.x());
            m_rightmost = std::max(m_rightmost, c.x());
        }
        // Each edge as the line n . p = d, n its outward unit normal.
        for (size_t i = 0; i < 4; ++i) {
            const QPointF e = corners[(i + 1) % 4] - corners[i];
            const double length = std::hypot(e.x(), e.y());
            if (!(length > 0))
                return false;
            double nx = e.y() / length, ny = -e.x() / length;
            if (nx * (centre.x() - corners[i].x()) + ny * (centre.y() - corners[i].y()) > 0) {
                nx = -nx;
                ny = -ny;
            }
            m_edges[i] = {nx, ny, nx * corners[i].x() + ny * corners[i].y(), (std::abs(nx) + std::abs(ny)) / 2};
        }
        return true;
    }

    int top() const { return int(std::floor(m_highest)); }
    int left() const { return int(std::floor(m_leftmost)); }
    int right() const { return int(std::ceil(m_rightmost)); }
    int bottom() const { return int(std::ceil(m_lowest)) + 1; }

    // Row y's pixels within [0, width): [from, to] touched, [fullFrom,
    // fullTo] covered wholly (empty when fullFrom > fullTo). False when the
    // row touches none.
    struct Row {
        int from = 0, to = -1, fullFrom = 0, fullTo = -1;
    };
    bool row(int y, int width, Row& r) const
    {
        const double cy = y + 0.5;
        constexpr double inf = std::numeric_limits<double>::infinity();
        double fullLow = -inf, fullHigh = inf, anyLow = -inf, anyHigh = inf;
        for (const Edge& e : m_edges) {
            // The pixel whose left side is at x lies k - nx * x within the edge.
            const double k = e.d - e.nx * 0.5 - e.ny * cy;
            if (std::abs(e.nx) < 1e-12) { // the edge runs along the row
                if (k < e.half)
                    fullLow = inf;
                if (k <= -e.half)
                    anyLow = inf;
                continue;
            }
            const double full = (k - e.half) / e.nx;
            const double any = (k + e.half) / e.nx;
            if (e.nx > 0) {
                fullHigh = std::min(fullHigh, full);
                anyHigh = std::min(anyHigh, any);
            } else {
                fullLow = std::max(fullLow, full);
                anyLow = std::max(anyLow, any);
            }
        }
        if (!(anyLow < anyHigh))
            return false;
        r.from = int(std::clamp(std::floor(anyLow), 0.0, double(width)));
        r.to = int(std::clamp(std::ceil(anyHigh), -1.0, double(width - 1)));
        if (r.from > r.to)
            return false;
        r.fullFrom = std::max(r.from, int(std::clamp(std::ceil(fullLow), -1.0, double(width))));
        r.fullTo = std::min(r.to, int(std::clamp(std::floor(fullHigh), -1.0, double(width))));
        return true;
    }

    // How much of pixel (x, y) the rectangle covers, in 255ths as Qt's
    // smoothed edges count it.
    uint cover(int x, int y) const
    {
        double cover = 1;
        for (const Edge& e : m_edges)
            cover *= edgeCover(e.d - e.nx * (x + 0.5) - e.ny * (y + 0.5), e.nx, e.ny);
        return uint(std::clamp(cover * 256, 0.0, 255.0));
    }

private:
    struct Edge {
        double nx, ny, d, half;
    };
    std::array<Edge, 4> m_edges{};
    double m_highest = 0, m_lowest = 0, m_leftmost = 0, m_rightmost = 0;
};


} // namespace

bool TurnedPicture::draw(QImage& target, const QImage& image, const QRectF& source, const QTransform& toDevice,
                         QSizeF size, bool clippedToItself, int shownTop, int shownBottom,
                         const QtCoverage& qtCoverage)
{
    if (target.format() != QImage::Format_ARGB32_Premultiplied || image.format() != QImage::Format_RGB32
        || target.isNull() || image.isNull() || image.devicePixelRatio() != 1.0)
        return false;
    if (!(size.width() > 0 && size.height() > 0 && source.width() > 0 && source.height() > 0))
        return false;
    // Qt cuts a source reaching past the picture, moving the draw's edges.
    if (source.left() < 0 || source.top() < 0 || source.right() > image.width() || source.bottom() > image.height())
        return false;
    // Its filter works out rows with 16-bit products.
    if (image.height() >= 32768 || image.bytesPerLine() / 4 >= 32768)
        return false;
    if (!turnsEvenly(toDevice))
        return false;

    // Picture pixels to device pixels, and back, as Qt sets them up.
    QTransform toPicture = toDevice;
    if (size.width() != source.width() || size.height() != source.height())
        toPicture.scale(size.width() / source.width(), size.height() / source.height());
    toPicture.translate(-source.x(), -source.y());
    QTransform nudge;
    nudge.translate(1.0 / 65536, 1.0 / 65536);
    bool invertible = false;
    const QTransform inverse = (nudge * toPicture).inverted(&invertible);
    if (!invertible)
        return false;
    const double m11 = inverse.m11(), m12 = inverse.m12(), m21 = inverse.m21(), m22 = inverse.m22();
    const double dx = inverse.dx(), dy = inverse.dy();
    const double f1 = m11 * m11 + m21 * m21, f2 = m12 * m12 + m22 * m22;
    if (!(f1 < 1e4 && f2 < 1e4 && f1 > 1.0 / 65536 && f2 > 1.0 / 65536 && std::abs(dx) < 1e4 && std::abs(dy) < 1e4))
        return false;
    // Magnified eightfold Qt filters with finer positions; upright, another way.
    if (std::abs(m11) < 1.0 / 8 || std::abs(m22) < 1.0 / 8 || int(m12 * kFixedScale) == 0)
        return false;

    Texture texture;
    texture.bits = image.constBits();
    texture.stride = image.bytesPerLine();
    texture.x1 = int(source.x());
    texture.y1 = int(source.y());
    texture.x2 = std::min(int(std::ceil(source.right())), image.width());
    texture.y2 = std::min(int(std::ceil(source.bottom())), image.height());
    if (texture.x2 <= texture.x1 || texture.y2 <= texture.y1)
        return false;

    texture.nextRowX = int(m21 * kFixedScale);
    texture.nextRowY = int(m22 * kFixedScale);
    TurnedRectangle rectangle;
    if (!rectangle.set(toDevice, size))
        return false;

    const int fdx = int(m11 * kFixedScale);
    const int fdy = int(m12 * kFixedScale);
    const int width = target.width();
    const int top = std::max(0, rectangle.top());
    const int bottom = std::min(target.height(), rectangle.bottom());
    uchar* const bits = target.bits();
    const qsizetype stride = target.bytesPerLine();

    // With Qt's coverage, every pixel it may have touched is looked at.
    const int coverageLeft = std::max(0, rectangle.left() - 2);
    const int coverageRight = std::min(width - 1, rectangle.right() + 2);
    const int firstRow = qtCoverage ? std::max(0, rectangle.top() - 1) : top;
    const int endRow = qtCoverage ? std::min(target.height(), rectangle.bottom() + 1) : bottom;
    QImage mask;
    if (qtCoverage) {
        if (coverageLeft > coverageRight || firstRow >= endRow)
            return true;
        mask = QImage(coverageRight + 1 - coverageLeft, endRow - firstRow, QImage::Format_ARGB32_Premultiplied);
        if (mask.isNull())
            return false;
        mask.fill(0);
        QPainter painter(&mask);
        qtCoverage(painter, QTransform::fromTranslate(-coverageLeft, -firstRow));
    }
    const QImage* coverage = qtCoverage ? &mask : nullptr;
    for (int y = firstRow; y < endRow; ++y) {
        const double cy = y + 0.5;
        TurnedRectangle::Row span;
        if (!coverage && !rectangle.row(y, width, span))
            continue;
        const int from = span.from, to = span.to, fullFrom = span.fullFrom, fullTo = span.fullTo;
        uint* const row = reinterpret_cast<uint*>(bits + y * stride);
        // Only the coverage of a row that never shows counts.
        const bool shown = y >= shownTop && y < shownBottom;

        const auto startAt = [&](int x, int& fx, int& fy) {
            const double cx = x + 0.5;
            fx = int((m21 * cy + m11 * cx + dx) * kFixedScale) - kHalfPoint;
            fy = int((m22 * cy + m12 * cx + dy) * kFixedScale) - kHalfPoint;
        };
        const auto edgePixel = [&](int x) {
            uint c = rectangle.cover(x, y);
            if (clippedToItself)
                c = div255(c * c);
            if (c == 0)
                return;
            int fx = 0, fy = 0;
            startAt(x, fx, fy);
            const uint picture = shown ? edgeSample(texture, fx, fy) : kOpaque;
            row[x] = c == 255 ? picture : interpolate255(picture, c, row[x], 255 - c);
        };
        const auto wholePixels = [&](int first, int last) {
            if (!shown)
                std::fill(row + first, row + last + 1, kOpaque);
            for (int x = first; shown && x <= last; x += kFetchPiece) {
                int fx = 0, fy = 0;
                startAt(x, fx, fy);
                fetch(row + x, std::min(kFetchPiece, last + 1 - x), texture, fx, fy, fdx, fdy);
            }
        };
        if (coverage) {
            // Qt's spans of whole coverage are the runs of it; each other
            // pixel is a span of its own.
            const auto* covered =
                reinterpret_cast<const uint*>(coverage->constScanLine(y - firstRow)) - coverageLeft;
            for (int x = coverageLeft; x <= coverageRight;) {
                const uint c = qAlpha(covered[x]);
                if (c == 255) {
                    int last = x;
                    while (last < coverageRight && qAlpha(covered[last + 1]) == 255)
                        ++last;
                    wholePixels(x, last);
                    x = last + 1;
                    continue;
                }
                if (c != 0) {
                    int fx = 0, fy = 0;
                    startAt(x, fx, fy);
                    row[x] = interpolate255(shown ? edgeSample(texture, fx, fy) : kOpaque, c, row[x], 255 - c);
                }
                ++x;
            }
            continue;
        }
        if (fullFrom > fullTo) {
            for (int x = from; x <= to; ++x)
                edgePixel(x);
            continue;
        }
        for (int x = from; x < fullFrom; ++x)
            edgePixel(x);
        wholePixels(fullFrom, fullTo);
        for (int x = fullTo + 1; x <= to; ++x)
            edgePixel(x);
    }
    return true;
}

} // namespace qf
