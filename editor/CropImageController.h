#pragma once

#include "model/PanZoomPos.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

namespace qf {

// What the crop sheet answers: the frame's width over height and the crop
// window (fractions of the picture).
struct CropResult {
    double widthToHeight = 1.0;
    PanZoomPos crop;
};

// The crop sheet's state without widgets: where the picture sits in the view,
// the crop frame, and the mouse gestures that move and resize the frame.
//
// Sheet coordinates have y upwards and their origin at the bottom left of
// the drawn picture, which covers (0, 0) to (drawW, drawH). The view maps
// them with origin() and its own height.
class CropImageController {
public:
    enum Handle { NoHandle = 0, LeftEdge = 1, RightEdge = 2, TopEdge = 3, BottomEdge = 4, WholeFrame = 5 };

    static constexpr double kViewInset = 3.0;
    static constexpr double kHandleTolerance = 4.0;
    static constexpr double kMinimumSide = 20.0;

    // A new crop of a picture of size `image`. A ratio that is not a
    // positive number counts as none; a fixed aspect without one cannot be
    // honoured: that logs and answers false, and nothing starts. The layout
    // is redone at the next layOut().
    bool start(QSizeF image, std::optional<double> widthToHeight, std::optional<PanZoomPos> crop,
               bool constrainAspect, qint64 shape);

    // Fits the picture into the view (inset by 3 on every side) and places
    // the starting frame; only once per start.
    void layOut(QSizeF viewSize);
    bool isLaidOut() const { return !m_drawInRect.isEmpty(); }

    QSizeF imageSize() const { return m_image; }
    QRectF drawInRect() const { return m_drawInRect; }
    QPointF origin() const { return m_origin; }
    QRectF frame() const { return m_frame; }
    void setFrame(const QRectF& frame) { m_frame = frame; }
    qint64 shape() const { return m_shape; }
    bool constrainsAspect() const { return m_constrain; }
    Handle handle() const { return m_handle; }

    // The locked ratio: the fixed one, else the frame's own.
    double woh() const;
    // "Width/Height: 1.50" for a free frame; empty for a fixed aspect.
    QString displayWtoH() const;
    // Removing the crop is offered for plain photos without a fixed aspect.
    bool offersRemoveCrop() const { return m_shape == -1 && !m_constrain; }

    // A point of the view (y down, view height `viewHeight`) in sheet coordinates.
    QPointF sheetPoint(QPointF viewPoint, double viewHeight) const;

    Handle hitTest(QPointF p) const;
    Handle mouseDown(QPointF p);
    // True when the frame changed. Shift locks the frame's ratio.
    bool mouseDragged(QPointF p, bool shift);
    void mouseUp(QPointF p);

    // Inside the picture (with a hair of slack) and wider and taller than 20.
    bool isAValidFrameRect(const QRectF& rect) const;

    CropResult result() const;

private:
    QSizeF m_image;
    std::optional<double> m_wtoh;
    std::optional<PanZoomPos> m_panZoom;
    bool m_constrain = false;
    qint64 m_shape = -1;
    QRectF m_drawInRect;
    QPointF m_origin;
    QRectF m_frame;
    Handle m_handle = NoHandle;
    QPointF m_previous;
    QPointF m_current;
};

} // namespace qf
