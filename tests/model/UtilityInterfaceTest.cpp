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
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(Qt::gray);
    EXPECT_EQ(centroidWith({QRectF(50, 50, 100, 100), QRectF(250, 60, 100, 80)}, image), QPointF(0.5, 0.5));
    EXPECT_EQ(centroidWith({QRectF(20, 10, 40, 20)}, image), QPointF(0.1, 0.9)); // near the top
    EXPECT_EQ(centroidWith({}, image), QPointF(-1, -1));
    EXPECT_EQ(centroidWith({QRectF(20, 10, 40, 20)}, QImage()), QPointF(-1, -1));
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
