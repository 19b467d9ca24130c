#pragma once

#include "layouts/pile/PileCollage.h"

namespace qf {

// The pile: photos in their own or cropped aspect, scattered with a small
// random tilt, framed (by `borderStyle`) as instant-camera prints, stamps,
// both, or not at all.
class RegularPileCollage : public PileCollage {
public:
    enum BorderStyle : qint64 { BorderNone = 0, BorderInstantCamera = 1, BorderStamp = 2, BorderBoth = 3 };

    RegularPileCollage();

    static const KVKeyTable& keyTable();

    qint64 borderStyle() const { return m_borderStyle; }
    void setBorderStyle(qint64 v) { kvSet(QStringLiteral("borderStyle"), m_borderStyle, v); }
    bool instantCameraBorder() const { return m_borderStyle == BorderInstantCamera || m_borderStyle == BorderBoth; }
    bool stampBorder() const { return m_borderStyle == BorderStamp || m_borderStyle == BorderBoth; }
    // Each flag changes the style, keeping the other flag.
    void setInstantCameraBorder(bool on);
    void setStampBorder(bool on);

    bool needsBorderFill() const override { return instantCameraBorder() || stampBorder(); }
    qint64 shapeToUseForNewPosition() const override { return -1; }
    // -0.14 to 0.14 radians in steps of 0.01.
    double anotherRandomRotation() override;
    // The rectangle grown by the border, deeper at the bottom for an
    // instant-camera print, with a stamp's notches for a stamp.
    QPainterPath getBorderEnclosingPathForDrawingRect(const QRectF& rect, double borderWidth) const override;

    // The pictures over a jittered grid, stacking order kept.
    void spreadout() override;
    // The pictures as a mosaic through the fitting engine, slightly tilted;
    // placeholders are dropped.
    void spreadoutToMosaic();

    // What the editor offers for the pile: its commands and its frame box.
    static QList<CollageCommand> commands();
    static SettingsBox bordersBox();

    // "bs" after the base keys.
    void addMyPropertiesTo(QJsonObject& dict, bool actual) const override;
    void setMyPropertiesFrom(const QJsonObject& dict) override;
    QSet<QString> keysForValuesToObserveForUndo() const override;

protected:
    const KVKeyTable& kvKeyTable() const override { return keyTable(); }

private:
    qint64 m_borderStyle = BorderNone;
};

} // namespace qf
