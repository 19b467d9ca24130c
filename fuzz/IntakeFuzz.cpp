// Adds fuzzed files to a grid the way a drop or the add panel does, then
// exports the collage as each image type at a small size. The input is up to
// four files separated by the byte 0x1e; a part that reads "dir" puts the
// following ones in a folder, which is added instead. Nothing may crash or hang, and every
// picture the collage took must be in the document's store. Each picture is
// also decoded for a few drawn widths.
#include "document/CollageDocument.h"
#include "editor/FotoloomController.h"
#include "fuzz/FuzzApplication.h"
#include "model/Collage.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

using namespace qf;

namespace {

void require(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Settings stay out of the user's own store.
    fuzz::startGuiApplication("fuzz_intake");
    QLoggingCategory::setFilterRules(QStringLiteral("qf.*=false\nqt.*=false"));
    QImageReader::setAllocationLimit(1024);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QTemporaryDir tmp;
    require(tmp.isValid());
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> parts = input.split('\x1e');
    QStringList paths;
    QString folder;
    for (qsizetype i = 0; i < parts.size() && i < 4; ++i) {
        if (parts[i] == "dir") {
            folder = tmp.filePath(QStringLiteral("folder"));
            QDir().mkpath(folder);
            paths.append(folder);
            continue;
        }
        const QString file = (folder.isEmpty() ? tmp.path() : folder) + QStringLiteral("/p%1").arg(i);
        QFile f(file);
        require(f.open(QIODevice::WriteOnly));
        f.write(parts[i]);
        f.close();
        if (folder.isEmpty())
            paths.append(file);
    }

    CollageDocument doc;
    doc.setHostFactory([](CollageDocument& d) { return std::make_unique<FotoloomController>(d, &d.undoManager()); });
    doc.makeWindowControllers();
    auto* editor = static_cast<FotoloomController*>(doc.fotoloomController());
    editor->intake().addImagesFromDirectoriesOrFiles(paths);
    for (const QString& md5 : editor->collage()->images())
        require(!doc.getDrawingSizeImage(md5).isNull());

    for (const QString& type : {CollageDocument::jpegType(), CollageDocument::pngType(), CollageDocument::tiffType()})
        (void)editor->exporter().dataOfType(type, 0.5, 5, 96, 72);
    // Decodes for a drawn width, and what they are expected to hold.
    for (const auto& container : doc.imageWrapperContainers())
        for (const double width : {0.5, 3.0, 40.0}) {
            (void)container->getImageAtLeastWide(width);
            require(container->decodeBytesAtLeastWide(width) >= 0);
            // A part of it: the middle, as an export that shows it cut asks.
            const QSize size = container->partSizeAtLeastWide(width);
            QRect region(size.width() / 4, size.height() / 3, size.width() / 2, size.height() / 3);
            const QImage part = container->getRegionAtLeastWide(width, &region);
            require(part.isNull() || QRect(QPoint(), part.size()).contains(region));
        }
    return 0;
}
