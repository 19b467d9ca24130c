#include "layouts/hexagon/HexagonCollage.h"

#include "layouts/common/CellGeometry.h"
#include "layouts/common/SlotPainter.h"
#include "model/BezierPathQuartzUtilities.h"
#include "model/CollageHost.h"
#include "model/QFCollageSize.h"
#include "model/UtilityFunctions.h"
#include "platform/json/JsonValues.h"

#include <QLoggingCategory>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace qf {

namespace {

Q_LOGGING_CATEGORY(lcHexagon, "qf.layouts.hexagon")

const QString kRowCountKey = QStringLiteral("hxrc");
const QString kColumnCountKey = QStringLiteral("hxcc");
const QString kPointedOnTopKey = QStringLiteral("hxpot");

constexpr double kSqrt3 = 1.7320508075688772;
// Width over height of the honeycomb's widest fit, 7 / (3 sqrt(3)): wider
// canvases are filled along their height.
constexpr double kWidthFilledBelowRatio = 1.3471506281091268;
// The hexagon's bounding box, height over width, as face crops have always
// taken it (sqrt(3) / 2 in single precision).
constexpr double kCellAspect = 0.866025390625;

constexpr qint64 kMaxCount = HexagonCollage::maxRowOrColumnCount();

// A count read from a project: a whole number in 1..kMaxCount, or none when
// the file gives anything else (a fraction, a string, a number out of range).
std::optional<qint64> usableCount(const QJsonValue& value)
{
    const std::optional<double> n = json::toNumber(value);
    if (!n || *n != std::floor(*n) || *n < 1 || *n > double(kMaxCount))
        return std::nullopt;
    return qint64(*n);
}

// A null counts as no value at all.
bool absent(const QJsonValue& value)
{
    return value.isUndefined() || value.isNull();
}

} // namespace

HexagonCollage::HexagonCollage()
{
    setCollageType(QStringLiteral("hexagon"));
    setDrawShadow(true);
    setCornerRadiusSize(0.0);
    increasePossiblePosCount();
}

const KVKeyTable& HexagonCollage::keyTable()
{
    static const KVKeys<HexagonCollage> table = [] {
        using X = HexagonCollage;
        KVKeys<X> t(Collage::keyTable());
        t.property(QStringLiteral("rowCount"), &X::rowCount, &X::setRowCount);
        t.property(QStringLiteral("columnCount"), &X::columnCount, &X::setColumnCount);
        t.property(QStringLiteral("pointedOnTop"), &X::pointedOnTop, &X::setPointedOnTop);
        t.derived(QStringLiteral("rowColSteppersEnabled"), &X::getRowColSteppersEnabled, {});
        t.derived(QStringLiteral("symmetric"), &X::getSymmetric, {});
        t.derived(QStringLiteral("instantCameraBorder"), &X::getInstantCameraBorder, {});
        t.derived(QStringLiteral("stampBorder"), &X::getStampBorder, {});
        t.derived(QStringLiteral("fillDuplicates"), &X::getFillDuplicates, {});
        t.derived(QStringLiteral("rowCountBinding"), &X::getRowCountBinding, {});
        t.derived(QStringLiteral("columnCountBinding"), &X::getColumnCountBinding, {});
        t.derived(QStringLiteral("honeycombRowCount"), &X::getHoneycombRowCount, {QStringLiteral("rowCount")});
        return t;
    }();
    return table;
}

// ---- counts ---------------------------------------------------------------------

bool HexagonCollage::fits(qint64 rows, qint64 columns)
{
    return rows >= 0 && columns >= 0 && rows <= kMaxCount && columns <= kMaxCount;
}

void HexagonCollage::setRowCount(qint64 v)
{
    const qint64 capped = std::clamp<qint64>(v, 0, kMaxCount);
    if (capped != v)
        qCWarning(lcHexagon) << "row count" << v << "capped to" << capped;
    kvSet(QStringLiteral("rowCount"), m_rowCount, capped);
}

void HexagonCollage::setColumnCount(qint64 v)
{
    const qint64 capped = std::clamp<qint64>(v, 0, kMaxCount);
    if (capped != v)
        qCWarning(lcHexagon) << "column count" << v << "capped to" << capped;
    kvSet(QStringLiteral("columnCount"), m_columnCount, capped);
}

void HexagonCollage::assignCounts(qint64 rows, qint64 columns)
{
    // Only real changes reach the observers.
    if (rows != m_rowCount)
        kvSet(QStringLiteral("rowCount"), m_rowCount, rows);
    if (columns != m_columnCount)
        kvSet(QStringLiteral("columnCount"), m_columnCount, columns);
}

// ---- grid -----------------------------------------------------------------------

bool HexagonCollage::filledRowComplete() const
{
    return double(width()) / double(height()) < kWidthFilledBelowRatio;
}

bool HexagonCollage::isValidPos(qint64 row, qint64 col, qint64 rowCount, qint64 columnCount)
{
    return row >= 0 && col >= 0 && row < rowCount && col < columnCount && ((row ^ col) & 1) == 0;
}

qint64 HexagonCollage::possibleNumberOfPosForRowCount(qint64 rowCount, qint64 columnCount)
{
    if (rowCount < 1 || columnCount < 1)
        return 0;
    // Kept where the products cannot overflow; the caps are far below.
    const qint64 r = std::min<qint64>(rowCount, qint64(1) << 30);
    const qint64 c = std::min<qint64>(columnCount, qint64(1) << 30);
    // Even columns hold rows 0, 2, 4, ..., odd columns rows 1, 3, 5, ...
    return ((c + 1) / 2) * ((r + 1) / 2) + (c / 2) * (r / 2);
}

void HexagonCollage::rebuildPlaceIndexIfStale() const
{
    const QList<PositionPtr>& cells = picturePositions();
    // The copy kept shares the list's data, so any change to the list since
    // detached it and moved its data.
    if (!m_placeIndexStale && cells.constData() == m_indexedCells.constData()
        && cells.size() == m_indexedCells.size())
        return;
    m_placeIndex.clear();
    m_placeIndex.reserve(cells.size());
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const auto* cell = dynamic_cast<const HexagonPosition*>(cells[i].get());
        if (cell && !m_placeIndex.contains(Place(cell->rowIndex(), cell->colIndex())))
            m_placeIndex.insert(Place(cell->rowIndex(), cell->colIndex()), i);
    }
    m_indexedCells = cells;
    m_placeIndexStale = false;
}

std::shared_ptr<HexagonPosition> HexagonCollage::hexCell(qint64 index) const
{
    const QList<PositionPtr>& cells = picturePositions();
    if (index < 0 || index >= cells.size())
        return nullptr;
    return std::dynamic_pointer_cast<HexagonPosition>(cells[index]);
}

std::shared_ptr<HexagonPosition> HexagonCollage::getPositionForRowIndex(qint64 row, qint64 col) const
{
    rebuildPlaceIndexIfStale();
    const auto found = m_placeIndex.constFind(Place(row, col));
    if (found == m_placeIndex.cend())
        return nullptr;
    std::shared_ptr<HexagonPosition> cell = hexCell(*found);
    if (cell && cell->rowIndex() == row && cell->colIndex() == col)
        return cell;
    // A cell moved behind the collage's back: look again.
    m_placeIndexStale = true;
    rebuildPlaceIndexIfStale();
    cell = hexCell(m_placeIndex.value(Place(row, col), -1));
    return cell && cell->rowIndex() == row && cell->colIndex() == col ? cell : nullptr;
}

QList<std::shared_ptr<HexagonPosition>> HexagonCollage::emptyCellsInFillOrder() const
{
    // Filling these in turn gives what asking for the first empty cell
    // (preferred ones first) before each picture would.
    QList<std::shared_ptr<HexagonPosition>> preferred;
    QList<std::shared_ptr<HexagonPosition>> others;
    for (qint64 i = 0; i < picturePositions().size(); ++i) {
        if (const std::shared_ptr<HexagonPosition> cell = hexCell(i); cell && cell->isEmpty())
            (cell->preferredToFill() ? preferred : others).append(cell);
    }
    return preferred + others;
}

bool HexagonCollage::increasePossiblePosCount()
{
    removeAllSelections();
    qint64 rows = m_rowCount;
    qint64 columns = m_columnCount;
    const double w = double(width());
    const double h = double(height());
    if (filledRowComplete()) {
        if (columns == 0) {
            columns = 2;
            rows = 2;
        } else {
            ++columns;
        }
        if (!fits(rows, columns))
            return false;
        // A degenerate canvas (no width) has no half height to stack rows of.
        const double half = kSqrt3 * sideLengthWhenFilledRowComplete(w, columns) / 2;
        if (half > 0 && std::isfinite(half))
            while (h > double(rows + 2) * half && fits(rows + 1, columns))
                ++rows;
    } else {
        if (rows == 0) {
            rows = 2;
            columns = 2;
        } else {
            ++rows;
        }
        if (!fits(rows, columns))
            return false;
        const double a = sideLengthWhenNotFilledRowComplete(h, rows);
        if (a > 0 && std::isfinite(a))
            while (w > 1.5 * double(columns) * a + 2 * a && fits(rows, columns + 1))
                ++columns;
    }
    assignCounts(rows, columns);
    ensureAllPositionsArePresent();
    return true;
}

bool HexagonCollage::decreasePosCountIfPossible()
{
    removeAllSelections();
    if (m_rowCount < 3 || m_columnCount < 3)
        return false;
    const double w = double(width());
    const double h = double(height());
    qint64 rows = 2;
    qint64 columns = 2;
    if (filledRowComplete()) {
        columns = m_columnCount - 1;
        const double half = (w / (1.5 * double(columns) + 0.5)) * kSqrt3 / 2;
        while (double(rows + 2) * half < h && rows < kMaxCount)
            ++rows;
    } else {
        rows = m_rowCount - 1;
        const double a = 2 * h / (double(rows + 1) * kSqrt3);
        while (1.5 * double(columns) * a + 2 * a < w && columns < kMaxCount)
            ++columns;
    }
    if (!fits(rows, columns) || possibleNumberOfPosForRowCount(rows, columns) < images().size())
        return false;

    // Pictures inside the smaller grid stay where they are; empty cells go.
    QList<PositionPtr> kept;
    QList<std::shared_ptr<HexagonPosition>> setAside;
    for (qint64 i = 0; i < picturePositions().size(); ++i) {
        const std::shared_ptr<HexagonPosition> cell = hexCell(i);
        if (!cell || cell->isEmpty())
            continue;
        if (cell->rowIndex() < rows && cell->colIndex() < columns)
            kept.append(cell);
        else
            setAside.append(cell);
    }
    assignCounts(rows, columns);
    picturePositions() = kept;
    ensureAllPositionsArePresent();
    const QList<std::shared_ptr<HexagonPosition>> empty = emptyCellsInFillOrder();
    for (qsizetype k = 0; k < std::min(setAside.size(), empty.size()); ++k) {
        empty[k]->setPicture(setAside[k]->picture());
        empty[k]->setPanZoomValue(setAside[k]->panZoomValue());
    }
    return true;
}

void HexagonCollage::ensureAllPositionsArePresent()
{
    rebuildPlaceIndexIfStale();
    // Collected first: appending one by one would change the list under the
    // index after every cell.
    QList<PositionPtr> added;
    for (qint64 r = 0; r < m_rowCount; ++r)
        for (qint64 c = r % 2; c < m_columnCount; c += 2)
            if (!m_placeIndex.contains(Place(r, c)))
                added.append(std::make_shared<HexagonPosition>(QString(), r, c));
    if (!added.isEmpty())
        picturePositions().append(added);
}

void HexagonCollage::growToPlaces(qint64 n)
{
    while (possibleNumberOfPos() < n && increasePossiblePosCount()) {
    }
}

void HexagonCollage::reputPicturesCompletely()
{
    // A picture shown twice keeps the crop of its last cell.
    QHash<QString, std::optional<PanZoomPos>> crops;
    for (const PositionPtr& cell : std::as_const(picturePositions()))
        if (cell && !cell->isEmpty())
            crops.insert(cell->picture(), cell->panZoomValue());

    assignCounts(0, 0);
    picturePositions().clear();
    increasePossiblePosCount();
    growToPlaces(images().size());

    const QStringList order = getRandomArrayOfImages();
    const QList<std::shared_ptr<HexagonPosition>> empty = emptyCellsInFillOrder();
    for (qsizetype k = 0; k < std::min(order.size(), empty.size()); ++k) {
        empty[k]->setPicture(order[k]);
        empty[k]->setPanZoomValue(crops.value(order[k]));
    }
    reportPicturesWithoutCell();
}

// ---- geometry -------------------------------------------------------------------

double HexagonCollage::sideLengthWhenFilledRowComplete(double width, qint64 columnCount)
{
    return width / (1.5 * double(columnCount) + 0.5);
}

double HexagonCollage::sideLengthWhenNotFilledRowComplete(double height, qint64 rowCount)
{
    return 2 * height / (double(rowCount + 1) * kSqrt3);
}

double HexagonCollage::sideLengthWidth(double width, double height) const
{
    if (m_rowCount <= 0 || m_columnCount <= 0)
        return 0;
    return filledRowComplete() ? sideLengthWhenFilledRowComplete(width, m_columnCount)
                               : sideLengthWhenNotFilledRowComplete(height, m_rowCount);
}

double HexagonCollage::getSpacingWidthForCollageWidth(double width, double height) const
{
    return spacing() * sideLengthWidth(width, height);
}

double HexagonCollage::getStrokeWidthForCollageWidth(double width, double height) const
{
    return strokeWidth() * sideLengthWidth(width, height) * 0.3;
}

double HexagonCollage::getRoundedCornerWidthForCollageWidth(double width, double height) const
{
    return cornerRadiusSize() * sideLengthWidth(width, height);
}

QRectF HexagonCollage::slotRect(qint64 index, double width, double height) const
{
    const std::shared_ptr<HexagonPosition> cell = hexCell(index);
    if (!cell)
        return {};
    const QList<QPointF> v =
        cell->getDrawVertices(getSpacingWidthForCollageWidth(width, height), sideLengthWidth(width, height), width,
                              height, m_rowCount, m_columnCount);
    // From the low corner of the bottom side to the high corner of the top side.
    return QRectF(v[0], QPointF(v[1].x(), v[4].y()));
}

QPainterPath HexagonCollage::slotOutline(qint64 index, double width, double height, double radius) const
{
    const std::shared_ptr<HexagonPosition> cell = hexCell(index);
    if (!cell)
        return {};
    return cell->getDrawBezierPath(getSpacingWidthForCollageWidth(width, height), sideLengthWidth(width, height),
                                   radius, width, height, m_rowCount, m_columnCount);
}

QRectF HexagonCollage::slotPictureRect(qint64 index, double width, double height) const
{
    const std::shared_ptr<HexagonPosition> cell = hexCell(index);
    if (!cell)
        return {};
    return cell->getPictureContainingRect(getSpacingWidthForCollageWidth(width, height),
                                          getStrokeWidthForCollageWidth(width, height),
                                          sideLengthWidth(width, height), width, height, m_rowCount, m_columnCount);
}

QPainterPath HexagonCollage::slotPicturePath(qint64 index, double width, double height) const
{
    const std::shared_ptr<HexagonPosition> cell = hexCell(index);
    if (!cell)
        return {};
    return cell->getPictureContainingBezierPath(
        getSpacingWidthForCollageWidth(width, height), getStrokeWidthForCollageWidth(width, height),
        sideLengthWidth(width, height), getRoundedCornerWidthForCollageWidth(width, height), width, height,
        m_rowCount, m_columnCount);
}

QRectF HexagonCollage::slotPickButtonRect(qint64 index, double width, double height) const
{
    if (!hexCell(index))
        return {};
    return getDrawRectImagePickerButton(slotPictureRect(index, width, height));
}

QPointF HexagonCollage::slotHolderCentre(qint64 index, double width, double height) const
{
    const std::shared_ptr<HexagonPosition> cell = hexCell(index);
    if (!cell)
        return {};
    const QList<QPointF> v =
        cell->getBoundingVertices(sideLengthWidth(width, height), width, height, m_rowCount, m_columnCount);
    return (v[0] + v[3]) / 2;
}

QSizeF HexagonCollage::slotCropSize(qint64 index, double width, double height) const
{
    const std::shared_ptr<HexagonPosition> cell = hexCell(index);
    if (!cell)
        return {};
    const double s = getSpacingWidthForCollageWidth(width, height);
    const QRectF box =
        cell->getPositionRect(sideLengthWidth(width, height), width, height, m_rowCount, m_columnCount);
    return QSizeF(box.width() - 2 * s, box.height() - 2 * s);
}

bool HexagonCollage::slotContainsPoint(qint64 index, QPointF point, double width, double height) const
{
    if (!hexCell(index))
        return false;
    return BezierPathQuartzUtilities::pathContainsPoint(slotOutline(index, width, height, 0), point);
}

QRectF HexagonCollage::getDrawRectImagePickerButton(const QRectF& pictureRect) const
{
    const QSizeF button = ResourceImages::sizeOf(QStringLiteral("image_picker_pressed"));
    if (pictureRect.width() / 2 > button.width() + 10 && pictureRect.height() > button.height() + 10)
        return QRectF(pictureRect.x() + pictureRect.width() / 4 + 5, pictureRect.y() + 5, button.width(),
                      button.height());
    return QRectF();
}

void HexagonCollage::drawDropTargets(SlotPainter& painter, double width, double height)
{
    const double a = sideLengthWidth(width, height);
    const double s = getSpacingWidthForCollageWidth(width, height);
    for (qint64 r = 0; r < m_rowCount; ++r) {
        for (qint64 c = r % 2; c < m_columnCount; c += 2) {
            const QList<QPointF> corners =
                HexagonPosition::cornersOfPlace(r, c, a, width, height, m_rowCount, m_columnCount);
            painter.drawDropTarget(
                UtilityFunctions::getBezierPathFromPts(HexagonPosition::getVerticesMovedInsideBy(s, corners), 0));
        }
    }
}

void HexagonCollage::exchangeSlots(qint64 from, qint64 to)
{
    const QList<PositionPtr>& cells = picturePositions();
    if (from < 0 || to < 0 || from >= cells.size() || to >= cells.size())
        return;
    Position& a = *cells[from];
    Position& b = *cells[to];
    const QString picture = a.picture();
    const std::optional<PanZoomPos> crop = a.panZoomValue();
    a.setPicture(b.picture());
    a.setPanZoomValue(b.panZoomValue());
    b.setPicture(picture);
    b.setPanZoomValue(crop);
}

// ---- pictures -------------------------------------------------------------------

PositionPtr HexagonCollage::getBrandNewPosition()
{
    return std::make_shared<HexagonPosition>();
}

void HexagonCollage::placeNewPictures(const QStringList& md5s)
{
    if (picturePositions().isEmpty())
        assignCounts(0, 0);
    growToPlaces(images().size() + md5s.size());
    ensureAllPositionsArePresent();
    const QList<std::shared_ptr<HexagonPosition>> empty = emptyCellsInFillOrder();
    for (qsizetype k = 0; k < std::min(md5s.size(), empty.size()); ++k) {
        empty[k]->setPicture(md5s[k]);
        empty[k]->setPanZoomValue(std::nullopt);
    }
}

void HexagonCollage::newPicturesPlaced(qsizetype slotsBefore)
{
    SlotCollage::newPicturesPlaced(slotsBefore);
    reportPicturesWithoutCell();
}

void HexagonCollage::shuffle()
{
    removeAllSelections();
    if (picturePositions().isEmpty())
        return;
    ensureAllPositionsArePresent();
    // One cell per place: the k-th cell of the new order takes the k-th
    // place, row-major.
    const QList<PositionPtr> shuffled = UtilityFunctions::randomlyShuffledNewArray(picturePositions());
    qsizetype k = 0;
    for (qint64 r = 0; r < m_rowCount; ++r) {
        for (qint64 c = r % 2; c < m_columnCount && k < shuffled.size(); c += 2) {
            if (auto* cell = dynamic_cast<HexagonPosition*>(shuffled[k++].get())) {
                cell->setRowIndex(r);
                cell->setColIndex(c);
            }
        }
    }
    picturePositions() = shuffled;
    m_placeIndexStale = true;
}

void HexagonCollage::setOrientation(qint64 orientationIndex)
{
    const qint64 w = width();
    const qint64 h = height();
    Collage::setOrientation(orientationIndex);
    if (width() != w || height() != h)
        reputPicturesCompletely();
}

void HexagonCollage::setCollageSizeTo(const QFCollageSize& size)
{
    Collage::setCollageSizeTo(size);
    reputPicturesCompletely();
}

void HexagonCollage::detectFacesAndUpdatePanZoomAll(bool all, bool onlyThoseNotSet,
                                                    const std::optional<QList<PositionPtr>>& onlyThesePositions)
{
    // Every cell has the same shape: only its aspect matters.
    centreCropsOnFaces(all, onlyThoseNotSet, onlyThesePositions,
                       [](const Position&) { return QSizeF(1.0, kCellAspect); });
}

void HexagonCollage::reportPicturesWithoutCell()
{
    QSet<QString> shown;
    for (const PositionPtr& cell : std::as_const(picturePositions()))
        if (cell && !cell->isEmpty())
            shown.insert(cell->picture());
    qsizetype left = 0;
    for (const QString& md5 : images())
        if (!shown.contains(md5))
            ++left;
    if (left == 0)
        return;
    qCWarning(lcHexagon) << left << "pictures have no cell within the grid's cap";
    if (myWindowController())
        myWindowController()->picturesNotShown(left);
}

// ---- collage JSON object --------------------------------------------------------

void HexagonCollage::addMyPropertiesTo(QJsonObject& dict, bool actual) const
{
    Collage::addMyPropertiesTo(dict, actual);
    dict.insert(kRowCountKey, m_rowCount);
    dict.insert(kColumnCountKey, m_columnCount);
    dict.insert(kPointedOnTopKey, m_pointedOnTop);
}

void HexagonCollage::setMyPropertiesFrom(const QJsonObject& dict)
{
    Collage::setMyPropertiesFrom(dict);
    setPointedOnTop(json::booleanOr(dict, kPointedOnTopKey, false));

    // Absent counts come from the cells the file has.
    qint64 rowsOfCells = 0;
    qint64 columnsOfCells = 0;
    for (const PositionPtr& p : std::as_const(picturePositions())) {
        if (const auto* cell = dynamic_cast<const HexagonPosition*>(p.get())) {
            rowsOfCells = std::max(rowsOfCells, std::min(cell->rowIndex(), kMaxCount - 1) + 1);
            columnsOfCells = std::max(columnsOfCells, std::min(cell->colIndex(), kMaxCount - 1) + 1);
        }
    }
    const QJsonValue rowValue = dict.value(kRowCountKey);
    const QJsonValue columnValue = dict.value(kColumnCountKey);
    const std::optional<qint64> rows =
        absent(rowValue) ? std::clamp<qint64>(rowsOfCells, 1, kMaxCount) : usableCount(rowValue);
    const std::optional<qint64> columns =
        absent(columnValue) ? std::clamp<qint64>(columnsOfCells, 1, kMaxCount) : usableCount(columnValue);

    if (!rows || !columns || possibleNumberOfPosForRowCount(*rows, *columns) < images().size()) {
        qCWarning(lcHexagon) << "grid of" << rowValue << "x" << columnValue << "rebuilt for"
                             << images().size() << "pictures";
        reputPicturesCompletely();
        return;
    }
    assignCounts(*rows, *columns);
    const QHash<QString, std::optional<PanZoomPos>> crops = dropCellsOffTheGrid();
    ensureAllPositionsArePresent();
    giveEveryPictureACell(crops);
}

QHash<QString, std::optional<PanZoomPos>> HexagonCollage::dropCellsOffTheGrid()
{
    const PositionPtr selected = selectedPosition();
    QHash<QString, std::optional<PanZoomPos>> crops;
    QSet<Place> taken;
    QList<PositionPtr> kept;
    for (const PositionPtr& p : std::as_const(picturePositions())) {
        const auto* cell = dynamic_cast<const HexagonPosition*>(p.get());
        if (cell && isValidPosRowIndex(cell->rowIndex(), cell->colIndex())) {
            const Place place(cell->rowIndex(), cell->colIndex());
            if (!taken.contains(place)) {
                taken.insert(place);
                kept.append(p);
                continue;
            }
        }
        // Its picture, crop and all, goes to an empty cell afterwards.
        if (p && !p->isEmpty() && !crops.contains(p->picture()))
            crops.insert(p->picture(), p->panZoomValue());
    }
    if (kept.size() != picturePositions().size()) {
        picturePositions() = kept;
        m_placeIndexStale = true;
        setSelectedImagePosition(selected ? kept.indexOf(selected) : -1);
    }
    return crops;
}

void HexagonCollage::giveEveryPictureACell(const QHash<QString, std::optional<PanZoomPos>>& crops)
{
    const QStringList unshown = reconcileSlotsWithPictures();
    if (unshown.isEmpty())
        return;
    growToPlaces(images().size());
    const QList<std::shared_ptr<HexagonPosition>> empty = emptyCellsInFillOrder();
    for (qsizetype k = 0; k < std::min(unshown.size(), empty.size()); ++k) {
        empty[k]->setPicture(unshown[k]);
        empty[k]->setPanZoomValue(crops.value(unshown[k]));
        // Its cell lay off the grid or on another's place: it did not show.
        if (crops.contains(unshown[k]))
            notePicturePutBackOnReading(unshown[k]);
    }
    reportPicturesWithoutCell();
}

// ---- what the editor offers ----------------------------------------------------

QList<CollageCommand> HexagonCollage::commands()
{
    // Cells can be added to, or taken from, a collage without pictures.
    const auto cells = [](const char* name, const char* title, const char* tip, bool (HexagonCollage::*change)()) {
        CollageCommand c =
            CollageCommand::make(name, title, "", tip, CommandGroup::All, "", CollageCommand::on(change));
        c.button = false; // the layout box holds its button
        return c;
    };
    return {cells("increasePositionsCommandButton", "More Cells", "Add a row or a column of cells",
                  &HexagonCollage::increasePossiblePosCount),
            cells("decreasePositionsCommandButton", "Fewer Cells", "Take away empty cells",
                  &HexagonCollage::decreasePosCountIfPossible)};
}

SettingsBox HexagonCollage::layoutBox()
{
    using C = SettingsControl;
    return {QStringLiteral("hexagonLayoutControlsBox"),
            {C::value("hexagonColumnCountLabel", "columnCount", "Columns"),
             C::value("hexagonRowCountLabel", "honeycombRowCount", "Rows"),
             C::button("increasePositionsCommandButton", "Cells"), C::button("decreasePositionsCommandButton", "Cells")}};
}

} // namespace qf
