// The collage types of cells, the zig mosaic and the hexagons, each made by
// the type registry as the editor makes it, on the 7200 x 5400 canvas a new
// document has:
//   adding 100 and 1000 pictures to a new collage (small solid pictures of
//   eight aspects, each its own colour), addPictures alone;
//   a 100-picture collage drawn for the screen at 1200 x 900 from 600 pixel
//   proxies, shadows on as the types start: the first frame (the screen's
//   redraw cache empty) and the same frame again;
//   one click on a 1000-picture collage at 1200 x 900, on the last cell
//   holding a picture (the hit tests walk the cells in list order): the
//   press alone, and press, a drag of a pixel and the release.
// The grid's 1200 x 900 frame of 100 pictures, for comparison, is
// qf_bench_grid's BM_GridScreen1200 (and BM_GridScreen1200Changing, a frame
// nothing of the last one serves).
#include "SeededRandom.h"

#include "layouts/CollageTypes.h"
#include "layouts/common/SlotCollage.h"
#include "model/CollageCaches.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"
#include "tests/model/FakeCollage.h"

#include "BenchCollages.h"

#include <benchmark/benchmark.h>

#include <QPainter>

#include <cmath>
#include <functional>
#include <memory>

using namespace qf;

using bench::aspectOf;
using bench::identities;

namespace {

const QString kZigMosaic = QStringLiteral("zigmosaic");
const QString kHexagon = QStringLiteral("hexagon");

// Every picture its own colour (37 and 360 have no common factor).
QColor colourOf(int i)
{
    return QColor::fromHsv(i * 37 % 360, 80 + (i / 360) % 3 * 60, 220);
}

QImage solid(int i)
{
    const int w = 64;
    return test::FakeHost::solidImage(w, int(std::lround(w / aspectOf(i))), colourOf(i));
}

// A 600 pixel wide proxy with something on it, so that scaling it is real work.
QImage proxy(int i)
{
    const int w = 600;
    const int h = int(std::lround(w / aspectOf(i)));
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colourOf(i));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromHsv((i * 37 + 180) % 360, 200, 120));
    p.drawEllipse(QRectF(w * 0.2, h * 0.2, w * 0.6, h * 0.6));
    return image;
}

// A new collage of the type from the registry, on the host, at 7200 x 5400;
// null when this build cannot make the type.
std::shared_ptr<Collage> newCollage(const QString& type, bench::CachedHost& host)
{
    std::shared_ptr<Collage> collage = CollageTypes().make(type);
    if (!collage || !dynamic_cast<SlotCollage*>(collage.get()))
        return nullptr;
    collage->setWidth(7200);
    collage->setHeight(5400);
    collage->setMyWindowController(&host);
    return collage;
}

qsizetype filledCells(const Collage& collage)
{
    qsizetype n = 0;
    for (const PositionPtr& cell : collage.picturePositions())
        n += cell && !cell->isEmpty();
    return n;
}

// A collage of `count` pictures, made the same way every run (the zig
// mosaic cuts its cells at random), each picture its own image.
struct Cells {
    bench::SeededRandom seeded;
    ScopedRandomSource random{seeded};
    bench::CachedHost host;
    std::shared_ptr<Collage> collage;

    Cells(const QString& type, int count, const std::function<QImage(int)>& image)
        : collage(newCollage(type, host))
    {
        if (!collage)
            return;
        const QStringList ids = identities(count);
        QHash<QString, QImage> images;
        for (int i = 0; i < count; ++i) {
            host.store.insert(ids[i], image(i));
            images.insert(ids[i], host.store.value(ids[i]));
        }
        collage->addPictures(ids, images, {}, {});
    }
    SlotCollage& slotCollage() const { return static_cast<SlotCollage&>(*collage); }

    // Why the collage cannot be measured, or nothing.
    const char* fault(int count) const
    {
        if (!collage)
            return "this build cannot make the type";
        if (collage->images().size() != count || filledCells(*collage) != count)
            return "not every picture in a cell";
        return nullptr;
    }
};

// ---- adding pictures ------------------------------------------------------------

// What every run starts from: the same random choices, a host with empty
// caches (no picture known, no face looked for), a new collage.
struct FreshCollage {
    bench::SeededRandom seeded;
    ScopedRandomSource random{seeded};
    bench::CachedHost host;
    std::shared_ptr<Collage> collage;

    explicit FreshCollage(const QString& type)
        : collage(newCollage(type, host))
    {
    }
};

void BM_CellsAdd(benchmark::State& state, const QString& type)
{
    const int count = int(state.range(0));
    const QStringList ids = identities(count);
    QHash<QString, QImage> images;
    for (int i = 0; i < count; ++i)
        images.insert(ids[i], solid(i));
    std::unique_ptr<FreshCollage> fresh;
    for (auto _ : state) {
        state.PauseTiming();
        fresh.reset(); // the last run's collage goes untimed
        fresh = std::make_unique<FreshCollage>(type);
        for (auto it = images.cbegin(); it != images.cend(); ++it)
            fresh->host.store.insert(it.key(), it.value());
        state.ResumeTiming();
        if (!fresh->collage)
            break;
        fresh->collage->addPictures(ids, images, {}, {});
        benchmark::DoNotOptimize(fresh->collage->picturePositions().size());
    }
    if (!fresh || !fresh->collage) {
        state.SkipWithError("this build cannot make the type");
        return;
    }
    if (fresh->collage->images().size() != count || filledCells(*fresh->collage) != count)
        state.SkipWithError("not every picture in a cell");
    state.counters["cells"] = double(fresh->collage->picturePositions().size());
}
BENCHMARK_CAPTURE(BM_CellsAdd, zigmosaic, kZigMosaic)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_CellsAdd, hexagon, kHexagon)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- the screen -----------------------------------------------------------------

enum class Frame { First, Again };

void BM_CellsScreen1200(benchmark::State& state, const QString& type, Frame frame)
{
    Cells f(type, 100, proxy);
    if (const char* fault = f.fault(100)) {
        state.SkipWithError(fault);
        return;
    }
    if (!f.collage->drawShadow()) {
        state.SkipWithError("the type no longer starts with shadows");
        return;
    }
    QImage out = GraphicsContext::newBitmap(QSize(1200, 900));
    const auto draw = [&] {
        GraphicsContext ctx(out);
        f.collage->drawYourselfOnCurrentContextInWidth(ctx, 1200, 900, false);
    };
    draw(); // what a frame before this one left in the cache
    for (auto _ : state) {
        if (frame == Frame::First) {
            state.PauseTiming();
            f.host.caches.screenFrames = RedrawCache();
            state.ResumeTiming();
        }
        draw();
        benchmark::DoNotOptimize(out.constBits());
    }
    state.counters["cells"] = double(f.collage->picturePositions().size());
}
BENCHMARK_CAPTURE(BM_CellsScreen1200, zigmosaic_first, kZigMosaic, Frame::First)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_CellsScreen1200, zigmosaic_again, kZigMosaic, Frame::Again)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_CellsScreen1200, hexagon_first, kHexagon, Frame::First)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_CellsScreen1200, hexagon_again, kHexagon, Frame::Again)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- the mouse ------------------------------------------------------------------

enum class Gesture { Press, Click };

// The last cell in list order that holds a picture; -1 for none.
qint64 lastFilledCell(const Collage& collage)
{
    const QList<PositionPtr>& cells = collage.picturePositions();
    for (qint64 i = cells.size() - 1; i >= 0; --i)
        if (cells[i] && !cells[i]->isEmpty())
            return i;
    return -1;
}

void BM_CellsMouse1000(benchmark::State& state, const QString& type, Gesture gesture)
{
    Cells f(type, 1000, solid);
    if (const char* fault = f.fault(1000)) {
        state.SkipWithError(fault);
        return;
    }
    const double w = 1200, h = 900;
    const qint64 cell = lastFilledCell(*f.collage);
    const QPointF at = f.slotCollage().slotRect(cell, w, h).center();
    const QPointF to = at + QPointF(1, 0); // the drag stays in the cell: no exchange
    if (cell < 0 || f.slotCollage().ptLiesIn(at, w, h) != cell || f.slotCollage().ptLiesIn(to, w, h) != cell) {
        state.SkipWithError("the cell's centre is not in the cell");
        return;
    }
    const MouseEvent down{at, 1, Qt::NoModifier};
    const MouseEvent moved{to, 1, Qt::NoModifier};
    for (auto _ : state) {
        f.collage->mouseDownAt(at, w, h, down);
        if (gesture == Gesture::Click) {
            f.collage->mouseDraggedAt(to, w, h, moved);
            f.collage->mouseUpAt(to, w, h, moved);
        }
        benchmark::DoNotOptimize(f.collage->selectedImagePosition());
    }
    if (f.collage->selectedImagePosition() != cell)
        state.SkipWithError("the click did not select the cell");
    state.counters["cells"] = double(f.collage->picturePositions().size());
    state.counters["cell"] = double(cell);
}
BENCHMARK_CAPTURE(BM_CellsMouse1000, zigmosaic_press, kZigMosaic, Gesture::Press)
    ->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_CellsMouse1000, zigmosaic_click, kZigMosaic, Gesture::Click)
    ->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_CellsMouse1000, hexagon_press, kHexagon, Gesture::Press)
    ->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_CellsMouse1000, hexagon_click, kHexagon, Gesture::Click)
    ->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
