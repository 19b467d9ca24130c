#pragma once

#include "model/UtilityFunctions.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

namespace qf::test {

// The bytes of a PNG file of one colour.
inline QByteArray png(QColor color, QSize size = QSize(40, 30))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Opaque noise, the same for the same seed: a pixel from anywhere else shows.
inline QImage noise(QSize size, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            image.setPixel(x, y, 0xff000000u | (seed >> 8));
        }
    return image;
}

// The picture identity of file bytes.
inline QString md5(const QByteArray& bytes)
{
    return UtilityFunctions::md5Identity(bytes);
}

} // namespace qf::test
