#include "editor/CollageKeyBinding.h"

#include "editor/FotoloomController.h"
#include "model/Collage.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcBinding, "qf.editor.binding")

namespace qf {

namespace {

const KVContext kCollageReplaced{"CollageKeyBinding.collage"};
const KVContext kValueChanged{"CollageKeyBinding.value"};
const QString kCollageKey = QStringLiteral("collage");

} // namespace

CollageKeyBinding::CollageKeyBinding(FotoloomController& controller, QString key, Show shown)
    : m_controller(controller)
    , m_key(std::move(key))
    , m_show(std::move(shown))
{
    m_controller.addObserver(this, kCollageKey, KVOptionPrior, &kCollageReplaced);
    attach();
    show();
}

CollageKeyBinding::~CollageKeyBinding()
{
    detach();
    m_controller.removeObserver(this, kCollageKey, &kCollageReplaced);
}

void CollageKeyBinding::attach()
{
    const std::shared_ptr<Collage>& collage = m_controller.collage();
    if (!collage)
        return;
    collage->addObserver(this, m_key, KVOptionNew, &kValueChanged);
    m_observed = collage;
}

void CollageKeyBinding::detach()
{
    if (const std::shared_ptr<Collage> old = m_observed.lock())
        old->removeObserver(this, m_key, &kValueChanged);
    m_observed.reset();
}

QVariant CollageKeyBinding::value() const
{
    const std::shared_ptr<Collage>& collage = m_controller.collage();
    if (!collage)
        return {};
    try {
        return collage->valueForKey(m_key);
    } catch (const UndefinedKeyError&) {
        // Another type of collage: the control is hidden then.
        return {};
    }
}

void CollageKeyBinding::write(const QVariant& value)
{
    if (m_showing)
        return;
    const std::shared_ptr<Collage>& collage = m_controller.collage();
    if (!collage)
        return;
    try {
        collage->setValue(value, m_key);
    } catch (const UndefinedKeyError&) {
        qCWarning(lcBinding) << "the collage has no key" << m_key;
    }
}

void CollageKeyBinding::show()
{
    if (!m_show)
        return;
    m_showing = true;
    m_show(value());
    m_showing = false;
}

void CollageKeyBinding::observeValueForKeyPath(const QString&, KVObject*, const KVChange& change,
                                               const KVContext* context)
{
    if (context == &kCollageReplaced) {
        // The prior notification comes while the old collage is current.
        if (change.isPrior) {
            detach();
        } else {
            attach();
            show();
        }
        return;
    }
    if (context == &kValueChanged)
        show();
}

} // namespace qf
