#include "platform/posix/large_blocks.h"

#include <malloc.h>

namespace tov::posix {

namespace {
// glibc's own starting limit; setting it keeps it there.
constexpr int kOwnMappingBytes = 128 * 1024;
}  // namespace

void releaseLargeBlocksWhenFreed() { mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes); }

}  // namespace tov::posix
