#include "editor/CollageExporter.h"

#include "document/CollageDocument.h"
#include "document/QFRegularFileWrapperContainer.h"
#include "editor/FotoloomController.h"
#include "editor/FullSizeImagePrefetcher.h"
#include "editor/PrintDrawingView.h"
#include "layouts/CollageTypes.h"
#include "model/Collage.h"
#include "model/CollageCaches.h"
#include "model/CollageHost.h"
#include "model/UtilityFunctions.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageReduction.h"
#include "platform/images/ImageEncoder.h"
#include "platform/services/ApplicationLookup.h"
#include "platform/undo/UndoManager.h"
#include "platform/widgets/documents/PrintOperation.h"

#include <QDir>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QLoggingCategory>
#include <QPointer>
#include <QPromise>
#include <QSaveFile>
#include <QThread>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>
#include <limits>
#include <new>

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

// The host of a collage drawn away from the editor: the drawing images,
// faces and store containers of its pictures, taken on the main thread
// before the draw. Nothing here reaches the live collage or the document,
// and the store's containers are only read (their bytes never change).
class RenderHost final : public CollageHost {
public:
    QHash<QString, QImage> drawingImages;
    QHash<QString, std::shared_ptr<QFRegularFileWrapperContainer>> containers;
    CollageCaches caches;
    // Hands out the full pictures during a pass.
    std::function<QImage(const QString& md5)> fullImage;

    QImage decodeFull(const QString& md5) const { return decodeForWidth(md5, 0); }

    // The picture for a draw of its whole width at `width` output pixels (0:
    // not known), averaged down as such a draw wants it. No more is decoded
    // than the draw needs: the drawing image serves when it is wide enough,
    // and a JPEG decodes at the smallest step still wider.
    QImage decodeForWidth(const QString& md5, double width) const
    {
        const QImage drawing = drawingImages.value(md5);
        if (width > 0 && !drawing.isNull() && drawing.width() >= width)
            return ImageReduction::reducedForWidth(drawing, width);
        const std::shared_ptr<QFRegularFileWrapperContainer> container = containers.value(md5);
        return container ? ImageReduction::reducedForWidth(container->getImageAtLeastWide(width), width) : QImage();
    }

    QImage drawingSizeImage(const QString& md5) override { return drawingImages.value(md5); }
    QImage completeSizeImage(const QString& md5) override { return fullImage ? fullImage(md5) : QImage(); }
    std::optional<QString> importPicture(const QString&) override { return std::nullopt; }
    // Reading a snapshot and drawing never look for faces: the crops are in the snapshot.
    QPointF faceCentroidInImage(const QImage&) override { return {-1, -1}; }
    KVObserver* undoObserver() override { return nullptr; }
    void selectPictureFor(qint64) override {}
    CollageCaches* collageCaches() override { return &caches; }
};

// Memory the pictures decoded ahead of a render may hold together, and what
// one decode of unknown size is taken to hold.
constexpr qint64 kDecodeBudget = qint64(768) << 20;
constexpr qint64 kUnknownDecodeBytes = qint64(256) << 20;

DocumentHost::SaveData tooLarge(qint64 width, qint64 height)
{
    return {QByteArray(), Status::failure(CollageExporter::tr("There is not enough memory to make a picture of this size."),
                                          QStringLiteral("%1 x %2").arg(width).arg(height))};
}

} // namespace

// One render for output: two copies of the collage made from its snapshot,
// one that measures how the pictures are drawn and one that draws. After
// it is made, it may run on any thread.
class CollageExporter::Render {
public:
    Render(std::unique_ptr<RenderHost> host, std::shared_ptr<Collage> measured, std::shared_ptr<Collage> drawn,
           QSize size)
        : m_host(std::move(host))
        , m_measured(std::move(measured))
        , m_drawn(std::move(drawn))
        , m_size(size)
    {
    }

    // The picture drawn; `progress` hears the share of pictures drawn.
    QImage draw(const std::function<void(double)>& progress);
    // The picture encoded; `progress` hears the share of the work done.
    SaveData encoded(ImageEncoder::Format format, double jpegCompression, int tiffCompression,
                     const std::function<void(double)>& progress);

private:
    // A full picture the draw asks for, and the widest its whole width is
    // drawn at, in output pixels (0: not measured).
    struct Request {
        QString md5;
        double outputWidth = 0;
    };
    std::vector<Request> measure();

    const std::unique_ptr<RenderHost> m_host; // first: the collages refer to it
    const std::shared_ptr<Collage> m_measured;
    const std::shared_ptr<Collage> m_drawn;
    const QSize m_size;
};

std::vector<CollageExporter::Render::Request> CollageExporter::Render::measure()
{
    // A pass without the full pictures at a tiny scale tells which ones the
    // draw asks for, in which order and how small each comes out. Each
    // request gets a copy of the drawing image of its own, so that its draws
    // are told apart from other requests of the same picture.
    std::vector<Request> requests;
    QHash<qint64, size_t> standIns;
    m_host->fullImage = [&](const QString& md5) {
        requests.push_back({md5, 0});
        const QImage standIn = m_host->drawingImages.value(md5).copy();
        if (!standIn.isNull())
            standIns.insert(standIn.cacheKey(), requests.size() - 1);
        return standIn;
    };
    {
        const ImageReduction::ScopedListener listening([&](const QImage& image, double scale) {
            const auto request = standIns.constFind(image.cacheKey());
            if (request != standIns.cend())
                requests[*request].outputWidth = std::max(requests[*request].outputWidth, scale * image.width());
        });
        QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
        GraphicsContext context(probe, QSizeF(m_size));
        m_measured->drawYourselfOnCurrentContextInWidth(context, m_size.width(), m_size.height(), true);
    }
    m_host->fullImage = nullptr;
    return requests;
}

QImage CollageExporter::Render::draw(const std::function<void(double)>& progress)
{
    QImage bitmap(m_size, QImage::Format_ARGB32_Premultiplied);
    if (bitmap.isNull())
        return {};
    const std::vector<Request> requests = measure();
    QStringList order;
    for (const Request& request : requests)
        order.append(request.md5);
    // Decoding the pictures is most of the work: they are decoded on other
    // cores ahead of the draw, each only as large as it is drawn, and those
    // drawn at less than half size are averaged down there too. The draw
    // takes them in order, so several wait ahead of it, within a memory
    // budget: a decode at a known width comes out between that width and
    // twice it (an unknown one may be a whole picture of up to 800 MB).
    const int threads = std::clamp(QThread::idealThreadCount(), 1, 16);
    const auto estimate = [this, &requests](qsizetype i) -> qint64 {
        const Request& request = requests[size_t(i)];
        const QImage drawing = m_host->drawingImages.value(request.md5);
        if (!(request.outputWidth > 0) || drawing.isNull())
            return kUnknownDecodeBytes;
        if (drawing.width() >= request.outputWidth)
            return 0;
        const double width = 1.5 * request.outputWidth;
        return qint64(4 * width * width * drawing.height() / drawing.width());
    };
    FullSizeImagePrefetcher prefetch(
        order,
        [this, &requests](qsizetype i) {
            const Request& request = requests[size_t(i)];
            return m_host->decodeForWidth(request.md5, request.outputWidth);
        },
        threads, 4 * threads, estimate, kDecodeBudget);
    qsizetype taken = 0;
    m_host->fullImage = [&](const QString& md5) {
        if (progress && taken < order.size())
            progress(double(taken++) / double(order.size()));
        const std::optional<QImage> image = prefetch.take(md5);
        return image ? *image : m_host->decodeFull(md5);
    };
    {
        GraphicsContext context(bitmap); // clears to transparent
        m_drawn->drawYourselfOnCurrentContextInWidth(context, m_size.width(), m_size.height(), true);
    }
    m_host->fullImage = nullptr;
    return bitmap;
}

DocumentHost::SaveData CollageExporter::Render::encoded(ImageEncoder::Format format, double jpegCompression,
                                                        int tiffCompression,
                                                        const std::function<void(double)>& progress)
{
    const auto report = [&progress](double done) {
        if (progress)
            progress(done);
    };
    QImage bitmap = draw([&report](double done) { report(0.6 * done); });
    if (bitmap.isNull())
        return tooLarge(m_size.width(), m_size.height());
    // RGBA files only for a transparent background: an opaque picture's
    // premultiplied pixels are RGB32's as they are.
    if (!m_drawn->backgroundIsTransparent() && ImageEncoder::isOpaque(bitmap))
        bitmap.reinterpretAsFormat(QImage::Format_RGB32);
    // Colours are drawn as sRGB already: the encoder tags them so.
    ImageEncoder::Result result =
        ImageEncoder::encode(std::move(bitmap), format, exportMetadata(m_drawn->resolution()), jpegCompression,
                             tiffCompression, [&report](double done) { report(0.6 + 0.4 * done); });
    return {std::move(result.bytes), result.status};
}

CollageExporter::CollageExporter(FotoloomController& controller)
    : m_controller(controller)
{
}

CollageExporter::~CollageExporter() = default;

// ---- rendering ------------------------------------------------------------------------

std::unique_ptr<CollageExporter::Render> CollageExporter::prepareRender(qint64 width, qint64 height) const
{
    const std::shared_ptr<Collage>& live = m_controller.collage();
    if (!live || width < 1 || height < 1 || width > FotoloomController::maxCollageDimension()
        || height > FotoloomController::maxCollageDimension())
        return nullptr;
    auto host = std::make_unique<RenderHost>();
    CollageDocument& document = m_controller.document();
    for (const QString& md5 : live->allPicturesInUse()) {
        host->drawingImages.insert(md5, document.getDrawingSizeImage(md5));
        host->containers.insert(md5, document.getFileWrapperContainer(md5));
    }
    if (const CollageCaches* caches = m_controller.collageCaches())
        host->caches = *caches;
    // As CollageTypes::makeFromJson makes them, with this editor's makers.
    const QJsonObject snapshot = live->dictionaryRepresentationActual(false);
    const auto copy = [&] {
        std::shared_ptr<Collage> collage = m_controller.getNewCollageFor(CollageTypes::typeOfJson(snapshot));
        if (collage) {
            collage->setMyWindowController(host.get());
            collage->setMyPropertiesFrom(snapshot);
        }
        return collage;
    };
    std::shared_ptr<Collage> measured = copy();
    std::shared_ptr<Collage> drawn = copy();
    if (!measured || !drawn)
        return nullptr;
    return std::make_unique<Render>(std::move(host), std::move(measured), std::move(drawn),
                                    QSize(int(width), int(height)));
}

// The document's save waits for its bytes (CollageDocument's save asks
// saveDataOfType and writes what comes back, or shows the error), so an
// export returns only once they are made. The work runs on a worker meanwhile, and a local event loop
// keeps the window painting and the sheet's progress moving. That loop takes
// no input: while the saving sheet is on, the window turns away every user
// input and close request, so nothing reaches the collage. Undo groups
// opened by an event end on the next turn of the event loop, so with a group
// open the work runs on this thread instead, as a plain call.
template <typename Result>
Result CollageExporter::underSavingSheet(const std::function<Result(const std::function<void(double)>&)>& work)
{
    EditorWindow* window = m_controller.window();
    if (!window)
        return work({});
    window->showSavingSheet();
    Result result;
    if (m_controller.undoManager().groupingLevel() > 0) {
        result = work({});
    } else {
        QFutureWatcher<Result> watcher;
        QEventLoop loop;
        connect(&watcher, &QFutureWatcherBase::progressValueChanged, &loop,
                [window](int permille) { window->showSavingProgress(permille, 1000); });
        connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
        watcher.setFuture(QtConcurrent::run([work](QPromise<Result>& promise) {
            promise.setProgressRange(0, 1000);
            try {
                promise.addResult(work([&promise](double done) {
                    promise.setProgressValue(int(std::lround(std::clamp(done, 0.0, 1.0) * 1000)));
                }));
            } catch (const std::exception&) {
                // Out of memory or threads: no result, which the caller reports.
                promise.addResult(Result());
            }
        }));
        loop.exec();
        result = watcher.result();
    }
    window->hideSavingSheet();
    return result;
}

QImage CollageExporter::getImageForWidthWithProgressIndicator(qint64 width, qint64 height)
{
    const std::shared_ptr<Render> render = prepareRender(width, height);
    if (!render)
        return {};
    return underSavingSheet<QImage>([render](const std::function<void(double)>& progress) { return render->draw(progress); });
}

QImage CollageExporter::getImageBitmapRepForWidth(qint64 width, qint64 height)
{
    const std::unique_ptr<Render> render = prepareRender(width, height);
    return render ? render->draw({}) : QImage();
}

// ---- image data -----------------------------------------------------------------------

DocumentHost::SaveData CollageExporter::dataOfType(const QString& typeName, double jpegCompression,
                                                   int tiffCompression, qint64 width, qint64 height)
{
    const std::optional<ImageEncoder::Format> format = formatForType(typeName);
    if (!format)
        return {QByteArray(), Status::failure(tr("Quiltfolio can't export pictures of this type."), typeName)};
    const std::unique_ptr<Render> render = prepareRender(width, height);
    if (!render)
        return tooLarge(width, height);
    if (EditorWindow* window = m_controller.window())
        window->startSpinner();
    SaveData data = render->encoded(*format, jpegCompression, tiffCompression, {});
    // The next draw of the canvas stops the spinner.
    if (EditorWindow* window = m_controller.window())
        window->setCanvasNeedsDisplay();
    return data;
}

DocumentHost::SaveData CollageExporter::dataOfTypeAtCollageSize(const QString& typeName, double jpegCompression,
                                                                int tiffCompression)
{
    const std::optional<ImageEncoder::Format> format = formatForType(typeName);
    if (!format)
        return dataOfType(typeName, jpegCompression, tiffCompression, 0, 0);
    const Collage& collage = *m_controller.collage();
    const std::shared_ptr<Render> render = prepareRender(collage.width(), collage.height());
    if (!render)
        return tooLarge(collage.width(), collage.height());
    return underSavingSheet<SaveData>([render, format, jpegCompression, tiffCompression](
                                          const std::function<void(double)>& progress) {
        return render->encoded(*format, jpegCompression, tiffCompression, progress);
    });
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
    // Rendered as for export, at the collage's own size, on a worker: its
    // pictures never decode on the main thread, which only waits (no event
    // loop runs under a printer's paint).
    const std::shared_ptr<Render> render = prepareRender(collage->width(), collage->height());
    const QImage rendered =
        render ? QtConcurrent::run([render] { return render->draw({}); }).result() : QImage();
    if (!rendered.isNull())
        context.drawImage(rendered, QRectF(QPointF(), bounds));
    if (EditorWindow* window = m_controller.window())
        window->stopSpinner();
    return !rendered.isNull();
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
