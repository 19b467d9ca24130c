#include "platform/graphics/FontCatalogue.h"

#include <QHash>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <tuple>

namespace qf {

namespace {

struct Face {
    QString family;
    QString style;
};

struct Catalogue {
    QStringList families;
    QHash<QString, QList<FontMember>> members;
    // Where a PostScript name is registered first: a face can also appear
    // under a subfamily ("DejaVu Sans Condensed" besides "DejaVu Sans").
    QHash<QString, Face> faceByPostScriptName;
};

QString patternString(FcPattern* pattern, const char* object, int index)
{
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, index, &value) != FcResultMatch || !value)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(value));
}

int patternInteger(FcPattern* pattern, const char* object, int fallback)
{
    int value = 0;
    if (FcPatternGetInteger(pattern, object, 0, &value) == FcResultMatch)
        return value;
    double d = 0.0; // variable fonts and some formats answer doubles
    if (FcPatternGetDouble(pattern, object, 0, &d) == FcResultMatch && std::isfinite(d))
        // A font file may claim any number; one beyond an int does not convert.
        return static_cast<int>(std::clamp(d, double(std::numeric_limits<int>::min()),
                                           double(std::numeric_limits<int>::max())));
    return fallback;
}

auto memberOrder(const FontMember& m)
{
    return std::make_tuple(std::abs(m.width - 100), m.width, m.weight, m.italic, m.styleName, m.postScriptName);
}

Catalogue load()
{
    Catalogue c;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_STYLE, FC_POSTSCRIPT_NAME, FC_WEIGHT,
                                            FC_SLANT, FC_WIDTH, nullptr);
    FcFontSet* set = (pattern && objects) ? FcFontList(nullptr, pattern, objects) : nullptr;
    if (objects)
        FcObjectSetDestroy(objects);
    if (pattern)
        FcPatternDestroy(pattern);

    for (int i = 0; set && i < set->nfont; ++i) {
        FcPattern* font = set->fonts[i];
        const QString family = patternString(font, FC_FAMILY, 0);
        if (family.isEmpty())
            continue;
        QString style = patternString(font, FC_STYLE, 0);
        if (style.isEmpty())
            style = QStringLiteral("Regular");
        FontMember member;
        member.postScriptName = patternString(font, FC_POSTSCRIPT_NAME, 0);
        if (member.postScriptName.isEmpty()) // the name the font would carry
            member.postScriptName = QString(family + QLatin1Char('-') + style).remove(QLatin1Char(' '));
        const int fcWeight = patternInteger(font, FC_WEIGHT, FC_WEIGHT_REGULAR);
        member.weight = FcWeightToOpenType(fcWeight) > 0 ? FcWeightToOpenType(fcWeight) : 400;
        member.italic = patternInteger(font, FC_SLANT, FC_SLANT_ROMAN) != FC_SLANT_ROMAN;
        member.width = patternInteger(font, FC_WIDTH, FC_WIDTH_NORMAL);

        member.styleName = style;
        c.members[family].append(member);
        // One face for a name whatever order fontconfig lists the files in.
        const auto known = c.faceByPostScriptName.constFind(member.postScriptName);
        if (known == c.faceByPostScriptName.cend()
            || std::tie(family, style) < std::tie(known->family, known->style))
            c.faceByPostScriptName.insert(member.postScriptName, Face{family, style});

        // Qt lists further family names in the same language with their own
        // style names as subfamilies; the others are only aliases.
        const QString language = patternString(font, FC_FAMILYLANG, 0);
        for (int k = 1;; ++k) {
            const QString altFamily = patternString(font, FC_FAMILY, k);
            if (altFamily.isEmpty())
                break;
            QString altStyle = patternString(font, FC_STYLE, k);
            if (altStyle.isEmpty())
                altStyle = style;
            if (patternString(font, FC_FAMILYLANG, k) != language || altStyle == style)
                continue;
            FontMember sub = member;
            sub.styleName = altStyle;
            c.members[altFamily].append(sub);
        }
    }
    if (set)
        FcFontSetDestroy(set);

    // fontconfig's order depends on its cache; the same face installed twice
    // (an OpenType and a Type 1 file) is listed once.
    for (auto it = c.members.begin(); it != c.members.end(); ++it) {
        QList<FontMember>& list = it.value();
        std::sort(list.begin(), list.end(),
                  [](const FontMember& a, const FontMember& b) { return memberOrder(a) < memberOrder(b); });
        QList<FontMember> unique;
        for (const FontMember& m : list)
            if (std::none_of(unique.cbegin(), unique.cend(),
                             [&m](const FontMember& u) { return u.styleName == m.styleName; }))
                unique.append(m);
        list = unique;
        c.families.append(it.key());
    }
    std::sort(c.families.begin(), c.families.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return c;
}

const Catalogue& catalogue()
{
    static const Catalogue c = load();
    return c;
}

const FontMember* closestMember(const QList<FontMember>& members, bool italic, int width, int weight)
{
    const FontMember* best = nullptr;
    auto distance = [&](const FontMember& m) {
        return std::make_tuple(m.italic != italic, std::abs(m.width - width), std::abs(m.weight - weight));
    };
    for (const FontMember& m : members)
        if (!best || distance(m) < distance(*best))
            best = &m;
    return best;
}

std::optional<FontMember> resolvedMember(const QFont& font)
{
    const auto it = catalogue().members.constFind(font.family());
    if (it == catalogue().members.cend() || it->isEmpty())
        return std::nullopt;
    const QString style = font.styleName();
    if (!style.isEmpty())
        for (const FontMember& m : *it)
            if (m.styleName == style)
                return m;
    const int width = font.stretch() == QFont::AnyStretch ? 100 : font.stretch();
    return *closestMember(*it, font.style() != QFont::StyleNormal, width, font.weight());
}

QFont withFace(const QFont& font, const QString& family, const QString& style)
{
    QFont f = font;
    f.setFamily(family);
    f.setStyleName(style);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

} // namespace

const QStringList& FontCatalogue::families()
{
    return catalogue().families;
}

bool FontCatalogue::hasFamily(const QString& family)
{
    return catalogue().members.contains(family);
}

QList<FontMember> FontCatalogue::membersOfFamily(const QString& family)
{
    return catalogue().members.value(family);
}

bool FontCatalogue::isPostScriptNameInstalled(const QString& postScriptName)
{
    return !postScriptName.isEmpty() && catalogue().faceByPostScriptName.contains(postScriptName);
}

QString FontCatalogue::postScriptName(const QFont& font)
{
    const auto m = resolvedMember(font);
    return m ? m->postScriptName : QString();
}

QString FontCatalogue::styleName(const QFont& font)
{
    const auto m = resolvedMember(font);
    return m ? m->styleName : QString();
}

QFont FontCatalogue::font(const QString& family, const QString& style, double pointSize)
{
    QFont f(family);
    const QList<FontMember> members = membersOfFamily(family);
    if (std::any_of(members.cbegin(), members.cend(), [&style](const FontMember& m) { return m.styleName == style; }))
        f.setStyleName(style);
    if (std::isfinite(pointSize) && pointSize > 0.0)
        f.setPointSizeF(pointSize);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

std::optional<QFont> FontCatalogue::fontWithPostScriptName(const QString& postScriptName, double pointSize)
{
    const auto it = catalogue().faceByPostScriptName.constFind(postScriptName);
    if (it == catalogue().faceByPostScriptName.cend())
        return std::nullopt;
    return font(it->family, it->style, pointSize);
}

QFont FontCatalogue::convertFontToFamily(const QFont& font, const QString& family)
{
    const auto it = catalogue().members.constFind(family);
    if (it == catalogue().members.cend() || it->isEmpty())
        return font;
    const auto current = resolvedMember(font);
    const FontMember* target = current ? closestMember(*it, current->italic, current->width, current->weight)
                                       : closestMember(*it, false, 100, QFont::Normal);
    return withFace(font, family, target->styleName);
}

QFont FontCatalogue::convertFontToFace(const QFont& font, const QString& postScriptName)
{
    for (const FontMember& m : catalogue().members.value(font.family()))
        if (m.postScriptName == postScriptName)
            return withFace(font, font.family(), m.styleName);
    const auto it = catalogue().faceByPostScriptName.constFind(postScriptName);
    if (it == catalogue().faceByPostScriptName.cend())
        return font;
    return withFace(font, it->family, it->style);
}

QFont FontCatalogue::convertFontToSize(const QFont& font, double pointSize)
{
    QFont f = font;
    if (std::isfinite(pointSize) && pointSize > 0.0)
        f.setPointSizeF(pointSize);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

} // namespace qf
