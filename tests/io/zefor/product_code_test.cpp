// Tag 1162 from scanned codes, kind by kind, and the fiscal document's
// text rules (phone numbers, date-times, DocType by kind).
#include <gtest/gtest.h>

#include "io/printer/zefor/document/fs_xml.h"
#include "io/printer/zefor/receipt/product_code.h"
#include "io/printer/zefor/driver/zef_options.h"
#include "io/printer/fiscreg/fisc_doc_info.h"

namespace {

std::string Code(const std::string& scanned) { return TuRU54FZ1162::Hex(TuRU54FZ1162::ProductCode(scanned)); }
std::string Hex(const std::string& text) { return TuRU54FZ1162::Hex(text); }

TEST(ProductCode, BarcodesWithValidCheckDigits) {
  EXPECT_EQ(Code("4600000000008"), "450D042F055DB008");
  EXPECT_EQ(Code("4600000000009"), "0000" + Hex("4600000000009")) << "invalid check digit";
  EXPECT_EQ(Code("96385074"), "4508000005BEB832");
  EXPECT_EQ(Code("14600000000005"), "490E0D4753D05005");
}

TEST(ProductCode, DataMatrixTakesGtinSerialAnd8005) {
  const std::string gtin = "04606203084623";
  const std::string tail = "01" + gtin + "21" + "ABC123" + "\x1D" "91" "EE06" "\x1D" "92" "crypto==";
  const std::string result = Code("\x1D" + tail);
  EXPECT_EQ(result.substr(0, 4), "444D");
  EXPECT_EQ(result.substr(16), Hex("ABC123"));
  EXPECT_EQ(Code("]d2" + tail), result) << "symbology identifier dropped like the group separator";
  EXPECT_EQ(Code("01" + gtin), "0000" + Hex("01" + gtin)) << "a fixed element at the very end fails the parse";
}

TEST(ProductCode, TobaccoFurRailAndOtherKinds) {
  const std::string tobacco = "04606203084623" "ABC-DEF_1234" "XYZ";
  ASSERT_EQ(tobacco.size(), 29u);
  const std::string t = Code(tobacco);
  EXPECT_EQ(t.substr(0, 4), "444D");
  EXPECT_EQ(t.size(), 2u * 21);
  EXPECT_EQ(t.substr(16), Hex("ABC-DEF_123  "));
  EXPECT_EQ(Code("RU-123456-ABCDEF1234"), "5246" + Hex("RU-123456-ABCDEF1234"));
  EXPECT_EQ(Code(""), "0000");
  const std::string longText(40, 'x');
  EXPECT_EQ(Code(longText), "0000" + Hex(std::string(30, 'x')));
}

TEST(DocumentTexts, PhoneRule) {
  EXPECT_EQ(TFSXml::PhoneRule("8 (912) 345-67-89"), "+79123456789");
  EXPECT_EQ(TFSXml::PhoneRule("9123456789"), "+79123456789");
  EXPECT_EQ(TFSXml::PhoneRule("+7 912 345 67 89"), "+79123456789");
  EXPECT_EQ(TFSXml::PhoneRule("123"), "123");
}

TEST(DocumentTexts, DateTimeAndDocTypes) {
  EXPECT_EQ(TFSXml::DateTimeText(0), "1899-12-30T00:00:00");
  EXPECT_EQ(TFSXml::DateTimeText(int64_t(45730) * 86400000 + (20 * 3600 + 41 * 60 + 5) * 1000LL), "2025-03-14T20:41:05");
  using namespace ZefOptions;
  EXPECT_EQ(TFSXml::DocTypeName(fdDeleteCheck, foReturnReceipt | foDeleteReceipt, 0, 0, false), "Deletion");
  EXPECT_EQ(TFSXml::DocTypeName(fdDeleteCheck, foReturnReceipt | foDeleteReceipt, 0, 9, false), "ReturnReceipt");
  EXPECT_EQ(TFSXml::DocTypeName(fdFiscReturn, foReturnReceipt, 0, 96, false), "Return");
  EXPECT_EQ(TFSXml::DocTypeName(fdFiscReturn, 0, 0, 0, false), "Deletion");
  EXPECT_EQ(TFSXml::DocTypeName(fdCloseOrder, 0, 1, 0, true), "CancelSeat");
  EXPECT_EQ(TFSXml::DocTypeName(fdCloseOrder, 0, 0, 0, true), "CloseOrder");
  EXPECT_EQ(TFSXml::DocTypeName(fdXReport, 0, 0, 0, false), "");
}

}  // namespace
