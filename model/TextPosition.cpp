#include "model/TextPosition.h"

namespace qf {

const KVContext QFUndoTextObservationContext{"com.bramblequartz.quiltfolio.QFUndoTextObservationContext"};

TextPosition::TextPosition() = default;
TextPosition::~TextPosition() = default;

QStringList TextPosition::undoKeys() const
{
    return {};
}

void TextPosition::startObservingProperties(KVObserver* observer)
{
    if (!observer || m_beingObserved)
        return;
    for (const QString& key : undoKeys())
        addObserver(observer, key, KVOptionNew | KVOptionOld | KVOptionPrior, &QFUndoTextObservationContext);
    m_beingObserved = true;
}

void TextPosition::stopObservingProperties(KVObserver* observer)
{
    if (!observer || !m_beingObserved)
        return;
    for (const QString& key : undoKeys())
        removeObserver(observer, key, &QFUndoTextObservationContext);
    m_beingObserved = false;
}

} // namespace qf
