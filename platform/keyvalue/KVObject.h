#pragma once

#include "platform/keyvalue/KVKeyTable.h"
#include "platform/keyvalue/KVObserver.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace qf {

// Raised when a key is read or written that the object does not answer.
class UndefinedKeyError : public std::runtime_error {
public:
    explicit UndefinedKeyError(const QString& key);
    const QString& key() const { return m_key; }

private:
    QString m_key;
};

// An object whose values can be read and written by key name and observed.
//
// Subclasses register their keys in a static KVKeys table and answer it from
// kvKeyTable(). Setters call kvSet(), which announces will-change and
// did-change around the assignment, so that observers get a prior
// notification (with the old value) before and an after notification (new and
// old) after every change, and the same for every key that depends on it.
class KVObject {
public:
    KVObject();
    // Copies start with no observers.
    KVObject(const KVObject&);
    KVObject& operator=(const KVObject&);
    virtual ~KVObject();

    QVariant valueForKey(const QString& key) const;
    void setValue(const QVariant& value, const QString& key);
    // Dotted paths through keys whose values are KVObject pointers.
    QVariant valueForKeyPath(const QString& path) const;
    void setValueForKeyPath(const QVariant& value, const QString& path);

    // What reading or writing an unknown (or, for writes, read-only) key does:
    // raise UndefinedKeyError. Subclasses override to accept or ignore keys.
    virtual QVariant valueForUndefinedKey(const QString& key) const;
    virtual void setValueForUndefinedKey(const QVariant& value, const QString& key);

    // Registers `observer` for `key`. Registering the same observer, key and
    // context twice makes two registrations, as removing takes one at a time.
    void addObserver(KVObserver* observer, const QString& key, KVOptions options, const KVContext* context);
    // Removes the most recent matching registration; nothing when none exists.
    void removeObserver(KVObserver* observer, const QString& key, const KVContext* context);
    void removeObserver(KVObserver* observer, const QString& key);
    bool isObserved(const QString& key) const;
    bool hasObservers() const { return !m_observations.isEmpty(); }
    int observationCount(KVObserver* observer) const;

    // Manual announcements, paired per key; nested pairs are allowed.
    void willChangeValueForKey(const QString& key);
    void didChangeValueForKey(const QString& key);

    static KVObject* objectFromVariant(const QVariant& v);

    // Registrations looked at or moved while ending registrations, over the
    // whole process: ending n of them costs in proportion to n.
    static quint64 bookkeepingSteps();

protected:
    virtual const KVKeyTable& kvKeyTable() const;

    // Assigns with announcements (only when anyone observes this object).
    template <class T, class U>
    void kvSet(const QString& key, T& member, U&& value)
    {
        if (m_observations.isEmpty()) {
            member = std::forward<U>(value);
            return;
        }
        willChangeValueForKey(key);
        member = std::forward<U>(value);
        didChangeValueForKey(key);
    }

private:
    friend class KVObserver;

    struct Observation {
        KVObserver* observer;
        KVOptions options;
        const KVContext* context;
        QString key;
        bool removed = false;
    };
    using ObservationPtr = std::shared_ptr<Observation>;

    // The registrations of one key, in the order made, which is the order
    // observers are told in. Ended ones stay until they are half of the list,
    // so that ending one never shifts the whole list.
    struct KeyObservations {
        std::vector<ObservationPtr> inOrder;
        qsizetype live = 0;
    };

    struct PendingKey {
        QString key;
        std::vector<std::pair<ObservationPtr, QVariant>> observations; // with old values
    };
    struct PendingChange {
        QString key;
        std::vector<PendingKey> keys; // the key itself, then its dependents
    };

    void forgetObserver(KVObserver* observer); // the observer is going away
    // Ends the newest registration of `observer` that `matches`.
    template <class Matches>
    void removeNewest(KVObserver* observer, Matches matches);
    // Takes an ended registration out of its key's list.
    void endObservation(const ObservationPtr& obs);
    void notify(const QString& key, const ObservationPtr& obs, const KVChange& change);
    QVariant valueForKeyOrNull(const QString& key) const;

    QHash<QString, KeyObservations> m_observations;
    // Each observer's live registrations here, newest last: what removing
    // one looks through.
    QHash<KVObserver*, std::vector<ObservationPtr>> m_byObserver;
    std::vector<PendingChange> m_pending;
    std::shared_ptr<int> m_alive; // lets a notification loop notice this object's end
};

} // namespace qf

Q_DECLARE_METATYPE(qf::KVObject*)
