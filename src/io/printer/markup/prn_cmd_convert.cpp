#include "io/printer/markup/prn_cmd_convert.h"

#include "common/zef_str_utils.h"
#include "common/zef_xml_utils.h"
#include "io/printer/markup/prn_commands.h"
#include "io/printer/markup/vietnamese_text.h"
#include "platform/codepage.h"
#include "xml/base64.h"
#include "xml/simplexml.h"
#include "standart/text.h"

namespace {

using namespace Unfiscal;
using namespace PrinterCharsets;

const char kLineEnd[] = "\r\n";
const char kDefaultCorrectionLevel[] = "15%";
constexpr int32_t kHighestTapes = 3;
constexpr int32_t kAllTapes = 8;

void Short(std::string& prn, uint8_t command) {
  prn += char(Prn::kEsc);
  prn += char(command);
}

void Long(std::string& prn, uint8_t command, const std::string& parameter) {
  Short(prn, command);
  prn += parameter;
  prn += char(Prn::kEsc);
  prn += char(Prn::kParameterEnd);
}

void Switch(std::string& prn, bool given, uint8_t value, uint8_t on, uint8_t off) {
  if (given) Short(prn, value ? on : off);
}

// "15%" or " 15 " give "15".
std::string CorrectionLevel(const IXmlElement& element) {
  std::string level = element ? element->AttrText(kCorrectionLevel, kDefaultCorrectionLevel) : kDefaultCorrectionLevel;
  if (!level.empty() && level.back() == '%') level.pop_back();
  return Trim(level);
}

// Height and correction level only: the POS's printers take these two
// fields, so the alignment and flow text lines of the markup stay there.
std::string QrSettings(const TKvt_UnfiscalTag& tag) {
  return std::to_string(tag.Height) + ";" + CorrectionLevel(tag.Element);
}

}  // namespace

tPRNCMDConvert::tPRNCMDConvert(int32_t charset, int32_t localeId)
    : charset_(charset), mode_(LanguageModeOfLocale(localeId)) {}

std::string tPRNCMDConvert::ConvertMarkup(const std::string& markup) const {
  if (markup.empty()) return std::string();
  IXmlDocument document = ParseXmlDocument(markup);
  TKvt_UnfiscalTagList tags;
  if (!TZef_XMLUtils::ParseUnfiscalDocument(document, tags) || tags.Count() == 0) return std::string();
  std::string prn;
  Short(prn, Prn::cmdStart);
  Short(prn, tags.Slip ? Prn::cmdSlipStation : Prn::cmdReceiptStation);
  if (tags.Footer) Short(prn, Prn::cmdFooter);
  for (const auto& tag : tags) WriteTag(*tag, prn);
  // A slip leaves the printer with its document; it is not cut.
  if (tags.Slip)
    Short(prn, Prn::cmdSlipEnd);
  else if (tags.CutAfter)
    Short(prn, Prn::cmdCut);
  return prn;
}

void tPRNCMDConvert::WriteTag(const TKvt_UnfiscalTag& tag, std::string& prn) const {
  switch (tag.Kind) {
    case ukTextBlock:
    case ukTextLine:
    case ukTextPart: WriteText(tag, prn); break;
    case ukRawBlock: WriteRawBlock(tag, prn); break;
    case ukBarCode: WriteBarCode(tag, prn); break;
    case ukBeep: Short(prn, Prn::cmdBeep); break;
    case ukDrawer: Long(prn, Prn::cmdDrawer, std::to_string(tag.Number)); break;
    case ukLogo: Long(prn, Prn::cmdLogo, tag.Value); break;
    case ukPass: Long(prn, Prn::cmdFeed, std::to_string(tag.Number)); break;
    case ukWait: Long(prn, Prn::cmdWait, std::to_string(tag.Number)); break;
    case ukAddInfo: Long(prn, Prn::cmdAddInfo, PrinterText(tag.Name) + "=" + PrinterText(tag.Data)); break;
    default: break;
  }
}

void tPRNCMDConvert::WriteText(const TKvt_UnfiscalTag& tag, std::string& prn) const {
  const tUnfiscalTextAttrs& a = tag.Text;
  if (a.FontNumGiven) Long(prn, Prn::cmdFont, std::to_string(a.FontNum));
  Switch(prn, a.BoldGiven, a.Bold, Prn::cmdBoldOn, Prn::cmdBoldOff);
  Switch(prn, a.BigHeightGiven, a.BigHeight, Prn::cmdBigHeightOn, Prn::cmdBigHeightOff);
  Switch(prn, a.BigWidthGiven, a.BigWidth, Prn::cmdBigWidthOn, Prn::cmdBigWidthOff);
  Switch(prn, a.InvertedGiven, a.Inverted, Prn::cmdInverseOn, Prn::cmdInverseOff);
  if (a.TapesGiven) Long(prn, Prn::cmdTapes, std::to_string(a.Tapes > kHighestTapes ? kAllTapes : a.Tapes));
  const char* end = tag.Kind == ukTextPart ? " " : kLineEnd;
  for (const std::string& line : tag.Lines) {
    prn += PrinterText(line);
    prn += end;
  }
}

void tPRNCMDConvert::WriteRawBlock(const TKvt_UnfiscalTag& tag, std::string& prn) const {
  for (const std::string& line : tag.Lines) {
    if (line.empty()) continue;
    std::string bytes = tag.Encoding == encBase64 ? Base64Decode(line) : line;
    if (bytes.empty()) throw EAssertionFailed("Assertion failed: Base64 RawBlock without bytes (IO\\PRINTER\\MARKUP)");
    Long(prn, Prn::cmdRawBytes,
         TZef_StrUtils::BytesToHex(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  }
}

void tPRNCMDConvert::WriteBarCode(const TKvt_UnfiscalTag& tag, std::string& prn) const {
  if (tag.BarCodeType != bcQRCode) {
    Long(prn, Prn::cmdBarCode, tag.Value);
    return;
  }
  Long(prn, Prn::cmdQrSettings, QrSettings(tag));
  Long(prn, Prn::cmdQrCode, PrinterText(tag.Value));
}

std::string tPRNCMDConvert::PrinterText(const std::string& utf8) const {
  if (charset_ < 0) return utf8;
  return EncodeWide(platform::Utf8ToWide(utf8));
}

std::string tPRNCMDConvert::EncodeWide(const std::u16string& text) const {
  if (charset_ == kCharsetUtf8) return platform::WideToUtf8(text);
  if (charset_ == kCharsetSpecialTable) return SpecialTable().Encode(text);
  switch (mode_) {
    case lmGeorgian: return GeorgianTable().Encode(text);
    case lmArmenian: return ArmenianTable().Encode(text);
    case lmMongolian: return MongolianTable().Encode(text);
    default: break;
  }
  if (charset_ == kCharsetVietnamese) return VietnameseComposition(VietnameseByteStep(text));
  return platform::WideToSingleByte(platform::CharsetCodePage(charset_), text);
}
