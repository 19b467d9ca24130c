#pragma once

#include <QPageLayout>
#include <QRectF>
#include <QSizeF>

#include <functional>

class QPaintDevice;
class QPagedPaintDevice;

namespace qf {

// One print job: content of a size in points, drawn onto one page and
// fitted to it with its aspect kept. The document runs it through the print
// panel; the drawing is the content's own.
class PrintOperation {
public:
    // Draws the content into `target` (device units) of the device; the
    // drawing opens its own painter.
    using Draw = std::function<void(QPaintDevice* device, const QRectF& target)>;

    PrintOperation(QSizeF contentSize, QPageLayout::Orientation orientation, Draw draw);

    QSizeF contentSize() const { return m_contentSize; }
    QPageLayout::Orientation orientation() const { return m_orientation; }

    // The largest rectangle of the content's aspect inside `page`, centred.
    static QRectF fittedRect(QSizeF content, const QRectF& page);

    // Sets the printer's orientation to the operation's.
    void preparePrinter(QPagedPaintDevice& printer) const;
    // Draws the content on the printer's page; false when nothing could be drawn.
    bool printOn(QPagedPaintDevice& printer) const;

private:
    QSizeF m_contentSize;
    QPageLayout::Orientation m_orientation;
    Draw m_draw;
};

} // namespace qf
