#include "layouts/zigmosaic/PolygonCollage.h"

#include "model/BezierPathQuartzUtilities.h"
#include "model/ResourceImages.h"
#include "model/UtilityFunctions.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace qf {

namespace {

Q_LOGGING_CATEGORY(lcZigMosaic, "qf.layouts.zigmosaic")

// A sort key that orders: what is no number goes last.
double sortKey(double value)
{
    return std::isfinite(value) ? value : std::numeric_limits<double>::max();
}

double aspectOf(const QImage& image)
{
    return image.height() > 0 ? double(image.width()) / double(image.height()) : 1.0;
}

// Below this share of the canvas a cell shows no picture at any output size.
constexpr double kLeastArea = 1e-9;

// The polygon's area, from its vertices in order (fractions of the canvas).
double areaOf(const QList<QPointF>& vertices)
{
    double twice = 0;
    for (qsizetype i = 0; i < vertices.size(); ++i) {
        const QPointF a = vertices[i], b = vertices[(i + 1) % vertices.size()];
        twice += a.x() * b.y() - b.x() * a.y();
    }
    return std::abs(twice) / 2;
}

// Whether the box around the vertices covers some of the canvas.
bool reachesTheCanvas(const QRectF& box)
{
    return std::min(box.right(), 1.0) > std::max(box.left(), 0.0)
        && std::min(box.bottom(), 1.0) > std::max(box.top(), 0.0);
}

// One of 0.42, 0.43, ..., 0.58.
double splitRatio()
{
    return double(UtilityFunctions::randomIndexBelow(17)) / 100 + 0.42;
}

QPointF cut(QPointF x, QPointF y, double r)
{
    return r * x + (1 - r) * y;
}

// Typed corners lie on the canvas; a project read keeps its own leeway.
bool onTheCanvas(const QPointF& v)
{
    return v.x() >= 0.0 && v.x() <= 1.0 && v.y() >= 0.0 && v.y() <= 1.0;
}

// The polygons of typed positions text, or none with the reason in `why`.
// The messages are spelt out at each call so that lupdate finds them.
std::optional<QList<QList<QPointF>>> polygonsFromText(const QString& text, QString& why)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isArray()) {
        why = QCoreApplication::translate("qf::PolygonCollage", "The text is not a list of cells.");
        return std::nullopt;
    }
    const QJsonArray list = document.array();
    if (list.isEmpty()) {
        why = QCoreApplication::translate("qf::PolygonCollage",
                                          "The list has no cells; a zig mosaic needs at least one.");
        return std::nullopt;
    }
    QList<QList<QPointF>> polygons;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QJsonArray points = list[i].toArray();
        bool pairs = list[i].isArray() && points.size() >= 3;
        QList<QPointF> vertices;
        for (qsizetype j = 0; pairs && j < points.size(); ++j) {
            const QJsonArray xy = points[j].toArray();
            pairs = points[j].isArray() && xy.size() == 2 && xy[0].isDouble() && xy[1].isDouble();
            if (pairs)
                vertices.append(QPointF(xy[0].toDouble(), xy[1].toDouble()));
        }
        if (!pairs)
            why = QCoreApplication::translate("qf::PolygonCollage",
                                              "Cell %1 needs at least three points, each two numbers.")
                      .arg(i + 1);
        else if (vertices.size() > PolygonPosition::kMaxVertices)
            why = QCoreApplication::translate("qf::PolygonCollage", "Cell %1 has more than %2 points.")
                      .arg(i + 1)
                      .arg(PolygonPosition::kMaxVertices);
        else if (!std::all_of(vertices.cbegin(), vertices.cend(), onTheCanvas)
                 || !PolygonPosition::usableVertices(vertices))
            why = QCoreApplication::translate("qf::PolygonCollage",
                                              "Cell %1 has a corner off the canvas; corners lie between 0 and 1.")
                      .arg(i + 1);
        if (!why.isEmpty())
            return std::nullopt;
        polygons.append(vertices);
    }
    return polygons;
}

const QList<QPointF>& unitSquare()
{
    static const QList<QPointF> square{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    return square;
}

} // namespace

PolygonCollage::PolygonCollage()
{
    setCollageType(QStringLiteral("zigmosaic"));
    setDrawShadow(true);
}

const KVKeyTable& PolygonCollage::keyTable()
{
    static const KVKeys<PolygonCollage> table = [] {
        using P = PolygonCollage;
        KVKeys<P> t(Collage::keyTable());
        t.derived(QStringLiteral("rowColSteppersEnabled"), &P::getRowColSteppersEnabled, {});
        t.derived(QStringLiteral("rowCountBinding"), &P::getRowCountBinding, {});
        t.derived(QStringLiteral("columnCountBinding"), &P::getColumnCountBinding, {});
        t.derived(QStringLiteral("columnCount"), &P::getColumnCount, {});
        t.derived(QStringLiteral("rowCount"), &P::getRowCount, {});
        t.derived(QStringLiteral("symmetric"), &P::getSymmetric, {});
        t.derived(QStringLiteral("instantCameraBorder"), &P::getInstantCameraBorder, {});
        t.derived(QStringLiteral("stampBorder"), &P::getStampBorder, {});
        t.derived(QStringLiteral("fillDuplicates"), &P::getFillDuplicates, {});
        return t;
    }();
    return table;
}

std::shared_ptr<PolygonPosition> PolygonCollage::polygonCell(qint64 index) const
{
    if (!validSlotIndex(index))
        return nullptr;
    return std::dynamic_pointer_cast<PolygonPosition>(picturePositions()[index]);
}

PositionPtr PolygonCollage::getBrandNewPosition()
{
    return std::make_shared<PolygonPosition>();
}

// ---- splitting ------------------------------------------------------------------

qint64 PolygonCollage::findNextIndexToSplit() const
{
    const double w = double(width()), h = double(height());
    qint64 found = -1;
    double longest = 0;
    for (qint64 i = 0; i < picturePositions().size(); ++i) {
        const std::shared_ptr<PolygonPosition> cell = polygonCell(i);
        if (!cell || !cell->hasGeometry())
            continue;
        const double side = cell->getSmallesAndBiggestSideWidth(w, h).biggest;
        if (found < 0 || side > longest) {
            found = i;
            longest = side;
        }
    }
    return found;
}

QList<QPointF> PolygonCollage::splitAndReturnNewPosition(qint64 index)
{
    const std::shared_ptr<PolygonPosition> cell = polygonCell(index);
    if (!cell || !cell->hasGeometry())
        return {};
    const QList<QPointF> v = cell->vertices();
    const qsizetype n = v.size();
    const qsizetype k = cell->getSmallesAndBiggestSideWidth(double(width()), double(height())).biggesti;
    const double r1 = splitRatio();
    const double r2 = splitRatio();
    QList<QPointF> keeps;
    QList<QPointF> part;
    if (n == 3) {
        const QPointF a = v[0], b = v[1], c = v[2];
        if (UtilityFunctions::randomBool()) {
            // From the corner opposite the longest side.
            if (k == 0) {
                const QPointF p = cut(a, b, r1);
                keeps = {a, p, c};
                part = {p, b, c};
            } else if (k == 1) {
                const QPointF p = cut(b, c, r1);
                keeps = {a, b, p};
                part = {c, a, p};
            } else {
                const QPointF p = cut(a, c, r1);
                keeps = {a, b, p};
                part = {c, p, b};
            }
        } else {
            // Across the first corner: a triangle and a quadrilateral.
            const QPointF p = cut(a, b, r1);
            const QPointF q = cut(a, c, r2);
            keeps = {a, p, q};
            part = {p, b, c, q};
        }
    } else if (n == 4) {
        const QPointF a = v[0], b = v[1], c = v[2], d = v[3];
        if (k % 2 == 0) {
            const QPointF p = cut(a, b, r1);
            const QPointF q = cut(c, d, r2);
            keeps = {a, p, q, d};
            part = {p, b, c, q};
        } else {
            const QPointF p = cut(b, c, r1);
            const QPointF q = cut(d, a, r2);
            keeps = {a, b, p, q};
            part = {c, d, q, p};
        }
    } else {
        // Across the longest side k and side m half way round: both parts of
        // a convex cell are convex. The cell keeps the part with vertex 0.
        const qsizetype m = (k + n / 2) % n;
        const QPointF p = cut(v[k], v[(k + 1) % n], r1);
        const QPointF q = cut(v[m], v[(m + 1) % n], r2);
        const auto run = [&](qsizetype from, qsizetype to, QList<QPointF>& into) {
            for (qsizetype i = from; i <= to; ++i)
                into.append(v[i]);
        };
        if (k < m) {
            run(0, k, keeps);
            keeps << p << q;
            run(m + 1, n - 1, keeps);
            part << p;
            run(k + 1, m, part);
            part << q;
        } else {
            run(0, m, keeps);
            keeps << q << p;
            run(k + 1, n - 1, keeps);
            part << q;
            run(m + 1, k, part);
            part << p;
        }
    }
    cell->setVertices(keeps);
    cell->setPanZoomValue(std::nullopt);
    return part;
}

// ---- arrangement --------------------------------------------------------------------

void PolygonCollage::rearrangePicturesForGoodFit()
{
    QList<PositionPtr>& list = picturePositions();
    if (list.isEmpty())
        return;
    // Cells without a shape go last: they can show nothing.
    std::vector<std::pair<std::pair<bool, double>, PositionPtr>> cells;
    cells.reserve(size_t(list.size()));
    for (const PositionPtr& slot : std::as_const(list)) {
        const auto* cell = dynamic_cast<const PolygonPosition*>(slot.get());
        const bool shaped = cell && cell->hasGeometry();
        cells.push_back({{!shaped, shaped ? sortKey(cell->getWidthToHeightRatio()) : 0.0}, slot});
    }
    std::stable_sort(cells.begin(), cells.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    QStringList pictures;
    QHash<QString, double> aspects;
    for (const auto& cell : cells) {
        if (cell.second && !cell.second->isEmpty()) {
            pictures.append(cell.second->picture());
            aspects.insert(cell.second->picture(), sortKey(aspectOf(getNsImage(cell.second->picture(), false))));
        }
    }
    std::stable_sort(pictures.begin(), pictures.end(),
                     [&aspects](const QString& a, const QString& b) { return aspects.value(a) < aspects.value(b); });

    list.clear();
    for (qsizetype i = 0; i < qsizetype(cells.size()); ++i) {
        const PositionPtr& slot = cells[size_t(i)].second;
        if (slot)
            slot->setPicture(i < pictures.size() ? pictures[i] : QString());
        list.append(slot);
    }
}

PositionPtr PolygonCollage::firstEmptyCell() const
{
    PositionPtr firstEmpty;
    for (qint64 i = 0; i < picturePositions().size(); ++i) {
        const std::shared_ptr<PolygonPosition> cell = polygonCell(i);
        if (!cell || !cell->isEmpty() || !cell->hasGeometry())
            continue;
        if (cell->preferredToFill())
            return cell;
        if (!firstEmpty)
            firstEmpty = cell;
    }
    return firstEmpty;
}

void PolygonCollage::appendCellFor(const QString& md5)
{
    const qint64 k = findNextIndexToSplit();
    QList<QPointF> vertices = k < 0 ? QList<QPointF>() : splitAndReturnNewPosition(k);
    if (vertices.isEmpty())
        vertices = unitSquare();
    picturePositions().append(std::make_shared<PolygonPosition>(md5, vertices));
}

void PolygonCollage::placeInACell(const QString& md5)
{
    if (const PositionPtr empty = firstEmptyCell()) {
        empty->setPicture(md5);
        empty->setPanZoomValue(std::nullopt);
        return;
    }
    appendCellFor(md5);
}

void PolygonCollage::placeNewPictures(const QStringList& md5s)
{
    for (const QString& md5 : md5s)
        placeInACell(md5);
}

void PolygonCollage::newPicturesPlaced(qsizetype slotsBefore)
{
    if (slotsBefore == 0)
        rearrangePicturesForGoodFit();
    SlotCollage::newPicturesPlaced(slotsBefore);
}

void PolygonCollage::picturesRemoved()
{
    detectFacesAndUpdatePanZoomAll(false, true, std::nullopt);
}

void PolygonCollage::shuffle()
{
    removeAllSelections();
    const QStringList pictures = getRandomArrayOfImages();
    picturePositions().clear();
    for (const QString& md5 : pictures)
        appendCellFor(md5);
    rearrangePicturesForGoodFit();
    detectFacesAndUpdatePanZoomAll(true, false, std::nullopt);
}

void PolygonCollage::setOrientation(qint64 orientationIndex)
{
    const qint64 w = width(), h = height();
    Collage::setOrientation(orientationIndex); // clears the selection, swaps the sides when it should
    if (width() != w || height() != h)
        shuffle();
}

void PolygonCollage::detectFacesAndUpdatePanZoomAll(bool all, bool onlyThoseNotSet,
                                                    const std::optional<QList<PositionPtr>>& onlyThesePositions)
{
    const double w = double(width()), h = double(height());
    centreCropsOnFaces(all, onlyThoseNotSet, onlyThesePositions, [w, h](const Position& position) {
        const auto* cell = dynamic_cast<const PolygonPosition*>(&position);
        if (!cell || !cell->hasGeometry())
            return QSizeF();
        const QRectF r = cell->positionRect();
        return QSizeF(r.width() * w, r.height() * h);
    });
}

bool PolygonCollage::setInitialEmptyPositions(const QString& text, QString* why)
{
    QString reason;
    const std::optional<QList<QList<QPointF>>> polygons = polygonsFromText(text, reason);
    if (why)
        *why = reason;
    if (!polygons) {
        qCWarning(lcZigMosaic).noquote() << "Typed cells refused (" + reason + "):" << text;
        return false;
    }
    // Cells no one could see are left out, as a project read would drop them.
    QList<PositionPtr> cells;
    for (const QList<QPointF>& vertices : *polygons)
        cells.append(std::make_shared<PolygonPosition>(QString(), vertices));
    const std::vector<bool> seen = cellsSeen(cells);
    QList<PositionPtr> kept;
    for (qsizetype i = 0; i < cells.size(); ++i)
        if (seen[size_t(i)])
            kept.append(cells[i]);
    if (kept.isEmpty()) {
        if (why)
            *why = QCoreApplication::translate("qf::PolygonCollage", "None of these cells can be seen.");
        return false;
    }
    removeAllSelections();
    picturePositions().clear();
    forgetPictures(QSet<QString>(images().cbegin(), images().cend()));
    picturePositions() = std::move(kept);
    return true;
}

void PolygonCollage::setMyPropertiesFrom(const QJsonObject& dict)
{
    Collage::setMyPropertiesFrom(dict);
    reconcileSlotsWithPictures();
    // A picture whose cell cannot be seen would leave a hole wherever it went
    // into the others: the pictures get a new tiling, as a shuffle makes.
    const QStringList unseen = dropCellsThatCannotBeSeen();
    for (const QString& md5 : unseen)
        notePicturePutBackOnReading(md5);
    if (!unseen.isEmpty()) {
        shuffle();
        return;
    }
    for (const QString& md5 : reconcileSlotsWithPictures())
        placeInACell(md5);
}

std::vector<bool> PolygonCollage::cellsSeen(const QList<PositionPtr>& cells)
{
    // A cell drawn over by a later one of the same vertices shows nothing.
    std::set<std::vector<std::pair<double, double>>> later;
    std::vector<bool> seen(size_t(cells.size()), false);
    for (qsizetype i = cells.size() - 1; i >= 0; --i) {
        const auto* cell = dynamic_cast<const PolygonPosition*>(cells[i].get());
        if (!cell || !cell->hasGeometry() || !(areaOf(cell->vertices()) >= kLeastArea)
            || !reachesTheCanvas(cell->positionRect()))
            continue;
        std::vector<std::pair<double, double>> key;
        for (const QPointF& v : cell->vertices())
            key.emplace_back(v.x(), v.y());
        seen[size_t(i)] = later.insert(std::move(key)).second;
    }
    return seen;
}

QStringList PolygonCollage::dropCellsThatCannotBeSeen()
{
    QList<PositionPtr>& cells = picturePositions();
    const qint64 selected = selectedImagePosition();
    qint64 selectedAfter = -1;
    QList<PositionPtr> kept;
    kept.reserve(cells.size());
    QStringList unseen;
    const std::vector<bool> seen = cellsSeen(cells);
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (!seen[size_t(i)]) {
            if (cells[i] && !cells[i]->isEmpty())
                unseen.append(cells[i]->picture());
            continue;
        }
        if (i == selected)
            selectedAfter = kept.size();
        kept.append(cells[i]);
    }
    if (kept.size() == cells.size())
        return unseen;
    qCWarning(lcZigMosaic) << "Dropped" << cells.size() - kept.size() << "cells that cannot be seen," << unseen.size()
                           << "of them with a picture";
    cells = std::move(kept);
    setSelectedImagePosition(selectedAfter);
    return unseen;
}

void PolygonCollage::exchangeSlots(qint64 from, qint64 to)
{
    exchangePicturesKeepingSlots(from, to);
}

// ---- geometry -----------------------------------------------------------------------

double PolygonCollage::getSmallestDimForCollageWidth(double width, double height) const
{
    // Every slot's geometry asks for it: worked out once while the cells,
    // their vertices and the size stay the same. The kept copy of the list
    // shares its data, so any change to the list gives it new data.
    SmallestSide& kept = m_smallestSide;
    const QList<PositionPtr>& cells = picturePositions();
    if (kept.valid && kept.cells.constData() == cells.constData() && kept.cells.size() == cells.size()
        && kept.generation == PolygonPosition::geometryGeneration() && kept.width == width && kept.height == height)
        return kept.smallest;
    kept.cells = cells;
    kept.generation = PolygonPosition::geometryGeneration();
    kept.width = width;
    kept.height = height;
    kept.smallest = smallestSideOfCells(width, height);
    kept.valid = true;
    return kept.smallest;
}

double PolygonCollage::smallestSideOfCells(double width, double height) const
{
    bool any = false;
    double least = 0;
    for (qint64 i = 0; i < picturePositions().size(); ++i) {
        const std::shared_ptr<PolygonPosition> cell = polygonCell(i);
        if (!cell || !cell->hasGeometry())
            continue;
        const double side = cell->getSmallesAndBiggestSideWidth(width, height).smallest;
        least = any ? std::min(least, side) : side;
        any = true;
    }
    return least;
}

double PolygonCollage::getSpacingWidthForCollageWidth(double width, double height) const
{
    return spacing() * getSmallestDimForCollageWidth(width, height) * 0.7;
}

double PolygonCollage::getStrokeWidthForCollageWidth(double width, double height) const
{
    return strokeWidth() * getSmallestDimForCollageWidth(width, height) * 0.3;
}

double PolygonCollage::getRoundedCornerWidthForCollageWidth(double width, double height) const
{
    return cornerRadiusSize() * getSmallestDimForCollageWidth(width, height);
}

QRectF PolygonCollage::getDrawRectImagePickerButton(const QRectF&) const
{
    qCWarning(lcZigMosaic) << "getDrawRectImagePickerButton called in PolygonCollage";
    return {};
}

QRectF PolygonCollage::slotRect(qint64 index, double width, double height) const
{
    const std::shared_ptr<PolygonPosition> cell = polygonCell(index);
    if (!cell)
        return {};
    return cell->getInsideRectWidth(width, height, getSpacingWidthForCollageWidth(width, height));
}

QPainterPath PolygonCollage::slotOutline(qint64 index, double width, double height, double radius) const
{
    const std::shared_ptr<PolygonPosition> cell = polygonCell(index);
    if (!cell)
        return {};
    return cell->getBezierPath(width, height, getSpacingWidthForCollageWidth(width, height), radius);
}

QRectF PolygonCollage::slotPictureRect(qint64 index, double width, double height) const
{
    const std::shared_ptr<PolygonPosition> cell = polygonCell(index);
    if (!cell)
        return {};
    return cell->getDrawRectSpacingWidth(getSpacingWidthForCollageWidth(width, height),
                                         getStrokeWidthForCollageWidth(width, height), width, height);
}

QPainterPath PolygonCollage::slotPicturePath(qint64 index, double width, double height) const
{
    const std::shared_ptr<PolygonPosition> cell = polygonCell(index);
    if (!cell)
        return {};
    return cell->getPictureContainingBezierPathSpacingWidth(
        getSpacingWidthForCollageWidth(width, height), getStrokeWidthForCollageWidth(width, height),
        getRoundedCornerWidthForCollageWidth(width, height), width, height);
}

QRectF PolygonCollage::slotPickButtonRect(qint64 index, double width, double height) const
{
    const std::shared_ptr<PolygonPosition> cell = polygonCell(index);
    if (!cell)
        return {};
    return cell->getImagePickerRectOfSize(ResourceImages::sizeOf(QStringLiteral("image_picker_non_pressed")), width,
                                          height, getSpacingWidthForCollageWidth(width, height));
}

QPointF PolygonCollage::slotHolderCentre(qint64 index, double width, double height) const
{
    const std::shared_ptr<PolygonPosition> cell = polygonCell(index);
    if (!cell || !cell->hasGeometry())
        return {};
    const QPointF c = cell->positionRect().center();
    return QPointF(c.x() * width, c.y() * height);
}

QSizeF PolygonCollage::slotCropSize(qint64 index, double width, double height) const
{
    const std::shared_ptr<PolygonPosition> cell = polygonCell(index);
    if (!cell || !cell->hasGeometry())
        return {};
    const double s = getSpacingWidthForCollageWidth(width, height);
    const QRectF r = cell->positionRect();
    return QSizeF(r.width() * width - 2 * s, r.height() * height - 2 * s);
}

bool PolygonCollage::slotContainsPoint(qint64 index, QPointF point, double width, double height) const
{
    const std::shared_ptr<PolygonPosition> cell = polygonCell(index);
    if (!cell)
        return false;
    const QPainterPath outline = cell->getBezierPath(width, height, getSpacingWidthForCollageWidth(width, height), 0);
    return !outline.isEmpty() && BezierPathQuartzUtilities::pathContainsPoint(outline, point);
}

// ---- what the editor offers ----------------------------------------------------

QList<CollageCommand> PolygonCollage::commands()
{
    return {shuffleInPlaceCommand(), cellPositionsCommand(&PolygonCollage::setInitialEmptyPositions)};
}

SettingsBox PolygonCollage::layoutBox()
{
    return {QStringLiteral("mosaicLayoutControlsBox"), {cellPositionsButton()}};
}

} // namespace qf
