// Draws the application's handle, button and tile images into resources/images.
// Run by hand when an image changes: qf_make_images <output folder>.
#include "model/ResourceImages.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <functional>

using namespace qf;

namespace {

constexpr double kScale = 2.0; // pixels per drawing unit

void roundedBadge(QPainter& p, QSizeF s, QColor fill)
{
    p.setPen(QPen(QColor(255, 255, 255, 230), 1.5));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1, 1, s.width() - 2, s.height() - 2), 5, 5);
}

void arrowHead(QPainter& p, QPointF tip, double angle, double size)
{
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip + QPointF(std::cos(angle + 2.6) * size, std::sin(angle + 2.6) * size));
    head.lineTo(tip + QPointF(std::cos(angle - 2.6) * size, std::sin(angle - 2.6) * size));
    head.closeSubpath();
    p.fillPath(head, Qt::white);
}

void fourWayArrows(QPainter& p, QSizeF s)
{
    const QPointF c(s.width() / 2, s.height() / 2);
    const double r = s.width() * 0.34;
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c - QPointF(r, 0), c + QPointF(r, 0));
    p.drawLine(c - QPointF(0, r), c + QPointF(0, r));
    for (int i = 0; i < 4; ++i) {
        const double a = i * M_PI / 2;
        arrowHead(p, c + QPointF(std::cos(a) * r, std::sin(a) * r), a, 4.5);
    }
}

void draw(const QString& name, QPainter& p, QSizeF s)
{
    const QColor blue(40, 110, 220, 235);
    const QColor dark(30, 30, 30, 200);
    const QPointF c(s.width() / 2, s.height() / 2);
    if (name == "crop_translate") {
        roundedBadge(p, s, dark);
        fourWayArrows(p, s);
    } else if (name == "crop_zoom") {
        roundedBadge(p, s, dark);
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(c.x() - 2, c.y() - 2), 6, 6);
        p.drawLine(QPointF(c.x() + 2.5, c.y() + 2.5), QPointF(c.x() + 7, c.y() + 7));
        p.setPen(QPen(Qt::white, 1.5));
        p.drawLine(QPointF(c.x() - 5, c.y() - 2), QPointF(c.x() + 1, c.y() - 2));
        p.drawLine(QPointF(c.x() - 2, c.y() - 5), QPointF(c.x() - 2, c.y() + 1));
    } else if (name == "move") {
        roundedBadge(p, s, blue);
        fourWayArrows(p, s);
    } else if (name == "rotate_only") {
        roundedBadge(p, s, blue);
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(c.x() - 7, c.y() - 7, 14, 14), 30 * 16, 280 * 16);
        arrowHead(p, QPointF(c.x() + 7 * std::cos(M_PI / 6), c.y() - 7 * std::sin(M_PI / 6)), M_PI / 2 + 0.3, 5);
    } else if (name == "scale_only") {
        roundedBadge(p, s, blue);
        p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
        const QPointF a(c.x() - 7, c.y() + 7), b(c.x() + 7, c.y() - 7);
        p.drawLine(a, b);
        arrowHead(p, a, 3 * M_PI / 4, 5);
        arrowHead(p, b, -M_PI / 4, 5);
    } else if (name == "plus") {
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(QColor(60, 60, 60, 190));
        p.drawEllipse(QRectF(2, 2, s.width() - 4, s.height() - 4));
        p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(c.x() - 9, c.y()), QPointF(c.x() + 9, c.y()));
        p.drawLine(QPointF(c.x(), c.y() - 9), QPointF(c.x(), c.y() + 9));
    } else if (name == "transparent_background_pattern.png") {
        const double cell = s.width() / 2;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                p.fillRect(QRectF(x * cell, y * cell, cell, cell),
                           (x + y) % 2 ? QColor(204, 204, 204) : QColor(255, 255, 255));
    } else if (name.startsWith("image_picker")) {
        const bool pressed = name.endsWith("_pressed") && !name.contains("non");
        roundedBadge(p, s, pressed ? QColor(20, 70, 160, 245) : QColor(40, 40, 40, 170));
        // A small landscape picture: frame, mountain and sun.
        const QRectF frame(6, 8, s.width() - 12, s.height() - 16);
        p.setPen(QPen(Qt::white, 1.4));
        p.setBrush(Qt::NoBrush);
        p.drawRect(frame);
        QPainterPath hill;
        hill.moveTo(frame.left() + 1, frame.bottom() - 1);
        hill.lineTo(frame.left() + frame.width() * 0.4, frame.top() + frame.height() * 0.45);
        hill.lineTo(frame.left() + frame.width() * 0.65, frame.bottom() - frame.height() * 0.3);
        hill.lineTo(frame.right() - 1, frame.bottom() - 1);
        hill.closeSubpath();
        p.fillPath(hill, Qt::white);
        p.setBrush(Qt::white);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(frame.right() - 4, frame.top() + 4), 2, 2);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: qf_make_images <output folder>\n");
        return 2;
    }
    for (const auto& [name, size] : ResourceImages::all()) {
        QImage img((size * kScale).toSize(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(kScale, kScale);
        draw(name, p, size);
        p.end();
        const QString file = QString::fromLocal8Bit(argv[1]) + "/"
                             + (name.contains('.') ? name : name + ".png");
        if (!img.save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
