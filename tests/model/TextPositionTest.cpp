#include "model/TextPosition.h"

#include "model/UtilityFunctions.h"
#include "platform/graphics/FontCatalogue.h"
#include "platform/random/RandomSource.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

using namespace qf;

namespace {

class Recorder : public KVObserver {
public:
    void observeValueForKeyPath(const QString& key, KVObject*, const KVChange& change, const KVContext*) override
    {
        if (!change.isPrior)
            keys.append(key);
    }
    QStringList keys;
};

// An archive as our writer makes it.
QString archive(const QJsonObject& font)
{
    return UtilityFunctions::nsdataToHex(QJsonDocument(font).toJson(QJsonDocument::Compact));
}

std::shared_ptr<TextPosition> read(const QJsonObject& dict, qint64 canvasWidth = 7200)
{
    auto item = std::make_shared<TextPosition>();
    item->setMyPropertiesFrom(dict, canvasWidth, 5400);
    return item;
}

} // namespace

TEST(TextPosition, DefaultsAndRandomCentre)
{
    // x: value 32/64 then sign 7 (negative); y: value 16/64 then sign 0 (positive).
    ScriptedRandomSource random({32, 7, 16, 0});
    ScopedRandomSource scope(random);
    TextPosition item;
    EXPECT_EQ(random.callCount(), 4u);
    EXPECT_DOUBLE_EQ(item.center().x(), 0.45);
    EXPECT_DOUBLE_EQ(item.center().y(), 0.525);

    EXPECT_EQ(item.content(), "<=Type your text in the box on the left");
    EXPECT_EQ(item.font().family(), "DejaVu Sans");
    EXPECT_EQ(item.font().styleName(), "Book");
    EXPECT_DOUBLE_EQ(item.fontSize(), 64.0);
    EXPECT_EQ(item.font().hintingPreference(), QFont::PreferNoHinting);
    EXPECT_EQ(item.strokeColor(), (Color{2.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0, 1.0}));
    EXPECT_EQ(item.textBackgroundColor(), Color::white());
    EXPECT_EQ(item.attributes(), TextAttributes());
    EXPECT_TRUE(item.hasTextWidth());
    EXPECT_EQ(item.keysForValuesToObserveForUndo().size(), 12);
}

TEST(TextPosition, FontCatalogueKnowsPostScriptNames)
{
    EXPECT_TRUE(FontCatalogue::isPostScriptNameInstalled("DejaVuSans-Bold"));
    EXPECT_FALSE(FontCatalogue::isPostScriptNameInstalled("NoSuchFont-Regular"));
    EXPECT_FALSE(FontCatalogue::isPostScriptNameInstalled(""));
    EXPECT_FALSE(FontCatalogue::families().contains("Sans Serif")); // an alias, not a family

    // The condensed faces also form a subfamily of their own, as in Qt.
    const QList<FontMember> condensed = FontCatalogue::membersOfFamily("DejaVu Sans Condensed");
    const auto oblique = std::find_if(condensed.cbegin(), condensed.cend(),
                                      [](const FontMember& m) { return m.styleName == "Oblique"; });
    ASSERT_NE(oblique, condensed.cend());
    EXPECT_EQ(oblique->postScriptName, "DejaVuSansCondensed-Oblique");

    // Every face of every family is listed once.
    for (const QString& family : FontCatalogue::families()) {
        QStringList styles;
        for (const FontMember& m : FontCatalogue::membersOfFamily(family))
            styles.append(m.styleName);
        EXPECT_EQ(styles.removeDuplicates(), 0) << family.toStdString();
    }

    // A family change keeps the face's weight and slant.
    const QFont boldOblique = FontCatalogue::font("DejaVu Sans", "Bold Oblique", 20);
    EXPECT_EQ(FontCatalogue::postScriptName(boldOblique), "DejaVuSans-BoldOblique");
    const QFont serif = FontCatalogue::convertFontToFamily(boldOblique, "DejaVu Serif");
    EXPECT_EQ(FontCatalogue::postScriptName(serif), "DejaVuSerif-BoldItalic");
    EXPECT_DOUBLE_EQ(serif.pointSizeF(), 20.0);
    EXPECT_EQ(FontCatalogue::postScriptName(QFont("DejaVu Sans")), "DejaVuSans");
    EXPECT_EQ(FontCatalogue::postScriptName(QFont("No Such Family")), "");
}

TEST(TextPosition, JsonRoundTripAndCopy)
{
    TextPosition item;
    item.setContent("Hello\nWorld");
    item.setCenter({0.25, 0.75});
    item.setTextWidth(0.3);
    item.setRotation(-1.25);
    item.setOpacity(0.5);
    item.setColor({0.1, 0.2, 0.3, 0.4});
    item.setFont(FontCatalogue::font("DejaVu Serif", "Bold Italic", 30.5));
    item.setAlignment(2);
    item.setXShadowOffsetScale(1.5);
    item.setYShadowOffsetScale(-2.5);
    item.setShadowRadiusBlurScale(0.75);
    item.setDrawShadows(false);
    item.setAttributes({1, Color{1, 0, 0, 1}, 9, Color{0, 0, 1, 0.5}});
    item.setTextBackgroundColor({0.9, 0.8, 0.7, 1.0});
    item.setTextBackgroundOpacity(0.6);
    item.setStrokeColor({0.0, 0.5, 0.0, 1.0});
    item.setStrokeWidth(7.0);
    item.setStrokeFill(2);

    const QJsonObject written = item.getJsonDictionary();
    EXPECT_EQ(written.value("tfn").toString(), "DejaVuSerif-BoldItalic");
    EXPECT_EQ(written.value("tff").toString(), "DejaVu Serif");
    EXPECT_EQ(written.value("tal").toString(), "center");
    const QByteArray archived = UtilityFunctions::hexToNsdata(written.value("tfact").toString());
    const QJsonObject font = QJsonDocument::fromJson(archived).object();
    EXPECT_EQ(font, (QJsonObject{{"family", "DejaVu Serif"}, {"style", "Bold Italic"}, {"size", 30.5},
                                 {"psname", "DejaVuSerif-BoldItalic"}}));

    const auto back = read(written);
    EXPECT_EQ(back->getJsonDictionary(), written);
    EXPECT_EQ(back->font().styleName(), "Bold Italic");
    EXPECT_EQ(back->attributes(), item.attributes());

    // The copy takes the style, not the text, place, width, rotation or underline.
    const auto copy = item.createNewTextPositionByCopyingMyProperties();
    EXPECT_EQ(copy->content(), "<=Type your text in the box on the left");
    EXPECT_DOUBLE_EQ(copy->textWidth(), 0.5);
    EXPECT_DOUBLE_EQ(copy->rotation(), 0.0);
    EXPECT_EQ(copy->attributes(), TextAttributes());
    EXPECT_EQ(copy->font(), item.font());
    EXPECT_EQ(copy->color(), item.color());
    EXPECT_EQ(copy->strokeFill(), 2);
    EXPECT_DOUBLE_EQ(copy->strokeWidth(), 7.0);
    EXPECT_FALSE(copy->drawShadows());
    EXPECT_EQ(copy->alignment(), 2);
}

TEST(TextPosition, ReadingDefaultsClampsAndFonts)
{
    ScriptedRandomSource random({0});
    ScopedRandomSource scope(random);
    const auto plain = read({{"tcon", "Hi"}});
    EXPECT_EQ(plain->content(), "Hi");
    EXPECT_DOUBLE_EQ(plain->center().x(), 0.5);
    EXPECT_FALSE(plain->hasTextWidth());
    EXPECT_DOUBLE_EQ(plain->fontSize(), 64.0);
    EXPECT_DOUBLE_EQ(plain->opacity(), 1.0);
    EXPECT_DOUBLE_EQ(plain->textBackgroundOpacity(), 0.0);
    EXPECT_EQ(plain->strokeFill(), 0);
    EXPECT_EQ(read({})->content(), "");

    // A face that is not installed: the default font at the stored size, never scaled.
    const QString unknownFont = archive({{"family", "Gone Sans"}, {"size", 12}});
    EXPECT_DOUBLE_EQ(read({{"tfact", unknownFont}, {"tfn", "GoneSans"}, {"tfsa", 30}})->fontSize(), 30.0);
    EXPECT_EQ(read({{"tfact", unknownFont}, {"tfn", "GoneSans"}, {"tfsa", 30}})->font().family(), "DejaVu Sans");
    // An installed face with an archive we cannot decode: that face at the stored size.
    const auto fallback = read({{"tfact", "0A0B"}, {"tfn", "DejaVuSerif-Bold"}, {"tfsa", 30}});
    EXPECT_EQ(FontCatalogue::postScriptName(fallback->font()), "DejaVuSerif-Bold");
    EXPECT_DOUBLE_EQ(fallback->fontSize(), 30.0);
    // The archive's size, not "tfsa", when it decodes.
    const QString mono = archive({{"family", "DejaVu Sans Mono"}, {"style", "Bold"}, {"size", 40}});
    const auto decoded = read({{"tfact", mono}, {"tfn", "DejaVuSansMono-Bold"}, {"tfsa", 30}});
    EXPECT_EQ(FontCatalogue::postScriptName(decoded->font()), "DejaVuSansMono-Bold");
    EXPECT_DOUBLE_EQ(decoded->fontSize(), 40.0);
    EXPECT_EQ(decoded->font().hintingPreference(), QFont::PreferNoHinting);

    // Legacy sizes count for a 2400-pixel canvas.
    const QJsonObject legacy{{"tf", "0102"}, {"tfn", "GoneSans"}, {"tfs", 48}};
    EXPECT_DOUBLE_EQ(read(legacy, 7200)->fontSize(), 144.0);
    EXPECT_DOUBLE_EQ(read(legacy, 2400)->fontSize(), 48.0);
    EXPECT_DOUBLE_EQ(read({{"tf", "0102"}}, 7200)->fontSize(), 192.0); // absent size: the default
    EXPECT_DOUBLE_EQ(read({{"tfsa", 10}, {"tfs", 10}})->fontSize(), 64.0);
    EXPECT_DOUBLE_EQ(read({{"tfact", "01"}, {"tfsa", 1e300}})->fontSize(), TextPosition::maxFontSize());
    EXPECT_DOUBLE_EQ(read({{"tfact", "01"}, {"tfsa", -3}})->fontSize(), TextPosition::minFontSize());

    EXPECT_DOUBLE_EQ(read({{"to", 0.1}})->opacity(), 0.25);
    EXPECT_DOUBLE_EQ(read({{"tbaop", 3}})->textBackgroundOpacity(), 1.0);
    EXPECT_DOUBLE_EQ(read({{"tstwid", 40}})->strokeWidth(), 15.0);
    EXPECT_DOUBLE_EQ(read({{"tstwid", 0.2}})->strokeWidth(), 0.75);
    EXPECT_EQ(read({{"tal", "right"}})->alignment(), 1);
    EXPECT_EQ(read({{"tal", "middle"}})->alignment(), 0);
    EXPECT_EQ(read({{"tstfill", 7}})->strokeFill(), 7);

    TextPosition four;
    four.setAlignment(4);
    EXPECT_EQ(four.getJsonDictionary().value("tal").toString(), "left");
}

TEST(TextPosition, ReadingUnderlinesAndBadValues)
{
    TextPosition item;
    item.setAttributes({1, Color::black(), 2, Color::black()});
    item.setMyPropertiesFrom({{"tu", 9}}, 7200, 5400);
    EXPECT_EQ(item.attributes(), (TextAttributes{9, std::nullopt, std::nullopt, std::nullopt}));
    item.setMyPropertiesFrom({}, 7200, 5400);
    EXPECT_EQ(item.attributes(), TextAttributes());

    // Wrong types, nulls and out-of-range numbers count as absent.
    const std::vector<QJsonValue> bad{QJsonValue(), QJsonValue(true), QJsonValue(1e300), QJsonValue(-1e300),
                                      QJsonValue("x"), QJsonArray{1, 2}, QJsonObject{{"a", 1}}};
    const QStringList keys{"tcon", "tcen", "twidth", "tr", "tfact", "tfsa", "tfn", "tf", "tfs", "to",
                           "tco", "tal", "tids", "tsx", "tsy", "tsb", "tu", "tuc", "tstr", "tstrc",
                           "tbaop", "tbaco", "tstwid", "tstcolor", "tstfill"};
    for (const QJsonValue& value : bad) {
        QJsonObject dict;
        for (const QString& key : keys)
            dict.insert(key, value);
        const auto odd = read(dict);
        EXPECT_TRUE(std::isfinite(odd->rotation()));
        EXPECT_TRUE(odd->fontSize() >= TextPosition::minFontSize() && odd->fontSize() <= TextPosition::maxFontSize());
        EXPECT_TRUE(odd->textWidth() >= 0.0 && odd->textWidth() <= 100.0);
        EXPECT_TRUE(odd->strokeWidth() >= 0.75 && odd->strokeWidth() <= 15.0);
    }
    EXPECT_EQ(read({{"tstfill", 1e300}})->strokeFill(), 0);
    EXPECT_FALSE(read({{"twidth", "0.3"}})->hasTextWidth());
    EXPECT_EQ(read({{"tu", "1"}})->attributes().underlineStyle, std::nullopt);
}

TEST(TextPosition, PanelKeysAndTheirNotifications)
{
    TextPosition item;
    Recorder rec;
    item.addObserver(&rec, "fontSize", KVOptionNew, nullptr);
    item.addObserver(&rec, "selectedFontFamilyIndex", KVOptionNew, nullptr);
    item.addObserver(&rec, "enableStrokeWidth", KVOptionNew, nullptr);
    item.addObserver(&rec, "rotationInDegree", KVOptionNew, nullptr);

    item.setValue(24, "fontSize");
    EXPECT_DOUBLE_EQ(item.fontSize(), 24.0);
    EXPECT_EQ(item.font().family(), "DejaVu Sans");
    item.setValue(-5, "fontSize"); // ignored
    EXPECT_DOUBLE_EQ(item.fontSize(), 24.0);
    rec.keys.sort(); // dependents are announced in no set order
    EXPECT_EQ(rec.keys, (QStringList{"fontSize", "selectedFontFamilyIndex"}));

    rec.keys.clear();
    item.setStrokeFill(1);
    item.setRotation(1.0);
    EXPECT_EQ(rec.keys, (QStringList{"enableStrokeWidth", "rotationInDegree"}));

    const qint64 serif = FontCatalogue::families().indexOf("DejaVu Serif");
    ASSERT_GE(serif, 0);
    item.setFont(FontCatalogue::font("DejaVu Sans", "Bold", 24));
    item.setValue(serif, "selectedFontFamilyIndex");
    EXPECT_EQ(item.valueForKey("selectedFontFamilyIndex").toLongLong(), serif);
    EXPECT_EQ(FontCatalogue::postScriptName(item.font()), "DejaVuSerif-Bold");
    item.setValue(FontCatalogue::families().size(), "selectedFontFamilyIndex"); // ignored
    EXPECT_EQ(item.font().family(), "DejaVu Serif");

    const QStringList faces = item.valueForKey("availableFontTypefaces").toStringList();
    const qint64 italic = faces.indexOf("Italic");
    ASSERT_GE(italic, 0);
    item.setValue(italic, "selectedFontTypefaceIndex");
    EXPECT_EQ(item.selectedFontTypefaceIndex(), italic);
    EXPECT_EQ(FontCatalogue::postScriptName(item.font()), "DejaVuSerif-Italic");
    EXPECT_DOUBLE_EQ(item.fontSize(), 24.0);

    // Read-only keys ignore writes; unknown keys still raise.
    item.setValue(false, "enableStrokeColor");
    item.setValue(9, "maxStrokeWidth");
    EXPECT_TRUE(item.valueForKey("enableStrokeColor").toBool());
    EXPECT_DOUBLE_EQ(item.valueForKey("maxStrokeWidth").toDouble(), 15.0);
    EXPECT_THROW(item.setValue(1, "noSuchKey"), UndefinedKeyError);
    for (qint64 fill : {0, 1, 2, 7}) {
        item.setStrokeFill(fill);
        EXPECT_EQ(item.enableFillColor(), fill == 0 || fill == 2) << fill;
        EXPECT_EQ(item.enableStrokeColor(), fill == 1 || fill == 2) << fill;
    }
}

TEST(TextPosition, RotationInDegree)
{
    constexpr double pi = std::numbers::pi;
    TextPosition item;
    const std::vector<std::pair<double, QString>> cases{
        {pi / 2, "90°"},     {-pi / 2, "270°"},  {2 * pi + 0.1, "6°"}, {-4 * pi, "0°"},
        {std::nan(""), "0°"}, {std::numeric_limits<double>::infinity(), "0°"}};
    for (const auto& [radians, text] : cases) {
        item.setRotation(radians);
        EXPECT_EQ(item.rotationInDegree(), text) << radians;
    }
    item.setRotation(1e300); // must not step its way down
    const QString huge = item.valueForKey("rotationInDegree").toString();
    EXPECT_TRUE(huge.endsWith(QChar(0x00B0)));
    const int degrees = huge.chopped(1).toInt();
    EXPECT_TRUE(degrees >= 0 && degrees <= 360);
}

TEST(TextPosition, UndoObservationRegistersOnce)
{
    TextPosition item;
    Recorder rec;
    item.stopObservingProperties(&rec); // not observed: nothing
    item.startObservingProperties(&rec);
    item.startObservingProperties(&rec);
    EXPECT_EQ(item.observationCount(&rec), 12);
    item.setStrokeWidth(3.0);
    item.setContent("not an undo key");
    EXPECT_EQ(rec.keys, QStringList{"strokeWidth"});
    item.stopObservingProperties(&rec);
    item.stopObservingProperties(&rec);
    EXPECT_EQ(item.observationCount(&rec), 0);
    EXPECT_FALSE(item.beingObserved());
}
