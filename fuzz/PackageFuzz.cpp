// Opens fuzzed documents from disk. The first byte picks what the rest
// becomes:
//   0  a package's "collage.design"
//   1  an old single-file design
//   2  a package's "TemplateInfo.plist" beside a valid design
//   3  the collage JSON inside a valid envelope whose version byte is the
//      second byte; opened, saved as a package and opened again unchanged
//   4  pictures "name:bytes" separated by newlines, added to a document that
//      is saved and opened again with every picture in use still there
// Nothing may crash or hang; the round trips must hold.
#include "document/CollageDocument.h"
#include "document/WorkWithFileFormat.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdlib>

using namespace qf;

namespace {

void require(bool ok)
{
    if (!ok)
        std::abort();
}

const QString& workFolder()
{
    static const QString folder = [] {
        // The reader's log lines would drown the fuzzer's own output.
        QLoggingCategory::setFilterRules(QStringLiteral("qf.*=false"));
        QByteArray templ = QDir::tempPath().toUtf8() + "/qf-fuzz-package-XXXXXX";
        require(::mkdtemp(templ.data()) != nullptr);
        std::atexit([] { QDir(workFolder()).removeRecursively(); });
        return QString::fromUtf8(templ);
    }();
    return folder;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile f(path);
    require(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    require(f.write(bytes) == bytes.size());
}

class Host : public DocumentHost {
public:
    QByteArray envelope;
    QStringList inUse;
    QByteArray dataOfTypeForSave(const QString&, double, int) override { return envelope; }
    QStringList allPicturesInUse() const override { return inUse; }
    void savedSuccessfullyToFileType(const QString&) override { }
};

// A document with an editor that hands back the given envelope.
struct Editing {
    CollageDocument doc;
    Host* host = nullptr;
    Editing()
    {
        doc.setHostFactory([this](CollageDocument&) {
            auto h = std::make_unique<Host>();
            host = h.get();
            return h;
        });
        doc.makeWindowControllers();
        // Durability costs time and proves nothing here.
        AtomicFileWriter::Options options;
        options.flush = AtomicFileWriter::Flush::Never;
        doc.setWriteOptions(options);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int mode = data[0] % 5;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const QString folder = workFolder();
    const QString package = folder + QStringLiteral("/in.quiltfolioproj");
    const QString saved = folder + QStringLiteral("/out.quiltfolioproj");
    QDir(package).removeRecursively();

    switch (mode) {
    case 0: {
        writeFile(package + QStringLiteral("/collage.design"), bytes);
        writeFile(package + QStringLiteral("/Images/a.png"), bytes.left(64));
        CollageDocument doc;
        if (doc.readFromPath(package))
            require(WorkWithFileFormat::containsValidFileFormat(*doc.jsonData()));
        break;
    }
    case 1: {
        const QString single = folder + QStringLiteral("/in.quiltfolio");
        writeFile(single, bytes);
        CollageDocument doc;
        if (doc.readFromPath(single))
            require(doc.jsonData() == bytes && doc.imageWrapperContainers().isEmpty());
        break;
    }
    case 2: {
        writeFile(package + QStringLiteral("/collage.design"), WorkWithFileFormat::getFileDataForActualJsonData("{}"));
        writeFile(package + QStringLiteral("/TemplateInfo.plist"), bytes);
        CollageDocument doc;
        require(bool(doc.readFromPath(package)));
        break;
    }
    case 3: {
        QByteArray envelope = WorkWithFileFormat::getFileDataForActualJsonData(bytes.mid(1));
        if (!bytes.isEmpty()) {
            // Another version byte, with the header digest made to match.
            envelope[8] = bytes[0];
            envelope.replace(170, 16, QCryptographicHash::hash(envelope.left(170), QCryptographicHash::Md5));
        }
        writeFile(package + QStringLiteral("/collage.design"), envelope);
        Editing e;
        if (!e.doc.readFromPath(package))
            break;
        e.host->envelope = *e.doc.jsonData();
        require(bool(e.doc.saveToPath(saved, CollageDocument::projectType(), CollageDocument::SaveOperation::SaveAs)));
        CollageDocument again;
        require(bool(again.readFromPath(saved)));
        require(again.jsonData() == e.doc.jsonData());
        break;
    }
    case 4: {
        Editing e;
        e.host->envelope = WorkWithFileFormat::getFileDataForActualJsonData("{}");
        qsizetype withIdentity = 0;
        for (const QByteArray& entry : bytes.split('\n')) {
            const qsizetype colon = entry.indexOf(':');
            auto c = std::make_shared<QFRegularFileWrapperContainer>(
                entry.mid(colon + 1), QString::fromUtf8(entry.left(std::max<qsizetype>(colon, 0))));
            if (!c->md5() || e.doc.getFileWrapperContainer(*c->md5()))
                continue;
            e.doc.addImage(c);
            e.host->inUse << *c->md5();
            ++withIdentity;
        }
        require(bool(e.doc.saveToPath(saved, CollageDocument::projectType(), CollageDocument::SaveOperation::SaveAs)));
        CollageDocument again;
        require(bool(again.readFromPath(saved)));
        require(again.imageWrapperContainers().size() == withIdentity);
        for (const QString& md5 : std::as_const(e.host->inUse))
            require(again.getFileWrapperContainer(md5) != nullptr);
        break;
    }
    }
    return 0;
}
