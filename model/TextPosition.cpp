#include "model/TextPosition.h"

#include "model/UtilityFunctions.h"
#include "platform/graphics/FontCatalogue.h"
#include "platform/json/JsonDocument.h"
#include "platform/json/JsonValues.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qf {

const KVContext QFUndoTextObservationContext{"com.bramblequartz.quiltfolio.QFUndoTextObservationContext"};

namespace {

// A box wider than a hundred canvases is no layout anyone made; the bound
// keeps the size-to-fit steps of the drawing code finite.
constexpr double kMaxTextWidth = 100.0;

// Our font archive holds two names, a style and a size; anything longer is
// not one of ours.
constexpr qsizetype kMaxFontArchiveBytes = 1024;

// Legacy font sizes were meant for a canvas this many pixels wide.
constexpr double kLegacyCanvasWidth = 2400.0;

QString boundedContent(const QString& text)
{
    const qsizetype max = TextPosition::maxContentLength();
    if (text.size() <= max)
        return text;
    return text.left(text.at(max - 1).isHighSurrogate() ? max - 1 : max);
}

double clampedFontSize(double size)
{
    if (!std::isfinite(size))
        return TextPosition::defaultFontSize();
    return std::clamp(size, TextPosition::minFontSize(), TextPosition::maxFontSize());
}

// The size stored beside an archive; absent means the default.
double storedFontSize(const QJsonObject& dict, QStringView key)
{
    return clampedFontSize(json::numberOr(dict, key, TextPosition::defaultFontSize()));
}

// The hex of a small UTF-8 JSON object {"family", "style", "size", "psname"}.
QString archiveFont(const QFont& font)
{
    QString style = FontCatalogue::styleName(font);
    if (style.isEmpty())
        style = font.styleName();
    const QJsonObject archive{{"family", font.family()},
                              {"style", style},
                              {"size", font.pointSizeF()},
                              {"psname", FontCatalogue::postScriptName(font)}};
    return UtilityFunctions::nsdataToHex(QJsonDocument(archive).toJson(QJsonDocument::Compact));
}

// The archived font when its family is installed; nothing for anything else.
std::optional<QFont> unarchiveFont(const QString& hex)
{
    if (hex.size() > 2 * kMaxFontArchiveBytes)
        return std::nullopt;
    const json::ObjectParseResult parsed = json::parseObject(UtilityFunctions::hexToNsdata(hex), 1);
    if (!parsed)
        return std::nullopt;
    const QJsonObject& archive = parsed.object();
    const auto family = json::string(archive, u"family");
    const auto size = json::number(archive, u"size");
    if (!family || !FontCatalogue::hasFamily(*family) || !size || !(*size > 0.0))
        return std::nullopt;

    const QList<FontMember> members = FontCatalogue::membersOfFamily(*family);
    QString style = json::string(archive, u"style").value_or(QString());
    const bool styleKnown = std::any_of(members.cbegin(), members.cend(),
                                        [&style](const FontMember& m) { return m.styleName == style; });
    if (!styleKnown) {
        // A face renamed by another font version is still found by its PostScript name.
        const QString psname = json::string(archive, u"psname").value_or(QString());
        for (const FontMember& m : members)
            if (m.postScriptName == psname)
                style = m.styleName;
    }
    return FontCatalogue::font(*family, style, clampedFontSize(*size));
}

// The font a text JSON object asks for, or nothing to keep the current one.
std::optional<QFont> fontFromFile(const QJsonObject& dict, const QFont& current, qint64 canvasWidth)
{
    const QString postScriptName = json::string(dict, u"tfn").value_or(QString());
    const bool installed = FontCatalogue::isPostScriptNameInstalled(postScriptName);
    // An archive we cannot decode falls back to the face named beside it;
    // a face that is not installed never leads to decoding.
    auto read = [&](const QString& archive, QStringView sizeKey) {
        if (installed) {
            if (auto font = unarchiveFont(archive))
                return *font;
            if (auto font = FontCatalogue::fontWithPostScriptName(postScriptName, storedFontSize(dict, sizeKey)))
                return *font;
        }
        return FontCatalogue::convertFontToSize(current, storedFontSize(dict, sizeKey));
    };

    if (const auto archive = json::string(dict, u"tfact"); archive && !archive->isEmpty())
        return read(*archive, u"tfsa");
    if (const auto archive = json::string(dict, u"tf"); archive && !archive->isEmpty()) {
        const QFont font = read(*archive, u"tfs");
        const double scaled = font.pointSizeF() * static_cast<double>(canvasWidth) / kLegacyCanvasWidth;
        return FontCatalogue::convertFontToSize(font, clampedFontSize(scaled));
    }
    return std::nullopt;
}

QString alignmentName(qint64 alignment)
{
    switch (alignment) {
    case 1:
        return QStringLiteral("right");
    case 2:
        return QStringLiteral("center");
    case 3:
        return QStringLiteral("justified");
    default:
        return QStringLiteral("left");
    }
}

std::optional<qint64> alignmentFromName(const QString& name)
{
    if (name == QLatin1String("left"))
        return 0;
    if (name == QLatin1String("right"))
        return 1;
    if (name == QLatin1String("center"))
        return 2;
    if (name == QLatin1String("justified"))
        return 3;
    return std::nullopt;
}

} // namespace

QString TextPosition::defaultContent()
{
    return QStringLiteral("<=Type your text in the box on the left");
}

TextPosition::TextPosition()
    : m_content(defaultContent())
    , m_font(defaultFont())
{
    // Scripted tests depend on the order: value then sign, x then y.
    const double rx = UtilityFunctions::randomFrom0to1();
    const int sx = UtilityFunctions::randomSign();
    const double ry = UtilityFunctions::randomFrom0to1();
    const int sy = UtilityFunctions::randomSign();
    m_center = QPointF(0.5 + sx * rx * 0.1, 0.5 + sy * ry * 0.1);
}

TextPosition::~TextPosition() = default;

QFont TextPosition::defaultFont()
{
    static const QString family = [] {
        const QString preferred = QStringLiteral("DejaVu Sans");
        if (FontCatalogue::hasFamily(preferred))
            return preferred;
        const QString general = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
        if (FontCatalogue::hasFamily(general))
            return general;
        return FontCatalogue::families().value(0, preferred);
    }();
    // Name the regular face, so files and the panel see an explicit face.
    const QFont plain = FontCatalogue::font(family, QString(), defaultFontSize());
    return FontCatalogue::font(family, FontCatalogue::styleName(plain), defaultFontSize());
}

const KVKeyTable& TextPosition::keyTable()
{
    static const KVKeys<TextPosition> table = [] {
        using T = TextPosition;
        KVKeys<T> t;
        t.property(QStringLiteral("content"), &T::content, &T::setContent);
        t.property(QStringLiteral("center"), &T::center, &T::setCenter);
        t.property(QStringLiteral("textWidth"), &T::textWidth, &T::setTextWidth);
        t.property(QStringLiteral("rotation"), &T::rotation, &T::setRotation);
        t.property(QStringLiteral("opacity"), &T::opacity, &T::setOpacity);
        t.property(QStringLiteral("color"), &T::color, &T::setColor);
        t.property(QStringLiteral("font"), &T::font, &T::setFont);
        t.property(QStringLiteral("alignment"), &T::alignment, &T::setAlignment);
        t.property(QStringLiteral("xShadowOffsetScale"), &T::xShadowOffsetScale, &T::setXShadowOffsetScale);
        t.property(QStringLiteral("yShadowOffsetScale"), &T::yShadowOffsetScale, &T::setYShadowOffsetScale);
        t.property(QStringLiteral("shadowRadiusBlurScale"), &T::shadowRadiusBlurScale, &T::setShadowRadiusBlurScale);
        t.property(QStringLiteral("drawShadows"), &T::drawShadows, &T::setDrawShadows);
        t.property(QStringLiteral("attributes"), &T::attributes, &T::setAttributes);
        t.property(QStringLiteral("textBackgroundColor"), &T::textBackgroundColor, &T::setTextBackgroundColor);
        t.property(QStringLiteral("textBackgroundOpacity"), &T::textBackgroundOpacity, &T::setTextBackgroundOpacity);
        t.property(QStringLiteral("strokeColor"), &T::strokeColor, &T::setStrokeColor);
        t.property(QStringLiteral("strokeWidth"), &T::strokeWidth, &T::setStrokeWidth);
        t.property(QStringLiteral("strokeFill"), &T::strokeFill, &T::setStrokeFill);
        t.property(QStringLiteral("hasTextWidth"), &T::hasTextWidth, &T::setHasTextWidth);

        t.derived(QStringLiteral("minStrokeWidth"), [](const T&) { return minStrokeWidth(); }, {});
        t.derived(QStringLiteral("maxStrokeWidth"), [](const T&) { return maxStrokeWidth(); }, {});
        t.derived(QStringLiteral("minTextOpacity"), [](const T&) { return minTextOpacity(); }, {});
        t.derived(QStringLiteral("maxTextOpacity"), [](const T&) { return maxTextOpacity(); }, {});
        t.derived(QStringLiteral("minTextBackgroundOpacity"), [](const T&) { return minTextBackgroundOpacity(); }, {});
        t.derived(QStringLiteral("maxTextBackgroundOpacity"), [](const T&) { return maxTextBackgroundOpacity(); }, {});

        const QStringList font{QStringLiteral("font")};
        const QStringList strokeFill{QStringLiteral("strokeFill")};
        t.property(QStringLiteral("fontSize"), &T::fontSize, &T::setFontSize);
        t.addDependencies(QStringLiteral("fontSize"), font);
        t.derived(QStringLiteral("availableStandardSizes"), [](const T&) { return availableStandardSizes(); }, {});
        t.property(QStringLiteral("selectedFontFamilyIndex"), &T::selectedFontFamilyIndex,
                   &T::setSelectedFontFamilyIndex);
        t.addDependencies(QStringLiteral("selectedFontFamilyIndex"), font);
        t.derived(QStringLiteral("availableFontTypefaces"), &T::availableFontTypefaces, font);
        t.property(QStringLiteral("selectedFontTypefaceIndex"), &T::selectedFontTypefaceIndex,
                   &T::setSelectedFontTypefaceIndex);
        t.addDependencies(QStringLiteral("selectedFontTypefaceIndex"), font);
        t.derived(QStringLiteral("enableFillColor"), &T::enableFillColor, strokeFill);
        t.derived(QStringLiteral("enableStrokeColor"), &T::enableStrokeColor, strokeFill);
        t.derived(QStringLiteral("enableStrokeWidth"), &T::enableStrokeWidth, strokeFill);
        t.derived(QStringLiteral("rotationInDegree"), &T::rotationInDegree, {QStringLiteral("rotation")});
        return t;
    }();
    return table;
}

void TextPosition::setValueForUndefinedKey(const QVariant& value, const QString& key)
{
    const auto* entry = keyTable().find(key);
    if (entry && !entry->set)
        return;
    KVObject::setValueForUndefinedKey(value, key);
}

void TextPosition::setContent(const QString& v)
{
    kvSet(QStringLiteral("content"), m_content, boundedContent(v));
}

void TextPosition::setFont(const QFont& v)
{
    QFont font = v;
    font.setHintingPreference(QFont::PreferNoHinting);
    kvSet(QStringLiteral("font"), m_font, font);
}

// ---- panel values -------------------------------------------------------------

void TextPosition::setFontSize(double size)
{
    if (!(std::isfinite(size) && size > 0.0))
        return;
    setFont(FontCatalogue::convertFontToSize(m_font, std::clamp(size, minFontSize(), maxFontSize())));
}

QList<double> TextPosition::availableStandardSizes()
{
    return {9, 10, 11, 12, 13, 14, 18, 24, 36, 48, 64, 72, 96, 144, 288};
}

qint64 TextPosition::selectedFontFamilyIndex() const
{
    return FontCatalogue::families().indexOf(m_font.family());
}

void TextPosition::setSelectedFontFamilyIndex(qint64 index)
{
    const QStringList& families = FontCatalogue::families();
    if (index >= 0 && index < families.size())
        setFont(FontCatalogue::convertFontToFamily(m_font, families[index]));
}

QStringList TextPosition::availableFontTypefaces() const
{
    QStringList faces;
    for (const FontMember& m : FontCatalogue::membersOfFamily(m_font.family()))
        faces.append(m.styleName);
    return faces;
}

qint64 TextPosition::selectedFontTypefaceIndex() const
{
    const QString psname = FontCatalogue::postScriptName(m_font);
    const QList<FontMember> members = FontCatalogue::membersOfFamily(m_font.family());
    for (qsizetype i = 0; i < members.size(); ++i)
        if (members[i].postScriptName == psname)
            return i;
    return -1;
}

void TextPosition::setSelectedFontTypefaceIndex(qint64 index)
{
    const QList<FontMember> members = FontCatalogue::membersOfFamily(m_font.family());
    if (index >= 0 && index < members.size())
        setFont(FontCatalogue::convertFontToFace(m_font, members[index].postScriptName));
}

QString TextPosition::rotationInDegree() const
{
    constexpr double twoPi = 2.0 * std::numbers::pi;
    long degrees = 0;
    if (std::isfinite(m_rotation)) {
        // fmod, not repeated steps: a rotation read from a file may be huge.
        double r = std::fmod(m_rotation, twoPi);
        if (r < 0.0)
            r += twoPi;
        if (r >= twoPi)
            r -= twoPi;
        degrees = std::lround(r * 180.0 / std::numbers::pi);
    }
    return QString::number(degrees) + QChar(0x00B0);
}

// ---- copying and files ------------------------------------------------------------

std::shared_ptr<TextPosition> TextPosition::createNewTextPositionByCopyingMyProperties() const
{
    auto copy = std::make_shared<TextPosition>();
    copy->setOpacity(m_opacity);
    copy->setColor(m_color);
    copy->setFont(m_font);
    copy->setAlignment(m_alignment);
    copy->setXShadowOffsetScale(m_xShadowOffsetScale);
    copy->setYShadowOffsetScale(m_yShadowOffsetScale);
    copy->setShadowRadiusBlurScale(m_shadowRadiusBlurScale);
    copy->setDrawShadows(m_drawShadows);
    copy->setTextBackgroundColor(m_textBackgroundColor);
    copy->setTextBackgroundOpacity(m_textBackgroundOpacity);
    copy->setStrokeColor(m_strokeColor);
    copy->setStrokeFill(m_strokeFill);
    copy->setStrokeWidth(m_strokeWidth);
    return copy;
}

QJsonObject TextPosition::getJsonDictionary() const
{
    QJsonObject dict;
    dict.insert(QStringLiteral("tcon"), m_content);
    dict.insert(QStringLiteral("tcen"), UtilityFunctions::getJsonDictionaryForPoint(m_center));
    dict.insert(QStringLiteral("twidth"), m_textWidth);
    dict.insert(QStringLiteral("tr"), m_rotation);
    dict.insert(QStringLiteral("tfact"), archiveFont(m_font));
    dict.insert(QStringLiteral("tfsa"), m_font.pointSizeF());
    dict.insert(QStringLiteral("tfn"), FontCatalogue::postScriptName(m_font));
    dict.insert(QStringLiteral("tff"), m_font.family());
    dict.insert(QStringLiteral("to"), m_opacity);
    dict.insert(QStringLiteral("tco"), UtilityFunctions::getJsonDictionaryForColor(m_color));
    dict.insert(QStringLiteral("tal"), alignmentName(m_alignment));
    dict.insert(QStringLiteral("tids"), m_drawShadows);
    dict.insert(QStringLiteral("tsx"), m_xShadowOffsetScale);
    dict.insert(QStringLiteral("tsy"), m_yShadowOffsetScale);
    dict.insert(QStringLiteral("tsb"), m_shadowRadiusBlurScale);
    if (m_attributes.underlineStyle)
        dict.insert(QStringLiteral("tu"), *m_attributes.underlineStyle);
    if (m_attributes.underlineColor)
        dict.insert(QStringLiteral("tuc"), UtilityFunctions::getJsonDictionaryForColor(*m_attributes.underlineColor));
    if (m_attributes.strikethroughStyle)
        dict.insert(QStringLiteral("tstr"), *m_attributes.strikethroughStyle);
    if (m_attributes.strikethroughColor)
        dict.insert(QStringLiteral("tstrc"),
                    UtilityFunctions::getJsonDictionaryForColor(*m_attributes.strikethroughColor));
    dict.insert(QStringLiteral("tbaop"), m_textBackgroundOpacity);
    dict.insert(QStringLiteral("tbaco"), UtilityFunctions::getJsonDictionaryForColor(m_textBackgroundColor));
    dict.insert(QStringLiteral("tstwid"), m_strokeWidth);
    dict.insert(QStringLiteral("tstcolor"), UtilityFunctions::getJsonDictionaryForColor(m_strokeColor));
    dict.insert(QStringLiteral("tstfill"), m_strokeFill);
    return dict;
}

void TextPosition::setMyPropertiesFrom(const QJsonObject& dict, qint64 actualCollageWidth, qint64)
{
    setContent(json::string(dict, u"tcon").value_or(QString()));
    if (const auto center = json::object(dict, u"tcen"))
        setCenter(UtilityFunctions::getPointFromJsonDictionary(*center));
    if (const auto width = json::number(dict, u"twidth")) {
        setTextWidth(std::clamp(*width, 0.0, kMaxTextWidth));
        setHasTextWidth(true);
    } else {
        setHasTextWidth(false); // measured from the text when first drawn
    }
    if (const auto rotation = json::number(dict, u"tr"))
        setRotation(*rotation);
    if (const auto font = fontFromFile(dict, m_font, actualCollageWidth))
        setFont(*font);

    setOpacity(std::clamp(json::numberOr(dict, u"to", 1.0), minTextOpacity(), maxTextOpacity()));
    if (const auto color = UtilityFunctions::getColorFromJsonDictionary(dict.value(u"tco")))
        setColor(*color);
    if (const auto name = json::string(dict, u"tal"))
        if (const auto alignment = alignmentFromName(*name))
            setAlignment(*alignment);
    if (const auto shadows = json::boolean(dict, u"tids"))
        setDrawShadows(*shadows);
    if (const auto x = json::number(dict, u"tsx"))
        setXShadowOffsetScale(*x);
    if (const auto y = json::number(dict, u"tsy"))
        setYShadowOffsetScale(*y);
    if (const auto blur = json::number(dict, u"tsb"))
        setShadowRadiusBlurScale(*blur);

    TextAttributes attributes = m_attributes;
    attributes.underlineStyle = json::integer(dict, u"tu");
    attributes.underlineColor = UtilityFunctions::getColorFromJsonDictionary(dict.value(u"tuc"));
    attributes.strikethroughStyle = json::integer(dict, u"tstr");
    attributes.strikethroughColor = UtilityFunctions::getColorFromJsonDictionary(dict.value(u"tstrc"));
    setAttributes(attributes);

    setTextBackgroundOpacity(std::clamp(json::numberOr(dict, u"tbaop", 0.0), minTextBackgroundOpacity(),
                                        maxTextBackgroundOpacity()));
    if (const auto color = UtilityFunctions::getColorFromJsonDictionary(dict.value(u"tbaco")))
        setTextBackgroundColor(*color);
    setStrokeFill(json::integerOr(dict, u"tstfill", 0));
    if (const auto color = UtilityFunctions::getColorFromJsonDictionary(dict.value(u"tstcolor")))
        setStrokeColor(*color);
    setStrokeWidth(std::clamp(json::numberOr(dict, u"tstwid", m_strokeWidth), minStrokeWidth(), maxStrokeWidth()));
}

// ---- undo observation ----------------------------------------------------------

QStringList TextPosition::keysForValuesToObserveForUndo() const
{
    return {QStringLiteral("font"),
            QStringLiteral("color"),
            QStringLiteral("opacity"),
            QStringLiteral("drawShadows"),
            QStringLiteral("xShadowOffsetScale"),
            QStringLiteral("yShadowOffsetScale"),
            QStringLiteral("shadowRadiusBlurScale"),
            QStringLiteral("textBackgroundColor"),
            QStringLiteral("textBackgroundOpacity"),
            QStringLiteral("strokeColor"),
            QStringLiteral("strokeWidth"),
            QStringLiteral("strokeFill")};
}

void TextPosition::startObservingProperties(KVObserver* observer)
{
    if (!observer || m_beingObserved)
        return;
    for (const QString& key : keysForValuesToObserveForUndo())
        addObserver(observer, key, KVOptionNew | KVOptionOld | KVOptionPrior, &QFUndoTextObservationContext);
    m_beingObserved = true;
}

void TextPosition::stopObservingProperties(KVObserver* observer)
{
    if (!observer || !m_beingObserved)
        return;
    for (const QString& key : keysForValuesToObserveForUndo())
        removeObserver(observer, key, &QFUndoTextObservationContext);
    m_beingObserved = false;
}

} // namespace qf
