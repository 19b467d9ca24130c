#include "model/QFCollageSize.h"

#include "platform/defaults/UserDefaults.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>

#include <cmath>
#include <limits>
#include <optional>

namespace qf {

namespace {

constexpr double kInchesPerCm = 0.393700787;
constexpr double kInchesPerMm = 0.0393700787;
constexpr qint64 kDefaultResolution = 300;
// 2^63: doubles at or beyond it do not fit in a qint64.
constexpr double kInt64Limit = 9223372036854775808.0;

// Typed reads of custom-size record fields. The records come from a settings
// file, so a value of another type, or a non-finite number, counts as absent.
bool isIntegerType(int typeId)
{
    switch (typeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isFloatingType(int typeId)
{
    return typeId == QMetaType::Double || typeId == QMetaType::Float;
}

std::optional<double> readNumber(const QVariant& v)
{
    if (isIntegerType(v.typeId()))
        return v.toDouble();
    if (isFloatingType(v.typeId())) {
        const double d = v.toDouble();
        if (std::isfinite(d))
            return d;
    }
    return std::nullopt;
}

std::optional<qint64> readInteger(const QVariant& v)
{
    const int type = v.typeId();
    if (type == QMetaType::ULongLong || type == QMetaType::ULong) {
        const qulonglong u = v.toULongLong();
        if (u > qulonglong(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return qint64(u);
    }
    if (isIntegerType(type))
        return v.toLongLong();
    if (isFloatingType(type)) {
        const double d = v.toDouble();
        if (d > -kInt64Limit && d < kInt64Limit) // false for NaN
            return qint64(d);
    }
    return std::nullopt;
}

std::optional<bool> readBoolean(const QVariant& v)
{
    const int type = v.typeId();
    if (type == QMetaType::Bool)
        return v.toBool();
    if (isIntegerType(type))
        return v.toLongLong() != 0;
    if (isFloatingType(type)) {
        const double d = v.toDouble();
        if (std::isfinite(d))
            return d != 0.0;
    }
    if (type == QMetaType::QString) {
        // INI files hand scalars back as text.
        const QString s = v.toString();
        if (s == QLatin1String("true"))
            return true;
        if (s == QLatin1String("false"))
            return false;
    }
    return std::nullopt;
}

QFCollageSize sizeFromRecord(const QVariantMap& record)
{
    const double width = readNumber(record.value(QStringLiteral("width"))).value_or(0.0);
    const double height = readNumber(record.value(QStringLiteral("height"))).value_or(0.0);

    int unit = SizeUnitPixels;
    if (const auto u = readInteger(record.value(QStringLiteral("unit")));
        u && *u >= std::numeric_limits<int>::min() && *u <= std::numeric_limits<int>::max())
        unit = int(*u);

    // A resolution must be positive: every conversion to a physical unit divides by it.
    qint64 resolution = kDefaultResolution;
    if (const auto r = readInteger(record.value(QStringLiteral("resolution"))); r && *r > 0)
        resolution = *r;

    const bool orientationMatters =
        readBoolean(record.value(QStringLiteral("orientationMatters"))).value_or(false);

    QString name;
    if (const QVariant n = record.value(QStringLiteral("name")); n.typeId() == QMetaType::QString)
        name = n.toString();

    QFCollageSize size(width, height, unit, resolution, orientationMatters, name);
    size.setUserDefined(true);
    return size;
}

struct StandardSize {
    const char* name;
    double width;
    double height;
    SizeUnit unit;
    bool orientationMatters;
};

constexpr StandardSize kStandardSizes[] = {
    {"2 X 3 Wallet (Small)", 2, 3, SizeUnitInches, false},
    {"2.5 X 3.5 Wallet", 2.5, 3.5, SizeUnitInches, false},
    {"3 X 5", 3, 5, SizeUnitInches, false},
    {"4 X 4", 4, 4, SizeUnitInches, false},
    {"4 X 6 Postcard", 4, 6, SizeUnitInches, false},
    {"5 X 7", 5, 7, SizeUnitInches, false},
    {"6 X 6", 6, 6, SizeUnitInches, false},
    {"6 X 8", 6, 8, SizeUnitInches, false},
    {"8 X 8", 8, 8, SizeUnitInches, false},
    {"8 X 10", 8, 10, SizeUnitInches, false},
    {"8 X 12", 8, 12, SizeUnitInches, false},
    {"8.5 X 11 (US Letter)", 8.5, 11, SizeUnitInches, false},
    {"8.5 X 14 (US Legal)", 8.5, 14, SizeUnitInches, false},
    {"11 X 14", 11, 14, SizeUnitInches, false},
    {"11 X 17 (Tabloid)", 11, 17, SizeUnitInches, false},
    {"12 X 12", 12, 12, SizeUnitInches, false},
    {"12 X 16", 12, 16, SizeUnitInches, false},
    {"12 X 18 (Tabloid Oversize)", 12, 18, SizeUnitInches, false},
    {"16 X 16", 16, 16, SizeUnitInches, false},
    {"16 X 20", 16, 20, SizeUnitInches, false},
    {"18 X 24", 18, 24, SizeUnitInches, false},
    {"20 X 24", 20, 24, SizeUnitInches, false},
    {"20 X 30", 20, 30, SizeUnitInches, false},
    {"iPhone", 1080, 1920, SizeUnitPixels, true},
    {"iPad", 1536, 2048, SizeUnitPixels, true},
    {"Facebook Cover Photo", 2553, 945, SizeUnitPixels, true},
    {"Twitter Header Photo", 3000, 1000, SizeUnitPixels, true},
    {"Instagram", 2048, 2048, SizeUnitPixels, false},
    {"A6", 105, 148, SizeUnitMm, false},
    {"A5", 148, 210, SizeUnitMm, false},
    {"A4", 3508, 2480, SizeUnitPixels, false},
    {"A3", 297, 420, SizeUnitMm, false},
    {"A2", 420, 594, SizeUnitMm, false},
    {"A1", 594, 841, SizeUnitMm, false},
    {"6 X 12 (Panorama 2:1)", 6, 12, SizeUnitInches, false},
    {"6 X 18 (Panorama 3:1)", 6, 18, SizeUnitInches, false},
    {"6 X 24 (Panorama 4:1)", 6, 24, SizeUnitInches, false},
};

} // namespace

QFCollageSize::QFCollageSize(double width, double height, int unit, qint64 resolution,
                             bool orientationMatters, const QString& initialDisplayInfo)
    : m_width(width)
    , m_height(height)
    , m_unit(unit)
    , m_resolution(resolution)
    , m_orientationMatters(orientationMatters)
    , m_initialDisplayInfo(initialDisplayInfo)
{
}

// The pixel caches depend on the size, unit and resolution: drop them on change.
void QFCollageSize::setWidth(double width)
{
    m_width = width;
    clearPixelCache();
}

void QFCollageSize::setHeight(double height)
{
    m_height = height;
    clearPixelCache();
}

void QFCollageSize::setUnit(int unit)
{
    m_unit = unit;
    clearPixelCache();
}

void QFCollageSize::setResolution(qint64 resolution)
{
    m_resolution = resolution;
    clearPixelCache();
}

void QFCollageSize::clearPixelCache()
{
    m_pixelWidth = -1;
    m_pixelHeight = -1;
}

qint64 QFCollageSize::pixelWidth() const
{
    if (m_pixelWidth <= 0)
        m_pixelWidth = valueToPixels(m_width, m_unit, m_resolution);
    return m_pixelWidth;
}

qint64 QFCollageSize::pixelHeight() const
{
    if (m_pixelHeight <= 0)
        m_pixelHeight = valueToPixels(m_height, m_unit, m_resolution);
    return m_pixelHeight;
}

QString QFCollageSize::displayName() const
{
    if (m_customSizeCommand)
        return QCoreApplication::translate("QFCollageSize", "Set Custom Size");
    if (!m_initialDisplayInfo.isEmpty() && !m_userDefined)
        return m_initialDisplayInfo;

    QString base;
    if (m_unit == SizeUnitPixels)
        base = QStringLiteral("%1 X %2 %3")
                   .arg(QString::number(pixelWidth()), QString::number(pixelHeight()), unitName(m_unit));
    else
        base = QStringLiteral("%1 X %2 %3")
                   .arg(formatToTwoDecimalPlaces(m_width), formatToTwoDecimalPlaces(m_height),
                        unitName(m_unit));

    if (m_initialDisplayInfo.isEmpty())
        return base;
    return QStringLiteral("%1 (%2)").arg(m_initialDisplayInfo, base);
}

QVariantMap QFCollageSize::dictionaryRepresentation() const
{
    QVariantMap record{
        {QStringLiteral("width"), m_width},
        {QStringLiteral("height"), m_height},
        {QStringLiteral("resolution"), m_resolution},
        {QStringLiteral("unit"), m_unit},
        {QStringLiteral("orientationMatters"), m_orientationMatters},
    };
    if (!m_initialDisplayInfo.isEmpty())
        record.insert(QStringLiteral("name"), m_initialDisplayInfo);
    return record;
}

qint64 QFCollageSize::valueToPixels(double value, int unit, qint64 resolution)
{
    double pixels = 0;
    switch (unit) {
    case SizeUnitInches:
        pixels = double(resolution) * value;
        break;
    case SizeUnitCm:
        pixels = double(resolution) * (value * kInchesPerCm);
        break;
    case SizeUnitMm:
        pixels = double(resolution) * (value * kInchesPerMm);
        break;
    case SizeUnitPixels:
        pixels = value;
        break;
    default:
        return -1;
    }
    // Converting NaN or an out-of-range double to an integer is undefined.
    if (!(pixels > -kInt64Limit && pixels < kInt64Limit))
        return -1;
    return qint64(pixels);
}

double QFCollageSize::pixelsToValue(double pixels, int unit, qint64 resolution)
{
    if (unit == SizeUnitPixels)
        return pixels;
    if (unit < SizeUnitInches || unit > SizeUnitPixels || resolution <= 0)
        return -1.0;
    const double ppi = double(resolution);
    switch (unit) {
    case SizeUnitCm:
        return pixels / (ppi * kInchesPerCm);
    case SizeUnitMm:
        return pixels / (ppi * kInchesPerMm);
    default:
        return pixels / ppi;
    }
}

QString QFCollageSize::unitName(int unit)
{
    switch (unit) {
    case SizeUnitInches:
        return QStringLiteral("inches");
    case SizeUnitCm:
        return QStringLiteral("cm");
    case SizeUnitMm:
        return QStringLiteral("mm");
    case SizeUnitPixels:
        return QStringLiteral("pixels");
    default:
        return {};
    }
}

QString QFCollageSize::formatToTwoDecimalPlaces(double value)
{
    const QLocale locale;
    if (!std::isfinite(value))
        return locale.toString(value);
    // Anything that rounds to zero shows as 0, never -0.
    if (std::fabs(value) < 0.005)
        value = 0.0;

    QString text = locale.toString(value, 'f', 2);
    const QString point = locale.decimalPoint();
    const QString zero = locale.zeroDigit();
    const qsizetype pointAt = text.lastIndexOf(point);
    if (pointAt < 0)
        return text;
    const qsizetype fractionStart = pointAt + point.size();
    qsizetype end = text.size();
    while (end - zero.size() >= fractionStart && QStringView(text).sliced(end - zero.size(), zero.size()) == zero)
        end -= zero.size();
    text.truncate(end == fractionStart ? pointAt : end);
    return text;
}

QList<QFCollageSize> QFCollageSize::standardSizes()
{
    QList<QFCollageSize> sizes;
    sizes.reserve(std::size(kStandardSizes));
    for (const StandardSize& s : kStandardSizes)
        sizes.append(QFCollageSize(s.width, s.height, s.unit, kDefaultResolution, s.orientationMatters,
                                   QString::fromUtf8(s.name)));
    return sizes;
}

QList<QFCollageSize> QFCollageSize::userDefinedSizes()
{
    const QVariant stored = UserDefaults::standard().value(customSizesDefaultsKey());
    if (stored.typeId() != QMetaType::QVariantList)
        return {};
    QList<QFCollageSize> sizes;
    for (const QVariant& entry : stored.toList()) {
        if (entry.typeId() == QMetaType::QVariantMap)
            sizes.append(sizeFromRecord(entry.toMap()));
    }
    return sizes;
}

QList<QFCollageSize> QFCollageSize::deviceDependantSizes()
{
    qint64 width = 0;
    qint64 height = 0;
    // A plain QCoreApplication (or none) has no screens to ask.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QSize size = screen->geometry().size();
            const qreal ratio = screen->devicePixelRatio();
            width = qRound64(size.width() * ratio);
            height = qRound64(size.height() * ratio);
        }
    }
    return {QFCollageSize(double(width), double(height), SizeUnitPixels, kDefaultResolution, true,
                          QCoreApplication::translate("QFCollageSize", "Desktop Picture Size"))};
}

QList<QFCollageSize> QFCollageSize::allSizes()
{
    QList<QFCollageSize> sizes = standardSizes();
    sizes.append(userDefinedSizes());
    sizes.append(deviceDependantSizes());
    QFCollageSize command(-1, -1, SizeUnitPixels, kDefaultResolution, false);
    command.setCustomSizeCommand(true);
    sizes.append(command);
    return sizes;
}

void QFCollageSize::addCustomSize(const QFCollageSize& size)
{
    const qint64 width = size.pixelWidth();
    const qint64 height = size.pixelHeight();
    for (const QFCollageSize& known : allSizes()) {
        if (known.resolution() != size.resolution())
            continue;
        const qint64 w = known.pixelWidth();
        const qint64 h = known.pixelHeight();
        if ((w == width && h == height) || (w == height && h == width))
            return;
    }

    UserDefaults& defaults = UserDefaults::standard();
    const QVariant stored = defaults.value(customSizesDefaultsKey());
    QVariantList records = stored.typeId() == QMetaType::QVariantList ? stored.toList() : QVariantList();
    records.append(size.dictionaryRepresentation());
    defaults.setValue(customSizesDefaultsKey(), records);
}

const QString& QFCollageSize::customSizesDefaultsKey()
{
    static const QString key = QStringLiteral("fotoloom_bramblequartz_custom_sizes");
    return key;
}

} // namespace qf
