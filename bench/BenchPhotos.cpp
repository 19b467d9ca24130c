#include "BenchPhotos.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace qf::bench {

namespace {

QString& givenFolder()
{
    static QString folder = qEnvironmentVariable("QF_BENCH_PHOTOS");
    return folder;
}

QString generatedFolder() { return QDir::temp().filePath(QStringLiteral("qf-bench-proxy-photos-v1")); }

QString generatedPath(int i)
{
    return generatedFolder() + QStringLiteral("/photo%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
}

QByteArray withOrientation6(QByteArray jpeg)
{
    const char tiff[] = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0, 0, 0, 0, 0};
    const QByteArray payload = QByteArray("Exif\0\0", 6) + QByteArray(tiff, sizeof tiff);
    const int length = int(payload.size()) + 2;
    jpeg.insert(2, QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xFF) + payload);
    return jpeg;
}

QByteArray makePhoto(int index)
{
    QRandomGenerator random(quint32(1000 + index));
    const auto colour = [&] {
        return QColor::fromHsv(random.bounded(360), random.bounded(40, 200), random.bounded(60, 240));
    };
    QImage image(4000, 3000, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 3000);
    sky.setColorAt(0, colour());
    sky.setColorAt(1, colour());
    p.fillRect(image.rect(), sky);
    for (int i = 0; i < 120; ++i) {
        const QPointF centre(random.bounded(4000), random.bounded(3000));
        const double r = 20 + random.bounded(400);
        QRadialGradient fill(centre, r);
        fill.setColorAt(0, colour());
        fill.setColorAt(1, colour());
        p.setBrush(fill);
        p.setPen(QPen(colour(), 1 + random.bounded(8)));
        QPainterPath shape;
        if (i % 3)
            shape.addEllipse(centre, r, r * (0.3 + random.bounded(1.0)));
        else
            shape.addRect(QRectF(centre, QSizeF(r * 1.5, r)));
        p.drawPath(shape);
    }
    p.end();
    // Sensor noise, so the DCT has work everywhere.
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        quint32 state = random.generate() | 1;
        for (int x = 0; x < image.width(); ++x) {
            state ^= state << 13, state ^= state >> 17, state ^= state << 5;
            const int n = int(state % 17) - 8;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                           std::clamp(qBlue(c) + n, 0, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.write(image);
    return index % 4 == 3 ? withOrientation6(bytes) : bytes;
}

} // namespace

void takePhotoFolderArgument(int& argc, char** argv)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--photo-folder") == 0 && i + 1 < argc)
            givenFolder() = QString::fromLocal8Bit(argv[++i]);
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
}

bool usesGivenFolder() { return !givenFolder().isEmpty(); }

QString photoFolder() { return usesGivenFolder() ? QDir(givenFolder()).absolutePath() : generatedFolder(); }

void ensurePhotos()
{
    if (usesGivenFolder())
        return;
    QDir().mkpath(generatedFolder());
    std::atomic<int> next = 0;
    const auto work = [&] {
        for (int i; (i = next.fetch_add(1)) < kGeneratedPhotoCount;) {
            if (QFile::exists(generatedPath(i)))
                continue;
            QFile file(generatedPath(i) + QStringLiteral(".part"));
            if (file.open(QIODevice::WriteOnly) && file.write(makePhoto(i)) > 0) {
                file.close();
                file.rename(generatedPath(i));
            }
        }
    };
    std::vector<std::jthread> threads;
    for (int t = 1; t < QThread::idealThreadCount(); ++t)
        threads.emplace_back(work);
    work();
}

QStringList photoPaths()
{
    QStringList paths;
    if (usesGivenFolder()) {
        const QDir folder(photoFolder());
        const QStringList names =
            folder.entryList({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")}, QDir::Files, QDir::Name);
        for (const QString& name : names)
            paths << folder.filePath(name);
        return paths;
    }
    for (int i = 0; i < kGeneratedPhotoCount; ++i)
        paths << generatedPath(i);
    return paths;
}

int photoCount() { return int(photoPaths().size()); }

} // namespace qf::bench
