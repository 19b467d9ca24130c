#include "layouts/common/CellGeometry.h"

#include <algorithm>
#include <cmath>

namespace qf::CellGeometry {

QList<QPointF> movedInside(double distance, const QList<QPointF>& vertices)
{
    const qsizetype n = vertices.size();
    QList<QPointF> moved;
    moved.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF c = vertices[i];
        const QPointF p = vertices[(i + n - 1) % n];
        const QPointF q = vertices[(i + 1) % n];
        const double a = std::hypot(p.x() - c.x(), p.y() - c.y());
        const double b = std::hypot(q.x() - c.x(), q.y() - c.y());
        const double e = std::hypot(p.x() - q.x(), p.y() - q.y());
        if (!(a > 0 && b > 0)) {
            moved.append(c);
            continue;
        }
        // The angle at c and the unit bisector, in single precision as the
        // layouts have always computed them.
        const float cosine = float((a * a + b * b - e * e) / (2 * a * b));
        const float theta = std::acos(std::clamp(cosine, -1.0f, 1.0f));
        const float ux = float((p.x() - c.x()) / a + (q.x() - c.x()) / b);
        const float uy = float((p.y() - c.y()) / a + (q.y() - c.y()) / b);
        const float length = std::hypot(ux, uy);
        const float sine = std::sin(theta / 2);
        if (!(length > 0) || !(sine > 0)) {
            moved.append(c);
            continue;
        }
        const double reach = distance / double(sine);
        moved.append(QPointF(c.x() + double(ux / length) * reach, c.y() + double(uy / length) * reach));
    }
    return moved;
}

bool isDrawable(const QList<QPointF>& vertices)
{
    if (vertices.size() < 3)
        return false;
    for (const QPointF& v : vertices)
        if (!std::isfinite(v.x()) || !std::isfinite(v.y()))
            return false;
    return true;
}

} // namespace qf::CellGeometry
