// The mosaic fitting engine against the algorithm as first written, on the
// same pictures and the same random values (so the same layouts): a whole
// fit of 10 to 5000 pictures, and one best-tree search over 1000.
//   qf_bench_mosaic [--benchmark_filter=...]
#include "MosaicFittingReference.h"
#include "layouts/mosaic/MosaicFitting.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

using namespace qf::mosaic;

namespace {

std::vector<double> aspectsFor(std::size_t count)
{
    std::mt19937 engine{unsigned(count)};
    std::uniform_real_distribution<double> exponent(std::log(0.25), std::log(4.0));
    std::vector<double> aspects(count);
    for (double& a : aspects)
        a = std::exp(exponent(engine));
    return aspects;
}

template <bool Ours>
void BM_MosaicFit(benchmark::State& state)
{
    const std::vector<double> aspects = aspectsFor(std::size_t(state.range(0)));
    for (auto _ : state) {
        std::mt19937 engine(42);
        const RandomNext next = [&engine] { return std::uint32_t(engine()); };
        const Fit fit = Ours ? fitPictures(aspects, 7200, 5400, next) : reference::fitPictures(aspects, 7200, 5400, next);
        benchmark::DoNotOptimize(fit.placed.data());
    }
}
BENCHMARK_TEMPLATE(BM_MosaicFit, true)->Arg(10)->Arg(50)->Arg(100)->Arg(500)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_MosaicFit, false)->Arg(10)->Arg(50)->Arg(100)->Arg(500)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

template <bool Ours>
void BM_MosaicBestTree(benchmark::State& state)
{
    const std::vector<double> aspects = aspectsFor(std::size_t(state.range(0)));
    std::vector<int> pictures(aspects.size());
    for (std::size_t i = 0; i < pictures.size(); ++i)
        pictures[i] = int(i);
    for (auto _ : state) {
        std::mt19937 engine(42);
        const RandomNext next = [&engine] { return std::uint32_t(engine()); };
        std::vector<Slot> placed;
        if (Ours) {
            MosaicNode tree(next);
            tree.prepareFromNsImagesToBestFit(pictures, aspects, 7200, 5400);
            tree.addMosaicPositionsTo(placed, 0, 0, 1, 1);
        } else {
            placed = reference::bestTree(aspects, 7200, 5400, next);
        }
        benchmark::DoNotOptimize(placed.data());
    }
}
BENCHMARK_TEMPLATE(BM_MosaicBestTree, true)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_MosaicBestTree, false)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
