#include "model/Collage.h"

#include "model/CollageHost.h"
#include "model/TextPosition.h"
#include "platform/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

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

// ---- text commands ------------------------------------------------------------------

namespace {

// One degree, the step of the rotate buttons.
constexpr double kRotationStep = 0.017453292519943295;

// A new text on a canvas at least this wide starts larger than the default.
constexpr qint64 kLargeCanvasWidth = 4501;
constexpr double kLargeCanvasFontSize = 144.0;

// The font size buttons step by one point, or by a hundredth of the size
// once it is above a hundred.
double fontSizeStep(double pointSize)
{
    return pointSize > 100.0 ? std::floor(pointSize / 100.0) : 1.0;
}

// How close (in fractions of the canvas) a moved item's centre or edge has
// to come to a line for it to snap there.
constexpr double kSnapTolerance = 0.005;

// A new item joins the undo observation and the list, and is selected
// unless text is locked.
void appendTextItem(Collage& collage, const TextPositionPtr& item)
{
    if (CollageHost* host = collage.myWindowController())
        item->startObservingProperties(host->undoObserver());
    collage.textPositions().append(item);
    if (!collage.lockText())
        collage.setSelectedTextPosition(collage.textPositions().size() - 1);
}

} // namespace

void Collage::addNewText()
{
    removeAllSelections();
    TextPositionPtr item;
    if (!m_textPositions.isEmpty()) {
        item = m_textPositions.last()->createNewTextPositionByCopyingMyProperties();
    } else {
        item = std::make_shared<TextPosition>();
        if (m_width >= kLargeCanvasWidth)
            item->setFontSize(kLargeCanvasFontSize);
    }
    appendTextItem(*this, item);
}

void Collage::addNewByCopyingSelectedText()
{
    const TextPositionPtr selected = selectedText();
    if (!selected)
        return;
    const TextPositionPtr item = selected->createNewTextPositionByCopyingMyProperties();
    item->setContent(selected->content() + QStringLiteral(" Copy"));
    appendTextItem(*this, item);
}

void Collage::setTextAlignment(qint64 index)
{
    const TextPositionPtr item = selectedText();
    if (!item)
        return;
    // The control lists left, centre, right, justified; the item stores
    // 0 left, 1 right, 2 centre, 3 justified.
    static constexpr qint64 stored[] = {0, 2, 1, 3};
    if (index < 0 || index > 3)
        return;
    item->setAlignment(stored[index]);
}

void Collage::increaseFontSize()
{
    const TextPositionPtr item = selectedText();
    if (!item)
        return;
    const double size = item->fontSize();
    const double grown = std::floor(size + fontSizeStep(size));
    // At the largest size a file may hold the button stops, so what is
    // saved reads back the same.
    item->setFontSize(std::min(grown, TextPosition::maxFontSize()));
}

void Collage::decreaseFontSize()
{
    const TextPositionPtr item = selectedText();
    if (!item)
        return;
    const double size = item->fontSize();
    const double shrunk = std::floor(size - fontSizeStep(size));
    item->setFontSize(std::max(shrunk, 1.0));
}

void Collage::rotateTextClockWise()
{
    if (const TextPositionPtr item = selectedText())
        item->setRotation(item->rotation() - kRotationStep);
}

void Collage::rotateTextAntiClockWise()
{
    if (const TextPositionPtr item = selectedText())
        item->setRotation(item->rotation() + kRotationStep);
}

void Collage::rotateTextTo0()
{
    if (const TextPositionPtr item = selectedText())
        item->setRotation(0.0);
}

void Collage::sizeToFitSelected()
{
    // Measured at full size, so the box fits the text as it will be exported.
    if (const TextPositionPtr item = selectedText())
        item->sizeToFit(static_cast<double>(m_width), m_width, m_height);
}

QPointF Collage::constrainTextForNewCenter(QPointF proposed)
{
    const TextPositionPtr selected = selectedText();

    QList<double> xCenters{0.5};
    QList<double> yCenters{0.5};
    QList<double> leftEdges;
    QList<double> rightEdges;
    for (const TextPositionPtr& other : std::as_const(m_textPositions)) {
        if (other == selected)
            continue;
        const QPointF c = other->center();
        xCenters.append(c.x());
        yCenters.append(c.y());
        // The edges of a turned box are not vertical lines.
        if (other->rotation() == 0.0) {
            leftEdges.append(c.x() - other->textWidth() / 2.0);
            rightEdges.append(c.x() + other->textWidth() / 2.0);
        }
    }

    m_constrainingText = false;
    QList<double> xGuides;
    QList<double> yGuides;
    const double cx = proposed.x();
    const double cy = proposed.y();
    std::optional<double> snapX;
    std::optional<double> snapY;

    // Every match shows its guide; the last match of an axis places the item.
    for (double v : std::as_const(xCenters)) {
        if (std::abs(v - cx) < kSnapTolerance) {
            m_constrainingText = true;
            snapX = v;
            xGuides.append(v);
        }
    }
    if (selected && selected->rotation() == 0.0) {
        const double half = selected->textWidth() / 2.0;
        for (double v : std::as_const(leftEdges)) {
            if (std::abs(v - (cx - half)) < kSnapTolerance) {
                m_constrainingText = true;
                snapX = v + half;
                xGuides.append(v);
            }
        }
        for (double v : std::as_const(rightEdges)) {
            if (std::abs(v - (cx + half)) < kSnapTolerance) {
                m_constrainingText = true;
                snapX = v - half;
                xGuides.append(v);
            }
        }
    }
    for (double v : std::as_const(yCenters)) {
        if (std::abs(v - cy) < kSnapTolerance) {
            m_constrainingText = true;
            snapY = v;
            yGuides.append(v);
        }
    }

    m_constrainingTextXPosArray = std::move(xGuides);
    m_constrainingTextYPosArray = std::move(yGuides);
    return QPointF(snapX.value_or(cx), snapY.value_or(cy));
}

} // namespace qf
