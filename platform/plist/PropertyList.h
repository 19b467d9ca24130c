#pragma once

#include <QByteArray>
#include <QVariant>
#include <QVariantMap>

#include <optional>

namespace qf {

// Property lists (XML or binary) as QVariant: dictionaries become
// QVariantMap, arrays QVariantList, strings QString, integers qint64, reals
// double, booleans bool, dates QDateTime (UTC, to the millisecond; the XML
// form keeps whole seconds) and data QByteArray. Other node types (UIDs),
// and dates more than about 68 years from 2001, are left out.
//
// Input comes from files and is checked before libplist sees it: its size,
// its nesting depth, and for binary lists the number of values once shared
// references are expanded (libplist copies a value for every reference, so
// a few hundred bytes could otherwise expand to gigabytes).
class PropertyList {
public:
    static constexpr qsizetype maxBytes = 1 << 20;
    static constexpr int maxDepth = 64;
    static constexpr qint64 maxValues = 100'000;

    // The value, or none when the bytes are no property list or exceed a
    // limit.
    static std::optional<QVariant> read(const QByteArray& bytes);
    // As read(), when the top level is a dictionary.
    static std::optional<QVariantMap> readDictionary(const QByteArray& bytes);

    // XML and binary forms of a value of the types above; none for a value
    // of another type anywhere inside.
    static std::optional<QByteArray> toXml(const QVariant& value);
    static std::optional<QByteArray> toBinary(const QVariant& value);
};

} // namespace qf
