#include "layouts/mosaic/MosaicCollage.h"

#include "layouts/mosaic/MosaicFitting.h"
#include "model/UtilityFunctions.h"
#include "platform/events/CursorStack.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/events/MouseEvent.h"
#include "platform/random/RandomSource.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>
#include <set>
#include <vector>

namespace qf {

namespace {

Q_LOGGING_CATEGORY(lcMosaic, "qf.layouts.mosaic")
// The fitting engine's own lines, one a cut and one a part: off unless asked for.
Q_LOGGING_CATEGORY(lcMosaicFit, "qf.layouts.mosaic.fit", QtWarningMsg)

const QString kMosaicRectKey = QStringLiteral("mopr");

// A sort key that orders: what is no number goes last.
double sortKey(double value)
{
    return std::isfinite(value) ? value : std::numeric_limits<double>::max();
}

double aspectOf(const QImage& image)
{
    return image.height() > 0 ? double(image.width()) / double(image.height()) : 1.0;
}

// Below this share of the canvas's width or height a slot shows no picture
// at any output size.
constexpr double kLeastSide = 1e-6;
// Up to this many slots, each is compared with every later one for a slot
// that covers it; beyond, only slots on the very same spot are found, so a
// file of countless slots costs no more than reading them.
constexpr qsizetype kMostSlotsComparedPairwise = 2000;

bool covers(const QRectF& outer, const QRectF& inner)
{
    return outer.left() <= inner.left() && outer.top() <= inner.top() && outer.right() >= inner.right()
        && outer.bottom() >= inner.bottom();
}

} // namespace

// ---- MosaicPosition -----------------------------------------------------------

void MosaicPosition::addMyPropertiesTo(QJsonObject& dict) const
{
    Position::addMyPropertiesTo(dict);
    dict.insert(kMosaicRectKey, UtilityFunctions::getJsonDictionaryForRect(m_positionRect));
}

void MosaicPosition::setMyPropertiesFrom(const QJsonObject& dict)
{
    Position::setMyPropertiesFrom(dict);
    if (!dict.contains(kMosaicRectKey))
        return;
    // Within the canvas whatever the file says; a rectangle that is already
    // keeps its numbers exactly.
    const QRectF read = UtilityFunctions::getRectFromJsonDictionary(dict.value(kMosaicRectKey));
    constexpr double slack = 1e-9; // the rounding of the arithmetic that made it
    if (read.left() >= -slack && read.top() >= -slack && read.width() >= 0 && read.height() >= 0
        && read.left() + read.width() <= 1 + slack && read.top() + read.height() <= 1 + slack) {
        m_positionRect = read;
        return;
    }
    const double x0 = std::clamp(read.left(), 0.0, 1.0), y0 = std::clamp(read.top(), 0.0, 1.0);
    const double x1 = std::clamp(read.left() + std::max(0.0, read.width()), x0, 1.0);
    const double y1 = std::clamp(read.top() + std::max(0.0, read.height()), y0, 1.0);
    m_positionRect = QRectF(x0, y0, x1 - x0, y1 - y0);
}

// ---- MosaicCollage --------------------------------------------------------------

MosaicCollage::MosaicCollage()
{
    setCollageType(QStringLiteral("mosaic"));
    setDrawShadow(true);
    picturePositions().append(newSlot(QString(), QRectF(0, 0, 1, 1)));
}

const KVKeyTable& MosaicCollage::keyTable()
{
    static const KVKeys<MosaicCollage> table = [] {
        using M = MosaicCollage;
        KVKeys<M> t(Collage::keyTable());
        t.derived(QStringLiteral("rowColSteppersEnabled"), &M::getRowColSteppersEnabled, {});
        for (const char* key : {"rowCountBinding", "columnCountBinding", "columnCount", "rowCount"})
            t.derived(QString::fromLatin1(key), &M::getZeroBinding, {});
        t.derived(QStringLiteral("symmetric"), &M::getSymmetric, {});
        for (const char* key : {"instantCameraBorder", "stampBorder", "fillDuplicates"})
            t.derived(QString::fromLatin1(key), &M::getFalseBinding, {});
        return t;
    }();
    return table;
}

const QList<double>& MosaicCollage::standardGridValues()
{
    static const QList<double> values{0.5, 1.0 / 3, 2.0 / 3, 0.25, 0.75, 0.2, 0.4, 0.6, 0.8};
    return values;
}

std::shared_ptr<MosaicPosition> MosaicCollage::newSlot(const QString& picture, const QRectF& rect) const
{
    return std::make_shared<MosaicPosition>(picture, rect);
}

PositionPtr MosaicCollage::getBrandNewPosition()
{
    return newSlot(QString(), QRectF());
}

std::shared_ptr<MosaicPosition> MosaicCollage::mosaicSlot(qint64 index) const
{
    const QList<PositionPtr>& list = picturePositions();
    if (index < 0 || index >= list.size())
        return nullptr;
    return std::dynamic_pointer_cast<MosaicPosition>(list[index]);
}

// ---- splitting ------------------------------------------------------------------

qint64 MosaicCollage::findNextIndexToSplit() const
{
    const double w = double(width()), h = double(height());
    qint64 found = -1;
    double longest = 0;
    for (qint64 i = 0; i < picturePositions().size(); ++i) {
        const std::shared_ptr<MosaicPosition> slot = mosaicSlot(i);
        if (!slot)
            continue;
        const double side = slot->getSizeOfBiggerDimension(w, h);
        if (found < 0 || side > longest) {
            found = i;
            longest = side;
        }
    }
    return found;
}

QRectF MosaicCollage::splitAndReturnPositionRect(qint64 index, bool bestDirection, bool addVerticalLine)
{
    const std::shared_ptr<MosaicPosition> slot = mosaicSlot(index);
    if (!slot)
        return {};
    const QRectF r = slot->positionRect();
    const double x = r.x(), y = r.y(), w = r.width(), h = r.height();
    bool horizontal = !addVerticalLine;
    double ratio = 0.5;
    if (bestDirection) {
        horizontal = h * double(height()) > w * double(width());
        if (!splitSymmetric())
            ratio = double(UtilityFunctions::randomIndexBelow(30)) / 100 + 0.35;
    }
    slot->setPanZoomValue(std::nullopt);
    if (horizontal) {
        slot->setPositionRect(QRectF(x, y, w, h * ratio));
        return QRectF(x, y + ratio * h, w, (1 - ratio) * h);
    }
    slot->setPositionRect(QRectF(x, y, w * ratio, h));
    return QRectF(x + ratio * w, y, (1 - ratio) * w, h);
}

void MosaicCollage::splitSelectedPositionAddVerticalLine(bool addVerticalLine)
{
    const qint64 selected = selectedImagePosition();
    const std::shared_ptr<MosaicPosition> slot = mosaicSlot(selected);
    if (!slot)
        return;
    const QRectF cut = splitAndReturnPositionRect(selected, false, addVerticalLine);
    picturePositions().append(newSlot(QString(), cut));
    detectFacesAndUpdatePanZoomAll(false, true, QList<PositionPtr>{slot});
}

// ---- geometry -----------------------------------------------------------------------

double MosaicCollage::getSmallestDimForCollageWidth(double width, double height) const
{
    if (m_smallestDimWhileDrawing && m_smallestDimWhileDrawing->width == width
        && m_smallestDimWhileDrawing->height == height)
        return m_smallestDimWhileDrawing->value;
    return smallestSlotSide(width, height);
}

double MosaicCollage::smallestSlotSide(double width, double height) const
{
    bool any = false;
    double least = 0;
    for (const PositionPtr& position : picturePositions()) {
        const auto* slot = dynamic_cast<const MosaicPosition*>(position.get());
        if (!slot)
            continue;
        const double side = std::min(slot->positionRect().width() * width, slot->positionRect().height() * height);
        least = any ? std::min(least, side) : side;
        any = true;
    }
    return least;
}

double MosaicCollage::getSpacingWidthForCollageWidth(double width, double height) const
{
    return getSmallestDimForCollageWidth(width, height) * 0.7 * spacing();
}

double MosaicCollage::getRoundedCornerWidthForCollageWidth(double width, double height) const
{
    return getSmallestDimForCollageWidth(width, height) * cornerRadiusSize();
}

double MosaicCollage::getStrokeWidthForCollageWidth(double width, double height) const
{
    return getSmallestDimForCollageWidth(width, height) * strokeWidth() * 0.3;
}

QRectF MosaicCollage::getDrawRectForPosition(const MosaicPosition& slot, double s, double width, double height) const
{
    const QRectF r = slot.positionRect();
    const double left = r.x() < 0.0001 ? 2 * s : s;
    const double right = r.x() + r.width() > 0.9999 ? 2 * s : s;
    const double bottom = r.y() < 0.0001 ? 2 * s : s;
    const double top = r.y() + r.height() > 0.9999 ? 2 * s : s;
    return QRectF(r.x() * width + left, r.y() * height + bottom, r.width() * width - left - right,
                  r.height() * height - bottom - top);
}

QRectF MosaicCollage::slotRect(qint64 index, double width, double height) const
{
    const std::shared_ptr<MosaicPosition> slot = mosaicSlot(index);
    if (!slot)
        return {};
    return getDrawRectForPosition(*slot, getSpacingWidthForCollageWidth(width, height), width, height);
}

// ---- pictures and arrangement ---------------------------------------------------------

void MosaicCollage::placeNewPictures(const QStringList& md5s)
{
    for (const QString& md5 : md5s)
        placeInASlot(md5);
}

void MosaicCollage::newPicturesPlaced(qsizetype slotsBefore)
{
    if (slotsBefore < 2)
        bestFit();
    else
        SlotCollage::newPicturesPlaced(slotsBefore);
}

void MosaicCollage::rearrangePicturesForGoodFit()
{
    QList<std::shared_ptr<MosaicPosition>> cells = mosaicSlots();
    if (cells.isEmpty())
        return;
    std::stable_sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) {
        return sortKey(a->getWidthToHeightRatio()) < sortKey(b->getWidthToHeightRatio());
    });
    QStringList pictures;
    for (const auto& slot : cells)
        if (!slot->isEmpty())
            pictures.append(slot->picture());
    QList<double> keys;
    for (const QString& md5 : pictures)
        keys.append(sortKey(aspectOf(getNsImage(md5, false))));
    QList<qsizetype> order(pictures.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](qsizetype a, qsizetype b) { return keys[a] < keys[b]; });
    QList<PositionPtr> list;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        cells[i]->setPicture(i < order.size() ? pictures[order[i]] : QString());
        cells[i]->setPanZoomValue(std::nullopt);
        list.append(cells[i]);
    }
    picturePositions() = list;
}

bool MosaicCollage::bestFit()
{
    removeAllSelections();
    picturePositions().clear();
    const QStringList& pictures = images();
    if (pictures.isEmpty()) {
        picturePositions().append(newSlot(QString(), QRectF(0, 0, 1, 1)));
        return true;
    }
    std::vector<double> aspects;
    aspects.reserve(size_t(pictures.size()));
    for (const QString& md5 : pictures)
        aspects.push_back(aspectOf(getNsImage(md5, false)));
    const mosaic::RandomNext random = [] { return RandomSource::current().next(); };
    const mosaic::Log log = [](const char* line) { qCDebug(lcMosaicFit, "%s", line); };
    const mosaic::Fit fit = mosaic::fitPictures(aspects, double(width()), double(height()), random,
                                                lcMosaicFit().isDebugEnabled() ? log : mosaic::Log());
    for (const mosaic::Slot& slot : fit.placed)
        picturePositions().append(
            newSlot(pictures[qsizetype(slot.picture)], QRectF(slot.x, slot.y, slot.width, slot.height)));
    if (!fit.goodFit)
        detectFacesAndUpdatePanZoomAll(true, false, std::nullopt);
    qCInfo(lcMosaic) << (fit.goodFit ? "GOOD FIT" : "NO GOOD FIT");
    return fit.goodFit;
}

void MosaicCollage::setOrientation(qint64 orientationIndex)
{
    const qint64 w = width(), h = height();
    Collage::setOrientation(orientationIndex); // clears the selection, swaps the sides when it should
    if ((width() != w || height() != h) && !images().isEmpty())
        shuffle();
}

void MosaicCollage::detectFacesAndUpdatePanZoomAll(bool all, bool onlyThoseNotSet,
                                                   const std::optional<QList<PositionPtr>>& onlyThesePositions)
{
    const double w = double(width()), h = double(height());
    centreCropsOnFaces(all, onlyThoseNotSet, onlyThesePositions, [w, h](const Position& position) {
        const auto* slot = dynamic_cast<const MosaicPosition*>(&position);
        return slot ? QSizeF(slot->positionRect().width() * w, slot->positionRect().height() * h) : QSizeF();
    });
}

bool MosaicCollage::setInitialEmptyPositions(const QString& text, QString* why)
{
    // Every polygon is read and checked before anything changes. Typed corners
    // must lie on the canvas; a project read keeps its own slight leeway.
    const auto refuse = [&text, why](const QString& reason) {
        qCWarning(lcMosaic).noquote() << "Issues parsing (" + reason + "):" << text;
        if (why)
            *why = reason;
        return false;
    };
    const QString format = QCoreApplication::translate("qf::MosaicCollage",
                                                       "Write a list of cells, each a list of [x, y] corners between 0 "
                                                       "and 1 that spans some width and height.");
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isArray())
        return refuse(format);
    const QJsonArray list = document.array();
    if (list.isEmpty())
        return refuse(QCoreApplication::translate("qf::MosaicCollage",
                                                  "The list has no cells; a mosaic needs at least one."));
    QList<QRectF> boxes;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QJsonArray points = list[i].toArray();
        if (!list[i].isArray() || points.isEmpty())
            return refuse(format);
        double minX = 1.0, minY = 1.0, maxX = 0.0, maxY = 0.0;
        for (const QJsonValue& point : points) {
            const QJsonArray xy = point.toArray();
            if (!point.isArray() || xy.size() < 2 || !xy[0].isDouble() || !xy[1].isDouble())
                return refuse(format);
            const double x = xy[0].toDouble(), y = xy[1].toDouble();
            if (!(x >= 0.0 && x <= 1.0 && y >= 0.0 && y <= 1.0))
                return refuse(QCoreApplication::translate("qf::MosaicCollage",
                                                          "Cell %1 has a corner off the canvas; corners lie between 0 "
                                                          "and 1.")
                                  .arg(i + 1));
            minX = std::min(minX, x);
            minY = std::min(minY, y);
            maxX = std::max(maxX, x);
            maxY = std::max(maxY, y);
        }
        if (!(maxX > minX && maxY > minY))
            return refuse(format);
        boxes.append(QRectF(minX, minY, maxX - minX, maxY - minY));
    }
    // Slots no one could see are left out, as a project read would drop them.
    QList<PositionPtr> made;
    for (const QRectF& box : boxes)
        made.append(newSlot(QString(), box));
    const std::vector<bool> seen = slotsSeen(made);
    QList<PositionPtr> kept;
    for (qsizetype i = 0; i < made.size(); ++i)
        if (seen[size_t(i)])
            kept.append(made[i]);
    if (kept.isEmpty()) {
        if (why)
            *why = QCoreApplication::translate("qf::MosaicCollage", "None of these cells can be seen.");
        return false;
    }
    picturePositions() = std::move(kept);
    setImages({});
    removeAllSelections();
    return true;
}

void MosaicCollage::placeInASlot(const QString& md5)
{
    if (const PositionPtr empty = getFirstEmptyPosition()) {
        empty->setPicture(md5);
        empty->setPanZoomValue(std::nullopt);
        return;
    }
    const qint64 i = findNextIndexToSplit();
    const QRectF rect = i < 0 ? QRectF(0, 0, 1, 1) : splitAndReturnPositionRect(i, true, false);
    picturePositions().append(newSlot(md5, rect));
}

void MosaicCollage::setMyPropertiesFrom(const QJsonObject& dict)
{
    Collage::setMyPropertiesFrom(dict);
    const QStringList unshown = reconcileSlotsWithPictures();
    // Pictures whose slots cannot be seen get a new layout of the type's
    // own, as its shuffle makes: slots cut anew for them would leave holes.
    const QStringList unseen = dropSlotsThatCannotBeSeen();
    for (const QString& md5 : unseen)
        notePicturePutBackOnReading(md5);
    if (picturePositions().isEmpty() && (images().isEmpty() || !unseen.isEmpty()))
        picturePositions().append(newSlot(QString(), QRectF(0, 0, 1, 1)));
    if (!unseen.isEmpty()) {
        shuffle();
        return;
    }
    for (const QString& md5 : unshown)
        placeInASlot(md5);
}

std::vector<bool> MosaicCollage::slotsSeen(const QList<PositionPtr>& list)
{
    const qsizetype n = list.size();
    std::vector<std::optional<QRectF>> rects(static_cast<size_t>(n));
    for (qsizetype i = 0; i < n; ++i)
        if (const auto* slot = dynamic_cast<const MosaicPosition*>(list[i].get()))
            rects[size_t(i)] = slot->positionRect();
    std::vector<bool> seen(size_t(n), true);
    std::set<std::array<double, 4>> later;
    for (qsizetype i = n - 1; i >= 0; --i) {
        if (!rects[size_t(i)])
            continue;
        const QRectF r = *rects[size_t(i)];
        if (!(r.width() >= kLeastSide && r.height() >= kLeastSide)
            || !later.insert({r.x(), r.y(), r.width(), r.height()}).second) {
            seen[size_t(i)] = false;
            continue;
        }
        // Slots are drawn in list order: a later one may cover this one.
        if (n <= kMostSlotsComparedPairwise) {
            for (qsizetype j = i + 1; j < n && seen[size_t(i)]; ++j)
                if (rects[size_t(j)] && seen[size_t(j)] && covers(*rects[size_t(j)], r))
                    seen[size_t(i)] = false;
        }
    }
    return seen;
}

QStringList MosaicCollage::dropSlotsThatCannotBeSeen()
{
    QList<PositionPtr>& list = picturePositions();
    const qsizetype n = list.size();
    const std::vector<bool> seen = slotsSeen(list);
    QStringList unseen;
    QList<PositionPtr> kept;
    kept.reserve(n);
    const PositionPtr selected = selectedPosition();
    for (qsizetype i = 0; i < n; ++i) {
        if (seen[size_t(i)])
            kept.append(list[i]);
        else if (list[i] && !list[i]->isEmpty())
            unseen.append(list[i]->picture());
    }
    if (kept.size() == n)
        return unseen;
    qCWarning(lcMosaic) << "Dropped" << n - kept.size() << "slots that cannot be seen," << unseen.size()
                        << "of them with a picture";
    list = std::move(kept);
    setSelectedImagePosition(selected ? list.indexOf(selected) : -1);
    return unseen;
}

QList<std::shared_ptr<MosaicPosition>> MosaicCollage::mosaicSlots() const
{
    QList<std::shared_ptr<MosaicPosition>> cells;
    for (qint64 i = 0; i < picturePositions().size(); ++i)
        if (const std::shared_ptr<MosaicPosition> slot = mosaicSlot(i))
            cells.append(slot);
    return cells;
}


// ---- dividers and the mouse --------------------------------------------------------

bool MosaicCollage::inVerticalGrabZone(const MosaicPosition& slot, QPointF p, double width, double height) const
{
    const QRectF r = slot.positionRect();
    return std::abs(r.x() * width - p.x()) < kGrabDistance && r.y() * height < p.y()
        && p.y() < (r.y() + r.height()) * height && r.x() > 0.0001;
}

bool MosaicCollage::inHorizontalGrabZone(const MosaicPosition& slot, QPointF p, double width, double height) const
{
    const QRectF r = slot.positionRect();
    return std::abs(r.y() * height - p.y()) < kGrabDistance && r.x() * width < p.x()
        && p.x() < (r.x() + r.width()) * width && r.y() > 0.0001;
}

void MosaicCollage::mouseMovedAtPictureLayer(QPointF point, double width, double height, const MouseEvent&)
{
    Cursor cursor = Cursor::arrow();
    for (const auto& slot : mosaicSlots()) {
        if (inVerticalGrabZone(*slot, point, width, height)) {
            cursor = Cursor::fromShape(Qt::SizeHorCursor);
            break;
        }
        if (inHorizontalGrabZone(*slot, point, width, height)) {
            cursor = Cursor::fromShape(Qt::SizeVerCursor);
            break;
        }
    }
    CursorStack::shared().set(cursor);
}

void MosaicCollage::mouseDownAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event)
{
    setHandleBeingHeld(HeldHandleNone);
    grabCropHandle();
    if (handleBeingHeld() == HeldHandleNone) {
        // Where several slots' zones hold the point, the last one decides.
        std::shared_ptr<MosaicPosition> grabbed;
        bool vertical = false;
        for (const auto& slot : mosaicSlots()) {
            if (inVerticalGrabZone(*slot, point, width, height)) {
                grabbed = slot;
                vertical = true;
            } else if (inHorizontalGrabZone(*slot, point, width, height)) {
                grabbed = slot;
                vertical = false;
            }
        }
        if (grabbed) {
            setHandleBeingHeld(vertical ? HeldHandleVerticalDivider : HeldHandleHorizontalDivider);
            gatherDivider(*grabbed, vertical);
            removeAllPictureSelections();
        }
    }
    if (handleBeingHeld() == HeldHandleNone)
        selectSlotAt(point, width, height, event);
    finishMouseDown(point, width, height);
}

void MosaicCollage::gatherDivider(const MosaicPosition& first, bool vertical)
{
    const QRectF f = first.positionRect();
    // Along the divider: y (vertical) or x; across it: x or y.
    const auto along = [vertical](const QRectF& r) { return vertical ? r.y() : r.x(); };
    const auto length = [vertical](const QRectF& r) { return vertical ? r.height() : r.width(); };
    const auto across = [vertical](const QRectF& r) { return vertical ? r.x() : r.y(); };
    const auto extent = [vertical](const QRectF& r) { return vertical ? r.width() : r.height(); };
    const double line = across(f);
    double low = along(f), high = along(f) + length(f);
    QList<std::shared_ptr<MosaicPosition>> after, before; // right or up; left or down
    const QList<std::shared_ptr<MosaicPosition>> all = mosaicSlots();
    QList<bool> taken(all.size(), false);
    for (;;) {
        bool took = false;
        for (qsizetype i = 0; i < all.size(); ++i) {
            const QRectF r = all[i]->positionRect();
            if (taken[i] || !(along(r) < high && along(r) + length(r) > low))
                continue;
            if (std::abs(across(r) - line) < 1e-8)
                after.append(all[i]);
            else if (std::abs(across(r) + extent(r) - line) < 1e-8)
                before.append(all[i]);
            else
                continue;
            taken[i] = true;
            took = true;
        }
        double sumAfter = 0, sumBefore = 0;
        for (const auto& slot : after) {
            low = std::min(low, along(slot->positionRect()));
            high = std::max(high, along(slot->positionRect()) + length(slot->positionRect()));
            sumAfter += length(slot->positionRect());
        }
        for (const auto& slot : before) {
            low = std::min(low, along(slot->positionRect()));
            high = std::max(high, along(slot->positionRect()) + length(slot->positionRect()));
            sumBefore += length(slot->positionRect());
        }
        const double span = high - low;
        if (!took || !(span - sumAfter > 1e-8 || span - sumBefore > 1e-8))
            break;
    }
    if (vertical) {
        m_rightPositions = after;
        m_leftPositions = before;
    } else {
        m_upPositions = after;
        m_downPositions = before;
    }
    m_gridValuesFromPositions.clear();
    for (const auto& slot : all)
        if (across(slot->positionRect()) > 0.0001)
            m_gridValuesFromPositions.append(across(slot->positionRect()));
}

void MosaicCollage::setPositionsBeingResizedLeftRightFirstRightPosition(const std::shared_ptr<MosaicPosition>& first)
{
    if (first)
        gatherDivider(*first, true);
}

void MosaicCollage::setPositionsBeingResizedUpDownWidthFirstUpPosition(const std::shared_ptr<MosaicPosition>& first)
{
    if (first)
        gatherDivider(*first, false);
}

double MosaicCollage::constrainToGridValue(double value)
{
    for (const QList<double>* values : std::initializer_list<const QList<double>*>{&m_gridValuesFromPositions, &standardGridValues()}) {
        for (const double g : *values) {
            if (std::abs(g - value) < kSnapDistance) {
                m_constraining = true;
                m_constrainedTo = g;
                return g;
            }
        }
    }
    m_constraining = false;
    m_constrainedTo = value;
    return value;
}

void MosaicCollage::dragDivider(double d, bool vertical)
{
    const QList<std::shared_ptr<MosaicPosition>>& after = vertical ? m_rightPositions : m_upPositions;
    const QList<std::shared_ptr<MosaicPosition>>& before = vertical ? m_leftPositions : m_downPositions;
    if (after.isEmpty() || !std::isfinite(d))
        return;
    const auto extent = [vertical](const QRectF& r) { return vertical ? r.width() : r.height(); };
    const auto across = [vertical](const QRectF& r) { return vertical ? r.x() : r.y(); };
    double narrowest = 1.0;
    for (const auto& slot : after)
        narrowest = std::min(narrowest, extent(slot->positionRect()) - d);
    for (const auto& slot : before)
        narrowest = std::min(narrowest, extent(slot->positionRect()) + d);
    if (narrowest <= kNarrowest)
        return; // the step would squeeze a slot: refused whole
    const double start = across(after.first()->positionRect());
    d = constrainToGridValue(start + d) - start;
    for (const auto& slot : after) {
        const QRectF r = slot->positionRect();
        slot->setPositionRect(vertical ? QRectF(r.x() + d, r.y(), r.width() - d, r.height())
                                       : QRectF(r.x(), r.y() + d, r.width(), r.height() - d));
    }
    for (const auto& slot : before) {
        const QRectF r = slot->positionRect();
        slot->setPositionRect(vertical ? QRectF(r.x(), r.y(), r.width() + d, r.height())
                                       : QRectF(r.x(), r.y(), r.width(), r.height() + d));
    }
}

void MosaicCollage::mouseDraggedAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event)
{
    if (handleBeingHeld() == HeldHandleVerticalDivider || handleBeingHeld() == HeldHandleHorizontalDivider) {
        setDragging(true);
        const bool vertical = handleBeingHeld() == HeldHandleVerticalDivider;
        const QPointF step = currentLocation() - previousLocation();
        if (width > 0 && height > 0)
            dragDivider(vertical ? step.x() / width : step.y() / height, vertical);
        return;
    }
    SlotCollage::mouseDraggedAtPictureLayer(point, width, height, event);
}

void MosaicCollage::mouseUpAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event)
{
    SlotCollage::mouseUpAtPictureLayer(point, width, height, event);
    m_leftPositions.clear();
    m_rightPositions.clear();
    m_upPositions.clear();
    m_downPositions.clear();
}

void MosaicCollage::exchangeSlots(qint64 from, qint64 to)
{
    exchangePicturesKeepingSlots(from, to);
}

QPointF MosaicCollage::slotHolderCentre(qint64 index, double width, double height) const
{
    const std::shared_ptr<MosaicPosition> slot = mosaicSlot(index);
    if (!slot)
        return {};
    const QRectF r = slot->positionRect();
    return QPointF((r.x() + r.width() / 2) * width, (r.y() + r.height() / 2) * height);
}

QSizeF MosaicCollage::slotCropSize(qint64 index, double width, double height) const
{
    const std::shared_ptr<MosaicPosition> slot = mosaicSlot(index);
    if (!slot)
        return {};
    const double s = getSpacingWidthForCollageWidth(width, height);
    const double k = getStrokeWidthForCollageWidth(width, height);
    return QSizeF(slot->positionRect().width() * width - 2 * s - 2 * k,
                  slot->positionRect().height() * height - 2 * s - 2 * k);
}


void MosaicCollage::drawYourPicturePatternOnCurrentContextInWidth(GraphicsContext& context, double width,
                                                                  double height, bool actual)
{
    {
        m_smallestDimWhileDrawing = SmallestDim{width, height, smallestSlotSide(width, height)};
        const auto forget = qScopeGuard([this] { m_smallestDimWhileDrawing.reset(); });
        SlotCollage::drawYourPicturePatternOnCurrentContextInWidth(context, width, height, actual);
    }
    const bool vertical = handleBeingHeld() == HeldHandleVerticalDivider;
    if (actual || !dragging() || !(vertical || handleBeingHeld() == HeldHandleHorizontalDivider))
        return;
    if (m_constraining) {
        context.saveGState();
        context.setStrokeColor(QColor::fromRgbF(1, 1, 0, 1));
        context.setLineWidth(1.5);
        if (vertical)
            context.strokeLine(QPointF(m_constrainedTo * width, -5), QPointF(m_constrainedTo * width, height + 5));
        else
            context.strokeLine(QPointF(-5, m_constrainedTo * height), QPointF(width + 5, m_constrainedTo * height));
        context.restoreGState();
    }
    UtilityFunctions::drawStringMessageOnDrawingView(context, QString::asprintf("%2.2f %%", m_constrainedTo * 100),
                                                     currentLocation() + QPointF(15, 15));
}

// ---- what the editor offers ----------------------------------------------------

QList<CollageCommand> MosaicCollage::splitCommands()
{
    const auto split = [](const char* name, const char* title, const char* tip, void (MosaicCollage::*cut)()) {
        CollageCommand c = CollageCommand::make(name, title, "", tip, CommandGroup::Selected,
                                                "pictureInDrawingViewSelected", CollageCommand::on(cut));
        c.undoName = commandText("Split");
        return c;
    };
    return {split("splitSelectedAlongWidthCommandButton", "Split Left and Right",
                  "Cut the selected place into a left and a right half",
                  &MosaicCollage::splitSelectedPositionAlongWidth),
            split("splitSelectedAlongHeightCommandButton", "Split Top and Bottom",
                  "Cut the selected place into a top and a bottom half",
                  &MosaicCollage::splitSelectedPositionAlongHeight)};
}

QList<CollageCommand> MosaicCollage::commands()
{
    // The mosaic's shuffle is its best fit: a new layout fitted to the pictures.
    return QList<CollageCommand>{shuffleInPlaceCommand(),
                                 CollageCommand::make("bestFitCommandButton", "Best Fit", "",
                                                      "A new layout fitted to the pictures' shapes", CommandGroup::All,
                                                      "images", CollageCommand::on(&MosaicCollage::shuffle)),
                                 cellPositionsCommand(&MosaicCollage::setInitialEmptyPositions)}
           + splitCommands();
}

SettingsBox MosaicCollage::layoutBox()
{
    return {QStringLiteral("mosaicLayoutControlsBox"), {cellPositionsButton(), imageScalingControl()}};
}

} // namespace qf
