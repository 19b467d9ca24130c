#pragma once

#include "layouts/mosaic/MosaicCollage.h"

namespace qf {

// A slot of a centre frame: a mosaic slot that knows whether it is the centre.
class CenterPosition : public MosaicPosition {
public:
    CenterPosition() = default;
    CenterPosition(const QString& picture, const QRectF& rect, bool center)
        : MosaicPosition(picture, rect)
        , m_center(center)
    {
    }

    bool isCenter() const { return m_center; }
    void setCenter(bool center) { m_center = center; }

    // "cisposcen" after the mosaic slot's keys; absent reads as a frame slot.
    void addMyPropertiesTo(QJsonObject& dict) const override;
    void setMyPropertiesFrom(const QJsonObject& dict) override;

private:
    bool m_center = false;
};

// A mosaic built around one large centre slot of the canvas's aspect,
// framed left and right by a slot each and above and below by a row of two.
// Pictures fill the frame and then split the frame slots, never the centre
// by itself; with `symmetric` every split is a half and mirrors the last.
class CenterCollage : public MosaicCollage {
public:
    CenterCollage();

    static const KVKeyTable& keyTable();

    // What the editor offers for the centre frame.
    static QList<CollageCommand> commands();
    static SettingsBox layoutBox();

    bool symmetric() const { return m_symmetric; }
    void setSymmetric(bool v) { kvSet(QStringLiteral("symmetric"), m_symmetric, v); }
    bool getSymmetric() const override { return m_symmetric; }
    bool splitSymmetric() const override { return m_symmetric; }

    // Whether the slot is the centre slot (any other kind of slot is not).
    static bool isCenter(const PositionPtr& slot);

    // The seven empty slots of a new frame, with a new random centre size.
    void setupEmptyPositions();
    // The largest frame slot, with `symmetric` preferring one whose mirror
    // image is divided already; -1 without frame slots.
    qint64 findNextIndexToSplit() const override;
    // Each picture into the first empty slot, or a split frame slot.
    void addSomePictures(const QStringList& md5s);
    void placeNewPictures(const QStringList& md5s) override;
    void newPicturesPlaced(qsizetype slotsBefore) override;
    // A new frame for all the pictures in random order.
    void shuffle() override;
    // The selected picture and the centre's change places.
    void setSelectedAsCenter();

    PositionPtr getBrandNewPosition() override;
    QSet<QString> keysForValuesToObserveForUndo() const override;
    // "cisym" after the base keys; absent reads as symmetric.
    void addMyPropertiesTo(QJsonObject& dict, bool actual) const override;
    void setMyPropertiesFrom(const QJsonObject& dict) override;

protected:
    const KVKeyTable& kvKeyTable() const override { return keyTable(); }
    std::shared_ptr<MosaicPosition> newSlot(const QString& picture, const QRectF& rect) const override;

private:
    bool m_symmetric = true;
};

} // namespace qf
