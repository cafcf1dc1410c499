// The PRN command set turned into markup, one rule at a time; every expected
// document is written out in full.
#include "io/printer/markup/uf_markup_text.h"
#include "io/printer/markup/uf_xml.h"
#include "markup_testing.h"
#include "platform/codepage.h"

namespace {

using namespace markup_testing;
using PrnToMarkup = MarkupTest;

TEST_F(PrnToMarkup, LinesPartsAndAttributeChanges) {
  EXPECT_EQ(Convert("abc\n"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"abc\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
  EXPECT_EQ(Convert("ab\x1b" "Ccd\n"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextPart Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"ab\"/>",
                 "\t\t<TextLine Bold=\"1\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"cd\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
  EXPECT_EQ(Convert("\x1b" "3\x1b" "5\x1b?BIG\n\x1b" "2\x1b" "4\x1b>\x1b" "Bsmall\n"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"1\" BigWidth=\"1\" Inverted=\"1\" Tapes=\"1\" Text=\"BIG\"/>",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"small\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
}

TEST_F(PrnToMarkup, CarriageReturnOnlyCountsOnAnEmptyLine) {
  const char* blankLine[] = {
      "<PRINTUNFISCAL>", "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
      "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\" \"/>",
      "\t</Unfiscal>", "</PRINTUNFISCAL>"};
  EXPECT_EQ(Convert("\r\n"), Doc({blankLine[0], blankLine[1], blankLine[2], blankLine[3], blankLine[4]}));
  EXPECT_EQ(Convert("\n\n\t\x01"), Doc({"<PRINTUNFISCAL>", "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\"/>",
                                        "</PRINTUNFISCAL>"}))
      << "a bare line feed on an empty line and other control bytes give nothing";
  EXPECT_EQ(Convert("a\rb\r\n"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"ab\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
}

TEST_F(PrnToMarkup, CutsCloseSegmentsAndNoEmptySegmentRemains) {
  EXPECT_EQ(Convert("text\n\x1b" "7"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"1\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"text\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
  EXPECT_EQ(Convert("a\n\x1b" "7b\n\x1b=\x1b<"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"1\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"a\"/>",
                 "\t</Unfiscal>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"1\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"b\"/>",
                 "\t\t<Drawer Number=\"0\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}))
      << "what follows the last cut joins the segment before it";
  EXPECT_EQ(Convert("\x1b" "7"),
            Doc({"<PRINTUNFISCAL>", "\t<Unfiscal Slip=\"0\" CutAfter=\"1\" Footer=\"0\"/>", "</PRINTUNFISCAL>"}))
      << "a lone cut stays a printout of its own";
  EXPECT_EQ(Convert("\x1b" "7\x1b" "7x\n"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"1\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"x\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}))
      << "a segment without text keeps collecting, with its flags";
}

TEST_F(PrnToMarkup, SlipFooterAndReceiptInsertSegments) {
  EXPECT_EQ(Convert("\x1b" "8slip\n\x1b" "9\x1b" "6"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"1\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"slip\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
  EXPECT_EQ(Convert("tape\n\x1b" "8slip\n\x1b" "6tape\n"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"tape\"/>",
                 "\t</Unfiscal>",
                 "\t<Unfiscal Slip=\"1\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"slip\"/>",
                 "\t</Unfiscal>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"tape\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
  EXPECT_EQ(Convert("head\n\x1b" "Efirst\n\x1b" "Ffoot\n"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"head\"/>",
                 "\t</Unfiscal>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\" ReceiptInsert=\"1\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"first\"/>",
                 "\t</Unfiscal>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"1\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"foot\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}))
      << "E and F mark the segment that follows them";
}

TEST_F(PrnToMarkup, RawBytesInBase64AndTheirErrorText) {
  EXPECT_EQ(Convert("\x1bT1B 40\x1b;"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<RawBlock Encoding=\"Base64\">G0A=</RawBlock>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
  EXPECT_EQ(HexToBytes("1B 40"), "\x1b\x40");
  EXPECT_EQ(HexToBytes("$1B,0x40;h7 AzzFF"), std::string("\x1b\x40\x07", 3)) << "stops at the first non-hex pair";
  EXPECT_EQ(HexToBytes("0 1h2H"), std::string("\x00\x01\x02", 3)) << "single digits before separators";
  EXPECT_EQ(HexToBytes("F"), "\x0f") << "a single digit at the end";
  EXPECT_EQ(HexToBytes("zz"), "");
  EXPECT_EQ(Convert("\x1bTzz\x1b;\n"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" "
                 "Text=\"* ERROR ANYHEX: zz *\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
  std::string hex;
  for (int i = 0; i < 64; ++i) hex += "00";
  EXPECT_EQ(Convert("\x1bT" + hex + "\x1b;"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<RawBlock Encoding=\"Base64\">"
                 "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\r\n"
                 "AAAAAA==",
                 "\t\t</RawBlock>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}))
      << "Base64 lines of 80 characters";
}

TEST_F(PrnToMarkup, BarcodesWithTheDefaultsOrTheirErrorText) {
  EXPECT_EQ(Convert("\x1bQ12345\x1b;"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<BarCode Width=\"2\" Height=\"100\" Type=\"EAN-13\" TextPosition=\"No\" Value=\"12345\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
  EXPECT_EQ(Convert("\x1bQ" "ABC\x1b;\x1bQ-1\x1b;\x1bQ1000000000000\x1b;\n"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextPart Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" "
                 "Text=\"* ERROR BARCODE: ABC *\"/>",
                 "\t\t<TextPart Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" "
                 "Text=\"* ERROR BARCODE: -1 *\"/>",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" "
                 "Text=\"* ERROR BARCODE: 1000000000000 *\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}))
      << "the error text goes out with the text before the next command";
  const tBarCodeDefaults code128{1, 3, 80, 3};
  EXPECT_EQ(Convert("\x1bQ" "ABC-42\x1b;\x1bQ999999999999\x1b;", 0, code128),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<BarCode Width=\"3\" Height=\"80\" Type=\"Code-128\" TextPosition=\"Top&amp;Bottom\" "
                 "Value=\"ABC-42\"/>",
                 "\t\t<BarCode Width=\"3\" Height=\"80\" Type=\"Code-128\" TextPosition=\"Top&amp;Bottom\" "
                 "Value=\"999999999999\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
}

TEST_F(PrnToMarkup, QrCodesTakeTheirSettingsForTheRestOfTheJob) {
  EXPECT_EQ(Convert("\x1bXfirst\x1b;\x1bZ5;15;Left\x1b;\x1bXdata\x1b;\x1bZ x;0;middle;2 \x1b;\x1bXhttp://a?b=1&c\x1b;"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<BarCode Type=\"QRCode\" Height=\"100\" Align=\"Center\" Value=\"first\"/>",
                 "\t\t<BarCode Type=\"QRCode\" Height=\"5\" CorrectionLevel=\"15%\" Align=\"Left\" Value=\"data\"/>",
                 "\t\t<BarCode Type=\"QRCode\" Height=\"5\" Align=\"Left\" FlowTextLines=\"2\" "
                 "Value=\"http://a?b=1&amp;c\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
}

TEST_F(PrnToMarkup, TapesFontDrawerFeedWaitLogoBeepAndAddInfo) {
  EXPECT_EQ(Convert("\x1bU3\x1b;x\n\x1bU2\x1b;y\n\x1bUq\x1b;z\n"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" Text=\"x\"/>",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"2\" Text=\"y\"/>",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"z\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
  EXPECT_EQ(Convert("\x1b<\x1b:\x1bP3\x1b;\x1bW500\x1b;\x1bR7\x1b;\x1bY Name = val=ue\x1b;\x1bYnothing\x1b;"
                    "\x1b[2\x1b;f\n\x1b[x\x1b;g\n\x1bV258\x1b;\x1bP-1\x1b;\x1bWsoon\x1b;"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<Drawer Number=\"0\"/>",
                 "\t\t<Beep/>",
                 "\t\t<Pass Lines=\"3\"/>",
                 "\t\t<Wait MSecs=\"500\"/>",
                 "\t\t<Logo Number=\"7\"/>",
                 "\t\t<AddInfo Name=\"Name\" Data=\" val=ue\"/>",
                 "\t\t<TextLine FontNum=\"2\" Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" "
                 "Text=\"f\"/>",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"g\"/>",
                 "\t\t<Drawer Number=\"2\"/>",
                 "\t\t<Pass Lines=\"255\"/>",
                 "\t\t<Wait MSecs=\"0\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
}

TEST_F(PrnToMarkup, InitialTapesAndResetAfterEachSegment) {
  EXPECT_EQ(Convert("\x1b" "C\x1b[1\x1b;\x1bU1\x1b;a\n\x1b" "7b\n", 2),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"1\" Footer=\"0\">",
                 "\t\t<TextLine FontNum=\"1\" Bold=\"1\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" "
                 "Text=\"a\"/>",
                 "\t</Unfiscal>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" Text=\"b\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}));
}

// Each code page the texts can come in: the system code page (1251 here),
// the host's procedure for another one, and raw bytes.
int32_t ZEF_STDCALL Oem866(const char* source, char16_t* target, int32_t capacity, int32_t charset) {
  std::u16string wide = platform::SingleByteToWide(866, source);
  if (wide.size() > size_t(capacity) || charset != 0) return 0;
  std::copy(wide.begin(), wide.end(), target);
  return int32_t(wide.size());
}
int32_t ZEF_STDCALL Latin1252(const char* source, char16_t* target, int32_t capacity, int32_t charset) {
  std::u16string wide = platform::SingleByteToWide(1252, source);
  std::copy(wide.begin(), wide.end(), target);
  return int32_t(wide.size());
}
int32_t ZEF_STDCALL Oversized(const char*, char16_t* target, int32_t capacity, int32_t) {
  for (int32_t i = 0; i < capacity; ++i) target[i] = u'Z';
  return capacity + 100;
}

TEST_F(PrnToMarkup, TextsInEachCodePage) {
  auto line = [](const char* text) {
    return Doc({"<PRINTUNFISCAL>", "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                (std::string("\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" "
                             "Text=\"") + text + "\"/>").c_str(),
                "\t</Unfiscal>", "</PRINTUNFISCAL>"});
  };
  EXPECT_EQ(Convert("\xCF\xF0\xE8\xE2\xE5\xF2 \xB9" "5\n"), line("Привет №5"));
  UFText::SetSingleByteToUnicodeProc(&Oem866);
  EXPECT_EQ(Convert("\x8F\xE0\xA8\xA2\xA5\xE2 \xFC" "5\n"), line("Привет №5"));
  UFText::SetSingleByteToUnicodeProc(&Latin1252);
  EXPECT_EQ(Convert("Caf\xE9 \x80" "3\n"), line("Café €3"));
  UFText::SetSingleByteToUnicodeProc(&Oversized);
  EXPECT_EQ(Convert("abc\n"), line("ZZZ")) << "never more characters than bytes";
  UFText::SetSingleByteToUnicodeProc(nullptr);
  EXPECT_EQ(Convert("\xCF\xF0\xE8\n", 0, kEan13, true), line("\xCF\xF0\xE8")) << "raw texts are not converted";
  EXPECT_EQ(Convert("\x1bX\xCF\xF0\xE8\x1b;\x1bYN\xB9=\xE8\x1b;"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<BarCode Type=\"QRCode\" Height=\"100\" Align=\"Center\" Value=\"При\"/>",
                 "\t\t<AddInfo Name=\"N№\" Data=\"и\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}))
      << "QR data and additional information are texts too";
}

// The adapter's fallback when the converter library is missing: with the
// library flag set (merged discount names), the texts still come out as
// UTF-8, never as the POS's single-byte code.
TEST_F(PrnToMarkup, AdaptersBuiltInConversionConvertsWithTheLibraryFlag) {
  tUFXmlSettings settings;
  settings.ConverterFlag = true;
  TUFXml converter(settings);
  const std::string prn = "\xD1\xEA\xE8\xE4\xEA\xE0 10%\r\n";
  IXmlDocument document;
  ASSERT_TRUE(converter.ConvertBuiltIn(reinterpret_cast<const uint8_t*>(prn.data()), prn.size(), document));
  EXPECT_EQ(document->Xml(),
            Doc({"<PRINTUNFISCAL>", "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" "
                 "Text=\"Скидка 10%\"/>",
                 "\t</Unfiscal>", "</PRINTUNFISCAL>"}));
}

}  // namespace
