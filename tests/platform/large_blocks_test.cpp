// Large blocks go back to the system when freed, however large the ones freed before were.
#include "platform/posix/large_blocks.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>

namespace tov::posix {
namespace {

// Allocates, touches and frees, through a pointer the compiler cannot see through.
void* volatile g_block = nullptr;
void useAndFree(std::size_t bytes) {
  g_block = std::malloc(bytes);
  std::memset(g_block, 1, bytes);
  std::free(g_block);
}

TEST(LargeBlocks, AFreedFrameDoesNotMakeTheNextLargeBlocksStayInTheHeap) {
  releaseLargeBlocksWhenFreed();
  useAndFree(800 * 600 * 3);  // a frame
  const std::size_t heapBefore = mallinfo2().arena;
  useAndFree(512 * 1024);  // a decoded sound, say
  EXPECT_LT(mallinfo2().arena, heapBefore + 512 * 1024) << "the block came from the heap and stayed there";
}

}  // namespace
}  // namespace tov::posix
