#include "editor/CollageKeyBinding.h"

#include "editor/FotoloomController.h"
#include "model/Collage.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcBinding, "qf.editor.binding")

namespace qf {

namespace {
const KVContext kValueChanged{"CollageKeyBinding.value"};
} // namespace

CollageKeyBinding::CollageKeyBinding(FotoloomController& controller, QString key, Show shown)
    : KeyBinding(controller, std::move(key), std::move(shown))
{
    start();
}

CollageKeyBinding::~CollageKeyBinding()
{
    stop();
}

void CollageKeyBinding::attach()
{
    const std::shared_ptr<Collage>& collage = m_controller.collage();
    if (!collage)
        return;
    collage->addObserver(this, key(), KVOptionNew, &kValueChanged);
    m_observed = collage;
}

void CollageKeyBinding::detach()
{
    if (const std::shared_ptr<Collage> old = m_observed.lock())
        old->removeObserver(this, key(), &kValueChanged);
    m_observed.reset();
}

QVariant CollageKeyBinding::value() const
{
    const std::shared_ptr<Collage>& collage = m_controller.collage();
    if (!collage)
        return {};
    try {
        return collage->valueForKey(key());
    } catch (const UndefinedKeyError&) {
        // Another type of collage: the control is hidden then.
        return {};
    }
}

void CollageKeyBinding::store(const QVariant& value)
{
    const std::shared_ptr<Collage>& collage = m_controller.collage();
    if (!collage)
        return;
    try {
        collage->setValue(value, key());
    } catch (const UndefinedKeyError&) {
        qCWarning(lcBinding) << "the collage has no key" << key();
    }
}

void CollageKeyBinding::changed(const KVChange&, const KVContext* context)
{
    if (context == &kValueChanged)
        show();
}

} // namespace qf
