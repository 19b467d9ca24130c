#pragma once

#include "model/Collage.h"
#include "model/CollageHost.h"
#include "platform/keyvalue/KVObserver.h"

#include <QColor>
#include <QImage>

#include <functional>
#include <vector>

namespace qf::test {

// The smallest collage type: plain slots, no drawing, and a record of the
// face-crop requests the base class makes.
class FakeCollage : public Collage {
public:
    FakeCollage() { setCollageType(QStringLiteral("fake")); }

    struct FaceCall {
        bool all;
        bool onlyThoseNotSet;
        std::optional<QList<PositionPtr>> positions;
    };
    std::vector<FaceCall> faceCalls;

    PositionPtr getBrandNewPosition() override { return std::make_shared<Position>(); }
    void drawYourPicturePatternOnCurrentContextInWidth(GraphicsContext&, double, double, bool) override {}
    void mouseDownAtPictureLayer(QPointF, double, double, const MouseEvent&) override {}
    void mouseDraggedAtPictureLayer(QPointF, double, double, const MouseEvent&) override {}
    void mouseUpAtPictureLayer(QPointF, double, double, const MouseEvent&) override {}
    bool removeSelectedPicture() override
    {
        const PositionPtr pos = selectedPosition();
        if (!pos || pos->isEmpty())
            return false;
        pos->setPicture(QString());
        return true;
    }
    void detectFacesAndUpdatePanZoomAll(bool all, bool notSet,
                                        const std::optional<QList<PositionPtr>>& positions) override
    {
        faceCalls.push_back({all, notSet, positions});
        detectFacesOnlyAll(all, notSet, positions);
    }
    void addPictures(const QStringList& md5s, const QHash<QString, QImage>& imgs, const QHash<QString, QString>&,
                     const QHash<QString, QDateTime>&) override
    {
        for (const QString& md5 : md5s) {
            picturePositions().append(std::make_shared<Position>(md5));
            nsImages().insert(md5, imgs.value(md5));
        }
        setImages(images() + md5s);
    }
    void removePictures(const QList<qsizetype>&) override {}
    void shuffle() override { shuffleInPlace(); }
    qint64 ptLiesIn(QPointF, double, double) override { return -1; }
    qint64 ptLiesInPickPictureButton(QPointF, double, double) override { return -1; }

    // Slots from a pattern: each entry a picture identity, empty for an empty slot.
    void setSlots(const QStringList& pictures)
    {
        picturePositions().clear();
        for (const QString& p : pictures)
            picturePositions().append(std::make_shared<Position>(p));
    }
    QStringList slotPictures() const
    {
        QStringList out;
        for (const PositionPtr& p : picturePositions())
            out.append(p->picture());
        return out;
    }
};

// A host with an in-memory picture store and a scripted face detector.
class FakeHost : public CollageHost, public KVObserver {
public:
    QHash<QString, QImage> store;
    QHash<QString, QString> importable; // path -> identity
    std::function<QPointF(const QImage&)> detector = [](const QImage&) { return QPointF(-1, -1); };
    int detections = 0;
    int observedChanges = 0;

    static QImage solidImage(int w, int h, QColor c = Qt::red)
    {
        QImage img(w, h, QImage::Format_ARGB32);
        img.fill(c);
        return img;
    }

    QImage drawingSizeImage(const QString& md5) override { return store.value(md5); }
    QImage completeSizeImage(const QString& md5) override
    {
        const QImage small = store.value(md5);
        return small.isNull() ? small : small.scaled(small.size() * 2);
    }
    std::optional<QString> importPicture(const QString& path) override
    {
        if (!importable.contains(path))
            return std::nullopt;
        const QString md5 = importable.value(path);
        if (!store.contains(md5))
            store.insert(md5, solidImage(600, 400));
        return md5;
    }
    QPointF faceCentroidInImage(const QImage& image) override
    {
        ++detections;
        return detector(image);
    }
    KVObserver* undoObserver() override { return this; }
    QList<qint64> pickRequests;
    QList<qsizetype> notShown;
    void picturesNotShown(qsizetype count) override { notShown.append(count); }
    void selectPictureFor(qint64 slotIndex) override { pickRequests.append(slotIndex); }
    void observeValueForKeyPath(const QString&, KVObject*, const KVChange&, const KVContext*) override
    {
        ++observedChanges;
    }
};

} // namespace qf::test
