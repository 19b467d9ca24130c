#include "TemplateDesigns.h"

#include <QPainter>
#include <QPainterPath>

namespace qf::tools {

QImage drawBackdrop(Backdrop backdrop, QColor base, quint32 seed)
{
    PhotoRandom random(seed);
    const auto fibres = [&random](QImage& image, int count, int alpha) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < count; ++i) {
            const bool dark = random.chance(0.5);
            p.setPen(QPen(dark ? QColor(90, 70, 50, alpha) : QColor(255, 255, 255, alpha), random(0.6, 1.6)));
            const QPointF a(random(0, image.width()), random(0, image.height()));
            const bool across = random.chance(0.5);
            const double length = random(8, 40);
            p.drawLine(a, a + (across ? QPointF(length, random(-1, 1)) : QPointF(random(-1, 1), length)));
        }
    };
    switch (backdrop) {
    case Backdrop::Colour:
        return {};
    case Backdrop::Linen: {
        QImage image(1500, 1000, QImage::Format_RGB32);
        image.fill(base);
        fibres(image, 26000, 22);
        finishLikeAPhoto(image, random, 2.5, 0.18);
        return image;
    }
    case Backdrop::Confetti: {
        QImage image(600, 600, QImage::Format_RGB32);
        image.fill(base);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        const QList<QColor> colours{QColor(255, 120, 150), QColor(255, 196, 60), QColor(90, 190, 220),
                                    QColor(150, 110, 220), QColor(110, 200, 140)};
        for (int i = 0; i < 70; ++i) {
            p.save();
            // Pieces near an edge are drawn again on the far side, so the tile repeats without seams.
            const QPointF at(random(0, 600), random(0, 600));
            p.setBrush(colours[random.integer(0, int(colours.size()) - 1)]);
            const double angle = random(0, 180), length = random(10, 26);
            const bool dot = random.chance(0.4);
            for (int dx : {-600, 0, 600})
                for (int dy : {-600, 0, 600}) {
                    p.save();
                    p.translate(at + QPointF(dx, dy));
                    p.rotate(angle);
                    if (dot)
                        p.drawEllipse(QPointF(0, 0), length * 0.35, length * 0.35);
                    else
                        p.drawRoundedRect(QRectF(-length / 2, -4, length, 8), 3, 3);
                    p.restore();
                }
            p.restore();
        }
        return image;
    }
    case Backdrop::Gingham: {
        QImage image(240, 240, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        const QColor red(200, 44, 52);
        p.fillRect(QRectF(0, 0, 120, 240), QColor(red.red(), red.green(), red.blue(), 120));
        p.fillRect(QRectF(0, 0, 240, 120), QColor(red.red(), red.green(), red.blue(), 120));
        p.end();
        fibres(image, 500, 26);
        return image;
    }
    case Backdrop::Snowflakes:
    case Backdrop::Hearts: {
        QImage image(500, 500, QImage::Format_RGB32);
        image.fill(base);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const bool snow = backdrop == Backdrop::Snowflakes;
        // Five motifs on a jittered grid, away from the edges so the tile repeats cleanly.
        for (int i = 0; i < 5; ++i) {
            const QPointF at(60 + (i % 3) * 160 + random(-20, 20) + (i >= 3 ? 80 : 0),
                             90 + (i / 3) * 250 + random(-25, 25));
            const double r = random(26, 42);
            p.save();
            p.translate(at);
            p.rotate(random(-25, 25));
            if (snow) {
                p.setPen(QPen(QColor(255, 255, 255, 210), 4, Qt::SolidLine, Qt::RoundCap));
                for (int arm = 0; arm < 6; ++arm) {
                    p.drawLine(QPointF(0, 0), QPointF(0, -r));
                    p.drawLine(QPointF(0, -r * 0.6), QPointF(-r * 0.25, -r * 0.8));
                    p.drawLine(QPointF(0, -r * 0.6), QPointF(r * 0.25, -r * 0.8));
                    p.rotate(60);
                }
            } else {
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(232, 160, 168, 150));
                QPainterPath heart;
                heart.moveTo(0, r * 0.9);
                heart.cubicTo(-r * 1.4, 0, -r * 0.7, -r * 1.1, 0, -r * 0.4);
                heart.cubicTo(r * 0.7, -r * 1.1, r * 1.4, 0, 0, r * 0.9);
                p.drawPath(heart);
            }
            p.restore();
        }
        return image;
    }
    }
    return {};
}

} // namespace qf::tools
