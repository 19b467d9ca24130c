#include "model/UtilityFunctions.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/vision/FaceDetector.h"

#include <gtest/gtest.h>

using namespace qf;
using U = UtilityFunctions;

namespace {

class FixedFaces final : public FaceDetector {
public:
    explicit FixedFaces(QList<QRectF> faces) : m_faces(std::move(faces)) {}
    QList<QRectF> detectFaces(const QImage&) override { return m_faces; }

private:
    QList<QRectF> m_faces;
};

QPointF centroidWith(const QList<QRectF>& faces, const QImage& image)
{
    FixedFaces detector(faces);
    ScopedFaceDetector guard(detector);
    return U::faceCentroidInImage(image);
}

} // namespace

TEST(FaceCentroid, MeanFaceCentreWithYFromTheBottom)
{
    QImage image(800, 400, QImage::Format_RGB32);
    image.fill(Qt::gray);
    EXPECT_EQ(centroidWith({QRectF(100, 100, 200, 200), QRectF(500, 120, 200, 160)}, image), QPointF(0.5, 0.5));
    EXPECT_EQ(centroidWith({QRectF(40, 20, 80, 40)}, image), QPointF(0.1, 0.9)); // near the top
    EXPECT_EQ(centroidWith({}, image), QPointF(-1, -1));
    EXPECT_EQ(centroidWith({QRectF(40, 20, 80, 40)}, QImage()), QPointF(-1, -1));
}

TEST(FaceCentroid, RealDetector)
{
    // The face spans x 200..320 and y 85..210 (down) of the 600 x 600 photograph.
    const QPointF c = U::faceCentroidInImage(QImage(QStringLiteral(QF_TEST_DATA_DIR "/astronaut.jpg")));
    const QRectF face(200.0 / 600, 1 - 210.0 / 600, 120.0 / 600, 125.0 / 600);
    EXPECT_TRUE(face.contains(c)) << c.x() << ", " << c.y();

    QImage gradient(600, 400, QImage::Format_RGB32);
    for (int y = 0; y < gradient.height(); ++y)
        for (int x = 0; x < gradient.width(); ++x)
            gradient.setPixel(x, y, qRgb(x * 255 / 599, y * 255 / 399, 128));
    EXPECT_EQ(U::faceCentroidInImage(gradient), QPointF(-1, -1));
    EXPECT_EQ(U::faceCentroidInImage(QImage()), QPointF(-1, -1));
}

TEST(FaceCentroid, SmallPicturesAreSearchedScaledUp)
{
    // The detector is handed the picture at least 600 wide (within a longest
    // side of 2400); the centroid stays in fractions of the picture.
    class SizeNoting final : public FaceDetector {
    public:
        QSize seen;
        QList<QRectF> detectFaces(const QImage& image) override
        {
            seen = image.size();
            return {QRectF(0, 0, image.width() / 2.0, image.height() / 2.0)};
        }
    };
    const struct {
        QSize picture, searched;
    } rows[] = {
        {{548, 411}, {600, 450}}, {{600, 400}, {600, 400}}, {{2000, 100}, {2000, 100}},
        {{100, 2000}, {120, 2400}}, {{10, 10000}, {10, 10000}}, {{1, 1}, {600, 600}},
    };
    for (const auto& row : rows) {
        SizeNoting detector;
        ScopedFaceDetector guard(detector);
        QImage image(row.picture, QImage::Format_RGB32);
        image.fill(Qt::gray);
        EXPECT_EQ(U::faceCentroidInImage(image), QPointF(0.25, 0.75)) << row.picture.width();
        EXPECT_EQ(detector.seen, row.searched) << row.picture.width();
    }

    // The real detector, on a picture searched scaled up: the centroid is in
    // the picture's own fractions.
    const QImage photo = QImage(QStringLiteral(QF_TEST_DATA_DIR "/astronaut.jpg")).scaledToWidth(548, Qt::SmoothTransformation);
    const QPointF c = U::faceCentroidInImage(photo);
    const QRectF face(200.0 / 600, 1 - 210.0 / 600, 120.0 / 600, 125.0 / 600);
    EXPECT_TRUE(face.contains(c)) << c.x() << ", " << c.y();
}

TEST(InterfaceUtilities, HandleCursors)
{
    EXPECT_EQ(U::cursorFor(0), Cursor::fromShape(Qt::SizeHorCursor));
    EXPECT_EQ(U::cursorFor(7), Cursor::fromShape(Qt::SizeHorCursor));
    EXPECT_EQ(U::cursorFor(2), Cursor::fromShape(Qt::SizeVerCursor));
    EXPECT_EQ(U::cursorFor(3), Cursor::fromShape(Qt::SizeBDiagCursor));
    EXPECT_EQ(U::cursorFor(4), Cursor::fromShape(Qt::SizeFDiagCursor));
}

TEST(InterfaceUtilities, DashIsFiveOnTwoOffInUserUnits)
{
    QImage image(60, 10, QImage::Format_ARGB32_Premultiplied);
    GraphicsContext context(image, QSizeF(30, 5)); // two pixels a unit
    context.setLineWidth(2);
    const auto inked = [&](double x) { return qAlpha(image.pixel(int(x * 2), 5)) > 128; };
    U::addDashToContext(context);
    context.strokeLine(QPointF(0, 2.5), QPointF(30, 2.5));
    EXPECT_TRUE(inked(2.5) && inked(7.5));
    EXPECT_FALSE(inked(6) || inked(13)); // the gaps 5..7 and 12..14
    U::removeDashFromContext(context);
    context.strokeLine(QPointF(0, 2.5), QPointF(30, 2.5));
    EXPECT_TRUE(inked(6) && inked(13));
}

TEST(InterfaceUtilities, MessageBubble)
{
    QImage image(200, 100, QImage::Format_ARGB32_Premultiplied);
    GraphicsContext context(image);
    const QImage blank = image.copy();
    U::drawStringMessageOnDrawingView(context, QString(), QPointF(50, 40));
    EXPECT_EQ(image, blank);

    U::drawStringMessageOnDrawingView(context, QStringLiteral("45°"), QPointF(50, 40));
    const auto at = [&](int x, int yUp) { return image.pixel(x, image.height() - 1 - yUp); };
    int lowest = -1, highest = -1;
    for (int y = 0; y < image.height(); ++y) {
        if (qAlpha(at(48, y)) > 128) {
            lowest = lowest < 0 ? y : lowest;
            highest = y;
        }
    }
    // 4 below the text's line, 13-point DejaVu Sans (about 15 high; 20 at 96 dpi), 4 above.
    EXPECT_NEAR(lowest, 36, 1);
    EXPECT_NEAR(highest - lowest, 23, 2);
    EXPECT_EQ(at(48, 38), qRgba(0, 0, 0, 255));
    EXPECT_EQ(qAlpha(at(39, 45)), 0); // left of the box
    int white = 0;
    for (int y = 40; y < 55; ++y)
        for (int x = 50; x < 80; ++x)
            white += qRed(at(x, y)) > 200;
    EXPECT_GT(white, 20);
}
