#pragma once

#include "model/QFCollageSize.h"

#include <QString>

#include <optional>

namespace qf {

// The fields of the custom-size sheet as typed: width and height in `unit`,
// the resolution in pixels per inch, and a name.
struct CustomSizeFields {
    QString width;
    QString height;
    QString resolution;
    QString name;
    int unit = SizeUnitPixels;
};

// What the sheet's message field shows: a refusal (red) or, for an accepted
// size, an empty text or a notice about the time a large size takes (black).
struct CustomSizeVerdict {
    bool accepted = false;
    QString text;
};

// The canvas sizes the editor accepts, and the rules of the custom-size sheet.
namespace CustomSizeForm {

constexpr qint64 minResolution = 36;
constexpr qint64 minDimension = 64;

// A size the popup may offer and the canvas may take: the command entry, or
// pixels within 64..12000 a side at 36..1200 pixels per inch.
bool isOffered(const QFCollageSize& size);

// A number typed in a field; NaN for text that is none (and for "nan" and "inf").
double readNumber(const QString& text);
// The text a field holds for a value; it reads back as the same number.
QString fieldText(double value);
// What a person reads for a field's text: a number rounded to hundredths,
// trailing zeros dropped ("23.33" for 23.333333333333332); other text as it is.
QString shownText(const QString& text);
// The text a field stands for: `exact` while the field still shows it as
// shownText(exact), else what was typed.
QString typedOrExact(const QString& shown, const QString& exact);

// Resolution first, then width, then height; the first refusal wins.
CustomSizeVerdict validate(const CustomSizeFields& fields);

// The name trimmed, cut to its first 25 characters and trimmed again.
QString trimmedName(const QString& name);

// The fields rewritten in `newUnit`: each value goes to whole pixels in the
// fields' unit and back in the new one, at the typed resolution.
CustomSizeFields withUnit(const CustomSizeFields& fields, int newUnit);

// The size the fields describe (orientation fixed, the trimmed name), or
// none when they are refused.
std::optional<QFCollageSize> sizeFrom(const CustomSizeFields& fields);

// Pattern rows after the canvas height went from `oldHeight` to `newHeight`:
// rows x new / old truncated, -1 (no rows) below 1.
qint64 scaledPatternRows(qint64 rows, qint64 newHeight, qint64 oldHeight);

} // namespace CustomSizeForm

} // namespace qf
