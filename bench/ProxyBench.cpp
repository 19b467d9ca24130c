// Drawing proxies of 100 camera-sized photographs: 4000 x 3000 JPEGs at
// quality 90 with gradients, shapes and sensor-like noise, one in four a
// portrait stored on its side with EXIF orientation 6. The photos are made
// once and kept in the temporary folder for later runs and for the vips
// comparison (bench/proxy_vs_vips.sh).
//   qf_bench_proxy --photos              makes the photos if needed, prints their folder
//   qf_bench_proxy [google benchmark flags]
#include "BenchPhotos.h"

#include "document/QFRegularFileWrapperContainer.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImageReader>

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace qf;
using namespace qf::bench;

namespace {

// One photo at a time on one core, from the file to the proxy: the time of
// a picture added alone.
void BM_ProxyOnePhoto(benchmark::State& state)
{
    const QStringList paths = photoPaths();
    int i = 0;
    for (auto _ : state) {
        auto c = QFRegularFileWrapperContainer::getNewRegularFileWrapperContainerForImage(paths[i++ % kPhotoCount]);
        if (!c)
            state.SkipWithError("a photo did not decode");
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_ProxyOnePhoto)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(kPhotoCount);

// All 100 files to containers with proxies in one batch, on all cores.
void BM_ProxyBatch100(benchmark::State& state)
{
    const QStringList paths = photoPaths();
    for (auto _ : state) {
        const auto all = QFRegularFileWrapperContainer::getNewRegularFileWrapperContainersForImages(paths);
        if (std::count(all.begin(), all.end(), nullptr) != 0)
            state.SkipWithError("a photo did not decode");
        benchmark::DoNotOptimize(all);
    }
}
BENCHMARK(BM_ProxyBatch100)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QImageReader::setAllocationLimit(1024); // as the application does
    QGuiApplication app(argc, argv);
    ensurePhotos();
    if (argc == 2 && std::strcmp(argv[1], "--photos") == 0) {
        std::printf("%s\n", qPrintable(photoFolder()));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
