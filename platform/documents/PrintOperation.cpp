#include "platform/documents/PrintOperation.h"

#include <QPagedPaintDevice>

#include <algorithm>

namespace qf {

PrintOperation::PrintOperation(QSizeF contentSize, QPageLayout::Orientation orientation, Draw draw)
    : m_contentSize(contentSize)
    , m_orientation(orientation)
    , m_draw(std::move(draw))
{
}

QRectF PrintOperation::fittedRect(QSizeF content, const QRectF& page)
{
    if (!(content.width() > 0 && content.height() > 0) || page.isEmpty())
        return {};
    const double scale = std::min(page.width() / content.width(), page.height() / content.height());
    const QSizeF size = content * scale;
    return QRectF(page.center() - QPointF(size.width() / 2, size.height() / 2), size);
}

void PrintOperation::preparePrinter(QPagedPaintDevice& printer) const
{
    printer.setPageOrientation(m_orientation);
}

bool PrintOperation::printOn(QPagedPaintDevice& printer) const
{
    // The printable area, in the printer's device pixels.
    const QRectF page(QPointF(0, 0), QSizeF(printer.width(), printer.height()));
    const QRectF target = fittedRect(m_contentSize, page);
    if (target.isEmpty() || !m_draw)
        return false;
    m_draw(&printer, target);
    return true;
}

} // namespace qf
