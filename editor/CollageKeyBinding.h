#pragma once

#include "editor/KeyBinding.h"

#include <memory>

namespace qf {

class Collage;

// Ties one control to one key of the editor's current collage; writes go
// through setValue, so the editor's undo and follow-up see them. When the
// editor replaces the collage the binding moves to the new one.
class CollageKeyBinding : public KeyBinding {
public:
    CollageKeyBinding(FotoloomController& controller, QString key, Show shown);
    ~CollageKeyBinding() override;

    // The key's value on the current collage; invalid when it has no such key.
    QVariant value() const override;

private:
    void attach() override;
    void detach() override;
    void store(const QVariant& value) override;
    void changed(const KVChange& change, const KVContext* context) override;

    std::weak_ptr<Collage> m_observed;
};

} // namespace qf
