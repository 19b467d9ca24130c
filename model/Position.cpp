#include "model/Position.h"

#include "model/UtilityFunctions.h"
#include "platform/json/JsonValues.h"

namespace qf {

namespace {
const QString kPictureKey = QStringLiteral("pppath");
const QString kPanZoomKey = QStringLiteral("panz");
const QString kPreferredToFillKey = QStringLiteral("ppptofill");
const QString kHidePickerKey = QStringLiteral("ppphidepicker");
// Marks the object as a slot; never read back.
const QString kSlotMarkKey = QStringLiteral("psipk");
const QString kSlotMarkValue = QStringLiteral("psipkv");
} // namespace

Position::Position() = default;

Position::Position(const QString& picture)
    : m_picture(picture)
{
}

Position::~Position() = default;

bool Position::isEmpty() const
{
    return m_picture.isEmpty();
}

QJsonObject Position::getJsonDictionary() const
{
    QJsonObject dict;
    addMyPropertiesTo(dict);
    return dict;
}

void Position::addMyPropertiesTo(QJsonObject& dict) const
{
    if (!isEmpty())
        dict.insert(kPictureKey, m_picture);
    if (m_panZoomValue)
        dict.insert(kPanZoomKey, UtilityFunctions::getJsonDictionaryForPanZoom(*m_panZoomValue));
    else
        dict.remove(kPanZoomKey);
    dict.insert(kPreferredToFillKey, m_preferredToFill);
    dict.insert(kHidePickerKey, m_hideImagePicker);
    dict.insert(kSlotMarkKey, kSlotMarkValue);
}

void Position::setMyPropertiesFrom(const QJsonObject& dict)
{
    m_picture = json::string(dict, kPictureKey).value_or(QString());
    m_panZoomValue = PanZoomPos::fromFile(dict.value(kPanZoomKey));
    m_preferredToFill = json::booleanOr(dict, kPreferredToFillKey, false);
    m_hideImagePicker = json::booleanOr(dict, kHidePickerKey, false);
}

} // namespace qf
