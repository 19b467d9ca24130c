#pragma once

#include "editor/KeyBinding.h"

#include <memory>

namespace qf {

class Collage;
class TextPosition;

// Ties one control to one key of the selected text item of the editor's
// current collage: shown again when another item is selected or the editor
// replaces the collage; with no item selected it is shown an invalid value.
// Writes go through the controller (TextCommands::setValueOfSelectedText),
// so each is an undo step.
class TextKeyBinding : public KeyBinding {
public:
    TextKeyBinding(FotoloomController& controller, QString key, Show shown);
    ~TextKeyBinding() override;

    // The key's value on the selected item; invalid when none is selected.
    QVariant value() const override;

private:
    void attach() override;
    void detach() override;
    void store(const QVariant& value) override;
    void changed(const KVChange& change, const KVContext* context) override;
    // Observes the item selected now, if it is not the one observed already.
    void attachItem();
    void detachItem();

    std::weak_ptr<Collage> m_collage;
    std::weak_ptr<TextPosition> m_item;
};

} // namespace qf
