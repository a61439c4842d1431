#include "platform/heap.h"

#include <malloc.h>

namespace {

// The C library raises both thresholds by itself when it frees a mapped block larger than
// them, up to these values, so what a frame costs would depend on what loading happened to
// free. Set up front, they hold from the first frame: blocks up to 32 MiB come from the heap,
// and up to 64 MiB may stay free at its top for the next frame.
constexpr int kMmapThreshold = 32 << 20;
constexpr int kTrimThreshold = 64 << 20;

}  // namespace

void keepHeapForFrames() {
    malloc_trim(0);
    mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
}
