// Realistic restaurant orders printed through FiscDocument on the strict
// emulator, each compared byte for byte with a fiscal document written by
// hand (tests/io/zefor/receipts; the arithmetic behind each one is in
// arithmetic.txt there): several tax rates, change, card payments, weighed
// goods with recomputed prices, every discount mode, combo and modifier
// modes, marked goods, a receipt paid partly in a non-fiscal currency, the
// ToPrint texts, an invoice, a dish with several barcodes, goods sold for a
// partner, and receipts that must not be printed fiscally.
#include "receipt_fixture.h"

namespace {

const std::string kReceipts = "tests/io/zefor/receipts/";

class HandWritten : public ReceiptTest {
 protected:
  // `objects`: further POS objects beside the common ones (configuration text).
  void StartRegister(const std::string& options, const std::string& params = "", int protocol = 40,
                     const std::string& objects = std::string()) {
    Restart();
    Start("options = " + options + "\nprotocol = " + std::to_string(protocol) + "\n", params,
          SourceFile("tools/possim/demo/receipts.cfg") + SourceFile(kReceipts + "pos_objects.cfg") + objects);
  }
  tAnswer PrintOrder(const std::string& order, int32_t flags, const std::string& toPrint = std::string()) {
    const std::string data =
        orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(SourceFile(kReceipts + order)));
    return SendDocument(fdFiscCheck, flags, data, 0, toPrint);
  }
  std::string Expected(const std::string& name) const { return TrimEnd(SourceFile(kReceipts + name)); }
};

// Separate discounts, taxes by dish type, change and alternative names.
constexpr int32_t kFlags = fdfSeparateDiscount | fdfUseTaxDishType | fdfPrintChange | fdfUseAltNames;

struct tCase {
  const char* Name;
  const char* Order;
  const char* Options;
  const char* Params;
  int32_t Flags;
  const char* Expected;
  int Protocol = 40;
  const char* Objects = "";  // further POS objects (a file beside the orders)
};

const tCase kCases[] = {
    {"two taxes, card, change, weighed goods", "lunch_two_taxes.order", "foAbsItemDiscount foCalcChange", "", kFlags,
     "lunch_two_taxes.xml"},
    {"discount mode 0", "family_discount.order", "foAbsItemDiscount foAbsDiscountSum foCalcChange",
     "28 = 0\n32 = Discount\n", kFlags, "family_discount_receipt_level.xml"},
    {"discount mode 1", "family_discount.order", "foAbsItemDiscount foAbsDiscountSum foCalcChange",
     "28 = 1\n32 = Discount\n", kFlags, "family_discount_receipt_level.xml"},
    {"discount mode 2", "family_discount.order", "foAbsItemDiscount foAbsDiscountSum foCalcChange",
     "28 = 2\n32 = Discount\n", kFlags, "family_discount_by_tax.xml"},
    {"discount mode 3", "family_discount.order", "foAbsItemDiscount foAbsDiscountSum foCalcChange",
     "28 = 3\n32 = Discount\n", kFlags, "family_discount_receipt_level.xml"},
    {"discount mode 4", "family_discount.order", "foAbsItemDiscount foAbsDiscountSum foCalcChange",
     "28 = 4\n32 = Discount\n", kFlags, "family_discount_by_dish.xml"},
    {"combo mode 1, modifier mode 3", "burger_menu.order", "foCalcChange foTextInLine", "26 = 1\n27 = 3\n",
     kFlags | fdfPrintDish0Price, "burger_menu_combo1_modifier3.xml"},
    {"combo mode 2, modifier mode 2", "burger_menu.order", "foCalcChange foTextInLine", "26 = 2\n27 = 2\n", kFlags,
     "burger_menu_combo2_modifier2.xml"},
    {"combo mode 2, modifier mode 4", "burger_menu.order", "foCalcChange foTextInLine", "26 = 2\n27 = 4\n", kFlags,
     "burger_menu_combo2_modifier4.xml"},
    {"combo mode 2, modifier mode 1", "burger_menu.order", "foCalcChange foTextInLine foZeroSale", "26 = 2\n27 = 1\n",
     kFlags | fdfPrintDish0Price, "burger_menu_combo2_modifier1.xml"},
    {"modifier mode 5", "coffee_break.order", "foAbsItemDiscount foCalcChange foTextInLine", "27 = 5\n", kFlags,
     "coffee_break_modifier5.xml"},
    {"merged discounts with their names", "steak_two_discounts.order",
     "foAbsItemDiscount foMaxOneMarkupDiscount foTextInLine foCalcChange", "", kFlags, "steak_merged_discounts.xml"},
    {"combo mode 3, modifier mode 0", "burger_menu.order", "foCalcChange foTextInLine", "26 = 3\n27 = 0\n", kFlags,
     "burger_menu_combo3_modifier0.xml"},
    {"protocol 46", "lunch_two_taxes.order", "foAbsItemDiscount foCalcChange", "", kFlags, "lunch_protocol46.xml", 46},
    {"protocol 20", "lunch_two_taxes.order", "foAbsItemDiscount foCalcChange", "", kFlags, "lunch_protocol20.xml", 20},
    {"partly non-fiscal payment", "hotel_guest.order", "foAbsItemDiscount foCalcChange", "", kFlags,
     "hotel_guest.xml"},
    {"price to pay corrected", "wine_flight.order", "foAbsItemDiscount foAbsDiscountSum foCalcChange foCorrectPriceToPay",
     "", kFlags, "wine_flight_price_to_pay.xml"},
    {"invoice for a company", "banquet_invoice.order", "foAbsItemDiscount foCalcChange foFiscInvoice", "", kFlags,
     "banquet_invoice.xml"},
    {"a dish known by several barcodes", "takeaway_water.order", "foAbsItemDiscount foCalcChange", "", kFlags,
     "takeaway_water.xml"},
    {"goods sold on commission", "partner_cake.order", "foAbsItemDiscount foCalcChange", "", kFlags,
     "partner_cake.xml", 40, "agent_objects.cfg"},
};

TEST_F(HandWritten, EveryOrderIsTheHandWrittenDocument) {
  for (const tCase& c : kCases) {
    SCOPED_TRACE(c.Name);
    StartRegister(c.Options, c.Params, c.Protocol, *c.Objects ? SourceFile(kReceipts + c.Objects) : std::string());
    tAnswer a = PrintOrder(c.Order, c.Flags);
    ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
    const std::vector<std::string> docs = Accepted();
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(docs[0], Expected(c.Expected));
    EXPECT_EQ(a.Doc.CheckNum, 1);
  }
}

// The bill of an invoiced order stays a bill and still names the invoice;
// a bill carries no payments.
TEST_F(HandWritten, BillOfAnInvoicedOrderKeepsItsKind) {
  StartRegister("foAbsItemDiscount foCalcChange foFiscInvoice foBill");
  tAnswer a = SendDocument(fdBill, kFlags, orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(
                                               SourceFile(kReceipts + "banquet_invoice.order"))));
  ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
  const std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 1u);
  std::string bill = Expected("banquet_invoice.xml");
  const std::string kind = "DocType=\"Invoice\"", payments = "\t\t<Payments>", end = "</Payments>\r\n";
  ASSERT_TRUE(Contains(bill, kind) && Contains(bill, payments) && Contains(bill, end));
  bill.replace(bill.find(kind), kind.size(), "DocType=\"Bill\"");
  bill.erase(bill.find(payments), bill.find(end) + end.size() - bill.find(payments));
  EXPECT_EQ(docs[0], bill);
}

// Without alternative names the supplier is named by its own name, as the
// dishes are.
TEST_F(HandWritten, SupplierNameFollowsTheNameSetting) {
  StartRegister("foAbsItemDiscount foCalcChange", "", 40, SourceFile(kReceipts + "agent_objects.cfg"));
  tAnswer a = PrintOrder("partner_cake.order", kFlags & ~fdfUseAltNames);
  ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
  const std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 1u);
  std::string own = Expected("partner_cake.xml");
  const std::pair<std::string, std::string> names[] = {{"Sever Bakery LLC", "OOO Pekarnya Sever"},
                                                       {"Cappuccino 0.3 l", "Капучино 0,3 л"},
                                                       {"Prague cake, slice", "Торт «Прага», кусок"}};
  for (const auto& n : names) {
    ASSERT_TRUE(Contains(own, n.first));
    own.replace(own.find(n.first), n.first.size(), n.second);
  }
  EXPECT_EQ(docs[0], own);
}

// A supplier whose taxpayer number the POS holds with a digit missing: the
// register refuses the agent's item and the POS hears why; without the
// entity classification the same order is a plain receipt.
TEST_F(HandWritten, AgentDataTheRegisterRefusesOrWithoutClassification) {
  std::string objects = SourceFile(kReceipts + "agent_objects.cfg");
  const std::string number = "12.VATIN = 7801234567\n";
  ASSERT_TRUE(Contains(objects, number));
  objects.replace(objects.find(number), number.size(), "12.VATIN = 780123456\n");
  StartRegister("foAbsItemDiscount foCalcChange", "", 40, objects);
  tAnswer a = PrintOrder("partner_cake.order", kFlags);
  EXPECT_FALSE(a.Result);
  EXPECT_TRUE(Contains(a.ErrorText, "tag 1226 \"780123456   \" is no taxpayer number")) << a.ErrorText;
  EXPECT_TRUE(Accepted().empty());

  const std::string classification = "EntityClassification = 3\n";
  objects = SourceFile(kReceipts + "agent_objects.cfg");
  ASSERT_TRUE(Contains(objects, classification));
  objects.erase(objects.find(classification), classification.size());
  StartRegister("foAbsItemDiscount foCalcChange", "", 40, objects);
  a = PrintOrder("partner_cake.order", kFlags);
  ASSERT_TRUE(a.Result) << a.ErrorText;
  const std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 1u);
  std::string plain = Expected("partner_cake.xml");
  const size_t tags = plain.find("\t\t\t\t<RawTLVAttributes>");
  const std::string end = "</RawTLVAttributes>\r\n";
  ASSERT_TRUE(tags != std::string::npos && plain.find(end) != std::string::npos);
  plain.erase(tags, plain.find(end) + end.size() - tags);
  EXPECT_EQ(docs[0], plain);
}

// Marked goods with the ToPrint text: header and footer lines through the
// PRN-to-markup converter, and the dump file holds exactly what was sent.
TEST_F(HandWritten, MarkedGoodsWithHeaderAndFooterText) {
  StartRegister("foAbsItemDiscount foCalcChange foText foTextInReceipt", "21 = 1\n");
  const std::string dump = bin_ + "ZefFiscDoc.xml";
  platform::RemoveFile(dump);
  tAnswer a = PrintOrder("marked_beer.order", kFlags, "Bar table 9\r\n\x1b" "FAge checked by Igor\r\n");
  ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
  const std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(docs[0], Expected("marked_beer.xml"));
  std::string dumped;
  EXPECT_TRUE(platform::ReadWholeFile(dump, dumped));
  platform::RemoveFile(dump);
  EXPECT_EQ(TrimEnd(dumped), docs[0]);
  const std::string tape = Read("emu1.tape");
  EXPECT_TRUE(Contains(tape, "Age checked by Igor")) << tape;
}

// A voided portion, a barcode, the guest's phone and the order's fiscal
// id, a seat, the savings line and the custom mark, and payments as the POS
// gave them (card data from the terminal); the receipt's journal lines whole.
TEST_F(HandWritten, VoidsBarcodesCustomPropertiesAndUngroupedPayments) {
  StartRegister("foAbsItemDiscount foCalcChange foPayUngrouped", "35 = You saved today:        0.00\n43 = 1\n");
  tAnswer a = PrintOrder("terrace_order.order", kFlags);
  ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
  const std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(docs[0], Expected("terrace_order.xml"));
  const std::string step = "{PrintFiscCheck} ";
  EXPECT_EQ(JournalLines("[KT-"),
            (std::vector<std::string>{step + "[KT-1] TableName = 8", step + "[KT-2] Items count = 2",
                                      step + "[KT-3] blTabooFiscPrint = FALSE", step + "[KT-0] blTabooFiscPrint = FALSE"}));
  EXPECT_EQ(JournalLines("sReceiptInfo."),
            (std::vector<std::string>{step + "sReceiptInfo.DocNum__Before = 0, sReceiptInfo.ReceiptNum__Before = 0",
                                      step + "sReceiptInfo.DocNum__After = 1, sReceiptInfo.ReceiptNum__After = 1"}));
}

// Receipts that must not be printed fiscally: the POS hears true (nothing
// failed), the register counted nothing, and the journal says why.
struct tTabooCase {
  const char* Order;
  std::vector<std::string> Lines;  // the journal lines with "blTabooFiscPrint" or the reason
};

TEST_F(HandWritten, TabooReceiptsPrintNothingFiscal) {
  const std::string step = "{PrintFiscCheck} ";
  const tTabooCase cases[] = {
      {"staff_meal.order",
       {step + "ЕСТЬ ПЛАТЁЖ, ЗАПРЕЩАЮЩИЙ ПЕЧАТЬ ФИСКАЛЬНОГО ЧЕКА!", step + "[KT-1] blTabooFiscPrint = TRUE",
        step + "[KT-0] blTabooFiscPrint = TRUE"}},
      {"room_account.order",
       {step + "100% ОПЛАТА НЕФИСКАЛЬНОЙ ВАЛЮТОЙ: ФИСКАЛЬНЫЙ ЧЕК НЕ БУДЕТ НАПЕЧАТАН!",
        step + "[KT-2] blTabooFiscPrint = TRUE", step + "[KT-0] blTabooFiscPrint = TRUE"}},
      {"compliment.order", {step + "[KT-3] blTabooFiscPrint = TRUE", step + "[KT-0] blTabooFiscPrint = TRUE"}},
  };
  for (const tTabooCase& c : cases) {
    SCOPED_TRACE(c.Order);
    StartRegister("foAbsItemDiscount foCalcChange foText foTextInReceipt", "5 = 1\n");
    tAnswer a = PrintOrder(c.Order, kFlags, "Guest copy\r\n");
    EXPECT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
    EXPECT_EQ(a.Doc.CheckNum, 0);
    EXPECT_EQ(a.Doc.DocNum, 0);
    EXPECT_TRUE(Accepted().empty());
    EXPECT_TRUE(Calls("ZefFiscalDocument").empty());
    std::vector<std::string> lines = JournalLines("blTabooFiscPrint");
    if (c.Lines.size() == 3) lines.insert(lines.begin(), JournalLines(c.Lines[0]).at(0));
    EXPECT_EQ(lines, c.Lines);
    const std::string tape = Read("emu1.tape");
    EXPECT_TRUE(Contains(tape, "Guest copy")) << "the ToPrint text is printed as non-fiscal text\n" << tape;
    EXPECT_FALSE(Contains(tape, "ИТОГ")) << tape;
  }
}

// ---- order documents and the send loop --------------------------------------------

// "Fill order" for an order that is fiscal already and has no seat becomes
// a correction of the order: items without discounts and taxes, no
// payments; nothing is dumped without SaveXMLFiscal.
TEST_F(HandWritten, FillOrderOfAFiscalOrderIsACorrection) {
  StartRegister("foCreateCloseOrder foCorrection foCalcChange");
  platform::RemoveFile(bin_ + "ZefFiscDoc.xml");
  std::string order = SourceFile(kReceipts + "lunch_two_taxes.order");
  const std::string state = " 2025-03-15T12:58:00 0\n";
  ASSERT_TRUE(Contains(order, state));
  order.replace(order.find(state), state.size(), " 2025-03-15T12:58:00 2\n");
  tAnswer a = SendDocument(fdFillOrder, kFlags, orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(order)));
  ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
  const std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(docs[0], Expected("lunch_correction.xml"));
  EXPECT_EQ(JournalLines("[fdVoids]"),
            (std::vector<std::string>{"{PrintFiscCheck} [fdVoids]: Correction",
                                      "{PrintFiscCheck}[dd.mm.yy hh:mm:ss] [fdVoids]: Correction, Result = TRUE, "
                                      "blPrintDocResult = TRUE, LastStateInfo.DocNum = 1, LastStateInfo.CheckNum = 0"}));
  EXPECT_FALSE(platform::FileExists(bin_ + "ZefFiscDoc.xml"));
}

// "Undo bill" on a register without the cancel-bill document closes the
// seat's order; with no seat there is nothing to print and the POS hears
// success. With no tries allowed nothing is sent and the receipt counts as
// done (its header was built).
TEST_F(HandWritten, NothingToSendAnswersTrue) {
  StartRegister("foCreateCloseOrder foCalcChange");
  tAnswer undo = SendDocument(fdUndoBill, kFlags, orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(
                                                      SourceFile(kReceipts + "lunch_two_taxes.order"))));
  EXPECT_TRUE(undo.Result) << undo.ErrorText;
  EXPECT_TRUE(Calls("ZefFiscalDocument").empty());
  StartRegister("foAbsItemDiscount foCalcChange", "7 = 0\n");
  tAnswer noTries = PrintOrder("lunch_two_taxes.order", kFlags);
  EXPECT_TRUE(noTries.Result) << noTries.ErrorText;
  EXPECT_TRUE(Calls("ZefFiscalDocument").empty());
  EXPECT_TRUE(JournalLines("sReceiptInfo.").empty());
}

// ---- links of a return to its receipt ----------------------------------------------

// Returns whose link data are missing or broken are still printed: the
// links fall back to "PrintChecks" or lose the order's properties, and the
// journal says why, once per link (the root's and the deletion's).
TEST_F(HandWritten, ReturnLinksWithoutOrWithBrokenReturnData) {
  std::string order = SourceFile(kReceipts + "dinner_return.order");
  const size_t data = order.find("dataset ReturnData");
  const size_t next = order.find("dataset Orders");
  ASSERT_TRUE(data != std::string::npos && next != std::string::npos);
  const std::string withoutData = order.substr(0, data) + order.substr(next);
  const std::string props = "<Order><ExternalProps><Prop";
  ASSERT_TRUE(Contains(order, props));
  std::string badXml = order;
  badXml.replace(badXml.find(props), props.size(), "<Order><ExternalProps<Prop");
  struct tLinkCase {
    const std::string& Order;
    const char* Expected;
    std::vector<std::string> Warnings;
  };
  const tLinkCase cases[] = {
      {withoutData, "dinner_return_without_return_data.xml",
       {"Warning: DSN_RETURN_DATA not found in fdFiscReturn", "Warning: DSN_RETURN_DATA.OrderXML is empty",
        "Warning: DSN_RETURN_DATA not found in fdFiscReturn", "Warning: DSN_RETURN_DATA.OrderXML is empty"}},
      {badXml, "dinner_return_bad_order_xml.xml", {}},
  };
  for (const tLinkCase& c : cases) {
    SCOPED_TRACE(c.Expected);
    StartRegister("foAbsItemDiscount foCalcChange foDeleteReceipt foReturnReceipt");
    tAnswer a = SendDocument(fdFiscReturn, kFlags,
                             orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(c.Order)));
    ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
    const std::vector<std::string> docs = Accepted();
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(docs[0], Expected(c.Expected));
    if (!c.Warnings.empty()) {
      EXPECT_EQ(JournalLines("Warning"), c.Warnings);
    }
  }
  // The broken order text: an exception line and a warning with the text, per link.
  const std::vector<std::string> warnings = JournalLines("Warning");
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0], "Warning: DSN_RETURN_DATA.OrderXML (<Order><ExternalProps<Prop name=\"{A598C6FD-E347-414C-"
                         "8E40-E5B846973ACF}\" value=\"8 (916) 123-45-67\"/><Prop name=\"LoyaltyCard\" "
                         "value=\"7700123\"/></ExternalProps></Order>) is not valid XML");
  EXPECT_EQ(warnings[1], warnings[0]);
  EXPECT_EQ(JournalLines("Exception: (").size(), 2u);
}

}  // namespace
