// Text layout and drawing, and shadow blurs, at print and screen sizes.
//   qf_bench_drawing [google benchmark flags]
//   qf_bench_drawing --write-alpha FILE   writes the 7200 x 5400 alpha plane
//                                         the shadow benchmarks blur (PGM)
#include "model/TextPosition.h"
#include "platform/graphics/AlphaBlur.h"
#include "platform/graphics/GraphicsContext.h"
#include "tests/model/FakeCollage.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>

#include <cstring>

using namespace qf;

namespace {

constexpr double kShadowBlur = 45; // the default text-box shadow at 7200 wide
constexpr double kSigma = kShadowBlur / 2;

std::unique_ptr<test::FakeCollage> tenTextItems()
{
    auto collage = std::make_unique<test::FakeCollage>();
    collage->setBackgroundColor({1, 1, 1, 1});
    for (int i = 0; i < 10; ++i) {
        auto t = std::make_shared<TextPosition>();
        t->setContent(QStringLiteral("Summer %1 at the lake, with friends and a long evening of music").arg(2000 + i));
        t->setCenter(QPointF(0.1 + 0.08 * i, 0.1 + 0.08 * i));
        t->setTextWidth(0.3);
        t->setRotation(0.05 * (i - 5));
        t->setStrokeFill(i % 3);
        t->setTextBackgroundOpacity(i % 2 ? 0.5 : 0.0);
        QFont f = t->font();
        f.setPointSizeF(120);
        t->setFont(f);
        collage->textPositions().append(t);
    }
    return collage;
}

// Laying out and measuring: every item anew, as an edit does.
void BM_TextLayout(benchmark::State& state)
{
    const double w = double(state.range(0));
    auto collage = tenTextItems();
    int round = 0;
    for (auto _ : state) {
        ++round;
        for (const auto& t : collage->textPositions()) {
            t->setContent(t->content() + QString::number(round % 2)); // defeats the layout cache
            benchmark::DoNotOptimize(t->getBoundaryRectForCollageWidth(w, 7200, 5400, false));
        }
    }
}
BENCHMARK(BM_TextLayout)->Arg(7200)->Arg(1200)->Unit(benchmark::kMillisecond);

// Drawing the text layer (fill, outline, shadows, boxes) into a bitmap.
void BM_TextDraw(benchmark::State& state)
{
    const int w = int(state.range(0));
    const int h = w * 3 / 4;
    auto collage = tenTextItems();
    QImage out = GraphicsContext::newBitmap(QSize(w, h));
    for (auto _ : state) {
        GraphicsContext ctx(out);
        collage->drawYourTextOnCurrentContextInWidth(ctx, w, h, w == 7200);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_TextDraw)->Arg(7200)->Arg(1200)->Unit(benchmark::kMillisecond);

QImage shadowAlphaPlane()
{
    // A large rounded shape, as a picture layer or a text box would cast.
    QImage plane(7200, 5400, QImage::Format_Alpha8);
    plane.fill(0);
    QPainter p(&plane);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(600, 450, 6000, 4500), 300, 300);
    p.drawEllipse(QRectF(100, 100, 800, 800));
    return plane;
}

// The blur alone, on the same plane the vips comparison uses.
void BM_ShadowBlurAlpha7200(benchmark::State& state)
{
    const QImage source = shadowAlphaPlane();
    for (auto _ : state) {
        state.PauseTiming();
        QImage plane = source.copy();
        state.ResumeTiming();
        gaussianBlurAlpha(plane.bits(), plane.width(), plane.height(), plane.bytesPerLine(), kSigma);
        benchmark::DoNotOptimize(plane.constBits());
    }
}
BENCHMARK(BM_ShadowBlurAlpha7200)->Unit(benchmark::kMillisecond)->UseRealTime();

// The shadow of a screen-sized picture layer: plane, blur and colour, as a
// frame whose pictures moved makes it.
void BM_ShadowOfScreenLayer1200(benchmark::State& state)
{
    QImage layer = GraphicsContext::newBitmap(QSize(1202, 902));
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 100; ++i)
            p.fillRect(QRectF(12 + (i % 10) * 118.5, 9 + (i / 10) * 88.8, 106.5, 79.9), Qt::white);
    }
    const double sigma = 3.75; // the grid's default shadow at 1200 wide
    const int margin = blurReach(sigma);
    for (auto _ : state) {
        QImage plane = alphaPlaneWithMargin(layer, margin);
        gaussianBlurAlpha(plane.bits(), plane.width(), plane.height(), plane.bytesPerLine(), sigma);
        benchmark::DoNotOptimize(colorizedAlpha(plane, GraphicsContext::defaultShadowColor()).constBits());
    }
}
BENCHMARK(BM_ShadowOfScreenLayer1200)->Unit(benchmark::kMillisecond)->UseRealTime();

// A whole shadowed fill on a 7200 x 5400 bitmap: buffer, blur, colour, composite.
void BM_ShadowedLayer7200(benchmark::State& state)
{
    QImage out = GraphicsContext::newBitmap(QSize(7200, 5400));
    QPainterPath shape;
    shape.addRoundedRect(QRectF(600, 450, 6000, 4500), 300, 300);
    for (auto _ : state) {
        GraphicsContext ctx(out);
        ctx.setShadow(QPointF(45, -45), kShadowBlur);
        ctx.setFillColor(Qt::white);
        ctx.fillPath(shape);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_ShadowedLayer7200)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--write-alpha") == 0)
        return shadowAlphaPlane().convertToFormat(QImage::Format_Grayscale8).save(argv[2], "PGM") ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
