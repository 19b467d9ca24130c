#pragma once

#include <QColor>
#include <QMetaType>

namespace qf {

// A model colour: sRGB components as doubles in 0..1, so that values written
// to a project file read back exactly (QColor keeps only 16 bits a channel).
struct Color {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    double a = 1.0;

    static constexpr Color white() { return {1.0, 1.0, 1.0, 1.0}; }
    static constexpr Color black() { return {0.0, 0.0, 0.0, 1.0}; }

    // Components are clamped into 0..1 (NaN counts as 0) for drawing.
    QColor toQColor() const;
    // An invalid QColor gives four zeros.
    static Color fromQColor(const QColor& c);

    friend bool operator==(const Color&, const Color&) = default;
};

} // namespace qf

Q_DECLARE_METATYPE(qf::Color)
