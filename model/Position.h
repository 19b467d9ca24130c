#pragma once

#include "model/PanZoomPos.h"

#include <QJsonObject>
#include <QString>

#include <optional>

namespace qf {

// A slot of a collage: which picture it shows and which part of it. Every
// collage type derives its own slot from this one and adds its geometry;
// derived slots extend the JSON object through the two virtual operations,
// calling this class's version first.
class Position {
public:
    Position();
    explicit Position(const QString& picture);
    virtual ~Position();

    Position(const Position&) = default;
    Position& operator=(const Position&) = default;
    Position(Position&&) = default;
    Position& operator=(Position&&) = default;

    // True when the slot shows no picture.
    bool isEmpty() const;

    // The picture identity shown; the empty string means none.
    const QString& picture() const { return m_picture; }
    void setPicture(const QString& picture) { m_picture = picture; }

    // The crop window; none until the user crops or a layout fixes one, the
    // layouts then using the centred aspect-fill window.
    const std::optional<PanZoomPos>& panZoomValue() const { return m_panZoomValue; }
    std::optional<PanZoomPos>& panZoomValue() { return m_panZoomValue; }
    void setPanZoomValue(std::optional<PanZoomPos> value) { m_panZoomValue = value; }

    // The slot is filled before the others when pictures are added.
    bool preferredToFill() const { return m_preferredToFill; }
    void setPreferredToFill(bool on) { m_preferredToFill = on; }
    // The slot's pick-picture button is not drawn.
    bool hideImagePicker() const { return m_hideImagePicker; }
    void setHideImagePicker(bool on) { m_hideImagePicker = on; }

    // The slot's JSON object, with the keys of the most derived class.
    QJsonObject getJsonDictionary() const;

    // Writes the base keys into dict; overrides call this first.
    virtual void addMyPropertiesTo(QJsonObject& dict) const;
    // Reads the base keys (absent ones reset the fields) from an object that
    // came from a file; overrides call this first.
    virtual void setMyPropertiesFrom(const QJsonObject& dict);

private:
    QString m_picture;
    std::optional<PanZoomPos> m_panZoomValue;
    bool m_preferredToFill = false;
    bool m_hideImagePicker = false;
};

} // namespace qf
