#pragma once

#include <QHash>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <type_traits>

namespace qf {

class KVObject;

// The keys a class answers by name: a getter, an optional setter, and the keys
// whose changes also change this key's value (its dependencies). Each class
// builds one static table from its parent's table plus its own keys.
class KVKeyTable {
public:
    using Getter = std::function<QVariant(const KVObject&)>;
    using Setter = std::function<void(KVObject&, const QVariant&)>;

    struct Entry {
        Getter get;
        Setter set; // empty for read-only keys: writes go to setValueForUndefinedKey
        QStringList dependsOn;
    };

    KVKeyTable() = default;
    explicit KVKeyTable(const KVKeyTable& parent) = default;

    const Entry* find(const QString& key) const;
    bool contains(const QString& key) const { return find(key) != nullptr; }
    QStringList keys() const { return m_entries.keys(); }

    // Keys whose values change when `key` changes, dependencies of
    // dependencies included, each once.
    const QStringList& keysAffectedBy(const QString& key) const;

    void add(const QString& key, Getter get, Setter set = {}, QStringList dependsOn = {});
    // Declares that `key` (already added) also changes when any of `inputs` does.
    void addDependencies(const QString& key, const QStringList& inputs);

private:
    void rebuildAffected() const;

    QHash<QString, Entry> m_entries;
    mutable QHash<QString, QStringList> m_affected;
    mutable bool m_affectedValid = false;
};

// Typed registration on top of KVKeyTable for members of class C.
template <class C>
class KVKeys : public KVKeyTable {
public:
    KVKeys() = default;
    explicit KVKeys(const KVKeyTable& parent) : KVKeyTable(parent) {}

    // A read-write key through a getter and a setter of C. Values of another
    // type are converted when QVariant can; otherwise the write is ignored.
    template <class Get, class Set>
    void property(const QString& key, Get get, Set set)
    {
        using T = std::decay_t<std::invoke_result_t<Get, const C&>>;
        add(
            key, [get](const KVObject& o) { return QVariant::fromValue(std::invoke(get, static_cast<const C&>(o))); },
            [set, key](KVObject& o, const QVariant& v) {
                QVariant converted = v;
                if (!convertTo(converted, QMetaType::fromType<T>())) {
                    warnUnconvertible(key, v);
                    return;
                }
                std::invoke(set, static_cast<C&>(o), converted.value<T>());
            });
    }

    // A read-only key computed on every read from the keys it depends on.
    template <class Get>
    void derived(const QString& key, Get get, QStringList dependsOn)
    {
        add(
            key, [get](const KVObject& o) { return QVariant::fromValue(std::invoke(get, static_cast<const C&>(o))); },
            {}, std::move(dependsOn));
    }

private:
    static bool convertTo(QVariant& v, QMetaType type)
    {
        if (!v.isValid())
            return false; // nothing to put into a value
        if (v.metaType() == type)
            return true;
        return v.canConvert(type) && v.convert(type);
    }
    static void warnUnconvertible(const QString& key, const QVariant& v);
};

void kvWarnUnconvertible(const QString& key, const QVariant& v);

template <class C>
void KVKeys<C>::warnUnconvertible(const QString& key, const QVariant& v)
{
    kvWarnUnconvertible(key, v);
}

} // namespace qf
