#include "model/UtilityFunctions.h"

#include "platform/graphics/GraphicsContext.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace qf;

namespace {

QList<QPointF> corners(const QPainterPath& path)
{
    QList<QPointF> out;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPointF p = path.elementAt(i);
        if (out.isEmpty() || out.last() != p)
            out.append(p);
    }
    return out;
}

} // namespace

TEST(PictureOutlines, PolygonalShapesHaveTheirVertices)
{
    const QRectF r(10, 20, 200, 100);
    const struct {
        qint64 shape;
        QList<QPointF> vertices;
    } rows[] = {
        {2, {{110, 20}, {210, 70}, {110, 120}, {10, 70}}},
        {3, {{60, 20}, {160, 20}, {210, 70}, {160, 120}, {60, 120}, {10, 70}}},
        {7, {{110, 120}, {10, 20}, {210, 20}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shape);
        const QList<QPointF> got = corners(UtilityFunctions::getPictureEnclosingPathForDrawingRect(r, row.shape));
        for (const QPointF& v : row.vertices)
            EXPECT_TRUE(got.contains(v)) << v.x() << ", " << v.y();
    }
    // The octagon's corner cut is taken from the width on both axes.
    const double d = 200 / (2 + std::sqrt(2.0));
    EXPECT_NEAR(d, 58.5786, 1e-4);
    const QList<QPointF> octagon = corners(UtilityFunctions::getPictureEnclosingPathForDrawingRect(r, 6));
    EXPECT_TRUE(octagon.contains(QPointF(10 + d, 20)));
    EXPECT_TRUE(octagon.contains(QPointF(210, 20 + d)));
    // Two points make a closed, degenerate path; fewer make none.
    EXPECT_FALSE(UtilityFunctions::getBezierPathFromPts({{0, 0}, {5, 0}}, 0).isEmpty());
    EXPECT_TRUE(UtilityFunctions::getBezierPathFromPts({{0, 0}}, 0).isEmpty());
    // An unknown shape is the plain picture.
    EXPECT_EQ(UtilityFunctions::getPictureEnclosingPathForDrawingRect(r, 42).boundingRect(), r);
}

TEST(PictureOutlines, TheHeartHangsFromTheTopEdge)
{
    const QPainterPath heart = UtilityFunctions::getPictureEnclosingPathForDrawingRect(QRectF(0, 0, 1, 1), 5);
    EXPECT_NEAR(heart.elementAt(0).x, 0.74182, 1e-12);
    EXPECT_NEAR(heart.elementAt(0).y, 0.95052, 1e-12);
    EXPECT_NEAR(heart.boundingRect().top(), 1 - 0.92498, 2e-3) << "lowest y, near the rectangle's bottom";
    EXPECT_TRUE(heart.contains(QPointF(0.3, 0.8)) && heart.contains(QPointF(0.7, 0.8))) << "the lobes";
    EXPECT_FALSE(heart.contains(QPointF(0.5, 0.97))) << "between the lobes";
}

TEST(PictureOutlines, TrianglesPointTheRightWayInAYUpImage)
{
    // Filled through the drawing context (y up): the apex of shape 7 is at
    // the top of the picture, that of shape 8 at the bottom.
    for (const qint64 shape : {7, 8}) {
        QImage out = GraphicsContext::newBitmap(QSize(100, 100));
        {
            GraphicsContext context(out);
            context.setFillColor(Qt::black);
            context.fillPath(UtilityFunctions::getPictureEnclosingPathForDrawingRect(QRectF(0, 0, 100, 100), shape));
        }
        const bool apexUp = shape == 7;
        // Image rows grow downwards: row 5 is near the top.
        EXPECT_EQ(qAlpha(out.pixel(5, 5)) > 0, !apexUp) << shape;
        EXPECT_EQ(qAlpha(out.pixel(5, 94)) > 0, apexUp) << shape;
    }
}

TEST(PictureOutlines, StampNotchesBiteIntoEveryEdge)
{
    const QRectF r(0, 0, 300, 200);
    const QPainterPath stamp = UtilityFunctions::getStampBezierPath(r);
    const double u = double(std::sqrt(float(300 * 300 + 200 * 200))) / 24;
    const double notchDepth = 0.4 * u / 2; // inside a notch, halfway down its radius
    // Count the notches by walking just inside each edge: in a notch the
    // point is outside the path.
    const auto count = [&](QPointF from, QPointF step, int steps) {
        int notches = 0;
        bool inside = true;
        for (int i = 0; i < steps; ++i) {
            const bool now = stamp.contains(from + step * i);
            if (inside && !now)
                ++notches;
            inside = now;
        }
        return notches;
    };
    EXPECT_EQ(count({0, notchDepth}, {0.25, 0}, 1200), 19) << "bottom";
    EXPECT_EQ(count({0, 200 - notchDepth}, {0.25, 0}, 1200), 19) << "top";
    EXPECT_EQ(count({notchDepth, 0}, {0, 0.25}, 800), 13) << "left";
    EXPECT_EQ(count({300 - notchDepth, 0}, {0, 0.25}, 800), 13) << "right";
    // A notch's centre is outside; the middle of the stamp inside.
    EXPECT_FALSE(stamp.contains(QPointF(0.1 * u + 0.2 * u + 0.4 * u, 0.01)));
    EXPECT_TRUE(stamp.contains(QPointF(150, 100)));
    // Sides too short for a notch: the plain rectangle.
    EXPECT_EQ(UtilityFunctions::getStampBezierPath(QRectF(0, 0, 1, 1)).boundingRect(), QRectF(0, 0, 1, 1));
}
