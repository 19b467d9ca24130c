#pragma once

#include "document/DocumentHost.h"
#include "document/SaveAccessory.h"
#include "document/QFRegularFileWrapperContainer.h"
#include "platform/core/Status.h"
#include "platform/files/AtomicFileWriter.h"
#include "platform/files/FileWrapper.h"
#include "platform/documents/Document.h"

#include <QByteArray>
#include <QImage>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringView>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

namespace qf {

class ApplicationLookup;

// The document of one collage: the envelope bytes of its design, the
// pictures embedded in it, and a template's information. Reading only stores
// these; the editor parses the collage when its window loads. Writing makes
// the project package (a folder holding "collage.design" and "Images") or,
// for exports, a picture the editor renders.
//
// A document is used from the main thread only.
class CollageDocument : public Document {
    Q_OBJECT
public:
    // Type identifiers.
    static QString projectType(); // a package folder, read and written
    static QString designType();  // an old single-file design, read only
    static QString jpegType();
    static QString pngType();
    static QString tiffType();
    static QString projectExtension(); // "quiltfolioproj"
    static QString designExtension();  // "quiltfolio"

    // Failure reasons shown to the user.
    static QString corruptFileMessage();
    static QString unsupportedTypeMessage();
    // A project that is no folder, or an old design that is no single file:
    // the name is right, the thing is not.
    static QString wrongKindMessage(const QString& typeName);
    static QString newerVersionMessage();
    static QString saveAsMessage();

    // The type of the file at the path by its extension (either project
    // type or an image type); none for any other extension.
    static std::optional<QString> typeForPath(const QString& path);

    // The project types, which Save and Save As write; the images are exports.
    static bool isNativeType(const QString& typeName);

    // TIFF compression tag value for an index of the compression popup:
    // 0 none (1), 1 LZW (5), 2 PackBits (32773); LZW for anything else.
    static int tiffCompressionCode(int index);

    // The types for the file dialogs: both project types are read, only the
    // package is written, pictures are exported.
    static QList<DocumentType> readableDocumentTypes();
    static QList<DocumentType> writableDocumentTypes();
    static QList<DocumentType> exportableDocumentTypes();

    using HostFactory = std::function<std::unique_ptr<DocumentHost>(CollageDocument&)>;

    CollageDocument();
    ~CollageDocument() override;
    CollageDocument(const CollageDocument&) = delete;
    CollageDocument& operator=(const CollageDocument&) = delete;

    // How documents make their editor; set once by the application.
    static void setDefaultHostFactory(HostFactory factory);
    // This document's own way, before the default (tests).
    void setHostFactory(HostFactory factory) { m_hostFactory = std::move(factory); }
    // Makes the one editor of this document, unless it has one.
    void makeWindowControllers() override;
    DocumentHost* fotoloomController() const { return m_host.get(); }

    // Reads a package folder (project type) or a single file (design type).
    // On failure the document is left as it was and the status carries the
    // reason.
    Status readFromFileWrapper(const FileWrapper& wrapper, const QString& typeName);
    // Reads the file at the path with the type its extension names.
    Status readFromPath(const QString& path);
    Status readFromPath(const QString& path, const QString& typeName) override;

    struct FileWrapperResult {
        Status status = Status::success();
        std::shared_ptr<FileWrapper> wrapper; // null on failure
    };
    // What a save of the type writes: the project package, or an exported
    // picture for the image types. Every other type fails with
    // saveAsMessage().
    FileWrapperResult fileWrapperOfType(const QString& typeName);

    // Writes fileWrapperOfType() at the path atomically: the previous file
    // stays intact unless the new one is complete. A project package saved
    // under a name without its extension gets it. Tells the editor on
    // success.
    Status saveToPath(const QString& path, const QString& typeName, SaveOperation operation) override;

    // What the Save command does. An old single-file design is never
    // written in its own format, so it asks for a new location, as does a
    // document never saved.
    SaveOperation saveDocument() const;
    SaveOperation saveOperationForSave() const override { return saveDocument(); }
    // Save stays enabled for an old single-file design although it may be
    // unchanged; every other item is left to the caller (none).
    std::optional<bool> validateUserInterfaceItem(QStringView action) const;
    bool canSave() const override;
    void finishPendingChanges() override;

    // The envelope bytes as read; none for a new document.
    const std::optional<QByteArray>& jsonData() const { return m_jsonData; }
    // "TemplateInfo.plist" of a template package.
    const std::optional<QVariantMap>& templateInfoDict() const { return m_templateInfoDict; }
    // "preview.jpeg" of a template package, or null.
    std::shared_ptr<FileWrapper> previewImageFileWrapper() const { return m_previewImageFileWrapper; }

    // Export settings.
    double jpegCompression() const { return m_jpegCompression; }
    void setJpegCompression(double quality);
    int tiffCompression() const { return m_tiffCompression; }
    void setTiffCompression(int index) { m_tiffCompression = index; }

    // ---- exports and printing ----------------------------------------------------

    // Export menu actions: Save To with that type offered first.
    void exportAsJpeg();
    void exportAsPng();
    void exportAsTiff();
    // Save To: an export of the collage as a picture; the document's file stays.
    void saveDocumentTo(Done done = {});
    // The export dialog's setup: the accessory with the type, JPEG quality
    // and TIFF compression, and the dialog limited to the chosen type.
    void prepareSavePanel(SavePanelRequest& request, SaveOperation operation) override;
    // An export writes the type chosen in the accessory, whatever the dialog says.
    QString saveTypeForPanelType(const QString& panelType, SaveOperation operation) const override;
    // The type preselected by the next export; used once.
    const std::optional<QString>& exportPriorityType() const { return m_exportPriorityType; }
    // The export type chosen in the accessory.
    const QString& currentFileType() const { return m_currentFileType; }
    // Shows the accessory's controls of currentFileType().
    void setupAccessoryViewStuff();
    // The accessory's type popup chose index 0 JPEG, 1 PNG or 2 TIFF.
    void accessoryFileTypeChanged(int index);
    // The accessory, once an export dialog made it (only with widgets).
    QObject* customAccessoryView() const { return m_accessory ? m_accessory->view() : nullptr; }

    // Print: hand the collage to an installed viewer, else the print dialog.
    void printDocument(Done done = {});
    // The editor's print job with the document's orientation.
    std::shared_ptr<PrintOperation> printOperationWithSettings();
    // How applications are found; the desktop's by default.
    void setApplicationLookup(std::shared_ptr<ApplicationLookup> lookup) { m_applicationLookup = std::move(lookup); }

    // How saves reach the disk (tests and benchmarks).
    void setWriteOptions(const AtomicFileWriter::Options& options) { m_writeOptions = options; }

    // The picture store, in the order pictures were read or added.
    using Container = QFRegularFileWrapperContainer;
    const QList<std::shared_ptr<Container>>& imageWrapperContainers() const { return m_imageWrapperContainers; }
    // The first container of that picture identity, or null.
    std::shared_ptr<Container> getFileWrapperContainer(const QString& md5) const;
    // Stores the container unless one of the same identity is stored.
    void addImage(std::shared_ptr<Container> container);
    void addImages(const QList<std::shared_ptr<Container>>& containers);
    // All drawing proxies of a document together take at most this memory,
    // unless another budget is set (0 or less: this one again).
    static constexpr qint64 maxDrawingImageBytes = qint64(1) << 30;
    qint64 drawingImageBudget() const { return m_drawingImageBudget; }
    void setDrawingImageBudget(qint64 bytes) { m_drawingImageBudget = bytes > 0 ? bytes : maxDrawingImageBytes; }
    // The memory the kept proxies take now.
    qint64 drawingImageBytes() const;
    // Plans new proxies (of any thread's batch) as boundDrawingImageMemory
    // would then make them, beside the proxies kept now.
    Container::DrawingSizePlan drawingSizePlan() const;
    // Makes the missing proxies of these pictures (unknown identities are
    // skipped) by that plan: none is decoded larger than it may stay.
    void makeDrawingSizeImages(const QStringList& md5s);
    // Makes the largest proxies smaller until all fit in `budget` (the
    // document's unless given), and gives the memory freed back to the
    // system; answers the identities whose proxy changed (their old images
    // are stale).
    QStringList boundDrawingImageMemory(qint64 budget = 0);
    // The full picture or the drawing proxy of that identity; a null image
    // for an unknown identity or bytes that are no picture.
    QImage getCompleteSizeImage(const QString& md5) const;
    QImage getDrawingSizeImage(const QString& md5);

private:
    std::unique_ptr<DocumentHost> m_host;
    HostFactory m_hostFactory;
    std::optional<QByteArray> m_jsonData;
    std::optional<QVariantMap> m_templateInfoDict;
    std::shared_ptr<FileWrapper> m_previewImageFileWrapper;
    QList<std::shared_ptr<Container>> m_imageWrapperContainers;
    // The first container of each identity among them.
    QHash<QString, std::shared_ptr<Container>> m_containerForIdentity;
    qint64 m_drawingImageBudget = maxDrawingImageBytes;
    double m_jpegCompression = 0.96;
    int m_tiffCompression = 1;
    AtomicFileWriter::Options m_writeOptions;

    std::optional<QString> m_exportPriorityType;
    SaveOperation m_qfSaveOperationType = SaveOperation::Save;
    SavePanel* m_qfSavePanel = nullptr; // while the export dialog is open
    QString m_currentFileType;
    std::unique_ptr<SaveAccessory> m_accessory;
    std::shared_ptr<ApplicationLookup> m_applicationLookup;
};

} // namespace qf
