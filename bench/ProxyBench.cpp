// Drawing proxies of 100 camera-sized photographs (see BenchPhotos.h): by
// default 4000 x 3000 JPEGs made once and kept in the temporary folder, or
// the JPEGs of a given folder of real photographs.
//   qf_bench_proxy [--photo-folder DIR] --photos   makes the photos if needed, prints their folder
//   qf_bench_proxy [--photo-folder DIR] --once batch|single
//        the proxies of every photo once, then exits: all in one batch on
//        all cores, or one photo at a time as a picture added alone; prints
//        the milliseconds from the first file read to the last proxy made.
//        bench/proxy_vs_vips.sh times this as a whole process.
//   qf_bench_proxy [--photo-folder DIR] --once libjpeg
//        the floor for "single": each photo read and decoded by libjpeg
//        alone, one at a time, at the DCT scale the proxy is decoded at (the
//        smallest M/8 still at least 600 wide), its rows to RGB and dropped;
//        prints the milliseconds as --once does.
//   qf_bench_proxy [--photo-folder DIR] --write-proxies OUT
//        makes the proxies in one batch and writes each as OUT/<photo>.png,
//        for comparing the proxies of two builds.
//   qf_bench_proxy [--photo-folder DIR] [google benchmark flags]
#include "BenchPhotos.h"

#include "document/QFRegularFileWrapperContainer.h"
#include "platform/core/PictureMemory.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

using namespace qf;
using namespace qf::bench;

namespace {

// One photo at a time on one core, from the file to the proxy: the time of
// a picture added alone.
void BM_ProxyOnePhoto(benchmark::State& state)
{
    const QStringList paths = photoPaths();
    qsizetype i = 0;
    for (auto _ : state) {
        auto c = QFRegularFileWrapperContainer::getNewRegularFileWrapperContainerForImage(paths[i++ % paths.size()]);
        if (!c)
            state.SkipWithError("a photo did not decode");
        benchmark::DoNotOptimize(c);
    }
}

// All files to containers with proxies in one batch, on all cores.
void BM_ProxyBatch(benchmark::State& state)
{
    const QStringList paths = photoPaths();
    for (auto _ : state) {
        const auto all = QFRegularFileWrapperContainer::getNewRegularFileWrapperContainersForImages(paths);
        if (std::count(all.begin(), all.end(), nullptr) != 0)
            state.SkipWithError("a photo did not decode");
        benchmark::DoNotOptimize(all);
    }
}

int proxiesOnce(bool batch)
{
    const QStringList paths = photoPaths();
    if (paths.isEmpty())
        return 1;
    QElapsedTimer timer;
    timer.start();
    qsizetype made = 0;
    if (batch) {
        const auto all = QFRegularFileWrapperContainer::getNewRegularFileWrapperContainersForImages(paths);
        for (const auto& c : all)
            made += c && !c->getDrawingSizeImage().isNull();
    } else {
        for (const QString& path : paths) {
            const auto c = QFRegularFileWrapperContainer::getNewRegularFileWrapperContainerForImage(path);
            made += c && !c->getDrawingSizeImage().isNull();
        }
    }
    const qint64 ms = timer.elapsed();
    if (made != paths.size()) {
        std::fprintf(stderr, "%lld of %lld photos gave no proxy\n", qlonglong(paths.size() - made),
                     qlonglong(paths.size()));
        return 1;
    }
    std::printf("%lld\n", ms);
    return 0;
}

// libjpeg's errors end the decode of that photo, as a bad file would.
struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

bool decodeWithLibjpeg(const QByteArray& bytes, std::vector<JSAMPLE>& row)
{
    jpeg_decompress_struct cinfo;
    JpegError error;
    cinfo.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1); };
    error.mgr.output_message = [](j_common_ptr) {};
    jpeg_create_decompress(&cinfo);
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    // As the proxy's decode picks it: the smallest M/8 at least 600 wide.
    const double f = double(cinfo.image_width) / std::min<double>(600, cinfo.image_width);
    cinfo.scale_num = std::clamp(int(std::ceil(8 / f)), 1, 8);
    cinfo.scale_denom = 8;
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    row.resize(size_t(cinfo.output_width) * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW line = row.data();
        jpeg_read_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

int libjpegOnce()
{
    const QStringList paths = photoPaths();
    QElapsedTimer timer;
    timer.start();
    std::vector<JSAMPLE> row;
    for (const QString& path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || !decodeWithLibjpeg(file.readAll(), row)) {
            std::fprintf(stderr, "%s did not decode\n", qPrintable(path));
            return 1;
        }
    }
    std::printf("%lld\n", timer.elapsed());
    return 0;
}

int writeProxies(const QString& folder)
{
    const QStringList paths = photoPaths();
    const auto all = QFRegularFileWrapperContainer::getNewRegularFileWrapperContainersForImages(paths);
    int failed = 0;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString out = folder + u'/' + QFileInfo(paths[i]).fileName() + QStringLiteral(".png");
        if (!all[i] || !all[i]->getDrawingSizeImage().save(out))
            ++failed;
    }
    return failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qf::setUpPictureMemory(); // as the application does
    takePhotoFolderArgument(argc, argv);
    QGuiApplication app(argc, argv);
    ensurePhotos();
    if (argc == 2 && std::strcmp(argv[1], "--photos") == 0) {
        std::printf("%s\n", qPrintable(photoFolder()));
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--write-proxies") == 0)
        return writeProxies(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && std::strcmp(argv[1], "--once") == 0 && std::strcmp(argv[2], "libjpeg") == 0)
        return libjpegOnce();
    if (argc == 3 && std::strcmp(argv[1], "--once") == 0
        && (std::strcmp(argv[2], "batch") == 0 || std::strcmp(argv[2], "single") == 0))
        return proxiesOnce(std::strcmp(argv[2], "batch") == 0);
    const int count = photoCount();
    benchmark::RegisterBenchmark("BM_ProxyOnePhoto", BM_ProxyOnePhoto)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(count);
    benchmark::RegisterBenchmark(("BM_ProxyBatch" + std::to_string(count)).c_str(), BM_ProxyBatch)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
