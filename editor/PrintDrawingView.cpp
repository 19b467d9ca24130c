#include "editor/PrintDrawingView.h"

#include "model/Collage.h"
#include "platform/graphics/GraphicsContext.h"

namespace qf {

PrintDrawingView::PrintDrawingView(QSizeF frameSize, Delegate delegate)
    : m_frameSize(frameSize)
    , m_delegate(std::move(delegate))
{
}

bool PrintDrawingView::drawRect(QPaintDevice* device, const QRectF& target) const
{
    const std::shared_ptr<Collage> collage = m_delegate ? m_delegate() : nullptr;
    if (!collage || !device || target.isEmpty() || m_frameSize.isEmpty())
        return false;
    GraphicsContext context(device, target, m_frameSize);
    collage->drawYourselfOnCurrentContextInWidth(context, m_frameSize.width(), m_frameSize.height(), true);
    return true;
}

} // namespace qf
