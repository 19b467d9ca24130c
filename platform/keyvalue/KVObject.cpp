#include "platform/keyvalue/KVObject.h"

#include <QDebug>

#include <algorithm>
#include <atomic>
#include <iterator>

namespace qf {

UndefinedKeyError::UndefinedKeyError(const QString& key)
    : std::runtime_error("this object is not key value coding-compliant for the key " + key.toStdString())
    , m_key(key)
{
}

namespace {

std::atomic<quint64> g_bookkeepingSteps{0};

void countSteps(std::size_t n)
{
    g_bookkeepingSteps.fetch_add(n, std::memory_order_relaxed);
}

} // namespace

KVObserver::~KVObserver()
{
    // Copy: each object edits the table as it lets go.
    const QList<KVObject*> observed = m_observedObjects.values();
    countSteps(std::size_t(observed.size()));
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
    for (auto it = m_byObserver.cbegin(); it != m_byObserver.cend(); ++it) {
        countSteps(it->size());
        for (const ObservationPtr& obs : *it)
            obs->removed = true;
        it.key()->m_observedObjects.remove(this);
    }
}

quint64 KVObject::bookkeepingSteps()
{
    return g_bookkeepingSteps.load(std::memory_order_relaxed);
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
    auto obs = std::make_shared<Observation>(Observation{observer, options, context, key});
    KeyObservations& k = m_observations[key];
    k.inOrder.push_back(obs);
    ++k.live;
    m_byObserver[observer].push_back(obs);
    observer->m_observedObjects.insert(this);
    if (options & KVOptionInitial) {
        KVChange change;
        if (options & KVOptionNew)
            change.newValue = valueForKeyOrNull(key);
        notify(key, obs, change);
    }
}

template <class Matches>
void KVObject::removeNewest(KVObserver* observer, Matches matches)
{
    const auto mine = m_byObserver.find(observer);
    if (mine == m_byObserver.end())
        return;
    std::vector<ObservationPtr>& list = mine.value();
    const auto newest = std::find_if(list.rbegin(), list.rend(), [&](const ObservationPtr& o) { return matches(*o); });
    countSteps(std::size_t(std::distance(list.rbegin(), newest)) + 1);
    if (newest == list.rend())
        return;
    const ObservationPtr obs = *newest;
    list.erase(std::next(newest).base());
    if (list.empty()) {
        m_byObserver.erase(mine);
        observer->m_observedObjects.remove(this);
    }
    endObservation(obs);
}

void KVObject::removeObserver(KVObserver* observer, const QString& key, const KVContext* context)
{
    removeNewest(observer, [&](const Observation& o) { return o.context == context && o.key == key; });
}

void KVObject::removeObserver(KVObserver* observer, const QString& key)
{
    removeNewest(observer, [&](const Observation& o) { return o.key == key; });
}

bool KVObject::isObserved(const QString& key) const
{
    return m_observations.contains(key);
}

int KVObject::observationCount(KVObserver* observer) const
{
    const auto mine = m_byObserver.constFind(observer);
    return mine == m_byObserver.cend() ? 0 : int(mine->size());
}

void KVObject::forgetObserver(KVObserver* observer)
{
    observer->m_observedObjects.remove(this);
    const auto mine = m_byObserver.find(observer);
    if (mine == m_byObserver.end())
        return;
    const std::vector<ObservationPtr> ended = std::move(mine.value());
    m_byObserver.erase(mine);
    for (const ObservationPtr& obs : ended)
        endObservation(obs);
}

void KVObject::endObservation(const ObservationPtr& obs)
{
    countSteps(1);
    obs->removed = true;
    const auto it = m_observations.find(obs->key);
    if (it == m_observations.end())
        return;
    KeyObservations& k = it.value();
    if (--k.live <= 0) {
        countSteps(k.inOrder.size());
        m_observations.erase(it);
    } else if (k.inOrder.size() >= 2 * std::size_t(k.live)) {
        // Swept once half are ended: each ending pays for a constant share.
        countSteps(k.inOrder.size());
        std::erase_if(k.inOrder, [](const ObservationPtr& o) { return o->removed; });
    }
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
        for (const ObservationPtr& obs : it->inOrder)
            wantsOld = wantsOld || (!obs->removed && (obs->options & KVOptionOld));
        const QVariant old = wantsOld ? valueForKeyOrNull(k) : QVariant();
        for (const ObservationPtr& obs : it->inOrder)
            if (!obs->removed)
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
