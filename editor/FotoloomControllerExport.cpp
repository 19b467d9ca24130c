// Export, temporary pictures and printing of the editor core.

#include "editor/FotoloomController.h"

#include "document/CollageDocument.h"
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
    metadata.description = FotoloomController::tr("Collage created using Quiltfolio software");
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

QImage FotoloomController::getImageForWidthWithProgressIndicator(qint64 width, qint64 height)
{
    if (m_window)
        m_window->showSavingSheet();
    QImage image = getImageBitmapRepForWidth(width, height);
    if (m_window)
        m_window->hideSavingSheet();
    return image;
}

QImage FotoloomController::getImageBitmapRepForWidth(qint64 width, qint64 height)
{
    if (!m_collage || width < 1 || height < 1 || width > maxCollageDimension() || height > maxCollageDimension())
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
        m_collage->drawYourselfOnCurrentContextInWidth(dryRun, double(width), double(height), true);
    }
    // The store is looked up here, on this thread; the workers only decode.
    std::vector<std::shared_ptr<QFRegularFileWrapperContainer>> containers;
    containers.reserve(size_t(order.size()));
    for (const QString& md5 : std::as_const(order))
        containers.push_back(m_document.getFileWrapperContainer(md5));
    const int threads = std::clamp(QThread::idealThreadCount(), 1, 6);
    // Each decoded picture held is up to 800 MB; a few at a time.
    FullSizeImagePrefetcher prefetch(
        order, [&containers](qsizetype i) { return containers[size_t(i)] ? containers[size_t(i)]->getCompleteSizeImage() : QImage(); },
        threads, threads + 1);
    {
        const ScopedPointerSet taking(m_fullSizeImages, &prefetch);
        GraphicsContext context(bitmap); // clears to transparent
        m_collage->drawYourselfOnCurrentContextInWidth(context, double(width), double(height), true);
    }
    return bitmap;
}

DocumentHost::SaveData FotoloomController::dataOfType(const QString& typeName, double jpegCompression,
                                                      int tiffCompression, qint64 width, qint64 height)
{
    const std::optional<ImageEncoder::Format> format = formatForType(typeName);
    if (!format)
        return {QByteArray(), Status::failure(tr("Quiltfolio can't export pictures of this type."), typeName)};
    if (m_window)
        m_window->startSpinner();
    QImage bitmap = getImageBitmapRepForWidth(width, height);
    SaveData data;
    if (bitmap.isNull()) {
        data.status = Status::failure(tr("There is not enough memory to make a picture of this size."),
                                      QStringLiteral("%1 x %2").arg(width).arg(height));
    } else {
        // Colours are drawn as sRGB already: the encoder tags them so.
        ImageEncoder::Result encoded = ImageEncoder::encode(std::move(bitmap), *format,
                                                            exportMetadata(m_collage->resolution()),
                                                            jpegCompression, tiffCompression);
        data = {std::move(encoded.bytes), encoded.status};
    }
    // The next draw of the canvas stops the spinner.
    if (m_window)
        m_window->setCanvasNeedsDisplay();
    return data;
}

DocumentHost::SaveData FotoloomController::saveDataOfType(const QString& typeName, double jpegCompression,
                                                          int tiffCompression)
{
    if (typeName == CollageDocument::designType())
        return {getCurrentCollageFileData(), Status::success()};
    if (!formatForType(typeName))
        return dataOfType(typeName, jpegCompression, tiffCompression, 0, 0);
    if (m_window)
        m_window->showSavingSheet();
    SaveData data = dataOfType(typeName, jpegCompression, tiffCompression, m_collage->width(), m_collage->height());
    if (m_window)
        m_window->hideSavingSheet();
    return data;
}

std::optional<QString> FotoloomController::saveImageAtTempLocationWithName(const QString& name)
{
    const QByteArray bytes = dataOfTypeForSave(CollageDocument::jpegType(), 0.96, ImageEncoder::tiffLzw);
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

void FotoloomController::setPrintInfoOrientation()
{
    const bool landscape = m_collage && m_collage->width() > m_collage->height();
    m_document.setPrintOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

std::shared_ptr<PrintOperation> FotoloomController::getPrintOperation()
{
    if (!m_collage)
        return nullptr;
    setPrintInfoOrientation();
    const QSizeF size(double(m_collage->width()), double(m_collage->height()));
    QPointer<FotoloomController> self(this);
    auto view = std::make_shared<PrintDrawingView>(size, [self](GraphicsContext& context, QSizeF bounds) {
        return self && self->drawOnCurrentContextForPrintingInBounds(context, bounds);
    });
    return std::make_shared<PrintOperation>(size, m_document.printOrientation(),
                                            [view](QPaintDevice* device, const QRectF& target) {
                                                view->drawRect(device, target);
                                            });
}

bool FotoloomController::drawOnCurrentContextForPrintingInBounds(GraphicsContext& context, QSizeF bounds)
{
    if (!m_collage)
        return false;
    if (m_window)
        m_window->startSpinner();
    m_collage->drawYourselfOnCurrentContextInWidth(context, bounds.width(), bounds.height(), true);
    if (m_window)
        m_window->stopSpinner();
    return true;
}

AlertText FotoloomController::printUsingPreviewAlert()
{
    return {tr("Print Collage from Preview app"),
            tr("Open the collage in Preview app and print it using File > Print menu at the top of Preview app."),
            tr("Open in Preview app to Print..."), tr("Cancel")};
}

AlertText FotoloomController::printUsingIPhotoAlert()
{
    return {tr("Print Collage from iPhoto"),
            tr("Import the collage in iPhoto and print it using File > Print menu at the top of iPhoto.") +
                QStringLiteral("\n\n") + tr("You can find the imported collage in ") + QStringLiteral("\"") +
                tr("Last Import") + QStringLiteral("\"") + tr(" section of iPhoto."),
            tr("Import in iPhoto to Print"), tr("Cancel")};
}

void FotoloomController::printUsingPreview(bool preview, bool iPhoto)
{
    if ((!preview && !iPhoto) || !m_window)
        return;
    const bool toPreview = preview;
    QPointer<FotoloomController> self(this);
    m_window->showChoiceSheet(toPreview ? printUsingPreviewAlert() : printUsingIPhotoAlert(),
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

bool FotoloomController::backgroundIsTransparent() const
{
    return m_collage && m_collage->backgroundIsTransparent();
}

void FotoloomController::exportPicture()
{
    m_document.saveDocumentTo();
}

void FotoloomController::savedSuccessfullyToFileType(const QString& typeName)
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

} // namespace qf
