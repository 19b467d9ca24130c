// The collage JSON object: writing and reading the keys every collage type
// shares.
#include "model/Collage.h"

#include "model/CollageHost.h"
#include "model/CollageJsonKeys.h"
#include "model/TextPosition.h"
#include "model/UtilityFunctions.h"
#include "platform/json/JsonValues.h"
#include "platform/services/WebSites.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace qf {

using namespace CollageJsonKeys;

namespace {

// About 31,700 years either side of 1970: no file is dated further out, and
// within it seconds and milliseconds convert both ways exactly.
constexpr double kMaxAbsSeconds = 1e12;

std::optional<QDateTime> dateFromSecondsSince1970(const QJsonValue& v)
{
    const auto seconds = json::toNumber(v);
    if (!seconds)
        return std::nullopt;
    if (!(*seconds >= -kMaxAbsSeconds && *seconds <= kMaxAbsSeconds))
        return std::nullopt;
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(qRound64(*seconds * 1000.0), Qt::UTC);
    return date.isValid() ? std::optional<QDateTime>(date) : std::nullopt;
}

// The index read when it names an element; otherwise the current one while it
// still does, else none.
qint64 selectionAfterReading(std::optional<qint64> read, qint64 current, qsizetype count)
{
    if (read && *read >= 0 && *read < count)
        return *read;
    return (current >= 0 && current < count) ? current : -1;
}

} // namespace

QJsonObject Collage::dictionaryRepresentationActual(bool actual) const
{
    QJsonObject dict;
    addMyPropertiesTo(dict, actual);
    return dict;
}

void Collage::addMyPropertiesTo(QJsonObject& dict, bool actual) const
{
    static const QString osVersion = UtilityFunctions::getMacOSXVersion();
    dict.insert(kOsVersionKey, osVersion);
    dict.insert(kVersionKey, QStringLiteral(QF_VERSION));
    dict.insert(kDescriptionKey, QStringLiteral("Collage created using Quiltfolio for Linux application from")
                                     + QLatin1Char(' ') + productWebSiteAddress());

    // Items without content are left out, so the selection is written as an
    // index into the written list.
    QJsonArray textItems;
    qint64 selectedTextWritten = -1;
    for (qsizetype i = 0; i < m_textPositions.size(); ++i) {
        const TextPositionPtr& item = m_textPositions[i];
        if (!item || item->content().isEmpty())
            continue;
        if (i == m_selectedTextPosition)
            selectedTextWritten = textItems.size();
        textItems.append(item->getJsonDictionary());
    }

    if (!actual) {
        dict.insert(kSelectedTextKey, selectedTextWritten);
        dict.insert(kSelectedImageKey, m_selectedImagePosition);
        dict.insert(kLockPicturesKey, m_lockPictures);
        dict.insert(kLockTextKey, m_lockText);
    }
    dict.insert(kCollageTypeKey, m_collageType);
    dict.insert(kImagesKey, QJsonArray::fromStringList(m_images));
    dict.insert(kHeightKey, m_height);
    dict.insert(kWidthKey, m_width);
    dict.insert(kResolutionKey, m_resolution);
    dict.insert(kBackgroundIsImageKey, m_backgroundIsImage);
    dict.insert(kBackgroundIsPatternKey, m_backgroundImageIsPattern);
    dict.insert(kPatternRowsKey, m_backgroundImagePatternNumberOfRows);
    dict.insert(kBackgroundIsTransparentKey, m_backgroundIsTransparent);
    if (!m_backgroundImagePath.isEmpty())
        dict.insert(kBackgroundImageKey, m_backgroundImagePath);
    dict.insert(kBackgroundColorKey, UtilityFunctions::getJsonDictionaryForColor(m_backgroundColor));
    dict.insert(kBorderColorKey, UtilityFunctions::getJsonDictionaryForColor(m_borderColor));
    dict.insert(kSpacingKey, m_spacing);
    dict.insert(kStrokeWidthKey, m_strokeWidth);
    dict.insert(kCornerRadiusKey, m_cornerRadiusSize);
    dict.insert(kDrawShadowKey, m_drawShadow);
    dict.insert(kShadowXKey, m_shadowX);
    dict.insert(kShadowYKey, m_shadowY);
    dict.insert(kShadowBlurKey, m_shadowBlur);
    dict.insert(kImageScalingKey, m_imageScaling);
    dict.insert(kTextItemsKey, textItems);

    QJsonArray slotObjects;
    for (const PositionPtr& pos : m_picturePositions)
        if (pos)
            slotObjects.append(pos->getJsonDictionary());
    dict.insert(kSlotsKey, slotObjects);

    // Only the pictures still in the collage keep their file details.
    QJsonObject paths;
    QJsonObject times;
    for (const QString& md5 : m_images) {
        const auto path = m_md5ToPathsDictionary.constFind(md5);
        if (path != m_md5ToPathsDictionary.cend())
            paths.insert(md5, path.value());
        const auto time = m_md5ToModifiedTimeDictionary.constFind(md5);
        if (time != m_md5ToModifiedTimeDictionary.cend() && time.value().isValid())
            times.insert(md5, double(time.value().toMSecsSinceEpoch()) / 1000.0);
    }
    dict.insert(kPathsKey, paths);
    dict.insert(kModifiedTimesKey, times);
}

void Collage::setMyPropertiesFrom(const QJsonObject& dict)
{
    m_picturesPutBackOnReading.clear();
    QStringList images;
    if (const auto list = json::array(dict, kImagesKey))
        for (const QJsonValue& v : *list)
            // A picture identity is never empty.
            if (const auto md5 = json::toString(v); md5 && !md5->isEmpty())
                images.append(*md5);
    setImages(images);

    if (const auto h = json::integer(dict, kHeightKey))
        setHeight(*h);
    if (const auto w = json::integer(dict, kWidthKey))
        setWidth(*w);
    setResolution(json::integerOr(dict, kResolutionKey, 300));

    if (const auto b = json::boolean(dict, kBackgroundIsImageKey))
        setBackgroundIsImage(*b);
    if (const auto b = json::boolean(dict, kBackgroundIsPatternKey))
        setBackgroundImageIsPattern(*b);
    if (const auto rows = json::integer(dict, kPatternRowsKey))
        setBackgroundImagePatternNumberOfRows(*rows);
    if (const auto b = json::boolean(dict, kBackgroundIsTransparentKey))
        setBackgroundIsTransparent(*b);

    // The picture itself is fetched by the first draw.
    if (const auto md5 = json::string(dict, kBackgroundImageKey))
        setBackgroundImagePath(*md5);

    if (const auto c = UtilityFunctions::getColorFromJsonDictionary(dict.value(kBackgroundColorKey)))
        setBackgroundColor(*c);
    if (const auto c = UtilityFunctions::getColorFromJsonDictionary(dict.value(kBorderColorKey)))
        setBorderColor(*c);

    // An absent "sp" keeps the current spacing, clamped all the same.
    const double spacing = json::numberOr(dict, kSpacingKey, m_spacing);
    setSpacing(!(spacing >= minSpacing()) ? minSpacing() : std::min(spacing, maxSpacing()));
    setStrokeWidth(json::clampedNumber(dict, kStrokeWidthKey, minStrokeWidth(), maxStrokeWidth(), 0.0));
    setCornerRadiusSize(
        json::clampedNumber(dict, kCornerRadiusKey, minCornerRadiusSize(), maxCornerRadiusSize(), 0.0));

    if (const auto b = json::boolean(dict, kDrawShadowKey))
        setDrawShadow(*b);
    if (const auto x = json::number(dict, kShadowXKey))
        setShadowX(*x);
    if (const auto y = json::number(dict, kShadowYKey))
        setShadowY(*y);
    if (const auto blur = json::number(dict, kShadowBlurKey))
        setShadowBlur(*blur);
    setImageScaling(json::integerOr(dict, kImageScalingKey, ImageScalingCropToFill));

    // The outgoing items leave this collage, so their undo registrations go
    // with them; the new ones are registered when this collage is observed.
    KVObserver* observer = m_myWindowController ? m_myWindowController->undoObserver() : nullptr;
    for (const TextPositionPtr& item : m_textPositions)
        if (item)
            item->stopObservingProperties(observer);
    m_textPositions.clear();
    if (const auto list = json::array(dict, kTextItemsKey)) {
        // Each item is observed for undo and laid out: the first ones only.
        for (const QJsonValue& v : *list) {
            if (m_textPositions.size() >= TextPosition::maxItemsInFile())
                break;
            const auto element = json::toObject(v);
            if (!element)
                continue;
            auto item = std::make_shared<TextPosition>();
            item->setMyPropertiesFrom(*element, m_width, m_height);
            if (m_beingObserved)
                item->startObservingProperties(observer);
            m_textPositions.append(std::move(item));
        }
    }

    m_picturePositions.clear();
    if (const auto list = json::array(dict, kSlotsKey)) {
        for (const QJsonValue& v : *list) {
            const auto element = json::toObject(v);
            if (!element)
                continue;
            PositionPtr pos = getBrandNewPosition();
            if (!pos)
                continue;
            pos->setMyPropertiesFrom(*element);
            m_picturePositions.append(std::move(pos));
        }
    }

    setSelectedTextPosition(selectionAfterReading(json::integer(dict, kSelectedTextKey), m_selectedTextPosition,
                                                  m_textPositions.size()));
    setSelectedImagePosition(selectionAfterReading(json::integer(dict, kSelectedImageKey), m_selectedImagePosition,
                                                   m_picturePositions.size()));
    if (const auto b = json::boolean(dict, kLockPicturesKey))
        setLockPictures(*b);
    if (const auto b = json::boolean(dict, kLockTextKey))
        setLockText(*b);

    m_md5ToPathsDictionary.clear();
    if (const auto paths = json::object(dict, kPathsKey))
        for (auto it = paths->constBegin(); it != paths->constEnd(); ++it)
            if (const auto path = json::toString(it.value()))
                m_md5ToPathsDictionary.insert(it.key(), *path);

    m_md5ToModifiedTimeDictionary.clear();
    if (const auto times = json::object(dict, kModifiedTimesKey))
        for (auto it = times->constBegin(); it != times->constEnd(); ++it)
            if (const auto date = dateFromSecondsSince1970(it.value()))
                m_md5ToModifiedTimeDictionary.insert(it.key(), *date);
}

QString Collage::jsonStringRepresentation() const
{
    return QString::fromUtf8(jsonStringNSData());
}

QByteArray Collage::jsonStringNSData() const
{
    return QJsonDocument(dictionaryRepresentationActual(true)).toJson(QJsonDocument::Compact);
}

} // namespace qf
