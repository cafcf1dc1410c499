// The write-ahead record's file and rules on their own: the text of a
// record read back, entries settled from counters, the bound on counted
// entries, identities of documents with and without a GUID.
#include <gtest/gtest.h>

#include "io/printer/fiscreg/document_record.h"
#include "platform/platform.h"
#include "support/test_files.h"

namespace {

class DocumentRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    record_.Bind(dir_.Path() + "dev1.log", [this](const std::string& line) { lines_.push_back(line); });
  }
  std::vector<tRecordEntry> Stored() const {
    std::vector<tRecordEntry> entries;
    std::string reason;
    EXPECT_TRUE(tDocumentRecord::Parse(test_files::FileText(record_.Path()), entries, reason)) << reason;
    return entries;
  }
  test_files::tTempDir dir_{"zefor_record_"};
  tDocumentRecord record_;
  std::vector<std::string> lines_;
};

TEST_F(DocumentRecord, LivesBesideTheDeviceLog) {
  EXPECT_EQ(record_.Path(), dir_.Path() + "dev1.wal");
  tDocumentRecord none;
  none.Bind("", nullptr);
  EXPECT_FALSE(none.Active());
  EXPECT_FALSE(none.Open("S", 1, "g", 0, 0));
}

TEST_F(DocumentRecord, TextReadsBackWithEscapedFields) {
  tRecordEntry open{true, "SER 1%", 4, "#00000000000000AB", 7, 3};
  tRecordEntry counted{false, "", 1, "{GUID}", 8, 4};
  const std::string text = tDocumentRecord::Text({counted, open});
  EXPECT_EQ(text.substr(0, text.find("end ")),
            "ZeforDocumentRecord 1\ncounted 1 8 4 - {GUID}\nopen 4 7 3 SER%201%25 #00000000000000AB\n");
  std::vector<tRecordEntry> back;
  std::string reason;
  ASSERT_TRUE(tDocumentRecord::Parse(text, back, reason)) << reason;
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].Serial, "SER 1%");
  EXPECT_EQ(back[0].Serial, "");
  EXPECT_TRUE(back[1].Open);
  EXPECT_EQ(back[1].DocNum, 7);
}

TEST_F(DocumentRecord, SettlesByTheCountersAndKeepsABoundedList) {
  for (int i = 0; i < int(tDocumentRecord::kMaxCounted) + 3; ++i) {
    ASSERT_TRUE(record_.Open("S", 1, "g" + std::to_string(i), i, i));
    tDocumentRecord later;  // a new process
    later.Bind(dir_.Path() + "dev1.log", nullptr);
    ASSERT_NE(later.Unsettled(), nullptr);
    later.Settle("S", i + 1, i + 1);
    record_.Bind(dir_.Path() + "dev1.log", nullptr);
  }
  const std::vector<tRecordEntry> entries = Stored();
  ASSERT_EQ(entries.size(), tDocumentRecord::kMaxCounted);
  EXPECT_EQ(entries.front().Identity, "g3");
  tRecordEntry taken;
  EXPECT_FALSE(record_.TakeCounted("S", 1, "g0", taken));
  EXPECT_FALSE(record_.TakeCounted("T", 1, "g5", taken));
  EXPECT_FALSE(record_.TakeCounted("S", 2, "g5", taken));
  ASSERT_TRUE(record_.TakeCounted("S", 1, "g5", taken));
  EXPECT_EQ(taken.DocNum, 6);
  EXPECT_EQ(Stored().size(), tDocumentRecord::kMaxCounted - 1);
  // Not counted: the entry goes, nothing is kept for it.
  ASSERT_TRUE(record_.Open("S", 1, "x", 40, 40));
  record_.Bind(dir_.Path() + "dev1.log", nullptr);
  record_.Settle("S", 40, 40);
  EXPECT_FALSE(record_.HasCounted(1, "x"));
  EXPECT_EQ(Stored().size(), tDocumentRecord::kMaxCounted - 1);
}

TEST_F(DocumentRecord, IdentityIsTheGuidOrADigestOfTheData) {
  EXPECT_EQ(tDocumentRecord::Identity("{A-B}", 0, "data"), "{A-B}");
  const std::string a = tDocumentRecord::Identity("", 0, "data");
  EXPECT_EQ(a.size(), 17u);
  EXPECT_EQ(a[0], '#');
  EXPECT_EQ(a, tDocumentRecord::Identity("", 0, "data"));
  EXPECT_NE(a, tDocumentRecord::Identity("", -1, "data"));  // cash out is not cash in
  EXPECT_NE(a, tDocumentRecord::Identity("", 0, "datb"));
  EXPECT_EQ(tDocumentRecord::Identity("with blank", 0, "data"), a);  // not a usable GUID
  EXPECT_EQ(tDocumentRecord::Identity(std::string(65, 'g'), 0, "data"), a);
}

}  // namespace
