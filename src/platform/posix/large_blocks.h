#pragma once
// Where the C library keeps large blocks of memory: frames, back buffers and decoded sounds.

namespace tov::posix {

// Every block of 128 KiB or more gets a mapping of its own, given back to the system when it
// is freed. glibc does this at first, but after the first such block is freed it raises the
// limit to that block's size: from then on every later frame (1.4 MB) came from the heap,
// where a freed one stayed with the process for its whole run. Call it at the start of the
// program, before any large block.
void releaseLargeBlocksWhenFreed();

}  // namespace tov::posix
