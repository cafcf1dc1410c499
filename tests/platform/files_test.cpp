// Files through the platform layer: whole files written and read byte for
// byte, appends, renames that replace, a file past 4 GiB, folders, and the
// replacement that a reader never sees half done.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/platform.h"
#include "support/test_files.h"

using namespace platform;

namespace {

class PlatformFiles : public ::testing::Test {
 protected:
  test_files::tTempDir dir_{"platform_files_"};
  std::string Path(const std::string& name) const { return dir_.Path() + name; }
  static std::string Read(const std::string& path) {
    std::string data;
    EXPECT_TRUE(ReadWholeFile(path, data)) << path;
    return data;
  }
};

// Every byte value, line ends of both kinds and a zero byte: nothing may be
// translated on the way.
std::string BinaryText() {
  std::string data = "line one\r\nline two\n\r";
  for (int b = 0; b < 256; ++b) data += char(b);
  return data + std::string("\0\x1A end", 6);
}

TEST_F(PlatformFiles, WholeFilesAreWrittenAndReadByteForByte) {
  const std::string path = Path("whole.bin");
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(FileSize(path), -1);
  const std::string data = BinaryText();
  ASSERT_TRUE(WriteWholeFile(path, data));
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(FileSize(path), int64_t(data.size()));
  EXPECT_EQ(Read(path), data);
  ASSERT_TRUE(WriteWholeFile(path, "short"));
  EXPECT_EQ(Read(path), "short") << "a rewrite truncates";
  ASSERT_TRUE(WriteWholeFile(path, ""));
  EXPECT_EQ(FileSize(path), 0);
  std::string out = "stale";
  EXPECT_FALSE(ReadWholeFile(Path("missing.bin"), out));
  EXPECT_FALSE(WriteWholeFile(Path("no-folder/file.bin"), "x"));
}

TEST_F(PlatformFiles, AppendCreatesAndExtends) {
  const std::string path = Path("log.txt");
  ASSERT_TRUE(AppendToFile(path, "first\r\n"));
  ASSERT_TRUE(AppendToFile(path, std::string("\0second\n", 8)));
  EXPECT_EQ(Read(path), std::string("first\r\n\0second\n", 15));
  EXPECT_FALSE(AppendToFile(Path("no-folder/log.txt"), "x"));
}

TEST_F(PlatformFiles, RenameReplacesTheTargetAndMovesTheContent) {
  const std::string from = Path("from.txt"), to = Path("to.txt");
  ASSERT_TRUE(WriteWholeFile(from, "new content"));
  ASSERT_TRUE(WriteWholeFile(to, "old content that is longer"));
  ASSERT_TRUE(RenameFile(from, to));
  EXPECT_FALSE(FileExists(from));
  EXPECT_EQ(Read(to), "new content");
  EXPECT_FALSE(RenameFile(Path("missing.txt"), to));
  EXPECT_EQ(Read(to), "new content") << "a failed rename leaves the target";
  ASSERT_TRUE(RenameFile(to, Path("third.txt")));
  EXPECT_EQ(Read(Path("third.txt")), "new content");
  EXPECT_TRUE(RemoveFile(Path("third.txt")));
  EXPECT_FALSE(RemoveFile(Path("third.txt")));
  EXPECT_FALSE(FileExists(Path("third.txt")));
}

TEST_F(PlatformFiles, ReplacedFileIsReadOldOrNewNeverInPart) {
  const std::string path = Path("status.xml");
  const std::string oldText(20000, 'o'), newText(30000, 'n');
  ASSERT_TRUE(WriteWholeFile(path, oldText));
  std::atomic<bool> done{false};
  std::atomic<int> reads{0}, torn{0};
  std::thread reader([&] {
    while (!done) {
      std::string seen;
      if (ReadWholeFile(path, seen)) {
        ++reads;
        if (seen != oldText && seen != newText) ++torn;
      }
      Sleep(1);
    }
  });
  // At least 40 replacements, and on until the reader has read 20 times.
  int round = 0;
  for (; (round < 40 || reads < 20) && round < 100000; ++round) {
    ASSERT_TRUE(ReplaceWholeFile(path, round % 2 ? oldText : newText)) << "round " << round;
  }
  done = true;
  reader.join();
  EXPECT_EQ(torn.load(), 0) << "of " << reads.load() << " reads";
  EXPECT_GE(reads.load(), 20);
  EXPECT_EQ(Read(path), round % 2 ? newText : oldText);
  int leftovers = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
    leftovers += entry.path().filename() != "status.xml";
  EXPECT_EQ(leftovers, 0) << "no temporary file stays behind";
}

// A device log may grow past 2 and 4 GiB: sizes and appends beyond them.
TEST_F(PlatformFiles, SizesAndAppendsPastFourGigabytes) {
  const std::string path = Path("large.log");
  const int64_t end = (int64_t(5) << 30) + 7;  // 5 GiB and a little, sparse
  {
    std::ofstream f(path, std::ios::binary);
    f.seekp(std::streamoff(end - 1));
    f.put('x');
    ASSERT_TRUE(f.good());
  }
  ASSERT_EQ(FileSize(path), end);
  ASSERT_TRUE(AppendToFile(path, "tail"));
  EXPECT_EQ(FileSize(path), end + 4);
  {
    std::ifstream f(path, std::ios::binary);
    f.seekg(std::streamoff(end - 1));
    char last[6] = {};
    f.read(last, 5);
    EXPECT_EQ(std::string(last, size_t(f.gcount())), "xtail");
  }
  ASSERT_TRUE(RenameFile(path, Path("large.1.log")));
  EXPECT_EQ(FileSize(Path("large.1.log")), end + 4);
  EXPECT_TRUE(RemoveFile(Path("large.1.log")));
}

TEST_F(PlatformFiles, FoldersAreNotFilesAndAreMadeOnce) {
  const std::string folder = Path("sub");
  EXPECT_TRUE(MakeDirectory(folder));
  EXPECT_TRUE(MakeDirectory(folder)) << "true when it exists afterwards";
  EXPECT_FALSE(FileExists(folder));
  EXPECT_FALSE(MakeDirectory(Path("missing/sub")));
  ASSERT_TRUE(WriteWholeFile(Path("plain"), "x"));
  EXPECT_FALSE(MakeDirectory(Path("plain"))) << "a file is in the way";
  ASSERT_TRUE(WriteWholeFile(folder + PathSeparator() + "inner.txt", "inner"));
  EXPECT_EQ(Read(folder + "/inner.txt"), "inner") << "either separator works";
}

TEST_F(PlatformFiles, PathPartsAndTheTemporaryFolder) {
  const std::string temp = TempDirectory();
  ASSERT_FALSE(temp.empty());
  EXPECT_TRUE(temp.back() == '/' || temp.back() == '\\');
  EXPECT_TRUE(MakeDirectory(temp));
  EXPECT_EQ(DirectoryOf("a/b\\c.txt"), "a/b\\");
  EXPECT_EQ(FileNameOf("a/b\\c.txt"), "c.txt");
  EXPECT_EQ(DirectoryOf("c.txt"), "");
  const std::string own = OwnModulePath();
  EXPECT_TRUE(FileExists(own)) << own;
  EXPECT_NE(own.find(PathSeparator()), std::string::npos) << own;
}

TEST(PlatformEnvironment, SetValuesReachTheRuntimeToo) {
  SetEnv("ZEF_PLATFORM_TEST_VALUE", "one two");
  EXPECT_EQ(GetEnv("ZEF_PLATFORM_TEST_VALUE"), "one two");
  const char* runtime = std::getenv("ZEF_PLATFORM_TEST_VALUE");
  EXPECT_STREQ(runtime ? runtime : "(none)", "one two");
  EXPECT_EQ(GetEnv("ZEF_PLATFORM_TEST_UNSET"), "");
  EXPECT_FALSE(OSErrorMessage(2).empty());
}

}  // namespace
