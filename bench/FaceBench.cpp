// One face pass over a collage's pictures: 30 drawing proxies, 600 pixels
// wide, each searched once with the real detector.
//   qf_bench_face [google benchmark flags]
#include "model/UtilityFunctions.h"
#include "platform/vision/FaceDetector.h"

#include <benchmark/benchmark.h>

#include <QPainter>

using namespace qf;

namespace {

// Variations of the test portrait: crops of different shapes and places,
// mirrored, lighter and darker, so no two proxies are the same.
QList<QImage> proxies()
{
    const QImage photo(QStringLiteral(QF_TEST_DATA_DIR "/astronaut.jpg"));
    QList<QImage> out;
    for (int i = 0; i < 30; ++i) {
        const int w = 360 + (i % 5) * 60;
        const int h = 600 - (i % 3) * 120;
        const QRect crop((photo.width() - w) * (i % 4) / 3, (photo.height() - h) * (i % 2), w, h);
        QImage proxy = photo.copy(crop).scaledToWidth(600, Qt::SmoothTransformation);
        if (i % 2)
            proxy = proxy.mirrored(true, false);
        QPainter p(&proxy);
        p.fillRect(proxy.rect(), QColor(i % 3 ? 255 : 0, i % 3 ? 255 : 0, i % 3 ? 255 : 0, (i % 6) * 12));
        p.end();
        out.append(proxy);
    }
    return out;
}

void BM_FacePass30Proxies(benchmark::State& state)
{
    const QList<QImage> images = proxies();
    UtilityFunctions::faceCentroidInImage(images.first()); // loads the cascade outside the timing
    int withFace = 0;
    for (auto _ : state) {
        withFace = 0;
        for (const QImage& image : images)
            withFace += UtilityFunctions::faceCentroidInImage(image).x() >= 0 ? 1 : 0;
    }
    state.counters["with_face"] = withFace;
}
BENCHMARK(BM_FacePass30Proxies)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
