#pragma once

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

// One collage type as the program knows it: its type string (the collage
// JSON object's "cs"), the title of the type popup, how to make one, and the
// settings boxes and command buttons (object names of the window layout)
// the editor shows for it.
struct CollageType {
    using Maker = std::function<std::shared_ptr<Collage>()>;

    QString type;
    QString title;
    // Null while this build cannot make the type yet.
    Maker maker;
    QString layoutBox;
    QString bordersBox;
    // Commands beyond those every type has (shuffle for all pictures; remove
    // and pick for the selected one).
    QStringList allCommands;
    QStringList selectedCommands;
    // A new document starts as this type.
    bool newDocument = false;
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
    // Every settings box and command button some type shows.
    static QStringList allLayoutBoxes();
    static QStringList allCommandButtons();
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
