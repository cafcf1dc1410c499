// Movable memory blocks: a self-describing header allocated from the C heap,
// so that any module of the process can free a block another one made.
#include <stdlib.h>
#include <string.h>

#include <atomic>

#include "platform/platform.h"

// The process-wide counter, when the program offers one (weak: absent in
// the POS and resolved to null).
extern "C" __attribute__((weak)) std::atomic<int64_t>* ZefMovableBlockCounter();

namespace platform {

namespace {
std::atomic<int64_t>& LiveBlocks() {
  static std::atomic<int64_t>* counter = [] {
    static std::atomic<int64_t> own{0};
    return ZefMovableBlockCounter ? ZefMovableBlockCounter() : &own;
  }();
  return *counter;
}

constexpr uint32_t kMagic = 0x4D454D42;  // "MEMB"
struct Block {
  uint32_t magic;
  uint32_t locks;
  size_t size;
  void* data;
};
Block* AsBlock(MemHandle h) {
  auto* b = reinterpret_cast<Block*>(h);
  return b && b->magic == kMagic ? b : nullptr;
}
constexpr uint32_t kNotEnoughMemory = 8;
constexpr uint32_t kInvalidHandle = 6;
}  // namespace

MemHandle MemAlloc(uint32_t flags, size_t size) {
  auto* b = static_cast<Block*>(malloc(sizeof(Block)));
  void* data = malloc(size ? size : 1);
  if (!b || !data) {
    free(b);
    free(data);
    SetLastOSError(kNotEnoughMemory);
    return 0;
  }
  if (flags & kMemZeroInit) memset(data, 0, size);
  *b = Block{kMagic, 0, size, data};
  ++LiveBlocks();
  return reinterpret_cast<MemHandle>(b);
}

MemHandle MemReAlloc(MemHandle h, size_t size, uint32_t flags) {
  Block* b = AsBlock(h);
  if (!b) {
    SetLastOSError(kInvalidHandle);
    return 0;
  }
  void* data = realloc(b->data, size ? size : 1);
  if (!data) {
    SetLastOSError(kNotEnoughMemory);
    return 0;
  }
  if ((flags & kMemZeroInit) && size > b->size) memset(static_cast<char*>(data) + b->size, 0, size - b->size);
  b->data = data;
  b->size = size;
  return h;
}

void* MemLock(MemHandle h) {
  Block* b = AsBlock(h);
  if (!b) return nullptr;
  ++b->locks;
  return b->data;
}

bool MemUnlock(MemHandle h) {
  Block* b = AsBlock(h);
  if (!b || b->locks == 0) return false;
  return --b->locks != 0;
}

size_t MemSize(MemHandle h) {
  Block* b = AsBlock(h);
  return b ? b->size : 0;
}

void MemFree(MemHandle h) {
  Block* b = AsBlock(h);
  if (!b) return;
  b->magic = 0;
  free(b->data);
  free(b);
  --LiveBlocks();
}

int64_t MovableBlocksLive() { return LiveBlocks().load(); }

}  // namespace platform
