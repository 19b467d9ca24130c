#pragma once

namespace qf {

// Sets the process up for pictures as the application handles them: Qt's
// image readers accept pictures up to 1 GB, and memory blocks of a megabyte
// or more (pictures, decoder buffers, bands of a render) go back to the
// system as soon as they are freed. Without the second, the allocator keeps
// freed pictures for reuse in a pool for each thread that made them, and a
// render on several cores holds hundreds of megabytes it no longer uses.
// All threads then share one pool. Called first thing, before any thread
// but the first allocates.
void setUpPictureMemory();

// Gives the memory freed since to the system, where the allocator would
// keep it for reuse: after many pictures smaller than the threshold above
// were replaced by smaller ones still.
void releaseFreedMemory();

// While one lives, blocks of up to 32 MB (decoded pictures, a render's
// bands and layers) stay in the allocator's pools when freed, for the next
// ones of the kind to reuse: fresh memory from the system costs a page
// fault for each 4 KB touched and its unmapping, a quarter of a large
// export's work. When the last one ends, the process is set up as before
// and what the pools keep goes back to the system. Any thread; they nest.
class PictureWork {
public:
    PictureWork();
    ~PictureWork();
    PictureWork(const PictureWork&) = delete;
    PictureWork& operator=(const PictureWork&) = delete;
};

} // namespace qf
