// Keeps memory the player frees for its own reuse instead of handing it back
// to the system at once.
//
// The render thread allocates from a malloc arena of its own. Mesa's
// software rasteriser takes a block for every change of texture in a frame
// and frees them all when the frame is drawn; by default the C library then
// gives the top of the arena back to the system, and the next frame takes
// every page of it again with a page fault each, so that a scene whose
// sprites switch texture at every quad spent half its CPU time in faults.
#ifndef TN_FREED_MEMORY_H
#define TN_FREED_MEMORY_H

#include <cstddef>

// Bytes of free memory at the top of an arena that stay with the process.
constexpr std::size_t TNKeptFreeMemory = 32u << 20;

// Sets the C library's trim threshold to TNKeptFreeMemory; call once at
// start, before other threads allocate. False (with one line on standard
// error) when the C library refused.
bool TNKeepFreedMemory();

#endif
