#include "editor/CollageExporter.h"

#include "editor/EditorSession.h"
#include "editor/EditorWindow.h"

#include "document/CollageDocument.h"
#include "document/QFRegularFileWrapperContainer.h"
#include "editor/CollageLoader.h"
#include "editor/BandPictures.h"
#include "editor/PrintDrawingView.h"
#include "layouts/CollageTypes.h"
#include "model/Collage.h"
#include "model/CollageCaches.h"
#include "model/CollageHost.h"
#include "model/UtilityFunctions.h"
#include "platform/core/Parallel.h"
#include "platform/core/PictureMemory.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageReduction.h"
#include "platform/images/ImageEncoder.h"
#include "platform/services/ApplicationLookup.h"
#include "platform/undo/UndoManager.h"
#include "platform/documents/PrintOperation.h"
#include "platform/files/PrivateTemporaryFolder.h"

#include <QColorSpace>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QLoggingCategory>
#include <QPointer>
#include <QPromise>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>
#include <thread>
#include <system_error>
#include <cstring>
#include <atomic>
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

// What the copies of a collage drawn away from the editor share: the drawing
// images and store containers of its pictures, taken on the main thread
// before the draw. Nothing here reaches the live collage or the document,
// and the store's containers are only read (their bytes never change).
struct RenderPictures {
    QHash<QString, QImage> drawingImages;
    QHash<QString, std::shared_ptr<QFRegularFileWrapperContainer>> containers;
    CollageCaches caches;

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
    // The same cut to what covers `part` (fractions of the picture, rows
    // downward), and where that lies in the whole.
    QImage decodePartForWidth(const QString& md5, double width, const QRectF& part,
                              GraphicsContext::PicturePart* placed) const
    {
        QImage image = drawingImages.value(md5);
        if (!(width > 0 && !image.isNull() && image.width() >= width)) {
            const std::shared_ptr<QFRegularFileWrapperContainer> container = containers.value(md5);
            // Where the format allows, only what the part reads is decoded.
            const QSize size = container ? container->partSizeAtLeastWide(width) : QSize();
            QRect region = ImageReduction::sourceOfPart(size, width, part);
            image = container ? container->getRegionAtLeastWide(width, size.isEmpty() ? nullptr : &region) : QImage();
        }
        return ImageReduction::reducedPartForWidth(image, width, part, &placed->offset, &placed->whole);
    }

    // The memory decodeForWidth holds while it decodes.
    qint64 estimate(const QString& md5, double width) const
    {
        const QImage drawing = drawingImages.value(md5);
        if (width > 0 && !drawing.isNull() && drawing.width() >= width)
            return 0;
        const std::shared_ptr<QFRegularFileWrapperContainer> container = containers.value(md5);
        return container ? container->decodeBytesAtLeastWide(width) : 0;
    }
};

// The host of one copy of the collage: its pictures, and the full pictures
// handed out during a pass.
class RenderHost final : public CollageHost {
public:
    explicit RenderHost(std::shared_ptr<const RenderPictures> pictures)
        : m_pictures(std::move(pictures))
        , m_caches(m_pictures->caches)
    {
    }

    std::function<QImage(const QString& md5)> fullImage;
    const RenderPictures& pictures() const { return *m_pictures; }

    QImage drawingSizeImage(const QString& md5) override { return m_pictures->drawingImages.value(md5); }
    QImage completeSizeImage(const QString& md5) override
    {
        return fullImage ? fullImage(md5) : m_pictures->decodeForWidth(md5, 0);
    }
    std::optional<QString> importPicture(const QString&) override { return std::nullopt; }
    // Reading a snapshot and drawing never look for faces: the crops are in the snapshot.
    QPointF faceCentroidInImage(const QImage&) override { return {-1, -1}; }
    KVObserver* undoObserver() override { return nullptr; }
    void selectPictureFor(qint64) override {}
    CollageCaches* collageCaches() override { return &m_caches; }

private:
    const std::shared_ptr<const RenderPictures> m_pictures;
    CollageCaches m_caches;
};

// A copy of the collage with its own host, for one thread at a time.
struct RenderCopy {
    std::unique_ptr<RenderHost> host; // first: the collage refers to it
    std::shared_ptr<Collage> collage;
};

// Memory the pictures decoded ahead of the bands may hold together, and the
// bands being drawn at once. Now that a picture is held only as the part its
// cells show, 640 MB keeps every core busy at 12000 x 9000; more only let
// layouts whose cells cut their pictures run further ahead and hold more.
constexpr qint64 kDecodeBudget = qint64(640) << 20;
constexpr qint64 kBandBudget = qint64(384) << 20;
// Rows of a band: whole units of the JPEG writer's, at most four.
constexpr int kBandUnit = ImageEncoder::JpegBands::rowUnit;
constexpr int kWidestBand = 4 * kBandUnit;
// The shadow reduction's blocks, which start where a shadow layer starts.
constexpr int kShadowBlock = 4;

DocumentHost::SaveData tooLarge(qint64 width, qint64 height)
{
    return {QByteArray(), Status::failure(CollageExporter::tr("There is not enough memory to make a picture of this size."),
                                          QStringLiteral("%1 x %2").arg(width).arg(height))};
}

} // namespace

// One render for output, drawn in horizontal bands on several cores. Each
// band draws what lies within margins above and below it as wide as the
// farthest shadow reaches, so that it comes out as the same rows of one
// whole draw would; what lies outside a band and its margins is left out.
// A measuring pass for each band tells which pictures it draws and how
// small; each picture is then decoded once, ahead, and held until the last
// band that draws it is done. After it is made, a render may run on any
// thread.
class CollageExporter::Render {
public:
    Render(std::vector<RenderCopy> copies, QSize size)
        : m_copies(std::move(copies))
        , m_size(size)
    {
    }

    // The picture drawn; `progress` hears the share of the bands drawn.
    QImage draw(const std::function<void(double)>& progress);
    // The picture encoded; `progress` hears the share of the work done.
    SaveData encoded(ImageEncoder::Format format, double jpegCompression, int tiffCompression,
                     const std::function<void(double)>& progress);

private:
    // A picture the collage asks for: how wide the whole picture comes out
    // (0: not known), and the part of it drawn (fractions, rows downward;
    // all of it when not known).
    struct Drawn {
        QString md5;
        double width = 0;
        QRectF part;
    };
    // A full picture a band's draw asks for, in the order it asks: which of
    // the render's pictures serves it.
    struct Request {
        QString md5;
        qsizetype picture = -1;
    };
    struct Band {
        int first = 0;       // its rows of the output
        int rows = 0;
        int top = 0;         // the rows drawn, margins included
        int bottom = 0;
        std::vector<Request> requests;
    };
    // Hands each band's rows over as they are drawn, from the drawing
    // threads; false stops the render.
    using Sink = std::function<bool(int first, const QImage& rows)>;

    bool drawBands(const Sink& sink, const std::function<void(double)>& progress);
    // Which full pictures the collage asks for, in which order, and how
    // wide each whole picture comes out, drawn within `cull` (none: all);
    // and how far its shadows reach.
    struct Measure {
        std::vector<Drawn> requests;
        double shadowReach = 0;
    };
    Measure measure(RenderCopy& copy, std::optional<QRectF> cull);
    QRectF cullRect(int top, int bottom, int margin) const;

    std::vector<RenderCopy> m_copies; // all measure bands; all but the first draw them
    const QSize m_size;
};

CollageExporter::Render::Measure CollageExporter::Render::measure(RenderCopy& copy, std::optional<QRectF> cull)
{
    // A pass without the full pictures at a tiny scale. Each request gets a
    // picture of its own over the drawing image's pixels, so that its draws
    // are told apart from other requests of the same picture: a copy of
    // them would cost the whole collage's proxies, on one thread, before
    // any band is drawn. The drawing images outlive every copy of the
    // collage, which may keep what it is handed.
    RenderHost& host = *copy.host;
    Measure measured;
    QHash<qint64, size_t> standIns;
    host.fullImage = [&](const QString& md5) {
        measured.requests.push_back({md5, 0.0, QRectF()});
        const QImage drawing = host.pictures().drawingImages.value(md5);
        if (drawing.isNull())
            return QImage();
        QImage standIn(drawing.constBits(), drawing.width(), drawing.height(), drawing.bytesPerLine(),
                       drawing.format());
        standIn.setDevicePixelRatio(drawing.devicePixelRatio());
        standIn.setColorSpace(drawing.colorSpace());
        if (!standIn.isNull())
            standIns.insert(standIn.cacheKey(), measured.requests.size() - 1);
        return standIn;
    };
    {
        const ImageReduction::ScopedListener listening(
            [&](const QImage& image, double scale) {
                const auto request = standIns.constFind(image.cacheKey());
                if (request != standIns.cend()) {
                    double& width = measured.requests[*request].width;
                    width = std::max(width, scale * image.width());
                }
            },
            [&](const QImage& image, const QRectF& part) {
                const auto request = standIns.constFind(image.cacheKey());
                if (request != standIns.cend()) {
                    const QRectF fraction(part.x() / image.width(), part.y() / image.height(),
                                          part.width() / image.width(), part.height() / image.height());
                    QRectF& drawn = measured.requests[*request].part;
                    drawn = drawn.isEmpty() ? fraction : drawn.united(fraction);
                }
            });
        QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
        GraphicsContext context(probe, QSizeF(m_size));
        if (cull)
            context.setCullRect(*cull);
        copy.collage->drawYourselfOnCurrentContextInWidth(context, m_size.width(), m_size.height(), true);
        measured.shadowReach = context.widestShadowReach();
    }
    host.fullImage = nullptr;
    const QRectF whole(0, 0, 1, 1);
    for (Drawn& drawn : measured.requests)
        if (drawn.part.isEmpty())
            drawn.part = whole;
    return measured;
}

QRectF CollageExporter::Render::cullRect(int top, int bottom, int margin) const
{
    // Drawing space has y up: output rows [top, bottom) lie between
    // height - bottom and height - top.
    return QRectF(-margin, m_size.height() - bottom, m_size.width() + 2.0 * margin, bottom - top);
}

bool CollageExporter::Render::drawBands(const Sink& sink, const std::function<void(double)>& progress)
{
    const int width = m_size.width();
    const int height = m_size.height();
    // Margins as wide as the farthest shadow reaches, and a little for
    // antialiased edges.
    const int margin = int(std::min<double>(std::ceil(measure(m_copies.front(), std::nullopt).shadowReach) + 2, height));

    const int cores = std::clamp(QThread::idealThreadCount(), 1, 64);
    // A band's bitmap holds its own rows; the shadow layer over it reaches
    // the margins beyond them on every side.
    const auto bandBytes = [&](int rows) {
        return qint64(width) * rows * 4 + qint64(width + 2 * margin) * (rows + 2 * margin) * 4;
    };
    // As many bands at once as there are copies to draw them, cores, and
    // room for a band's picture and its shadow layer.
    const auto drawersFor = [&](int rows) {
        return int(std::clamp<qint64>(kBandBudget / std::max<qint64>(1, bandBytes(rows)), 1,
                                      std::min<qint64>(cores, qint64(m_copies.size()) - 1)));
    };
    // Lower bands where a band for each core would not fit in the memory
    // budget, down to the writer's unit.
    int widest = kWidestBand;
    while (widest > kBandUnit && bandBytes(widest) * cores > kBandBudget)
        widest /= 2;
    // Then the height whose rounds of bands drawn at once take the fewest
    // rows, margins included: 5400 rows on 8 cores go in two full rounds of
    // bands of 384 rather than 11 of 512, whose second round leaves five
    // cores idle. A lower band draws its margins more often, so it must
    // gain a tenth; a picture one band holds stays in one, the whole draw to
    // the bit.
    const auto roundRows = [&](int rows) {
        const qint64 count = (height + rows - 1) / rows;
        const qint64 atOnce = drawersFor(rows);
        return (count + atOnce - 1) / atOnce * (std::min(rows, height) + 2 * qint64(margin));
    };
    int bandRows = widest;
    for (int rows = widest - kBandUnit; height > widest && rows >= kBandUnit; rows -= kBandUnit)
        if (roundRows(rows) * 10 < roundRows(bandRows) * 9)
            bandRows = rows;

    // Each band's pictures, and each picture once: a picture is the same
    // identity drawn at the same width.
    std::vector<Band> bands;
    QHash<QPair<QString, qint64>, qsizetype> pictureOf;
    std::vector<Drawn> pictures;
    std::vector<int> uses;
    for (int first = 0; first < height; first += bandRows) {
        Band band;
        band.first = first;
        band.rows = std::min(bandRows, height - first);
        band.top = std::max(0, first - margin);
        band.bottom = std::min(height, first + band.rows + margin);
        bands.push_back(std::move(band));
    }
    // The bands are measured side by side, each copy of the collage on a
    // thread of its own, then taken in order.
    std::vector<Measure> measured(bands.size());
    {
        std::atomic<size_t> next = 0;
        std::atomic<size_t> copies = 0;
        std::atomic<bool> unmeasured = false;
        runOnThreads(int(std::min(m_copies.size(), bands.size())), [&] {
            RenderCopy& copy = m_copies[copies.fetch_add(1)];
            for (size_t b; !unmeasured && (b = next.fetch_add(1)) < bands.size();) {
                try {
                    measured[b] = measure(copy, cullRect(bands[b].top, bands[b].bottom, margin));
                } catch (const std::bad_alloc&) {
                    unmeasured = true;
                }
            }
        });
        if (unmeasured)
            return false;
    }
    for (size_t b = 0; b < bands.size(); ++b) {
        Band& band = bands[b];
        for (const Drawn& drawn : measured[b].requests) {
            const QPair<QString, qint64> key(drawn.md5, qint64(std::llround(drawn.width * 16)));
            auto found = pictureOf.constFind(key);
            if (found == pictureOf.cend()) {
                found = pictureOf.insert(key, qsizetype(pictures.size()));
                pictures.push_back(drawn);
                uses.push_back(0);
            } else {
                QRectF& part = pictures[size_t(*found)].part;
                part = part.united(drawn.part);
            }
            ++uses[size_t(*found)];
            band.requests.push_back({drawn.md5, *found});
        }
    }

    const int drawers = drawersFor(bandRows);

    // What each decode is expected to hold, read from the files' headers
    // side by side.
    const RenderPictures& shared = m_copies.front().host->pictures();
    std::vector<qint64> estimates(pictures.size(), 0);
    {
        std::atomic<size_t> next = 0;
        runOnThreads(int(std::clamp<size_t>(pictures.size(), 1, size_t(cores))), [&] {
            for (size_t i; (i = next.fetch_add(1)) < pictures.size();) {
                try {
                    estimates[i] = shared.estimate(pictures[i].md5, pictures[i].width);
                } catch (const std::bad_alloc&) {
                    estimates[i] = 0; // decoded in turn, as a small one
                }
            }
        });
    }
    // The pictures are decoded in the order the bands need them, a round of
    // bands drawn at once after another; within a round the largest first,
    // as they take longest and the round waits for its last one.
    {
        std::vector<size_t> round(pictures.size(), bands.size());
        for (size_t b = 0; b < bands.size(); ++b)
            for (const Request& request : bands[b].requests)
                round[size_t(request.picture)] = std::min(round[size_t(request.picture)], b / size_t(drawers));
        std::vector<size_t> order(pictures.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return round[a] != round[b] ? round[a] < round[b] : estimates[a] > estimates[b];
        });
        std::vector<qsizetype> placeOf(pictures.size());
        std::vector<Drawn> orderedPictures;
        std::vector<int> orderedUses;
        std::vector<qint64> orderedEstimates;
        for (size_t place = 0; place < order.size(); ++place) {
            placeOf[order[place]] = qsizetype(place);
            orderedPictures.push_back(pictures[order[place]]);
            orderedUses.push_back(uses[order[place]]);
            orderedEstimates.push_back(estimates[order[place]]);
        }
        for (Band& band : bands)
            for (Request& request : band.requests)
                request.picture = placeOf[size_t(request.picture)];
        pictures = std::move(orderedPictures);
        uses = std::move(orderedUses);
        estimates = std::move(orderedEstimates);
    }
    // A picture is held as the part of it the bands draw, and the bands'
    // contexts told where that part lies.
    std::mutex partsMutex;
    QHash<qint64, GraphicsContext::PicturePart> parts;
    const auto decodePart = [&](qsizetype i) {
        const Drawn& drawn = pictures[size_t(i)];
        GraphicsContext::PicturePart placed;
        QImage image = shared.decodePartForWidth(drawn.md5, drawn.width, drawn.part, &placed);
        if (!image.isNull() && placed.whole != image.size()) {
            const std::lock_guard lock(partsMutex);
            parts.insert(image.cacheKey(), placed);
        }
        return image;
    };
    const GraphicsContext::PictureParts partOf = [&](const QImage& image) {
        const std::lock_guard lock(partsMutex);
        const auto found = parts.constFind(image.cacheKey());
        return found == parts.cend() ? std::nullopt : std::optional(*found);
    };
    BandPictures decoded(
        std::move(uses), decodePart, [&](qsizetype i) { return estimates[size_t(i)]; }, cores, kDecodeBudget);
    std::atomic<size_t> next = 0;
    std::atomic<size_t> done = 0;
    std::atomic<bool> failed = false;
    const auto drawer = [&](RenderCopy& copy) {
        for (size_t b; !failed && (b = next.fetch_add(1)) < bands.size();) {
            const Band& band = bands[b];
            std::vector<bool> taken(band.requests.size(), false);
            copy.host->fullImage = [&](const QString& md5) {
                for (size_t r = 0; r < band.requests.size(); ++r) {
                    if (!taken[r] && band.requests[r].md5 == md5) {
                        taken[r] = true;
                        return decoded.take(band.requests[r].picture);
                    }
                }
                return shared.decodeForWidth(md5, 0); // not measured: whole
            };
            bool drawn = false;
            try {
                // The bitmap holds the band's rows, and the few above them
                // that keep it starting on the shadow blocks where a bitmap
                // from the top of the margin would: the shadows come out as
                // in one whole draw, to the bit. What lies in the margins
                // still casts its shadow, from within the shadow layers.
                const int imageTop = band.first - (band.first - band.top) % kShadowBlock;
                QImage image = GraphicsContext::newBitmap(QSize(width, band.first + band.rows - imageTop));
                if (!image.isNull()) {
                    {
                        GraphicsContext context(&image, QRectF(0, -imageTop, width, height), QSizeF(m_size));
                        context.setCullRect(cullRect(band.top, band.bottom, margin));
                        context.setPictureParts(partOf);
                        copy.collage->drawYourselfOnCurrentContextInWidth(context, width, height, true);
                    }
                    const int at = band.first - imageTop;
                    const QImage rows(image.constScanLine(at), width, band.rows, image.bytesPerLine(), image.format());
                    drawn = sink(band.first, rows);
                }
            } catch (const std::bad_alloc&) {
                drawn = false;
            }
            copy.host->fullImage = nullptr;
            for (const Request& request : band.requests)
                decoded.release(request.picture);
            if (!drawn)
                failed = true;
            if (progress)
                progress(double(done.fetch_add(1) + 1) / double(bands.size()));
        }
    };
    // Each drawing thread has a copy of the collage of its own.
    std::atomic<size_t> copies = 1;
    runOnThreads(drawers, [&] { drawer(m_copies[copies.fetch_add(1)]); });
    return !failed;
}

QImage CollageExporter::Render::draw(const std::function<void(double)>& progress)
{
    const PictureWork work;
    QImage bitmap(m_size, QImage::Format_ARGB32_Premultiplied);
    if (bitmap.isNull())
        return {};
    const bool drawn = drawBands(
        [&bitmap](int first, const QImage& rows) {
            for (int y = 0; y < rows.height(); ++y)
                std::memcpy(bitmap.scanLine(first + y), rows.constScanLine(y), size_t(rows.width()) * 4);
            return true;
        },
        progress);
    return drawn ? bitmap : QImage();
}

DocumentHost::SaveData CollageExporter::Render::encoded(ImageEncoder::Format format, double jpegCompression,
                                                        int tiffCompression,
                                                        const std::function<void(double)>& progress)
{
    const PictureWork work;
    const ImageMetadata metadata = exportMetadata(m_copies.front().collage->resolution());
    if (format == ImageEncoder::Format::Jpeg) {
        // Each band is encoded as soon as it is drawn, on the thread that drew
        // it; the whole picture is never held.
        ImageEncoder::JpegBands jpeg(m_size, jpegCompression, metadata);
        if (!drawBands([&jpeg](int first, const QImage& rows) { return jpeg.add(first, rows); }, progress)) {
            const ImageEncoder::Result result = jpeg.finish();
            return result.status.ok() ? tooLarge(m_size.width(), m_size.height()) : SaveData{QByteArray(), result.status};
        }
        ImageEncoder::Result result = jpeg.finish();
        return {std::move(result.bytes), result.status};
    }
    const auto report = [&progress](double done) {
        if (progress)
            progress(done);
    };
    QImage bitmap = draw([&report](double done) { report(0.6 * done); });
    if (bitmap.isNull())
        return tooLarge(m_size.width(), m_size.height());
    // RGBA files only for a transparent background: an opaque picture's
    // premultiplied pixels are RGB32's as they are.
    if (!m_copies.front().collage->backgroundIsTransparent() && ImageEncoder::isOpaque(bitmap))
        bitmap.reinterpretAsFormat(QImage::Format_RGB32);
    // Colours are drawn as sRGB already: the encoder tags them so.
    ImageEncoder::Result result = ImageEncoder::encode(std::move(bitmap), format, metadata, jpegCompression,
                                                       tiffCompression, [&report](double done) { report(0.6 + 0.4 * done); });
    return {std::move(result.bytes), result.status};
}

CollageExporter::CollageExporter(EditorSession& session)
    : m_session(session)
{
}

CollageExporter::~CollageExporter() = default;

// ---- rendering ------------------------------------------------------------------------

std::unique_ptr<CollageExporter::Render> CollageExporter::prepareRender(qint64 width, qint64 height) const
{
    const std::shared_ptr<Collage>& live = m_session.collage();
    if (!live || width < 1 || height < 1 || width > CollageLoader::maxCollageDimension()
        || height > CollageLoader::maxCollageDimension())
        return nullptr;
    auto pictures = std::make_shared<RenderPictures>();
    CollageDocument& document = m_session.document();
    for (const QString& md5 : live->allPicturesInUse()) {
        pictures->drawingImages.insert(md5, document.getDrawingSizeImage(md5));
        pictures->containers.insert(md5, document.getFileWrapperContainer(md5));
    }
    if (const CollageCaches* caches = m_session.collageCaches())
        pictures->caches = *caches;
    // As CollageTypes::makeFromJson makes them, with this editor's makers:
    // one copy measures, the others draw bands side by side.
    const QJsonObject snapshot = live->dictionaryRepresentationActual(false);
    const int copies = 1 + std::clamp(QThread::idealThreadCount(), 1, 64);
    std::vector<RenderCopy> made;
    for (int i = 0; i < copies; ++i) {
        RenderCopy copy{std::make_unique<RenderHost>(pictures),
                        m_session.getNewCollageFor(CollageTypes::typeOfJson(snapshot))};
        if (!copy.collage)
            return nullptr;
        copy.collage->setMyWindowController(copy.host.get());
        copy.collage->setMyPropertiesFrom(snapshot);
        made.push_back(std::move(copy));
    }
    return std::make_unique<Render>(std::move(made), QSize(int(width), int(height)));
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
    EditorWindow* window = m_session.window();
    if (!window)
        return work({});
    window->showSavingSheet();
    Result result;
    if (m_session.undoManager().groupingLevel() > 0) {
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
    if (EditorWindow* window = m_session.window())
        window->startSpinner();
    SaveData data = render->encoded(*format, jpegCompression, tiffCompression, {});
    // The next draw of the canvas stops the spinner.
    if (EditorWindow* window = m_session.window())
        window->setCanvasNeedsDisplay();
    return data;
}

DocumentHost::SaveData CollageExporter::dataOfTypeAtCollageSize(const QString& typeName, double jpegCompression,
                                                                int tiffCompression)
{
    const std::optional<ImageEncoder::Format> format = formatForType(typeName);
    if (!format)
        return dataOfType(typeName, jpegCompression, tiffCompression, 0, 0);
    const Collage& collage = *m_session.collage();
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

QString CollageExporter::temporaryImageFileName(const QString& name)
{
    constexpr qsizetype kLongest = 64;
    QString base = name.trimmed();
    for (const QString& extension : {CollageDocument::projectExtension(), CollageDocument::designExtension()}) {
        if (base.endsWith(u'.' + extension, Qt::CaseInsensitive)) {
            base.chop(extension.size() + 1);
            break;
        }
    }
    // Accented letters keep their letter ("Été" gives "Ete"); everything
    // else outside the safe set becomes one '-' between the parts kept.
    const auto isSeparator = [](QChar c) { return c == u'-' || c == u'_'; };
    QString safe;
    for (const QChar c : base.normalized(QString::NormalizationForm_KD)) {
        if (safe.size() >= kLongest)
            break;
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        const char16_t u = c.unicode();
        const bool kept = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9');
        const QChar out = kept || isSeparator(c) ? c : QChar(u'-');
        if (isSeparator(out) && (safe.isEmpty() || isSeparator(safe.back())))
            continue;
        safe += out;
    }
    while (!safe.isEmpty() && isSeparator(safe.back()))
        safe.chop(1);
    return (safe.isEmpty() ? QStringLiteral("collage") : safe) + QStringLiteral(".jpg");
}

std::optional<QString> CollageExporter::saveImageAtTempLocationWithName(const QString& name)
{
    const SaveData data = dataOfTypeAtCollageSize(CollageDocument::jpegType(), 0.96, ImageEncoder::tiffLzw);
    if (!data.status || data.bytes.isEmpty()) {
        qCWarning(lcExport).noquote() << data.status.message() << data.status.detail();
        return std::nullopt;
    }
    if (!m_temporaryFolder)
        m_temporaryFolder = PrivateTemporaryFolder::forApplication();
    return m_temporaryFolder->writeFile(temporaryImageFileName(name), data.bytes);
}

void CollageExporter::discardTemporaryImage(const QString& path)
{
    if (m_temporaryFolder)
        m_temporaryFolder->remove(path);
}

// ---- printing -------------------------------------------------------------------------

void CollageExporter::setPrintInfoOrientation()
{
    const std::shared_ptr<Collage>& collage = m_session.collage();
    const bool landscape = collage && collage->width() > collage->height();
    m_session.document().setPrintOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

std::shared_ptr<PrintOperation> CollageExporter::getPrintOperation()
{
    const std::shared_ptr<Collage>& collage = m_session.collage();
    if (!collage)
        return nullptr;
    setPrintInfoOrientation();
    const QSizeF size(double(collage->width()), double(collage->height()));
    QPointer<CollageExporter> self(this);
    auto view = std::make_shared<PrintDrawingView>(size, [self](GraphicsContext& context, QSizeF bounds) {
        return self && self->drawOnCurrentContextForPrintingInBounds(context, bounds);
    });
    return std::make_shared<PrintOperation>(size, m_session.document().printOrientation(),
                                            [view](QPaintDevice* device, const QRectF& target) {
                                                view->drawRect(device, target);
                                            });
}

bool CollageExporter::drawOnCurrentContextForPrintingInBounds(GraphicsContext& context, QSizeF bounds)
{
    const std::shared_ptr<Collage>& collage = m_session.collage();
    if (!collage)
        return false;
    if (EditorWindow* window = m_session.window())
        window->startSpinner();
    // Rendered as for export, at the collage's own size, on a worker: its
    // pictures never decode on the main thread, which only waits (no event
    // loop runs under a printer's paint).
    const std::shared_ptr<Render> render = prepareRender(collage->width(), collage->height());
    const QImage rendered =
        render ? QtConcurrent::run([render] { return render->draw({}); }).result() : QImage();
    if (!rendered.isNull())
        context.drawImage(rendered, QRectF(QPointF(), bounds));
    if (EditorWindow* window = m_session.window())
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
    EditorWindow* window = m_session.window();
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
                                if (!lookup->openFileWithApplication(*path, application)) {
                                    qCWarning(lcExport) << "could not open" << *path << "with" << application;
                                    self->discardTemporaryImage(*path);
                                }
                            });
}

} // namespace qf
