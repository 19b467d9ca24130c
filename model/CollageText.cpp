#include "model/Collage.h"

#include "model/TextPosition.h"
#include "platform/graphics/GraphicsContext.h"

namespace qf {

qint64 Collage::ptLiesInTextBoundary(QPointF point, double width, double height) const
{
    for (qsizetype i = m_textPositions.size() - 1; i >= 0; --i)
        if (m_textPositions[i]->liesInBoundary(point, width, height, m_width, m_height))
            return i;
    return -1;
}

void Collage::drawYourTextOnCurrentContextInWidth(GraphicsContext& context, double width, double height, bool actual)
{
    if (m_textPositions.isEmpty())
        return;
    for (qsizetype i = 0; i < m_textPositions.size(); ++i) {
        TextPosition& item = *m_textPositions[i];
        context.saveGState();
        const QRectF r = item.getBoundaryRectForCollageWidth(width, m_width, m_height, actual);
        context.concatCTM(item.getTransformationMatrixForWidth(width, height));
        item.drawBackgroundBox(context, r, width);
        item.drawText(context, r, width, m_width, m_height, actual);

        if (!actual) {
            context.setLineWidth(1.0);
            context.setStrokeColor(QColor(127, 127, 127));
            const QRectF d = TextPosition::getDrawingBoundaryRectFromActualBoundaryRect(r);
            if (i == m_selectedTextPosition) {
                context.strokeRect(d);
                if (!(m_draggingText && m_handleBeingHeld == HeldHandleNone)) {
                    drawHandleAtPoint(context, QPointF(d.right(), d.center().y()));
                    drawHandleAtPoint(context, QPointF(d.left(), d.center().y()));
                }
            } else if (m_draggingText) {
                context.setLineDash(0, {5, 2});
                context.strokeRect(d);
                context.clearLineDash();
            }
        }
        context.restoreGState();
    }

    if (actual || !m_draggingText || !m_constrainingText)
        return;
    context.saveGState();
    context.setStrokeColor(Qt::yellow);
    context.setLineWidth(1.5);
    if (m_constrainingTextXPosArray)
        for (double x : *m_constrainingTextXPosArray)
            context.strokeLine(QPointF(x * width, -5), QPointF(x * width, height + 5));
    if (m_constrainingTextYPosArray)
        for (double y : *m_constrainingTextYPosArray)
            context.strokeLine(QPointF(-5, y * height), QPointF(width + 5, y * height));
    context.restoreGState();
}

// ---- text commands (bodies to come) ----------------------------------------------

void Collage::addNewText() {}
void Collage::addNewByCopyingSelectedText() {}
void Collage::setTextAlignment(qint64) {}
void Collage::increaseFontSize() {}
void Collage::decreaseFontSize() {}
void Collage::rotateTextClockWise() {}
void Collage::rotateTextAntiClockWise() {}
void Collage::rotateTextTo0() {}
void Collage::sizeToFitSelected() {}
QPointF Collage::constrainTextForNewCenter(QPointF proposed)
{
    return proposed;
}

} // namespace qf
