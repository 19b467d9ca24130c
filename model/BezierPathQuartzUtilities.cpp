#include "model/BezierPathQuartzUtilities.h"

namespace qf {

std::optional<QPainterPath> BezierPathQuartzUtilities::quartzPath(const QPainterPath& path)
{
    const int count = path.elementCount();
    if (count == 0)
        return std::nullopt;

    QPainterPath out;
    out.setFillRule(Qt::WindingFill);
    // QPainterPath has no close element: closeSubpath() leaves a line back to
    // the start, which counts as a line here; closing again adds nothing.
    bool closed = true;
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            out.moveTo(e.x, e.y);
            break;
        case QPainterPath::LineToElement:
            out.lineTo(e.x, e.y);
            closed = false;
            break;
        case QPainterPath::CurveToElement:
            // A curve is its first control point followed by two data elements.
            if (i + 2 < count) {
                const QPainterPath::Element c2 = path.elementAt(i + 1);
                const QPainterPath::Element end = path.elementAt(i + 2);
                out.cubicTo(e.x, e.y, c2.x, c2.y, end.x, end.y);
                closed = false;
            }
            i += 2;
            break;
        case QPainterPath::CurveToDataElement:
            // Only reachable in a malformed element list; nothing to draw.
            break;
        }
    }
    if (!closed)
        out.closeSubpath();
    return out;
}

bool BezierPathQuartzUtilities::pathContainsPoint(const QPainterPath& path, QPointF p)
{
    const std::optional<QPainterPath> qp = quartzPath(path);
    return qp && qp->contains(p);
}

} // namespace qf
