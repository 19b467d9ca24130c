#pragma once

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace qf {

// One installed face of a family, as the font panel lists it.
struct FontMember {
    QString postScriptName;
    QString styleName; // the face name Qt matches with QFont::setStyleName
    int weight = 400;  // OpenType scale, as QFont::Weight
    bool italic = false;
    int width = 100; // percent, as QFont::Stretch

    friend bool operator==(const FontMember&, const FontMember&) = default;
};

// The installed fonts with their PostScript names, which Qt does not expose.
// Read once from fontconfig and kept for the life of the process. Family and
// face names are registered the way Qt's own fontconfig database registers
// them, so every name here can be handed to QFont.
class FontCatalogue {
public:
    // Installed families, sorted without regard to case; Qt's generic
    // aliases ("Sans Serif") and foundry-qualified names are not among them.
    static const QStringList& families();
    static bool hasFamily(const QString& family);
    // The faces of a family in a stable order (normal width first, then by
    // weight, upright before italic); empty for an unknown family.
    static QList<FontMember> membersOfFamily(const QString& family);
    static bool isPostScriptNameInstalled(const QString& postScriptName);

    // The installed face Qt draws for the font: its style name when the
    // family has such a face, else the face closest in slant, width and
    // weight. Empty for a family that is not installed.
    static QString postScriptName(const QFont& font);
    static QString styleName(const QFont& font);

    // An unhinted font of the family and face at a size; an empty or unknown
    // style leaves the face to Qt's matching.
    static QFont font(const QString& family, const QString& style, double pointSize);
    // The installed face of that PostScript name (its primary family), or
    // nothing.
    static std::optional<QFont> fontWithPostScriptName(const QString& postScriptName, double pointSize);

    // Font-panel conversions. The family change keeps the face's slant,
    // width and weight as near as the new family allows; the face change
    // takes a PostScript name, preferring a face of the font's own family.
    // An unknown family or face leaves the font as it is.
    static QFont convertFontToFamily(const QFont& font, const QString& family);
    static QFont convertFontToFace(const QFont& font, const QString& postScriptName);
    static QFont convertFontToSize(const QFont& font, double pointSize);
};

} // namespace qf
