// Markup to PRN: the PRN of every print element and document flag, the
// texts in every printer character set, and the markup the converter
// refuses. Every expected byte string is written out from the command set.
#include "io/printer/markup/prn_cmd_convert.h"
#include "io/printer/markup/vietnamese_text.h"
#include "markup_testing.h"
#include "xml/xmlexception.h"

namespace {

using namespace markup_testing;

// The markup of one "Unfiscal" element with the given attributes and children.
std::string Markup(const std::string& attributes, const std::string& children) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><Unfiscal " + attributes + ">" + children + "</Unfiscal>";
}

std::string ToPrn(const std::string& markup, int32_t charset = -1, int32_t locale = 0) {
  return tPRNCMDConvert(charset, locale).ConvertMarkup(markup);
}

// The text of one TextLine in the character set, without the frame.
std::string LineBytes(const std::string& utf8, int32_t charset, int32_t locale = 0) {
  std::string prn = ToPrn(Markup("", "<TextLine Text=\"" + utf8 + "\"/>"), charset, locale);
  const std::string frame = "\x1b" "1" "\x1b" "6";
  EXPECT_EQ(prn.substr(0, frame.size()), frame);
  EXPECT_EQ(prn.substr(prn.size() - 2), "\r\n");
  return prn.substr(frame.size(), prn.size() - frame.size() - 2);
}

using MarkupToPrn = MarkupTest;

TEST_F(MarkupToPrn, EveryPrintElementGivesItsCommand) {
  std::string markup = Markup("Slip=\"0\" CutAfter=\"1\" Footer=\"0\"",
                              "<TextLine FontNum=\"2\" Bold=\"1\" BigHeight=\"0\" BigWidth=\"1\" Inverted=\"0\" "
                              "Tapes=\"3\" Text=\"Total\"/>"
                              "<TextBlock>one&#13;&#10;&#13;&#10;three&#13;&#10;</TextBlock>"
                              "<RawBlock>AB</RawBlock>"
                              "<BarCode Type=\"Code-128\" Width=\"3\" Height=\"50\" Value=\"ABC-1\"/>"
                              "<Beep/><Drawer Number=\"1\"/><Logo Number=\"L7\"/><Pass Lines=\"4\"/>"
                              "<Wait MSecs=\"250\"/><AddInfo Name=\"Table\" Data=\"12\"/>");
  EXPECT_EQ(ToPrn(markup),
            "\x1b" "1" "\x1b" "6"
            "\x1b" "[2" "\x1b" ";" "\x1b" "C" "\x1b" "2" "\x1b" "5" "\x1b" ">" "\x1b" "U3" "\x1b" ";" "Total\r\n"
            "one\r\n\r\nthree\r\n"
            "\x1b" "T4142" "\x1b" ";"
            "\x1b" "QABC-1" "\x1b" ";"
            "\x1b" ":"
            "\x1b" "V1" "\x1b" ";"
            "\x1b" "RL7" "\x1b" ";"
            "\x1b" "P4" "\x1b" ";"
            "\x1b" "W250" "\x1b" ";"
            "\x1b" "YTable=12" "\x1b" ";"
            "\x1b" "7");
}

TEST_F(MarkupToPrn, DocumentFlagsFrameThePrintout) {
  const std::string line = "<TextLine Text=\"x\"/>";
  EXPECT_EQ(ToPrn(Markup("Slip=\"1\" CutAfter=\"1\"", line)), "\x1b" "1" "\x1b" "8" "x\r\n" "\x1b" "9")
      << "a slip ends its document and is not cut";
  EXPECT_EQ(ToPrn(Markup("Footer=\"1\" ReceiptInsert=\"1\"", line)), "\x1b" "1" "\x1b" "6" "\x1b" "F" "x\r\n")
      << "a footer is announced; a receipt insert is not written";
  EXPECT_EQ(ToPrn(Markup("Slip=\"256\" CutAfter=\"2\"", line)), "\x1b" "1" "\x1b" "6" "x\r\n" "\x1b" "7")
      << "flags keep their low 8 bits";
}

TEST_F(MarkupToPrn, TextAttributesAreWrittenOnlyWhenGiven) {
  EXPECT_EQ(ToPrn(Markup("", "<TextPart Text=\"ab\"/><TextLine Text=\"cd\"/>")),
            "\x1b" "1" "\x1b" "6" "ab cd\r\n");
  EXPECT_EQ(ToPrn(Markup("", "<TextLine Tapes=\"5\" Bold=\"7\" FontNum=\"x\" Text=\"a\"/>")),
            "\x1b" "1" "\x1b" "6" "\x1b" "C" "\x1b" "U8" "\x1b" ";" "a\r\n")
      << "tapes 4 and above are all tapes; a font that is no number is not given";
  EXPECT_EQ(ToPrn(Markup("", "<TextLine BigHeight=\"1\" Inverted=\"1\" Bold=\"0\" Text=\"a\"/>")),
            "\x1b" "1" "\x1b" "6" "\x1b" "B" "\x1b" "3" "\x1b" "?" "a\r\n");
  EXPECT_EQ(ToPrn(Markup("", "<TextLine Text=\"\"/><TextLine Text=\" \"/>")), "\x1b" "1" "\x1b" "6" " \r\n")
      << "an empty text prints nothing, a blank an empty line";
}

TEST_F(MarkupToPrn, RawBlocksAreSentAsHexadecimalBytes) {
  EXPECT_EQ(ToPrn(Markup("", "<RawBlock Encoding=\"Base64\">G0A=</RawBlock>")),
            "\x1b" "1" "\x1b" "6" "\x1b" "T1B40" "\x1b" ";");
  EXPECT_EQ(ToPrn(Markup("", "<RawBlock Encoding=\"base64\">G0A=</RawBlock>")),
            "\x1b" "1" "\x1b" "6" "\x1b" "T4730413D" "\x1b" ";")
      << "the encoding name is matched exactly; otherwise the text is the bytes";
  EXPECT_EQ(ToPrn(Markup("", "<RawBlock Encoding=\"Base64\"/>")), "")
      << "an empty raw block is no print element";
}

TEST_F(MarkupToPrn, BarCodesOfEachType) {
  EXPECT_EQ(ToPrn(Markup("", "<BarCode Type=\"QRCode\" Height=\"5\" Value=\"https://x/?a=1\"/>")),
            "\x1b" "1" "\x1b" "6" "\x1b" "Z5;15" "\x1b" ";" "\x1b" "Xhttps://x/?a=1" "\x1b" ";");
  EXPECT_EQ(ToPrn(Markup("", "<BarCode Type=\"QRCode\" Height=\"8\" CorrectionLevel=\" 30 %\" Value=\"q\"/>")),
            "\x1b" "1" "\x1b" "6" "\x1b" "Z8;30" "\x1b" ";" "\x1b" "Xq" "\x1b" ";");
  EXPECT_EQ(ToPrn(Markup("", "<BarCode Type=\"QRCode\" Height=\"8\" CorrectionLevel=\"25%\" Align=\"Left\" "
                             "FlowTextLines=\"2\" Value=\"q\"/>")),
            "\x1b" "1" "\x1b" "6" "\x1b" "Z8;25" "\x1b" ";" "\x1b" "Xq" "\x1b" ";")
      << "the printers take height and correction level only";
  EXPECT_EQ(ToPrn(Markup("", "<BarCode/>")), "\x1b" "1" "\x1b" "6" "\x1b" "Q0" "\x1b" ";")
      << "a barcode without attributes is an EAN-13 of value 0";
  EXPECT_EQ(ToPrn(Markup("", "<BarCode Type=\"Unknown\" Value=\"4601\"/>")),
            "\x1b" "1" "\x1b" "6" "\x1b" "Q4601" "\x1b" ";");
}

TEST_F(MarkupToPrn, ReadersClampNumbers) {
  EXPECT_EQ(ToPrn(Markup("", "<Pass Lines=\"250\"/><Wait MSecs=\"-5\"/><Drawer Number=\"7\"/><Pass Lines=\"x\"/>")),
            "\x1b" "1" "\x1b" "6" "\x1b" "P99" "\x1b" ";" "\x1b" "W0" "\x1b" ";" "\x1b" "V1" "\x1b" ";"
            "\x1b" "P0" "\x1b" ";");
}

TEST_F(MarkupToPrn, MarkupWithoutPrintElementsGivesNothing) {
  EXPECT_EQ(ToPrn(""), "");
  EXPECT_EQ(ToPrn(Markup("Slip=\"1\"", "")), "");
  EXPECT_EQ(ToPrn(Markup("", "<textline Text=\"a\"/><Other/>")), "") << "names are matched with their case";
  EXPECT_EQ(ToPrn("<?xml version=\"1.0\"?><PRINTUNFISCAL><Unfiscal><Beep/></Unfiscal></PRINTUNFISCAL>"), "")
      << "the root must be the printout itself";
}

TEST_F(MarkupToPrn, BrokenMarkupRaisesForTheCallerToHandle) {
  EXPECT_THROW(ToPrn("<Unfiscal><TextLine Text=\"a\"></Unfiscal>"), SimpleXMLException);
  EXPECT_THROW(ToPrn(Markup("", "<BarCode Width=\"wide\"/>")), SimpleXMLException);
  EXPECT_THROW(ToPrn(Markup("", "<Drawer Number=\"left\"/>")), SimpleXMLException);
  EXPECT_THROW(ToPrn(Markup("", "<RawBlock Encoding=\"Base64\">G0A*</RawBlock>")), SimpleXMLException);
  EXPECT_THROW(ToPrn("<?xml version=\"1.0\"?>"), SimpleXMLException) << "a document without a root";
  EXPECT_THROW(ToPrn(Markup("", "<RawBlock Encoding=\"Base64\"><![CDATA[ \r\n]]></RawBlock>")), EAssertionFailed)
      << "a Base64 raw block without bytes stops the conversion";
}

// ---- character sets --------------------------------------------------------------------

TEST_F(MarkupToPrn, NegativeAndUtf8CharsetsKeepUtf8) {
  EXPECT_EQ(LineBytes("Щи", -1), "\xD0\xA9\xD0\xB8");
  EXPECT_EQ(LineBytes("Щи", 85), "\xD0\xA9\xD0\xB8");
  EXPECT_EQ(LineBytes("Щи", 85, 0x437), "\xD0\xA9\xD0\xB8") << "the UTF-8 set comes before the language";
  EXPECT_EQ(ToPrn(Markup("", "<TextLine Text=\"a\xFF" "b\"/>"), 85), "\x1b" "1" "\x1b" "6" "a\xEF\xBF\xBD" "b\r\n")
      << "a malformed byte becomes the replacement character";
}

TEST_F(MarkupToPrn, WindowsCharsetsUseTheirCodePage) {
  EXPECT_EQ(LineBytes("Привет", 204), "\xCF\xF0\xE8\xE2\xE5\xF2");
  EXPECT_EQ(LineBytes("Привет", 1), "\xCF\xF0\xE8\xE2\xE5\xF2") << "the default set is the system code page";
  EXPECT_EQ(LineBytes("café Ж", 0), "caf\xE9 ?");
  EXPECT_EQ(LineBytes("Δ", 161), "\xC4") << "Greek";
  EXPECT_EQ(LineBytes("Ş", 162), "\xDE") << "Turkish";
  EXPECT_EQ(LineBytes("€", 204), "\x88");
}

TEST_F(MarkupToPrn, LanguageTablesOfTheLocale) {
  // Georgian (ka-GE 0x0437): capitals from 192, small letters from 224.
  EXPECT_EQ(LineBytes("\u10A0\u10A2\u10C0\u10D0\u10D1\u10EF\u10FF", 204, 0x437), "\xA8\xC1\xDF\xB8\xE0\xFE\xFF");
  EXPECT_EQ(LineBytes("A\u10A1Ж\u00A8", 204, 0x437), "A???") << "characters without a byte";
  // Armenian (hy-AM 0x042B): capital and small letters alternate from 178.
  EXPECT_EQ(LineBytes("\u0531\u0561\u0532\u0556\u0586\u0587", 0, 0x42B), "\xB2\xB3\xB4\xFC\xFD\xA8");
  // Mongolian (mn-MN 0x0450): code page 1251 with four letters of its own.
  EXPECT_EQ(LineBytes("Жж\u04E8\u04E9\u04AE\u04AF", 204, 0x450), "\xC6\xE6\xAA\xBA\xAF\xBF");
  EXPECT_EQ(LineBytes("\u0404\u0098", 204, 0x450), "?\x98") << "replaced signs have no byte; 152 is U+0098";
  EXPECT_EQ(LineBytes("\u10D0", 204, 0x10437), "\xB8") << "only the primary language counts";
}

TEST_F(MarkupToPrn, SpecialTableWritesKhmer) {
  EXPECT_EQ(LineBytes("\u1780\u17B2\u17CE\u17D4ab", 90), "\xB1\x5B\xF7\xDD" "ab");
  EXPECT_EQ(LineBytes("[x]", 90), "?x]") << "the bracket's byte holds a Khmer letter";
  EXPECT_EQ(LineBytes("\U0001F600", 90), "?") << "a character outside 16 bits is one character";
}

TEST_F(MarkupToPrn, VietnameseIsComposedIntoThePrinterBytes) {
  EXPECT_EQ(LineBytes("ệù", 163), "\x8C\xF9");
  EXPECT_EQ(LineBytes("Việt Nam", 163), "Vi\x8Ct Nam");
  EXPECT_EQ(LineBytes("ĐƯỜNG [1]", 163), "\xF1\xD0\x9ENG (1)");
  EXPECT_EQ(LineBytes("e\u0301", 163), "\xE9") << "a decomposed tone composes too";
  EXPECT_EQ(LineBytes("ệ", 163, 0x437), "?") << "the Georgian table comes first";
}

TEST_F(MarkupToPrn, VietnameseByteStepAndComposition) {
  using namespace PrinterCharsets;
  EXPECT_EQ(VietnameseByteStep(u"ệù"), "\xEA\xF2\x75\xCC");
  EXPECT_EQ(VietnameseByteStep(u"ĂăƠươÃß"), "\xC3\xE3\xD5\xFD\xF5\x41\xDE\xDF");
  EXPECT_EQ(VietnameseByteStep(u"₫"), "\xFE") << "other characters go through code page 1258";
  EXPECT_EQ(VietnameseComposition("\xEA\xF2"), "\x8C");
  EXPECT_EQ(VietnameseComposition("\x65\xEC"), "\xE9");
  EXPECT_EQ(VietnameseComposition("\x5B"), "\x28");
  EXPECT_EQ(VietnameseComposition("\x74"), "\x74");
  EXPECT_EQ(VietnameseComposition("\xEA\x74\xEA"), "\xEA\x74\xEA") << "ê alone is a key of its own byte";
  EXPECT_EQ(VietnameseComposition("\xC3\xD2\xC3"), "\x8F\x88") << "the pair first, then the single key";
}

TEST_F(MarkupToPrn, TextsOfOtherElementsAreConvertedToo) {
  std::string markup = Markup("", "<AddInfo Name=\"Стол\" Data=\"№5\"/><BarCode Type=\"QRCode\" Height=\"3\" "
                                  "Value=\"Чек\"/><Logo Number=\"Л\"/>");
  EXPECT_EQ(ToPrn(markup, 204),
            "\x1b" "1" "\x1b" "6" "\x1b" "Y\xD1\xF2\xEE\xEB=\xB9" "5" "\x1b" ";"
            "\x1b" "Z3;15" "\x1b" ";" "\x1b" "X\xD7\xE5\xEA" "\x1b" ";"
            "\x1b" "R\xD0\x9B" "\x1b" ";")
      << "a logo number is written unchanged";
}

}  // namespace
