// Every export through the real adapter library: invalid handles, null
// pointers, short records and sizes, and the log lines they leave.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "adapter.h"

namespace {

class Exports : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(adapter_.Load(platform::DirectoryOf(platform::OwnModulePath()) + platform::LibraryFileName("zefor"),
                              error))
        << error;
  }
  static void TearDownTestSuite() {
    adapter_.DONEDLL();
    adapter_.Unload();
  }
  static std::string NolvexLog() {
    std::string text;
    platform::ReadWholeFile(platform::GetEnv("NOLVEX32_LOG"), text);
    return text;
  }
  static Adapter adapter_;
};
Adapter Exports::adapter_;

constexpr int32_t kBadHandles[] = {0, -1, 1, 7, 8, 1000, 0x7FFFFFFF};

TEST_F(Exports, InvalidHandlesAnswerFailureAndAreLogged) {
  for (int32_t h : kBadHandles) {
    uint8_t data[4] = {1, 2, 3, 4};
    EXPECT_EQ(adapter_.PrintingWithRes(h, data, 4), 0);
    EXPECT_EQ(adapter_.PrintingWithRes(h, data, 0), 1) << "an empty print succeeds";
    EXPECT_EQ(adapter_.PrintingWithRes(h, nullptr, -5), 0);
    adapter_.Printing(h, data, 4);
    adapter_.CancelPrint(h);
    adapter_.OpenDrawer(h);
    adapter_.OpenDrawerNum(h, 3);
    EXPECT_EQ(adapter_.IsDrawerNumOpen(h, 1), 0);
    EXPECT_EQ(adapter_.ExtPrintData(h, "<x/>"), 0);
    EXPECT_EQ(adapter_.ExtPrintData(h, nullptr), 0);
    EXPECT_EQ(adapter_.NewGetFlags(h), 0u);
    adapter_.PrintersStarted(h);
    adapter_.ProgramPrinter(h, nullptr);
    adapter_.Done(h);
  }
  std::string log = NolvexLog();
  EXPECT_NE(log.find("3654: Illegal printer handle 7"), std::string::npos);
  EXPECT_NE(log.find("3654: Illegal printer handle 2147483647"), std::string::npos);
}

TEST_F(Exports, GetStatusWritesOnlyWhatTheCallerAllows) {
  std::vector<uint8_t> record(kPrinterStatusSize + 16, 0xAB);
  auto* status = reinterpret_cast<TPrinterStatus*>(record.data());
  status->Size = 0;
  adapter_.GetStatus(5, status);
  for (size_t i = 4; i < record.size(); ++i) ASSERT_EQ(record[i], 0xAB) << i;

  status->Size = kPrinterStatusSize;
  adapter_.GetStatus(5, status);
  EXPECT_EQ(status->Size, kPrinterStatusSize);
  EXPECT_EQ(record[4], 1);  // Offline
  for (size_t i = 5; i < record.size(); ++i) ASSERT_EQ(record[i], 0xAB) << i;

  std::fill(record.begin(), record.end(), 0xAB);
  status->Size = 4;  // too short to hold Offline
  adapter_.GetStatus(5, status);
  for (size_t i = 4; i < record.size(); ++i) ASSERT_EQ(record[i], 0xAB) << i;
  status->Size = -20;
  adapter_.GetStatus(5, status);
  adapter_.GetStatus(5, nullptr);
  for (size_t i = 4; i < record.size(); ++i) ASSERT_EQ(record[i], 0xAB) << i;
}

TEST_F(Exports, FiscDocumentErrorTextOnlyInsideTheRecord) {
  std::vector<uint8_t> doc(700, 0xAB);
  int32_t size = 596;
  std::memcpy(doc.data(), &size, 4);
  EXPECT_EQ(adapter_.FiscDocument(3, doc.data()), 0);
  EXPECT_EQ(doc[297], 14);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(doc.data()) + 298, 14), "Illegal handle");
  EXPECT_EQ(doc[312], 0xAB);
  for (size_t i = 596; i < doc.size(); ++i) ASSERT_EQ(doc[i], 0xAB) << i;
  int32_t back;
  std::memcpy(&back, doc.data(), 4);
  EXPECT_EQ(back, 596);

  for (int32_t shortSize : {0, 3, 4, 100, 297, 300, 310}) {
    std::fill(doc.begin(), doc.end(), 0xAB);
    std::memcpy(doc.data(), &shortSize, 4);
    EXPECT_EQ(adapter_.FiscDocument(3, doc.data()), 0);
    size_t from = std::max<size_t>(size_t(shortSize), 4);
    for (size_t i = from; i < doc.size(); ++i) ASSERT_EQ(doc[i], 0xAB) << "size " << shortSize << " byte " << i;
    std::memcpy(&back, doc.data(), 4);
    EXPECT_EQ(back, shortSize);
  }
  int32_t negative = -1;
  std::fill(doc.begin(), doc.end(), 0xAB);
  std::memcpy(doc.data(), &negative, 4);
  EXPECT_EQ(adapter_.FiscDocument(3, doc.data()), 0);
  for (size_t i = 4; i < doc.size(); ++i) ASSERT_EQ(doc[i], 0xAB) << i;
  EXPECT_EQ(adapter_.FiscDocument(3, nullptr), 0);
}

TEST_F(Exports, IdentifierAndZReportWriteNothingForAnInvalidHandle) {
  char ext[300];
  std::memset(ext, 'q', sizeof ext);
  uint8_t shift = 9;
  EXPECT_EQ(adapter_.FiscGetExtID(2, ext, &shift), 0);
  EXPECT_EQ(ext[0], 'q');
  EXPECT_EQ(shift, 9);
  EXPECT_EQ(adapter_.FiscGetExtID(2, nullptr, nullptr), 0);

  char text[16];
  std::memset(text, 'q', sizeof text);
  char* buffer = text;
  int32_t size = 8;
  EXPECT_EQ(adapter_.GetZReportData(2, &buffer, &size), 0);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(text[0], 'q');
  EXPECT_EQ(adapter_.GetZReportData(2, nullptr, nullptr), 0);
}

TEST_F(Exports, DisplayPrintIgnoresBadHandlesAndAFailedDisplayIs999) {
  uint8_t data[3] = {'a', 'b', 'c'};
  adapter_.Print(1000, data, 3);  // display handles start above 1000
  adapter_.Print(-5, data, 3);
  adapter_.Print(1001, nullptr, 3);
  adapter_.Print(1007, data, -1);
  // No port host is configured for the base device class: creation fails.
  EXPECT_EQ(adapter_.InitCustDispPort(77, 0), 999);
  EXPECT_EQ(adapter_.InitDevice(77, 0), -1);
}

}  // namespace
