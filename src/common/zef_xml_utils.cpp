#include "common/zef_xml_utils.h"

#include <algorithm>

#include "common/zef_str_utils.h"

namespace {

using namespace Unfiscal;

// A flag of "Unfiscal": the low 8 bits of the number, then 0 or 1.
uint8_t FlagAttr(const IXmlElement& element, const char* name) {
  return (element->IntAttr(name, 0) & 0xFF) != 0 ? 1 : 0;
}

// A text attribute: -1 (also for a non-number) means not given.
bool TextAttr(const IXmlElement& element, const char* name, int32_t& value) {
  value = TZef_StrUtils::TextToInt(element->AttrText(name, "-1"), -1);
  return value != -1;
}

void ReadSwitch(const IXmlElement& element, const char* name, uint8_t& value, bool& given) {
  int32_t number = 0;
  given = TextAttr(element, name, number);
  if (given) value = number != 0 ? 1 : 0;
}

void ReadTextAttrs(const IXmlElement& element, tUnfiscalTextAttrs& attrs) {
  int32_t number = 0;
  attrs.FontNumGiven = TextAttr(element, kFontNum, number);
  if (attrs.FontNumGiven) attrs.FontNum = number;
  ReadSwitch(element, kBold, attrs.Bold, attrs.BoldGiven);
  ReadSwitch(element, kBigHeight, attrs.BigHeight, attrs.BigHeightGiven);
  ReadSwitch(element, kBigWidth, attrs.BigWidth, attrs.BigWidthGiven);
  ReadSwitch(element, kInverted, attrs.Inverted, attrs.InvertedGiven);
  attrs.TapesGiven = TextAttr(element, kTapes, number);
  if (attrs.TapesGiven) attrs.Tapes = number >= 4 ? 8 : number;
}

// The lines of a text block: cut at each CR LF; a final CR LF adds no line.
std::vector<std::string> BlockLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

bool ReadContent(uint8_t kind, const IXmlElement& element, TKvt_UnfiscalTag& tag) {
  switch (kind) {
    case ukTextBlock:
      tag.Lines = BlockLines(element->NodeText());
      if (tag.Lines.empty()) return false;
      ReadTextAttrs(element, tag.Text);
      return true;
    case ukTextLine:
    case ukTextPart: {
      std::string text = element->AttrText(kText, "");
      if (text.empty()) return false;
      tag.Lines.push_back(text);
      ReadTextAttrs(element, tag.Text);
      return true;
    }
    case ukRawBlock: {
      tag.Encoding = EncodingOfName(element->AttrText(kEncodingAttr, kPlain));
      std::string text = element->NodeText();
      if (text.empty()) return false;
      tag.Lines.push_back(text);
      return true;
    }
    case ukBarCode:
      tag.Width = int32_t(element->IntAttr(kWidth, 2));
      tag.Height = int32_t(element->IntAttr(kHeight, 100));
      tag.BarCodeType = BarCodeTypeOfName(element->AttrText(kType, NameOfBarCodeType(bcEAN13)));
      tag.TextPosition = TextPositionOfName(element->AttrText(kTextPosition, NameOfTextPosition(tpNo)));
      tag.Value = element->AttrText(kValue, "0");
      return true;
    case ukBeep:
      return true;
    case ukDrawer:
      tag.Number = int32_t(std::clamp<int64_t>(element->IntAttr(kNumber, 0), 0, 1));
      return true;
    case ukLogo:
      tag.Value = element->AttrText(kNumber, "0");
      return true;
    case ukPass:
      tag.Number = std::clamp(TZef_StrUtils::TextToInt(element->AttrText(kLines, "0"), 0), 0, kMaxPassLines);
      return true;
    case ukWait:
      tag.Number = std::clamp(TZef_StrUtils::TextToInt(element->AttrText(kMSecs, "0"), 0), 0, kMaxWaitMSecs);
      return true;
    case ukAddInfo:
      tag.Name = element->AttrText(kName, "");
      tag.Data = element->AttrText(kData, "");
      return true;
    default:
      return false;
  }
}

}  // namespace

std::unique_ptr<TKvt_UnfiscalTag> TZef_XMLUtils::ParseUnfiscalTag(uint8_t kind, const IXmlElement& element) {
  auto tag = std::make_unique<TKvt_UnfiscalTag>();
  tag->Kind = kind;
  if (!ReadContent(kind, element, *tag)) return nullptr;
  return tag;
}

bool TZef_XMLUtils::ParseUnfiscalDocument(const IXmlDocument& document, TKvt_UnfiscalTagList& list,
                                          TZef_Generic_Result* result) {
  list.Clear();
  IXmlElement root = document ? document->DocumentElement() : IXmlElement();
  if (!root || root->NodeName() != kUnfiscal) return false;
  list.Element = root;
  list.Slip = FlagAttr(root, kSlip);
  list.CutAfter = FlagAttr(root, kCutAfter);
  list.Footer = FlagAttr(root, kFooter);
  list.ReceiptInsert = FlagAttr(root, kReceiptInsert);
  for (int32_t i = 0; i < root->ChildCount(); ++i) {
    IXmlElement element = root->ChildAt(i)->AsElement();
    if (!element) continue;
    uint8_t kind = KindOfName(element->NodeName());
    std::unique_ptr<TKvt_UnfiscalTag> tag = ParseUnfiscalTag(kind, element);
    if (!tag) continue;
    tag->Element = element;
    list.AddTag(kind, std::move(tag));
  }
  return true;
}
