// The PRN jobs of the demo folder as the POS sends them (guest bill,
// kitchen ticket, a short receipt), converted with the device defaults
// (initial tapes state 2, EAN-13 barcodes); the expected markup of each is
// written out in full.
#include <filesystem>
#include <map>

#include "markup_testing.h"
#include "platform/platform.h"

namespace {

using namespace markup_testing;

const std::map<std::string, std::string>& Expected() {
  static const std::map<std::string, std::string> expected = {
      {"guest_bill.prn",
       Doc({"<PRINTUNFISCAL>",
            "\t<Unfiscal Slip=\"0\" CutAfter=\"1\" Footer=\"0\">",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"1\" Inverted=\"0\" Tapes=\"3\" "
            "Text=\"   CAFE ORBELO\"/>",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" "
            "Text=\"Guest bill          Table 12\"/>",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" "
            "Text=\"Guests: 2     Waiter: Anna\"/>",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" "
            "Text=\"--------------------------------\"/>",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" "
            "Text=\"Espresso      2 x 150.00  300.00\"/>",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" "
            "Text=\"Borscht       1 x 320.00  320.00\"/>",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" "
            "Text=\"Cheesecake    1 x 280.00  280.00\"/>",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" "
            "Text=\"--------------------------------\"/>",
            "\t\t<TextLine Bold=\"1\" BigHeight=\"1\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" "
            "Text=\"TOTAL                     900.00\"/>",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" Text=\" \"/>",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" "
            "Text=\"Спасибо за визит!\"/>",
            "\t\t<BarCode Width=\"2\" Height=\"100\" Type=\"EAN-13\" TextPosition=\"No\" Value=\"460123456789\"/>",
            "\t</Unfiscal>",
            "</PRINTUNFISCAL>"})},
      {"kitchen_ticket.prn",
       Doc({"<PRINTUNFISCAL>",
            "\t<Unfiscal Slip=\"0\" CutAfter=\"1\" Footer=\"0\">",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"1\" BigWidth=\"1\" Inverted=\"0\" Tapes=\"3\" Text=\"KITCHEN\"/>",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" "
            "Text=\"Order 1047   Table 12   12:41\"/>",
            "\t\t<TextLine Bold=\"1\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" Text=\"2  Borscht\"/>",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" "
            "Text=\"   - no sour cream\"/>",
            "\t\t<TextLine Bold=\"1\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" "
            "Text=\"1  Cheesecake\"/>",
            "\t\t<Beep/>",
            "\t\t<Pass Lines=\"3\"/>",
            "\t</Unfiscal>",
            "</PRINTUNFISCAL>"})},
      {"receipt.prn",
       Doc({"<PRINTUNFISCAL>",
            "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" Text=\"Zefor demo\"/>",
            "\t\t<Pass Lines=\"2\"/>",
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" "
            "Text=\"Total: 100.00\"/>",
            "\t\t<RawBlock Encoding=\"Base64\">G2QD</RawBlock>",
            "\t</Unfiscal>",
            "</PRINTUNFISCAL>"})},
  };
  return expected;
}

using PrnSamples = MarkupTest;

TEST_F(PrnSamples, EverySampleGivesItsMarkupByteForByte) {
  int found = 0;
  for (const auto& entry : std::filesystem::directory_iterator(ZEF_PRN_SAMPLES)) {
    if (entry.path().extension() != ".prn") continue;
    ++found;
    std::string name = entry.path().filename().string();
    auto expected = Expected().find(name);
    ASSERT_NE(expected, Expected().end()) << "no expected markup for " << name;
    std::string prn;
    ASSERT_TRUE(platform::ReadWholeFile(entry.path().string(), prn));
    EXPECT_EQ(Convert(prn, 2), expected->second) << name;
  }
  EXPECT_EQ(found, 3);
}

}  // namespace
