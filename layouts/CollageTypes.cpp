#include "layouts/CollageTypes.h"

#include "layouts/grid/GridCollage.h"
#include "layouts/hexagon/HexagonCollage.h"
#include "layouts/mosaic/CenterCollage.h"
#include "layouts/mosaic/MosaicCollage.h"
#include "layouts/pile/AdvancedShapePileCollage.h"
#include "layouts/pile/RegularPileCollage.h"
#include "layouts/zigmosaic/PolygonCollage.h"
#include "layouts/SharedControls.h"
#include "layouts/common/SlotCollage.h"
#include "model/CollageJsonKeys.h"
#include "platform/json/JsonValues.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>

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

QList<CollageType> makeRows()
{
    using Pile = PileCollage;
    const SettingsBox borders = SlotCollage::bordersBox();
    QList<CollageType> rows;
    rows.append({QStringLiteral("pile"), title("Pile"), maker<RegularPileCollage>(), Pile::layoutBox(),
                 RegularPileCollage::bordersBox(), RegularPileCollage::commands(), true, &Pile::nudge, {}});
    rows.append({QStringLiteral("circlepile"), title("Shape Pile"), maker<AdvancedShapePileCollage>(),
                 Pile::layoutBox(), AdvancedShapePileCollage::bordersBox(), AdvancedShapePileCollage::commands(),
                 false, &Pile::nudge, {}});
    rows.append({QStringLiteral("grid"), title("Grid"), maker<GridCollage>(), GridCollage::layoutBox(), borders,
                 GridCollage::commands(), false, {}, &GridCollage::sortPictures});
    rows.append({QStringLiteral("mosaic"), title("Mosaic"), maker<MosaicCollage>(), MosaicCollage::layoutBox(),
                 borders, MosaicCollage::commands(), false, {}, {}});
    rows.append({QStringLiteral("centerframe"), title("Centre Frame"), maker<CenterCollage>(),
                 CenterCollage::layoutBox(), borders, CenterCollage::commands(), false, {}, {}});
    rows.append({QStringLiteral("zigmosaic"), title("Zig Mosaic"), maker<PolygonCollage>(),
                 PolygonCollage::layoutBox(), borders, PolygonCollage::commands(), false, {}, {}});
    rows.append({QStringLiteral("hexagon"), title("Hexagons"), maker<HexagonCollage>(), HexagonCollage::layoutBox(),
                 borders, HexagonCollage::commands(), false, {}, {}});
    return rows;
}

// Every type's share around its own commands, and the boxes every type shows.
struct Shared {
    QList<CollageCommand> first = SharedControls::commandsFirst();
    QList<CollageCommand> last = SharedControls::commandsLast();
    QList<SettingsBox> boxes = SharedControls::boxes();
};

const Shared& shared()
{
    static const Shared parts;
    return parts;
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
        for (const QString& box : {row.layoutBox.name, row.bordersBox.name})
            if (!box.isEmpty() && !boxes.contains(box))
                boxes.append(box);
    return boxes;
}

QList<const CollageCommand*> CollageTypes::commandsOf(const QString& type)
{
    const CollageType* row = find(type);
    if (!row)
        return {};
    QList<const CollageCommand*> commands;
    for (const QList<CollageCommand>* part : {&shared().first, &row->commands, &shared().last})
        for (const CollageCommand& command : *part)
            commands.append(&command);
    // Within each group the shared first ones lead.
    std::stable_sort(commands.begin(), commands.end(), [](const CollageCommand* a, const CollageCommand* b) {
        return int(a->group) < int(b->group);
    });
    return commands;
}

const CollageCommand* CollageTypes::command(const QString& type, const QString& name)
{
    for (const CollageCommand* command : commandsOf(type))
        if (command->name == name)
            return command;
    return nullptr;
}

QList<const CollageCommand*> CollageTypes::allCommands()
{
    QList<const CollageCommand*> commands;
    QSet<QString> names;
    for (const CollageType& row : all())
        for (const CollageCommand* command : commandsOf(row.type))
            if (!names.contains(command->name)) {
                names.insert(command->name);
                commands.append(command);
            }
    return commands;
}

QList<const SettingsBox*> CollageTypes::boxesOf(const QString& type)
{
    const CollageType* row = find(type);
    if (!row)
        return {};
    QList<const SettingsBox*> boxes{&row->layoutBox, &row->bordersBox};
    for (const SettingsBox& box : shared().boxes)
        boxes.append(&box);
    return boxes;
}

std::function<void(Collage&)> CollageTypes::followUp(const QString& type, const QString& key)
{
    for (const SettingsBox* box : boxesOf(type))
        for (const SettingsControl& control : box->controls)
            if (control.key == key && control.followUp)
                return control.followUp;
    return {};
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
