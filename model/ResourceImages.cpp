#include "model/ResourceImages.h"

#include <QHash>

namespace qf {

const QList<std::pair<QString, QSizeF>>& ResourceImages::all()
{
    static const QList<std::pair<QString, QSizeF>> images{
        {QStringLiteral("crop_translate"), QSizeF(24, 24)},
        {QStringLiteral("crop_zoom"), QSizeF(24, 24)},
        {QStringLiteral("move"), QSizeF(24, 24)},
        {QStringLiteral("rotate_only"), QSizeF(24, 24)},
        {QStringLiteral("scale_only"), QSizeF(24, 24)},
        {QStringLiteral("plus"), QSizeF(40, 40)},
        {QStringLiteral("transparent_background_pattern.png"), QSizeF(20, 20)},
        {QStringLiteral("image_picker_non_pressed"), QSizeF(30, 30)},
        {QStringLiteral("image_picker_pressed"), QSizeF(30, 30)},
    };
    return images;
}

QSizeF ResourceImages::sizeOf(const QString& name)
{
    for (const auto& [n, size] : all())
        if (n == name)
            return size;
    return {};
}

QImage ResourceImages::load(const QString& name)
{
    const QString file = name.contains(QLatin1Char('.')) ? name : name + QStringLiteral(".png");
    return QImage(QStringLiteral(":/images/") + file);
}

const QImage& ResourceImages::image(const QString& name)
{
    // Read on first use, once: made the first time any image is asked for.
    static const QHash<QString, QImage> images = [] {
        QHash<QString, QImage> loaded;
        for (const auto& entry : all())
            loaded.insert(entry.first, load(entry.first));
        return loaded;
    }();
    static const QImage none;
    const auto it = images.constFind(name);
    return it == images.cend() ? none : *it;
}

} // namespace qf
