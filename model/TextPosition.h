#pragma once

#include "platform/keyvalue/KVObject.h"

#include <QStringList>

namespace qf {

// The observation context of text item changes for undo; compared by identity.
extern const KVContext QFUndoTextObservationContext;

// A text item of a collage. Its style, layout and JSON arrive with the text
// layer; the collage already owns, observes and removes text items.
class TextPosition : public KVObject {
public:
    TextPosition();
    ~TextPosition() override;

    // The keys whose changes are recorded for undo.
    virtual QStringList undoKeys() const;

    bool beingObserved() const { return m_beingObserved; }
    // Registers the observer for the undo keys once; a second call does nothing.
    void startObservingProperties(KVObserver* observer);
    // Removes that registration; nothing when there is none.
    void stopObservingProperties(KVObserver* observer);

private:
    bool m_beingObserved = false;
};

} // namespace qf
