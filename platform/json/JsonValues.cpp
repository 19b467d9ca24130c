#include "platform/json/JsonValues.h"

#include <algorithm>
#include <cmath>

namespace qf::json {

std::optional<double> toNumber(const QJsonValue& v)
{
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d))
        return std::nullopt;
    return d;
}

std::optional<qint64> toInteger(const QJsonValue& v)
{
    const auto d = toNumber(v);
    if (!d)
        return std::nullopt;
    const double t = std::trunc(*d);
    // 2^63 itself is out of range; the lower bound -2^63 is representable.
    if (!(t >= -9223372036854775808.0 && t < 9223372036854775808.0))
        return std::nullopt;
    // Integral values that Qt keeps as 64-bit integers are answered exactly.
    return v.toInteger(static_cast<qint64>(t));
}

std::optional<bool> toBoolean(const QJsonValue& v)
{
    if (v.isBool())
        return v.toBool();
    if (const auto d = toNumber(v))
        return *d != 0.0;
    return std::nullopt;
}

std::optional<QString> toString(const QJsonValue& v)
{
    if (!v.isString())
        return std::nullopt;
    return v.toString();
}

std::optional<QJsonObject> toObject(const QJsonValue& v)
{
    if (!v.isObject())
        return std::nullopt;
    return v.toObject();
}

std::optional<QJsonArray> toArray(const QJsonValue& v)
{
    if (!v.isArray())
        return std::nullopt;
    return v.toArray();
}

double clampedNumber(const QJsonObject& o, QStringView key, double lo, double hi, double fallback)
{
    const auto d = number(o, key);
    return d ? std::clamp(*d, lo, hi) : fallback;
}

qint64 clampedInteger(const QJsonObject& o, QStringView key, qint64 lo, qint64 hi, qint64 fallback)
{
    const auto i = integer(o, key);
    return i ? std::clamp(*i, lo, hi) : fallback;
}

} // namespace qf::json
