#pragma once

#include <QHash>
#include <QImage>
#include <QPointF>
#include <QString>

namespace qf {

// What a collage keeps that is slow to make again: the drawing images of its
// pictures and the face centroids found in them, both by picture identity.
// The editor owns one for every collage it makes in turn, so undo, type
// changes and templates keep them; a collage without a host keeps its own.
struct CollageCaches {
    QHash<QString, QImage> drawingImages;
    // Fractions of the image, y from the bottom; (-1, -1) for no face.
    QHash<QString, QPointF> faceCentroids;
};

} // namespace qf
