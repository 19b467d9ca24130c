#include "model/Collage.h"

#include "model/CollageHost.h"
#include "model/QFCollageSize.h"
#include "model/ResourceImages.h"
#include "model/TextPosition.h"
#include "model/UtilityFunctions.h"
#include "platform/time/Clock.h"

#include <QDebug>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>

namespace qf {

const KVContext QFUndoCollageObservationContext{"com.bramblequartz.quiltfolio.QFUndoCollageObservationContext"};

namespace {
// How long one face pass may block the user interface.
constexpr qint64 kFacePassBudgetMs = 15000;
} // namespace

Collage::Collage()
    : m_width(QFCollageSize::defaultSizeWidth())
    , m_height(QFCollageSize::defaultSizeHeight())
{
}

Collage::~Collage() = default;

void Collage::setMyWindowController(CollageHost* host)
{
    m_myWindowController = host;
    CollageCaches* shared = host ? host->collageCaches() : nullptr;
    if (!shared)
        return;
    shared->drawingImages.insert(m_ownCaches.drawingImages);
    shared->faceCentroids.insert(m_ownCaches.faceCentroids);
    m_ownCaches = {};
}

CollageCaches& Collage::caches() const
{
    CollageCaches* shared = m_myWindowController ? m_myWindowController->collageCaches() : nullptr;
    return shared ? *shared : m_ownCaches;
}

const KVKeyTable& Collage::keyTable()
{
    static const KVKeys<Collage> table = [] {
        KVKeys<Collage> t;
        t.property(QStringLiteral("collageType"), &Collage::collageType, &Collage::setCollageType);
        t.property(QStringLiteral("images"), &Collage::images, &Collage::setImages);
        t.property(QStringLiteral("width"), &Collage::width, &Collage::setWidth);
        t.property(QStringLiteral("height"), &Collage::height, &Collage::setHeight);
        t.property(QStringLiteral("resolution"), &Collage::resolution, &Collage::setResolution);
        t.property(QStringLiteral("backgroundIsImage"), &Collage::backgroundIsImage, &Collage::setBackgroundIsImage);
        t.property(QStringLiteral("backgroundImageIsPattern"), &Collage::backgroundImageIsPattern,
                   &Collage::setBackgroundImageIsPattern);
        t.property(QStringLiteral("backgroundImagePatternNumberOfRows"),
                   &Collage::backgroundImagePatternNumberOfRows, &Collage::setBackgroundImagePatternNumberOfRows);
        t.property(QStringLiteral("backgroundIsTransparent"), &Collage::backgroundIsTransparent,
                   &Collage::setBackgroundIsTransparent);
        t.property(QStringLiteral("backgroundImagePath"), &Collage::backgroundImagePath,
                   &Collage::setBackgroundImagePath);
        t.property(QStringLiteral("backgroundColor"), &Collage::backgroundColor, &Collage::setBackgroundColor);
        t.property(QStringLiteral("borderColor"), &Collage::borderColor, &Collage::setBorderColor);
        t.property(QStringLiteral("spacing"), &Collage::spacing, &Collage::setSpacing);
        t.property(QStringLiteral("strokeWidth"), &Collage::strokeWidth, &Collage::setStrokeWidth);
        t.property(QStringLiteral("cornerRadiusSize"), &Collage::cornerRadiusSize, &Collage::setCornerRadiusSize);
        t.property(QStringLiteral("drawShadow"), &Collage::drawShadow, &Collage::setDrawShadow);
        t.property(QStringLiteral("shadowX"), &Collage::shadowX, &Collage::setShadowX);
        t.property(QStringLiteral("shadowY"), &Collage::shadowY, &Collage::setShadowY);
        t.property(QStringLiteral("shadowBlur"), &Collage::shadowBlur, &Collage::setShadowBlur);
        t.property(QStringLiteral("imageScaling"), &Collage::imageScaling, &Collage::setImageScaling);
        t.property(QStringLiteral("selectedImagePosition"), &Collage::selectedImagePosition,
                   &Collage::setSelectedImagePosition);
        t.property(QStringLiteral("selectedTextPosition"), &Collage::selectedTextPosition,
                   &Collage::setSelectedTextPosition);
        t.property(QStringLiteral("dragging"), &Collage::dragging, &Collage::setDragging);
        t.property(QStringLiteral("draggingText"), &Collage::draggingText, &Collage::setDraggingText);
        t.property(QStringLiteral("handleBeingHeld"), &Collage::handleBeingHeld, &Collage::setHandleBeingHeld);
        t.property(QStringLiteral("lockPictures"), &Collage::lockPictures, &Collage::setLockPictures);
        t.property(QStringLiteral("lockText"), &Collage::lockText, &Collage::setLockText);
        t.property(QStringLiteral("drawFast"), &Collage::drawFast, &Collage::setDrawFast);
        t.property(QStringLiteral("pickPictureForPositionIndex"), &Collage::pickPictureForPositionIndex,
                   &Collage::setPickPictureForPositionIndex);
        const QString sel = QStringLiteral("selectedImagePosition");
        const QString selText = QStringLiteral("selectedTextPosition");
        t.derived(QStringLiteral("indexOfOrientation"), &Collage::getIndexOfOrientation,
                  {QStringLiteral("height"), QStringLiteral("width")});
        t.derived(QStringLiteral("pictureOrTextInDrawingViewSelected"),
                  &Collage::getPictureOrTextInDrawingViewSelected, {sel, selText});
        t.derived(QStringLiteral("pictureInDrawingViewSelected"), &Collage::getPictureInDrawingViewSelected, {sel});
        // A picture put into, or taken from, the selected slot changes the
        // picture list as well.
        t.derived(QStringLiteral("nonEmptyPictureInDrawingViewSelected"),
                  &Collage::getNonEmptyPictureInDrawingViewSelected, {sel, QStringLiteral("images")});
        t.derived(QStringLiteral("textInDrawingViewSelected"), &Collage::getTextInDrawingViewSelected, {selText});
        t.derived(QStringLiteral("selectedTextPositionObject"),
                  [](const Collage& c) { return static_cast<KVObject*>(c.getSelectedTextPositionObject()); },
                  {selText});
        t.derived(QStringLiteral("indexOfAlignment"), &Collage::getIndexOfAlignment, {selText});
        t.derived(QStringLiteral("showClickOnTextToEditLabel"), &Collage::getShowClickOnTextToEditLabel,
                  {selText, QStringLiteral("lockText")});
        t.derived(QStringLiteral("changeRowsEnabledInBackgroundPattern"),
                  &Collage::getChangeRowsEnabledInBackgroundPattern,
                  {QStringLiteral("backgroundIsTransparent"), QStringLiteral("backgroundImageIsPattern"),
                   QStringLiteral("backgroundIsImage")});
        t.derived(QStringLiteral("backgroundPictureIsPatternCheckboxEnabled"),
                  &Collage::getBackgroundPictureIsPatternCheckboxEnabled,
                  {QStringLiteral("backgroundIsTransparent"), QStringLiteral("backgroundIsImage")});
        t.derived(QStringLiteral("minSpacing"), [](const Collage&) { return minSpacing(); }, {});
        t.derived(QStringLiteral("maxSpacing"), [](const Collage&) { return maxSpacing(); }, {});
        t.derived(QStringLiteral("minStrokeWidth"), [](const Collage&) { return minStrokeWidth(); }, {});
        t.derived(QStringLiteral("maxStrokeWidth"), [](const Collage&) { return maxStrokeWidth(); }, {});
        t.derived(QStringLiteral("minCornerRadiusSize"), [](const Collage&) { return minCornerRadiusSize(); }, {});
        t.derived(QStringLiteral("maxCornerRadiusSize"), [](const Collage&) { return maxCornerRadiusSize(); }, {});
        return t;
    }();
    return table;
}

void Collage::mouseMovedAtPictureLayer(QPointF, double, double, const MouseEvent&) {}

// ---- slots and pictures -----------------------------------------------------

QList<PositionPtr> Collage::getAllEmptyPositions() const
{
    QList<PositionPtr> empty;
    for (const PositionPtr& pos : m_picturePositions)
        if (pos->isEmpty())
            empty.append(pos);
    return empty;
}

PositionPtr Collage::getFirstEmptyPosition() const
{
    PositionPtr firstEmpty;
    for (const PositionPtr& pos : m_picturePositions) {
        if (!pos->isEmpty())
            continue;
        if (pos->preferredToFill())
            return pos;
        if (!firstEmpty)
            firstEmpty = pos;
    }
    return firstEmpty;
}

QStringList Collage::getRandomArrayOfImages() const
{
    return UtilityFunctions::randomlyShuffledNewArray(m_images);
}

QStringList Collage::beginAddingPictures(const QStringList& md5s, const QHash<QString, QString>& md5ToPaths,
                                         const QHash<QString, QDateTime>& md5ToModifiedTimes)
{
    m_md5ToPathsDictionary.insert(md5ToPaths);
    m_md5ToModifiedTimeDictionary.insert(md5ToModifiedTimes);
    removeAllSelections();
    QSet<QString> present(m_images.cbegin(), m_images.cend());
    QStringList fresh;
    for (const QString& md5 : md5s) {
        if (md5.isEmpty() || present.contains(md5))
            continue;
        present.insert(md5);
        fresh.append(md5);
    }
    return fresh;
}

void Collage::rememberPictures(const QStringList& fresh, const QHash<QString, QImage>& images)
{
    // A picture without an image is fetched from the store when drawn.
    for (const QString& md5 : fresh)
        if (const QImage image = images.value(md5); !image.isNull())
            nsImages().insert(md5, image);
    setImages(m_images + fresh);
}

QSet<QString> Collage::picturesAtIndexes(const QList<qsizetype>& indexes) const
{
    QSet<QString> pictures;
    for (const qsizetype i : indexes)
        if (i >= 0 && i < m_images.size())
            pictures.insert(m_images[i]);
    return pictures;
}

void Collage::forgetPictures(const QSet<QString>& removed)
{
    QStringList remaining;
    for (const QString& md5 : std::as_const(m_images))
        if (!removed.contains(md5))
            remaining.append(md5);
    setImages(remaining);
    for (const QString& md5 : removed)
        nsImages().remove(md5);
}

QStringList Collage::reconcileSlotsWithPictures()
{
    QSet<QString> shown;
    for (const PositionPtr& slot : std::as_const(m_picturePositions)) {
        if (!slot || slot->isEmpty())
            continue;
        if (!m_images.contains(slot->picture()) || shown.contains(slot->picture())) {
            slot->setPicture(QString());
            slot->setPanZoomValue(std::nullopt);
        } else {
            shown.insert(slot->picture());
        }
    }
    QStringList unshown;
    for (const QString& md5 : std::as_const(m_images))
        if (!shown.contains(md5))
            unshown.append(md5);
    return unshown;
}

QStringList Collage::allPicturesInUse() const
{
    QStringList inUse = m_images;
    if (!m_backgroundImagePath.isEmpty())
        inUse.append(m_backgroundImagePath);
    return inUse;
}

QImage Collage::getNsImage(const QString& md5, bool actual)
{
    if (md5.isEmpty())
        return {};
    if (actual)
        return m_myWindowController ? m_myWindowController->completeSizeImage(md5) : QImage();
    QHash<QString, QImage>& cache = nsImages();
    const auto cached = cache.constFind(md5);
    if (cached != cache.cend())
        return cached.value();
    if (!m_myWindowController)
        return {};
    QImage image = m_myWindowController->drawingSizeImage(md5);
    if (!image.isNull())
        cache.insert(md5, image);
    return image;
}

void Collage::pickPicture(const QString& md5, const QImage& image, qint64 index,
                          const QHash<QString, QString>& md5ToPaths,
                          const QHash<QString, QDateTime>& md5ToModifiedTimes)
{
    if (md5.isEmpty() || image.isNull() || !validSlotIndex(index))
        return;
    m_md5ToPathsDictionary.insert(md5ToPaths);
    m_md5ToModifiedTimeDictionary.insert(md5ToModifiedTimes);

    const PositionPtr target = m_picturePositions[index];
    // The selected slot may show a picture after this, which enables the
    // commands on it: observers hear of it once the slot has its picture.
    const QString selectedShowsPicture = QStringLiteral("nonEmptyPictureInDrawingViewSelected");
    const bool selected = index == m_selectedImagePosition;
    if (selected)
        willChangeValueForKey(selectedShowsPicture);
    const auto announced = qScopeGuard([this, selected, &selectedShowsPicture] {
        if (selected)
            didChangeValueForKey(selectedShowsPicture);
    });

    // The picture already shows in a slot (the last one that shows it): swap.
    for (qsizetype j = m_picturePositions.size() - 1; j >= 0; --j) {
        const PositionPtr& other = m_picturePositions[j];
        if (other->picture() != md5)
            continue;
        if (j == index)
            return;
        const QString displaced = target->picture();
        target->setPicture(md5);
        other->setPicture(displaced);
        target->setPanZoomValue(std::nullopt);
        other->setPanZoomValue(std::nullopt);
        detectFacesAndUpdatePanZoomAll(false, false, QList<PositionPtr>{target, other});
        return;
    }

    // A new picture. When the target's picture shows nowhere else it leaves
    // the collage and the new one takes its place in `images`. A picture the
    // collage holds without showing it (a grid past its cap) is not listed twice.
    const bool listed = m_images.contains(md5);
    bool replaced = false;
    if (!target->isEmpty()) {
        const QString displaced = target->picture();
        const auto shownIn = std::count_if(m_picturePositions.cbegin(), m_picturePositions.cend(),
                                           [&](const PositionPtr& p) { return p->picture() == displaced; });
        if (shownIn == 1) {
            const qsizetype at = m_images.lastIndexOf(displaced);
            if (at >= 0) {
                QStringList images = m_images;
                if (listed)
                    images.removeAt(at);
                else
                    images[at] = md5;
                setImages(images);
                replaced = true;
            }
        }
    }
    if (!replaced && !listed)
        setImages(m_images + QStringList{md5});

    nsImages().insert(md5, image);
    target->setPicture(md5);
    target->setPanZoomValue(std::nullopt);
    detectFacesAndUpdatePanZoomAll(false, false, QList<PositionPtr>{target});
}

void Collage::shuffleInPlace()
{
    removeAllSelections();
    if (m_picturePositions.isEmpty())
        return;
    QStringList pictures;
    for (const PositionPtr& pos : m_picturePositions)
        if (!pos->isEmpty())
            pictures.append(pos->picture());
    const QStringList shuffled = UtilityFunctions::randomlyShuffledNewArray(pictures);
    for (qsizetype k = 0; k < m_picturePositions.size(); ++k) {
        const PositionPtr& pos = m_picturePositions[k];
        pos->setPicture(k < shuffled.size() ? shuffled[k] : QString());
        pos->setPanZoomValue(std::nullopt);
    }
    detectFacesAndUpdatePanZoomAll(true, false, std::nullopt);
}

PositionPtr Collage::selectedPosition() const
{
    return validSlotIndex(m_selectedImagePosition) ? m_picturePositions[m_selectedImagePosition] : PositionPtr();
}

TextPositionPtr Collage::selectedText() const
{
    const qint64 i = m_selectedTextPosition;
    return (i >= 0 && i < m_textPositions.size()) ? m_textPositions[i] : TextPositionPtr();
}

void Collage::cropSelectedTo(double, const PanZoomPos& panZoom)
{
    const PositionPtr pos = selectedPosition();
    if (!pos)
        return;
    pos->setPanZoomValue(pos->isEmpty() ? std::nullopt : std::optional<PanZoomPos>(panZoom));
}

void Collage::removeCropFromSelected()
{
    if (const PositionPtr pos = selectedPosition())
        pos->setPanZoomValue(std::nullopt);
}

void Collage::switchSelectedPrefferedToFill()
{
    if (const PositionPtr pos = selectedPosition())
        pos->setPreferredToFill(!pos->preferredToFill());
}

void Collage::switchSelectedHideImagePicker()
{
    if (const PositionPtr pos = selectedPosition())
        pos->setHideImagePicker(!pos->hideImagePicker());
}

void Collage::removeAllSelections()
{
    setSelectedImagePosition(-1);
    setSelectedTextPosition(-1);
}

void Collage::removeAllPictureSelections()
{
    setSelectedImagePosition(-1);
}

void Collage::removeAllTextSelections()
{
    setSelectedTextPosition(-1);
}

bool Collage::removeSelectedText()
{
    const TextPositionPtr item = selectedText();
    if (!item) {
        // An index left over from elsewhere selects nothing: clear it.
        if (m_selectedTextPosition >= 0)
            setSelectedTextPosition(-1);
        return false;
    }
    if (m_myWindowController)
        item->stopObservingProperties(m_myWindowController->undoObserver());
    const qint64 index = m_selectedTextPosition;
    setSelectedTextPosition(-1);
    m_textPositions.removeAt(index);
    return true;
}

bool Collage::removeSelectedTextOrPicture()
{
    const bool text = removeSelectedText();
    const bool picture = removeSelectedPicture();
    return text || picture;
}

// ---- canvas -----------------------------------------------------------------

void Collage::setOrientation(qint64 orientationIndex)
{
    removeAllSelections();
    const qint64 w = m_width;
    const qint64 h = m_height;
    const bool swap = (orientationIndex == OrientationPortrait && h < w)
                      || (orientationIndex == OrientationLandscape && h > w);
    if (!swap)
        return;
    setWidth(h);
    setHeight(w);
}

void Collage::setCollageSizeTo(const QFCollageSize& size)
{
    removeAllSelections();
    const qint64 pw = size.pixelWidth();
    const qint64 ph = size.pixelHeight();
    if (size.orientationMatters()) {
        setWidth(pw);
        setHeight(ph);
    } else {
        const qint64 longSide = std::max(pw, ph);
        const qint64 shortSide = std::min(pw, ph);
        if (m_height <= m_width) {
            setWidth(longSide);
            setHeight(shortSide);
        } else {
            setHeight(longSide);
            setWidth(shortSide);
        }
    }
    setResolution(size.resolution());
}

// ---- background -------------------------------------------------------------

void Collage::setBackgroundImageByPath(const QString& path)
{
    setBackgroundImagePath(QString());
    setBackgroundIsImage(false);
    m_backgroundImage = QImage();
    if (!m_myWindowController)
        return;
    const std::optional<QString> md5 = m_myWindowController->importPicture(path);
    if (!md5 || md5->isEmpty())
        return;
    setBackgroundImageByMd5(*md5);
}

void Collage::setBackgroundImageByMd5(const QString& md5)
{
    setBackgroundImagePath(md5);
    setBackgroundIsImage(true);
    m_backgroundImage = m_myWindowController ? m_myWindowController->drawingSizeImage(md5) : QImage();
}

void Collage::setSelectedPictureAsBackground()
{
    const PositionPtr pos = selectedPosition();
    if (!pos || pos->isEmpty())
        return;
    setBackgroundImageByMd5(pos->picture());
    setBackgroundImagePatternNumberOfRows(-1);
}

// ---- type change ------------------------------------------------------------

void Collage::copyCommonSettings(Collage& other)
{
    setBackgroundIsImage(other.backgroundIsImage());
    setBackgroundImageIsPattern(other.backgroundImageIsPattern());
    setBackgroundImagePatternNumberOfRows(other.backgroundImagePatternNumberOfRows());
    setBackgroundIsTransparent(other.backgroundIsTransparent());
    setBackgroundColor(other.backgroundColor());
    setBackgroundImagePath(other.backgroundImagePath());
    m_backgroundImage = other.backgroundImage();
    setBorderColor(other.borderColor());
    setShadowX(other.shadowX());
    setShadowY(other.shadowY());
    setShadowBlur(other.shadowBlur());
    setHeight(other.height());
    setWidth(other.width());
    setResolution(other.resolution());
    // The text items move: a collage only ever touches the items it owns, so
    // the outgoing collage can no longer unregister observers from them.
    m_textPositions = std::move(other.m_textPositions);
    other.m_textPositions.clear();
    other.setSelectedTextPosition(-1);
    // Faces found are the same whoever asks; a shared cache has them already.
    if (&faceCentroidDict() != &other.faceCentroidDict())
        faceCentroidDict().insert(other.faceCentroidDict());
}

// ---- faces ------------------------------------------------------------------

void Collage::detectFacesOnlyAll(bool all, bool onlyThoseNotSet,
                                 const std::optional<QList<PositionPtr>>& onlyThesePositions)
{
    const QList<PositionPtr> toVisit = onlyThesePositions ? *onlyThesePositions : m_picturePositions;
    Clock& clock = Clock::current();
    const qint64 start = clock.elapsedMilliseconds();
    for (const PositionPtr& pos : toVisit) {
        if (clock.elapsedMilliseconds() - start > kFacePassBudgetMs) {
            qWarning("Long time spent in detecting faces, returning");
            return;
        }
        if (!pos || pos->isEmpty())
            continue;
        const bool wanted = all || onlyThesePositions || (onlyThoseNotSet && !pos->panZoomValue());
        if (!wanted)
            continue;
        const QString& md5 = pos->picture();
        if (faceCentroidDict().contains(md5))
            continue;
        QPointF centroid(-1, -1);
        const QImage image = getNsImage(md5, false);
        if (m_myWindowController && !image.isNull())
            centroid = m_myWindowController->faceCentroidInImage(image);
        faceCentroidDict().insert(md5, centroid);
    }
}

double Collage::AngleBetweenOrigin(QPointF origin, QPointF pt)
{
    // Single precision, as the rotation handle has always measured it.
    const float dx = static_cast<float>(pt.x() - origin.x());
    const float dy = static_cast<float>(pt.y() - origin.y());
    return static_cast<double>(std::atan2(dx, dy));
}

// ---- undo observation -------------------------------------------------------

QSet<QString> Collage::keysForValuesToObserveForUndo() const
{
    return {QStringLiteral("backgroundIsTransparent"), QStringLiteral("backgroundImageIsPattern"),
            QStringLiteral("spacing"),                 QStringLiteral("strokeWidth"),
            QStringLiteral("cornerRadiusSize"),        QStringLiteral("drawShadow"),
            QStringLiteral("shadowX"),                 QStringLiteral("shadowY"),
            QStringLiteral("shadowBlur"),              QStringLiteral("imageScaling"),
            QStringLiteral("backgroundColor"),         QStringLiteral("borderColor"),
            QStringLiteral("lockPictures"),            QStringLiteral("lockText")};
}

void Collage::startObservingProperties(KVObserver* observer)
{
    if (observer && !m_beingObserved) {
        for (const QString& key : keysForValuesToObserveForUndo())
            addObserver(observer, key, KVOptionNew | KVOptionOld | KVOptionPrior, &QFUndoCollageObservationContext);
        m_beingObserved = true;
    }
    for (const TextPositionPtr& item : m_textPositions)
        item->startObservingProperties(observer);
}

void Collage::startObservingProperties()
{
    startObservingProperties(m_myWindowController ? m_myWindowController->undoObserver() : nullptr);
}

void Collage::stopObservingProperties(KVObserver* observer)
{
    if (observer && m_beingObserved) {
        for (const QString& key : keysForValuesToObserveForUndo())
            removeObserver(observer, key, &QFUndoCollageObservationContext);
        m_beingObserved = false;
    }
    for (const TextPositionPtr& item : m_textPositions)
        item->stopObservingProperties(observer);
}

void Collage::stopObservingProperties()
{
    stopObservingProperties(m_myWindowController ? m_myWindowController->undoObserver() : nullptr);
}

} // namespace qf
