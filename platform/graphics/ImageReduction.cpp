#include "platform/graphics/ImageReduction.h"

#include <QColorSpace>

#include <algorithm>
#include <cmath>

namespace qf {

namespace {

thread_local ImageReduction::ScopedListener* t_listener = nullptr;

// The mean of four pixels, channel by channel and rounded, two channels at a
// time in the halves of a 32-bit word.
inline QRgb average4(QRgb p, QRgb q, QRgb r, QRgb s)
{
    constexpr quint32 m = 0x00ff00ff;
    const quint32 rb = (p & m) + (q & m) + (r & m) + (s & m) + 0x00020002;
    const quint32 ag = ((p >> 8) & m) + ((q >> 8) & m) + ((r >> 8) & m) + ((s >> 8) & m) + 0x00020002;
    return ((rb >> 2) & m) | (((ag >> 2) & m) << 8);
}

QImage halveOnce(const QImage& in)
{
    const int w = in.width();
    const int h = in.height();
    QImage out((w + 1) / 2, (h + 1) / 2, in.format());
    if (out.isNull())
        return {};
    const int pairs = w / 2;
    for (int y = 0; y < out.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(in.constScanLine(2 * y));
        const auto* b = reinterpret_cast<const QRgb*>(in.constScanLine(std::min(2 * y + 1, h - 1)));
        auto* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < pairs; ++x)
            o[x] = average4(a[2 * x], a[2 * x + 1], b[2 * x], b[2 * x + 1]);
        if (w % 2)
            o[pairs] = average4(a[w - 1], a[w - 1], b[w - 1], b[w - 1]);
    }
    out.setColorSpace(in.colorSpace());
    return out;
}

} // namespace

double ImageReduction::scaleOfDraw(const QTransform& transform, const QRectF& dest, const QRectF& source)
{
    if (!(source.width() > 0 && source.height() > 0))
        return 0;
    const double horizontal = dest.width() / source.width() * std::hypot(transform.m11(), transform.m12());
    const double vertical = dest.height() / source.height() * std::hypot(transform.m21(), transform.m22());
    const double scale = std::max(std::abs(horizontal), std::abs(vertical));
    return std::isfinite(scale) ? scale : 0;
}

int ImageReduction::halvingsFor(double scale)
{
    int halvings = 0;
    // Beyond 30 halvings nothing of a picture is left.
    while (scale > 0 && scale < 0.5 && halvings < 30) {
        scale *= 2;
        ++halvings;
    }
    return halvings;
}

QImage ImageReduction::halved(const QImage& image, int times)
{
    if (times <= 0 || image.isNull())
        return image;
    QImage reduced = image;
    if (reduced.format() != QImage::Format_RGB32 && reduced.format() != QImage::Format_ARGB32_Premultiplied)
        reduced = reduced.convertToFormat(reduced.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                   : QImage::Format_RGB32);
    for (int i = 0; i < times && !reduced.isNull() && (reduced.width() > 1 || reduced.height() > 1); ++i)
        reduced = halveOnce(reduced);
    return reduced;
}

QImage ImageReduction::reducedForWidth(const QImage& image, double outputWidth)
{
    if (image.isNull() || !(outputWidth > 0))
        return image;
    return halved(image, halvingsFor(outputWidth / image.width()));
}

namespace {

// What reducedPartForWidth works out for a picture of `size`: its size
// reduced for the draw, the halvings, and the pixels of the reduced picture
// kept (empty: all of them).
struct PartCut {
    int halvings = 0;
    QSize reduced;
    QRect cut;
    // The pixels of the picture the cut averages.
    QRect source(QSize size) const
    {
        if (cut.isEmpty())
            return QRect(QPoint(), size);
        const qint64 block = qint64(1) << halvings;
        const auto at = [](qint64 v, int limit) { return int(std::clamp<qint64>(v, 0, limit)); };
        return QRect(QPoint(at(cut.left() * block, size.width() - 1), at(cut.top() * block, size.height() - 1)),
                     QPoint(at((cut.right() + 1) * block, size.width()) - 1,
                            at((cut.bottom() + 1) * block, size.height()) - 1));
    }
};

PartCut partCut(QSize size, double outputWidth, const QRectF& part)
{
    PartCut made;
    made.halvings = size.isEmpty() || !(outputWidth > 0) ? 0 : ImageReduction::halvingsFor(outputWidth / size.width());
    made.reduced = size;
    for (int i = 0; i < made.halvings && (made.reduced.width() > 1 || made.reduced.height() > 1); ++i)
        made.reduced = QSize((made.reduced.width() + 1) / 2, (made.reduced.height() + 1) / 2);
    const bool finite = std::isfinite(part.x()) && std::isfinite(part.y()) && std::isfinite(part.width())
        && std::isfinite(part.height());
    const QRectF fraction = finite ? part & QRectF(0, 0, 1, 1) : QRectF();
    if (size.isEmpty() || fraction.isEmpty())
        return made;
    // The part in the reduced picture's pixels, out to whole ones, and a
    // margin: a pixel for the smoothing, and a share of the size for the
    // fractions measured on a smaller copy whose sides were rounded.
    const QSize r = made.reduced;
    const int marginX = 2 + r.width() / 128;
    const int marginY = 2 + r.height() / 128;
    const QRect cut = QRect(QPoint(int(std::floor(fraction.left() * r.width())) - marginX,
                                   int(std::floor(fraction.top() * r.height())) - marginY),
                            QPoint(int(std::ceil(fraction.right() * r.width())) + marginX - 1,
                                   int(std::ceil(fraction.bottom() * r.height())) + marginY - 1))
        & QRect(QPoint(), r);
    // Little to leave out: the whole picture, without a copy.
    if (!cut.isEmpty() && qint64(cut.width()) * cut.height() * 10 < qint64(r.width()) * r.height() * 9)
        made.cut = cut;
    return made;
}

} // namespace

QRect ImageReduction::sourceOfPart(QSize size, double outputWidth, const QRectF& part)
{
    return partCut(size, outputWidth, part).source(size);
}

QImage ImageReduction::reducedPartForWidth(const QImage& image, double outputWidth, const QRectF& part, QPoint* offset,
                                           QSize* whole)
{
    const PartCut made = partCut(image.size(), outputWidth, part);
    *offset = QPoint();
    *whole = made.reduced;
    if (image.isNull() || made.cut.isEmpty())
        return halved(image, made.halvings);
    // Halved from the pixels under the cut alone: its edges fall on whole
    // blocks of the halvings inside the picture, so each pixel averages
    // the same source pixels as in the whole picture halved.
    QImage out = halved(image.copy(made.source(image.size())), made.halvings);
    if (!out.isNull())
        *offset = made.cut.topLeft();
    return out;
}

ImageReduction::ScopedListener::ScopedListener(Listener listener, PartListener parts)
    : m_listener(std::move(listener))
    , m_parts(std::move(parts))
    , m_previous(t_listener)
{
    t_listener = this;
}

ImageReduction::ScopedListener::~ScopedListener()
{
    t_listener = m_previous;
}

bool ImageReduction::measuring()
{
    return t_listener && (t_listener->m_listener || t_listener->m_parts);
}

void ImageReduction::reportDraw(const QImage& image, double scale)
{
    if (t_listener && t_listener->m_listener)
        t_listener->m_listener(image, scale);
}

void ImageReduction::reportPart(const QImage& image, const QRectF& part)
{
    if (t_listener && t_listener->m_parts)
        t_listener->m_parts(image, part);
}

} // namespace qf
