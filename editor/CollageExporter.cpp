#include "editor/CollageExporter.h"

#include "document/CollageDocument.h"
#include "editor/FotoloomController.h"
#include "editor/FullSizeImagePrefetcher.h"
#include "editor/PrintDrawingView.h"
#include "model/Collage.h"
#include "model/UtilityFunctions.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/images/ImageEncoder.h"
#include "platform/services/ApplicationLookup.h"
#include "platform/widgets/documents/PrintOperation.h"

#include <QDir>
#include <QLoggingCategory>
#include <QPointer>
#include <QSaveFile>
#include <QThread>
#include <QUuid>

#include <limits>

namespace qf {

namespace {

Q_LOGGING_CATEGORY(lcExport, "qf.editor.export")

std::optional<ImageEncoder::Format> formatForType(const QString& typeName)
{
    if (typeName == CollageDocument::jpegType())
        return ImageEncoder::Format::Jpeg;
    if (typeName == CollageDocument::pngType())
        return ImageEncoder::Format::Png;
    if (typeName == CollageDocument::tiffType())
        return ImageEncoder::Format::Tiff;
    return std::nullopt;
}

ImageMetadata exportMetadata(qint64 resolution)
{
    ImageMetadata metadata;
    metadata.dotsPerInch = int(std::clamp<qint64>(resolution, 1, 100000));
    metadata.software = QStringLiteral("Quiltfolio");
    metadata.description = CollageExporter::tr("Collage created using Quiltfolio software");
    metadata.userComment = metadata.description;
    return metadata;
}

// A name for a file inside our own folder: no folders, nothing hidden.
QString fileNameFrom(const QString& name)
{
    QString cleaned = name.trimmed();
    cleaned.replace(u'/', u'-');
    cleaned.replace(QChar(0), u'-');
    while (cleaned.startsWith(u'.'))
        cleaned.remove(0, 1);
    return cleaned.isEmpty() ? QStringLiteral("collage") : cleaned.left(200);
}

// Sets a pointer for the length of a scope, also when drawing throws.
template <typename T>
class ScopedPointerSet {
public:
    ScopedPointerSet(T*& pointer, T* value)
        : m_pointer(pointer)
    {
        m_pointer = value;
    }
    ~ScopedPointerSet() { m_pointer = nullptr; }
    ScopedPointerSet(const ScopedPointerSet&) = delete;
    ScopedPointerSet& operator=(const ScopedPointerSet&) = delete;

private:
    T*& m_pointer;
};

} // namespace

CollageExporter::CollageExporter(FotoloomController& controller)
    : m_controller(controller)
{
}

CollageExporter::~CollageExporter() = default;

// ---- rendering ------------------------------------------------------------------------

QImage CollageExporter::getImageForWidthWithProgressIndicator(qint64 width, qint64 height)
{
    if (EditorWindow* window = m_controller.window())
        window->showSavingSheet();
    QImage image = getImageBitmapRepForWidth(width, height);
    if (EditorWindow* window = m_controller.window())
        window->hideSavingSheet();
    return image;
}

QImage CollageExporter::getImageBitmapRepForWidth(qint64 width, qint64 height)
{
    const std::shared_ptr<Collage>& collage = m_controller.collage();
    if (!collage || width < 1 || height < 1 || width > FotoloomController::maxCollageDimension()
        || height > FotoloomController::maxCollageDimension())
        return {};
    QImage bitmap(QSize(int(width), int(height)), QImage::Format_ARGB32_Premultiplied);
    if (bitmap.isNull())
        return {};

    // Decoding the full pictures is most of the work: a first pass without
    // pictures, at a tiny scale, tells which ones the draw asks for and in
    // which order, and they are then decoded on other cores ahead of it.
    QStringList order;
    {
        QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
        const ScopedPointerSet asking(m_picturesAskedFor, &order);
        GraphicsContext dryRun(probe, QSizeF(double(width), double(height)));
        collage->drawYourselfOnCurrentContextInWidth(dryRun, double(width), double(height), true);
    }
    // The store is looked up here, on this thread; the workers only decode.
    std::vector<std::shared_ptr<QFRegularFileWrapperContainer>> containers;
    containers.reserve(size_t(order.size()));
    for (const QString& md5 : std::as_const(order))
        containers.push_back(m_controller.document().getFileWrapperContainer(md5));
    const int threads = std::clamp(QThread::idealThreadCount(), 1, 6);
    // Each decoded picture held is up to 800 MB; a few at a time.
    FullSizeImagePrefetcher prefetch(
        order, [&containers](qsizetype i) { return containers[size_t(i)] ? containers[size_t(i)]->getCompleteSizeImage() : QImage(); },
        threads, threads + 1);
    {
        const ScopedPointerSet taking(m_fullSizeImages, &prefetch);
        GraphicsContext context(bitmap); // clears to transparent
        collage->drawYourselfOnCurrentContextInWidth(context, double(width), double(height), true);
    }
    return bitmap;
}

std::optional<QImage> CollageExporter::completeSizeImageDuringRender(const QString& md5)
{
    if (m_picturesAskedFor) {
        m_picturesAskedFor->append(md5);
        return QImage();
    }
    if (m_fullSizeImages)
        return m_fullSizeImages->take(md5);
    return std::nullopt;
}

// ---- image data -----------------------------------------------------------------------

DocumentHost::SaveData CollageExporter::dataOfType(const QString& typeName, double jpegCompression,
                                                   int tiffCompression, qint64 width, qint64 height)
{
    const std::optional<ImageEncoder::Format> format = formatForType(typeName);
    if (!format)
        return {QByteArray(), Status::failure(tr("Quiltfolio can't export pictures of this type."), typeName)};
    if (EditorWindow* window = m_controller.window())
        window->startSpinner();
    QImage bitmap = getImageBitmapRepForWidth(width, height);
    SaveData data;
    if (bitmap.isNull()) {
        data.status = Status::failure(tr("There is not enough memory to make a picture of this size."),
                                      QStringLiteral("%1 x %2").arg(width).arg(height));
    } else {
        // Colours are drawn as sRGB already: the encoder tags them so.
        ImageEncoder::Result encoded = ImageEncoder::encode(std::move(bitmap), *format,
                                                            exportMetadata(m_controller.collage()->resolution()),
                                                            jpegCompression, tiffCompression);
        data = {std::move(encoded.bytes), encoded.status};
    }
    // The next draw of the canvas stops the spinner.
    if (EditorWindow* window = m_controller.window())
        window->setCanvasNeedsDisplay();
    return data;
}

DocumentHost::SaveData CollageExporter::dataOfTypeAtCollageSize(const QString& typeName, double jpegCompression,
                                                                int tiffCompression)
{
    if (!formatForType(typeName))
        return dataOfType(typeName, jpegCompression, tiffCompression, 0, 0);
    if (EditorWindow* window = m_controller.window())
        window->showSavingSheet();
    const Collage& collage = *m_controller.collage();
    SaveData data = dataOfType(typeName, jpegCompression, tiffCompression, collage.width(), collage.height());
    if (EditorWindow* window = m_controller.window())
        window->hideSavingSheet();
    return data;
}

void CollageExporter::savedSuccessfullyToFileType(const QString& typeName)
{
    qCInfo(lcExport) << "saved as" << typeName;
    if (CollageDocument::isNativeType(typeName))
        return;
    UserDefaults& defaults = UserDefaults::standard();
    const QString key = UtilityFunctions::currentVersionImageSaveCountKey();
    bool ok = false;
    const qint64 count = defaults.value(key).toLongLong(&ok);
    // An absent or unreadable count starts again; a huge one stays put.
    const qint64 next = ok && count >= 0 ? (count < std::numeric_limits<qint64>::max() ? count + 1 : count) : 1;
    defaults.setValue(key, next);
}

std::optional<QString> CollageExporter::saveImageAtTempLocationWithName(const QString& name)
{
    const QByteArray bytes = m_controller.dataOfTypeForSave(CollageDocument::jpegType(), 0.96, ImageEncoder::tiffLzw);
    if (bytes.isEmpty())
        return std::nullopt;
    const QString root = m_temporaryDirectory.isEmpty() ? QDir::tempPath() : m_temporaryDirectory;
    const QString folder = QDir(root).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (!QDir().mkpath(folder))
        return std::nullopt;
    const QString path = QDir(folder).filePath(fileNameFrom(name) + QStringLiteral(".jpeg"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        qCWarning(lcExport) << "could not write" << path << file.errorString();
        QDir(folder).removeRecursively();
        return std::nullopt;
    }
    return path;
}

// ---- printing -------------------------------------------------------------------------

void CollageExporter::setPrintInfoOrientation()
{
    const std::shared_ptr<Collage>& collage = m_controller.collage();
    const bool landscape = collage && collage->width() > collage->height();
    m_controller.document().setPrintOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

std::shared_ptr<PrintOperation> CollageExporter::getPrintOperation()
{
    const std::shared_ptr<Collage>& collage = m_controller.collage();
    if (!collage)
        return nullptr;
    setPrintInfoOrientation();
    const QSizeF size(double(collage->width()), double(collage->height()));
    QPointer<CollageExporter> self(this);
    auto view = std::make_shared<PrintDrawingView>(size, [self](GraphicsContext& context, QSizeF bounds) {
        return self && self->drawOnCurrentContextForPrintingInBounds(context, bounds);
    });
    return std::make_shared<PrintOperation>(size, m_controller.document().printOrientation(),
                                            [view](QPaintDevice* device, const QRectF& target) {
                                                view->drawRect(device, target);
                                            });
}

bool CollageExporter::drawOnCurrentContextForPrintingInBounds(GraphicsContext& context, QSizeF bounds)
{
    const std::shared_ptr<Collage>& collage = m_controller.collage();
    if (!collage)
        return false;
    if (EditorWindow* window = m_controller.window())
        window->startSpinner();
    collage->drawYourselfOnCurrentContextInWidth(context, bounds.width(), bounds.height(), true);
    if (EditorWindow* window = m_controller.window())
        window->stopSpinner();
    return true;
}

AlertText CollageExporter::printUsingPreviewAlert()
{
    return {tr("Print Collage from Preview app"),
            tr("Open the collage in Preview app and print it using File > Print menu at the top of Preview app."),
            tr("Open in Preview app to Print..."), tr("Cancel")};
}

AlertText CollageExporter::printUsingIPhotoAlert()
{
    return {tr("Print Collage from iPhoto"),
            tr("Import the collage in iPhoto and print it using File > Print menu at the top of iPhoto.") +
                QStringLiteral("\n\n") + tr("You can find the imported collage in ") + QStringLiteral("\"") +
                tr("Last Import") + QStringLiteral("\"") + tr(" section of iPhoto."),
            tr("Import in iPhoto to Print"), tr("Cancel")};
}

void CollageExporter::printUsingPreview(bool preview, bool iPhoto)
{
    EditorWindow* window = m_controller.window();
    if ((!preview && !iPhoto) || !window)
        return;
    const bool toPreview = preview;
    QPointer<CollageExporter> self(this);
    window->showChoiceSheet(toPreview ? printUsingPreviewAlert() : printUsingIPhotoAlert(),
                            [self, toPreview](bool accepted) {
                                // Cancel makes nothing, not even the picture.
                                if (!self || !accepted)
                                    return;
                                const std::optional<QString> path =
                                    self->saveImageAtTempLocationWithName(QStringLiteral("print me"));
                                if (!path)
                                    return;
                                const auto lookup = self->m_applicationLookup ? self->m_applicationLookup
                                                                              : ApplicationLookup::desktopLookup();
                                const QString application =
                                    toPreview ? QStringLiteral("Preview") : QStringLiteral("iPhoto");
                                if (!lookup->openFileWithApplication(*path, application))
                                    qCWarning(lcExport) << "could not open" << *path << "with" << application;
                            });
}

} // namespace qf
