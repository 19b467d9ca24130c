#include "PlaceholderPhotos.h"

#include <QLinearGradient>
#include <QPainter>

namespace qf::tools {

QImage drawOutdoorScene(PhotoScene, int variant, QSize size, PhotoRandom& random)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor::fromHsv((200 + variant * 9) % 360, 120, 230));
    sky.setColorAt(1, QColor::fromHsv((40 + variant * 9) % 360, 60, 240));
    p.fillRect(image.rect(), sky);
    p.end();
    finishLikeAPhoto(image, random);
    return image;
}

} // namespace qf::tools
