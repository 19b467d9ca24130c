#pragma once

#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <functional>

namespace qf {

class Collage;
class GraphicsContext;
class PanZoomPos;
class Position;

// Draws picture slots the way every slot-based layout shows them: the
// border filled in the border colour, the picture clipped to the slot's inner
// outline, empty slots dashed with their pick-picture button, the selection
// frame, drop targets, the crop holders and the dragged picture. Layouts give
// the outlines (rounded rectangles, polygons); line widths are in drawing
// units and do not scale with the output size.
class SlotPainter {
public:
    SlotPainter(const Collage& collage, GraphicsContext& context, double width, double height);

    // The collage's picture shadow: everything drawn until endShadow() casts
    // one shadow (offset and blur scale with the drawing width). Nothing
    // when the collage draws no shadows.
    void beginShadow();
    void endShadow();

    // Border and picture through its crop window, at opacity `alpha`.
    void drawCroppedPicture(const QPainterPath& outer, const QPainterPath& inner, const QImage& image,
                            const QRectF& imageRect, PanZoomPos* crop, double alpha);
    // Border and the whole picture stretched into `imageRect`.
    void drawWholePicture(const QPainterPath& outer, const QPainterPath& inner, const QImage& image,
                          const QRectF& imageRect, double alpha);
    // Dashed outline, and the pick-picture button in `buttonRect` (drawn
    // pressed while held) unless the slot hides it or the button does not
    // fit (an empty rectangle).
    void drawEmptySlot(const QPainterPath& outer, const QRectF& buttonRect, const Position& slot, bool pressed);
    void drawSelectionFrame(const QPainterPath& outer);
    void drawDropTarget(const QPainterPath& outer);
    // The crop holders beside the selected slot (moved by `translateOffset`
    // and `zoomOffset` while dragged), and the plus mark on the slot's centre.
    void drawCropHolders(bool translate, QPointF translateOffset, bool zoom, QPointF zoomOffset,
                         QPointF slotCentre);

    // Two strokes of the same outline: a wide light one under a narrow one.
    void strokeTwice(const QPainterPath& path, const QColor& under, double underWidth, const QColor& over,
                     double overWidth);

    static QPainterPath roundedRect(const QRectF& rect, double radius);

private:
    // The border filled at `alpha`, then the picture clipped to `inner`.
    void drawFramed(const QPainterPath& outer, const QPainterPath& inner, double alpha,
                    const std::function<void()>& drawPicture);

    const Collage& m_collage;
    GraphicsContext& m_context;
    double m_width;
    double m_height;
    bool m_shadowOn = false;
};

} // namespace qf
