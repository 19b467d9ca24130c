#include "layouts/mosaic/CenterCollage.h"

#include "model/UtilityFunctions.h"

#include <QJsonValue>

namespace qf {

namespace {

const QString kCenterKey = QStringLiteral("cisposcen");
const QString kSymmetricKey = QStringLiteral("cisym");

} // namespace

void CenterPosition::addMyPropertiesTo(QJsonObject& dict) const
{
    MosaicPosition::addMyPropertiesTo(dict);
    dict.insert(kCenterKey, m_center);
}

void CenterPosition::setMyPropertiesFrom(const QJsonObject& dict)
{
    MosaicPosition::setMyPropertiesFrom(dict);
    m_center = dict.value(kCenterKey).toBool(false);
}

CenterCollage::CenterCollage()
{
    setCollageType(QStringLiteral("centerframe"));
    setDrawShadow(true);
    setupEmptyPositions();
}

const KVKeyTable& CenterCollage::keyTable()
{
    static const KVKeys<CenterCollage> table = [] {
        KVKeys<CenterCollage> t(MosaicCollage::keyTable());
        t.property(QStringLiteral("symmetric"), &CenterCollage::symmetric, &CenterCollage::setSymmetric);
        return t;
    }();
    return table;
}

bool CenterCollage::isCenter(const PositionPtr& slot)
{
    const auto* center = dynamic_cast<const CenterPosition*>(slot.get());
    return center && center->isCenter();
}

std::shared_ptr<MosaicPosition> CenterCollage::newSlot(const QString& picture, const QRectF& rect) const
{
    return std::make_shared<CenterPosition>(picture, rect, false);
}

PositionPtr CenterCollage::getBrandNewPosition()
{
    return std::make_shared<CenterPosition>();
}

void CenterCollage::setupEmptyPositions()
{
    picturePositions().clear();
    const double c = double(UtilityFunctions::randomIndexBelow(10)) / 100 + 0.4;
    const double m = (1 - c) / 2;
    const auto rowSplit = [this] {
        return m_symmetric ? 0.5 : double(UtilityFunctions::randomIndexBelow(20)) / 100 + 0.4;
    };
    const double t = rowSplit();
    QList<PositionPtr>& list = picturePositions();
    list.append(std::make_shared<CenterPosition>(QString(), QRectF(0, (1 + c) / 2, t, m), false));
    list.append(std::make_shared<CenterPosition>(QString(), QRectF(t, (1 + c) / 2, 1 - t, m), false));
    list.append(std::make_shared<CenterPosition>(QString(), QRectF(0, m, m, c), false));
    list.append(std::make_shared<CenterPosition>(QString(), QRectF(m, m, c, c), true));
    list.append(std::make_shared<CenterPosition>(QString(), QRectF((1 + c) / 2, m, m, c), false));
    const double b = rowSplit();
    list.append(std::make_shared<CenterPosition>(QString(), QRectF(0, 0, b, m), false));
    list.append(std::make_shared<CenterPosition>(QString(), QRectF(b, 0, 1 - b, m), false));
}

qint64 CenterCollage::findNextIndexToSplit() const
{
    const double w = double(width()), h = double(height());
    const QList<std::shared_ptr<MosaicPosition>> all = mosaicSlots();
    qint64 largestAt = -1;
    double largest = 0;
    for (qint64 i = 0; i < picturePositions().size(); ++i) {
        const std::shared_ptr<MosaicPosition> slot = mosaicSlot(i);
        if (!slot || isCenter(slot))
            continue;
        const double side = slot->getSizeOfBiggerDimension(w, h);
        if (largestAt < 0 || side > largest) {
            largestAt = i;
            largest = side;
        }
    }
    if (largestAt < 0 || !m_symmetric)
        return largestAt;
    const auto contains = [](const QRectF& r, double px, double py) {
        return r.x() <= px && px < r.x() + r.width() && r.y() <= py && py < r.y() + r.height();
    };
    qint64 firstCandidate = -1;
    for (qint64 i = 0; i < picturePositions().size(); ++i) {
        const std::shared_ptr<MosaicPosition> slot = mosaicSlot(i);
        if (!slot || isCenter(slot))
            continue;
        const double side = slot->getSizeOfBiggerDimension(w, h);
        if (!(side > 0.999 * largest && side < 1.001 * largest))
            continue;
        if (firstCandidate < 0)
            firstCandidate = i;
        // Its mirror image in the canvas's vertical centre line: is that
        // one slot still, or divided already?
        const QRectF r = slot->positionRect();
        const double mirrorX = 1 - r.x() - r.width();
        const QPointF low(mirrorX + 0.0001, r.y() + 0.0001);
        const QPointF high(mirrorX + r.width() - 0.0001, r.y() + r.height() - 0.0001);
        bool whole = false;
        for (const auto& other : all)
            if (contains(other->positionRect(), low.x(), low.y())
                && contains(other->positionRect(), high.x(), high.y()))
                whole = true;
        if (!whole)
            return i;
    }
    return firstCandidate;
}

void CenterCollage::addSomePictures(const QStringList& md5s)
{
    for (const QString& md5 : md5s)
        placeInASlot(md5);
}

void CenterCollage::placeNewPictures(const QStringList& md5s)
{
    addSomePictures(md5s);
}

void CenterCollage::newPicturesPlaced(qsizetype slotsBefore)
{
    if (slotsBefore == 0)
        rearrangePicturesForGoodFit();
    detectFacesAndUpdatePanZoomAll(false, true, std::nullopt);
}

void CenterCollage::shuffle()
{
    removeAllSelections();
    if (picturePositions().isEmpty())
        return;
    setupEmptyPositions();
    addSomePictures(getRandomArrayOfImages());
    rearrangePicturesForGoodFit();
    detectFacesAndUpdatePanZoomAll(true, false, std::nullopt);
}

void CenterCollage::setSelectedAsCenter()
{
    const PositionPtr selected = selectedPosition();
    if (!selected || selected->isEmpty())
        return;
    if (isCenter(selected)) {
        removeAllPictureSelections();
        return;
    }
    PositionPtr center;
    for (const PositionPtr& slot : picturePositions())
        if (isCenter(slot)) {
            center = slot;
            break;
        }
    if (!center)
        return; // typed positions: no centre to trade with
    const QString picture = selected->picture();
    selected->setPicture(center->picture());
    center->setPicture(picture);
    selected->setPanZoomValue(std::nullopt);
    center->setPanZoomValue(std::nullopt);
    detectFacesAndUpdatePanZoomAll(false, true, QList<PositionPtr>{selected, center});
    removeAllSelections();
}

QSet<QString> CenterCollage::keysForValuesToObserveForUndo() const
{
    QSet<QString> keys = MosaicCollage::keysForValuesToObserveForUndo();
    keys.insert(QStringLiteral("symmetric"));
    return keys;
}

void CenterCollage::addMyPropertiesTo(QJsonObject& dict, bool actual) const
{
    MosaicCollage::addMyPropertiesTo(dict, actual);
    dict.insert(kSymmetricKey, m_symmetric);
}

void CenterCollage::setMyPropertiesFrom(const QJsonObject& dict)
{
    // First: the slots read are made whole with this collage's splits.
    m_symmetric = dict.value(kSymmetricKey).toBool(true);
    MosaicCollage::setMyPropertiesFrom(dict);
}

// ---- what the editor offers ----------------------------------------------------

QList<CollageCommand> CenterCollage::commands()
{
    return QList<CollageCommand>{shuffleInPlaceCommand()} + splitCommands()
           + QList<CollageCommand>{CollageCommand::make("setSelectedAsCenterCommandButton", "Set as Centre", "",
                                                        "The selected picture trades places with the centre one",
                                                        CommandGroup::Selected, "nonEmptyPictureInDrawingViewSelected",
                                                        CollageCommand::on(&CenterCollage::setSelectedAsCenter))};
}

SettingsBox CenterCollage::layoutBox()
{
    SettingsControl symmetric = SettingsControl::checkBox("centerSymmetricCheckBox", "symmetric", "Symmetric splits",
                                                          "Mirror every split of the frame from left to right");
    // The frame is laid out again to the new setting.
    symmetric.followUp = [](Collage& collage) { collage.shuffle(); };
    return {QStringLiteral("centeredLayoutControlsBox"), {symmetric, imageScalingControl()}};
}

} // namespace qf
