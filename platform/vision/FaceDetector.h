#pragma once

#include <QImage>
#include <QList>
#include <QRectF>

namespace qf {

// Finds faces in pictures. The program uses the OpenCV detector; tests
// install a fake.
class FaceDetector {
public:
    virtual ~FaceDetector() = default;
    // Face rectangles in image pixels, y down as in QImage; none for a null
    // image.
    virtual QList<QRectF> detectFaces(const QImage& image) = 0;

    // The installed detector (the shared OpenCV detector, made on first use,
    // unless a test installed one).
    static FaceDetector& current();
    // Installs a detector; nullptr restores the shared one. Not owned.
    static void install(FaceDetector* detector);
};

// Installs a detector for the lifetime of the guard and restores the previous one.
class ScopedFaceDetector {
public:
    explicit ScopedFaceDetector(FaceDetector& detector);
    ~ScopedFaceDetector();
    ScopedFaceDetector(const ScopedFaceDetector&) = delete;
    ScopedFaceDetector& operator=(const ScopedFaceDetector&) = delete;

private:
    FaceDetector* m_previous;
};

} // namespace qf
