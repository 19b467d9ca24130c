// Export of a grid or pile collage of photographs, as the application does
// it: open the project, render at full size, encode.
//   qf_bench_export --make <photos> <project> [width height columns rows [count]]
//        builds the project once: a new grid of width x height pixels (7200 x
//        5400 unless given) with the photos added as the window adds them,
//        then set to columns x rows cells. <photos> is a folder (its JPEGs in
//        name order) or a text file of photo paths, one a line; count takes
//        the first ones. Each file must be a distinct picture: a collage holds
//        equal files once.
//   qf_bench_export --make-pile <photos> <project> [width height [count]]
//        the same with a pile: instant-camera frames (spacing 0.1), shadows,
//        the photos spread out as a first add spreads them. Lays the pile out
//        the same way every run, and prints each picture as drawn on the
//        output, bottom of the pile first, for another program to draw:
//          slot <file> <centre x> <centre y> <width> <height>
//               <frame left> <frame top> <frame right> <frame bottom> <degrees>
//        in output pixels from the top left, the frame as its widths beyond
//        the picture, the tilt clockwise.
//   qf_bench_export --make-type <type> <photos> <project> [width height [count]]
//        the same with a new collage of any type the editor makes (grid,
//        mosaic, zigmosaic, hexagon, pile...), as that type lays out the
//        photos the window adds, its settings as a new one has them. Lays
//        it out the same way every run.
//   qf_bench_export <project> <out.jpg|.png|.tiff> [width height quality]
//        opens it and exports, at the collage's size and JPEG quality 96
//        unless given (quality 1..100). Prints the milliseconds of the export
//        alone (render and encode).
//   qf_bench_export --open <project> [width height]
//        opens it as a window does (the pictures' proxies made on all cores)
//        and draws the collage once for the screen at 1200 x 900 unless
//        given. Prints the milliseconds from the read to the end of the draw.
//   qf_bench_export --open-memory <project> [saved copy]
//        opens it and draws it as --open does, then saves it under the
//        second name when given. Prints the pictures the collage shows, the
//        pictures in the saved copy's Images folder, and the process's peak
//        resident memory in MB.
//   qf_bench_export --make-photos <folder> <count> [width height]
//        writes count distinct photo-like JPEGs of 600 x 450 unless given.
//
// The PNG encoder alone, for bench/png_vs_vips.sh:
//   qf_bench_export --picture <photos folder> <out.ppm>  renders the grid once
//   qf_bench_export --png <in.ppm> <out.png> [filter level [threads]]
//                                     encodes it as the export does, or with
//                                     the writer's other settings
// Prints the milliseconds of the encode alone.
#include "SeededRandom.h"

#include "document/CollageDocument.h"
#include "editor/FotoloomController.h"
#include "layouts/CollageTypes.h"
#include "layouts/grid/GridCollage.h"
#include "layouts/pile/RegularPileCollage.h"
#include "model/Collage.h"
#include "model/Position.h"
#include "platform/core/PictureMemory.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/images/ImageEncoder.h"
#include "platform/images/PngWriter.h"
#include "platform/vision/FaceDetector.h"

#include <QColorSpace>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>

#include <QLinearGradient>
#include <QPainter>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>
#include <numbers>
#include <optional>

using namespace qf;

namespace {

class NoFaces : public FaceDetector {
public:
    QList<QRectF> detectFaces(const QImage&) override { return {}; }
};

FotoloomController& editorOf(CollageDocument& doc)
{
    doc.setHostFactory([](CollageDocument& d) { return std::make_unique<FotoloomController>(d, &d.undoManager()); });
    doc.makeWindowControllers();
    return *static_cast<FotoloomController*>(doc.fotoloomController());
}

// The editor's new document, made the collage type asked for as the type
// popup makes it, whatever type a new document starts as.
bool loadNewDocumentAs(FotoloomController& editor, const QString& type)
{
    if (!editor.windowDidLoad())
        return false;
    if (editor.collage()->collageType() != type)
        editor.changeCollageType(CollageTypes::typeStrings().indexOf(type));
    if (editor.collage()->collageType() == type)
        return true;
    std::fprintf(stderr, "a new document cannot become a %s\n", qPrintable(type));
    return false;
}

// The folder's photographs added to the editor's new grid; how many.
qsizetype addPhotos(FotoloomController& editor, const QString& photos)
{
    QStringList ids;
    QHash<QString, QImage> images;
    const QStringList names = QDir(photos).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const std::optional<QString> id = editor.importPicture(QDir(photos).filePath(name));
        if (!id || images.contains(*id)) // the same photograph under two names
            continue;
        ids << *id;
        images.insert(*id, editor.drawingSizeImage(*id));
    }
    editor.collage()->addPictures(ids, images, {}, {});
    return ids.size();
}

// The photos named by a folder (its JPEGs in name order) or by a list file.
QStringList photoList(const QString& photos)
{
    QStringList paths;
    if (QFileInfo(photos).isDir()) {
        const QDir folder(photos);
        for (const QString& name : folder.entryList({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")}, QDir::Files,
                                                    QDir::Name))
            paths << folder.filePath(name);
        return paths;
    }
    QFile list(photos);
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        return paths;
    for (const QByteArray& line : list.readAll().split('\n'))
        if (!line.trimmed().isEmpty())
            paths << QString::fromLocal8Bit(line.trimmed());
    return paths;
}

qsizetype filledCells(const Collage& collage)
{
    qsizetype n = 0;
    for (const PositionPtr& cell : collage.picturePositions())
        n += cell && !cell->isEmpty();
    return n;
}

// What every --make shares: the photos, the project and the canvas.
struct MakeJob {
    QString photos; // as given
    QStringList paths;
    QString project;
    qint64 width = 7200;
    qint64 height = 5400;
};

// "<photos> <project> [width height ...]" from args[at..at + 3], the photos
// cut to the count at args[countAt] when there is one.
std::optional<MakeJob> makeJob(const QStringList& args, qsizetype at, qsizetype countAt)
{
    MakeJob job{args[at], photoList(args[at]), args[at + 1]};
    if (args.size() > at + 3) {
        job.width = args[at + 2].toLongLong();
        job.height = args[at + 3].toLongLong();
    }
    if (args.size() > countAt)
        job.paths = job.paths.mid(0, args[countAt].toInt());
    if (job.paths.isEmpty() || job.width < 1 || job.height < 1) {
        std::fprintf(stderr, "no photos in %s, or a bad size\n", qPrintable(job.photos));
        return std::nullopt;
    }
    return job;
}

using MakeStep = std::function<bool(FotoloomController&)>;

// A new document of `type` at the job's size: `setUp` before the photos go
// in as the window adds them, `arrange` after; then saved, and `report`
// told whether it was.
int makeProject(const MakeJob& job, const QString& type, const MakeStep& setUp, const MakeStep& arrange,
                const std::function<void(FotoloomController&, bool saved)>& report)
{
    // The same layout every run: the pile places its pictures at random.
    bench::SeededRandom seeded;
    const ScopedRandomSource random(seeded);
    CollageDocument doc;
    FotoloomController& editor = editorOf(doc);
    if (!loadNewDocumentAs(editor, type))
        return 1;
    editor.collage()->setWidth(job.width);
    editor.collage()->setHeight(job.height);
    if (setUp && !setUp(editor))
        return 1;
    editor.intake().addImagesFromDirectoriesOrFiles(job.paths);
    if (arrange && !arrange(editor))
        return 1;
    const Collage& collage = *editor.collage();
    const qsizetype count = collage.images().size();
    if (count != job.paths.size() || filledCells(collage) != count) {
        std::fprintf(stderr, "%lld of %lld photos in the collage, %lld slots filled\n", qlonglong(count),
                     qlonglong(job.paths.size()), qlonglong(filledCells(collage)));
        return 1;
    }
    const bool saved = doc.saveToPathShowingErrors(job.project, CollageDocument::projectType(),
                                                   CollageDocument::SaveOperation::SaveAs);
    report(editor, saved);
    return saved ? 0 : 1;
}

// --make <photos> <project> [width height columns rows [count]]
int makeGrid(const QStringList& args)
{
    const std::optional<MakeJob> job = makeJob(args, 2, 8);
    if (!job)
        return 1;
    const qint64 columns = args.size() > 6 ? args[6].toLongLong() : 0;
    const qint64 rows = args.size() > 7 ? args[7].toLongLong() : 0;
    const auto cells = [columns, rows](FotoloomController& editor) {
        auto* grid = dynamic_cast<GridCollage*>(editor.collage().get());
        if (!grid)
            return false;
        if (columns < 1 || rows < 1)
            return true;
        (void)editor.runner().runCommand(QStringLiteral("changeColumnCountCommand"), {columns, {}});
        (void)editor.runner().runCommand(QStringLiteral("changeRowCountCommand"), {rows, {}});
        if (grid->columnCount() == columns && grid->rowCount() == rows)
            return true;
        std::fprintf(stderr, "the grid is %lld x %lld, not %lld x %lld\n", qlonglong(grid->columnCount()),
                     qlonglong(grid->rowCount()), qlonglong(columns), qlonglong(rows));
        return false;
    };
    return makeProject(*job, QStringLiteral("grid"), nullptr, cells, [&job](FotoloomController& editor, bool saved) {
        const auto& grid = static_cast<const GridCollage&>(*editor.collage());
        std::printf("project of %lld pictures in a %lld x %lld grid of %lld x %lld pixels: %s\n",
                    qlonglong(grid.images().size()), qlonglong(grid.columnCount()), qlonglong(grid.rowCount()),
                    qlonglong(job->width), qlonglong(job->height), saved ? "written" : "failed");
    });
}

// Each pile picture as drawn on the output, as the usage above lists them.
void printPileSlots(RegularPileCollage& pile)
{
    const double w = double(pile.width()), h = double(pile.height());
    const double border = pile.getBorderWidthForCollageWidth(w, h);
    for (qint64 i = 0; i < pile.picturePositions().size(); ++i) {
        const std::shared_ptr<PilePosition> slot = pile.pileSlot(i);
        if (!slot || slot->isEmpty())
            continue;
        // Drawing space has y up: the rectangle's low-y edge is the picture's bottom.
        const QRectF picture = pile.pictureRectOf(*slot, w, h);
        const QRectF frame = pile.needsBorderFill()
            ? pile.getBorderEnclosingPathForDrawingRect(picture, border).boundingRect()
            : picture;
        std::printf("slot %s %.1f %.1f %.1f %.1f %.1f %.1f %.1f %.1f %.3f\n",
                    qPrintable(pile.md5ToPathsDictionary().value(slot->picture())), slot->center().x() * w,
                    h - slot->center().y() * h, picture.width(), picture.height(), picture.left() - frame.left(),
                    frame.bottom() - picture.bottom(), frame.right() - picture.right(), picture.top() - frame.top(),
                    -slot->rotation() * 180 / std::numbers::pi);
    }
}

// --make-pile <photos> <project> [width height [count]]: instant-camera
// frames, shadows, the pictures spread out as the first add spreads them.
int makePile(const QStringList& args)
{
    const std::optional<MakeJob> job = makeJob(args, 2, 6);
    if (!job)
        return 1;
    const auto framed = [](FotoloomController& editor) {
        auto* pile = dynamic_cast<RegularPileCollage*>(editor.collage().get());
        if (!pile)
            return false;
        pile->setBorderStyle(RegularPileCollage::BorderInstantCamera);
        pile->setDrawShadow(true);
        pile->setSpacing(0.1); // frames wide enough to see
        return true;
    };
    return makeProject(*job, QStringLiteral("pile"), framed, nullptr, [&job](FotoloomController& editor, bool saved) {
        auto& pile = static_cast<RegularPileCollage&>(*editor.collage());
        std::printf("project of %lld pictures in a pile of %lld x %lld pixels, instant-camera frames and shadows: %s\n",
                    qlonglong(pile.images().size()), qlonglong(job->width), qlonglong(job->height),
                    saved ? "written" : "failed");
        if (saved)
            printPileSlots(pile);
    });
}

// --make-type <type> <photos> <project> [width height [count]]: the type's
// own layout of the photos, nothing set beyond what a new collage has.
int makeOfType(const QStringList& args)
{
    const QString& type = args[2];
    if (!CollageTypes::typeStrings().contains(type)) {
        std::fprintf(stderr, "no collage type %s; the types: %s\n", qPrintable(type),
                     qPrintable(CollageTypes::typeStrings().join(QStringLiteral(", "))));
        return 2;
    }
    const std::optional<MakeJob> job = makeJob(args, 3, 7);
    if (!job)
        return 1;
    return makeProject(*job, type, nullptr, nullptr, [&job, &type](FotoloomController& editor, bool saved) {
        const Collage& collage = *editor.collage();
        std::printf("project of %lld pictures in a %s of %lld x %lld pixels, %lld cells: %s\n",
                    qlonglong(collage.images().size()), qPrintable(type), qlonglong(job->width),
                    qlonglong(job->height), qlonglong(collage.picturePositions().size()),
                    saved ? "written" : "failed");
    });
}

int exportProject(const QStringList& args)
{
    const QString& project = args[1];
    const QString& out = args[2];
    CollageDocument doc;
    if (!doc.readFromPath(project))
        return 1;
    FotoloomController& editor = editorOf(doc);
    if (!editor.windowDidLoad())
        return 1;
    const QString type = out.endsWith(QStringLiteral(".png"))  ? CollageDocument::pngType()
                       : out.endsWith(QStringLiteral(".tiff")) ? CollageDocument::tiffType()
                                                               : CollageDocument::jpegType();
    QElapsedTimer timer;
    timer.start();
    DocumentHost::SaveData data;
    if (args.size() == 6) {
        const qint64 width = args[3].toLongLong();
        const qint64 height = args[4].toLongLong();
        const int quality = args[5].toInt();
        if (quality < 1 || quality > 100)
            return 2;
        data = editor.exporter().dataOfType(type, quality / 100.0, 5, width, height);
    } else {
        data = editor.saveDataOfType(type, 0.96, 5);
    }
    const qint64 ms = timer.elapsed();
    QFile file(out);
    if (data.bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(data.bytes) != data.bytes.size())
        return 1;
    std::printf("%lld\n", ms);
    return 0;
}

int openProject(const QStringList& args)
{
    const int width = args.size() > 3 ? args[3].toInt() : 1200;
    const int height = args.size() > 4 ? args[4].toInt() : 900;
    QElapsedTimer timer;
    timer.start();
    CollageDocument doc;
    if (!doc.readFromPath(args[2]))
        return 1;
    FotoloomController& editor = editorOf(doc);
    if (!editor.windowDidLoad())
        return 1;
    // As the canvas paints: the whole collage at the view's size, from the proxies.
    QImage view(QSize(width, height), QImage::Format_ARGB32_Premultiplied);
    if (view.isNull())
        return 1;
    view.fill(Qt::white);
    {
        GraphicsContext context(view);
        editor.collage()->drawYourselfOnCurrentContextInWidth(context, width, height, false);
    }
    const qint64 ms = timer.elapsed();
    const qsizetype pictures = editor.collage()->images().size();
    if (pictures != doc.imageWrapperContainers().size())
        return 1;
    std::printf("%lld\n", ms);
    return 0;
}

long peakMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

int openForMemory(const QStringList& args)
{
    CollageDocument doc;
    if (!doc.readFromPath(args[2]))
        return 1;
    const long afterRead = peakMb();
    FotoloomController& editor = editorOf(doc);
    if (!editor.windowDidLoad())
        return 1;
    std::printf("peak after the read %ld MB, after the proxies %ld MB (%lld MB of them)\n", afterRead, peakMb(),
                qlonglong(doc.drawingImageBytes() >> 20));
    QImage view(QSize(1200, 900), QImage::Format_ARGB32_Premultiplied);
    view.fill(Qt::white);
    {
        GraphicsContext context(view);
        editor.collage()->drawYourselfOnCurrentContextInWidth(context, 1200, 900, false);
    }
    qsizetype saved = -1;
    if (args.size() == 4) {
        if (!doc.saveToPathShowingErrors(args[3], CollageDocument::projectType(),
                                         CollageDocument::SaveOperation::SaveAs))
            return 1;
        saved = QDir(args[3] + QStringLiteral("/Images")).entryList(QDir::Files | QDir::Hidden).size();
    }
    std::printf("shown %lld of %lld, saved %lld, peak %ld MB\n", qlonglong(editor.collage()->images().size()),
                qlonglong(doc.imageWrapperContainers().size()), qlonglong(saved), peakMb());
    return 0;
}

// Smooth colour fields with a few shapes and light noise: about the size of
// a photograph of that many pixels saved at quality 80, each one distinct.
int makePhotos(const QStringList& args)
{
    const QString folder = args[2];
    const int count = args[3].toInt();
    const int width = args.size() > 5 ? args[4].toInt() : 600;
    const int height = args.size() > 5 ? args[5].toInt() : 450;
    if (count <= 0 || width <= 0 || height <= 0 || !QDir().mkpath(folder))
        return 2;
    std::atomic<int> next = 0;
    std::atomic<bool> ok = true;
    const auto work = [&] {
        for (int i; (i = next.fetch_add(1)) < count;) {
            bench::SeededRandom seeded(quint32(i) * 2654435761u + 1);
            const auto below = [&seeded](int n) { return int(seeded.next() % quint32(n)); };
            QImage image(width, height, QImage::Format_RGB32);
            QLinearGradient gradient(0, 0, width, height);
            gradient.setColorAt(0, QColor::fromHsv(below(360), 120, 230));
            gradient.setColorAt(1, QColor::fromHsv(below(360), 200, 90));
            QPainter painter(&image);
            painter.fillRect(image.rect(), gradient);
            painter.setRenderHint(QPainter::Antialiasing);
            for (int k = 0; k < 6; ++k) {
                painter.setBrush(QColor::fromHsv(below(360), 160, 200, 160));
                painter.setPen(Qt::NoPen);
                painter.drawEllipse(QPointF(below(width), below(height)),
                                    20 + below(width / 4), 20 + below(height / 4));
            }
            painter.end();
            for (int y = 0; y < height; ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < width; ++x) {
                    const int d = below(9) - 4;
                    const QRgb c = line[x];
                    line[x] = qRgb(std::clamp(qRed(c) + d, 0, 255), std::clamp(qGreen(c) + d, 0, 255),
                                   std::clamp(qBlue(c) + d, 0, 255));
                }
            }
            if (!image.save(QStringLiteral("%1/photo-%2.jpg").arg(folder).arg(i, 5, 10, QLatin1Char('0')), "JPEG", 80))
                ok = false;
        }
    };
    std::vector<std::jthread> threads;
    for (unsigned t = 1; t < std::max(1u, std::thread::hardware_concurrency()); ++t)
        threads.emplace_back(work);
    work();
    threads.clear();
    return ok ? 0 : 1;
}

int makePicture(const QString& photos, const QString& out)
{
    CollageDocument doc;
    FotoloomController& editor = editorOf(doc);
    if (!loadNewDocumentAs(editor, QStringLiteral("grid")))
        return 1;
    editor.collage()->setWidth(7200);
    editor.collage()->setHeight(5400);
    const qsizetype count = addPhotos(editor, photos);
    const QImage picture = editor.exporter().getImageBitmapRepForWidth(7200, 5400);
    if (picture.isNull() || !picture.convertToFormat(QImage::Format_RGB32).save(out, "PPM"))
        return 1;
    std::printf("%lld photographs in a 7200 x 5400 grid\n", qlonglong(count));
    return 0;
}

int encodePng(const QStringList& args)
{
    QImage picture(args[2], "PPM");
    if (picture.isNull())
        return 1;
    picture = picture.convertToFormat(QImage::Format_RGB32);
    QElapsedTimer timer;
    timer.start();
    QByteArray bytes;
    if (args.size() == 4) {
        const ImageMetadata metadata{300, QStringLiteral("Quiltfolio"),
                                     QStringLiteral("Collage created using Quiltfolio software"), {}};
        bytes = ImageEncoder::encodePng(picture, metadata).bytes;
    } else {
        const qsizetype filter = QStringList{"none", "sub", "up", "average", "paeth"}.indexOf(args[4]);
        if (filter < 0)
            return 2;
        PngWriter::Options options;
        options.alpha = false;
        options.iccProfile = QColorSpace(QColorSpace::SRgb).iccProfile();
        options.filter = PngWriter::Filter(filter);
        options.level = args[5].toInt();
        options.threads = args.size() > 6 ? args[6].toInt() : 0;
        bytes = PngWriter::write(picture, options, nullptr).value_or(QByteArray());
    }
    const qint64 ms = timer.elapsed();
    QFile file(args[3]);
    if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return 1;
    std::printf("%lld\n", ms);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    setUpPictureMemory(); // as the application does, before any thread starts
    QGuiApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    NoFaces noFaces;
    ScopedFaceDetector faces(noFaces);
    const QStringList args = app.arguments();
    const qsizetype n = args.size();
    if ((n == 4 || n == 6 || n == 8 || n == 9) && args[1] == QStringLiteral("--make"))
        return makeGrid(args);
    if ((n == 4 || n == 6 || n == 7) && args[1] == QStringLiteral("--make-pile"))
        return makePile(args);
    if ((n == 5 || n == 7 || n == 8) && args[1] == QStringLiteral("--make-type"))
        return makeOfType(args);
    if ((args.size() == 3 || args.size() == 5) && args[1] == QStringLiteral("--open"))
        return openProject(args);
    if ((n == 3 || n == 4) && args[1] == QStringLiteral("--open-memory"))
        return openForMemory(args);
    if ((n == 4 || n == 6) && args[1] == QStringLiteral("--make-photos"))
        return makePhotos(args);
    if (args.size() == 4 && args[1] == QStringLiteral("--picture"))
        return makePicture(args[2], args[3]);
    if ((args.size() == 4 || args.size() == 6 || args.size() == 7) && args[1] == QStringLiteral("--png"))
        return encodePng(args);
    if ((args.size() == 3 || args.size() == 6) && !args[1].startsWith(QStringLiteral("--")))
        return exportProject(args);
    std::fprintf(stderr,
                 "usage: qf_bench_export --make <photos> <project> [width height columns rows [count]]\n"
                 "       qf_bench_export --make-pile <photos> <project> [width height [count]]\n"
                 "       qf_bench_export --make-type <type> <photos> <project> [width height [count]]\n"
                 "       qf_bench_export <project> <out.jpg|.png|.tiff> [width height quality]\n"
                 "       qf_bench_export --open <project> [width height]\n"
                 "       qf_bench_export --open-memory <project> [saved copy]\n"
                 "       qf_bench_export --make-photos <folder> <count> [width height]\n"
                 "       qf_bench_export --picture <photos> <out.ppm>\n"
                 "       qf_bench_export --png <in.ppm> <out.png> [filter level [threads]]\n");
    return 2;
}
