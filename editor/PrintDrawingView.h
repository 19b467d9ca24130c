#pragma once

#include <QRectF>
#include <QSizeF>

#include <functional>

class QPaintDevice;

namespace qf {

class GraphicsContext;

// What a print job draws: its delegate draws the collage for output at the
// view's size, and the view fits that into a page area. A painter target
// without a widget.
class PrintDrawingView {
public:
    // Draws at the size (drawing units) into the context; false for nothing drawn.
    using Delegate = std::function<bool(GraphicsContext&, QSizeF)>;

    PrintDrawingView(QSizeF frameSize, Delegate delegate);

    QSizeF frameSize() const { return m_frameSize; }
    // Draws into `target` (device units) of the device, which must have no
    // painter open; false when nothing was drawn.
    bool drawRect(QPaintDevice* device, const QRectF& target) const;

private:
    QSizeF m_frameSize;
    Delegate m_delegate;
};

} // namespace qf
