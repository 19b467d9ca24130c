// Drawing a 100-picture grid: on screen (1200 x 900 from 600 pixel proxies)
// and for export (7200 x 5400 from full-size pictures); and restoring it from
// an undo snapshot, as every undo and redo does. The mosaic's: adding 100
// pictures, a frame at 1200 x 900, and one step of a divider drag.
#include "layouts/grid/GridCollage.h"
#include "layouts/mosaic/MosaicCollage.h"
#include "model/TextPosition.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"
#include "tests/model/FakeCollage.h"

#include <benchmark/benchmark.h>

#include <QPainter>

using namespace qf;

namespace {

// Ten photographs stand for the hundred pictures (memory stays reasonable);
// every identity is its own picture to the collage.
class PhotoHost : public test::FakeHost {
public:
    PhotoHost()
    {
        for (int i = 0; i < 10; ++i) {
            QImage full(3000, 2000, QImage::Format_RGB32);
            full.fill(QColor::fromHsv(i * 36, 160, 220));
            QPainter p(&full);
            p.setBrush(QColor::fromHsv((i * 36 + 180) % 360, 200, 120));
            p.drawEllipse(QRect(600 + i * 80, 400, 1400, 1200));
            p.end();
            m_full.append(full);
            m_proxy.append(full.scaledToWidth(600, Qt::SmoothTransformation));
        }
    }
    QImage drawingSizeImage(const QString& md5) override { return m_proxy[md5.toInt() % 10]; }
    QImage completeSizeImage(const QString& md5) override { return m_full[md5.toInt() % 10]; }

private:
    QList<QImage> m_full, m_proxy;
};

struct Fixture {
    PhotoHost host;
    GridCollage grid;
    Fixture()
    {
        grid.setMyWindowController(&host);
        QStringList ids;
        QHash<QString, QImage> images;
        for (int i = 0; i < 100; ++i) {
            ids << QString::number(i);
            images.insert(ids.last(), host.drawingSizeImage(ids.last()));
        }
        grid.addPictures(ids, images, {}, {});
        grid.setCornerRadiusSize(0.05);
    }
};

void BM_GridScreen1200(benchmark::State& state)
{
    Fixture f;
    QImage out = GraphicsContext::newBitmap(QSize(1200, 900));
    for (auto _ : state) {
        GraphicsContext ctx(out);
        f.grid.drawYourselfOnCurrentContextInWidth(ctx, 1200, 900, false);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_GridScreen1200)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every frame one more character typed into a text item over the grid, as
// while the user types: the pictures stay, the text is laid out anew.
void BM_GridScreen1200Typing(benchmark::State& state)
{
    Fixture f;
    auto item = std::make_shared<TextPosition>();
    item->setContent(QStringLiteral("Summer at the lake"));
    f.grid.textPositions().append(item);
    f.grid.setSelectedTextPosition(0);
    QImage out = GraphicsContext::newBitmap(QSize(1200, 900));
    const QString typed = QStringLiteral(" with friends and family, late in August");
    int frame = 0;
    for (auto _ : state) {
        QString text = QStringLiteral("Summer at the lake") + typed.left(++frame % typed.size());
        item->setContent(text);
        GraphicsContext ctx(out);
        f.grid.drawYourselfOnCurrentContextInWidth(ctx, 1200, 900, false);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_GridScreen1200Typing)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every frame a new spacing, as while its slider is dragged: nothing of the
// last frame can be reused.
void BM_GridScreen1200Changing(benchmark::State& state)
{
    Fixture f;
    QImage out = GraphicsContext::newBitmap(QSize(1200, 900));
    int frame = 0;
    for (auto _ : state) {
        f.grid.setSpacing(0.05 + 0.00001 * (++frame % 1000));
        GraphicsContext ctx(out);
        f.grid.drawYourselfOnCurrentContextInWidth(ctx, 1200, 900, false);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_GridScreen1200Changing)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every frame another cell selected, as clicking through the grid: the
// pictures stay, the selection frame casts a shadow of its own.
void BM_GridScreen1200Selecting(benchmark::State& state)
{
    Fixture f;
    QImage out = GraphicsContext::newBitmap(QSize(1200, 900));
    int frame = 0;
    for (auto _ : state) {
        f.grid.setSelectedImagePosition(++frame % 100);
        GraphicsContext ctx(out);
        f.grid.drawYourselfOnCurrentContextInWidth(ctx, 1200, 900, false);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_GridScreen1200Selecting)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GridExport7200(benchmark::State& state)
{
    Fixture f;
    QImage out = GraphicsContext::newBitmap(QSize(7200, 5400));
    for (auto _ : state) {
        GraphicsContext ctx(out);
        f.grid.drawYourselfOnCurrentContextInWidth(ctx, 7200, 5400, true);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_GridExport7200)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_GridRestoreSnapshot(benchmark::State& state)
{
    Fixture f;
    const QJsonObject snapshot = f.grid.dictionaryRepresentationActual(false);
    for (auto _ : state) {
        GridCollage restored;
        restored.setMyWindowController(&f.host);
        restored.setMyPropertiesFrom(snapshot);
        benchmark::DoNotOptimize(restored.picturePositions().size());
    }
}
BENCHMARK(BM_GridRestoreSnapshot)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Adding 100 pictures to an empty mosaic, faces faked (none found), as the
// editor does once their proxies are ready.
void BM_MosaicAdd100(benchmark::State& state)
{
    PhotoHost host;
    QStringList ids;
    QHash<QString, QImage> images;
    for (int i = 0; i < 100; ++i) {
        ids << QString::number(i);
        images.insert(ids.last(), host.drawingSizeImage(ids.last()));
    }
    for (auto _ : state) {
        MosaicCollage mosaic;
        mosaic.setMyWindowController(&host);
        mosaic.addPictures(ids, images, {}, {});
        benchmark::DoNotOptimize(mosaic.picturePositions().size());
    }
}
BENCHMARK(BM_MosaicAdd100)->Unit(benchmark::kMillisecond)->UseRealTime();

struct MosaicFixture {
    PhotoHost host;
    MosaicCollage mosaic;
    MosaicFixture()
    {
        mosaic.setMyWindowController(&host);
        QStringList ids;
        QHash<QString, QImage> images;
        for (int i = 0; i < 100; ++i) {
            ids << QString::number(i);
            images.insert(ids.last(), host.drawingSizeImage(ids.last()));
        }
        mosaic.addPictures(ids, images, {}, {});
        mosaic.bestFit();
    }
};

void BM_MosaicScreen1200(benchmark::State& state)
{
    MosaicFixture f;
    QImage out = GraphicsContext::newBitmap(QSize(1200, 900));
    for (auto _ : state) {
        GraphicsContext ctx(out);
        f.mosaic.drawYourselfOnCurrentContextInWidth(ctx, 1200, 900, false);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_MosaicScreen1200)->Unit(benchmark::kMillisecond)->UseRealTime();

// One drag event of a divider of a 100-slot mosaic, back and forth.
void BM_MosaicDividerDrag100(benchmark::State& state)
{
    MosaicFixture f;
    qint64 grab = -1;
    for (qint64 i = 0; i < f.mosaic.picturePositions().size() && grab < 0; ++i)
        if (f.mosaic.mosaicSlot(i)->positionRect().x() > 0.2)
            grab = i;
    const QRectF r = f.mosaic.mosaicSlot(grab)->positionRect();
    QPointF at(r.x() * 1200, (r.y() + r.height() / 2) * 900);
    f.mosaic.mouseDownAt(at, 1200, 900, MouseEvent{at, 1, Qt::NoModifier});
    if (f.mosaic.handleBeingHeld() != HeldHandleVerticalDivider) {
        state.SkipWithError("no divider grabbed");
        return;
    }
    // Steps of 12 points (1 %), past the snap distance, never squeezing a slot.
    double step = 12;
    for (auto _ : state) {
        at.rx() += (step = -step);
        f.mosaic.mouseDraggedAt(at, 1200, 900, MouseEvent{at, 1, Qt::NoModifier});
    }
    f.mosaic.mouseUpAt(at, 1200, 900, MouseEvent{at, 1, Qt::NoModifier});
}
BENCHMARK(BM_MosaicDividerDrag100)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
