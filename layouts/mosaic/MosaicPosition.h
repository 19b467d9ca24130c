#pragma once

#include "model/Position.h"

#include <QRectF>

namespace qf {

// A slot of a mosaic: its rectangle in unit coordinates of the canvas
// (fractions of its width and height, origin bottom left, y up).
class MosaicPosition : public Position {
public:
    MosaicPosition() = default;
    MosaicPosition(const QString& picture, const QRectF& rect)
        : Position(picture)
        , m_positionRect(rect)
    {
    }

    const QRectF& positionRect() const { return m_positionRect; }
    void setPositionRect(const QRectF& rect) { m_positionRect = rect; }

    // The slot's longer side in pixels on a W x H canvas.
    double getSizeOfBiggerDimension(double width, double height) const
    {
        return std::max(m_positionRect.width() * width, m_positionRect.height() * height);
    }
    // Width over height of the unit rectangle; 0 for a slot without height.
    double getWidthToHeightRatio() const
    {
        return m_positionRect.height() > 0 ? m_positionRect.width() / m_positionRect.height() : 0.0;
    }

    // "mopr": the rectangle, always written; read when present.
    void addMyPropertiesTo(QJsonObject& dict) const override;
    void setMyPropertiesFrom(const QJsonObject& dict) override;

private:
    QRectF m_positionRect;
};

} // namespace qf
