#pragma once

#include "platform/keyvalue/KVObserver.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace qf {

class Collage;
class FotoloomController;
class TextPosition;

// Ties one control to one key of the selected text item of the editor's
// current collage: the control shows the key's value whenever it changes, and
// again when another item is selected or the editor replaces the collage
// (type change, undo). With no item selected it is shown an invalid value.
// What the user sets goes through the controller (FotoloomController::
// setValueOfSelectedText), so each write is an undo step. Main thread only;
// the binding must not outlive the controller.
class TextKeyBinding : public KVObserver {
public:
    using Show = std::function<void(const QVariant&)>;

    TextKeyBinding(FotoloomController& controller, QString key, Show shown);
    ~TextKeyBinding() override;

    // Writes the control's value to the selected item; ignored while the
    // binding itself updates the control, and without a selected item.
    void write(const QVariant& value);
    // The key's value on the selected item; invalid when none is selected.
    QVariant value() const;
    const QString& key() const { return m_key; }

    void observeValueForKeyPath(const QString& key, KVObject* object, const KVChange& change,
                                const KVContext* context) override;

private:
    void attachCollage();
    void detachCollage();
    // Observes the item selected now, if it is not the one observed already.
    void attachItem();
    void detachItem();
    void show();

    FotoloomController& m_controller;
    QString m_key;
    Show m_show;
    std::weak_ptr<Collage> m_collage;
    std::weak_ptr<TextPosition> m_item;
    bool m_showing = false;
};

} // namespace qf
