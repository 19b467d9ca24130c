#pragma once

#include "model/Position.h"

#include <QPointF>

#include <optional>

namespace qf {

// A picture of a pile: where its centre lies (fractions of the canvas width
// and height, y up), its tilt (radians, anticlockwise), its width as a
// fraction of the canvas width, the crop aspect chosen for it, and the
// outline it is cut to (-1 the plain photo, 0..8 the picture shapes). An
// empty one is a placeholder that keeps its place, size and aspect. The
// stacking order is the slots' order: the first at the back.
class PilePosition : public Position {
public:
    PilePosition() = default;
    PilePosition(const QString& picture, QPointF center, double rotation, double scale, qint64 shape = -1)
        : Position(picture)
        , m_center(center)
        , m_rotation(rotation)
        , m_scale(scale)
        , m_shape(shape)
    {
    }

    QPointF center() const { return m_center; }
    void setCenter(QPointF center) { m_center = center; }
    double rotation() const { return m_rotation; }
    void setRotation(double rotation) { m_rotation = rotation; }
    double scale() const { return m_scale; }
    void setScale(double scale) { m_scale = scale; }
    const std::optional<double>& widthToHeight() const { return m_widthToHeight; }
    void setWidthToHeight(std::optional<double> aspect) { m_widthToHeight = aspect; }
    qint64 shape() const { return m_shape; }
    void setShape(qint64 shape) { m_shape = shape; }

    // "pipc", "pipr", "pips", "pipswtoh" (only a crop aspect above 0) and
    // "ppshap" after the base keys. Reading keeps only finite numbers: a
    // scale or crop aspect above 0, a shape of -1..8 (else -1), a rotation
    // brought within one turn.
    void addMyPropertiesTo(QJsonObject& dict) const override;
    void setMyPropertiesFrom(const QJsonObject& dict) override;

private:
    QPointF m_center;
    double m_rotation = 0;
    double m_scale = 0;
    std::optional<double> m_widthToHeight;
    qint64 m_shape = -1;
};

} // namespace qf
