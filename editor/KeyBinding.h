#pragma once

#include "platform/keyvalue/KVObserver.h"

#include <QString>
#include <QVariant>

#include <functional>

namespace qf {

class FotoloomController;

// What every binding of a control to a key of the editor's model shares: the
// control is shown the key's value, again whenever the editor replaces its
// collage (type change, undo); what the user sets is written back, except
// while the binding itself updates the control, so a control echoing its new
// value writes nothing. Subclasses say where the key lives. Main thread only;
// a binding must not outlive the controller.
class KeyBinding : public KVObserver {
public:
    using Show = std::function<void(const QVariant&)>;

    ~KeyBinding() override;

    // Writes the control's value; ignored while the control is being updated.
    void write(const QVariant& value);
    // The key's value now; invalid when there is nothing to show.
    virtual QVariant value() const = 0;
    const QString& key() const { return m_key; }

    void observeValueForKeyPath(const QString& key, KVObject* object, const KVChange& change,
                                const KVContext* context) override;

protected:
    KeyBinding(FotoloomController& controller, QString key, Show shown);
    // Starts observing: called by the subclass's constructor once it can be.
    void start();
    // Stops observing: called by the subclass's destructor.
    void stop();
    // Observes the current collage (and what lies below it), or lets go.
    virtual void attach() = 0;
    virtual void detach() = 0;
    virtual void store(const QVariant& value) = 0;
    // The subclass's own notifications.
    virtual void changed(const KVChange& change, const KVContext* context) = 0;
    void show();

    FotoloomController& m_controller;

private:
    QString m_key;
    Show m_show;
    bool m_showing = false;
    bool m_started = false;
};

} // namespace qf
