#include "editor/PrintDrawingView.h"

#include "platform/graphics/GraphicsContext.h"

namespace qf {

PrintDrawingView::PrintDrawingView(QSizeF frameSize, Delegate delegate)
    : m_frameSize(frameSize)
    , m_delegate(std::move(delegate))
{
}

bool PrintDrawingView::drawRect(QPaintDevice* device, const QRectF& target) const
{
    if (!m_delegate || !device || target.isEmpty() || m_frameSize.isEmpty())
        return false;
    GraphicsContext context(device, target, m_frameSize);
    return m_delegate(context, m_frameSize);
}

} // namespace qf
