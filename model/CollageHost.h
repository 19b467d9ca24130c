#pragma once

#include "model/PanZoomPos.h"

#include <QImage>
#include <QPointF>
#include <QString>

#include <optional>

namespace qf {

class KVObserver;
struct CollageCaches;

// What a collage needs from the editor and the document that own it: picture
// images by identity, importing a picture file into the document's store, face
// detection, and the observer of its undo keys. The editor implements it;
// tests fake it. A collage holds its host weakly: the host outlives it.
class CollageHost {
public:
    virtual ~CollageHost() = default;

    // The drawing-size image (600 pixels wide) of a stored picture; a null
    // image when the store has no such picture or it cannot be decoded.
    virtual QImage drawingSizeImage(const QString& md5) = 0;
    // The full-size image for export and print; null as above.
    virtual QImage completeSizeImage(const QString& md5) = 0;
    // Adds the picture file to the store (a picture already there is kept)
    // and answers its identity; none when the file is not a readable picture.
    virtual std::optional<QString> importPicture(const QString& path) = 0;
    // Face centroid as fractions of the image, y from the bottom edge;
    // (-1, -1) when the image shows no face.
    virtual QPointF faceCentroidInImage(const QImage& image) = 0;
    // The observer that records undo snapshots (the window controller).
    virtual KVObserver* undoObserver() = 0;
    // The pick-picture button of an empty slot was pressed and released: let
    // the user choose a picture for that slot.
    virtual void selectPictureFor(qint64 slotIndex) = 0;
    // Let the user choose a picture file for the background; the choice
    // arrives as a change of its own. Nothing by default.
    virtual void selectBackgroundPictureFile() {}
    // The collage holds `count` pictures it cannot show (a grid past its
    // cell cap); they stay in the project.
    virtual void picturesNotShown(qsizetype /*count*/) {}
    // Let the user choose the crop of a picture: its drawing image, the
    // slot's width over height, its crop window, whether that aspect is
    // fixed and the slot's outline. The answer comes back through the
    // editor as Collage::cropSelectedTo. Nothing by default.
    virtual void cropPicture(const QImage& /*image*/, double /*widthToHeight*/,
                             const std::optional<PanZoomPos>& /*crop*/, bool /*constrainAspect*/, qint64 /*shape*/)
    {
    }
    // The caches shared by the collages this host makes in turn; none (the
    // default) leaves each collage its own.
    virtual CollageCaches* collageCaches() { return nullptr; }
};

} // namespace qf
