#include "platform/graphics/AlphaBlur.h"

#include <QColor>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace qf {

namespace {

// Threads for large blurs, started once and kept: a blur never waits for a
// thread to start. They only help; the caller works through the chunks too,
// so a pool busy elsewhere slows a blur down but never stalls it.
class BlurPool : public QThreadPool {
public:
    BlurPool()
    {
        setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
        setExpiryTimeout(-1);
    }
};

QThreadPool& blurPool()
{
    static BlurPool pool;
    return pool;
}

// Runs body(begin, end) over [0, count) on up to all cores, when the work is
// large enough to be worth sharing.
void parallelFor(int count, qsizetype workPerItem, const std::function<void(int, int)>& body)
{
    const int cores = std::max(1, QThread::idealThreadCount());
    const qsizetype total = qsizetype(count) * workPerItem;
    const int chunks = total < 200000 ? 1 : int(std::min<qsizetype>(cores, count));
    if (chunks <= 1) {
        body(0, count);
        return;
    }
    // Helpers may start after the work is done (the pool was busy): they
    // then find nothing left and touch only this shared part.
    struct Work {
        const std::function<void(int, int)>* body;
        int count;
        int per;
        int chunks;
        std::atomic<int> next{0};
        std::atomic<bool> outOfMemory{false};
        std::mutex mutex;
        std::condition_variable allDone;
        int done = 0;
    };
    auto work = std::make_shared<Work>();
    work->body = &body;
    work->count = count;
    work->chunks = chunks;
    work->per = (count + chunks - 1) / chunks;
    // Memory that runs out on a helper is reported on this thread, after
    // every chunk has ended: an exception must not leave a thread.
    const auto runChunks = [](Work& w) {
        for (int chunk = w.next++; chunk < w.chunks; chunk = w.next++) {
            const int begin = chunk * w.per;
            const int end = std::min(w.count, begin + w.per);
            try {
                if (begin < end)
                    (*w.body)(begin, end);
            } catch (const std::bad_alloc&) {
                w.outOfMemory = true;
            }
            const std::lock_guard lock(w.mutex);
            if (++w.done == w.chunks)
                w.allDone.notify_all();
        }
    };
    QThreadPool& pool = blurPool();
    for (int i = 1; i < chunks; ++i)
        if (!pool.tryStart([work, runChunks] { runChunks(*work); }))
            break;
    runChunks(*work);
    {
        std::unique_lock lock(work->mutex);
        work->allDone.wait(lock, [&] { return work->done == work->chunks; });
    }
    if (work->outOfMemory)
        throw std::bad_alloc();
}

// Box sizes of three passes that together approximate a Gaussian of sigma.
std::array<int, 3> boxSizes(double sigma)
{
    constexpr int n = 3;
    const double ideal = std::sqrt(12.0 * sigma * sigma / n + 1.0);
    int wl = int(std::floor(ideal));
    if (wl % 2 == 0)
        --wl;
    const int wu = wl + 2;
    const double mIdeal = (12.0 * sigma * sigma - n * wl * wl - 4.0 * n * wl - 3.0 * n) / (-4.0 * wl - 4.0);
    const int m = int(std::lround(mIdeal));
    std::array<int, 3> sizes{};
    for (int i = 0; i < n; ++i)
        sizes[i] = i < m ? wl : wu;
    return sizes;
}

// The mean of a box's sum: `inv` is 2^24 over the box's size, so the product
// stays below 2^32 (255 * 2^24 at most) and 32 bits hold it exactly.
inline uchar boxMean(std::uint32_t sum, std::uint32_t inv)
{
    return uchar((sum * inv + (1u << 23)) >> 24);
}

// Box passes along up to four rows at once: each row's running sum is a
// chain of dependent additions, and four chains side by side keep the core
// busy where one leaves it waiting. out[i] = mean of in[i-r .. i+r], zeros
// outside; each row is read from a copy padded with r zeros at both ends.
void boxRows(uchar* const* rows, int count, int len, int r, std::uint32_t inv, std::vector<uchar>& padded)
{
    constexpr int kAtOnce = 4;
    const std::size_t stride = std::size_t(len) + 2 * std::size_t(r);
    padded.assign(stride * kAtOnce, 0);
    const uchar* pad[kAtOnce];
    std::uint32_t sum[kAtOnce] = {};
    for (int k = 0; k < kAtOnce; ++k) {
        uchar* p = padded.data() + stride * std::size_t(k);
        if (k < count)
            std::copy(rows[k], rows[k] + len, p + r);
        pad[k] = p;
        for (int i = 0; i < 2 * r; ++i)
            sum[k] += p[i];
    }
    uchar* out[kAtOnce];
    for (int k = 0; k < kAtOnce; ++k)
        out[k] = k < count ? rows[k] : padded.data() + stride * std::size_t(k); // a row left over writes its own copy
    for (int i = 0; i < len; ++i) {
        for (int k = 0; k < kAtOnce; ++k) {
            sum[k] += pad[k][i + 2 * r];
            const uchar mean = boxMean(sum[k], inv);
            sum[k] -= pad[k][i];
            out[k][i] = mean;
        }
    }
}

void blurRows(uchar* data, int width, int height, qsizetype stride, int r, std::uint32_t inv)
{
    parallelFor(height, width, [=](int y0, int y1) {
        std::vector<uchar> padded;
        for (int y = y0; y < y1; y += 4) {
            uchar* rows[4];
            const int count = std::min(4, y1 - y);
            for (int k = 0; k < count; ++k)
                rows[k] = data + (y + k) * stride;
            boxRows(rows, count, width, r, inv, padded);
        }
    });
}

// Vertical pass over a band of columns, row by row, so memory is read in order.
void blurColumns(uchar* data, int width, int height, qsizetype stride, int r, std::uint32_t inv)
{
    parallelFor(width, height, [=](int x0, int x1) {
        const std::uint32_t scale = inv; // a local: stores through the rows could reach a captured one
        const int w = x1 - x0;
        std::vector<std::uint32_t> sums(w, 0);
        // Rows that enter the window are also kept in a ring, because the
        // output overwrites the plane in place; rows beyond the plane are zeros.
        const int span = 2 * r + 1;
        std::vector<uchar> ring(std::size_t(w) * std::size_t(span));
        const std::vector<uchar> zeros(std::size_t(w), 0);
        for (int y = 0; y < std::min(r, height); ++y) {
            const uchar* row = data + y * stride + x0;
            for (int x = 0; x < w; ++x)
                sums[x] += row[x];
        }
        for (int y = 0; y < height; ++y) {
            const int enter = y + r;
            const int leave = y - r;
            const uchar* __restrict in = enter < height ? data + enter * stride + x0 : zeros.data();
            uchar* __restrict out = data + y * stride + x0;
            // Row y is remembered before it is overwritten; it leaves the window later.
            uchar* __restrict kept = ring.data() + std::size_t(y % span) * w;
            const uchar* __restrict old = leave >= 0 ? ring.data() + std::size_t(leave % span) * w : zeros.data();
            std::uint32_t* __restrict sum = sums.data();
            for (int x = 0; x < w; ++x) {
                const std::uint32_t s = sum[x] + in[x];
                kept[x] = out[x];
                out[x] = boxMean(s, scale);
                sum[x] = s - old[x];
            }
        }
    });
}

} // namespace

int blurReach(double sigma)
{
    if (!(sigma > 0))
        return 0;
    return int(std::ceil(3.0 * sigma)) + 2;
}

void gaussianBlurAlpha(uchar* data, int width, int height, qsizetype stride, double sigma)
{
    if (!(sigma >= 0.5) || width <= 0 || height <= 0 || !std::isfinite(sigma))
        return;
    for (int size : boxSizes(sigma)) {
        const int r = (size - 1) / 2;
        if (r <= 0)
            continue;
        const std::uint32_t inv = std::uint32_t((1u << 24) / unsigned(size));
        blurRows(data, width, height, stride, r, inv);
        blurColumns(data, width, height, stride, r, inv);
    }
}

int shadowReduction(double sigma)
{
    if (!(sigma >= 8))
        return 1;
    return sigma >= 16 ? 4 : 2;
}

QImage alphaPlaneWithMargin(const QImage& argb, int margin, int factor)
{
    factor = std::max(1, factor);
    const int fullW = argb.width() + 2 * margin;
    const int fullH = argb.height() + 2 * margin;
    QImage plane((fullW + factor - 1) / factor, (fullH + factor - 1) / factor, QImage::Format_Alpha8);
    if (plane.isNull())
        return plane;
    plane.fill(0);
    const QImage src = argb.format() == QImage::Format_ARGB32_Premultiplied || argb.format() == QImage::Format_ARGB32
                           ? argb
                           : argb.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = src.width();
    const int height = src.height();
    // Row pointers come from one detached buffer: scanLine() may detach.
    uchar* const planeBits = plane.bits();
    const qsizetype planeStride = plane.bytesPerLine();
    const int planeW = plane.width();
    if (factor == 1) {
        parallelFor(height, width, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
                uchar* out = planeBits + (y + margin) * planeStride + margin;
                for (int x = 0; x < width; ++x)
                    out[x] = uchar(qAlpha(in[x]));
            }
        });
        return plane;
    }
    // Block averages: each reduced row sums `factor` source rows.
    const int firstRow = margin / factor;
    const int rows = (height + factor - 1) / factor;
    const std::uint32_t area = std::uint32_t(factor * factor);
    parallelFor(rows, qsizetype(width) * factor, [&](int r0, int r1) {
        std::vector<std::uint32_t> sums(planeW);
        for (int r = r0; r < r1; ++r) {
            std::fill(sums.begin(), sums.end(), 0u);
            for (int dy = 0; dy < factor; ++dy) {
                const int y = r * factor + dy;
                if (y >= height)
                    break;
                const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
                std::uint32_t* block = sums.data() + margin / factor;
                for (int x0 = 0; x0 < width; x0 += factor, ++block) {
                    const int x1 = std::min(width, x0 + factor);
                    std::uint32_t sum = 0;
                    for (int x = x0; x < x1; ++x)
                        sum += in[x] >> 24;
                    *block += sum;
                }
            }
            uchar* out = planeBits + (firstRow + r) * planeStride;
            for (int x = 0; x < planeW; ++x)
                out[x] = uchar((sums[x] + area / 2) / area);
        }
    });
    return plane;
}

QImage shadeOfAlpha(QImage alpha8, const QColor& color)
{
    if (alpha8.format() != QImage::Format_Alpha8 || color.red() != 0 || color.green() != 0 || color.blue() != 0)
        return colorizedAlpha(alpha8, color);
    // The alpha colorizedAlpha gives each coverage level.
    const std::uint32_t a = std::uint32_t(qAlpha(qPremultiply(color.rgba())));
    std::array<uchar, 256> level{};
    for (std::uint32_t k = 0; k < 256; ++k)
        level[k] = uchar((a * k + 127) / 255);
    const int width = alpha8.width();
    uchar* const bits = alpha8.bits();
    const qsizetype stride = alpha8.bytesPerLine();
    parallelFor(alpha8.height(), width, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uchar* line = bits + y * stride;
            for (int x = 0; x < width; ++x)
                line[x] = level[line[x]];
        }
    });
    return alpha8;
}

namespace {
// One premultiplied colour for each coverage level.
std::array<QRgb, 256> shadeLevels(const QColor& color)
{
    const QRgb pm = qPremultiply(color.rgba());
    const std::uint32_t a = qAlpha(pm), r = qRed(pm), g = qGreen(pm), b = qBlue(pm);
    std::array<QRgb, 256> shade{};
    for (std::uint32_t k = 0; k < 256; ++k)
        shade[k] = qRgba(int((r * k + 127) / 255), int((g * k + 127) / 255), int((b * k + 127) / 255),
                         int((a * k + 127) / 255));
    return shade;
}
} // namespace

QImage colorizedAlpha(const QImage& alpha8, const QColor& color)
{
    QImage out(alpha8.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return out;
    const std::array<QRgb, 256> shade = shadeLevels(color);
    const int width = alpha8.width();
    uchar* const outBits = out.bits();
    const qsizetype outStride = out.bytesPerLine();
    parallelFor(alpha8.height(), width, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uchar* in = alpha8.constScanLine(y);
            QRgb* o = reinterpret_cast<QRgb*>(outBits + y * outStride);
            for (int x = 0; x < width; ++x)
                o[x] = shade[in[x]];
        }
    });
    return out;
}

} // namespace qf
