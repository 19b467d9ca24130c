#pragma once

#include "model/Position.h"

#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace qf {

// A cell of a zig mosaic: a convex polygon whose vertices are fractions of
// the canvas width and height (y up). Side i joins vertex i and the next one.
//
// A vertex list that cannot describe an area (fewer than three vertices,
// more than kMaxVertices, numbers that are not finite or lie far off the
// canvas) is not usable: the collage drops such cells when it reads a
// project and refuses them when typed. A cell that has one all the same
// has no geometry: it is drawn and hit as nothing.
class PolygonPosition : public Position {
public:
    // The most vertices a cell keeps; a longer list read from a file leaves
    // the cell without vertices.
    static constexpr qsizetype kMaxVertices = 64;
    // How far off the canvas, in canvas sizes, a vertex may lie.
    static constexpr double kFarthest = 1000.0;

    // Three to kMaxVertices vertices, every coordinate finite and within
    // kFarthest.
    static bool usableVertices(const QList<QPointF>& vertices);

    PolygonPosition() = default;
    PolygonPosition(const QString& picture, const QList<QPointF>& vertices);

    const QList<QPointF>& vertices() const { return m_vertices; }
    void setVertices(const QList<QPointF>& vertices)
    {
        m_vertices = vertices;
        touchGeometry();
    }
    // A number that changes whenever any cell's vertices change, so that
    // what a collage derives from all its cells knows when to work it out again.
    static quint64 geometryGeneration();

    // Whether the vertices describe a drawable polygon (see above).
    bool hasGeometry() const { return usableVertices(m_vertices); }

    // Bounding rectangle of the vertices, in fractions.
    QRectF positionRect() const;
    // Width over height of positionRect (fractions, not pixels).
    double getWidthToHeightRatio() const;

    // The longest and shortest sides at W x H in pixels and their indexes;
    // the first of equal sides wins. All zero with fewer than two vertices.
    struct SideExtremes {
        double biggest = 0;
        double smallest = 0;
        qsizetype biggesti = 0;
        qsizetype smallesti = 0;
    };
    SideExtremes getSmallesAndBiggestSideWidth(double width, double height) const;

    // Geometry in pixels of a W x H drawing; s the spacing width, t the
    // stroke width, r the corner radius. Empty for a cell without geometry.
    //
    // The drawn outline: vertices on the canvas edge pulled in by s first, so
    // that outer cells keep the same 2s margin as neighbours keep between
    // them, then every side moved inwards by s.
    QList<QPointF> getDrawVerticesWidth(double width, double height, double spacingWidth) const;
    // The outline of the picture inside the border: the drawn outline moved
    // inwards again by t.
    QList<QPointF> getPictureContainingVerticesWidth(double width, double height, double spacingWidth,
                                                     double strokeWidth) const;
    // Every side of a convex polygon moved inwards by d, in either winding.
    static QList<QPointF> getVerticesMovedInsideBy(double distance, const QList<QPointF>& vertices);
    QPainterPath getBezierPath(double width, double height, double spacingWidth, double radiusSize) const;
    QPainterPath getPictureContainingBezierPathSpacingWidth(double spacingWidth, double strokeWidth,
                                                            double radiusSize, double width, double height) const;
    // Bounding rectangle of the picture outline.
    QRectF getDrawRectSpacingWidth(double spacingWidth, double strokeWidth, double width, double height) const;
    // An upright rectangle inside the drawn outline: the outline's bounding
    // rectangle shrunk about the mean of the drawn vertices until its corners
    // touch the outline. It never reaches into a neighbour.
    QRectF getInsideRectWidth(double width, double height, double spacingWidth) const;
    // A button of `size` centred on the mean of the drawn vertices, or the
    // zero rectangle when it does not lie wholly inside the drawn outline.
    QRectF getImagePickerRectOfSize(QSizeF size, double width, double height, double spacingWidth) const;

    // Logs every vertex, for debugging.
    void printVertices() const;

    // "pvs": the vertices as point objects, always written. Reading starts
    // from no vertices; a list holding anything but point objects with two
    // finite numbers, or more than kMaxVertices of them, leaves none.
    void addMyPropertiesTo(QJsonObject& dict) const override;
    void setMyPropertiesFrom(const QJsonObject& dict) override;

private:
    static void touchGeometry();
    QList<QPointF> m_vertices;
};

} // namespace qf
