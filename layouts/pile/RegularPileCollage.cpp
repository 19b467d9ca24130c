#include "layouts/pile/RegularPileCollage.h"

#include "layouts/mosaic/MosaicFitting.h"
#include "model/UtilityFunctions.h"
#include "platform/random/RandomSource.h"

#include <QJsonValue>

#include <cmath>

namespace qf {

namespace {

const QString kBorderStyleKey = QStringLiteral("bs");

} // namespace

RegularPileCollage::RegularPileCollage()
{
    setCollageType(QStringLiteral("pile"));
    setBorderColor(Color{1, 1, 1, 1});
}

const KVKeyTable& RegularPileCollage::keyTable()
{
    static const KVKeys<RegularPileCollage> table = [] {
        using R = RegularPileCollage;
        KVKeys<R> t(PileCollage::keyTable());
        const QString style = QStringLiteral("borderStyle");
        t.property(style, &R::borderStyle, &R::setBorderStyle);
        t.property(QStringLiteral("instantCameraBorder"), &R::instantCameraBorder, &R::setInstantCameraBorder);
        t.property(QStringLiteral("stampBorder"), &R::stampBorder, &R::setStampBorder);
        // Observers of either flag hear every change of the style.
        t.addDependencies(QStringLiteral("instantCameraBorder"), {style});
        t.addDependencies(QStringLiteral("stampBorder"), {style});
        return t;
    }();
    return table;
}

void RegularPileCollage::setInstantCameraBorder(bool on)
{
    const bool stamp = stampBorder();
    setBorderStyle(on && stamp ? BorderBoth : stamp ? BorderStamp : on ? BorderInstantCamera : BorderNone);
}

void RegularPileCollage::setStampBorder(bool on)
{
    const bool camera = instantCameraBorder();
    setBorderStyle(on && camera ? BorderBoth : camera ? BorderInstantCamera : on ? BorderStamp : BorderNone);
}

double RegularPileCollage::anotherRandomRotation()
{
    const quint32 r = RandomSource::current().next();
    return UtilityFunctions::randomSign() * double(r % 15) / 100;
}

QPainterPath RegularPileCollage::getBorderEnclosingPathForDrawingRect(const QRectF& rect, double borderWidth) const
{
    QRectF grown = rect.adjusted(-borderWidth, -borderWidth, borderWidth, borderWidth);
    if (instantCameraBorder()) {
        const double extra = 0.22 * std::hypot(grown.width(), grown.height());
        grown.adjust(0, -extra, 0, 0); // y up: the low-y edge is the bottom
    }
    if (stampBorder())
        return UtilityFunctions::getStampBezierPath(grown);
    QPainterPath path;
    path.addRect(grown);
    return path;
}

void RegularPileCollage::spreadout()
{
    const QList<std::shared_ptr<PilePosition>> cells = pileSlots();
    const qint64 n = cells.size();
    if (n == 0)
        return;
    removeAllSelections();
    picturePositions().clear();
    const double w = double(width()), h = double(height());
    const qint64 k = getLeastSquare(n);
    qint64 c = w + h > 0 ? qint64(w / (w + h) * 2 * double(k)) : k;
    qint64 r = 2 * k - c;
    while (c * r < n)
        ++c, ++r;
    while ((c - 1) * (r - 1) >= n && c * r > n)
        --c, --r;
    QList<qint64> free;
    for (qint64 cell = c * r - 1; cell >= 0; --cell)
        free.append(cell);
    for (const std::shared_ptr<PilePosition>& slot : cells) {
        const std::shared_ptr<PilePosition> placed =
            getRandomPositionForPicture(slot->picture(), getNsImage(slot->picture(), false), k);
        double scale = placed->scale();
        slot->setRotation(placed->rotation());
        const qsizetype at = qsizetype(RandomSource::current().next() % quint32(free.size()));
        const qint64 cell = free.takeAt(at);
        const qint64 row = cell / c, column = cell % c;
        int sx = UtilityFunctions::randomSign();
        int sy = UtilityFunctions::randomSign();
        double ax = 0.1, ay = 0.1;
        if (row == 0)
            scale *= 0.9, ay = 0.2, sy = 1;
        if (row == r - 1)
            scale *= 0.9, ay = 0.2, sy = -1;
        if (column == 0)
            scale *= 0.9, ax = 0.2, sx = 1;
        if (column == c - 1)
            scale *= 0.9, ax = 0.2, sx = -1;
        slot->setScale(scale);
        const double u1 = UtilityFunctions::randomFrom0to1();
        const double u2 = UtilityFunctions::randomFrom0to1();
        slot->setCenter(QPointF((sx * u1 * ax + 0.5) / double(c) + double(column) / double(c),
                                (sy * u2 * ay + 0.5) / double(r) + double(row) / double(r)));
        picturePositions().append(slot);
    }
}

void RegularPileCollage::spreadoutToMosaic()
{
    if (images().isEmpty())
        return;
    removeAllSelections();
    // Only filled slots take part; placeholders are left out.
    QList<std::shared_ptr<PilePosition>> old;
    for (const std::shared_ptr<PilePosition>& slot : pileSlots())
        if (!slot->isEmpty())
            old.append(slot);
    picturePositions().clear();
    const double w = double(width()), h = double(height());
    std::vector<double> aspects;
    for (const std::shared_ptr<PilePosition>& slot : old)
        aspects.push_back(widthUponHeightForPosition(*slot));
    const mosaic::RandomNext random = [] { return RandomSource::current().next(); };
    const mosaic::Fit fit = mosaic::fitPictures(aspects, w, h, random);
    const double border = getBorderWidthForCollageWidth(w, h);
    for (const mosaic::Slot& placed : fit.placed) {
        const std::shared_ptr<PilePosition>& slot = old[qsizetype(placed.picture)];
        double cw = w * placed.width, ch = h * placed.height;
        if (cw > 2 * border)
            cw -= 2 * border;
        if (ch > 2 * border)
            ch -= 2 * border;
        slot->setCenter(QPointF(placed.x + placed.width / 2, placed.y + placed.height / 2));
        const quint32 r = RandomSource::current().next();
        slot->setRotation(UtilityFunctions::randomSign() * double(r % 10) / 150);
        const double a = aspects[placed.picture];
        const double scale = (ch > 0 && a > cw / ch) ? cw / w : ch * a / w;
        slot->setScale(scale * 0.9);
        picturePositions().append(slot);
    }
}

void RegularPileCollage::addMyPropertiesTo(QJsonObject& dict, bool actual) const
{
    PileCollage::addMyPropertiesTo(dict, actual);
    dict.insert(kBorderStyleKey, m_borderStyle);
}

void RegularPileCollage::setMyPropertiesFrom(const QJsonObject& dict)
{
    PileCollage::setMyPropertiesFrom(dict);
    const QJsonValue style = dict.value(kBorderStyleKey);
    if (style.isDouble() && std::isfinite(style.toDouble()))
        m_borderStyle = UtilityFunctions::integerWithin(style.toDouble(), BorderNone, BorderBoth, m_borderStyle);
}

QSet<QString> RegularPileCollage::keysForValuesToObserveForUndo() const
{
    QSet<QString> keys = PileCollage::keysForValuesToObserveForUndo();
    keys << QStringLiteral("instantCameraBorder") << QStringLiteral("stampBorder");
    return keys;
}

} // namespace qf
