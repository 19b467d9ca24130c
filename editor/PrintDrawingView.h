#pragma once

#include <QRectF>
#include <QSizeF>

#include <functional>
#include <memory>

class QPaintDevice;

namespace qf {

class Collage;

// What a print job draws: the delegate's current collage for output (full
// pictures, no editing marks) at the view's size, fitted into a page area.
// A painter target without a widget.
class PrintDrawingView {
public:
    // The collage at the time of drawing; null draws nothing.
    using Delegate = std::function<std::shared_ptr<Collage>()>;

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
