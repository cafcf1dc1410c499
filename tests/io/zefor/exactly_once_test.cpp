// Documents the register counts, printed exactly once, through the real
// adapter on the strict emulator: cash in, cash out and collect-all under
// the faults of a document the register counted but reported failed, and
// the write-ahead record beside the device log: written before the
// document, closed after it, damaged files replaced, and calls that never
// ended settled from the register's counters.
#include <cstdio>

#include "receipt_fixture.h"

namespace {

const char kOptions[] =
    "options = foMoneyInOut foAllMoneyOut foZReport foAbsItemDiscount foCalcChange\n";
const char kDinnerGuid[] = "{6B1C3D9E-0C47-4A51-9F1B-2E7A5C3D8F10}";
const char kKt103[] = "Error during printing of a check, but the counter fiscal documents has changed";

class Once : public ReceiptTest {
 protected:
  void Start(const std::string& emulator, const std::string& params = "6 = 0\n") {
    ReceiptTest::Start(kOptions + emulator, params,
                       SourceFile("tools/possim/demo/receipts.cfg") + SourceFile("tests/io/zefor/orders/pos_objects.cfg"));
  }
  tAnswer Cash(uint8_t kind, int32_t subType, const std::string& orderFile) {
    return SendDocument(kind, 0, orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(SourceFile(orderFile))),
                        subType);
  }
  int64_t DrawerCash() const {
    const std::string state = Read("emu1.state");
    const size_t at = state.find("\ncash = ");
    return at == std::string::npos ? 0 : std::atoll(state.c_str() + at + 8);
  }
  // Faults apply from here on: the emulator counts the calls from the
  // configuration's change.
  void Faults(const std::string& lines) { WriteEmulator("documents = emu1.docs\ntaxes = 1:2000 2:1000 3:0\n" + std::string(kOptions) + lines); }
  std::string RecordText() const { return Read("zefor1.wal"); }
};

// The record file as the rules make it: a header, the entries, and an end
// line with their number and the FNV-1a hash of the text before it.
std::string RecordFile(const std::vector<std::string>& entries) {
  std::string text = "ZeforDocumentRecord 1\n";
  for (const std::string& e : entries) text += e + "\n";
  uint32_t h = 2166136261u;
  for (unsigned char c : text) h = (h ^ c) * 16777619u;
  char end[32];
  std::snprintf(end, sizeof end, "end %u %08X\n", unsigned(entries.size()), unsigned(h));
  return text + end;
}

// ---- cash documents under faults ------------------------------------------------------------

struct tCashFault {
  const char* Name;
  const char* Lines;
  bool Counted;  // the faulty document is counted by the register all the same
  bool Silent;   // and the register does not answer the status read after it
};

const tCashFault kCashFaults[] = {
    {"connection error", "fault = ZefFiscalDocument 103 1\n", false, false},
    {"logic error", "fault = ZefFiscalDocument 202 1\n", false, false},
    {"printed but reported failed (203)", "counted_fault = ZefFiscalDocument 203 1\n", true, false},
    {"time-out after printing (101)", "counted_fault = ZefFiscalDocument 101 1\n", true, false},
    {"printed but refused (303)", "counted_fault = ZefFiscalDocument 303 1\n", true, false},
    {"203 while the logic error cannot be read",
     "counted_fault = ZefFiscalDocument 203 1\nfault = ZefGetLastLogicError 103\n", true, false},
    {"101 while the logic error cannot be read",
     "counted_fault = ZefFiscalDocument 101 1\nfault = ZefGetLastLogicError 103\n", true, false},
    {"time-out after printing, register silent after it", "counted_fault = ZefFiscalDocument 101 1\n", true, true},
};

struct tCashKind {
  const char* Name;
  uint8_t Kind;
  int32_t SubType;
  const char* Order;
  const char* Step;
  int64_t CashAfter;   // in the drawer once the document is counted (150000 put in first)
  int32_t SilentCall;  // the status read after the document
};

const tCashKind kCashKinds[] = {
    {"cash in", fdCashInOut, 0, "tests/io/zefor/orders/cash_in.order", "MoneyInOut", 300000, 3},
    {"cash out", fdCashInOut, -1, "tests/io/zefor/orders/cash_out.order", "MoneyInOut", 100000, 3},
    {"collect-all", fdCollectCash, 0, "tests/io/zefor/orders/cash_in.order", "AllMoneyOut", 0, 2},
};

// The POS sends the document and, when it hears false, sends it again: at
// the end the register holds it exactly once, the drawer moved once, and
// the POS heard true with the register's counter.
TEST_F(Once, CashFaultMatrixNeverCountsTwiceAndAnswersTruly) {
  for (const tCashKind& kind : kCashKinds)
    for (int tries : {1, 3})
      for (const tCashFault& fault : kCashFaults) {
        SCOPED_TRACE(std::string(kind.Name) + ", " + fault.Name + ", tries " + std::to_string(tries));
        Restart();
        platform::RemoveFile(dir_ + "zefor1.wal");
        Start("", "6 = 0\n7 = " + std::to_string(tries) + "\n");
        ASSERT_TRUE(Cash(fdCashInOut, 0, "tests/io/zefor/orders/cash_in.order").Result);
        ASSERT_EQ(DrawerCash(), 150000);
        std::string lines = fault.Lines;
        if (fault.Silent) lines += "fault = ZefGetStatus 103 " + std::to_string(kind.SilentCall) + "\n";
        Faults(lines);
        tAnswer first = Cash(kind.Kind, kind.SubType, kind.Order);
        const bool heardTrue = fault.Counted && !fault.Silent;
        EXPECT_EQ(first.Result, heardTrue) << first.ErrorText;
        EXPECT_EQ(Accepted().size(), fault.Counted ? 2u : 1u);
        if (first.Result) {
          EXPECT_EQ(first.Doc.DocNum, 2);
        } else {
          EXPECT_FALSE(first.ErrorText.empty());
        }
        std::vector<std::string> expected103;
        if (heardTrue)
          expected103.push_back(std::string("{") + kind.Step + "} [КТ-103 [WARNING]], sReceiptInfo.DocNum__After = 2, "
                                "sReceiptInfo.DocNum__Before = 1, " + kKt103);
        EXPECT_EQ(JournalLines("КТ-103"), expected103);
        tAnswer last = first;
        if (!first.Result) last = Cash(kind.Kind, kind.SubType, kind.Order);
        EXPECT_TRUE(last.Result) << last.ErrorText;
        EXPECT_EQ(last.Doc.DocNum, 2);
        EXPECT_EQ(Accepted().size(), 2u);
        EXPECT_EQ(Count(Read("emu1.tape"), "ФД 2"), 1u);
        EXPECT_EQ(DrawerCash(), kind.CashAfter);
        EXPECT_EQ(RecordText(), RecordFile({}));
      }
}

// ---- the write-ahead record -----------------------------------------------------------------------

// A cash-in the register counted while the register fell silent: the
// record keeps it open with the counters before, its serial number and the
// digest of the POS's data (cash documents carry no GUID).
TEST_F(Once, AnUnsettledDocumentStaysOnTheRecordUntilTheRegisterAnswers) {
  Start("");
  Faults("counted_fault = ZefFiscalDocument 101 1\nfault = ZefGetStatus 103 3\n");
  EXPECT_FALSE(Cash(fdCashInOut, 0, "tests/io/zefor/orders/cash_in.order").Result);
  const std::string record = RecordText();
  ASSERT_EQ(record.find("ZeforDocumentRecord 1\nopen 4 0 0 EMU0000001 #"), 0u) << record;
  const std::string identity = record.substr(record.find('#'), 17);
  EXPECT_EQ(record, RecordFile({"open 4 0 0 EMU0000001 " + identity}));
  tAnswer again = Cash(fdCashInOut, 0, "tests/io/zefor/orders/cash_in.order");
  EXPECT_TRUE(again.Result) << again.ErrorText;
  EXPECT_EQ(again.Doc.DocNum, 1);
  EXPECT_EQ(Accepted().size(), 1u);
  EXPECT_EQ(JournalLines("{DocumentRecord}"),
            (std::vector<std::string>{
                "{DocumentRecord} Kind 4 " + identity +
                    " of an unfinished call was counted by the register: DocNum 0 -> 1, ReceiptNum 0 -> 0",
                "{DocumentRecord} Kind 4 " + identity +
                    " is printed already (DocNum 1, ReceiptNum 0); it is not sent again"}));
  EXPECT_EQ(RecordText(), RecordFile({}));
}

// A receipt left open by a process that died: when the counters did not
// move it is sent; when they did, the POS hears true and it is not sent.
TEST_F(Once, UnfinishedReceiptsAreSettledFromTheCounters) {
  Start("options = foAbsItemDiscount foCalcChange\nprotocol = 40\n");
  platform::WriteWholeFile(dir_ + "zefor1.wal", RecordFile({std::string("open 1 0 0 EMU0000001 ") + kDinnerGuid}));
  tAnswer sent = Print("tools/possim/demo/dinner.order", fdFiscCheck);
  ASSERT_TRUE(sent.Result) << sent.ErrorText;
  EXPECT_EQ(Accepted().size(), 1u);
  EXPECT_EQ(JournalLines("{DocumentRecord}"),
            (std::vector<std::string>{std::string("{DocumentRecord} Kind 1 ") + kDinnerGuid +
                                      " of an unfinished call was not counted by the register (DocNum 0, "
                                      "ReceiptNum 0)"}));
  // Now as if the process had died after the register counted it.
  platform::WriteWholeFile(dir_ + "zefor1.wal", RecordFile({std::string("open 1 0 0 EMU0000001 ") + kDinnerGuid}));
  Restart();
  platform::WriteWholeFile(dir_ + "emu1.state", "serial = EMU0000001\nshift_open = 0\ndoc = 1\nreceipt = 1\n");
  Start("options = foAbsItemDiscount foCalcChange\nprotocol = 40\n");
  tAnswer answered = Print("tools/possim/demo/dinner.order", fdFiscCheck);
  EXPECT_TRUE(answered.Result) << answered.ErrorText;
  EXPECT_EQ(answered.Doc.DocNum, 1);
  EXPECT_EQ(answered.Doc.CheckNum, 1);
  EXPECT_TRUE(Calls("ZefFiscalDocument").empty());
  EXPECT_EQ(RecordText(), RecordFile({}));
  // Another register, another receipt: an open entry of one register says
  // nothing about another's counters.
  platform::WriteWholeFile(dir_ + "zefor1.wal", RecordFile({std::string("open 1 0 0 EMU0000009 ") + kDinnerGuid}));
  Restart();
  platform::WriteWholeFile(dir_ + "emu1.state", "serial = EMU0000001\nshift_open = 0\ndoc = 1\nreceipt = 1\n");
  Start("options = foAbsItemDiscount foCalcChange\nprotocol = 40\n");
  EXPECT_TRUE(Print("tools/possim/demo/dinner.order", fdFiscCheck).Result);
  EXPECT_EQ(Calls("ZefFiscalDocument").size(), 1u);
  EXPECT_EQ(JournalLines("{DocumentRecord}"),
            (std::vector<std::string>{std::string("{DocumentRecord} Kind 1 ") + kDinnerGuid +
                                      " of an unfinished call went to register EMU0000009, this is EMU0000001; it "
                                      "is dropped"}));
}

// Whatever the record file holds, printing goes on: the damage is told
// in the journal and a fresh record replaces it.
TEST_F(Once, ADamagedRecordFileIsToldAndReplaced) {
  const std::string good = RecordFile({std::string("open 1 0 0 EMU0000001 ") + kDinnerGuid});
  struct tDamage {
    std::string Reason;
    std::string Text;
  };
  std::string tampered = good;
  tampered[tampered.find("open 1 0") + 7] = '7';
  const tDamage damages[] = {
      {"no header", "garbage\n"},
      {"no header", ""},
      {"version 2", "ZeforDocumentRecord 2\nend 0 00000000\n"},
      {"no end line", good.substr(0, good.find("end "))},
      {"bad end line", tampered},
      {"bad entry \"open 1 x 0 EMU0000001 " + std::string(kDinnerGuid) + "\"",
       RecordFile({std::string("open 1 x 0 EMU0000001 ") + kDinnerGuid})},
      {"entries out of order", RecordFile({"open 1 0 0 A x", "open 1 0 0 A y"})},
      {"larger than 16384 bytes", std::string(20000, 'x')},
  };
  for (const tDamage& damage : damages) {
    SCOPED_TRACE(damage.Reason);
    Restart();
    platform::WriteWholeFile(dir_ + "zefor1.wal", damage.Text);
    Start("options = foAbsItemDiscount foCalcChange\nprotocol = 40\n");
    tAnswer a = Print("tools/possim/demo/dinner.order", fdFiscCheck);
    EXPECT_TRUE(a.Result) << a.ErrorText;
    EXPECT_EQ(Accepted().size(), 1u);
    EXPECT_EQ(JournalLines("{DocumentRecord}"),
              (std::vector<std::string>{"{DocumentRecord} " + dir_ + "zefor1.wal is damaged (" + damage.Reason +
                                        "); a fresh record is started"}));
    EXPECT_EQ(RecordText(), RecordFile({}));
  }
}

}  // namespace
