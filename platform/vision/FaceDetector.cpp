#include "platform/vision/FaceDetector.h"

#include "platform/vision/OpenCvFaceDetector.h"

namespace qf {

namespace {
FaceDetector* g_installed = nullptr;

OpenCvFaceDetector& sharedDetector()
{
    // Loading the cascade takes a while: once per process.
    static OpenCvFaceDetector detector;
    return detector;
}
} // namespace

FaceDetector& FaceDetector::current()
{
    return g_installed ? *g_installed : sharedDetector();
}

void FaceDetector::install(FaceDetector* detector)
{
    g_installed = detector;
}

ScopedFaceDetector::ScopedFaceDetector(FaceDetector& detector)
    : m_previous(&FaceDetector::current())
{
    FaceDetector::install(&detector);
}

ScopedFaceDetector::~ScopedFaceDetector()
{
    FaceDetector::install(m_previous);
}

} // namespace qf
