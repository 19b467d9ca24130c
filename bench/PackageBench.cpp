// Saving and opening a project package of 100 photographs of 2 to 3 MB.
//   qf_bench_package [--photos DIR] [google benchmark flags]
//   qf_bench_package [--photos DIR] --generate-only
//   qf_bench_package --photo-folder DIR [google benchmark flags]
//   qf_bench_package --photo-folder DIR --save-once PROJECT new|over
// The photographs are made once into DIR (by default qf-bench-photos in the
// temporary folder) and reused, or with --photo-folder are the JPEGs DIR
// holds (real photographs; each file a distinct picture). Identities are
// computed before timing, as an open editor has them already.
// --save-once is a whole process for bench/save_vs_cp.sh, against `cp -r` of
// the same folder: it reads the photographs into a document, as an editor
// holds them, hashes them on all cores, saves the package once and exits,
// printing the milliseconds of the save alone. "new" saves to a new name (no
// flush, as a first save); "over" saves over the package already at PROJECT,
// which is flushed to disk before it replaces the old one.
#include "document/CollageDocument.h"
#include "document/WorkWithFileFormat.h"
#include "platform/files/FileWrapperReader.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

using namespace qf;

namespace {

constexpr int kPhotos = 100;
QString g_photoFolder;
// The photographs used: the ones made here, or those of a given folder.
QStringList g_photoPaths;

QString photoPath(int i)
{
    return g_photoFolder + QStringLiteral("/photo-%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
}

QStringList folderPhotos(const QString& folder)
{
    QStringList paths;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")}, QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

// A 2400 x 1600 picture with fine noise over gradients: it compresses about
// as badly as a sharp photograph.
bool makePhoto(int i)
{
    QImage image(2400, 1600, QImage::Format_RGB32);
    QRandomGenerator random(quint32(i + 1));
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const quint32 r = random.generate();
            line[x] = qRgb(int((x * 255 / 2400 + (r & 63)) & 255), int((y * 255 / 1600 + ((r >> 8) & 63)) & 255),
                           int((i * 40 + ((r >> 16) & 63)) & 255));
        }
    }
    return image.save(photoPath(i), "JPEG", 90);
}

bool ensurePhotos()
{
    QDir().mkpath(g_photoFolder);
    std::vector<int> missing;
    for (int i = 0; i < kPhotos; ++i) {
        if (!QFile::exists(photoPath(i)))
            missing.push_back(i);
    }
    std::atomic<size_t> next{0};
    std::atomic<bool> ok{true};
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t) {
        workers.emplace_back([&] {
            for (size_t k; (k = next++) < missing.size();) {
                if (!makePhoto(missing[k]))
                    ok = false;
            }
        });
    }
    for (auto& w : workers)
        w.join();
    return ok;
}

class Host : public DocumentHost {
public:
    QStringList inUse;
    QByteArray dataOfTypeForSave(const QString&, double, int) override
    {
        return WorkWithFileFormat::getFileDataForActualJsonData(R"({"cs":"grid"})");
    }
    QStringList allPicturesInUse() const override { return inUse; }
    void savedSuccessfullyToFileType(const QString&) override { }
};

// The photographs read into containers of a document, as an editor holds
// them, hashed on all cores; the host lists them all as in use.
void addPhotos(CollageDocument& doc, Host& host)
{
    QList<std::shared_ptr<QFRegularFileWrapperContainer>> containers;
    QList<QFRegularFileWrapperContainer*> hashed;
    for (const QString& path : std::as_const(g_photoPaths)) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        containers << std::make_shared<QFRegularFileWrapperContainer>(f.readAll(), QFileInfo(f).fileName());
        hashed << containers.last().get();
    }
    QFRegularFileWrapperContainer::makeIdentities(hashed);
    for (auto& c : containers) {
        host.inUse << c->md5().value_or(QString());
        doc.addImage(std::move(c));
    }
}

Host& hostOf(CollageDocument& doc)
{
    Host* host = nullptr;
    doc.setHostFactory([&host](CollageDocument&) {
        auto h = std::make_unique<Host>();
        host = h.get();
        return h;
    });
    doc.makeWindowControllers();
    return *host;
}

struct Fixture {
    CollageDocument doc;
    Host* host = nullptr;
    QString work;

    Fixture()
    {
        host = &hostOf(doc);
        addPhotos(doc, *host);
        work = g_photoFolder + QStringLiteral("-saves");
        QDir(work).removeRecursively();
        QDir().mkpath(work);
    }
    ~Fixture() { QDir(work).removeRecursively(); }
};

// A first save to a new name: nothing old to protect, so no flush.
void BM_SavePackageNew(benchmark::State& state)
{
    Fixture f;
    const QString path = f.work + QStringLiteral("/New.quiltfolioproj");
    for (auto _ : state) {
        state.PauseTiming();
        QDir(path).removeRecursively();
        state.ResumeTiming();
        if (!f.doc.saveToPath(path, CollageDocument::projectType(), CollageDocument::SaveOperation::SaveAs))
            state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SavePackageNew)->Unit(benchmark::kMillisecond)->UseRealTime();

// Save over the previous version: the new copy is flushed to disk before
// it replaces the old one, which is then removed.
void BM_SavePackageOver(benchmark::State& state)
{
    Fixture f;
    const QString path = f.work + QStringLiteral("/Over.quiltfolioproj");
    if (!f.doc.saveToPath(path, CollageDocument::projectType(), CollageDocument::SaveOperation::SaveAs))
        state.SkipWithError("first save failed");
    for (auto _ : state) {
        if (!f.doc.saveToPath(path, CollageDocument::projectType(), CollageDocument::SaveOperation::Save))
            state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SavePackageOver)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenPackage(benchmark::State& state)
{
    Fixture f;
    const QString path = f.work + QStringLiteral("/Open.quiltfolioproj");
    if (!f.doc.saveToPath(path, CollageDocument::projectType(), CollageDocument::SaveOperation::SaveAs))
        state.SkipWithError("save failed");
    for (auto _ : state) {
        CollageDocument doc;
        if (!doc.readFromPath(path) || doc.imageWrapperContainers().size() != g_photoPaths.size())
            state.SkipWithError("open failed");
    }
}
BENCHMARK(BM_OpenPackage)->Unit(benchmark::kMillisecond)->UseRealTime();

int saveOnce(const QString& project, bool over)
{
    CollageDocument doc;
    Host& host = hostOf(doc);
    addPhotos(doc, host);
    if (g_photoPaths.isEmpty() || host.inUse.size() != g_photoPaths.size())
        return 1;
    if (over != QFileInfo(project).isDir()) {
        std::fprintf(stderr, over ? "no package to save over at %s\n" : "%s is there already\n", qPrintable(project));
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    const Status saved = doc.saveToPath(project, CollageDocument::projectType(),
                                        over ? CollageDocument::SaveOperation::Save
                                             : CollageDocument::SaveOperation::SaveAs);
    const qint64 ms = timer.elapsed();
    if (!saved) {
        std::fprintf(stderr, "save failed: %s\n", qPrintable(saved.detail()));
        return 1;
    }
    std::printf("%lld\n", ms);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("qf.*=false"));
    g_photoFolder = QDir::tempPath() + QStringLiteral("/qf-bench-photos");
    bool generateOnly = false;
    bool givenFolder = false;
    QString saveOnceTo;
    QString saveOnceHow;
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--photos") == 0 && i + 1 < argc) {
            g_photoFolder = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--photo-folder") == 0 && i + 1 < argc) {
            g_photoFolder = QString::fromLocal8Bit(argv[++i]);
            givenFolder = true;
        } else if (std::strcmp(argv[i], "--save-once") == 0 && i + 2 < argc) {
            saveOnceTo = QString::fromLocal8Bit(argv[++i]);
            saveOnceHow = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--generate-only") == 0) {
            generateOnly = true;
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (givenFolder) {
        g_photoPaths = folderPhotos(g_photoFolder);
    } else {
        if (!ensurePhotos())
            return 1;
        for (int i = 0; i < kPhotos; ++i)
            g_photoPaths << photoPath(i);
    }
    if (generateOnly)
        return 0;
    if (!saveOnceTo.isEmpty()) {
        if (saveOnceHow != QStringLiteral("new") && saveOnceHow != QStringLiteral("over"))
            return 2;
        return saveOnce(saveOnceTo, saveOnceHow == QStringLiteral("over"));
    }
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
