#include "platform/keyvalue/KVKeyTable.h"

#include <QDebug>

namespace qf {

const KVKeyTable::Entry* KVKeyTable::find(const QString& key) const
{
    const auto it = m_entries.constFind(key);
    return it == m_entries.cend() ? nullptr : &it.value();
}

void KVKeyTable::add(const QString& key, Getter get, Setter set, QStringList dependsOn)
{
    m_entries.insert(key, Entry{std::move(get), std::move(set), std::move(dependsOn)});
    m_affectedValid = false;
}

void KVKeyTable::addDependencies(const QString& key, const QStringList& inputs)
{
    auto it = m_entries.find(key);
    if (it == m_entries.end())
        return;
    for (const QString& input : inputs)
        if (!it->dependsOn.contains(input))
            it->dependsOn.append(input);
    m_affectedValid = false;
}

const QStringList& KVKeyTable::keysAffectedBy(const QString& key) const
{
    static const QStringList none;
    if (!m_affectedValid)
        rebuildAffected();
    const auto it = m_affected.constFind(key);
    return it == m_affected.cend() ? none : it.value();
}

void KVKeyTable::rebuildAffected() const
{
    // Direct dependents first, then the closure by a walk from each input.
    QHash<QString, QStringList> direct;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        for (const QString& input : it->dependsOn)
            direct[input].append(it.key());

    m_affected.clear();
    for (auto it = direct.cbegin(); it != direct.cend(); ++it) {
        QStringList closure;
        QStringList pending = it.value();
        while (!pending.isEmpty()) {
            const QString k = pending.takeFirst();
            if (k == it.key() || closure.contains(k))
                continue;
            closure.append(k);
            pending.append(direct.value(k));
        }
        m_affected.insert(it.key(), closure);
    }
    m_affectedValid = true;
}

void kvWarnUnconvertible(const QString& key, const QVariant& v)
{
    qWarning().noquote() << "Ignoring a value of type" << v.typeName() << "for the key" << key;
}

} // namespace qf
