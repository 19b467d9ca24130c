#include "FakeCollage.h"

#include "model/TextPosition.h"
#include "platform/json/JsonDocument.h"
#include "platform/services/WebSites.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QRegularExpression>
#include <QTimeZone>

using namespace qf;
using namespace qf::test;

namespace {

QJsonObject parse(const char* text)
{
    const auto result = json::parseObject(QByteArray(text));
    EXPECT_TRUE(result.ok()) << result.errorMessage().toStdString();
    return result.object();
}

QSet<QString> keysOf(const QJsonObject& o)
{
    const QStringList keys = o.keys();
    return QSet<QString>(keys.cbegin(), keys.cend());
}

} // namespace

TEST(CollageJsonTest, EmptyCollageWritesExactlyTheBaseKeys)
{
    FakeCollage collage;
    const QJsonObject saved = collage.dictionaryRepresentationActual(true);
    const QSet<QString> savedKeys{"os_version_key", "version", "description", "cs", "is", "h", "w", "resk",
                                  "ibi", "ibip", "bipnor", "ibt", "bc", "pibc", "sp", "strokew", "cr", "ids",
                                  "sx", "sy", "sbl", "iscale", "tp", "pp", "mdpd", "mdpt"};
    EXPECT_EQ(keysOf(saved), savedKeys);
    EXPECT_TRUE(saved["tp"].toArray().isEmpty() && saved["pp"].toArray().isEmpty());
    EXPECT_TRUE(saved["mdpd"].toObject().isEmpty() && saved["mdpt"].toObject().isEmpty());
    EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+\\.\\d+$").match(saved["os_version_key"].toString()).hasMatch());
    EXPECT_EQ(saved["description"].toString(),
              "Collage created using Quiltfolio for Linux application from " + productWebSiteAddress());

    const QJsonObject snapshot = collage.dictionaryRepresentationActual(false);
    const QSet<QString> snapshotOnly{"selectedtextpos", "selectedimagepos", "lockpick", "locktxtk"};
    EXPECT_EQ(keysOf(snapshot), savedKeys + snapshotOnly);
    EXPECT_EQ(snapshot["selectedtextpos"].toInteger(), -1);
    EXPECT_EQ(snapshot["selectedimagepos"].toInteger(), -1);

    EXPECT_FALSE(collage.jsonStringRepresentation().contains(QLatin1Char('\n')));
    EXPECT_EQ(json::parseObject(collage.jsonStringNSData()).object(), saved);
}

TEST(CollageJsonTest, ReaderDefaultsAndClamps)
{
    FakeCollage collage;
    collage.setImages({"A"});
    collage.setSlots({"A"});
    collage.textPositions().append(std::make_shared<TextPosition>());
    collage.setResolution(72);
    collage.setStrokeWidth(0.2);
    collage.setCornerRadiusSize(0.1);
    collage.setImageScaling(0);
    collage.setMyPropertiesFrom(parse(R"({"cs": "grid"})"));
    EXPECT_EQ(collage.collageType(), "fake");
    EXPECT_EQ(collage.width(), 7200);
    EXPECT_EQ(collage.backgroundColor(), Color::white());
    EXPECT_EQ(collage.resolution(), 300);
    EXPECT_EQ(collage.strokeWidth(), 0.0);
    EXPECT_EQ(collage.cornerRadiusSize(), 0.0);
    EXPECT_EQ(collage.imageScaling(), 1);
    EXPECT_DOUBLE_EQ(collage.spacing(), 0.05);
    EXPECT_TRUE(collage.images().isEmpty() && collage.picturePositions().isEmpty());
    EXPECT_TRUE(collage.textPositions().isEmpty());

    collage.setMyPropertiesFrom(parse(R"({"sp": 0.5, "strokew": 0.31, "cr": -1})"));
    EXPECT_EQ(collage.spacing(), 0.3);
    EXPECT_EQ(collage.strokeWidth(), 0.3);
    EXPECT_EQ(collage.cornerRadiusSize(), 0.0);
    collage.setMyPropertiesFrom(parse(R"({"sp": -2, "cr": 9})"));
    EXPECT_EQ(collage.spacing(), 0.0);
    EXPECT_EQ(collage.cornerRadiusSize(), 0.2);
}

TEST(CollageJsonTest, SelectionsOutOfRangeAreIgnored)
{
    FakeCollage collage;
    collage.setMyPropertiesFrom(parse(R"({"pp": [{}, {}], "selectedimagepos": 3, "selectedtextpos": 0})"));
    EXPECT_EQ(collage.selectedImagePosition(), -1);
    EXPECT_EQ(collage.selectedTextPosition(), -1);
    collage.setMyPropertiesFrom(parse(R"({"pp": [{}, {}], "selectedimagepos": 1})"));
    EXPECT_EQ(collage.selectedImagePosition(), 1);
    collage.setMyPropertiesFrom(parse(R"({"pp": [{}]})"));
    EXPECT_EQ(collage.selectedImagePosition(), -1);

    // Snapshots select text by its place among the items written.
    collage.setMyPropertiesFrom(parse(R"({"tp": [{"tcon": ""}, {"tcon": "A"}, {"tcon": "B"}], "selectedtextpos": 2})"));
    QJsonObject snapshot = collage.dictionaryRepresentationActual(false);
    EXPECT_EQ(snapshot["tp"].toArray().size(), 2);
    FakeCollage undone;
    undone.setMyPropertiesFrom(snapshot);
    ASSERT_EQ(undone.textPositions().size(), 2);
    EXPECT_EQ(undone.selectedText()->content(), "B");

    collage.setSelectedTextPosition(0); // the empty item, which is not written
    snapshot = collage.dictionaryRepresentationActual(false);
    EXPECT_EQ(snapshot["selectedtextpos"].toInteger(), -1);
}

TEST(CollageJsonTest, FileDetailsOnlyForPicturesInUseAndDatesInSeconds)
{
    FakeCollage collage;
    const QDateTime secondDay(QDate(1970, 1, 2), QTime(0, 0), QTimeZone::utc());
    collage.setImages({"A"});
    collage.md5ToModifiedTimeDictionary().insert({{"A", secondDay}, {"gone", secondDay}});
    collage.md5ToPathsDictionary().insert({{"A", "/a.jpg"}, {"gone", "/gone.jpg"}});
    const QJsonObject saved = collage.dictionaryRepresentationActual(true);
    EXPECT_EQ(saved["mdpt"].toObject(), QJsonObject({{"A", 86400.0}}));
    EXPECT_EQ(saved["mdpd"].toObject(), QJsonObject({{"A", "/a.jpg"}}));

    FakeCollage read;
    read.setMyPropertiesFrom(saved);
    EXPECT_EQ(read.md5ToModifiedTimeDictionary().value("A"), secondDay);
    read.setMyPropertiesFrom(parse(R"({"mdpt": {"A": 1.2506, "B": 1e300, "C": "86400", "D": -86400}})"));
    EXPECT_EQ(read.md5ToModifiedTimeDictionary().value("A").toMSecsSinceEpoch(), 1251);
    EXPECT_EQ(read.md5ToModifiedTimeDictionary().value("D").toMSecsSinceEpoch(), -86400000);
    EXPECT_EQ(read.md5ToModifiedTimeDictionary().size(), 2);
}

TEST(CollageJsonTest, WriteReadWriteChangesNothing)
{
    FakeCollage collage;
    collage.setMyPropertiesFrom(parse(R"({
        "is": ["A", "B"], "h": 3000, "w": 2000, "resk": 150, "ibi": true, "ibip": true, "bipnor": 4,
        "ibt": false, "bip": "A", "bc": {"r": 0.1, "g": 0.2, "b": 0.3, "a": 0.4},
        "pibc": {"r": 1, "g": 0, "b": 0.5, "a": 1}, "sp": 0.12, "strokew": 0.07, "cr": 0.15, "ids": false,
        "sx": 0.3, "sy": 0.4, "sbl": 0.9, "iscale": 0, "selectedimagepos": 1, "selectedtextpos": 0,
        "lockpick": true, "locktxtk": true, "mdpd": {"A": "/a.jpg"}, "mdpt": {"B": 1234567.25},
        "tp": [{"tcon": "Hello", "tcen": {"pox": 0.4, "poy": 0.6}, "twidth": 0.3}],
        "pp": [{"pppath": "A", "panz": {"panzcx": 0.4, "panzcy": 0.5, "panzl": 0.8}}, {"ppptofill": true}]})"));
    const QJsonObject first = collage.dictionaryRepresentationActual(false);
    FakeCollage again;
    again.setMyPropertiesFrom(first);
    EXPECT_EQ(again.dictionaryRepresentationActual(false), first);
    EXPECT_EQ(again.width(), 2000);
    EXPECT_EQ(again.backgroundImagePath(), "A");
}

TEST(CollageJsonTest, BadValuesCountAsAbsent)
{
    FakeCollage collage;
    collage.setMyPropertiesFrom(parse(R"({
        "is": [1, "A", null, "", {}], "h": "x", "w": 1e300, "resk": null, "bipnor": 1e30, "bc": 3,
        "sp": "0.5", "ids": "no", "iscale": 2.7, "tp": [1, "x", {}], "pp": [null, {"pppath": 5}],
        "selectedimagepos": 1e300, "lockpick": "yes", "mdpd": {"A": 5, "B": "/b.jpg"}, "mdpt": [1, 2]})"));
    EXPECT_EQ(collage.images(), QStringList{"A"});
    EXPECT_EQ(collage.width(), 7200);
    EXPECT_EQ(collage.height(), 5400);
    EXPECT_EQ(collage.resolution(), 300);
    EXPECT_EQ(collage.backgroundImagePatternNumberOfRows(), -1);
    EXPECT_EQ(collage.backgroundColor(), Color::white());
    EXPECT_DOUBLE_EQ(collage.spacing(), 0.05);
    EXPECT_TRUE(collage.drawShadow());
    EXPECT_EQ(collage.imageScaling(), 2);
    EXPECT_EQ(collage.textPositions().size(), 1);
    ASSERT_EQ(collage.picturePositions().size(), 1);
    EXPECT_TRUE(collage.picturePositions()[0]->isEmpty());
    EXPECT_EQ(collage.selectedImagePosition(), -1);
    EXPECT_FALSE(collage.lockPictures());
    EXPECT_EQ(collage.md5ToPathsDictionary(), (QHash<QString, QString>{{"B", "/b.jpg"}}));
    EXPECT_TRUE(collage.md5ToModifiedTimeDictionary().isEmpty());
}

TEST(CollageJsonTest, ParserRefusesDeepNestingAndNonObjects)
{
    const auto refused = json::parseObject("{\"a\":" + QByteArray(600, '[') + QByteArray(600, ']') + "}");
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.errorMessage().contains("512"));
    EXPECT_TRUE(json::parseObject("{\"a\":" + QByteArray(511, '[') + QByteArray(511, ']') + "}").ok());
    // Brackets inside strings, escaped quotes included, do not nest.
    EXPECT_TRUE(json::parseObject(R"({"a": "\"[[[{{{", "b": [[1]]})", 3).ok());
    EXPECT_FALSE(json::parseObject(R"({"b": [[1]]})", 2).ok());

    for (const char* bad : {"[1]", "\"text\"", "", "{\"a\": 1e999}", "{\"a\": }"}) {
        const auto result = json::parseObject(bad);
        EXPECT_FALSE(result.ok() || result.errorMessage().isEmpty()) << bad;
    }
}

TEST(CollageJsonTest, TextItemsPastTheLimitAreLeftOut)
{
    const qsizetype limit = TextPosition::maxItemsInFile();
    QJsonArray items;
    items.append(3); // not an item: does not count
    for (qsizetype i = 0; i < limit + 500; ++i)
        items.append(QJsonObject{{"tcon", QString::number(i)}});
    FakeHost host;
    FakeCollage collage;
    collage.setMyWindowController(&host);
    collage.startObservingProperties();
    collage.setMyPropertiesFrom(QJsonObject{{"tp", items}, {"selectedtextpos", double(limit + 10)}});

    ASSERT_EQ(collage.textPositions().size(), limit);
    EXPECT_EQ(collage.textPositions().front()->content(), "0");
    EXPECT_EQ(collage.textPositions().back()->content(), QString::number(limit - 1));
    EXPECT_EQ(collage.selectedTextPosition(), -1);
    EXPECT_TRUE(collage.textPositions().back()->beingObserved());
}
