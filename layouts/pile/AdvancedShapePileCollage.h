#pragma once

#include "layouts/pile/PileCollage.h"

#include <QList>

namespace qf {

// One cell of the shape pile's split of the canvas: its centre and the
// picture's nominal width, all in units of the canvas width (both axes).
struct CircleSpreadHelperPos {
    double cx = 0;
    double cy = 0;
    double size = 0;

    friend bool operator==(const CircleSpreadHelperPos&, const CircleSpreadHelperPos&) = default;
};

// The shape pile: pictures cut to outlines (oval, diamond, hexagons, heart
// and the others, or the plain photo), upright, each in its own cell of a
// recursive random split of the canvas. Pictures have no filled frame, only
// a stroke around their outline.
class AdvancedShapePileCollage : public PileCollage {
public:
    AdvancedShapePileCollage();

    static const KVKeyTable& keyTable();

    bool needsBorderFill() const override { return false; }
    // The shape most slots have (ties to the lowest shape number); the oval
    // for an empty pile.
    qint64 shapeToUseForNewPosition() const override;
    // Pictures stay upright.
    double anotherRandomRotation() override { return 0.0; }
    // Pictures here have no frame to fill, so nothing should ask for one;
    // a request is logged and answered with the plain grown rectangle.
    QPainterPath getBorderEnclosingPathForDrawingRect(const QRectF& rect, double borderWidth) const override;

    // One slot per cell of a random split of the canvas, stacking order,
    // tilt, shape and crop kept.
    void spreadout() override;
    // Splits the w x h box at (x, y) into n cells of equal-area halves,
    // recursively: the first half's cells, then the second's.
    static QList<CircleSpreadHelperPos> spreadWithOriginX(double x, double y, double w, double h, qint64 n);

    // The selected slot (or every slot) takes the shape; a slot whose shape
    // changes loses its crop window and crop aspect, then gets a fresh
    // face-centred window. Shapes outside -1..8 are ignored.
    void shapeChangeSelectedTo(qint64 shape);
    void shapeChangeAllTo(qint64 shape);

    // What the editor offers for the shape pile: the pile's commands with
    // the two shape menus, and its frame box.
    static QList<CollageCommand> commands();
    static SettingsBox bordersBox();

    // A project carrying "cppattinc" opens with every slot an oval.
    void setMyPropertiesFrom(const QJsonObject& dict) override;

protected:
    const KVKeyTable& kvKeyTable() const override { return keyTable(); }
};

} // namespace qf
