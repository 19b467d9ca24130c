// Drawing a 100-picture grid: on screen (1200 x 900 from 600 pixel proxies)
// and for export (7200 x 5400 from full-size pictures); and restoring it from
// an undo snapshot, as every undo and redo does.
#include "layouts/grid_mosaic/GridCollage.h"
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

} // namespace
