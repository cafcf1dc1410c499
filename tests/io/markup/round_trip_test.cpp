// Both converters together: a PRN job read into markup and written back
// prints the same (the markup read from the new PRN is the same markup), and
// a markup as the PRN reader writes it comes back unchanged from its PRN.
#include <filesystem>
#include <regex>
#include <vector>

#include "io/printer/markup/prn_cmd_convert.h"
#include "markup_testing.h"
#include "platform/platform.h"

namespace {

using namespace markup_testing;

constexpr uint8_t kDeviceTapes = 2;  // the device default: Tapes "3"
constexpr int32_t kSystemCharset = 1;

// The PRN of every segment of a "PRINTUNFISCAL" document, one after the other.
std::string SegmentsToPrn(const std::string& document) {
  IXmlDocument parsed = ParseXmlDocument(document);
  IXmlNodeList segments = parsed->DocumentElement()->SelectNodes("Unfiscal");
  tPRNCMDConvert converter(kSystemCharset, 0);
  std::string prn;
  for (int32_t i = 0; i < segments->Count(); ++i)
    prn += converter.ConvertMarkup("<?xml version=\"1.0\" encoding=\"utf-8\"?>" + segments->Item(i)->Xml());
  return prn;
}

// Markup to PRN prints for another printer, where a printout cannot go
// into the register's open receipt: the mark is not written.
std::string WithoutReceiptInserts(std::string markup) {
  const std::string mark = " ReceiptInsert=\"1\"";
  for (size_t at; (at = markup.find(mark)) != std::string::npos;) markup.erase(at, mark.size());
  return markup;
}

// A QR code goes to a printer with its height and correction level only:
// read back, it stands where the reader puts a code without placement.
std::string WithoutQrPlacement(const std::string& markup) {
  static const std::regex align("(<BarCode Type=\"QRCode\"[^>]*) Align=\"[A-Za-z]*\"");
  static const std::regex flow("(<BarCode Type=\"QRCode\"[^>]*) FlowTextLines=\"[0-9]*\"");
  return std::regex_replace(std::regex_replace(markup, flow, "$1"), align, "$1 Align=\"Center\"");
}

std::vector<std::filesystem::path> SampleJobs() {
  std::vector<std::filesystem::path> jobs;
  for (const char* folder : {ZEF_PRN_SAMPLES, ZEF_PRN_CORPUS})
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      if (entry.path().extension() == ".prn") jobs.push_back(entry.path());
  return jobs;
}

using RoundTrip = MarkupTest;

TEST_F(RoundTrip, EverySampleJobPrintsTheSameAfterItsMarkupIsWrittenBack) {
  std::vector<std::filesystem::path> jobs = SampleJobs();
  ASSERT_EQ(jobs.size(), 7u) << "three demo jobs and four fuzz seeds";
  for (const auto& job : jobs) {
    std::string prn;
    ASSERT_TRUE(platform::ReadWholeFile(job.string(), prn)) << job;
    std::string markup = Convert(prn, kDeviceTapes);
    std::string again = SegmentsToPrn(markup);
    EXPECT_EQ(Convert(again, kDeviceTapes), WithoutQrPlacement(WithoutReceiptInserts(markup))) << job << "\n" << again;
  }
}

// Element lines of one printout as the PRN reader writes them.
struct tCanonical {
  const char* Attributes;
  std::vector<const char*> Elements;
};

const tCanonical kCanonical[] = {
    {"Slip=\"0\" CutAfter=\"1\" Footer=\"0\"",
     {"<TextLine FontNum=\"2\" Bold=\"1\" BigHeight=\"1\" BigWidth=\"0\" Inverted=\"1\" Tapes=\"3\" "
      "Text=\"Кафе Орбело\"/>",
      "<TextLine FontNum=\"2\" Bold=\"0\" BigHeight=\"0\" BigWidth=\"1\" Inverted=\"0\" Tapes=\"1\" Text=\" \"/>",
      "<BarCode Width=\"2\" Height=\"100\" Type=\"EAN-13\" TextPosition=\"No\" Value=\"460123456789\"/>",
      "<BarCode Type=\"QRCode\" Height=\"5\" CorrectionLevel=\"25%\" Align=\"Center\" "
      "Value=\"t=20240101&amp;s=900.00\"/>",
      "<RawBlock Encoding=\"Base64\">G0AbZAM=</RawBlock>",
      "<Beep/>", "<Drawer Number=\"1\"/>", "<Logo Number=\"7\"/>", "<Pass Lines=\"3\"/>", "<Wait MSecs=\"500\"/>",
      "<AddInfo Name=\"Стол\" Data=\"12 = окно\"/>",
      "<TextLine FontNum=\"2\" Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"2\" Text=\"end\"/>"}},
    {"Slip=\"1\" CutAfter=\"0\" Footer=\"0\"",
     {"<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" Text=\"slip\"/>"}},
    {"Slip=\"0\" CutAfter=\"0\" Footer=\"1\"",
     {"<TextLine Bold=\"1\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" Text=\"footer\"/>"}},
};

TEST_F(RoundTrip, MarkupAsTheReaderWritesItComesBackFromItsPrn) {
  for (const tCanonical& printout : kCanonical) {
    std::string markup = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Unfiscal " +
                         std::string(printout.Attributes) + ">";
    std::vector<const char*> expected = {"<PRINTUNFISCAL>"};
    std::string unfiscal = "\t<Unfiscal " + std::string(printout.Attributes) + ">";
    expected.push_back(unfiscal.c_str());
    std::vector<std::string> lines;
    for (const char* element : printout.Elements) {
      markup += std::string("\r\n\t") + element;
      lines.push_back(std::string("\t\t") + element);
    }
    markup += "\r\n</Unfiscal>";
    for (const std::string& line : lines) expected.push_back(line.c_str());
    expected.push_back("\t</Unfiscal>");
    expected.push_back("</PRINTUNFISCAL>");
    std::string document = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
    for (const char* line : expected) document += std::string("\r\n") + line;

    std::string prn = tPRNCMDConvert(kSystemCharset, 0).ConvertMarkup(markup);
    EXPECT_EQ(Convert(prn, 0), document) << printout.Attributes;
  }
}

}  // namespace
