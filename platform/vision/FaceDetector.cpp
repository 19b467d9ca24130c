#include "platform/vision/FaceDetector.h"

#include "platform/vision/OpenCvFaceDetector.h"

namespace qf {

FaceDetector& FaceDetector::defaultInstance()
{
    // Loading the cascade takes a while: once per process.
    static OpenCvFaceDetector detector;
    return detector;
}

} // namespace qf
