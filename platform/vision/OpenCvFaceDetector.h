#pragma once

#include "platform/vision/FaceDetector.h"

#include <QString>

#include <memory>

namespace qf {

// Frontal faces found by OpenCV's Haar cascade classifier, tuned for speed
// over accuracy: a face pass over a collage's pictures must stay short.
// Without a usable cascade file it logs once and finds no faces.
class OpenCvFaceDetector final : public FaceDetector {
public:
    // Loads the cascade at `cascadePath`, or the installed frontal-face
    // cascade when the path is empty.
    explicit OpenCvFaceDetector(const QString& cascadePath = {});
    ~OpenCvFaceDetector() override;
    OpenCvFaceDetector(const OpenCvFaceDetector&) = delete;
    OpenCvFaceDetector& operator=(const OpenCvFaceDetector&) = delete;

    // Safe to call from several threads; each concurrent call uses a
    // classifier of its own.
    QList<QRectF> detectFaces(const QImage& image) override;
    bool isUsable() const;

    // The installed frontal-face cascade (Debian's opencv-data), or empty.
    static QString findCascadeFile();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace qf
