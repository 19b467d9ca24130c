// Screen frames of every collage type: 100 distinct pictures at proxy size
// (600 pixels wide, each drawn with its own gradient, shapes and grain) on
// the 7200 x 5400 canvas a new document has, drawn at 1200 x 900 as the
// canvas draws them, with the settings each type starts with. Per type:
//   first    the screen's redraw cache empty (a new view, or a picture added)
//   again    the same frame again, as while nothing changes
//   changing every frame a step of what a user drags: a pile picture along a
//            circle (those above it faded), a mosaic divider back and forth,
//            the spacing slider on the other types
//   qf_bench_frames [google benchmark flags]
//   qf_bench_frames --write-frames DIR   writes each type's frames (at rest,
//                                        and after 7 steps of the change) as
//                                        PNGs, to compare builds' output
#include "SeededRandom.h"

#include "layouts/CollageTypes.h"
#include "layouts/mosaic/MosaicCollage.h"
#include "layouts/pile/PileCollage.h"
#include "model/CollageCaches.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"

#include "BenchCollages.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QGuiApplication>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numbers>
#include <random>

using namespace qf;

using bench::aspectOf;
using bench::identities;

namespace {

constexpr int kPictures = 100;
constexpr double kScreenWidth = 1200, kScreenHeight = 900;
constexpr double kDividerStep = 24; // two snap distances at this width

// A photograph-like proxy: a two-colour gradient, a few soft shapes and
// sensor-like grain, all from the picture's own seed, so no two are alike
// and smooth scaling has real detail to average.
QImage photo(int i)
{
    const int w = 600;
    const int h = int(std::lround(w / aspectOf(i)));
    std::mt19937 random(quint32(1000 + i));
    const auto hue = [&] { return int(random() % 360); };
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, w * 0.3, h);
    sky.setColorAt(0, QColor::fromHsv(hue(), 120, 230));
    sky.setColorAt(1, QColor::fromHsv(hue(), 200, 90));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    for (int k = 0; k < 6; ++k) {
        QColor c = QColor::fromHsv(hue(), 80 + int(random() % 150), 60 + int(random() % 190));
        c.setAlpha(150 + int(random() % 100));
        p.setBrush(c);
        const double x = random() % w, y = random() % h, r = 20 + random() % (w / 3);
        if (k % 2)
            p.drawEllipse(QPointF(x, y), r, r * 0.7);
        else
            p.drawRect(QRectF(x - r / 2, y - r / 3, r, r * 0.6));
    }
    p.end();
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int n = int(random() % 17) - 8;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                           std::clamp(qBlue(c) + n, 0, 255));
        }
    }
    return image;
}

// The pictures are the same for every benchmark: made once.
const QList<QImage>& photos()
{
    static const QList<QImage> all = [] {
        QList<QImage> list;
        for (int i = 0; i < kPictures; ++i)
            list.append(photo(i));
        return list;
    }();
    return all;
}

enum class Frame { First, Again, Changing };

// A collage of the type holding the 100 pictures, made the same way every run.
struct Scene {
    bench::SeededRandom seeded;
    ScopedRandomSource random{seeded};
    bench::CachedHost host;
    std::shared_ptr<Collage> collage;
    QImage out = GraphicsContext::newBitmap(QSize(int(kScreenWidth), int(kScreenHeight)));
    int step = 0;
    // The change in progress.
    double spacing = 0;
    qint64 dragged = -1;
    QPointF start;
    QPointF at;

    explicit Scene(const QString& type)
        : collage(CollageTypes().make(type))
    {
        if (!collage)
            return;
        collage->setWidth(7200);
        collage->setHeight(5400);
        collage->setMyWindowController(&host);
        const QStringList ids = identities(kPictures);
        QHash<QString, QImage> images;
        for (int i = 0; i < kPictures; ++i) {
            host.store.insert(ids[i], photos()[i]);
            images.insert(ids[i], photos()[i]);
        }
        collage->addPictures(ids, images, {}, {});
        if (auto* mosaic = dynamic_cast<MosaicCollage*>(collage.get()))
            mosaic->bestFit();
        spacing = collage->spacing();
    }

    void draw()
    {
        GraphicsContext ctx(out);
        collage->drawYourselfOnCurrentContextInWidth(ctx, kScreenWidth, kScreenHeight, false);
    }

    // Starts the gesture a changing frame steps; why it cannot, or nothing.
    const char* beginChange()
    {
        if (auto* pile = dynamic_cast<PileCollage*>(collage.get())) {
            dragged = 10;
            pile->setSelectedImagePosition(dragged);
            pile->setDragging(true);
            start = pile->pileSlot(dragged)->center();
            return nullptr;
        }
        if (auto* mosaic = dynamic_cast<MosaicCollage*>(collage.get())) {
            // The first divider right of a fifth of the width that a drag
            // moves (one that would squeeze a slot refuses).
            for (qint64 i = 0; i < mosaic->picturePositions().size(); ++i) {
                const std::shared_ptr<MosaicPosition> slot = mosaic->mosaicSlot(i);
                if (!slot || slot->positionRect().x() <= 0.2)
                    continue;
                const QRectF r = slot->positionRect();
                at = QPointF(r.x() * kScreenWidth, (r.y() + r.height() / 2) * kScreenHeight);
                mosaic->mouseDownAt(at, kScreenWidth, kScreenHeight, MouseEvent{at, 1, Qt::NoModifier});
                if (mosaic->handleBeingHeld() == HeldHandleVerticalDivider) {
                    at.rx() += kDividerStep;
                    mosaic->mouseDraggedAt(at, kScreenWidth, kScreenHeight, MouseEvent{at, 1, Qt::NoModifier});
                    if (slot->positionRect() != r) {
                        dragged = i;
                        return nullptr;
                    }
                }
                mosaic->mouseUpAt(at, kScreenWidth, kScreenHeight, MouseEvent{at, 1, Qt::NoModifier});
            }
            return "no divider moves";
        }
        return nullptr;
    }

    void stepChange()
    {
        ++step;
        if (auto* pile = dynamic_cast<PileCollage*>(collage.get())) {
            // Never back where a recent frame had it: a circle of 240 steps.
            const double a = 2 * std::numbers::pi * (step % 240) / 240;
            pile->pileSlot(dragged)->setCenter(start + QPointF(0.04 * std::cos(a), 0.04 * std::sin(a)));
        } else if (auto* mosaic = dynamic_cast<MosaicCollage*>(collage.get())) {
            // Steps past the snap distance, 4 back and 4 out: never where
            // the last frames had it (but at the turn).
            at.rx() += step % 8 < 4 ? -kDividerStep : kDividerStep;
            mosaic->mouseDraggedAt(at, kScreenWidth, kScreenHeight, MouseEvent{at, 1, Qt::NoModifier});
        } else {
            collage->setSpacing(spacing + 0.0001 * (1 + step % 100));
        }
    }
};

void BM_Frame(benchmark::State& state, const QString& type, Frame frame)
{
    Scene scene(type);
    if (!scene.collage) {
        state.SkipWithError("this build cannot make the type");
        return;
    }
    if (frame == Frame::Changing)
        if (const char* fault = scene.beginChange()) {
            state.SkipWithError(fault);
            return;
        }
    scene.draw(); // what a frame before this one left in the cache
    for (auto _ : state) {
        if (frame == Frame::First) {
            state.PauseTiming();
            scene.host.caches.screenFrames = RedrawCache();
            state.ResumeTiming();
        } else if (frame == Frame::Changing) {
            scene.stepChange();
        }
        scene.draw(); // ends the cache's frame, as every screen frame does
        benchmark::DoNotOptimize(scene.out.constBits());
    }
    state.counters["shadow"] = scene.collage->drawShadow();
}

const QStringList& types()
{
    static const QStringList all = {QStringLiteral("grid"),        QStringLiteral("pile"),
                                    QStringLiteral("circlepile"),  QStringLiteral("mosaic"),
                                    QStringLiteral("centerframe"), QStringLiteral("zigmosaic"),
                                    QStringLiteral("hexagon")};
    return all;
}

void registerAll()
{
    const struct {
        const char* name;
        Frame frame;
    } frames[] = {{"first", Frame::First}, {"again", Frame::Again}, {"changing", Frame::Changing}};
    for (const QString& type : types())
        for (const auto& f : frames) {
            const std::string name = "BM_Frame/" + type.toStdString() + "/" + f.name;
            benchmark::RegisterBenchmark(name.c_str(), BM_Frame, type, f.frame)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
}

int writeFrames(const QString& folder)
{
    QDir().mkpath(folder);
    for (const QString& type : types()) {
        Scene scene(type);
        if (!scene.collage)
            continue;
        scene.draw();
        scene.draw(); // the frame from the cache
        scene.out.save(folder + QStringLiteral("/%1-rest.png").arg(type));
        if (scene.beginChange())
            continue;
        // How many steps of the change change the frame: a change the
        // collage refuses would measure a frame at rest.
        int changed = 0;
        QImage last = scene.out.copy();
        for (int i = 0; i < 32; ++i) {
            scene.stepChange();
            scene.draw();
            changed += scene.out != last;
            last = scene.out.copy();
            if (i == 6 || i == 7)
                scene.out.save(folder + QStringLiteral("/%1-changing%2.png").arg(type, i == 6 ? QString() : QStringLiteral("-next")));
        }
        std::printf("%-12s %d of 32 changing frames differ from the one before\n", qPrintable(type), changed);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--write-frames") == 0)
        return writeFrames(QString::fromLocal8Bit(argv[2]));
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
