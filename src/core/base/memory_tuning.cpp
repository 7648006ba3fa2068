#include "core/base/memory_tuning.h"

#include <cstdlib>  // defines __GLIBC__ with the GNU C library
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace pictoreel {

namespace {

// Blocks up to this size come from the heap, and this much freed memory at its top is kept.
constexpr int kHeapBlockLimit = 128 << 20;

}  // namespace

void keepLargeBlocksInHeap()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, kHeapBlockLimit);
    mallopt(M_TRIM_THRESHOLD, kHeapBlockLimit);
    // One heap for all threads: a large block one thread freed serves the next large picture
    // whichever thread decodes it, where heaps of their own would each keep one.
    mallopt(M_ARENA_MAX, 1);
#endif
}

void returnFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace pictoreel
