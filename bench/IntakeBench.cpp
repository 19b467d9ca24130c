// Adding 100 camera-sized photos to a new grid collage, the whole add: the
// files read, hashed and decoded to proxies, the document's store, the grid
// placing them and looking for faces. Once before returning (as tests add),
// and once on worker threads finished by the event loop (as the window adds).
//   qf_bench_intake [--photo-folder DIR] [google benchmark flags]
// The photos are those of BenchPhotos.h: made here, or a folder's JPEGs.
#include "BenchPhotos.h"

#include "document/CollageDocument.h"
#include "editor/FotoloomController.h"
#include "model/Collage.h"
#include "platform/core/PictureMemory.h"

#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QGuiApplication>

#include <memory>

using namespace qf;
using namespace qf::bench;

namespace {

struct NewDocument {
    CollageDocument doc;
    FotoloomController* editor = nullptr;

    NewDocument()
    {
        doc.setHostFactory([](CollageDocument& d) { return std::make_unique<FotoloomController>(d, &d.undoManager()); });
        doc.makeWindowControllers();
        editor = static_cast<FotoloomController*>(doc.fotoloomController());
    }
};

void check(benchmark::State& state, const FotoloomController& editor)
{
    if (editor.collage()->images().size() != photoCount())
        state.SkipWithError("not every photo was added");
}

void BM_AddPhotos100(benchmark::State& state)
{
    const QStringList paths = photoPaths();
    for (auto _ : state) {
        state.PauseTiming();
        auto document = std::make_unique<NewDocument>();
        state.ResumeTiming();
        document->editor->intake().addImagesFromDirectoriesOrFiles(paths);
        state.PauseTiming();
        check(state, *document->editor);
        document.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddPhotos100)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AddPhotos100InBackground(benchmark::State& state)
{
    const QStringList paths = photoPaths();
    for (auto _ : state) {
        state.PauseTiming();
        auto document = std::make_unique<NewDocument>();
        document->editor->intake().setAddsPicturesInBackground(true);
        QEventLoop loop;
        QObject::connect(document->editor, &FotoloomController::picturesAdded, &loop, &QEventLoop::quit);
        state.ResumeTiming();
        document->editor->intake().addImagesFromDirectoriesOrFiles(paths);
        loop.exec();
        state.PauseTiming();
        check(state, *document->editor);
        document.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddPhotos100InBackground)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qf::setUpPictureMemory(); // as the application does
    takePhotoFolderArgument(argc, argv);
    QGuiApplication app(argc, argv);
    ensurePhotos();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
