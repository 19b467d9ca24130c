#pragma once

#include <QSet>
#include <QString>
#include <QVariant>

namespace qf {

class KVObject;

// Options of an observation; the bit values are those the document format
// and the editor's code expect (new 1, old 2, initial 4, prior 8).
enum KVObservingOption : unsigned {
    KVOptionNew = 0x01,
    KVOptionOld = 0x02,
    KVOptionInitial = 0x04,
    KVOptionPrior = 0x08,
};
using KVOptions = unsigned;

// A constant token that tells one family of observations from another. Tokens
// are compared by identity, never by their text.
struct KVContext {
    const char* name;
};

// What an observer is told about one change of one key.
struct KVChange {
    QVariant newValue; // after notifications of observations with KVOptionNew
    QVariant oldValue; // prior and after notifications with KVOptionOld
    bool isPrior = false;
};

// Something that observes keys of KVObjects. Registrations are owned by both
// sides: destroying either the observer or the observed object removes them.
class KVObserver {
public:
    KVObserver() = default;
    KVObserver(const KVObserver&) = delete;
    KVObserver& operator=(const KVObserver&) = delete;
    virtual ~KVObserver();

    virtual void observeValueForKeyPath(const QString& key, KVObject* object, const KVChange& change,
                                        const KVContext* context) = 0;

private:
    friend class KVObject;
    // The objects this observer holds registrations on.
    QSet<KVObject*> m_observedObjects;
};

} // namespace qf
