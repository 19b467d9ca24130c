#pragma once

#include "document/DocumentHost.h"
#include "editor/EditorWindow.h"

#include <QImage>
#include <QObject>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace qf {

class ApplicationLookup;
class FotoloomController;
class FullSizeImagePrefetcher;
class GraphicsContext;
class PrintOperation;

// The collage of one editor as output: rendered with its full pictures into
// a bitmap, encoded as an image type, written as a temporary JPEG, printed,
// or handed to another application to print. It reads the collage and the
// document through its controller, which owns it.
//
// Main thread only.
class CollageExporter : public QObject {
    Q_OBJECT
public:
    using SaveData = DocumentHost::SaveData;

    explicit CollageExporter(FotoloomController& controller);
    ~CollageExporter() override;

    // The collage drawn for output into a cleared 8-bit RGBA bitmap of the
    // size; null when the size is out of range or cannot be allocated.
    QImage getImageBitmapRepForWidth(qint64 width, qint64 height);
    // The same, with the saving sheet on the window while it renders.
    QImage getImageForWidthWithProgressIndicator(qint64 width, qint64 height);
    // While a render runs, the full picture it takes in place of the store's:
    // null during the dry run, none when the render has no decode of it ready.
    std::optional<QImage> completeSizeImageDuringRender(const QString& md5);

    // The collage rendered at the size and encoded as the image type; no
    // bytes for a type that is no image type.
    SaveData dataOfType(const QString& typeName, double jpegCompression, int tiffCompression, qint64 width,
                        qint64 height);
    // dataOfType() at the collage's pixel size, under the saving sheet.
    SaveData dataOfTypeAtCollageSize(const QString& typeName, double jpegCompression, int tiffCompression);
    // Counts the pictures saved for the current version.
    void savedSuccessfullyToFileType(const QString& typeName);
    // The collage as a JPEG "<name>.jpeg" in a new folder of the temporary folder.
    std::optional<QString> saveImageAtTempLocationWithName(const QString& name);
    // Where temporary pictures go; the system's temporary folder when empty.
    void setTemporaryDirectory(const QString& path) { m_temporaryDirectory = path; }

    // The document prints landscape when the collage is wider than high.
    void setPrintInfoOrientation();
    std::shared_ptr<PrintOperation> getPrintOperation();
    // The collage for output at the size, with the spinner on while it draws.
    bool drawOnCurrentContextForPrintingInBounds(GraphicsContext& context, QSizeF bounds);
    // Asks, then opens a rendered picture in the viewer or the photo library.
    void printUsingPreview(bool preview, bool iPhoto);
    // How the hand-off finds and opens applications; the desktop's by default.
    void setApplicationLookup(std::shared_ptr<ApplicationLookup> lookup) { m_applicationLookup = std::move(lookup); }

    static AlertText printUsingPreviewAlert();
    static AlertText printUsingIPhotoAlert();

private:
    FotoloomController& m_controller;
    QString m_temporaryDirectory;
    FullSizeImagePrefetcher* m_fullSizeImages = nullptr; // during an export render
    QStringList* m_picturesAskedFor = nullptr;           // during the render's dry run
    std::shared_ptr<ApplicationLookup> m_applicationLookup;
};

} // namespace qf
