#include "editor/CustomSizeForm.h"

#include "model/UtilityFunctions.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>
#include <limits>

namespace qf::CustomSizeForm {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

QString tr(const char* text)
{
    return QCoreApplication::translate("CustomSizeForm", text);
}

bool within(double value, double lo, double hi)
{
    // False for NaN as well.
    return value >= lo && value <= hi;
}

// Pixels of a typed value; NaN when the value is none.
double pixelsOf(double value, int unit, qint64 resolution)
{
    if (!std::isfinite(value))
        return kNaN;
    return double(QFCollageSize::valueToPixels(value, unit, resolution));
}

QString twoDecimals(double value)
{
    return QString::asprintf("%.2f", value);
}

// The refusal of one side, or an empty text when it fits.
QString checkSide(double value, int unit, qint64 resolution, bool isWidth)
{
    const double pixels = pixelsOf(value, unit, resolution);
    if (within(pixels, double(minDimension), double(QFCollageSize::maxDimensionOfCustomSize())))
        return {};
    if (unit == SizeUnitPixels) {
        const QString text = isWidth ? tr("Width should lie between %1px and %2px")
                                     : tr("Height should lie between %1px and %2px");
        return text.arg(minDimension).arg(QFCollageSize::maxDimensionOfCustomSize());
    }
    const QString text = isWidth ? tr("Width should lie between %1%2 and %3%4 at a resolution of %5 pixels/inch")
                                 : tr("Height should lie between %1%2 and %3%4 at a resolution of %5 pixels/inch");
    const QString name = QFCollageSize::unitName(unit);
    return text.arg(twoDecimals(QFCollageSize::pixelsToValue(double(minDimension), unit, resolution)), name,
                    twoDecimals(QFCollageSize::pixelsToValue(
                        double(QFCollageSize::maxDimensionOfCustomSize()), unit, resolution)),
                    name, QString::number(resolution));
}

// The typed resolution as a whole number of pixels per inch; NaN for none.
double readResolution(const QString& text)
{
    const double value = readNumber(text);
    return std::isfinite(value) ? std::trunc(value) : kNaN;
}

} // namespace

bool isOffered(const QFCollageSize& size)
{
    if (size.customSizeCommand())
        return true;
    const double maxSide = double(QFCollageSize::maxDimensionOfCustomSize());
    return within(double(size.resolution()), double(minResolution), double(QFCollageSize::maxResolutionOfCustomSize()))
           && within(double(size.pixelWidth()), double(minDimension), maxSide)
           && within(double(size.pixelHeight()), double(minDimension), maxSide);
}

double readNumber(const QString& text)
{
    const QString t = text.trimmed();
    bool ok = false;
    double value = QLocale::c().toDouble(t, &ok);
    if (!ok)
        value = QLocale().toDouble(t, &ok);
    return ok && std::isfinite(value) ? value : kNaN;
}

QString fieldText(double value)
{
    if (!std::isfinite(value))
        return {};
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString shownText(const QString& text)
{
    const double value = readNumber(text);
    if (!std::isfinite(value) || std::fabs(value) >= 1e15)
        return text;
    QString rounded = QString::number(value, 'f', 2);
    while (rounded.endsWith(QLatin1Char('0')))
        rounded.chop(1);
    if (rounded.endsWith(QLatin1Char('.')))
        rounded.chop(1);
    return rounded == QLatin1String("-0") ? QStringLiteral("0") : rounded;
}

QString typedOrExact(const QString& shown, const QString& exact)
{
    return !exact.isEmpty() && shown == shownText(exact) ? exact : shown;
}

CustomSizeVerdict validate(const CustomSizeFields& fields)
{
    const double resolution = readResolution(fields.resolution);
    if (!within(resolution, double(minResolution), double(QFCollageSize::maxResolutionOfCustomSize())))
        return {false, tr("Resolution should lie between %1px/in and %2px/in")
                           .arg(minResolution)
                           .arg(QFCollageSize::maxResolutionOfCustomSize())};
    const qint64 ppi = qint64(resolution);
    const double width = readNumber(fields.width);
    const double height = readNumber(fields.height);
    if (QString why = checkSide(width, fields.unit, ppi, true); !why.isEmpty())
        return {false, why};
    if (QString why = checkSide(height, fields.unit, ppi, false); !why.isEmpty())
        return {false, why};

    const double area = pixelsOf(width, fields.unit, ppi) * pixelsOf(height, fields.unit, ppi);
    if (area > 49'000'000.0)
        return {true, tr("Your final collage may take upto 4 minutes to generate")};
    if (area > 36'000'000.0)
        return {true, tr("Your final collage may take upto 2 minutes to generate")};
    return {true, QString()};
}

QString trimmedName(const QString& name)
{
    QString result = name.trimmed();
    if (result.size() > 25)
        result = result.left(25).trimmed();
    return result;
}

CustomSizeFields withUnit(const CustomSizeFields& fields, int newUnit)
{
    CustomSizeFields out = fields;
    out.unit = newUnit;
    const double resolution = readResolution(fields.resolution);
    if (!std::isfinite(resolution) || resolution <= 0)
        return out; // nothing to convert with: the numbers stay as typed
    // Not yet checked: any positive number may stand here.
    const qint64 ppi = UtilityFunctions::integerWithin(resolution, 1, std::numeric_limits<qint64>::max(), 1);
    auto convert = [&](const QString& text) {
        const double pixels = pixelsOf(readNumber(text), fields.unit, ppi);
        if (!std::isfinite(pixels) || pixels < 0)
            return text;
        return fieldText(QFCollageSize::pixelsToValue(pixels, newUnit, ppi));
    };
    out.width = convert(fields.width);
    out.height = convert(fields.height);
    return out;
}

std::optional<QFCollageSize> sizeFrom(const CustomSizeFields& fields)
{
    if (!validate(fields).accepted)
        return std::nullopt;
    return QFCollageSize(readNumber(fields.width), readNumber(fields.height), fields.unit,
                         qint64(readResolution(fields.resolution)), true, trimmedName(fields.name));
}

qint64 scaledPatternRows(qint64 rows, qint64 newHeight, qint64 oldHeight)
{
    if (oldHeight <= 0 || newHeight <= 0)
        return rows;
    // Multiplied first: 3 rows at 5400 high become 4 at 7200.
    const qint64 scaled = rows * newHeight / oldHeight;
    return scaled < 1 ? -1 : scaled;
}

} // namespace qf::CustomSizeForm
