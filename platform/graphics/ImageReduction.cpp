#include "platform/graphics/ImageReduction.h"

#include <QColorSpace>

#include <algorithm>
#include <cmath>

namespace qf {

namespace {

thread_local ImageReduction::Listener* t_listener = nullptr;

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

ImageReduction::ScopedListener::ScopedListener(Listener listener)
    : m_listener(std::move(listener))
    , m_previous(t_listener)
{
    t_listener = &m_listener;
}

ImageReduction::ScopedListener::~ScopedListener()
{
    t_listener = m_previous;
}

bool ImageReduction::measuring()
{
    return t_listener && *t_listener;
}

void ImageReduction::reportDraw(const QImage& image, double scale)
{
    if (measuring())
        (*t_listener)(image, scale);
}

} // namespace qf
