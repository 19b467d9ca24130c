#include "platform/core/PictureMemory.h"

#include <QImageReader>

#include <mutex>

#include <malloc.h>

namespace qf {

namespace {

constexpr int kFixedThreshold = 1 << 20;
constexpr int kDefaultTrimThreshold = 128 << 10; // glibc's
// glibc's largest: blocks above it are mapped whatever the setting.
constexpr int kPictureWorkThreshold = 32 << 20;

std::mutex workMutex;
int workCount = 0; // guarded by workMutex

void setThresholds([[maybe_unused]] int mmapThreshold, [[maybe_unused]] int trimThreshold)
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, mmapThreshold);
    if (trimThreshold > 0)
        mallopt(M_TRIM_THRESHOLD, trimThreshold);
#endif
}

} // namespace

void setUpPictureMemory()
{
    // Qt refuses images over 128 MB by default; a 7200 x 5400 picture is 155 MB.
    QImageReader::setAllocationLimit(1024);
    // A fixed threshold: glibc would otherwise raise it to 32 MB as large
    // blocks are freed, and keep every picture below that in its pools.
    setThresholds(kFixedThreshold, 0);
#if defined(__GLIBC__)
    // One pool for every thread: a decoder's block freed on one thread serves
    // the next picture decoded on any other. Each thread's own pool would
    // live in regions of 64 MB, too small for a large photograph's
    // coefficients, and each region goes back to the system as soon as it
    // empties, to be faulted in afresh by the next picture.
    mallopt(M_ARENA_MAX, 1);
#endif
}

void releaseFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

PictureWork::PictureWork()
{
    std::lock_guard lock(workMutex);
    if (workCount++ == 0)
        setThresholds(kPictureWorkThreshold, 2 * kPictureWorkThreshold);
}

PictureWork::~PictureWork()
{
    std::lock_guard lock(workMutex);
    if (--workCount > 0)
        return;
    setThresholds(kFixedThreshold, kDefaultTrimThreshold);
    releaseFreedMemory();
}

} // namespace qf
