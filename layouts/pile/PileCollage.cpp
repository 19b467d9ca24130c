#include "layouts/pile/PileCollage.h"

#include "model/QFIntegralPoint.h"
#include "model/UtilityFunctions.h"
#include "platform/random/RandomSource.h"

#include <QJsonValue>
#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qf {

namespace {

Q_LOGGING_CATEGORY(lcPile, "qf.layouts.pile")

const QString kCenterKey = QStringLiteral("pipc");
const QString kRotationKey = QStringLiteral("pipr");
const QString kScaleKey = QStringLiteral("pips");
const QString kAspectKey = QStringLiteral("pipswtoh");
const QString kShapeKey = QStringLiteral("ppshap");

// Sizes a file may give a picture: well beyond what the scale handle and the
// size buttons make, short of a picture too small to see or one so large that
// the canvas shows a speck of it.
constexpr double kSmallestScaleRead = 0.001;
constexpr double kLargestScaleRead = 100.0;
// The aspect assumed for a photo whose picture is not read yet: a tall one,
// so that no picture that could show counts as out of sight.
constexpr double kNarrowestAspect = 0.1;

std::optional<double> finiteNumber(const QJsonValue& value)
{
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return std::nullopt;
    return value.toDouble();
}

} // namespace

// ---- PilePosition ---------------------------------------------------------------

void PilePosition::addMyPropertiesTo(QJsonObject& dict) const
{
    Position::addMyPropertiesTo(dict);
    dict.insert(kCenterKey, UtilityFunctions::getJsonDictionaryForPoint(m_center));
    dict.insert(kRotationKey, m_rotation);
    dict.insert(kScaleKey, m_scale);
    if (m_widthToHeight && *m_widthToHeight > 0)
        dict.insert(kAspectKey, *m_widthToHeight);
    dict.insert(kShapeKey, m_shape);
}

void PilePosition::setMyPropertiesFrom(const QJsonObject& dict)
{
    Position::setMyPropertiesFrom(dict);
    if (dict.contains(kCenterKey)) {
        const QPointF c = UtilityFunctions::getPointFromJsonDictionary(dict.value(kCenterKey));
        if (std::isfinite(c.x()) && std::isfinite(c.y()))
            m_center = c;
    }
    if (const std::optional<double> r = finiteNumber(dict.value(kRotationKey)))
        m_rotation = std::fmod(*r, 2 * std::numbers::pi);
    if (const std::optional<double> s = finiteNumber(dict.value(kScaleKey)); s && *s > 0)
        m_scale = *s;
    const std::optional<double> aspect = finiteNumber(dict.value(kAspectKey));
    m_widthToHeight = aspect && *aspect > 0 ? aspect : std::nullopt;
    const std::optional<double> shape = finiteNumber(dict.value(kShapeKey));
    m_shape = shape && *shape >= -1 && *shape <= 8 && *shape == std::floor(*shape) ? qint64(*shape) : -1;
}

// ---- PileCollage -----------------------------------------------------------------

PileCollage::PileCollage() = default;

const KVKeyTable& PileCollage::keyTable()
{
    static const KVKeys<PileCollage> table = [] {
        using P = PileCollage;
        KVKeys<P> t(Collage::keyTable());
        t.property(QStringLiteral("constraining"), &P::constraining, &P::setConstraining);
        t.property(QStringLiteral("constrainedToDegree"), &P::constrainedToDegree, &P::setConstrainedToDegree);
        t.derived(QStringLiteral("rowColSteppersEnabled"), &P::getFalseBinding, {});
        for (const char* key : {"rowCountBinding", "columnCountBinding", "columnCount", "rowCount"})
            t.derived(QString::fromLatin1(key), &P::getZeroBinding, {});
        for (const char* key : {"symmetric", "fillDuplicates"})
            t.derived(QString::fromLatin1(key), &P::getFalseBinding, {});
        return t;
    }();
    return table;
}

void PileCollage::setMyPropertiesFrom(const QJsonObject& dict)
{
    Collage::setMyPropertiesFrom(dict);
    // A picture a damaged file left without a slot lies on top of the pile.
    const qint64 k = getLeastSquare(images().size());
    for (const QString& md5 : reconcileSlotsWithPictures())
        picturePositions().append(getRandomPositionForPicture(md5, getNsImage(md5, false), k));
    putBackWhatCannotBeSeen(k);
}

bool PileCollage::scaleCanBeSeen(const PilePosition& slot)
{
    return slot.scale() >= kSmallestScaleRead && slot.scale() <= kLargestScaleRead;
}

bool PileCollage::canBeSeen(const PilePosition& slot) const
{
    const QPointF c = slot.center();
    if (!scaleCanBeSeen(slot) || !std::isfinite(c.x()) || !std::isfinite(c.y()))
        return false;
    // Pictures are not read yet when a file opens: only a drawing image
    // already cached tells a photo's aspect.
    double aspect = kNarrowestAspect;
    if (slot.shape() != -1)
        aspect = widthUponHeightForShape(slot.shape());
    else if (slot.widthToHeight())
        aspect = *slot.widthToHeight();
    else if (slot.isEmpty())
        aspect = 1.0;
    else if (const QImage image = nsImages().value(slot.picture()); image.width() > 0 && image.height() > 0)
        aspect = double(image.width()) / image.height();
    // Seen when the centre lies no farther outside the canvas than half the
    // picture's diagonal, whatever its tilt.
    const double w = std::max(1.0, double(width())), h = std::max(1.0, double(height()));
    const double pictureWidth = slot.scale() * w;
    const double reach = std::hypot(pictureWidth, pictureWidth / aspect) / 2;
    const double x = c.x() * w, y = c.y() * h;
    return std::hypot(std::max({0.0, -x, x - w}), std::max({0.0, -y, y - h})) < reach;
}

void PileCollage::putBackWhatCannotBeSeen(qint64 k)
{
    // A size out of reason gets the size of a new picture; a place still out
    // of sight, a new picture's place. Placeholders too, or the pictures put
    // into them later would vanish; only pictures count.
    qsizetype putBack = 0;
    for (const std::shared_ptr<PilePosition>& slot : pileSlots()) {
        if (canBeSeen(*slot))
            continue;
        const std::shared_ptr<PilePosition> placed =
            getRandomPositionForPicture(slot->picture(), nsImages().value(slot->picture()), k);
        if (!scaleCanBeSeen(*slot))
            slot->setScale(placed->scale());
        if (!canBeSeen(*slot))
            slot->setCenter(placed->center());
        ++putBack;
        if (!slot->isEmpty())
            notePicturePutBackOnReading(slot->picture());
    }
    if (putBack > 0)
        qCWarning(lcPile) << putBack << "slots out of sight are put back on the canvas";
}

std::shared_ptr<PilePosition> PileCollage::pileSlot(qint64 index) const
{
    const QList<PositionPtr>& list = picturePositions();
    if (index < 0 || index >= list.size())
        return nullptr;
    return std::dynamic_pointer_cast<PilePosition>(list[index]);
}

QList<std::shared_ptr<PilePosition>> PileCollage::pileSlots() const
{
    QList<std::shared_ptr<PilePosition>> out;
    for (qint64 i = 0; i < picturePositions().size(); ++i)
        if (const std::shared_ptr<PilePosition> slot = pileSlot(i))
            out.append(slot);
    return out;
}

PositionPtr PileCollage::getBrandNewPosition()
{
    return std::make_shared<PilePosition>();
}

// ---- geometry -----------------------------------------------------------------------

QPainterPath PileCollage::getBorderEnclosingPathForDrawingRect(const QRectF& rect, double borderWidth) const
{
    QPainterPath path;
    path.addRect(rect.adjusted(-borderWidth, -borderWidth, borderWidth, borderWidth));
    return path;
}

double PileCollage::widthUponHeightForShape(qint64 shape)
{
    const double sqrt3 = std::numbers::sqrt3;
    switch (shape) {
    case 0: case 1: case 2: case 5: case 6:
        return 1.0;
    case 3: case 7: case 8:
        return 2 / sqrt3;
    case 4:
        return sqrt3 / 2;
    default:
        // Slots only ever get -1..8; a square keeps the arithmetic sound.
        qCWarning(lcPile) << "widthUponHeightForCurrentShape patternInCircle not found" << shape;
        return 1.0;
    }
}

double PileCollage::widthUponHeightForPosition(const PilePosition& slot) const
{
    if (slot.shape() != -1)
        return widthUponHeightForShape(slot.shape());
    if (slot.widthToHeight() && *slot.widthToHeight() > 0)
        return *slot.widthToHeight();
    if (slot.isEmpty())
        return 1.0;
    const QImage image = const_cast<PileCollage*>(this)->getNsImage(slot.picture(), false);
    return image.width() > 0 && image.height() > 0 ? double(image.width()) / image.height() : 1.0;
}

QRectF PileCollage::getRegularRectForDrawingImage(double width, double height)
{
    return QRectF(-width / 2, -height / 2, width, height);
}

QRectF PileCollage::pictureRectOf(const PilePosition& slot, double width, double /*height*/) const
{
    const double w = slot.scale() * width;
    const double aspect = widthUponHeightForPosition(slot);
    return getRegularRectForDrawingImage(w, aspect > 0 ? w / aspect : w);
}

QTransform PileCollage::slotTransform(const PilePosition& slot, double width, double height)
{
    QTransform t;
    t.translate(slot.center().x() * width, slot.center().y() * height);
    t.rotateRadians(slot.rotation());
    return t;
}

double PileCollage::getBorderWidthForCollageWidth(double width, double height) const
{
    return spacing() * std::sqrt(width * width + height * height) * 0.2 * 0.4;
}

qint64 PileCollage::getLeastSquare(qint64 n)
{
    qint64 k = 1;
    while (k * k <= n && k < 3037000499) // beyond that k * k would overflow
        ++k;
    return k;
}

double PileCollage::getRandomCenterDim()
{
    return double(RandomSource::current().next() % 80) / 100 + 0.1;
}

QPainterPath PileCollage::hitOutline(const PilePosition& slot, const QRectF& rect, double width, double height) const
{
    if (needsBorderFill())
        return getBorderEnclosingPathForDrawingRect(rect, getBorderWidthForCollageWidth(width, height));
    return UtilityFunctions::getPictureEnclosingPathForDrawingRect(rect, slot.shape());
}

qint64 PileCollage::ptLiesIn(QPointF point, double width, double height)
{
    for (qint64 i = picturePositions().size() - 1; i >= 0; --i) {
        const std::shared_ptr<PilePosition> slot = pileSlot(i);
        if (!slot)
            continue;
        bool invertible = false;
        const QTransform inverse = slotTransform(*slot, width, height).inverted(&invertible);
        if (!invertible)
            continue;
        const QRectF rect = pictureRectOf(*slot, width, height);
        if (hitOutline(*slot, rect, width, height).contains(inverse.map(point)))
            return i;
    }
    return -1;
}

qint64 PileCollage::ptLiesInPickPictureButton(QPointF point, double width, double height)
{
    // Only the topmost slot under the point counts: a pick button that a
    // picture above covers cannot be pressed.
    for (qint64 i = picturePositions().size() - 1; i >= 0; --i) {
        const std::shared_ptr<PilePosition> slot = pileSlot(i);
        if (!slot)
            continue;
        bool invertible = false;
        const QPointF local = slotTransform(*slot, width, height).inverted(&invertible).map(point);
        if (!invertible)
            continue;
        const QRectF rect = pictureRectOf(*slot, width, height);
        if (!hitOutline(*slot, rect, width, height).contains(local))
            continue;
        const bool onButton = slot->isEmpty() && rect.contains(local) && getDrawRectImagePickerButton(rect).contains(local);
        return onButton ? i : -1;
    }
    return -1;
}

QRectF PileCollage::getDrawRectImagePickerButton(const QRectF& rect) const
{
    // The button of every other type, in drawing units, centred.
    QRectF button = Collage::getDrawRectImagePickerButton(rect);
    if (!button.isNull())
        button.moveCenter(rect.center());
    return button;
}

// ---- pictures ----------------------------------------------------------------------------

std::shared_ptr<PilePosition> PileCollage::getRandomPositionForPicture(const QString& md5, const QImage& image,
                                                                      qint64 k)
{
    const double rotation = anotherRandomRotation();
    k = std::max<qint64>(1, k);
    double s = (1 + 0.1 * UtilityFunctions::randomSign()) / double(k < 5 ? k + 1 : k);
    if (!image.isNull() && image.height() > 0) {
        const bool tallCanvas = height() >= width();
        if ((tallCanvas && image.width() > image.height()) || (!tallCanvas && image.height() > image.width()))
            s *= double(image.width()) / image.height();
    }
    const double x = getRandomCenterDim();
    const double y = getRandomCenterDim();
    return std::make_shared<PilePosition>(md5, QPointF(x, y), rotation, s * 1.2, shapeToUseForNewPosition());
}

void PileCollage::addPictures(const QStringList& md5s, const QHash<QString, QImage>& images,
                              const QHash<QString, QString>& md5ToPaths,
                              const QHash<QString, QDateTime>& md5ToModifiedTimes)
{
    const QStringList fresh = beginAddingPictures(md5s, md5ToPaths, md5ToModifiedTimes);
    if (fresh.isEmpty())
        return;
    const qsizetype before = picturePositions().size();
    const qint64 k = getLeastSquare(this->images().size() + fresh.size());
    for (const QString& md5 : fresh) {
        if (const PositionPtr empty = getFirstEmptyPosition()) {
            empty->setPicture(md5);
            empty->setPanZoomValue(std::nullopt);
        } else {
            picturePositions().append(getRandomPositionForPicture(md5, images.value(md5), k));
        }
    }
    rememberPictures(fresh, images);
    if (before == 0)
        spreadout();
    detectFacesAndUpdatePanZoomAll(false, true, std::nullopt);
}

void PileCollage::removePictures(const QList<qsizetype>& indexes)
{
    const QSet<QString> removed = picturesAtIndexes(indexes);
    if (removed.isEmpty())
        return;
    removeAllSelections();
    QList<PositionPtr> kept;
    for (const PositionPtr& slot : picturePositions())
        if (!slot || !removed.contains(slot->picture()))
            kept.append(slot);
    picturePositions() = kept;
    forgetPictures(removed);
}

void PileCollage::detectFacesAndUpdatePanZoomAll(bool all, bool onlyThoseNotSet,
                                                 const std::optional<QList<PositionPtr>>& onlyThesePositions)
{
    detectFacesOnlyAll(all, onlyThoseNotSet, onlyThesePositions);
    const QList<PositionPtr> considered = onlyThesePositions ? *onlyThesePositions : picturePositions();
    for (const PositionPtr& position : considered) {
        auto* slot = dynamic_cast<PilePosition*>(position.get());
        if (!slot)
            continue;
        if (slot->isEmpty()) {
            slot->setPanZoomValue(std::nullopt);
            continue;
        }
        if (!all && !onlyThesePositions && (!onlyThoseNotSet || slot->panZoomValue()))
            continue;
        if (slot->shape() == -1 && (slot->panZoomValue() || !slot->widthToHeight()))
            continue;
        const QImage image = getNsImage(slot->picture(), false);
        if (image.isNull() || image.height() <= 0 || image.width() <= 0)
            continue;
        const double a = widthUponHeightForPosition(*slot);
        const double ai = double(image.width()) / image.height();
        double cx = 0.5, cy = 0.5;
        const auto face = faceCentroidDict().constFind(slot->picture());
        if (face != faceCentroidDict().cend() && face->x() > 0) {
            if (a > ai) {
                const double half = (ai / a) * 0.5 + 0.0000001;
                cy = face->y() < half ? half : std::min(face->y(), 1 - half);
            } else {
                const double half = a * (double(image.height()) / image.width()) * 0.5 + 0.0000001;
                cx = face->x() < half ? half : std::min(face->x(), 1 - half);
            }
        }
        PanZoomPos crop = PanZoomPos::getInitial(QSizeF(image.size()), a, 1);
        crop.setCx(cx);
        crop.setCy(cy);
        slot->setPanZoomValue(crop);
    }
}

// ---- whole-pile commands -------------------------------------------------------------------

void PileCollage::shuffle()
{
    removeAllSelections();
    if (images().isEmpty())
        return;
    const qint64 k = getLeastSquare(picturePositions().size());
    for (const std::shared_ptr<PilePosition>& slot : pileSlots()) {
        if (slot->isEmpty())
            continue;
        const std::shared_ptr<PilePosition> placed =
            getRandomPositionForPicture(slot->picture(), getNsImage(slot->picture(), false), k);
        slot->setCenter(placed->center());
        slot->setScale(placed->scale());
        slot->setRotation(placed->rotation());
    }
}

void PileCollage::setAllRotationsZero()
{
    for (const std::shared_ptr<PilePosition>& slot : pileSlots())
        slot->setRotation(0);
}

void PileCollage::equateAllInSize()
{
    const double w = double(width());
    const auto diagonalOf = [&](const PilePosition& slot) {
        const double pw = slot.scale() * w;
        const double a = widthUponHeightForPosition(slot);
        return std::sqrt(pw * pw + (pw / a) * (pw / a));
    };
    double smallest = 99999999, largest = 0;
    for (const std::shared_ptr<PilePosition>& slot : pileSlots()) {
        const double d = diagonalOf(*slot);
        if (!(d > 0) || !std::isfinite(d))
            continue; // a picture of no size cannot be brought to one
        smallest = std::min(smallest, d);
        largest = std::max(largest, d);
    }
    if (!(largest > 0))
        return;
    const double mean = (smallest + largest) / 2;
    for (const std::shared_ptr<PilePosition>& slot : pileSlots()) {
        const double d = diagonalOf(*slot);
        if (d > 0 && std::isfinite(d))
            slot->setScale(slot->scale() * mean / d);
    }
}

void PileCollage::increaseAllInSize()
{
    for (const std::shared_ptr<PilePosition>& slot : pileSlots())
        slot->setScale(slot->scale() * 1.02);
}

void PileCollage::decreaseAllInSize()
{
    for (const std::shared_ptr<PilePosition>& slot : pileSlots())
        slot->setScale(slot->scale() * 0.98);
}

void PileCollage::spreadoutToGrid()
{
    const QList<std::shared_ptr<PilePosition>> all = pileSlots();
    if (all.isEmpty())
        return;
    removeAllSelections();
    const QFIntegralPoint grid =
        UtilityFunctions::getRightNumberOfRowsAndColsForCollageWidth(width(), height(), 1, 1, all.size());
    const qint64 rows = std::max<qint64>(1, grid.x()), columns = std::max<qint64>(1, grid.y());
    QList<QFIntegralPoint> cells;
    for (qint64 r = 0; r < rows; ++r)
        for (qint64 c = 0; c < columns; ++c)
            cells.append(QFIntegralPoint(r, c));
    cells = UtilityFunctions::randomlyShuffledNewArray(cells);
    const double w = std::max<double>(1, double(width())), h = std::max<double>(1, double(height()));
    const double cw = w / double(columns), ch = h / double(rows);
    for (qsizetype i = 0; i < all.size() && i < cells.size(); ++i) {
        PilePosition& slot = *all[i];
        const QFIntegralPoint cell = cells[i];
        slot.setCenter(QPointF((double(cell.y()) + 0.5) * cw / w, (double(cell.x()) + 0.5) * ch / h));
        const double a = widthUponHeightForPosition(slot);
        const double pictureWidth = a <= cw / ch ? a * ch : cw;
        slot.setScale(pictureWidth / w * 0.8);
        slot.setRotation(anotherRandomRotation());
    }
}

} // namespace qf
