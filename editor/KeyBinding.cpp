#include "editor/KeyBinding.h"

#include "editor/FotoloomController.h"

namespace qf {

namespace {
const KVContext kCollageReplaced{"KeyBinding.collage"};
const QString kCollageKey = QStringLiteral("collage");
} // namespace

KeyBinding::KeyBinding(FotoloomController& controller, QString key, Show shown)
    : m_controller(controller)
    , m_key(std::move(key))
    , m_show(std::move(shown))
{
}

KeyBinding::~KeyBinding() = default;

void KeyBinding::start()
{
    m_controller.addObserver(this, kCollageKey, KVOptionPrior, &kCollageReplaced);
    m_started = true;
    attach();
    show();
}

void KeyBinding::stop()
{
    if (!m_started)
        return;
    detach();
    m_controller.removeObserver(this, kCollageKey, &kCollageReplaced);
    m_started = false;
}

void KeyBinding::write(const QVariant& value)
{
    if (!m_showing)
        store(value);
}

void KeyBinding::show()
{
    if (!m_show)
        return;
    m_showing = true;
    m_show(value());
    m_showing = false;
}

void KeyBinding::observeValueForKeyPath(const QString&, KVObject*, const KVChange& change, const KVContext* context)
{
    if (context != &kCollageReplaced) {
        changed(change, context);
        return;
    }
    // The prior notification comes while the old collage is current.
    if (change.isPrior) {
        detach();
    } else {
        attach();
        show();
    }
}

} // namespace qf
