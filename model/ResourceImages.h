#pragma once

#include <QImage>
#include <QSizeF>
#include <QString>

namespace qf {

// The application's own images (handles, buttons, the transparency tile).
// Their sizes in drawing units are fixed here, in one place: the layouts take
// the hit rectangles of handles and buttons from them. The image files carry
// twice as many pixels for sharp drawing on dense screens.
class ResourceImages {
public:
    // Drawing size of the named image; empty for an unknown name.
    static QSizeF sizeOf(const QString& name);
    // The named image (a name without an extension is a PNG); null when missing.
    static QImage load(const QString& name);
    // The same, read once per process and kept.
    static const QImage& image(const QString& name);
    // Every name with its size, for the generator and the tests.
    static const QList<std::pair<QString, QSizeF>>& all();
};

} // namespace qf
