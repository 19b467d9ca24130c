// Export of a collage of 30 photographs at 7200 x 5400 to JPEG, as the
// application does it: open the project, render at full size, encode.
//   qf_bench_export --make <photos folder> <project>   builds the project once
//   qf_bench_export <project> <out.jpg>                opens it and exports
// Prints the milliseconds of the export alone (render and encode).
#include "document/CollageDocument.h"
#include "editor/FotoloomController.h"
#include "model/Collage.h"
#include "platform/vision/FaceDetector.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QStandardPaths>

#include <cstdio>

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

int make(const QString& photos, const QString& project)
{
    CollageDocument doc;
    FotoloomController& editor = editorOf(doc);
    if (!editor.windowDidLoad())
        return 1;
    QStringList ids;
    QHash<QString, QImage> images;
    const QStringList names = QDir(photos).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const std::optional<QString> id = editor.importPicture(QDir(photos).filePath(name));
        if (!id)
            continue;
        ids << *id;
        images.insert(*id, editor.drawingSizeImage(*id));
    }
    editor.collage()->addPictures(ids, images, {}, {});
    const bool saved = doc.saveToPathShowingErrors(project, CollageDocument::projectType(),
                                                   CollageDocument::SaveOperation::SaveAs);
    std::printf("project of %lld pictures: %s\n", qlonglong(ids.size()), saved ? "written" : "failed");
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
    const DocumentHost::SaveData data = editor.saveDataOfType(CollageDocument::jpegType(), 0.96, 5);
    const qint64 ms = timer.elapsed();
    QFile file(out);
    if (data.bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(data.bytes) != data.bytes.size())
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
    if (args.size() == 3)
        return exportProject(args[1], args[2]);
    std::fprintf(stderr, "usage: qf_bench_export --make <photos> <project> | <project> <out.jpg>\n");
    return 2;
}
