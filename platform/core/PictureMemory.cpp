#include "platform/core/PictureMemory.h"

#include <QImageReader>

#include <malloc.h>

namespace qf {

void setUpPictureMemory()
{
    // Qt refuses images over 128 MB by default; a 7200 x 5400 picture is 155 MB.
    QImageReader::setAllocationLimit(1024);
#if defined(__GLIBC__)
    // A fixed threshold: glibc would otherwise raise it to 32 MB as large
    // blocks are freed, and keep every picture below that in its pools.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

void releaseFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace qf
