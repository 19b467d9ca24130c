#include "layouts/CollageTypes.h"

#include "layouts/grid_mosaic/GridCollage.h"
#include "layouts/pile_polygon_hexagon/HexagonCollage.h"
#include "layouts/mosaic/CenterCollage.h"
#include "layouts/mosaic/MosaicCollage.h"
#include "layouts/pile_polygon_hexagon/AdvancedShapePileCollage.h"
#include "layouts/pile_polygon_hexagon/RegularPileCollage.h"
#include "layouts/pile_polygon_hexagon/PolygonCollage.h"
#include "model/CollageJsonKeys.h"
#include "platform/json/JsonValues.h"

#include <QCoreApplication>

namespace qf {

namespace {

template <class T>
CollageType::Maker maker()
{
    return [] { return std::make_shared<T>(); };
}

QString title(const char* text)
{
    return QCoreApplication::translate("qf::CollageTypes", text);
}

QStringList pileCommandsForSelected()
{
    return {QStringLiteral("cropSelectedCommandButton"),
            QStringLiteral("moveSelectedUpCommandButton"),
            QStringLiteral("moveSelectedDownCommandButton"),
            QStringLiteral("increaseSelectedInSizeCommandButton"),
            QStringLiteral("decreaseSelectedInSizeCommandButton"),
            QStringLiteral("rotateSelected0CommandButton"),
            QStringLiteral("rotateSelectedAnticlockwiseCommandButton"),
            QStringLiteral("rotateSelectedClockwiseCommandButton"),
            QStringLiteral("makeSelectedEmptyCommandButton"),
            QStringLiteral("removeCropFromSelectedCommandButton")};
}

QStringList pileCommandsForAll(bool toMosaic)
{
    QStringList commands{QStringLiteral("spreadoutCommandButton"), QStringLiteral("spreadoutToGridCommandButton")};
    if (toMosaic)
        commands.append(QStringLiteral("spreadoutToMosaicCommandButton"));
    commands << QStringLiteral("increaseAllInSizeCommandButton") << QStringLiteral("decreaseAllInSizeCommandButton")
             << QStringLiteral("equateAllInSizeCommandButton") << QStringLiteral("rotateAllTo0CommandButton");
    return commands;
}

QList<CollageType> makeRows()
{
    const QString mosaicBorders = QStringLiteral("mosaicPictureBordersControlsBox");
    const QString shuffleInPlace = QStringLiteral("shuffleInPlaceCommandButton");
    const QStringList splits{QStringLiteral("splitSelectedAlongWidthCommandButton"),
                             QStringLiteral("splitSelectedAlongHeightCommandButton")};
    QList<CollageType> rows;
    rows.append({QStringLiteral("pile"), title("Pile"), maker<RegularPileCollage>(), QStringLiteral("pileLayoutControlsBox"),
                 QStringLiteral("regularPilePictureBordersControlsBox"), pileCommandsForAll(true),
                 pileCommandsForSelected(), true});
    rows.append({QStringLiteral("circlepile"), title("Shape Pile"), maker<AdvancedShapePileCollage>(), QStringLiteral("pileLayoutControlsBox"),
                 QStringLiteral("circlePilePictureBordersControlsBox"),
                 pileCommandsForAll(false) << QStringLiteral("changeShapeAllPopupButton"),
                 pileCommandsForSelected() << QStringLiteral("shapeChangeSelectedPopupButton"), false});
    rows.append({QStringLiteral("grid"), title("Grid"), maker<GridCollage>(), QStringLiteral("gridLayoutControlsBox"),
                 mosaicBorders, {}, {}, false});
    const QString positions = QStringLiteral("setPositionsOnZigMosaicButton");
    rows.append({QStringLiteral("mosaic"), title("Mosaic"), maker<MosaicCollage>(), QStringLiteral("mosaicLayoutControlsBox"),
                 mosaicBorders, {shuffleInPlace, QStringLiteral("bestFitCommandButton"), positions}, splits, false});
    rows.append({QStringLiteral("centerframe"), title("Centre Frame"), maker<CenterCollage>(),
                 QStringLiteral("centeredLayoutControlsBox"), mosaicBorders, {shuffleInPlace},
                 splits + QStringList{QStringLiteral("setSelectedAsCenterCommandButton")}, false});
    rows.append({QStringLiteral("zigmosaic"), title("Zig Mosaic"), maker<PolygonCollage>(), QStringLiteral("mosaicLayoutControlsBox"),
                 mosaicBorders, {shuffleInPlace, positions}, {}, false});
    rows.append({QStringLiteral("hexagon"), title("Hexagons"), maker<HexagonCollage>(), QStringLiteral("hexagonLayoutControlsBox"),
                 mosaicBorders,
                 {QStringLiteral("increasePositionsCommandButton"), QStringLiteral("decreasePositionsCommandButton")}, {},
                 false});
    return rows;
}

} // namespace

const QList<CollageType>& CollageTypes::all()
{
    static const QList<CollageType> rows = makeRows();
    return rows;
}

const CollageType* CollageTypes::find(const QString& type)
{
    for (const CollageType& row : all())
        if (row.type == type)
            return &row;
    return nullptr;
}

qsizetype CollageTypes::indexOf(const QString& type)
{
    const QList<CollageType>& rows = all();
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (rows[i].type == type)
            return i;
    return -1;
}

QStringList CollageTypes::typeStrings()
{
    QStringList types;
    for (const CollageType& row : all())
        types.append(row.type);
    return types;
}

QStringList CollageTypes::allLayoutBoxes()
{
    QStringList boxes;
    for (const CollageType& row : all())
        for (const QString& box : {row.layoutBox, row.bordersBox})
            if (!box.isEmpty() && !boxes.contains(box))
                boxes.append(box);
    return boxes;
}

QStringList CollageTypes::allCommandButtons()
{
    QStringList buttons;
    for (const CollageType& row : all())
        for (const QString& button : row.allCommands + row.selectedCommands)
            if (!buttons.contains(button))
                buttons.append(button);
    return buttons;
}

QString CollageTypes::typeOfJson(const QJsonObject& dict)
{
    return json::string(dict, CollageJsonKeys::kCollageTypeKey).value_or(QString());
}

void CollageTypes::setMaker(const QString& type, Maker maker)
{
    m_makers.insert(type, std::move(maker));
}

CollageTypes::Maker CollageTypes::makerFor(const QString& type) const
{
    const auto replaced = m_makers.constFind(type);
    if (replaced != m_makers.cend())
        return *replaced;
    const CollageType* row = find(type);
    return row ? row->maker : nullptr;
}

bool CollageTypes::canMake(const QString& type) const
{
    return makerFor(type) != nullptr;
}

std::shared_ptr<Collage> CollageTypes::make(const QString& type) const
{
    const Maker maker = makerFor(type);
    return maker ? maker() : nullptr;
}

std::shared_ptr<Collage> CollageTypes::makeFromJson(const QJsonObject& dict, CollageHost* host) const
{
    std::shared_ptr<Collage> collage = make(typeOfJson(dict));
    if (!collage)
        return nullptr;
    collage->setMyWindowController(host);
    collage->setMyPropertiesFrom(dict);
    return collage;
}

QString CollageTypes::newDocumentType() const
{
    for (const CollageType& row : all())
        if (row.newDocument && canMake(row.type))
            return row.type;
    for (const CollageType& row : all())
        if (canMake(row.type))
            return row.type;
    return {};
}

} // namespace qf
