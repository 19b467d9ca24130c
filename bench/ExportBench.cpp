// Export of a collage of photographs at 7200 x 5400, as the application does
// it: open the project, render at full size, encode.
//   qf_bench_export --make <photos folder> <project>   builds the project once
//   qf_bench_export <project> <out.jpg|.png|.tiff>     opens it and exports
// Prints the milliseconds of the export alone (render and encode).
//
// The PNG encoder alone, for bench/png_vs_vips.sh:
//   qf_bench_export --picture <photos folder> <out.ppm>  renders the grid once
//   qf_bench_export --png <in.ppm> <out.png> [filter level [threads]]
//                                     encodes it as the export does, or with
//                                     the writer's other settings
// Prints the milliseconds of the encode alone.
#include "document/CollageDocument.h"
#include "editor/FotoloomController.h"
#include "model/Collage.h"
#include "platform/images/ImageEncoder.h"
#include "platform/images/PngWriter.h"
#include "platform/vision/FaceDetector.h"

#include <QColorSpace>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
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

int make(const QString& photos, const QString& project)
{
    CollageDocument doc;
    FotoloomController& editor = editorOf(doc);
    if (!editor.windowDidLoad())
        return 1;
    const qsizetype count = addPhotos(editor, photos);
    const bool saved = doc.saveToPathShowingErrors(project, CollageDocument::projectType(),
                                                   CollageDocument::SaveOperation::SaveAs);
    std::printf("project of %lld pictures: %s\n", qlonglong(count), saved ? "written" : "failed");
    return saved ? 0 : 1;
}

int exportProject(const QString& project, const QString& out)
{
    CollageDocument doc;
    if (!doc.readFromPath(project))
        return 1;
    FotoloomController& editor = editorOf(doc);
    if (!editor.windowDidLoad())
        return 1;
    QElapsedTimer timer;
    timer.start();
    const QString type = out.endsWith(QStringLiteral(".png"))  ? CollageDocument::pngType()
                       : out.endsWith(QStringLiteral(".tiff")) ? CollageDocument::tiffType()
                                                               : CollageDocument::jpegType();
    const DocumentHost::SaveData data = editor.saveDataOfType(type, 0.96, 5);
    const qint64 ms = timer.elapsed();
    QFile file(out);
    if (data.bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(data.bytes) != data.bytes.size())
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
    QImageReader::setAllocationLimit(1024); // as the application does
    NoFaces noFaces;
    ScopedFaceDetector faces(noFaces);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QStringLiteral("--make"))
        return make(args[2], args[3]);
    if (args.size() == 4 && args[1] == QStringLiteral("--picture"))
        return makePicture(args[2], args[3]);
    if ((args.size() == 4 || args.size() == 6 || args.size() == 7) && args[1] == QStringLiteral("--png"))
        return encodePng(args);
    if (args.size() == 3)
        return exportProject(args[1], args[2]);
    std::fprintf(stderr, "usage: qf_bench_export --make <photos> <project> | <project> <out.jpg|.png|.tiff>\n"
                         "       qf_bench_export --picture <photos> <out.ppm> | --png <in.ppm> <out.png> [filter level [threads]]\n");
    return 2;
}
