#include "platform/vision/OpenCvFaceDetector.h"

#include <gtest/gtest.h>

using namespace qf;

TEST(OpenCvFaceDetector, FindsTheFaceInAPhotographAtAnySize)
{
    const QImage photo(QStringLiteral(QF_TEST_DATA_DIR "/astronaut.jpg"));
    // Brows to chin, ear to ear, measured by eye in the 600 x 600 photograph.
    const QRectF face(200, 85, 120, 125);
    OpenCvFaceDetector detector;
    ASSERT_TRUE(detector.isUsable()) << "the frontal-face cascade of opencv-data is not installed";

    for (const int side : {600, 2400}) { // big pictures are searched scaled down
        const QList<QRectF> faces = detector.detectFaces(photo.scaled(side, side));
        ASSERT_EQ(faces.size(), 1) << side;
        const QPointF centre = faces[0].center() * 600 / side;
        EXPECT_TRUE(face.contains(centre)) << side << ": " << centre.x() << ", " << centre.y();
    }

    OpenCvFaceDetector missing(QStringLiteral("/nonexistent/cascade.xml"));
    EXPECT_FALSE(missing.isUsable());
    EXPECT_TRUE(missing.detectFaces(photo).isEmpty());
    OpenCvFaceDetector broken(QStringLiteral(QF_TEST_DATA_DIR "/README.md"));
    EXPECT_TRUE(broken.detectFaces(photo).isEmpty());
}
