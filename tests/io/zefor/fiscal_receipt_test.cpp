// Fiscal receipts end to end: an order description becomes the POS's
// datasets stream, FiscDocument prints it on the strict emulator, and the
// document the emulator received, its tape and the counters the POS got
// back are checked. Expected documents are written by hand.
#include <cstring>

#include "io/printer/fiscreg/fisc_doc_info.h"
#include "orderparser.h"
#include "orderstream.h"
#include "zefor_fixture.h"

namespace {

const std::string kSource = ZEF_SOURCE_DIR;

std::string SourceFile(const std::string& path) {
  std::string text;
  platform::ReadWholeFile(kSource + "/" + path, text);
  return text;
}

std::string TrimEnd(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

class Receipts : public ZeforTest {
 protected:
  // A register on the emulator with the POS objects of the demo orders.
  void Start(const std::string& emulator, const std::string& params = "") {
    platform::RemoveFile(dir_ + "emu1.docs");
    WriteEmulator("documents = emu1.docs\ntaxes = 1:2000 2:1000 3:0\n" + emulator);
    WriteParams(Device(0, params) + SourceFile("tools/possim/demo/receipts.cfg"));
    Load();
    handle_ = adapter_.InitDevice(0, 0);
    ASSERT_EQ(handle_, 1);
  }

  struct tAnswer {
    bool Result;
    TFiscDocInfo Doc;
    std::string ErrorText;
  };

  tAnswer Print(const std::string& orderFile, uint8_t kind, int32_t flags = 0x2E) {
    std::string stream =
        orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(SourceFile(orderFile)));
    TFiscDocInfo doc{};
    doc.Size = kFiscDocInfoSize;
    doc.Kind = kind;
    doc.Flags = flags;
    doc.Data = uint32_t(uintptr_t(stream.data()));
    doc.DataSize = int32_t(stream.size());
    uint8_t record[kFiscDocInfoSize];
    std::memcpy(record, &doc, sizeof doc);
    tAnswer answer;
    answer.Result = adapter_.FiscDocument(handle_, record) != 0;
    std::memcpy(&answer.Doc, record, sizeof doc);
    answer.ErrorText.assign(reinterpret_cast<const char*>(answer.Doc.ErrorText + 1), answer.Doc.ErrorText[0]);
    return answer;
  }

  // The documents the emulator accepted, as received.
  std::vector<std::string> Accepted() const {
    std::vector<std::string> docs;
    const std::string all = Read("emu1.docs");
    const std::string marker = "<!-- accepted as document ";
    for (size_t at = all.find(marker); at != std::string::npos; at = all.find(marker, at + 1)) {
      size_t start = all.find('\n', at) + 1;
      size_t end = all.find("<!-- ", start);
      docs.push_back(TrimEnd(all.substr(start, end == std::string::npos ? std::string::npos : end - start)));
    }
    return docs;
  }

  int32_t handle_ = 0;
};

TEST_F(Receipts, DinnerSaleIsTheHandWrittenDocument) {
  Start("options = foAbsItemDiscount foCalcChange\nprotocol = 40\n");
  tAnswer a = Print("tools/possim/demo/dinner.order", fdFiscCheck);
  ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
  std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(docs[0], TrimEnd(SourceFile("tests/io/zefor/expected/dinner_sale.xml")));
  EXPECT_EQ(a.Doc.CheckNum, 1);
  EXPECT_EQ(a.Doc.DocNum, 1);
  const std::string tape = Read("emu1.tape");
  EXPECT_TRUE(Contains(tape, "ИТОГ                              =1790.00")) << tape;
  EXPECT_TRUE(Contains(tape, "СДАЧА                              =210.00")) << tape;
}

TEST_F(Receipts, DiscountsFoldIntoPricesOnARegisterWithoutThem) {
  Start("protocol = 40\n");
  tAnswer a = Print("tools/possim/demo/dinner.order", fdFiscCheck);
  ASSERT_TRUE(a.Result) << a.ErrorText;
  std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_FALSE(Contains(docs[0], "<Discounts>"));
  EXPECT_TRUE(Contains(docs[0], "Quantity=\"1000\" PricePerOne=\"108000\" ForAdvance=\"0\" Value=\"108000\""));
  EXPECT_TRUE(Contains(Read("emu1.tape"), "ИТОГ                              =1790.00"));
}

TEST_F(Receipts, StrictRegisterRefusalReachesThePos) {
  // An unprogrammed tax index: the register refuses, the POS hears false and why.
  Start("taxes = 5:2000\nprotocol = 40\n");
  tAnswer a = Print("tools/possim/demo/dinner.order", fdFiscCheck);
  EXPECT_FALSE(a.Result);
  EXPECT_EQ(a.Doc.LogicError, 303);
  EXPECT_TRUE(Contains(a.ErrorText, "tax index 1 is not programmed")) << a.ErrorText;
  EXPECT_TRUE(Accepted().empty());
  EXPECT_FALSE(Contains(Read("emu1.tape"), "КАССОВЫЙ ЧЕК"));
}

// Faults around the document, with one and three tries: the tape never holds
// the receipt twice, and the POS hears true exactly when it was printed.
struct tFault {
  const char* Name;
  const char* Lines;
  bool Printed;  // whether the register counts the document in the end
};

const tFault kFaults[] = {
    {"connection error", "fault = ZefFiscalDocument 103 1\n", false},
    {"logic error", "fault = ZefFiscalDocument 202 1\n", false},
    {"printed but reported failed", "counted_fault = ZefFiscalDocument 203 1\n", true},
    {"time-out after printing", "delay = ZefFiscalDocument 300 1\ncounted_fault = ZefFiscalDocument 101 1\n", true},
    {"status fails after the document", "fault = ZefGetStatus 103 3\n", true},
};

TEST_F(Receipts, FaultMatrixNeverPrintsTwiceAndAnswersTruly) {
  for (int tries : {1, 3})
    for (const tFault& fault : kFaults) {
      SCOPED_TRACE(std::string(fault.Name) + ", tries " + std::to_string(tries));
      if (loaded_) {
        adapter_.DONEDLL();
        adapter_.Unload();
        loaded_ = false;
      }
      for (const char* f : {"emu1.docs", "emu1.tape", "emu1.state", "calls.log"}) platform::RemoveFile(dir_ + f);
      Start(std::string("protocol = 40\n") + fault.Lines, "7 = " + std::to_string(tries) + "\n");
      tAnswer a = Print("tools/possim/demo/dinner.order", fdFiscCheck);
      const size_t printed = Count(Read("emu1.tape"), "КАССОВЫЙ ЧЕК");
      EXPECT_LE(printed, 1u);
      EXPECT_EQ(a.Result, printed == 1) << a.ErrorText;
      const bool expectPrinted = fault.Printed || tries > 1;
      EXPECT_EQ(printed, expectPrinted ? 1u : 0u);
      if (a.Result) EXPECT_EQ(a.Doc.CheckNum, 1);
      else EXPECT_FALSE(a.ErrorText.empty());
    }
}

}  // namespace
