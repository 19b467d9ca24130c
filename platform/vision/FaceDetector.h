#pragma once

#include "platform/core/Installable.h"

#include <QImage>
#include <QList>
#include <QRectF>

namespace qf {

// Finds faces in pictures. The program uses the shared OpenCV detector, made
// on first use; tests install a fake (nullptr restores the shared one).
class FaceDetector : public Installable<FaceDetector> {
public:
    virtual ~FaceDetector() = default;
    // Face rectangles in image pixels, y down as in QImage; none for a null
    // image.
    virtual QList<QRectF> detectFaces(const QImage& image) = 0;

private:
    friend class Installable<FaceDetector>;
    static FaceDetector& defaultInstance();
};

using ScopedFaceDetector = FaceDetector::Scoped;

} // namespace qf
