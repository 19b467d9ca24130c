#pragma once

#include "platform/graphics/RedrawCache.h"

#include <QHash>
#include <QImage>
#include <QPointF>
#include <QString>

namespace qf {

// What a collage keeps that is slow to make again: the drawing images of its
// pictures and the face centroids found in them, both by picture identity,
// and what its last screen frames drew (pictures scaled into their slots,
// the shadow of the picture layer) for the next frame.
// The editor owns one for every collage it makes in turn, so undo, type
// changes and templates keep them; a collage without a host keeps its own.
struct CollageCaches {
    QHash<QString, QImage> drawingImages;
    // Fractions of the image, y from the bottom; (-1, -1) for no face.
    QHash<QString, QPointF> faceCentroids;
    RedrawCache screenFrames;
};

} // namespace qf
