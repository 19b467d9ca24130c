#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qf {

// What a collage document needs of the editor that shows it. The editor's
// window controller implements it; tests fake it. The document never sees a
// window.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;

    // The bytes to store for a type: for the single-file design type the
    // envelope of the current collage, for an image type the rendered
    // picture (JPEG quality 0..1, TIFF compression tag value). Empty when
    // they could not be made.
    virtual QByteArray dataOfTypeForSave(const QString& typeName, double jpegCompression,
                                         int tiffCompression) = 0;

    // The picture identities the collage shows, its background included.
    virtual QStringList allPicturesInUse() const = 0;

    // Told after the document was saved or exported to the type.
    virtual void savedSuccessfullyToFileType(const QString& typeName) = 0;
};

} // namespace qf
