#pragma once

#include "platform/core/Status.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace qf {

class PrintOperation;

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

    struct SaveData {
        QByteArray bytes;
        Status status = Status::success();
    };
    // dataOfTypeForSave() with the reason when there are no bytes.
    virtual SaveData saveDataOfType(const QString& typeName, double jpegCompression, int tiffCompression)
    {
        return {dataOfTypeForSave(typeName, jpegCompression, tiffCompression), Status::success()};
    }

    // Completes changes still under way, before a save, close or print.
    virtual void finishPendingChanges() {}

    // The picture identities the collage shows, its background included.
    virtual QStringList allPicturesInUse() const = 0;

    // Told after the document was saved or exported to the type.
    virtual void savedSuccessfullyToFileType(const QString& typeName) = 0;

    // Whether the collage's background is transparent (exports then offer PNG first).
    virtual bool backgroundIsTransparent() const { return false; }
    // Prints by handing a rendered picture to one of two applications.
    virtual void printUsingPreview(bool /*preview*/, bool /*iPhoto*/) {}
    // The print job of the collage; null when there is nothing to print.
    virtual std::shared_ptr<PrintOperation> getPrintOperation() { return nullptr; }
};

} // namespace qf
