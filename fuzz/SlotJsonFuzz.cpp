// Feeds arbitrary bytes to the slot reader as a JSON object, then exercises
// the crop window that was read the way the layouts do. Nothing may crash,
// and no crop window may hold a non-finite number afterwards.
#include "model/PanZoomPos.h"
#include "model/Position.h"
#include "model/UtilityFunctions.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!doc.isObject())
        return 0;
    qf::Position slot;
    slot.setMyPropertiesFrom(doc.object());
    (void)slot.getJsonDictionary();
    (void)qf::UtilityFunctions::getColorFromJsonDictionary(doc.object().value(QStringLiteral("c")));
    (void)qf::UtilityFunctions::getRectFromJsonDictionary(doc.object().value(QStringLiteral("r")));

    if (auto& pz = slot.panZoomValue()) {
        const QSizeF image(600, 400);
        for (int i = 0; i < 30; ++i)
            pz->fixToNotOverflow(image, 100, 37);
        pz->translate(image, 100, 37, 1e9, -1e9);
        (void)pz->isOverflowing(image, 100, 37);
        if (!std::isfinite(pz->cx()) || !std::isfinite(pz->cy()) || !std::isfinite(pz->l()))
            std::abort();
    }
    return 0;
}
