#include "model/PanZoomPos.h"
#include "model/UtilityFunctions.h"

#include <benchmark/benchmark.h>

using qf::PanZoomPos;
using qf::UtilityFunctions;

namespace {

// Grid counts for a picture count on a 7200 x 5400 canvas, from 1 x 1.
void BM_RowsAndCols(benchmark::State& state)
{
    const qint64 pictures = state.range(0);
    for (auto _ : state) {
        const qf::QFIntegralPoint rc = UtilityFunctions::getRightNumberOfRowsAndColsForCollageWidth(
            7200, 5400, 1, 1, pictures);
        benchmark::DoNotOptimize(rc);
    }
}
BENCHMARK(BM_RowsAndCols)->Arg(1)->Arg(25)->Arg(500)->Arg(10000);

// A very wide canvas: the grid grows by columns only.
void BM_RowsAndColsWideCanvas(benchmark::State& state)
{
    for (auto _ : state) {
        const qf::QFIntegralPoint rc = UtilityFunctions::getRightNumberOfRowsAndColsForCollageWidth(
            1000000, 1, 1, 1, state.range(0));
        benchmark::DoNotOptimize(rc);
    }
}
BENCHMARK(BM_RowsAndColsWideCanvas)->Arg(10000);

// A window pushed against the right edge, repaired step after step as the
// crop handles do while zooming; each iteration runs `steps` repairs.
void BM_FixPushedWindow(benchmark::State& state)
{
    const QSizeF image(600, 450);
    const int steps = static_cast<int>(state.range(0));
    for (auto _ : state) {
        PanZoomPos pz(0.95, 0.5, 0.6);
        bool changed = false;
        for (int i = 0; i < steps; ++i)
            changed |= pz.fixToNotOverflow(image, 100, 100);
        benchmark::DoNotOptimize(changed);
        benchmark::DoNotOptimize(pz);
    }
    state.SetItemsProcessed(state.iterations() * steps);
}
BENCHMARK(BM_FixPushedWindow)->Arg(1)->Arg(50);

// A window whose width is not computed yet.
void BM_FixUncomputedWidth(benchmark::State& state)
{
    const QSizeF image(600, 450);
    for (auto _ : state) {
        PanZoomPos pz(0.5, 0.5, -1.0);
        const bool changed = pz.fixToNotOverflow(image, 100, 100);
        benchmark::DoNotOptimize(changed);
        benchmark::DoNotOptimize(pz);
    }
}
BENCHMARK(BM_FixUncomputedWidth);

} // namespace

BENCHMARK_MAIN();
