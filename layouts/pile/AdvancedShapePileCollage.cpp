#include "layouts/pile/AdvancedShapePileCollage.h"

#include "model/UtilityFunctions.h"

#include <QLoggingCategory>

#include <algorithm>
#include <array>
#include <cmath>

namespace qf {

namespace {

Q_LOGGING_CATEGORY(lcShapePile, "qf.layouts.pile.shape")

// Read from a project, this key turns every slot into an oval.
const QString kAllOvalsKey = QStringLiteral("cppattinc");

constexpr qint64 kFirstShape = -1; // the plain photo
constexpr qint64 kLastShape = 8;

bool isValidShape(qint64 shape)
{
    return shape >= kFirstShape && shape <= kLastShape;
}

void spreadInto(QList<CircleSpreadHelperPos>& cells, double x, double y, double w, double h, qint64 n)
{
    if (n <= 0)
        return;
    if (n == 1) {
        // One cell at a random place along the longer side.
        const double u = UtilityFunctions::randomFrom0to1();
        const double size = 0.85 * std::min(w, h);
        if (w > h)
            cells.append({x + h / 2 + u * (w - h), y + h / 2, size});
        else
            cells.append({x + w / 2, y + w / 2 + u * (h - w), size});
        return;
    }
    // Two thirds to one half and the rest to the other, which half is random;
    // the halves have equal area whatever their counts.
    const qint64 a = 2 * n / 3;
    const qint64 b = n - a;
    const bool fewerFirst = UtilityFunctions::randomFrom0to1() < 0.5;
    const qint64 first = fewerFirst ? b : a;
    const qint64 second = fewerFirst ? a : b;
    if (h > w) {
        spreadInto(cells, x, y, w, h / 2, first);
        spreadInto(cells, x, y + h / 2, w, h / 2, second);
    } else {
        spreadInto(cells, x, y, w / 2, h, first);
        spreadInto(cells, x + w / 2, y, w / 2, h, second);
    }
}

} // namespace

AdvancedShapePileCollage::AdvancedShapePileCollage()
{
    setCollageType(QStringLiteral("circlepile"));
    setDrawShadow(true);
    setBorderColor(Color{1, 1, 1, 1});
}

const KVKeyTable& AdvancedShapePileCollage::keyTable()
{
    static const KVKeys<AdvancedShapePileCollage> table = [] {
        using S = AdvancedShapePileCollage;
        KVKeys<S> t(PileCollage::keyTable());
        for (const char* key : {"instantCameraBorder", "stampBorder"})
            t.derived(QString::fromLatin1(key), &S::getFalseBinding, {});
        return t;
    }();
    return table;
}

qint64 AdvancedShapePileCollage::shapeToUseForNewPosition() const
{
    std::array<qint64, kLastShape - kFirstShape + 1> counts{};
    for (const PositionPtr& position : picturePositions())
        if (const auto* slot = dynamic_cast<const PilePosition*>(position.get()); slot && isValidShape(slot->shape()))
            ++counts[std::size_t(slot->shape() - kFirstShape)];
    // Only a larger count replaces the best so far, so ties go to the lowest shape.
    qint64 best = 0, bestCount = 0;
    for (qint64 shape = kFirstShape; shape <= kLastShape; ++shape) {
        if (counts[std::size_t(shape - kFirstShape)] > bestCount) {
            best = shape;
            bestCount = counts[std::size_t(shape - kFirstShape)];
        }
    }
    return best;
}

QPainterPath AdvancedShapePileCollage::getBorderEnclosingPathForDrawingRect(const QRectF& rect,
                                                                           double borderWidth) const
{
    qCWarning(lcShapePile) << "getBorderEnclosingPathForDrawingRect called in CirclePileCollage";
    return PileCollage::getBorderEnclosingPathForDrawingRect(rect, borderWidth);
}

QList<CircleSpreadHelperPos> AdvancedShapePileCollage::spreadWithOriginX(double x, double y, double w, double h,
                                                                          qint64 n)
{
    QList<CircleSpreadHelperPos> cells;
    if (n > 0)
        cells.reserve(n);
    spreadInto(cells, x, y, w, h, n);
    return cells;
}

void AdvancedShapePileCollage::spreadout()
{
    const QList<std::shared_ptr<PilePosition>> ordered = pileSlots();
    if (ordered.isEmpty())
        return;
    const double w = double(width()), h = double(height());
    if (!(w > 0) || !(h > 0))
        return; // no canvas to split
    removeAllSelections();
    picturePositions().clear();
    // The canvas measured in units of its width.
    const QList<CircleSpreadHelperPos> cells = spreadWithOriginX(0, 0, 1, h / w, ordered.size());
    for (qsizetype i = 0; i < ordered.size(); ++i) {
        PilePosition& slot = *ordered[i];
        const CircleSpreadHelperPos& cell = cells[i];
        // A wide outline gets the cell size as its height.
        const double a = widthUponHeightForPosition(slot);
        slot.setScale(a > 1 ? cell.size * a : cell.size);
        slot.setCenter(QPointF(cell.cx, cell.cy * w / h));
        picturePositions().append(ordered[i]);
    }
}

void AdvancedShapePileCollage::shapeChangeSelectedTo(qint64 shape)
{
    if (!isValidShape(shape))
        return;
    const PositionPtr selected = selectedPosition();
    auto* slot = dynamic_cast<PilePosition*>(selected.get());
    if (!slot)
        return;
    if (slot->shape() != shape) {
        slot->setShape(shape);
        slot->setPanZoomValue(std::nullopt);
        slot->setWidthToHeight(std::nullopt);
    }
    detectFacesAndUpdatePanZoomAll(false, false, QList<PositionPtr>{selected});
}

void AdvancedShapePileCollage::shapeChangeAllTo(qint64 shape)
{
    if (!isValidShape(shape))
        return;
    for (const std::shared_ptr<PilePosition>& slot : pileSlots()) {
        if (slot->shape() == shape)
            continue;
        slot->setShape(shape);
        slot->setPanZoomValue(std::nullopt);
        slot->setWidthToHeight(std::nullopt);
    }
    // Only the slots left without a crop window get a new one.
    detectFacesAndUpdatePanZoomAll(false, true, std::nullopt);
}

void AdvancedShapePileCollage::setMyPropertiesFrom(const QJsonObject& dict)
{
    PileCollage::setMyPropertiesFrom(dict);
    if (!dict.contains(kAllOvalsKey))
        return;
    for (const std::shared_ptr<PilePosition>& slot : pileSlots())
        slot->setShape(0);
}

} // namespace qf
