#include "platform/keyvalue/KVObject.h"

#include <QDebug>

#include <algorithm>

namespace qf {

UndefinedKeyError::UndefinedKeyError(const QString& key)
    : std::runtime_error("this object is not key value coding-compliant for the key " + key.toStdString())
    , m_key(key)
{
}

KVObserver::~KVObserver()
{
    // Copy: each removal edits the list.
    const std::vector<KVObject*> observed = m_observedObjects;
    for (KVObject* object : observed)
        object->forgetObserver(this);
}

KVObject::KVObject()
    : m_alive(std::make_shared<int>(0))
{
}

KVObject::KVObject(const KVObject&)
    : KVObject()
{
}

KVObject& KVObject::operator=(const KVObject&)
{
    return *this;
}

KVObject::~KVObject()
{
    for (auto it = m_observations.begin(); it != m_observations.end(); ++it) {
        for (const ObservationPtr& obs : it.value()) {
            if (obs->removed)
                continue;
            obs->removed = true;
            auto& list = obs->observer->m_observedObjects;
            const auto found = std::find(list.begin(), list.end(), this);
            if (found != list.end())
                list.erase(found);
        }
    }
}

const KVKeyTable& KVObject::kvKeyTable() const
{
    static const KVKeyTable empty;
    return empty;
}

KVObject* KVObject::objectFromVariant(const QVariant& v)
{
    return v.metaType() == QMetaType::fromType<KVObject*>() ? v.value<KVObject*>() : nullptr;
}

QVariant KVObject::valueForKey(const QString& key) const
{
    if (const auto* entry = kvKeyTable().find(key))
        return entry->get(*this);
    return valueForUndefinedKey(key);
}

void KVObject::setValue(const QVariant& value, const QString& key)
{
    const auto* entry = kvKeyTable().find(key);
    if (entry && entry->set)
        entry->set(*this, value);
    else
        setValueForUndefinedKey(value, key);
}

QVariant KVObject::valueForKeyPath(const QString& path) const
{
    const int dot = path.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return valueForKey(path);
    KVObject* next = objectFromVariant(valueForKey(path.left(dot)));
    return next ? next->valueForKeyPath(path.mid(dot + 1)) : QVariant();
}

void KVObject::setValueForKeyPath(const QVariant& value, const QString& path)
{
    const int dot = path.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        setValue(value, path);
        return;
    }
    if (KVObject* next = objectFromVariant(valueForKey(path.left(dot))))
        next->setValueForKeyPath(value, path.mid(dot + 1));
}

QVariant KVObject::valueForUndefinedKey(const QString& key) const
{
    throw UndefinedKeyError(key);
}

void KVObject::setValueForUndefinedKey(const QVariant&, const QString& key)
{
    throw UndefinedKeyError(key);
}

void KVObject::addObserver(KVObserver* observer, const QString& key, KVOptions options, const KVContext* context)
{
    if (!observer)
        return;
    auto obs = std::make_shared<Observation>(Observation{observer, options, context});
    m_observations[key].push_back(obs);
    observer->m_observedObjects.push_back(this);
    if (options & KVOptionInitial) {
        KVChange change;
        if (options & KVOptionNew)
            change.newValue = valueForKeyOrNull(key);
        notify(key, obs, change);
    }
}

void KVObject::removeObserver(KVObserver* observer, const QString& key, const KVContext* context)
{
    auto it = m_observations.find(key);
    if (it == m_observations.end())
        return;
    auto& list = it.value();
    for (auto rit = list.rbegin(); rit != list.rend(); ++rit) {
        const ObservationPtr& obs = *rit;
        if (obs->observer != observer || obs->context != context)
            continue;
        obs->removed = true;
        auto& objects = observer->m_observedObjects;
        const auto found = std::find(objects.begin(), objects.end(), this);
        if (found != objects.end())
            objects.erase(found);
        list.erase(std::next(rit).base());
        if (list.empty())
            m_observations.erase(it);
        return;
    }
}

void KVObject::removeObserver(KVObserver* observer, const QString& key)
{
    auto it = m_observations.find(key);
    if (it == m_observations.end())
        return;
    const auto& list = it.value();
    for (auto rit = list.rbegin(); rit != list.rend(); ++rit) {
        if ((*rit)->observer == observer) {
            removeObserver(observer, key, (*rit)->context);
            return;
        }
    }
}

bool KVObject::isObserved(const QString& key) const
{
    return m_observations.contains(key);
}

int KVObject::observationCount(KVObserver* observer) const
{
    int n = 0;
    for (const auto& list : m_observations)
        for (const ObservationPtr& obs : list)
            if (obs->observer == observer)
                ++n;
    return n;
}

void KVObject::forgetObserver(KVObserver* observer)
{
    for (auto it = m_observations.begin(); it != m_observations.end();) {
        auto& list = it.value();
        for (const ObservationPtr& obs : list)
            if (obs->observer == observer)
                obs->removed = true;
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [observer](const ObservationPtr& o) { return o->observer == observer; }),
                   list.end());
        it = list.empty() ? m_observations.erase(it) : std::next(it);
    }
    auto& objects = observer->m_observedObjects;
    objects.erase(std::remove(objects.begin(), objects.end(), this), objects.end());
}

QVariant KVObject::valueForKeyOrNull(const QString& key) const
{
    // An observer may watch a key the object does not answer; it is told of
    // changes with no values rather than ending the program.
    try {
        return valueForKey(key);
    } catch (const UndefinedKeyError&) {
        return {};
    }
}

void KVObject::notify(const QString& key, const ObservationPtr& obs, const KVChange& change)
{
    if (!obs->removed)
        obs->observer->observeValueForKeyPath(key, this, change, obs->context);
}

void KVObject::willChangeValueForKey(const QString& key)
{
    PendingChange pending{key, {}};
    QStringList keys{key};
    keys += kvKeyTable().keysAffectedBy(key);
    for (const QString& k : keys) {
        const auto it = m_observations.constFind(k);
        if (it == m_observations.cend())
            continue;
        PendingKey pk{k, {}};
        bool wantsOld = false;
        for (const ObservationPtr& obs : it.value())
            wantsOld = wantsOld || (obs->options & KVOptionOld);
        const QVariant old = wantsOld ? valueForKeyOrNull(k) : QVariant();
        for (const ObservationPtr& obs : it.value())
            pk.observations.emplace_back(obs, (obs->options & KVOptionOld) ? old : QVariant());
        pending.keys.push_back(std::move(pk));
    }
    m_pending.push_back(pending);

    // Prior notifications go out after every old value was taken, so an
    // observer that reads the object sees it unchanged.
    const std::weak_ptr<int> alive = m_alive;
    for (const PendingKey& pk : pending.keys) {
        for (const auto& [obs, old] : pk.observations) {
            if (!(obs->options & KVOptionPrior))
                continue;
            KVChange change;
            change.isPrior = true;
            change.oldValue = old;
            notify(pk.key, obs, change);
            if (alive.expired())
                return;
        }
    }
}

void KVObject::didChangeValueForKey(const QString& key)
{
    const auto found = std::find_if(m_pending.rbegin(), m_pending.rend(),
                                    [&key](const PendingChange& p) { return p.key == key; });
    if (found == m_pending.rend()) {
        qWarning().noquote() << "didChangeValueForKey without willChangeValueForKey for" << key;
        return;
    }
    const PendingChange pending = std::move(*found);
    m_pending.erase(std::next(found).base());

    const std::weak_ptr<int> alive = m_alive;
    for (const PendingKey& pk : pending.keys) {
        bool wantsNew = false;
        for (const auto& entry : pk.observations)
            wantsNew = wantsNew || (entry.first->options & KVOptionNew);
        const QVariant now = wantsNew ? valueForKeyOrNull(pk.key) : QVariant();
        for (const auto& [obs, old] : pk.observations) {
            KVChange change;
            change.oldValue = old;
            if (obs->options & KVOptionNew)
                change.newValue = now;
            notify(pk.key, obs, change);
            if (alive.expired())
                return;
        }
    }
}

} // namespace qf
