// Export of a grid collage of photographs, as the application does it: open
// the project, render at full size, encode.
//   qf_bench_export --make <photos> <project> [width height columns rows [count]]
//        builds the project once: a new grid of width x height pixels (7200 x
//        5400 unless given) with the photos added as the window adds them,
//        then set to columns x rows cells. <photos> is a folder (its JPEGs in
//        name order) or a text file of photo paths, one a line; count takes
//        the first ones. Each file must be a distinct picture: a collage holds
//        equal files once.
//   qf_bench_export <project> <out.jpg|.png|.tiff> [width height quality]
//        opens it and exports, at the collage's size and JPEG quality 96
//        unless given (quality 1..100). Prints the milliseconds of the export
//        alone (render and encode).
//   qf_bench_export --open <project> [width height]
//        opens it as a window does (the pictures' proxies made on all cores)
//        and draws the collage once for the screen at 1200 x 900 unless
//        given. Prints the milliseconds from the read to the end of the draw.
//
// The PNG encoder alone, for bench/png_vs_vips.sh:
//   qf_bench_export --picture <photos folder> <out.ppm>  renders the grid once
//   qf_bench_export --png <in.ppm> <out.png> [filter level [threads]]
//                                     encodes it as the export does, or with
//                                     the writer's other settings
// Prints the milliseconds of the encode alone.
#include "document/CollageDocument.h"
#include "editor/FotoloomController.h"
#include "layouts/grid_mosaic/GridCollage.h"
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

#include <cstdio>
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

int make(const QStringList& args)
{
    const QString project = args[3];
    QStringList paths = photoList(args[2]);
    const qint64 width = args.size() > 4 ? args[4].toLongLong() : 7200;
    const qint64 height = args.size() > 5 ? args[5].toLongLong() : 5400;
    const qint64 columns = args.size() > 6 ? args[6].toLongLong() : 0;
    const qint64 rows = args.size() > 7 ? args[7].toLongLong() : 0;
    if (args.size() > 8)
        paths = paths.mid(0, args[8].toInt());
    if (paths.isEmpty() || width < 1 || height < 1) {
        std::fprintf(stderr, "no photos in %s, or a bad size\n", qPrintable(args[2]));
        return 1;
    }

    CollageDocument doc;
    FotoloomController& editor = editorOf(doc);
    if (!editor.windowDidLoad())
        return 1;
    auto* grid = dynamic_cast<GridCollage*>(editor.collage().get());
    if (!grid) {
        std::fprintf(stderr, "a new document is no grid\n");
        return 1;
    }
    grid->setWidth(width);
    grid->setHeight(height);
    editor.addImagesFromDirectoriesOrFiles(paths);
    const qsizetype count = grid->images().size();
    if (columns > 0 && rows > 0) {
        editor.changeColumnCount(columns);
        editor.changeRowCount(rows);
        if (grid->columnCount() != columns || grid->rowCount() != rows) {
            std::fprintf(stderr, "the grid is %lld x %lld, not %lld x %lld\n", qlonglong(grid->columnCount()),
                         qlonglong(grid->rowCount()), qlonglong(columns), qlonglong(rows));
            return 1;
        }
    }
    if (count != paths.size() || filledCells(*grid) != count) {
        std::fprintf(stderr, "%lld of %lld photos in the collage, %lld cells filled\n", qlonglong(count),
                     qlonglong(paths.size()), qlonglong(filledCells(*grid)));
        return 1;
    }
    const bool saved = doc.saveToPathShowingErrors(project, CollageDocument::projectType(),
                                                   CollageDocument::SaveOperation::SaveAs);
    std::printf("project of %lld pictures in a %lld x %lld grid of %lld x %lld pixels: %s\n", qlonglong(count),
                qlonglong(grid->columnCount()), qlonglong(grid->rowCount()), qlonglong(width), qlonglong(height),
                saved ? "written" : "failed");
    return saved ? 0 : 1;
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
        data = editor.dataOfType(type, quality / 100.0, 5, width, height);
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

int makePicture(const QString& photos, const QString& out)
{
    CollageDocument doc;
    FotoloomController& editor = editorOf(doc);
    if (!editor.windowDidLoad())
        return 1;
    editor.collage()->setWidth(7200);
    editor.collage()->setHeight(5400);
    const qsizetype count = addPhotos(editor, photos);
    const QImage picture = editor.getImageBitmapRepForWidth(7200, 5400);
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
    QGuiApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    setUpPictureMemory(); // as the application does
    NoFaces noFaces;
    ScopedFaceDetector faces(noFaces);
    const QStringList args = app.arguments();
    const qsizetype n = args.size();
    if ((n == 4 || n == 6 || n == 8 || n == 9) && args[1] == QStringLiteral("--make"))
        return make(args);
    if ((args.size() == 3 || args.size() == 5) && args[1] == QStringLiteral("--open"))
        return openProject(args);
    if (args.size() == 4 && args[1] == QStringLiteral("--picture"))
        return makePicture(args[2], args[3]);
    if ((args.size() == 4 || args.size() == 6 || args.size() == 7) && args[1] == QStringLiteral("--png"))
        return encodePng(args);
    if ((args.size() == 3 || args.size() == 6) && !args[1].startsWith(QStringLiteral("--")))
        return exportProject(args);
    std::fprintf(stderr,
                 "usage: qf_bench_export --make <photos> <project> [width height columns rows [count]]\n"
                 "       qf_bench_export <project> <out.jpg|.png|.tiff> [width height quality]\n"
                 "       qf_bench_export --open <project> [width height]\n"
                 "       qf_bench_export --picture <photos> <out.ppm>\n"
                 "       qf_bench_export --png <in.ppm> <out.png> [filter level [threads]]\n");
    return 2;
}
