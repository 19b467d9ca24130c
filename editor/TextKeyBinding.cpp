#include "editor/TextKeyBinding.h"

#include "editor/FotoloomController.h"
#include "model/Collage.h"
#include "model/TextPosition.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcTextBinding, "qf.editor.binding.text")

namespace qf {

namespace {

const KVContext kCollageReplaced{"TextKeyBinding.collage"};
const KVContext kSelectionChanged{"TextKeyBinding.selection"};
const KVContext kValueChanged{"TextKeyBinding.value"};
const QString kCollageKey = QStringLiteral("collage");
const QString kSelectionKey = QStringLiteral("selectedTextPosition");

} // namespace

TextKeyBinding::TextKeyBinding(FotoloomController& controller, QString key, Show shown)
    : m_controller(controller)
    , m_key(std::move(key))
    , m_show(std::move(shown))
{
    m_controller.addObserver(this, kCollageKey, KVOptionPrior, &kCollageReplaced);
    attachCollage();
    attachItem();
    show();
}

TextKeyBinding::~TextKeyBinding()
{
    detachItem();
    detachCollage();
    m_controller.removeObserver(this, kCollageKey, &kCollageReplaced);
}

void TextKeyBinding::attachCollage()
{
    const std::shared_ptr<Collage>& collage = m_controller.collage();
    if (!collage)
        return;
    collage->addObserver(this, kSelectionKey, KVOptionPrior, &kSelectionChanged);
    m_collage = collage;
}

void TextKeyBinding::detachCollage()
{
    if (const std::shared_ptr<Collage> old = m_collage.lock())
        old->removeObserver(this, kSelectionKey, &kSelectionChanged);
    m_collage.reset();
}

void TextKeyBinding::attachItem()
{
    const std::shared_ptr<Collage> collage = m_collage.lock();
    const std::shared_ptr<TextPosition> item = collage ? collage->selectedText() : nullptr;
    if (item && item == m_item.lock())
        return;
    detachItem();
    if (!item)
        return;
    item->addObserver(this, m_key, KVOptionNew, &kValueChanged);
    m_item = item;
}

void TextKeyBinding::detachItem()
{
    if (const std::shared_ptr<TextPosition> old = m_item.lock())
        old->removeObserver(this, m_key, &kValueChanged);
    m_item.reset();
}

QVariant TextKeyBinding::value() const
{
    const std::shared_ptr<Collage>& collage = m_controller.collage();
    const std::shared_ptr<TextPosition> item = collage ? collage->selectedText() : nullptr;
    if (!item)
        return {};
    try {
        return item->valueForKey(m_key);
    } catch (const UndefinedKeyError&) {
        qCWarning(lcTextBinding) << "a text item has no key" << m_key;
        return {};
    }
}

void TextKeyBinding::write(const QVariant& value)
{
    if (m_showing)
        return;
    m_controller.setValueOfSelectedText(value, m_key);
}

void TextKeyBinding::show()
{
    if (!m_show)
        return;
    m_showing = true;
    m_show(value());
    m_showing = false;
}

void TextKeyBinding::observeValueForKeyPath(const QString&, KVObject*, const KVChange& change,
                                            const KVContext* context)
{
    if (context == &kCollageReplaced) {
        // The prior notification comes while the old collage is current.
        if (change.isPrior) {
            detachItem();
            detachCollage();
        } else {
            attachCollage();
            attachItem();
            show();
        }
        return;
    }
    if (context == &kSelectionChanged) {
        if (change.isPrior) {
            detachItem();
        } else {
            attachItem();
            show();
        }
        return;
    }
    if (context == &kValueChanged) {
        // The list may have changed under an unchanged index.
        attachItem();
        show();
    }
}

} // namespace qf
