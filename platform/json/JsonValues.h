#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// Typed reads of JSON values that came from a file. Every reader of the
// project goes through these: a value of the wrong type counts as absent,
// non-finite numbers count as absent, integers are truncated toward zero and
// numbers outside the 64-bit range count as absent.
namespace qf::json {

std::optional<double> toNumber(const QJsonValue& v);
std::optional<qint64> toInteger(const QJsonValue& v);
// Booleans and numbers both answer (a number is true when it is not zero).
std::optional<bool> toBoolean(const QJsonValue& v);
std::optional<QString> toString(const QJsonValue& v);
std::optional<QJsonObject> toObject(const QJsonValue& v);
std::optional<QJsonArray> toArray(const QJsonValue& v);

inline std::optional<double> number(const QJsonObject& o, QStringView key) { return toNumber(o.value(key)); }
inline std::optional<qint64> integer(const QJsonObject& o, QStringView key) { return toInteger(o.value(key)); }
inline std::optional<bool> boolean(const QJsonObject& o, QStringView key) { return toBoolean(o.value(key)); }
inline std::optional<QString> string(const QJsonObject& o, QStringView key) { return toString(o.value(key)); }
inline std::optional<QJsonObject> object(const QJsonObject& o, QStringView key) { return toObject(o.value(key)); }
inline std::optional<QJsonArray> array(const QJsonObject& o, QStringView key) { return toArray(o.value(key)); }

inline double numberOr(const QJsonObject& o, QStringView key, double fallback)
{
    return number(o, key).value_or(fallback);
}
inline qint64 integerOr(const QJsonObject& o, QStringView key, qint64 fallback)
{
    return integer(o, key).value_or(fallback);
}
inline bool booleanOr(const QJsonObject& o, QStringView key, bool fallback)
{
    return boolean(o, key).value_or(fallback);
}

// The number clamped into [lo, hi]; absent, wrong-typed or non-finite values
// give the fallback.
double clampedNumber(const QJsonObject& o, QStringView key, double lo, double hi, double fallback);
qint64 clampedInteger(const QJsonObject& o, QStringView key, qint64 lo, qint64 hi, qint64 fallback);

} // namespace qf::json
