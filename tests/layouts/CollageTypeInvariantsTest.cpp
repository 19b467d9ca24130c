// Invariants every collage type keeps, run over each type the registry can
// make: a type that lands is checked here without a line of its own.
#include "layouts/CollageTypes.h"
#include "layouts/common/SlotCollage.h"

#include "model/CollageJsonKeys.h"
#include "model/FakeCollage.h"
#include "model/TextPosition.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/random/RandomSource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QSet>

#include <functional>
#include <string_view>

#include <gtest/gtest.h>

// Test names and failures show the type string.
static void PrintTo(const QString& s, std::ostream* os)
{
    *os << s.toStdString();
}

using namespace qf;
using namespace qf::test;

namespace {

constexpr int kW = 800;
constexpr int kH = 600;

std::vector<QString> makeableTypes()
{
    std::vector<QString> types;
    const CollageTypes registry;
    for (const CollageType& row : CollageTypes::all())
        if (registry.canMake(row.type))
            types.push_back(row.type);
    return types;
}

QColor at(const QImage& img, QPointF yUp)
{
    return img.pixelColor(int(yUp.x()), img.height() - 1 - int(yUp.y()));
}

class EveryCollageType : public ::testing::TestWithParam<QString> {
protected:
    void SetUp() override
    {
        collage = make();
        ASSERT_TRUE(collage);
        // Pictures of several shapes and colours, so layouts that fit aspects
        // have something to fit.
        const QList<QColor> colours{Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta, Qt::gray};
        for (int i = 0; i < colours.size(); ++i)
            host.store.insert(id(i), FakeHost::solidImage(300 + 60 * i, 500 - 40 * i, colours[i]));
    }

    static QString id(int i) { return QStringLiteral("P%1").arg(i); }
    std::shared_ptr<Collage> make()
    {
        std::shared_ptr<Collage> c = registry.make(GetParam());
        if (c) {
            c->setMyWindowController(&host);
            c->setWidth(kW);
            c->setHeight(kH);
        }
        return c;
    }
    void add(const QStringList& ids)
    {
        QHash<QString, QString> paths;
        QHash<QString, QDateTime> times;
        for (const QString& md5 : ids) {
            paths.insert(md5, QStringLiteral("/photos/%1.jpg").arg(md5));
            times.insert(md5, QDateTime::fromSecsSinceEpoch(1'600'000'000 + ids.indexOf(md5), Qt::UTC));
        }
        collage->addPictures(ids, host.store, paths, times);
    }
    QImage draw(Collage& c, bool actual, int w = kW, int h = kH)
    {
        QImage out = GraphicsContext::newBitmap(QSize(w, h));
        GraphicsContext ctx(out);
        c.drawYourselfOnCurrentContextInWidth(ctx, w, h, actual);
        return out;
    }
    // Every picture once in `images`, every picture shown in a slot, every
    // slot showing a picture of `images`, a selection that names a slot.
    void expectConsistent(const Collage& c, const char* step)
    {
        SCOPED_TRACE(step);
        const QStringList& images = c.images();
        EXPECT_EQ(QSet<QString>(images.cbegin(), images.cend()).size(), images.size());
        QSet<QString> shown;
        for (const PositionPtr& slot : c.picturePositions()) {
            ASSERT_TRUE(slot);
            if (slot->isEmpty())
                continue;
            EXPECT_TRUE(images.contains(slot->picture())) << slot->picture().toStdString();
            shown.insert(slot->picture());
        }
        for (const QString& md5 : images)
            EXPECT_TRUE(shown.contains(md5)) << md5.toStdString() << " has no slot";
        EXPECT_GE(c.selectedImagePosition(), -1);
        EXPECT_LT(c.selectedImagePosition(), c.picturePositions().size());
    }
    qint64 slotShowing(const QString& md5) const
    {
        const QList<PositionPtr>& all = collage->picturePositions();
        for (qsizetype i = 0; i < all.size(); ++i)
            if (all[i]->picture() == md5)
                return i;
        return -1;
    }

    CollageTypes registry;
    FakeHost host;
    std::shared_ptr<Collage> collage;
};

TEST_P(EveryCollageType, IsMadeWithItsOwnTypeString)
{
    EXPECT_EQ(collage->collageType(), GetParam());
    EXPECT_EQ(collage->dictionaryRepresentationActual(true).value(CollageJsonKeys::kCollageTypeKey).toString(),
              GetParam());
    expectConsistent(*collage, "new");
}

TEST_P(EveryCollageType, AddingAndRemovingKeepPicturesAndSlotsConsistent)
{
    ScriptedRandomSource random({7, 1, 12, 3, 9, 4, 0, 5});
    ScopedRandomSource scoped(random);
    const std::vector<std::pair<const char*, std::function<void()>>> steps{
        {"add three", [&] { add({id(0), id(1), id(2)}); }},
        {"add more, one again", [&] { add({id(3), id(1), id(4), id(5)}); }},
        {"add nothing", [&] { add({}); }},
        {"remove two and an index out of range", [&] { collage->removePictures({1, 3, 99}); }},
        {"remove the selected picture",
         [&] {
             collage->setSelectedImagePosition(slotShowing(collage->images().first()));
             collage->removeSelectedPicture();
         }},
        {"shuffle", [&] { collage->shuffle(); }},
        {"sort",
         [&] {
             if (const auto sort = CollageTypes::find(GetParam())->sortPictures)
                 sort(*collage, true, false, false);
         }},
        {"portrait", [&] { collage->setOrientation(OrientationPortrait); }},
        {"add after all that", [&] { add({id(6), id(0)}); }},
        {"remove everything",
         [&] {
             QList<qsizetype> all;
             for (qsizetype i = 0; i < collage->images().size(); ++i)
                 all.append(i);
             collage->removePictures(all);
         }},
    };
    for (const auto& [name, step] : steps) {
        step();
        expectConsistent(*collage, name);
    }
    EXPECT_TRUE(collage->images().isEmpty());
}

TEST_P(EveryCollageType, JsonReadsBackAsWritten)
{
    add({id(0), id(1), id(2), id(3)});
    collage->setSpacing(0.08);
    collage->setCornerRadiusSize(0.1);
    collage->setBorderColor(Color{0.2, 0.4, 0.6, 1.0});
    collage->setSelectedImagePosition(1);
    collage->setLockText(true);
    for (const bool actual : {true, false}) {
        SCOPED_TRACE(actual ? "saved" : "snapshot");
        const QJsonObject written = collage->dictionaryRepresentationActual(actual);
        const std::shared_ptr<Collage> read = registry.makeFromJson(written, &host);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->dictionaryRepresentationActual(actual), written);
        EXPECT_TRUE(read->picturesPutBackOnReading().isEmpty());
        expectConsistent(*read, "read back");
    }
}

TEST_P(EveryCollageType, TheCentreOfEachSlotHitsThatSlot)
{
    add({id(0), id(1), id(2), id(3), id(4)});
    auto* canvas = dynamic_cast<SlotCollage*>(collage.get());
    if (!canvas)
        GTEST_SKIP() << "pictures lie freely, in no fixed canvas";
    for (const QSizeF size : {QSizeF(kW, kH), QSizeF(240, 180)}) {
        for (qint64 i = 0; i < canvas->drawnSlotCount(); ++i) {
            const QRectF rect = canvas->slotRect(i, size.width(), size.height());
            EXPECT_EQ(canvas->ptLiesIn(rect.center(), size.width(), size.height()), i) << "slot " << i;
        }
        // Outside the canvas nothing is hit.
        EXPECT_EQ(canvas->ptLiesIn(QPointF(-5, -5), size.width(), size.height()), -1);
        EXPECT_EQ(canvas->ptLiesIn(QPointF(size.width() + 5, 1), size.width(), size.height()), -1);
    }
}

TEST_P(EveryCollageType, ADoubleClickNeverMovesPictures)
{
    add({id(0), id(1), id(2), id(3)});
    // From a picture to another place: slot to slot where there are slots.
    QPointF from(kW / 2.0, kH / 2.0);
    QPointF to(kW / 5.0, kH / 5.0);
    if (auto* canvas = dynamic_cast<SlotCollage*>(collage.get())) {
        from = canvas->slotRect(0, kW, kH).center();
        to = canvas->slotRect(1, kW, kH).center();
    }
    const QJsonObject before = collage->dictionaryRepresentationActual(true);
    for (const int clicks : {2, 3}) {
        const MouseEvent e{from, clicks, Qt::NoModifier};
        collage->mouseDownAt(from, kW, kH, e);
        collage->mouseDraggedAt((from + to) / 2, kW, kH, e);
        collage->mouseDraggedAt(to, kW, kH, e);
        collage->mouseUpAt(to, kW, kH, e);
        EXPECT_EQ(collage->dictionaryRepresentationActual(true), before) << clicks << " clicks";
    }
    EXPECT_TRUE(host.pickRequests.isEmpty());
}

TEST_P(EveryCollageType, AnExportDrawsNoEditingMarks)
{
    add({id(0), id(1), id(2)});
    collage->setDrawShadow(false);
    collage->setBackgroundColor(Color{0.0, 1.0, 0.0, 1.0});
    // What the saved collage exports, without any editing state.
    const auto plain = [&] {
        const std::shared_ptr<Collage> saved = registry.makeFromJson(collage->dictionaryRepresentationActual(true), &host);
        return draw(*saved, true);
    };

    // Selection, a held handle, a drag under way and a pressed pick button
    // are the editor's business, never the picture's.
    collage->setSelectedImagePosition(0);
    const MouseEvent press{QPointF(kW / 2.0, kH / 2.0), 1, Qt::NoModifier};
    collage->mouseDownAt(press.location, kW, kH, press);
    collage->mouseDraggedAt(QPointF(kW / 3.0, kH / 3.0), kW, kH, press);
    EXPECT_EQ(draw(*collage, true), plain());
    for (const qint64 handle : {HeldHandleCropTranslate, HeldHandlePileRotate, HeldHandlePileScale}) {
        collage->setHandleBeingHeld(handle);
        EXPECT_EQ(draw(*collage, true), plain()) << handle;
    }
    collage->mouseGestureLost();

    // An emptied slot shows the background: no dashes, no pick button.
    auto* canvas = dynamic_cast<SlotCollage*>(collage.get());
    const qint64 emptied = slotShowing(id(1));
    collage->removePictures({collage->images().indexOf(id(1))});
    if (canvas && emptied >= 0 && emptied < canvas->drawnSlotCount()
        && collage->picturePositions()[emptied]->isEmpty()) {
        const QImage exported = draw(*collage, true);
        const QRectF rect = canvas->slotRect(emptied, kW, kH);
        for (const QPointF p : {rect.center(), rect.topLeft() + QPointF(2, 2), rect.bottomRight() - QPointF(2, 2)})
            EXPECT_EQ(at(exported, p), QColor(Qt::green)) << p.x() << "," << p.y();
        // The screen shows it, with its pick button.
        const QImage screen = draw(*collage, false);
        const QRectF button = canvas->slotPickButtonRect(emptied, kW, kH);
        ASSERT_FALSE(button.isEmpty());
        EXPECT_NE(at(screen, button.center()), QColor(Qt::green));
        EXPECT_EQ(at(exported, button.center()), QColor(Qt::green));
    }
}

TEST_P(EveryCollageType, AScreenFrameAfterAChangeIsWhatAFreshCollageDraws)
{
    // Screen frames reuse what the last frames drew: after any change the
    // frame must still be what a collage that never drew before draws.
    QImage halves = host.store.value(id(2));
    QPainter(&halves).fillRect(0, 0, halves.width() / 2, halves.height(), Qt::black);
    host.store.insert(id(2), halves); // so that a crop shows
    add({id(0), id(1), id(2), id(3)});
    collage->setDrawShadow(true);
    collage->setCornerRadiusSize(0.1);
    QSize size(kW, kH);
    const std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"spacing", [&] { collage->setSpacing(0.12); }},
        {"corner radius", [&] { collage->setCornerRadiusSize(0.04); }},
        {"border width", [&] { collage->setStrokeWidth(0.25); }},
        {"shadow offset", [&] { collage->setShadowX(0.6); }},
        {"shadow blur", [&] { collage->setShadowBlur(1.5); }},
        {"border colour", [&] { collage->setBorderColor(Color{0.9, 0.1, 0.1, 1.0}); }},
        {"selection", [&] { collage->setSelectedImagePosition(1); }},
        {"crop",
         [&] {
             const PositionPtr& slot = collage->picturePositions()[qsizetype(slotShowing(id(2)))];
             slot->setPanZoomValue(PanZoomPos(0.3, 0.6, 0.4));
         }},
        {"picture removed", [&] { collage->removePictures({collage->images().indexOf(id(1))}); }},
        {"drawing image replaced",
         [&] {
             const QImage smaller = FakeHost::solidImage(97, 60, Qt::darkYellow);
             host.store.insert(id(0), smaller);
             collage->nsImages().insert(id(0), smaller);
         }},
        {"canvas size", [&] { size = QSize(640, 420); }},
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        const QImage before = draw(*collage, false, size.width(), size.height());
        draw(*collage, false, size.width(), size.height());
        change();
        const QImage after = draw(*collage, false, size.width(), size.height());
        const std::shared_ptr<Collage> fresh =
            registry.makeFromJson(collage->dictionaryRepresentationActual(false), &host);
        ASSERT_TRUE(fresh);
        EXPECT_EQ(after, draw(*fresh, false, size.width(), size.height()));
        // Piles have neither rounded corners nor a border width of their own.
        const bool slotSetting = name == std::string_view("corner radius") || name == std::string_view("border width");
        if (!slotSetting || dynamic_cast<SlotCollage*>(collage.get())) {
            EXPECT_NE(after, before);
        }
    }
}

// Values a damaged or hostile file may hold where any key's value should be.
const QList<QJsonValue>& hostileValues()
{
    static const QList<QJsonValue> values = [] {
        QJsonArray many;
        for (int i = 0; i < 5000; ++i)
            many.append(i % 7 == 0 ? QJsonValue(-1) : QJsonValue(1e9 * i));
        // 9.3e18 lies just beyond what a 64-bit integer holds.
        return QList<QJsonValue>{QJsonValue(), true, -1, 0, 2.5e9, -1e300, 1e300, 1e30, 9.3e18, -9.3e18,
                                 QStringLiteral("P0"),
                                 QJsonArray{}, QJsonObject{}, QJsonArray{QJsonValue(), QJsonObject{}},
                                 many};
    }();
    return values;
}

TEST_P(EveryCollageType, ReadingHostileValuesNeverBreaksTheCollage)
{
    add({id(0), id(1), id(2), id(3)});
    collage->textPositions().append(std::make_shared<TextPosition>());
    const QJsonObject written = collage->dictionaryRepresentationActual(false);

    // Every key of the collage, of its first slot and of its first text item
    // is given each hostile value in turn.
    struct Target {
        QString list;
        QString key;
    };
    QList<Target> targets;
    for (const QString& key : written.keys())
        targets.append({QString(), key});
    for (const QString& list : {CollageJsonKeys::kSlotsKey, CollageJsonKeys::kTextItemsKey}) {
        const QJsonArray items = written.value(list).toArray();
        ASSERT_FALSE(items.isEmpty()) << list.toStdString();
        for (const QString& key : items.first().toObject().keys())
            targets.append({list, key});
    }

    for (const Target& target : targets) {
        for (const QJsonValue& value : hostileValues()) {
            QJsonObject hostile = written;
            if (target.list.isEmpty()) {
                hostile.insert(target.key, value);
            } else {
                QJsonArray items = hostile.value(target.list).toArray();
                QJsonObject first = items.first().toObject();
                first.insert(target.key, value);
                items.replace(0, first);
                hostile.insert(target.list, items);
            }
            const QByteArray shown = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).left(40);
            SCOPED_TRACE((target.list + QLatin1Char('.') + target.key + QLatin1Char('=')).toStdString()
                         + shown.toStdString());
            std::shared_ptr<Collage> read = make();
            read->setMyPropertiesFrom(hostile);
            expectConsistent(*read, "read");
            // Small drawings: the arithmetic matters, not the pixels.
            draw(*read, false, 96, 72);
            draw(*read, true, 96, 72);
            const MouseEvent e{QPointF(30, 30), 1, Qt::NoModifier};
            read->mouseDownAt(e.location, 96, 72, e);
            read->mouseDraggedAt(QPointF(50, 40), 96, 72, e);
            read->mouseUpAt(QPointF(60, 20), 96, 72, e);
            if (HasFatalFailure() || HasFailure())
                return;
        }
    }
}

// Ways a hostile file hides pictures, by type: the key and value given to
// the first slot showing a picture, or to every slot.
struct Hiding {
    const char* name;
    QString key;
    QJsonValue value;
    bool everySlot = false;
};

QList<Hiding> hidingsOf(const QString& type)
{
    const auto point = [](double x, double y) { return QJsonObject{{"pox", x}, {"poy", y}}; };
    const auto rect = [](double x, double y, double w, double h) {
        return QJsonObject{{"rox", x}, {"roy", y}, {"rwi", w}, {"rhe", h}};
    };
    if (type == QLatin1String("pile") || type == QLatin1String("circlepile"))
        return {{"centre far off", "pipc", point(1e308, -1e308)},
                {"centre off the canvas", "pipc", point(2.5, 0.5)},
                {"scale a string", "pips", QStringLiteral("big")},
                {"scale null", "pips", QJsonValue()},
                {"no scale", "pips", 0},
                {"an absurd scale", "pips", 1e300},
                {"a speck", "pips", 1e-9}};
    if (type == QLatin1String("mosaic") || type == QLatin1String("centerframe"))
        return {{"all on one spot", "mopr", rect(0.25, 0.25, 0.5, 0.5), true},
                {"no width", "mopr", rect(0.25, 0.25, 0, 0.5)},
                {"off the canvas", "mopr", rect(5, 5, 1, 1)},
                {"not numbers", "mopr", QJsonObject{{"rox", "a"}, {"roy", "b"}, {"rwi", "c"}, {"rhe", "d"}}}};
    if (type == QLatin1String("zigmosaic"))
        return {{"in a line", "pvs", QJsonArray{point(0, 0), point(0.5, 0.5), point(1, 1)}},
                {"off the canvas", "pvs", QJsonArray{point(2, 2), point(3, 2), point(3, 3)}},
                {"all on one spot", "pvs", QJsonArray{point(0, 0), point(1, 0), point(0, 1)}, true}};
    if (type == QLatin1String("hexagon"))
        return {{"off the grid", "hxrin", 1000}, {"before the grid", "hxcin", -1}};
    return {};
}

TEST_P(EveryCollageType, PicturesAFileHidesShowAgainAndAreNamed)
{
    const QList<Hiding> hidings = hidingsOf(GetParam());
    if (hidings.isEmpty())
        GTEST_SKIP() << "no slot of this type can hide its picture";
    ScriptedRandomSource random({7, 1, 12, 3, 9, 4, 0, 5});
    ScopedRandomSource scoped(random);
    const QStringList pictures{id(0), id(1), id(2), id(3)};
    add(pictures);
    collage->setDrawShadow(false);
    const QJsonObject written = collage->dictionaryRepresentationActual(true);
    const QJsonArray cells = written.value(CollageJsonKeys::kSlotsKey).toArray();
    qsizetype firstShowing = 0;
    while (firstShowing < cells.size() && !cells[firstShowing].toObject().contains("pppath"))
        ++firstShowing;
    ASSERT_LT(firstShowing, cells.size());

    for (const Hiding& hiding : hidings) {
        SCOPED_TRACE(hiding.name);
        // The cells changed, and the pictures of those that cannot be seen:
        // all but the last when every slot sits on the same spot.
        QJsonArray hostileCells = cells;
        QStringList hidden;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (hiding.everySlot ? false : i != firstShowing)
                continue;
            QJsonObject slot = cells[i].toObject();
            slot.insert(hiding.key, hiding.value);
            hostileCells.replace(i, slot);
            if (slot.contains("pppath") && (!hiding.everySlot || i + 1 < cells.size()))
                hidden.append(slot.value("pppath").toString());
        }
        QJsonObject hostile = written;
        hostile.insert(CollageJsonKeys::kSlotsKey, hostileCells);

        std::shared_ptr<Collage> read = make();
        read->setMyPropertiesFrom(hostile);
        expectConsistent(*read, "read");
        QStringList putBack = read->picturesPutBackOnReading();
        putBack.sort();
        hidden.sort();
        EXPECT_EQ(putBack, hidden);

        // Every picture shows: its colour fills part of the drawing.
        const QImage drawn = draw(*read, true);
        for (qsizetype p = 0; p < pictures.size(); ++p) {
            const QRgb colour = host.store.value(pictures[p]).pixel(0, 0);
            qsizetype pixels = 0;
            for (int y = 0; y < drawn.height(); y += 2)
                for (int x = 0; x < drawn.width(); x += 2)
                    pixels += drawn.pixel(x, y) == colour ? 1 : 0;
            EXPECT_GE(pixels, 50) << pictures[p].toStdString() << " is not seen";
        }
    }
}

TEST_P(EveryCollageType, ItsRowsNameKeysAndCommandsItHas)
{
    // A misspelt key or command name would leave a control silently dead.
    const auto hasKey = [this](const QString& key) {
        try {
            (void)collage->valueForKey(key);
            return true;
        } catch (const UndefinedKeyError&) {
            return false;
        }
    };
    ASSERT_FALSE(hasKey(QStringLiteral("noSuchKey")));
    QSet<QString> names;
    for (const CollageCommand* command : CollageTypes::commandsOf(GetParam())) {
        SCOPED_TRACE(command->name.toStdString());
        EXPECT_FALSE(names.contains(command->name)) << "declared twice";
        names.insert(command->name);
        EXPECT_TRUE(command->call);
        EXPECT_FALSE(command->title.isEmpty());
        EXPECT_EQ(command->input == CommandInput::Choice, !command->choices.isEmpty());
        for (const QString& key : command->enabledKeys)
            EXPECT_TRUE(hasKey(key)) << key.toStdString();
    }
    for (const SettingsBox* box : CollageTypes::boxesOf(GetParam())) {
        EXPECT_FALSE(box->name.isEmpty());
        for (const SettingsControl& control : box->controls) {
            SCOPED_TRACE(control.name.toStdString());
            for (const QString& key : {control.key, control.enabledKey}) {
                if (!key.isEmpty()) {
                    EXPECT_TRUE(hasKey(key)) << key.toStdString();
                }
            }
            if (!control.command.isEmpty()) {
                EXPECT_TRUE(names.contains(control.command)) << control.command.toStdString();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Registered, EveryCollageType, ::testing::ValuesIn(makeableTypes()),
                         [](const ::testing::TestParamInfo<QString>& info) { return info.param.toStdString(); });

} // namespace

TEST(CollageTypeRegistry, NewDocumentsStartAsPilesWhileThatTypeCanBeMade)
{
    CollageTypes registry;
    EXPECT_EQ(registry.newDocumentType(), QStringLiteral("pile"));
    // Without the pile, the first type in popup order that can be made.
    registry.setMaker(QStringLiteral("pile"), nullptr);
    EXPECT_EQ(registry.newDocumentType(), QStringLiteral("circlepile"));
    registry.setMaker(QStringLiteral("circlepile"), nullptr);
    EXPECT_EQ(registry.newDocumentType(), QStringLiteral("grid"));
}
