// What long text and many text items cost: a long item laid out and drawn as
// two repaints do, and the undo registrations of many items made and removed.
#include "model/TextPosition.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"
#include "tests/model/FakeCollage.h"

#include <benchmark/benchmark.h>

namespace {

using namespace qf;

class QuietObserver : public KVObserver {
public:
    void observeValueForKeyPath(const QString&, KVObject*, const KVChange&, const KVContext*) override {}
};

QString wordsOfLength(qsizetype length)
{
    const QString words = QStringLiteral("the lake at dusk with friends ");
    QString text;
    text.reserve(length);
    while (text.size() < length)
        text += words;
    text.truncate(length);
    return text;
}

// A fresh item with `range(0)` characters, drawn twice on a screen-sized view.
void BM_LongTextDrawnTwice(benchmark::State& state)
{
    const QString text = wordsOfLength(state.range(0));
    test::FakeCollage collage;
    collage.setWidth(2400);
    collage.setHeight(1800);
    QImage out = GraphicsContext::newBitmap(QSize(800, 600));
    for (auto _ : state) {
        auto item = std::make_shared<TextPosition>();
        item->setContent(text);
        collage.textPositions() = {item};
        for (int repaint = 0; repaint < 2; ++repaint) {
            GraphicsContext ctx(out);
            collage.drawYourTextOnCurrentContextInWidth(ctx, 800, 600, false);
        }
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_LongTextDrawnTwice)->Arg(100000)->Unit(benchmark::kMillisecond);

// One more repaint of an item already drawn.
void BM_LongTextRepaint(benchmark::State& state)
{
    test::FakeCollage collage;
    collage.setWidth(2400);
    collage.setHeight(1800);
    auto item = std::make_shared<TextPosition>();
    item->setContent(wordsOfLength(state.range(0)));
    collage.textPositions().append(item);
    QImage out = GraphicsContext::newBitmap(QSize(800, 600));
    for (auto _ : state) {
        GraphicsContext ctx(out);
        collage.drawYourTextOnCurrentContextInWidth(ctx, 800, 600, false);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_LongTextRepaint)->Arg(100000)->Unit(benchmark::kMillisecond);

// `range(0)` observed items whose registrations end in one of three ways:
// 0 the collage stops observing (closing, undo), 1 the items go first,
// 2 the observer goes first (quitting).
void BM_ObserveAndRemoveTextItems(benchmark::State& state)
{
    const qsizetype count = state.range(0);
    const int how = int(state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        auto collage = std::make_unique<test::FakeCollage>();
        for (qsizetype i = 0; i < count; ++i)
            collage->textPositions().append(std::make_shared<TextPosition>());
        auto observer = std::make_unique<QuietObserver>();
        state.ResumeTiming();
        collage->startObservingProperties(observer.get());
        if (how == 0)
            collage->stopObservingProperties(observer.get());
        else if (how == 1)
            collage->textPositions().clear();
        else
            observer.reset();
        state.PauseTiming();
        collage.reset();
        observer.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ObserveAndRemoveTextItems)
    ->Args({25000, 0})
    ->Args({25000, 1})
    ->Args({25000, 2})
    ->Unit(benchmark::kMillisecond);

// One drag event of a text item among 50 on a 1200 x 900 view: the move
// snaps against every other item's centre and edges.
void BM_TextDragAmong50(benchmark::State& state)
{
    test::FakeCollage collage;
    collage.setWidth(7200);
    collage.setHeight(5400);
    for (int i = 0; i < 50; ++i) {
        auto item = std::make_shared<TextPosition>();
        item->setContent(QStringLiteral("Item %1").arg(i));
        item->setCenter(QPointF(0.1 + 0.016 * i, 0.1 + 0.015 * ((i * 7) % 50)));
        item->setTextWidth(0.2);
        collage.textPositions().append(item);
    }
    const QPointF start(0.5 * 1200, 0.5 * 900);
    collage.textPositions().first()->setCenter(QPointF(0.5, 0.5));
    const MouseEvent press{start, 1, Qt::NoModifier};
    collage.mouseDownAt(start, 1200, 900, press);
    int step = 0;
    for (auto _ : state) {
        ++step;
        const QPointF at = start + QPointF(double(step % 200), double(step % 150));
        collage.mouseDraggedAt(at, 1200, 900, MouseEvent{at, 1, Qt::NoModifier});
    }
    state.counters["selected"] = double(collage.selectedTextPosition());
    collage.mouseUpAt(start, 1200, 900, press);
}
BENCHMARK(BM_TextDragAmong50)->Unit(benchmark::kMicrosecond);

} // namespace
