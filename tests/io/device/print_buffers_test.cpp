#include "io/printer/device/print_buffers.h"

#include <gtest/gtest.h>

TEST(PrintBuffers, QueueKeepsOrderModesAndTotal) {
  tPrintBuffers buffers;
  buffers.Add("abc", 0);
  buffers.Add("de", 1);
  EXPECT_EQ(buffers.TotalLength(), 5);
  std::string all(5, '?');
  buffers.CopyAll(reinterpret_cast<uint8_t*>(&all[0]));
  EXPECT_EQ(all, "abcde");

  tPrintBuffers::Block block;
  ASSERT_TRUE(buffers.Take(block));
  EXPECT_EQ(block.Bytes, "abc");
  EXPECT_EQ(block.Mode, 0);
  EXPECT_EQ(buffers.TotalLength(), 2);
  ASSERT_TRUE(buffers.Take(block));
  EXPECT_EQ(block.Bytes, "de");
  EXPECT_EQ(block.Mode, 1);
  EXPECT_FALSE(buffers.Take(block));
  EXPECT_EQ(buffers.TotalLength(), 0);
}

TEST(PrintBuffers, TakeWithLimitLeavesTheRestAtTheHead) {
  tPrintBuffers buffers;
  buffers.Add("abcdef", 1);
  buffers.Add("g", 0);
  tPrintBuffers::Block block;
  ASSERT_TRUE(buffers.Take(block, 4));
  EXPECT_EQ(block.Bytes, "abcd");
  EXPECT_EQ(block.Mode, 1);
  EXPECT_EQ(buffers.TotalLength(), 3);
  ASSERT_TRUE(buffers.Take(block, 4));
  EXPECT_EQ(block.Bytes, "ef");
  EXPECT_EQ(block.Mode, 1);
  ASSERT_TRUE(buffers.Take(block, 4));
  EXPECT_EQ(block.Bytes, "g");
  EXPECT_EQ(buffers.TotalLength(), 0);
}
