#pragma once

#include "platform/keyvalue/KVObserver.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace qf {

class Collage;
class FotoloomController;

// Ties one control to one key of the editor's current collage: the control
// shows the key's value whenever it changes, and what the user sets is written
// through setValue (so the editor's undo and follow-up see it). When the
// editor replaces the collage (type change, undo) the binding moves to the new
// one. Main thread only; the binding must not outlive the controller.
class CollageKeyBinding : public KVObserver {
public:
    using Show = std::function<void(const QVariant&)>;

    CollageKeyBinding(FotoloomController& controller, QString key, Show shown);
    ~CollageKeyBinding() override;

    // Writes the control's value; ignored while the binding itself updates
    // the control, so a control echoing its new value writes nothing.
    void write(const QVariant& value);
    // The key's value on the current collage; invalid when it has no such key.
    QVariant value() const;
    const QString& key() const { return m_key; }

    void observeValueForKeyPath(const QString& key, KVObject* object, const KVChange& change,
                                const KVContext* context) override;

private:
    void attach();
    void detach();
    void show();

    FotoloomController& m_controller;
    QString m_key;
    Show m_show;
    std::weak_ptr<Collage> m_observed;
    bool m_showing = false;
};

} // namespace qf
