#pragma once

#include "layouts/CollageCommand.h"
#include "layouts/SettingsControl.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace qf {

class Collage;
class CollageHost;

// The arrow keys' nudges of the selected picture.
enum class Nudge { Up, Down, Left, Right };

// One collage type as the program knows it: its type string (the collage
// JSON object's "cs"), the title of the type popup, how to make one, its
// settings boxes with their controls, and its commands. What a type offers
// beyond every type's share is declared here and nowhere else.
struct CollageType {
    using Maker = std::function<std::shared_ptr<Collage>()>;
    using NudgeCall = std::function<bool(Collage&, Nudge)>;
    using SortCall = std::function<void(Collage&, bool byName, bool byModified, bool ascending)>;

    QString type;
    QString title;
    // Null while this build cannot make the type yet.
    Maker maker;
    SettingsBox layoutBox;
    SettingsBox bordersBox;
    // Commands beyond those every type has, in the order of their buttons.
    QList<CollageCommand> commands;
    // A new document starts as this type.
    bool newDocument = false;
    // Moves the selected picture a little; false when nothing moved. Null:
    // the type does not nudge.
    NudgeCall nudge;
    // Reorders the pictures by file name or modification date. Null: the
    // type keeps no order of its own.
    SortCall sortPictures;
};

// The registry of collage types: one row per type, in the order of the type
// popup, and the factory that makes collages by type string. An instance can
// replace makers (tests inject their own types); the rows are shared.
class CollageTypes {
public:
    using Maker = CollageType::Maker;

    // Every type, in the order of the type popup.
    static const QList<CollageType>& all();
    // The row of a type string; null for a string no type has.
    static const CollageType* find(const QString& type);
    // The place of a type string in all(); -1 for none.
    static qsizetype indexOf(const QString& type);
    static QStringList typeStrings();
    // Every settings box some type shows.
    static QStringList allLayoutBoxes();
    // The commands of a type: every type's share and its own, buttons in
    // order within each group. Empty for a string no type has.
    static QList<const CollageCommand*> commandsOf(const QString& type);
    // A command of a type by name; null when the type has none of that name.
    static const CollageCommand* command(const QString& type, const QString& name);
    // Every command some type has, each name once.
    static QList<const CollageCommand*> allCommands();
    // The boxes a type shows, in order: its layout and borders boxes, then
    // those every type shows.
    static QList<const SettingsBox*> boxesOf(const QString& type);
    // What follows a change of a key through a control of the type; null for none.
    static std::function<void(Collage&)> followUp(const QString& type, const QString& key);
    // The type string of a collage JSON object; empty when "cs" is absent or no string.
    static QString typeOfJson(const QJsonObject& dict);

    // Makes this instance make `type` with `maker` (null: cannot make it).
    void setMaker(const QString& type, Maker maker);
    bool canMake(const QString& type) const;
    // A fresh collage of the type; null for a type that cannot be made.
    std::shared_ptr<Collage> make(const QString& type) const;
    // The collage of the object's type, given `host` and then read from the
    // object; null when its type cannot be made.
    std::shared_ptr<Collage> makeFromJson(const QJsonObject& dict, CollageHost* host) const;
    // The type a new document starts as; while that type cannot be made yet,
    // the first in popup order that can.
    QString newDocumentType() const;

private:
    Maker makerFor(const QString& type) const;

    QHash<QString, Maker> m_makers;
};

} // namespace qf
