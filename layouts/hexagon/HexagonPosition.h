#pragma once

#include "model/Position.h"

#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

namespace qf {

// A cell of the hexagon collage: its place in the honeycomb, half-height row
// `rowIndex` and column `colIndex`. The geometry is in pixels of a W x H
// drawing (y up) for side length a and the collage's R x C grid; the
// honeycomb is centred on the drawing.
class HexagonPosition : public Position {
public:
    HexagonPosition() = default;
    HexagonPosition(const QString& picture, qint64 rowIndex, qint64 colIndex)
        : Position(picture)
        , m_rowIndex(rowIndex)
        , m_colIndex(colIndex)
    {
    }

    // The collage looks its cells up by place: move a cell that is already
    // in a collage's list by replacing it there, not by these setters.
    qint64 rowIndex() const { return m_rowIndex; }
    void setRowIndex(qint64 v) { m_rowIndex = v; }
    qint64 colIndex() const { return m_colIndex; }
    void setColIndex(qint64 v) { m_colIndex = v; }

    // The six corners of the hexagon at place (row, col), flat bottom first,
    // counter-clockwise: (x0, y0), (x0 + a, y0), (x0 + 1.5a, y0 + h),
    // (x0 + a, y0 + 2h), (x0, y0 + 2h), (x0 - 0.5a, y0 + h), h = a * sqrt(3) / 2.
    static QList<QPointF> cornersOfPlace(qint64 row, qint64 col, double sideLength, double width, double height,
                                         qint64 rowCount, qint64 columnCount);

    QList<QPointF> getBoundingVertices(double sideLength, double width, double height, qint64 rowCount,
                                       qint64 columnCount) const;
    // The bounding rectangle of the corners: 2a x sqrt(3)a.
    QRectF getPositionRect(double sideLength, double width, double height, qint64 rowCount,
                           qint64 columnCount) const;
    // The corners moved inwards by the spacing, and then by the border width.
    QList<QPointF> getDrawVertices(double spacingWidth, double sideLength, double width, double height,
                                   qint64 rowCount, qint64 columnCount) const;
    QList<QPointF> getPictureContainingVertices(double spacingWidth, double strokeWidth, double sideLength,
                                                double width, double height, qint64 rowCount,
                                                qint64 columnCount) const;
    static QList<QPointF> getVerticesMovedInsideBy(double distance, const QList<QPointF>& vertices);
    // The frame's outline through the draw corners, rounded by `radius`.
    QPainterPath getDrawBezierPath(double spacingWidth, double sideLength, double radius, double width,
                                   double height, qint64 rowCount, qint64 columnCount) const;
    // The outline the picture is clipped to, rounded by radius - strokeWidth
    // (sharp when the border is wider than the radius).
    QPainterPath getPictureContainingBezierPath(double spacingWidth, double strokeWidth, double sideLength,
                                                double radius, double width, double height, qint64 rowCount,
                                                qint64 columnCount) const;
    // The rectangle the picture is drawn into: the bounds of the picture corners.
    QRectF getPictureContainingRect(double spacingWidth, double strokeWidth, double sideLength, double width,
                                    double height, qint64 rowCount, qint64 columnCount) const;

    // "hxrin" and "hxcin" after the base keys; each read when present.
    void addMyPropertiesTo(QJsonObject& dict) const override;
    void setMyPropertiesFrom(const QJsonObject& dict) override;

private:
    qint64 m_rowIndex = 0;
    qint64 m_colIndex = 0;
};

} // namespace qf
