#include "platform/graphics/Color.h"

#include <algorithm>

namespace qf {

namespace {
float unit(double v)
{
    if (!(v >= 0.0))
        return 0.0f;
    return static_cast<float>(std::min(v, 1.0));
}
} // namespace

QColor Color::toQColor() const
{
    return QColor::fromRgbF(unit(r), unit(g), unit(b), unit(a));
}

Color Color::fromQColor(const QColor& c)
{
    if (!c.isValid())
        return {0.0, 0.0, 0.0, 0.0};
    const QColor rgb = c.toRgb();
    return {rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
}

} // namespace qf
