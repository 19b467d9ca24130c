#include "layouts/hexagon/HexagonPosition.h"

#include "layouts/common/CellGeometry.h"
#include "model/UtilityFunctions.h"
#include "platform/json/JsonValues.h"

#include <algorithm>

namespace qf {

namespace {

const QString kRowIndexKey = QStringLiteral("hxrin");
const QString kColIndexKey = QStringLiteral("hxcin");

constexpr double kSqrt3 = 1.7320508075688772;

} // namespace

QList<QPointF> HexagonPosition::cornersOfPlace(qint64 row, qint64 col, double a, double width, double height,
                                               qint64 rowCount, qint64 columnCount)
{
    const double h = kSqrt3 * a / 2;
    const double ox = (width - (1.5 * double(columnCount) + 0.5) * a) / 2;
    const double oy = (height - double(rowCount + 1) * h) / 2;
    const double x0 = ox + (1.5 * double(col) + 0.5) * a;
    const double y0 = oy + double(row) * h;
    return {{x0, y0},          {x0 + a, y0},     {x0 + 1.5 * a, y0 + h},
            {x0 + a, y0 + 2 * h}, {x0, y0 + 2 * h}, {x0 - 0.5 * a, y0 + h}};
}

QList<QPointF> HexagonPosition::getBoundingVertices(double a, double width, double height, qint64 rowCount,
                                                    qint64 columnCount) const
{
    return cornersOfPlace(m_rowIndex, m_colIndex, a, width, height, rowCount, columnCount);
}

QRectF HexagonPosition::getPositionRect(double a, double width, double height, qint64 rowCount,
                                        qint64 columnCount) const
{
    return UtilityFunctions::getBoundingRectOfPts(getBoundingVertices(a, width, height, rowCount, columnCount));
}

QList<QPointF> HexagonPosition::getDrawVertices(double s, double a, double width, double height, qint64 rowCount,
                                                qint64 columnCount) const
{
    return getVerticesMovedInsideBy(s, getBoundingVertices(a, width, height, rowCount, columnCount));
}

QList<QPointF> HexagonPosition::getPictureContainingVertices(double s, double t, double a, double width,
                                                             double height, qint64 rowCount,
                                                             qint64 columnCount) const
{
    return getVerticesMovedInsideBy(t, getDrawVertices(s, a, width, height, rowCount, columnCount));
}

QList<QPointF> HexagonPosition::getVerticesMovedInsideBy(double distance, const QList<QPointF>& vertices)
{
    return CellGeometry::movedInside(distance, vertices);
}

QPainterPath HexagonPosition::getDrawBezierPath(double s, double a, double radius, double width, double height,
                                                qint64 rowCount, qint64 columnCount) const
{
    return UtilityFunctions::getBezierPathFromPts(getDrawVertices(s, a, width, height, rowCount, columnCount),
                                                  radius);
}

QPainterPath HexagonPosition::getPictureContainingBezierPath(double s, double t, double a, double radius,
                                                             double width, double height, qint64 rowCount,
                                                             qint64 columnCount) const
{
    return UtilityFunctions::getBezierPathFromPts(
        getPictureContainingVertices(s, t, a, width, height, rowCount, columnCount), std::max(0.0, radius - t));
}

QRectF HexagonPosition::getPictureContainingRect(double s, double t, double a, double width, double height,
                                                 qint64 rowCount, qint64 columnCount) const
{
    return UtilityFunctions::getBoundingRectOfPts(
        getPictureContainingVertices(s, t, a, width, height, rowCount, columnCount));
}

void HexagonPosition::addMyPropertiesTo(QJsonObject& dict) const
{
    Position::addMyPropertiesTo(dict);
    dict.insert(kRowIndexKey, m_rowIndex);
    dict.insert(kColIndexKey, m_colIndex);
}

void HexagonPosition::setMyPropertiesFrom(const QJsonObject& dict)
{
    Position::setMyPropertiesFrom(dict);
    // Any integer is kept: a place outside the grid is the collage's to judge.
    if (const auto row = json::integer(dict, kRowIndexKey))
        m_rowIndex = *row;
    if (const auto col = json::integer(dict, kColIndexKey))
        m_colIndex = *col;
}

} // namespace qf
