// How the C library's allocator hands out and takes back the large blocks that pictures need.
#pragma once

namespace pictoreel {

// Large blocks (a decoder's buffers for a photo of tens of megapixels) are taken from the heap and
// go back to it when freed, instead of being mapped afresh for every picture: the kernel clears
// a fresh mapping page by page, which costs about as much as decoding a large JPEG at a reduced
// scale. Call once, before any thread starts.
void keepLargeBlocksInHeap();

// Gives the memory freed since back to the system: after a make, in a program that goes on running.
void returnFreedMemory();

}  // namespace pictoreel
