#include "document/CollageDocument.h"
#include "document/QFRegularFileWrapperContainer.h"
#include "model/UtilityFunctions.h"
#include "platform/images/JpegScans.h"

#include <gtest/gtest.h>

#include <atomic>

#include <QBuffer>
#include <QColorSpace>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace qf;
using Container = QFRegularFileWrapperContainer;

namespace {

QByteArray encode(const QImage& image, const char* format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(92);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

QImage plain(int w, int h, QColor colour = Qt::darkCyan)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Stripes of several widths over a gradient, with noise: a turned or
// wrongly scaled picture differs visibly, and the JPEG has stuffed 0xFF bytes.
QImage detailed(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int v = std::min(255, ((x / (4 + y * 16 / h)) % 2) * 120 + y * 100 / h + int(random.bounded(24)));
            image.setPixel(x, y, qRgb(v, 255 - v, (x + y) % 256));
        }
    }
    return image;
}

// Mean difference per channel from the reference scaled smoothly to its size.
double meanDifference(const QImage& image, const QImage& reference)
{
    const QImage a = image.convertToFormat(QImage::Format_RGB888);
    const QImage b = reference.scaled(a.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width() * 3; ++x)
            sum += std::abs(a.constScanLine(y)[x] - b.constScanLine(y)[x]);
    }
    return sum / (3.0 * a.width() * a.height());
}

// The JPEG with an EXIF APP1 segment holding only the orientation tag.
QByteArray withOrientation(QByteArray jpeg, int orientation)
{
    const char tiff[] = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1,
                         0, char(orientation), 0, 0, 0, 0, 0, 0};
    const QByteArray payload = QByteArray("Exif\0\0", 6) + QByteArray(tiff, sizeof tiff);
    const int length = int(payload.size()) + 2;
    jpeg.insert(2, QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xFF) + payload);
    return jpeg;
}

} // namespace

TEST(PictureContainer, IdentityDependsOnlyOnTheBytes)
{
    const QByteArray bytes = encode(plain(40, 30), "PNG");
    Container a(bytes, QStringLiteral("a.png"));
    const Container b(bytes, QStringLiteral("other name.png"));
    ASSERT_TRUE(a.md5());
    EXPECT_EQ(*a.md5(), UtilityFunctions::md5Identity(bytes));
    EXPECT_EQ(a.md5(), b.md5());
    EXPECT_EQ(Container("not a picture", {}).md5()->size(), 32);
    EXPECT_FALSE(Container({}, QStringLiteral("empty.jpg")).md5());

    // New bytes forget what was derived from the old ones.
    ASSERT_FALSE(a.getDrawingSizeImage().isNull());
    a.setRegularFileContents(encode(plain(30, 30), "PNG"));
    EXPECT_NE(a.md5(), b.md5());
    EXPECT_EQ(a.getDrawingSizeImage().size(), QSize(30, 30));
}

TEST(PictureContainer, ProxyIs600WideWithHeightInProportion)
{
    Container photo(encode(plain(3000, 2000), "JPEG"), {});
    const QImage proxy = photo.getDrawingSizeImage();
    EXPECT_EQ(proxy.size(), QSize(600, 400));
    EXPECT_EQ(photo.getDrawingSizeImage().cacheKey(), proxy.cacheKey()) << "the proxy is kept";
    EXPECT_EQ(photo.getCompleteSizeImage().size(), QSize(3000, 2000));
    // Never larger than the picture, and never longer than 2400: a strip
    // keeps its aspect instead of its width.
    const std::pair<QSize, QSize> sizes[] = {{{300, 100}, {300, 100}}, {{1, 28}, {1, 28}},
                                             {{10, 1000}, {10, 1000}}, {{1000, 6000}, {400, 2400}},
                                             {{100, 20000}, {12, 2400}}, {{30000, 5}, {600, 1}}};
    for (const auto& [picture, proxy] : sizes)
        EXPECT_EQ(Container(encode(plain(picture.width(), picture.height()), "PNG"), {}).getDrawingSizeImage().size(),
                  proxy)
            << picture.width() << " x " << picture.height();
}

TEST(PictureContainer, PicturesAreUprightByTheirOrientation)
{
    // Orientation -> the clockwise turn that makes the stored picture upright.
    const std::pair<int, int> cases[] = {{1, 0}, {3, 180}, {6, 90}, {8, 270}};
    const QImage stored = detailed(2000, 1000);
    const QByteArray jpeg = encode(stored, "JPEG");
    for (const auto& [orientation, turn] : cases) {
        SCOPED_TRACE(orientation);
        const QImage upright = stored.transformed(QTransform().rotate(turn));
        Container c(withOrientation(jpeg, orientation), {});
        const QImage full = c.getCompleteSizeImage();
        EXPECT_EQ(full.size(), upright.size());
        EXPECT_LT(meanDifference(full, upright), 15.0);
        const QImage proxy = c.getDrawingSizeImage();
        EXPECT_EQ(proxy.size(), QSize(600, 600 * upright.height() / upright.width()));
        // About 3 to 4 when right; scaling before turning the picture
        // upright halves one axis's resolution and nearly doubles it.
        EXPECT_LT(meanDifference(proxy, upright), 6.0);
    }
}

TEST(PictureContainer, ProgressiveProxiesAtAnEighthAreThoseOfTheWholeFile)
{
    // Stored on its side, 2400 x 4800, upright 4800 wide: its 600-wide proxy
    // is decoded at 1/8, from the DC scans alone.
    const QImage grey = detailed(2400, 4800).convertToFormat(QImage::Format_Grayscale8);
    const QByteArray jpeg = withOrientation(encode(grey, "JPEG", true), 6);
    ASSERT_FALSE(jpegDcScansOnly(jpeg).isEmpty());

    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    reader.setScaledSize(QSize(300, 600));
    const QImage whole = reader.read().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(whole.size(), QSize(600, 300));

    Container c(jpeg, {});
    EXPECT_EQ(c.getDrawingSizeImage(), whole);
    // Cut short, it is no picture, through the same path.
    Container cut(jpeg.left(jpeg.size() * 2 / 3), {});
    EXPECT_TRUE(cut.getDrawingSizeImage().isNull());
}

// The proxy of each JPEG is what the image reader gives at the proxy's size,
// upright, to the bit, whichever decoder makes it.
TEST(PictureContainer, JpegProxiesAreTheImageReadersPicture)
{
    const QImage stored = detailed(1203, 806);
    const QByteArray baseline = encode(stored, "JPEG");
    const QByteArray progressive = encode(stored, "JPEG", true);
    // Megabytes of XMP before the EXIF block: the orientation is then read
    // from neither, by the reader as by us.
    QByteArray xmp("http://ns.adobe.com/xap/1.0/\0", 29);
    xmp += QByteArray(60000, 'x');
    QByteArray manyXmp = withOrientation(baseline, 6);
    for (int i = 0; i < 20; ++i)
        manyXmp.insert(2, QByteArray("\xFF\xE1", 2) + char((xmp.size() + 2) >> 8) + char((xmp.size() + 2) & 0xFF) + xmp);
    QImage p3 = stored;
    p3.setColorSpace(QColorSpace::DisplayP3);
    // A truncated EXIF block: the reader is asked for its orientation.
    QByteArray brokenExif = withOrientation(baseline, 6);
    brokenExif[4 + 2 + 6 + 9] = char(0x7F); // the first IFD's entry count: 127 entries, past its end
    const struct {
        const char* name;
        QByteArray bytes;
        QSize proxy;
    } rows[] = {
        {"baseline at a half, odd size", baseline, {600, 402}},
        {"progressive at a half", progressive, {600, 402}},
        {"progressive at an eighth, from its DC scans", encode(detailed(4900, 1200), "JPEG", true), {600, 147}},
        {"baseline at an eighth", encode(detailed(4900, 1200), "JPEG"), {600, 147}},
        {"upright by its orientation", withOrientation(baseline, 1), {600, 402}},
        {"mirrored by its orientation", withOrientation(baseline, 2), {600, 402}},
        {"turned half round", withOrientation(baseline, 3), {600, 402}},
        {"flipped", withOrientation(baseline, 4), {600, 402}},
        {"flipped and turned a quarter", withOrientation(baseline, 5), {600, 896}},
        {"turned a quarter", withOrientation(baseline, 6), {600, 896}},
        {"mirrored and turned a quarter", withOrientation(baseline, 7), {600, 896}},
        {"turned three quarters", withOrientation(baseline, 8), {600, 896}},
        {"progressive, turned, at an eighth", withOrientation(encode(detailed(1200, 4900), "JPEG", true), 6), {600, 147}},
        {"XMP before its orientation", manyXmp, {600, 402}},
        {"an orientation the reader must tell", brokenExif, {}},
        {"a Display P3 profile", encode(p3, "JPEG"), {600, 402}},
        {"grey", encode(stored.convertToFormat(QImage::Format_Grayscale8), "JPEG"), {600, 402}},
        {"trailing bytes", baseline + "after the end", {600, 402}},
    };
    for (const auto& row : rows) {
        QBuffer buffer;
        buffer.setData(row.bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setAutoTransform(true);
        const bool sideways = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        const QSize upright = sideways ? reader.size().transposed() : reader.size();
        const QSize proxy = QSize(600, (upright.height() * 600 + upright.width() / 2) / upright.width());
        if (!row.proxy.isEmpty()) {
            EXPECT_EQ(proxy, row.proxy) << row.name;
        }
        reader.setScaledSize(sideways ? proxy.transposed() : proxy);
        QImage expected = reader.read();
        ASSERT_FALSE(expected.isNull()) << row.name;
        if (expected.colorSpace().isValid() && expected.colorSpace() != QColorSpace(QColorSpace::SRgb))
            expected.convertToColorSpace(QColorSpace::SRgb);
        expected.convertTo(QImage::Format_RGB32);

        Container alone(row.bytes, {});
        EXPECT_EQ(alone.getDrawingSizeImage(), expected) << row.name;
        Container batched(row.bytes, {});
        Container::makeDrawingSizeImages({&batched});
        EXPECT_EQ(batched.getDrawingSizeImage(), expected) << row.name;
        EXPECT_TRUE(alone.hasPictureHeaders()) << row.name;
    }
}

TEST(PictureContainer, DecodesNoLargerThanTheWidthAskedFor)
{
    // A JPEG comes out at the smallest power-of-two step still at least as
    // wide; other formats and widths of 0 whole. Sideways pictures step on
    // their upright width, and a step never leaves a side without pixels.
    const QByteArray jpeg = encode(detailed(2000, 1000), "JPEG");
    // An orientation after another APP1 segment (XMP) is not read.
    const QByteArray xmp("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 42);
    const QByteArray xmpFirst = withOrientation(jpeg, 6).insert(
        2, QByteArray("\xFF\xE1", 2) + char(0) + char(xmp.size() + 2) + xmp);
    const struct {
        QByteArray bytes;
        double width;
        QSize decoded;
    } rows[] = {{xmpFirst, 300, {500, 250}},{jpeg, 0, {2000, 1000}},    {jpeg, 2000, {2000, 1000}}, {jpeg, 1000, {1000, 500}},
                {jpeg, 999.5, {1000, 500}}, {jpeg, 501, {1000, 500}},   {jpeg, 400, {500, 250}},
                {jpeg, 10, {250, 125}},     {withOrientation(jpeg, 6), 300, {500, 1000}},
                {encode(plain(4000, 3), "JPEG"), 100, {2000, 1}},
                {encode(plain(2000, 1000), "PNG"), 100, {2000, 1000}}};
    for (const auto& row : rows) {
        const QImage image = Container(row.bytes, {}).getImageAtLeastWide(row.width);
        EXPECT_EQ(image.size(), row.decoded) << row.width;
        // What the decode is expected to hold: the picture, as none of these
        // is progressive.
        EXPECT_EQ(Container(row.bytes, {}).decodeBytesAtLeastWide(row.width),
                  qint64(row.decoded.width()) * row.decoded.height() * 4)
            << row.width;
    }
    const QImage whole = Container(jpeg, {}).getCompleteSizeImage();
    EXPECT_LT(meanDifference(Container(jpeg, {}).getImageAtLeastWide(400), whole), 6.0);
}

TEST(PictureContainer, ProxyKeepsTransparencyAndShowsSrgb)
{
    QImage clear(800, 400, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    QPainter(&clear).fillRect(400, 0, 400, 400, Qt::blue);
    const QImage proxy = Container(encode(clear, "PNG"), {}).getDrawingSizeImage();
    EXPECT_EQ(proxy.pixelColor(100, 100).alpha(), 0);
    EXPECT_EQ(proxy.pixelColor(500, 100), QColor(Qt::blue));

    QImage p3 = plain(100, 50, QColor(200, 100, 50));
    p3.setColorSpace(QColorSpace::DisplayP3);
    for (const char* format : {"PNG", "JPEG"}) {
        Container c(encode(p3, format), {});
        for (const QImage& decoded : {c.getCompleteSizeImage(), c.getDrawingSizeImage()}) {
            EXPECT_EQ(decoded.colorSpace(), QColorSpace(QColorSpace::SRgb)) << format;
            EXPECT_NEAR(decoded.pixelColor(10, 10).red(), 215, 4) << format; // was 200 in P3
        }
    }
}

TEST(PictureContainer, BrokenOrAbsurdPicturesGiveNoImage)
{
    const QByteArray jpeg = encode(detailed(400, 300), "JPEG");
    QByteArray claimsTooMuch = jpeg;
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    qToBigEndian<quint16>(10001, claimsTooMuch.data() + sof + 5); // 20000 x 10001: just over the cap
    qToBigEndian<quint16>(20000, claimsTooMuch.data() + sof + 7);
    // A progressive picture whose last scan comes 300 more times: each one
    // would be decoded, for minutes with thousands.
    const QByteArray progressive = encode(detailed(400, 300), "JPEG", true);
    const qsizetype lastScan = progressive.lastIndexOf("\xFF\xDA");
    const QByteArray manyScans = progressive.left(progressive.size() - 2)
                                 + progressive.mid(lastScan, progressive.size() - 2 - lastScan).repeated(300)
                                 + progressive.right(2);
    // Within the scan cap, but each scan over 14000 x 14000 pixels: seconds
    // of decoding a scan.
    QByteArray scanBomb = progressive.left(progressive.size() - 2)
                          + progressive.mid(lastScan, progressive.size() - 2 - lastScan).repeated(30)
                          + progressive.right(2);
    const qsizetype sof2 = scanBomb.indexOf("\xFF\xC2");
    qToBigEndian<quint16>(14000, scanBomb.data() + sof2 + 5);
    qToBigEndian<quint16>(14000, scanBomb.data() + sof2 + 7);
    const std::pair<const char*, QByteArray> cases[] = {
        {"JPEG with over 256 scans", manyScans},
        {"JPEG of 14000 x 14000 with 40 scans", scanBomb},
        {"empty", {}},
        {"text", "just some words\n"},
        {"JPEG cut in half", jpeg.left(jpeg.size() / 2)},
        {"JPEG without its end marker", jpeg.chopped(2)},
        {"JPEG header only", jpeg.left(jpeg.indexOf("\xFF\xDA"))},
        {"JPEG claiming 20000 x 10001", claimsTooMuch},
        {"PNG cut short", encode(plain(400, 300), "PNG").first(60)},
    };
    for (const auto& [what, bytes] : cases) {
        Container c(bytes, {});
        EXPECT_TRUE(c.getCompleteSizeImage().isNull()) << what;
        EXPECT_TRUE(c.getDrawingSizeImage().isNull()) << what;
        EXPECT_FALSE(c.hasDrawingSizeImage()) << what;
    }
    // What the end-marker check must still let through.
    for (const QByteArray& fine : {encode(detailed(400, 300), "JPEG", true), jpeg + "trailing bytes"})
        EXPECT_EQ(Container(fine, {}).getDrawingSizeImage().size(), QSize(400, 300));
}

TEST(PictureContainer, FromPath)
{
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    };
    const QByteArray jpeg = encode(plain(900, 600), "JPEG");
    const auto a = Container::getNewRegularFileWrapperContainerForImage(write("a.jpg", jpeg));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->preferredFilename(), QStringLiteral("a.jpg"));
    EXPECT_EQ(a->regularFileContents(), jpeg);
    EXPECT_TRUE(a->hasDrawingSizeImage()) << "the proof of decoding is kept as the proxy";

    // Opening a pipe for reading would wait for a writer for ever.
    ASSERT_EQ(::mkfifo(qPrintable(dir.filePath("pipe.jpg")), 0600), 0);
    const QStringList paths = {write("empty.jpg", {}), write("notes.txt", "hello"), dir.filePath("missing.jpg"),
                               dir.path(), dir.filePath("pipe.jpg"), write("b.jpeg", jpeg)};
    const auto all = Container::getNewRegularFileWrapperContainersForImages(paths);
    ASSERT_EQ(all.size(), paths.size());
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(all[i] || Container::getNewRegularFileWrapperContainerForImage(paths[i])) << qPrintable(paths[i]);
    ASSERT_TRUE(all.last());
    EXPECT_EQ(all.last()->md5(), a->md5());
}

TEST(PictureContainer, BatchProxiesMatchSingleOnes)
{
    QList<Container> owned;
    for (int i = 0; i < 12; ++i)
        owned.append(Container(withOrientation(encode(detailed(400 + 40 * i, 300), "JPEG"), i % 8 + 1), {}));
    owned.append(Container("not a picture", {}));
    QList<Container*> batch = {nullptr};
    for (auto& c : owned)
        batch << &c << &c;
    Container::makeDrawingSizeImages(batch);
    for (qsizetype i = 0; i < owned.size(); ++i) {
        EXPECT_EQ(owned[i].hasDrawingSizeImage(), i < 12);
        const QImage single = Container(owned[i].regularFileContents(), {}).getDrawingSizeImage();
        EXPECT_EQ(owned[i].getDrawingSizeImage(), single) << i;
    }
}

TEST(PictureContainer, TheProxiesOfADocumentStayWithinTheirMemory)
{
    // Four ordinary pictures and one tall one; the budget holds all but the tall.
    CollageDocument doc;
    QList<std::shared_ptr<Container>> containers;
    for (int i = 0; i < 4; ++i)
        containers.append(std::make_shared<Container>(encode(plain(1200, 800, QColor::fromHsv(i * 60, 200, 200)), "PNG"),
                                                      QStringLiteral("%1.png").arg(i)));
    containers.append(std::make_shared<Container>(encode(plain(1000, 6000), "PNG"), QStringLiteral("tall.png")));
    qint64 ordinary = 0;
    for (const auto& c : containers) {
        c->getDrawingSizeImage();
        ordinary += c == containers.last() ? 0 : c->drawingImageBytes();
    }
    doc.addImages(containers);
    const qint64 budget = ordinary + 1'000'000;
    const QStringList changed = doc.boundDrawingImageMemory(budget);
    qint64 total = 0;
    for (const auto& c : containers)
        total += c->drawingImageBytes();
    EXPECT_LE(total, budget);
    EXPECT_EQ(changed, QStringList{*containers.last()->md5()}) << "the largest gives way first";
    EXPECT_EQ(containers.last()->getDrawingSizeImage().size(), QSize(200, 1200)) << "halved, aspect kept";
    EXPECT_EQ(containers.first()->getDrawingSizeImage().size(), QSize(600, 400));
    EXPECT_TRUE(doc.boundDrawingImageMemory(budget).isEmpty()) << "within the budget nothing changes";
}

TEST(PictureContainer, BatchesDecodeOffTheMainThread)
{
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < 6; ++i) {
        paths << dir.filePath(QStringLiteral("%1.png").arg(i));
        QFile file(paths.last());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(encode(plain(300, 200, QColor::fromHsv(i * 50, 200, 200)), "PNG"));
    }
    std::atomic<int> onMain = 0;
    Container::BatchControl control;
    control.made = [&onMain](qsizetype, Container&) {
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            ++onMain;
    };
    const auto made = Container::getNewRegularFileWrapperContainersForImages(paths, control);
    EXPECT_EQ(std::count_if(made.cbegin(), made.cend(), [](const auto& c) { return c != nullptr; }), 6);
    EXPECT_EQ(onMain, 0);
}

TEST(PictureContainer, ProxiesArePlannedWithinTheBudgetBeforeTheyAreDecoded)
{
    // The plan halves the largest first, as a bound on memory would after.
    struct Row {
        std::vector<QSize> sizes;
        qint64 budget;
        std::vector<QSize> planned;
    };
    const Row rows[] = {
        {{{600, 400}, {600, 400}}, 2 * 960'000, {{600, 400}, {600, 400}}},
        {{{600, 400}, {600, 3600}}, 3'200'000, {{600, 400}, {300, 1800}}},
        {{{600, 400}, {600, 3600}}, 3'000'000, {{600, 400}, {150, 900}}},
        {{{600, 400}, {600, 400}}, 960'000, {{300, 200}, {300, 200}}},
        {{{600, 400}, {}, {3, 1}}, 1, {{1, 1}, {}, {1, 1}}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Container::sizesWithinBudget(row.sizes, row.budget), row.planned) << row.budget;

    // A document of twelve pictures whose full proxies take 5.8 MB, in 2 MB:
    // made within it, so that a bound afterwards has nothing left to do.
    CollageDocument doc;
    doc.setDrawingImageBudget(2'000'000);
    QStringList md5s;
    for (int i = 0; i < 12; ++i) {
        auto c = std::make_shared<Container>(encode(plain(400, 300, QColor::fromHsv(i * 30, 200, 200)), "JPEG"),
                                             QStringLiteral("%1.jpg").arg(i));
        md5s << *c->md5();
        doc.addImage(c);
    }
    doc.makeDrawingSizeImages(md5s);
    EXPECT_LE(doc.drawingImageBytes(), 2'000'000);
    EXPECT_TRUE(doc.boundDrawingImageMemory().isEmpty());
    // 11 halved, one kept whole: 1.8 MB.
    int whole = 0;
    for (const QString& md5 : md5s) {
        const QSize size = doc.getDrawingSizeImage(md5).size();
        whole += size == QSize(400, 300) ? 1 : 0;
        EXPECT_TRUE(size == QSize(400, 300) || size == QSize(200, 150)) << size.width();
    }
    EXPECT_EQ(whole, 1);

    // Files added later are planned beside the proxies kept.
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < 4; ++i) {
        paths << dir.filePath(QStringLiteral("new%1.png").arg(i));
        QFile file(paths.last());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(encode(plain(400, 300, QColor::fromHsv(i * 80, 90, 200)), "PNG"));
    }
    Container::BatchControl control;
    control.planDrawingSizes = doc.drawingSizePlan();
    for (const auto& made : Container::getNewRegularFileWrapperContainersForImages(paths, control)) {
        ASSERT_TRUE(made);
        EXPECT_EQ(made->getDrawingSizeImage().size(), QSize(200, 150));
        doc.addImage(made);
    }
    doc.boundDrawingImageMemory(); // the one kept whole gives way
    EXPECT_LE(doc.drawingImageBytes(), 2'000'000);
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(QF_UNDER_SANITIZERS)
// Memory running out while a proxy is decoded (here under a limit on the
// address space, in a child process) is no damage: the picture gets a
// stand-in and keeps its bytes.
TEST(PictureContainerDeathTest, MemoryRunningOutIsNoDamage)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QByteArray png = encode(plain(6000, 6000), "PNG");
    EXPECT_EXIT(
        {
            Container c(png, {});
            rlimit limit{};
            getrlimit(RLIMIT_AS, &limit);
            QFile statm(QStringLiteral("/proc/self/statm"));
            if (!statm.open(QIODevice::ReadOnly))
                std::_Exit(2);
            const qint64 pages = statm.readAll().split(' ').first().toLongLong();
            limit.rlim_cur = rlim_t(pages * 4096 + (24 << 20)); // a 6000 x 6000 picture takes 144 MB
            if (setrlimit(RLIMIT_AS, &limit) != 0)
                std::_Exit(3);
            Container::makeDrawingSizeImages({&c});
            const bool standIn = c.drawingImageIsStandIn() && c.hasDrawingSizeImage()
                              && c.getDrawingSizeImage().width() == c.getDrawingSizeImage().height()
                              && c.regularFileContents() == png;
            std::_Exit(standIn ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
#endif
