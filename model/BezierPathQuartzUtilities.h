#pragma once

#include <QPainterPath>
#include <QPointF>

#include <optional>

namespace qf {

// Path operations of the polygon and hexagon hit tests.
class BezierPathQuartzUtilities {
public:
    // A copy of the path that fills with the non-zero winding rule, its last
    // subpath closed when it ends on a line or curve. None for a path
    // without elements.
    static std::optional<QPainterPath> quartzPath(const QPainterPath& path);

    // True when p lies inside the path under the non-zero winding rule.
    static bool pathContainsPoint(const QPainterPath& path, QPointF p);
};

} // namespace qf
