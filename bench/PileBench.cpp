// The pile: laying 100 and 500 pictures out as a mosaic, and a 100-picture
// pile (instant-camera frames, shadows) drawn for the screen at 1200 x 900
// from 600 pixel proxies: at rest, while picture 10 is dragged with those
// above it faded, and the same drawn fast (one faded group, no shadows).
// Each drawn three ways: the first frame (the screen's redraw cache empty),
// the same frame again, and a frame of a drag (picture 10 a little further
// along a circle every frame).
#include "SeededRandom.h"

#include "layouts/pile/RegularPileCollage.h"
#include "model/CollageCaches.h"
#include "platform/graphics/GraphicsContext.h"
#include "tests/model/FakeCollage.h"

#include "BenchCollages.h"

#include <benchmark/benchmark.h>

#include <QPainter>

#include <cmath>
#include <functional>
#include <numbers>

using namespace qf;

using bench::aspectOf;
using bench::identities;

namespace {

// A pile of `count` pictures over a 7200 x 5400 collage, laid out the same
// way every run, each picture its own image.
struct Pile {
    bench::SeededRandom seeded;
    ScopedRandomSource random{seeded};
    bench::CachedHost host;
    RegularPileCollage pile;

    Pile(int count, const std::function<QImage(int)>& image)
    {
        pile.setWidth(7200);
        pile.setHeight(5400);
        pile.setMyWindowController(&host);
        const QStringList ids = identities(count);
        QHash<QString, QImage> images;
        for (int i = 0; i < count; ++i) {
            host.store.insert(ids[i], image(i));
            images.insert(ids[i], host.store.value(ids[i]));
        }
        pile.addPictures(ids, images, {}, {}); // the first add spreads them out
    }
};

QImage solid(int i)
{
    const int w = 64;
    return test::FakeHost::solidImage(w, int(std::lround(w / aspectOf(i))), QColor::fromHsv(i * 37 % 360, 160, 220));
}

// A 600 pixel wide proxy with something on it, so that scaling it is real work.
QImage proxy(int i)
{
    const int w = 600;
    const int h = int(std::lround(w / aspectOf(i)));
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(i * 37 % 360, 160, 220));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromHsv((i * 37 + 180) % 360, 200, 120));
    p.drawEllipse(QRectF(w * 0.2, h * 0.2, w * 0.6, h * 0.6));
    return image;
}

void BM_PileSpreadoutToMosaic(benchmark::State& state)
{
    const int count = int(state.range(0));
    Pile f(count, solid);
    f.pile.spreadoutToMosaic();
    if (f.pile.picturePositions().size() != count) {
        state.SkipWithError("not every picture in the mosaic");
        return;
    }
    for (auto _ : state) {
        f.pile.spreadoutToMosaic();
        benchmark::DoNotOptimize(f.pile.picturePositions().size());
    }
}
BENCHMARK(BM_PileSpreadoutToMosaic)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond)->UseRealTime();

enum class Gesture { Still, DragFaded, DragFadedFast };
enum class Frame { First, Again, Moving };

constexpr qint64 kDragged = 10;

void BM_PileScreen1200(benchmark::State& state, Gesture gesture, Frame frame)
{
    Pile f(100, proxy);
    f.pile.setBorderStyle(RegularPileCollage::BorderInstantCamera);
    f.pile.setDrawShadow(true);
    f.pile.setSpacing(0.1);
    if (gesture != Gesture::Still) {
        f.pile.setSelectedImagePosition(kDragged);
        f.pile.setDragging(true);
        f.pile.setDrawFast(gesture == Gesture::DragFadedFast);
    }
    const std::shared_ptr<PilePosition> dragged = f.pile.pileSlot(kDragged);
    const QPointF start = dragged->center();
    QImage out = GraphicsContext::newBitmap(QSize(1200, 900));
    const auto draw = [&] {
        GraphicsContext ctx(out);
        f.pile.drawYourselfOnCurrentContextInWidth(ctx, 1200, 900, false);
    };
    draw(); // what a frame before this one left in the cache
    int step = 0;
    for (auto _ : state) {
        if (frame == Frame::First) {
            state.PauseTiming();
            f.host.caches.screenFrames = RedrawCache();
            state.ResumeTiming();
        } else if (frame == Frame::Moving) {
            // Never back where a recent frame had it: a circle of 240 steps.
            const double a = 2 * std::numbers::pi * (++step % 240) / 240;
            dragged->setCenter(start + QPointF(0.04 * std::cos(a), 0.04 * std::sin(a)));
        }
        draw();
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK_CAPTURE(BM_PileScreen1200, still_first, Gesture::Still, Frame::First)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PileScreen1200, still_again, Gesture::Still, Frame::Again)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PileScreen1200, drag_faded_first, Gesture::DragFaded, Frame::First)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PileScreen1200, drag_faded_again, Gesture::DragFaded, Frame::Again)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PileScreen1200, drag_faded_moving, Gesture::DragFaded, Frame::Moving)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PileScreen1200, drag_faded_fast_first, Gesture::DragFadedFast, Frame::First)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PileScreen1200, drag_faded_fast_again, Gesture::DragFadedFast, Frame::Again)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PileScreen1200, drag_faded_fast_moving, Gesture::DragFadedFast, Frame::Moving)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
