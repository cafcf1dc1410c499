// The device log on real files: buffering, flushing, the limit for a file
// that cannot be opened, rotation and the hex dump layout.
#include <gtest/gtest.h>

#include <regex>

#include "fiscreg_fixture.h"
#include "io/printer/fiscreg/device_log.h"
#include "platform/platform.h"

namespace {

class DeviceLogTest : public FiscRegTest {
 protected:
  void SetUp() override {
    FiscRegTest::SetUp();
    log_.SetFileName(dir_ + "dev1.log");
  }
  tDeviceLog log_;
};

TEST_F(DeviceLogTest, BufferedLinesWaitUntilTheBufferIsFull) {
  log_.AddLine("first");
  EXPECT_FALSE(platform::FileExists(log_.FileName()));
  std::string line(2040, 'x');
  log_.AddLine(line);  // 7 + 2042 characters: past the threshold
  EXPECT_EQ(Read(log_.FileName()), "first\r\n" + line + "\r\n");
  EXPECT_EQ(log_.PendingSize(), 0u);
}

TEST_F(DeviceLogTest, UnbufferedAndLevelZeroLinesAreWrittenAtOnce) {
  LogLevel = 1;
  log_.AtLevel(2, "too detailed");
  log_.AtLevel(1, "kept");
  EXPECT_FALSE(platform::FileExists(log_.FileName()));
  log_.AtLevel(0, "error");
  EXPECT_EQ(Read(log_.FileName()), "kept\r\nerror\r\n");
  log_.SetBuffered(false);
  log_.AddLine("now");
  EXPECT_EQ(Read(log_.FileName()), "kept\r\nerror\r\nnow\r\n");
}

TEST_F(DeviceLogTest, NoFileNameOrLoggingOffWritesNothing) {
  log_.SetLoggingOn(false);
  log_.AtLevel(0, "dropped");
  EXPECT_EQ(log_.PendingSize(), 0u);
  tDeviceLog unnamed;
  unnamed.AtLevel(0, "dropped");
  EXPECT_EQ(unnamed.PendingSize(), 0u);
}

TEST_F(DeviceLogTest, SwitchingLoggingOffFlushesFirst) {
  log_.AddLine("pending");
  log_.SetLoggingOn(false);
  EXPECT_EQ(Read(log_.FileName()), "pending\r\n");
}

TEST_F(DeviceLogTest, AFileThatCannotBeOpenedKeepsLinesUpToTheLimit) {
  log_.SetFileName(dir_ + "a_directory");
  ASSERT_EQ(std::system(("mkdir '" + log_.FileName() + "'").c_str()), 0);
  log_.SetBuffered(false);
  std::string line(999, 'y');  // 1001 characters a line with CRLF
  for (int i = 0; i < 511; ++i) log_.AddLine(line);
  EXPECT_EQ(log_.PendingSize(), 511u * 1001u) << "kept while within 512,000 characters";
  log_.AddLine(line);
  EXPECT_EQ(log_.PendingSize(), 0u) << "dropped once past 512,000 characters";
}

TEST_F(DeviceLogTest, RotationMovesSevenOldFilesUpAndDropsTheOldest) {
  std::string old(tDeviceLog::kMaxFileSize, 'L');
  platform::WriteWholeFile(log_.FileName(), old);
  for (int i = 1; i <= 7; ++i) platform::WriteWholeFile(dir_ + "dev1.tx" + std::to_string(i), "old " + std::to_string(i));
  log_.CheckSize();
  EXPECT_EQ(Read(log_.FileName()), "");
  EXPECT_EQ(Read(dir_ + "dev1.tx1"), old);
  for (int i = 2; i <= 7; ++i) EXPECT_EQ(Read(dir_ + "dev1.tx" + std::to_string(i)), "old " + std::to_string(i - 1));
  EXPECT_FALSE(platform::FileExists(dir_ + "dev1.tx8"));
}

TEST_F(DeviceLogTest, RotationFillsGapsAndLeavesSmallOrMissingFilesAlone) {
  log_.CheckSize();
  EXPECT_FALSE(platform::FileExists(log_.FileName())) << "a missing log is not created";
  platform::WriteWholeFile(log_.FileName(), std::string(tDeviceLog::kMaxFileSize - 1, 'a'));
  log_.CheckSize();
  EXPECT_FALSE(platform::FileExists(dir_ + "dev1.tx1"));
  platform::WriteWholeFile(log_.FileName(), std::string(tDeviceLog::kMaxFileSize, 'b'));
  platform::WriteWholeFile(dir_ + "dev1.tx2", "second");
  log_.CheckSize();
  EXPECT_EQ(Read(dir_ + "dev1.tx1").size(), tDeviceLog::kMaxFileSize);
  EXPECT_EQ(Read(dir_ + "dev1.tx3"), "second");
  EXPECT_FALSE(platform::FileExists(dir_ + "dev1.tx2"));
}

TEST_F(DeviceLogTest, RotatedNamesReplaceOnlyTheFileExtension) {
  tDeviceLog named;
  named.SetFileName("/var/log.d/dev1.log");
  EXPECT_EQ(named.RotatedName(3), "/var/log.d/dev1.tx3");
  named.SetFileName("/var/log.d/dev1");
  EXPECT_EQ(named.RotatedName(1), "/var/log.d/dev1.tx1");
}

std::vector<uint8_t> Bytes(int count, int first = 0) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < count; ++i) bytes.push_back(uint8_t(first + i));
  return bytes;
}

TEST_F(DeviceLogTest, HexDumpOfThirtyReceivedBytesIsTwoLines) {
  std::vector<uint8_t> data = Bytes(30, 0xF0);
  std::string line1 = ">", line2 = " ";
  const char* hex = "0123456789ABCDEF";
  for (int i = 0; i < 30; ++i) {
    std::string group = std::string(" ") + hex[data[i] >> 4] + hex[data[i] & 15];
    (i < 25 ? line1 : line2) += group;
  }
  EXPECT_EQ(tDeviceLog::DumpText(1, data.data(), 30, tDeviceLog::kDumpNoText), line1 + "\r\n" + line2);
  LogLevel = 1;
  log_.SetBuffered(false);
  log_.Data(1, data.data(), 30, tDeviceLog::kDumpNoText);
  EXPECT_EQ(Read(log_.FileName()), line1 + "\r\n" + line2 + "\r\n");
}

TEST_F(DeviceLogTest, TextLinesShowControlBlanksAndHoldSeventyFiveBytes) {
  std::string text(80, 'a');
  text[0] = 9;
  text[1] = 10;
  text[2] = 13;
  text[79] = 'z';
  std::string dump = tDeviceLog::DumpText(0, reinterpret_cast<const uint8_t*>(text.data()), 80, 0);
  std::vector<std::string> lines;
  for (size_t from = 0;;) {
    size_t eol = dump.find("\r\n", from);
    lines.push_back(dump.substr(from, eol - from));
    if (eol == std::string::npos) break;
    from = eol + 2;
  }
  ASSERT_EQ(lines.size(), 6u);  // four hex lines (25, 25, 25, 5) and two text lines
  EXPECT_EQ(lines[0].substr(0, 10), "< 09 0A 0D");
  EXPECT_EQ(lines[4], " " + std::string("   ") + std::string(72, 'a'));
  EXPECT_EQ(lines[5], " aaaaz");
  // Two bytes get no text line.
  EXPECT_EQ(tDeviceLog::DumpText(0, reinterpret_cast<const uint8_t*>("ab"), 2, 0), "< 61 62");
}

TEST_F(DeviceLogTest, TimeLineComesFirstWhenAsked) {
  uint8_t byte = 0x41;
  std::string dump = tDeviceLog::DumpText(0, &byte, 1, tDeviceLog::kDumpTime | tDeviceLog::kDumpNoText);
  EXPECT_TRUE(std::regex_match(dump, std::regex(R"(     \d\d\.\d\d \d\d:\d\d:\d\d\.\d\d\d\r\n< 41)"))) << dump;
}

TEST_F(DeviceLogTest, DataIsLoggedOnlyFromLevelOne) {
  uint8_t bytes[3] = {1, 2, 3};
  log_.SetBuffered(false);
  log_.Data(0, bytes, 3, tDeviceLog::kDumpNoText);
  EXPECT_FALSE(platform::FileExists(log_.FileName()));
  LogLevel = 1;
  log_.Data(0, bytes, 0, tDeviceLog::kDumpNoText);
  EXPECT_FALSE(platform::FileExists(log_.FileName()));
  log_.Data(0, bytes, 3, tDeviceLog::kDumpNoText);
  EXPECT_EQ(Read(log_.FileName()), "< 01 02 03\r\n");
}

}  // namespace
