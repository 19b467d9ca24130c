#include "editor/TextKeyBinding.h"

#include "editor/FotoloomController.h"
#include "model/Collage.h"
#include "model/TextPosition.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcTextBinding, "qf.editor.binding.text")

namespace qf {

namespace {

const KVContext kSelectionChanged{"TextKeyBinding.selection"};
const KVContext kValueChanged{"TextKeyBinding.value"};
const QString kSelectionKey = QStringLiteral("selectedTextPosition");

} // namespace

TextKeyBinding::TextKeyBinding(FotoloomController& controller, QString key, Show shown)
    : KeyBinding(controller, std::move(key), std::move(shown))
{
    start();
}

TextKeyBinding::~TextKeyBinding()
{
    stop();
}

void TextKeyBinding::attach()
{
    const std::shared_ptr<Collage>& collage = m_controller.collage();
    if (!collage)
        return;
    collage->addObserver(this, kSelectionKey, KVOptionPrior, &kSelectionChanged);
    m_collage = collage;
    attachItem();
}

void TextKeyBinding::detach()
{
    detachItem();
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
    item->addObserver(this, key(), KVOptionNew, &kValueChanged);
    m_item = item;
}

void TextKeyBinding::detachItem()
{
    if (const std::shared_ptr<TextPosition> old = m_item.lock())
        old->removeObserver(this, key(), &kValueChanged);
    m_item.reset();
}

QVariant TextKeyBinding::value() const
{
    const std::shared_ptr<Collage>& collage = m_controller.collage();
    const std::shared_ptr<TextPosition> item = collage ? collage->selectedText() : nullptr;
    if (!item)
        return {};
    try {
        return item->valueForKey(key());
    } catch (const UndefinedKeyError&) {
        qCWarning(lcTextBinding) << "a text item has no key" << key();
        return {};
    }
}

void TextKeyBinding::store(const QVariant& value)
{
    m_controller.text().setValueOfSelectedText(value, key());
}

void TextKeyBinding::changed(const KVChange& change, const KVContext* context)
{
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
