#include <gtest/gtest.h>

#include <cstring>

#include "standart/memstream.h"

TEST(MemStream, GrowsInBlocksAndHandsOverItsHandle) {
  auto* s = new TMemStream();
  std::string chunk(1000, 'x');
  for (int i = 0; i < 40; ++i) s->WriteString(chunk);
  EXPECT_EQ(s->Size(), 40000);
  EXPECT_EQ(platform::MemSize(s->Handle()) % 16384, 0u);
  platform::MemHandle h = TMemStream::Release(s);
  ASSERT_NE(h, 0u);
  TMemStream again(TMemStream::OverHandle{h});
  EXPECT_GE(again.Size(), 40000);
  EXPECT_EQ(std::memcmp(again.Memory(), chunk.data(), chunk.size()), 0);
}

TEST(MemStream, ReadsBackWhatWasWritten) {
  TMemStream s;
  s.WriteString("hello world");
  s.SetPosition(6);
  char buf[16] = {};
  EXPECT_EQ(s.Read(buf, 16), 5);
  EXPECT_STREQ(buf, "world");
  s.SetSize(0);
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Read(buf, 1), 0);
}

TEST(FixedMemStream, WorksInsideItsBufferAndRefusesToGrow) {
  char buffer[8] = {};
  tFixedMemStream s(buffer, 8);
  EXPECT_EQ(s.Write("abcd", 4), 4);
  s.SetPosition(0);
  char out[4];
  EXPECT_EQ(s.Read(out, 4), 4);
  EXPECT_EQ(std::memcmp(out, "abcd", 4), 0);
  s.SetPosition(6);
  try {
    s.Write("xyz", 3);
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_STREQ(e.what(), "Fixed stream does not allow sizing");
  }
  EXPECT_THROW(s.SetSize(9), EStreamError);
}
