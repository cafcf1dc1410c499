// Fiscal receipts end to end: an order description becomes the POS's
// datasets stream, FiscDocument prints it on the strict emulator, and the
// document the emulator received, its tape and the counters the POS got
// back are checked. Expected documents are written by hand.
#include "receipt_fixture.h"

namespace {

using Receipts = ReceiptTest;

TEST_F(Receipts, DinnerSaleIsTheHandWrittenDocument) {
  Start("options = foAbsItemDiscount foCalcChange\nprotocol = 40\n");
  tAnswer a = Print("tools/possim/demo/dinner.order", fdFiscCheck);
  ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
  std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(docs[0], TrimEnd(SourceFile("tests/io/zefor/receipts/dinner_sale.xml")));
  EXPECT_EQ(a.Doc.CheckNum, 1);
  EXPECT_EQ(a.Doc.DocNum, 1);
  const std::string tape = Read("emu1.tape");
  EXPECT_EQ(LinesWith(tape, "ИТОГ", "\n"), (Lines{"ИТОГ                              =1790.00"}));
  EXPECT_EQ(LinesWith(tape, "СДАЧА", "\n"), (Lines{"СДАЧА                              =210.00"}));
}

// The dinner taken back and billed: each document as written by hand, and
// the counters the POS gets (a bill is no receipt: only the document
// counter grows).
TEST_F(Receipts, ReturnDeletionAndBillAreTheHandWrittenDocuments) {
  struct tCase {
    const char* Order;
    uint8_t Kind;
    const char* Expected;
    const char* Title;
    int32_t CheckNum;
  };
  const tCase cases[] = {
      {"tests/io/zefor/receipts/dinner_return.order", fdFiscReturn, "dinner_return.xml", "ВОЗВРАТ ПРИХОДА", 1},
      {"tests/io/zefor/receipts/dinner_return.order", fdDeleteCheck, "dinner_deletion.xml", "ВОЗВРАТ ПРИХОДА", 1},
      {"tools/possim/demo/dinner.order", fdBill, "dinner_bill.xml", "СЧЁТ", 0},
  };
  for (const tCase& c : cases) {
    SCOPED_TRACE(c.Expected);
    Restart();
    Start("options = foAbsItemDiscount foCalcChange foDeleteReceipt foReturnReceipt foBill\nprotocol = 40\n");
    tAnswer a = Print(c.Order, c.Kind);
    ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
    std::vector<std::string> docs = Accepted();
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(docs[0], TrimEnd(SourceFile(std::string("tests/io/zefor/receipts/") + c.Expected)));
    EXPECT_EQ(a.Doc.DocNum, 1);
    EXPECT_EQ(a.Doc.CheckNum, c.CheckNum);
    const std::string tape = Read("emu1.tape");
    EXPECT_TRUE(Contains(tape, c.Title)) << tape;
    EXPECT_EQ(LinesWith(tape, "ИТОГ", "\n"), (Lines{"ИТОГ                              =1790.00"}));
    EXPECT_EQ(JournalLines("Warning"), Lines{});
  }
}

TEST_F(Receipts, DiscountsFoldIntoPricesOnARegisterWithoutThem) {
  Start("protocol = 40\n");
  tAnswer a = Print("tools/possim/demo/dinner.order", fdFiscCheck);
  ASSERT_TRUE(a.Result) << a.ErrorText;
  std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_FALSE(Contains(docs[0], "<Discounts>")) << docs[0];
  EXPECT_TRUE(Contains(docs[0], "Quantity=\"1000\" PricePerOne=\"108000\" ForAdvance=\"0\" Value=\"108000\""))
      << docs[0];
  EXPECT_EQ(LinesWith(Read("emu1.tape"), "ИТОГ", "\n"), (Lines{"ИТОГ                              =1790.00"}));
}

TEST_F(Receipts, StrictRegisterRefusalReachesThePos) {
  // An unprogrammed tax index: the register refuses, the POS hears false and why.
  Start("taxes = 5:2000\nprotocol = 40\n");
  tAnswer a = Print("tools/possim/demo/dinner.order", fdFiscCheck);
  EXPECT_FALSE(a.Result);
  EXPECT_EQ(a.Doc.LogicError, 303);
  EXPECT_TRUE(Contains(a.ErrorText, "tax index 1 is not programmed")) << a.ErrorText;
  EXPECT_TRUE(Accepted().empty());
  EXPECT_EQ(LinesWith(Read("emu1.tape"), "КАССОВЫЙ ЧЕК", "\n"), Lines{});
}

// Faults around the document, with one and three tries, for the sale, the
// deletion, the return, the bill and the order document: the tape never holds the document
// twice, the POS hears true exactly when the register counted it, and the
// record carries the true counters or the error of the failed send.
struct tFault {
  const char* Name;
  const char* Lines;
  bool Counted;          // the faulty send is counted by the register all the same
  int32_t ErrorCode;     // the record's ErrorCode when the POS hears false
  int32_t LogicError;    // and its LogicError
  const char* ErrorPart;  // a part of the record's error text then
};

const tFault kFaults[] = {
    {"connection error", "fault = ZefFiscalDocument 103 1\n", false, 103, 0, "Error (103)."},
    {"logic error", "fault = ZefFiscalDocument 202 1\n", false, 0, 202, "Error (202)."},
    {"printed but reported failed", "counted_fault = ZefFiscalDocument 203 1\n", true, 0, 0, ""},
    {"time-out after printing", "delay = ZefFiscalDocument 300 1\ncounted_fault = ZefFiscalDocument 101 1\n", true, 0,
     0, ""},
    {"status fails after the document", "fault = ZefGetStatus 103 3\n", true, 0, 0, ""},
};

struct tKindCase {
  uint8_t Kind;
  bool Receipt;  // counts in the receipt counter
};

const tKindCase kKinds[] = {{fdFiscCheck, true},  {fdDeleteCheck, true}, {fdFiscReturn, true},
                            {fdBill, false},      {fdFillOrder, false}};

TEST_F(Receipts, FaultMatrixNeverPrintsTwiceAndAnswersTruly) {
  const std::string kt103 = "Error during printing of a check, but the counter fiscal documents has changed";
  for (const tKindCase& kind : kKinds)
    for (int tries : {1, 3})
      for (const tFault& fault : kFaults) {
        SCOPED_TRACE(std::string(fault.Name) + ", kind " + std::to_string(kind.Kind) + ", tries " +
                     std::to_string(tries));
        Restart();
        Start(std::string("protocol = 40\noptions = foDeleteReceipt foBill foCreateCloseOrder foCalcChange\n") +
                  fault.Lines,
              "7 = " + std::to_string(tries) + "\n");
        tAnswer a = Print("tools/possim/demo/dinner.order", kind.Kind);
        const size_t printed = Count(Read("emu1.tape"), "\nФД ");
        const bool counted = fault.Counted || tries > 1;
        EXPECT_EQ(printed, counted ? 1u : 0u);
        EXPECT_EQ(Accepted().size(), printed);
        EXPECT_EQ(a.Result, counted) << a.ErrorText;
        const std::string journal = Journal();
        if (a.Result) {
          EXPECT_EQ(a.Doc.DocNum, 1);
          EXPECT_EQ(a.Doc.CheckNum, kind.Receipt ? 1 : 0);
        } else {
          EXPECT_EQ(a.Doc.ErrorCode, fault.ErrorCode);
          EXPECT_EQ(a.Doc.LogicError, fault.LogicError);
          EXPECT_TRUE(Contains(a.ErrorText, fault.ErrorPart)) << a.ErrorText;
        }
        // A counted failure is told apart by the counters, and said so.
        std::vector<std::string> expected103;
        if (fault.Counted && std::string(fault.Name) != "status fails after the document")
          expected103.push_back(kind.Kind == fdFiscCheck
                                    ? "{PrintFiscCheck} [КТ-103 [WARNING]], sReceiptInfo.ReceiptNum__After = 1, "
                                      "sReceiptInfo.ReceiptNum__Before = 0, " + kt103
                                    : "{PrintFiscCheck} [КТ-103 [WARNING]], sReceiptInfo.DocNum__After = 1, "
                                      "sReceiptInfo.DocNum__Before = 0, " + kt103);
        EXPECT_EQ(JournalLines("КТ-103"), expected103);
        std::vector<std::string> expected101;
        if (std::string(fault.Name) == "status fails after the document")
          expected101.push_back("{PrintFiscCheck}[КТ-101 [STATUS ERROR]] Error (103). Device does not answer to the "
                                "command");
        EXPECT_EQ(JournalLines("КТ-101"), expected101);
        EXPECT_EQ(Count(journal, "{PrintFiscCheck} sReceiptInfo.DocNum__Before"), counted && !fault.Counted ? 2u : 1u);
      }
}

}  // namespace
