#pragma once

#include "document/DocumentHost.h"
#include "editor/EditorWindow.h"

#include <QImage>
#include <QObject>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace qf {

class ApplicationLookup;
class EditorSession;
class GraphicsContext;
class PrintOperation;
class PrivateTemporaryFolder;

// The collage of one editor as output: rendered with its full pictures into
// a bitmap, encoded as an image type, written as a temporary JPEG, printed,
// or handed to another application to print. It reads the collage and the
// document through its controller, which owns it.
//
// Main thread only. A render draws a copy of the collage made from its
// snapshot, with the pictures it needs taken from the store beforehand, so
// under the saving sheet it runs on a worker thread while the window paints.
class CollageExporter : public QObject {
    Q_OBJECT
public:
    using SaveData = DocumentHost::SaveData;

    explicit CollageExporter(EditorSession& session);
    ~CollageExporter() override;

    // The collage drawn for output into a cleared 8-bit RGBA bitmap of the
    // size; null when the size is out of range or cannot be allocated.
    QImage getImageBitmapRepForWidth(qint64 width, qint64 height);
    // The same, under the saving sheet.
    QImage getImageForWidthWithProgressIndicator(qint64 width, qint64 height);

    // The collage rendered at the size and encoded as the image type; no
    // bytes for a type that is no image type.
    SaveData dataOfType(const QString& typeName, double jpegCompression, int tiffCompression, qint64 width,
                        qint64 height);
    // dataOfType() at the collage's pixel size, under the saving sheet.
    // PNG and TIFF are RGB unless the background is transparent.
    SaveData dataOfTypeAtCollageSize(const QString& typeName, double jpegCompression, int tiffCompression);
    // Counts the pictures saved for the current version.
    void savedSuccessfullyToFileType(const QString& typeName);
    // The collage as a JPEG named after `name` (temporaryImageFileName())
    // in the temporary folder, for another program to read.
    std::optional<QString> saveImageAtTempLocationWithName(const QString& name);
    // Removes a picture saveImageAtTempLocationWithName() made, once the
    // program it was for has turned it down.
    void discardTemporaryImage(const QString& path);
    // Where temporary pictures go; the application's private folder unless set.
    void setTemporaryFolder(std::shared_ptr<PrivateTemporaryFolder> folder) { m_temporaryFolder = std::move(folder); }
    // The file name of a temporary picture for a document or picture name:
    // ASCII letters, digits, '-' and '_' only, ending in ".jpg". Other
    // programs get its path, and some put it unescaped into command lines
    // of their own (xdg-email's for Thunderbird does).
    static QString temporaryImageFileName(const QString& name);

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
    class Render;
    // The copy to draw at the size, made now; null for a size out of range.
    std::unique_ptr<Render> prepareRender(qint64 width, qint64 height) const;
    template <typename Result>
    Result underSavingSheet(const std::function<Result(const std::function<void(double)>&)>& work);

    EditorSession& m_session;
    std::shared_ptr<PrivateTemporaryFolder> m_temporaryFolder;
    std::shared_ptr<ApplicationLookup> m_applicationLookup;
};

} // namespace qf
