#include "PlaceholderPhotos.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>

namespace qf::tools {

QImage drawPlaceholderPhoto(PhotoScene scene, int variant, bool portrait, quint32 seed)
{
    PhotoRandom random(seed * 7919u + quint32(variant) * 104729u + quint32(scene));
    const int shortSide = kPhotoLongSide * 3 / 4;
    const QSize size = portrait ? QSize(shortSide, kPhotoLongSide) : QSize(kPhotoLongSide, shortSide);
    QImage image = scene < PhotoScene::City ? drawOutdoorScene(scene, variant, size, random)
                                            : drawCloseScene(scene, variant, size, random);
    if (image.size() != size || image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(QImage::Format_RGB32).scaled(size, Qt::IgnoreAspectRatio,
                                                                    Qt::SmoothTransformation);
    return image;
}

QImage softened(const QImage& image, double radius)
{
    // Three passes of down- and up-scaling come close enough to a Gaussian for
    // a background out of focus, at a fraction of a true blur's cost.
    if (radius < 1.0 || image.isNull())
        return image;
    const int factor = std::clamp(int(std::lround(radius / 1.5)), 2, 64);
    const QSize small((image.width() + factor - 1) / factor, (image.height() + factor - 1) / factor);
    QImage reduced = image.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QSize middle = small * 2;
    reduced = reduced.scaled(middle, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return reduced.scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(image.format());
}

void drawBokeh(QImage& image, QPointF centre, double radius, const QColor& colour, double strength)
{
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Screen);
    p.setPen(Qt::NoPen);
    QRadialGradient disc(centre, radius);
    const auto at = [&](double alpha) {
        QColor c = colour;
        c.setAlphaF(float(std::clamp(alpha * strength, 0.0, 1.0)));
        return c;
    };
    disc.setColorAt(0.0, at(0.55));
    disc.setColorAt(0.82, at(0.7));
    disc.setColorAt(0.93, at(0.9));
    disc.setColorAt(1.0, at(0.0));
    p.setBrush(disc);
    p.drawEllipse(centre, radius, radius);
}

void finishLikeAPhoto(QImage& image, PhotoRandom& random, double grain, double vignette)
{
    if (image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    const double cx = w / 2.0, cy = h / 2.0, reach = std::hypot(cx, cy);
    // A soft S-curve: deeper shadows and gentler highlights than flat paint.
    uchar curve[256];
    for (int i = 0; i < 256; ++i) {
        const double x = i / 255.0;
        curve[i] = uchar(std::clamp(std::lround(255.0 * (x - 0.3 * std::sin(2.0 * M_PI * x) / (2.0 * M_PI))), 0L, 255L));
    }
    // The vignette's fall-off by squared distance from the middle (0 at the
    // middle, 1 in the corners), tabulated: a power per pixel would cost more
    // than the rest of the finish.
    constexpr int kSteps = 2048;
    std::array<float, kSteps + 2> fallOff{};
    for (int i = 0; i <= kSteps + 1; ++i)
        fallOff[size_t(i)] = float(1.0 - vignette * std::pow(double(i) / kSteps, 1.2) * 1.6);
    // Grain from a small fixed-seed generator per row: fast, and the same on
    // every build.
    quint32 state = quint32(random.unit() * 4294967295.0) | 1u;
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double dy = (y - cy) / reach;
        for (int x = 0; x < w; ++x) {
            const double dx = (x - cx) / reach;
            const double at = std::min(1.0, dx * dx + dy * dy) * kSteps;
            const int i = int(at);
            const double fall = fallOff[size_t(i)] + (fallOff[size_t(i + 1)] - fallOff[size_t(i)]) * (at - i);
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const double noise = (double(state & 0xFFFF) / 65535.0 - 0.5) * 2.0 * grain;
            const QRgb px = line[x];
            const auto channel = [&](int v) {
                // Truncation rounds like floor wherever the clamp keeps the value.
                return std::clamp(int(curve[v] * fall + noise + 0.5), 0, 255);
            };
            line[x] = qRgb(channel(qRed(px)), channel(qGreen(px)), channel(qBlue(px)));
        }
    }
}

} // namespace qf::tools
