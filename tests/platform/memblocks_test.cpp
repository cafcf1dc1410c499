// Movable memory blocks, the form in which byte blocks cross between the
// libraries: sizes, zero fill, nested locks, growing and shrinking with the
// content kept, empty blocks, and the count of live blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "platform/platform.h"

using namespace platform;

namespace {

bool AllZero(const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i)
    if (bytes[i]) return false;
  return true;
}

TEST(PlatformMemoryBlocks, ZeroFilledLockedNestedAndCounted) {
  const int64_t live = MovableBlocksLive();
  MemHandle block = MemAlloc(kMemMovable | kMemZeroInit, 1000);
  ASSERT_NE(block, 0u);
  EXPECT_EQ(MovableBlocksLive(), live + 1);
  EXPECT_GE(MemSize(block), 1000u);
  EXPECT_LT(MemSize(block), 1100u);
  auto* data = static_cast<char*>(MemLock(block));
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(AllZero(data, 1000));
  std::memcpy(data, "movable", 7);
  EXPECT_EQ(MemLock(block), data) << "a locked block does not move";
  EXPECT_TRUE(MemUnlock(block)) << "still locked once";
  EXPECT_FALSE(MemUnlock(block)) << "no longer locked";
  EXPECT_EQ(std::memcmp(MemLock(block), "movable", 7), 0);
  MemUnlock(block);
  MemFree(block);
  EXPECT_EQ(MovableBlocksLive(), live);
}

TEST(PlatformMemoryBlocks, GrowingAndShrinkingKeepTheContent) {
  MemHandle block = MemAlloc(kMemMovable, 16);
  ASSERT_NE(block, 0u);
  std::memcpy(MemLock(block), "0123456789abcdef", 16);
  MemUnlock(block);
  MemHandle grown = MemReAlloc(block, 1 << 20, kMemMovable | kMemZeroInit);
  ASSERT_NE(grown, 0u);
  EXPECT_GE(MemSize(grown), size_t(1) << 20);
  auto* data = static_cast<const char*>(MemLock(grown));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string(data, 16), "0123456789abcdef");
  EXPECT_TRUE(AllZero(data + 16, (1 << 20) - 16)) << "the new part is zero filled";
  MemUnlock(grown);
  MemHandle shrunk = MemReAlloc(grown, 4, kMemMovable);
  ASSERT_NE(shrunk, 0u);
  EXPECT_GE(MemSize(shrunk), 4u);
  EXPECT_LT(MemSize(shrunk), 64u);
  EXPECT_EQ(std::string(static_cast<const char*>(MemLock(shrunk)), 4), "0123");
  MemUnlock(shrunk);
  MemFree(shrunk);
}

TEST(PlatformMemoryBlocks, AnEmptyBlockHasSizeZeroAndCanGrow) {
  const int64_t live = MovableBlocksLive();
  MemHandle block = MemAlloc(kMemMovable, 0);
  ASSERT_NE(block, 0u) << "an empty result still travels as a block";
  EXPECT_EQ(MemSize(block), 0u);
  EXPECT_EQ(MovableBlocksLive(), live + 1);
  MemHandle grown = MemReAlloc(block, 10, kMemMovable | kMemZeroInit);
  ASSERT_NE(grown, 0u);
  EXPECT_GE(MemSize(grown), 10u);
  auto* data = static_cast<char*>(MemLock(grown));
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(AllZero(data, 10));
  MemUnlock(grown);
  MemFree(grown);
  EXPECT_EQ(MovableBlocksLive(), live);
}

TEST(PlatformMemoryBlocks, ABlockMadeOnOneThreadIsFreedOnAnother) {
  const int64_t live = MovableBlocksLive();
  MemHandle block = 0;
  std::thread([&] {
    block = MemAlloc(kMemMovable, 64);
    std::memset(MemLock(block), 'z', 64);
    MemUnlock(block);
  }).join();
  ASSERT_NE(block, 0u);
  EXPECT_EQ(static_cast<const char*>(MemLock(block))[63], 'z');
  MemUnlock(block);
  MemFree(block);
  EXPECT_EQ(MovableBlocksLive(), live);
  uint64_t available = 0, total = 0;
  VirtualMemoryInfo(available, total);
  EXPECT_GT(total, 0u);
  EXPECT_LE(available, total);
}

}  // namespace
