#include "io/printer/markup/uf_xml_base.h"

#include <cstring>

#include "common/unfiscal_markup.h"
#include "common/zef_str_utils.h"
#include "io/printer/markup/prn_commands.h"
#include "io/printer/markup/uf_markup_text.h"
#include "standart/format.h"
#include "standart/text.h"

namespace {

using namespace Unfiscal;

const char* const kAlignments[] = {"Center", "Left", "Right"};
constexpr int64_t kMaxEan13Value = 999999999999LL;
constexpr int kBase64LineLength = 80;

const char* Flag(uint8_t value) { return value ? "1" : "0"; }

// Tapes state 1 and 2 are written as "2" and "3"; every other as "1".
const char* TapesText(uint8_t tapes) { return tapes == 1 ? "2" : tapes == 2 ? "3" : "1"; }

bool IsHexSeparator(uint8_t c) { return c == ' ' || c == ',' || c == ';' || c == 'H' || c == 'h'; }

}  // namespace

std::string HexToBytes(const std::string& parameter) {
  std::string bytes;
  const size_t n = parameter.size();
  for (size_t at = 0; at < n;) {
    uint8_t c = uint8_t(parameter[at]);
    if (IsHexSeparator(c) || c == '$') {
      ++at;
      continue;
    }
    if (c == '0' && at + 1 < n && parameter[at + 1] == 'x') {
      at += 2;
      continue;
    }
    int high = TZef_StrUtils::HexDigitValue(char(c));
    if (high < 0) break;
    if (at + 1 == n || IsHexSeparator(uint8_t(parameter[at + 1]))) {
      bytes += char(high);
    } else {
      int low = TZef_StrUtils::HexDigitValue(parameter[at + 1]);
      if (low < 0) break;
      bytes += char(high * 16 + low);
    }
    at += 2;
  }
  return bytes;
}

TUFXmlBase::TUFXmlBase(uint8_t initialTapes, int32_t initialFont, const tBarCodeDefaults& defaults)
    : defaults_(defaults), qrHeight_(defaults.Height), state_(initialTapes, initialFont) {
  // A type without a name is written as EAN-13, so it is checked as one.
  if (defaults_.Type > bcQRCode) defaults_.Type = bcEAN13;
  if (defaults_.TextPosition > tpTopAndBottom) defaults_.TextPosition = tpNo;
}

bool TUFXmlBase::SegmentHasText(const IXmlElement& segment) {
  if (!segment) return false;
  for (int32_t i = 0; i < segment->ChildCount(); ++i) {
    IXmlElement child = segment->ChildAt(i)->AsElement();
    if (!child) continue;
    const std::string& name = child->NodeName();
    if ((name == NameOfKind(ukTextLine) || name == NameOfKind(ukTextPart)) &&
        !Trim(child->AttrText(kText)).empty())
      return true;
  }
  return false;
}

bool TUFXmlBase::ConvertPrn(const uint8_t* buffer, size_t size, IXmlDocument& document) {
  document_ = nullptr;
  segmentCount_ = 0;
  qrHeight_ = defaults_.Height;
  qrCorrectionLevel_ = qrAlignment_ = qrFlowTextLines_ = 0;
  state_.Reset();
  StartSegment();
  for (size_t at = 0; at < size;) {
    uint8_t byte = buffer[at];
    if (byte >= 0x20) {
      size_t end = at + 1;
      while (end < size && buffer[end] >= 0x20) ++end;
      state_.Text.append(reinterpret_cast<const char*>(buffer + at), end - at);
      at = end;
      continue;
    }
    if (byte == Prn::kEsc) {
      at = Command(buffer, size, at);
      continue;
    }
    if (byte == Prn::kLineFeed) EmitTextLine();
    if (byte == Prn::kCarriageReturn && state_.Text.empty()) state_.Text = " ";
    ++at;
  }
  EmitTextPart();
  FinishDocument();
  document = document_;
  return true;
}

size_t TUFXmlBase::Command(const uint8_t* buffer, size_t size, size_t at) {
  EmitTextPart();
  if (at + 1 >= size) return size;  // ESC as the last byte: no command
  uint8_t command = buffer[at + 1];
  at += 2;
  if (!Prn::IsLongCommand(command)) {
    ShortCommand(command);
    return at;
  }
  // A parameter not closed before the end of the buffer is taken whole.
  const void* found = std::memchr(buffer + at, Prn::kEsc, size - at);
  size_t end = found ? size_t(static_cast<const uint8_t*>(found) - buffer) : size;
  LongCommand(command, std::string(reinterpret_cast<const char*>(buffer + at), end - at));
  return end + 2 < size ? end + 2 : size;
}

void TUFXmlBase::ShortCommand(uint8_t command) {
  switch (command) {
    case Prn::cmdBigHeightOff: state_.BigHeight = 0; break;
    case Prn::cmdBigHeightOn: state_.BigHeight = 1; break;
    case Prn::cmdBigWidthOff: state_.BigWidth = 0; break;
    case Prn::cmdBigWidthOn: state_.BigWidth = 1; break;
    case Prn::cmdReceiptStation:
      if (state_.Slip) {
        CloseSegment();
        state_.Slip = 0;
      }
      break;
    case Prn::cmdCut:
    case Prn::cmdCutToo:
      state_.CutAfter = 1;
      CloseSegment();
      break;
    case Prn::cmdSlipStation:
      if (!state_.Slip) {
        CloseSegment();
        state_.Slip = 1;
      }
      break;
    case Prn::cmdSlipEnd: CloseSegment(); break;
    case Prn::cmdBeep: AppendElement(NameOfKind(ukBeep)); break;
    case Prn::cmdDrawer0: AppendElement(NameOfKind(ukDrawer))->SetAttr(kNumber, "0"); break;
    case Prn::cmdInverseOff: state_.Inverted = 0; break;
    case Prn::cmdInverseOn: state_.Inverted = 1; break;
    case Prn::cmdBoldOff: state_.Bold = 0; break;
    case Prn::cmdBoldOn: state_.Bold = 1; break;
    case Prn::cmdReceiptInsert:
      CloseSegment();
      state_.ReceiptInsert = 1;
      break;
    case Prn::cmdFooter:
      CloseSegment();
      state_.Footer = 1;
      break;
    default: break;  // "1" and unknown commands
  }
}

void TUFXmlBase::LongCommand(uint8_t command, const std::string& parameter) {
  switch (command) {
    case Prn::cmdFeed:
      AppendElement(NameOfKind(ukPass))->SetIntAttr(kLines, TZef_StrUtils::TextToInt(parameter, 0) & 0xFF);
      break;
    case Prn::cmdBarCode: BarCode(parameter); break;
    case Prn::cmdLogo: AppendElement(NameOfKind(ukLogo))->SetAttr(kNumber, parameter); break;
    case Prn::cmdRawBytes: RawBytes(parameter); break;
    case Prn::cmdTapes: {
      int32_t number = TZef_StrUtils::TextToInt(parameter, -1);
      state_.Tapes = number == 2 ? 1 : number == 3 ? 2 : 0;
      break;
    }
    case Prn::cmdDrawer:
      AppendElement(NameOfKind(ukDrawer))->SetIntAttr(kNumber, TZef_StrUtils::TextToInt(parameter, 0) & 0xFF);
      break;
    case Prn::cmdWait: AppendElement(NameOfKind(ukWait))->SetIntAttr(kMSecs, TZef_StrUtils::TextToInt(parameter, 0)); break;
    case Prn::cmdQrCode: QrCode(parameter); break;
    case Prn::cmdAddInfo: AddInfo(parameter); break;
    case Prn::cmdQrSettings: QrSettings(parameter); break;
    case Prn::cmdFont: state_.Font = TZef_StrUtils::TextToInt(parameter, TKvt_UnfiscalPrint::kNoFont); break;
    default: break;
  }
}

IXmlElement TUFXmlBase::AppendElement(const char* name) { return segment_->AppendElement(name); }

void TUFXmlBase::StartSegment() {
  if (!document_) document_ = NewXmlDocument(kDocumentRoot, kVersion, kEncoding);
  segment_ = document_->DocumentElement()->AppendElement(kUnfiscal);
  ++segmentCount_;
  segmentHasText_ = false;
}

void TUFXmlBase::WriteSegmentFlags() {
  segment_->SetAttr(kSlip, Flag(state_.Slip));
  segment_->SetAttr(kCutAfter, Flag(state_.CutAfter));
  segment_->SetAttr(kFooter, Flag(state_.Footer));
  if (state_.ReceiptInsert) segment_->SetAttr(kReceiptInsert, "1");
}

void TUFXmlBase::CloseSegment() {
  WriteSegmentFlags();
  if (!segmentHasText_) return;  // keeps collecting; its flags are written again
  state_.Reset();
  StartSegment();
}

// A last segment without text joins the one before it. A single segment
// stays, also when it only asks for a cut: there is nothing to join.
void TUFXmlBase::FinishDocument() {
  if (segmentHasText_ || segmentCount_ < 2) {
    WriteSegmentFlags();
    return;
  }
  IXmlElement root = document_->DocumentElement();
  IXmlElement previous = root->ChildAt(root->ChildCount() - 2)->AsElement();
  root->RemoveChild(IXmlNode(segment_));
  while (segment_->ChildCount() > 0) previous->AppendChild(segment_->ChildAt(0));
  segment_ = previous;
  --segmentCount_;
}

void TUFXmlBase::EmitText(bool line) {
  if (state_.Text.empty()) return;
  std::string text = UFText::MarkupText(state_.Text, RawText);
  IXmlElement element = AppendElement(NameOfKind(line ? ukTextLine : ukTextPart));
  if (state_.Font != TKvt_UnfiscalPrint::kNoFont) element->SetIntAttr(kFontNum, state_.Font);
  element->SetAttr(kBold, Flag(state_.Bold));
  element->SetAttr(kBigHeight, Flag(state_.BigHeight));
  element->SetAttr(kBigWidth, Flag(state_.BigWidth));
  element->SetAttr(kInverted, Flag(state_.Inverted));
  element->SetAttr(kTapes, TapesText(state_.Tapes));
  if (!segmentHasText_ && !Trim(text).empty()) segmentHasText_ = true;
  element->SetAttr(kText, text);
  state_.Text.clear();
}

void TUFXmlBase::AppendError(const char* format, const std::string& parameter) {
  std::string text;
  try {
    text = Fmt(UFText::TranslateText(format), parameter);
  } catch (const EFormatError&) {
    text = Fmt(format, parameter);  // a translation that does not fit the parameter
  }
  state_.Text += text;
}

void TUFXmlBase::BarCode(const std::string& parameter) {
  int64_t number = TZef_StrUtils::TextToInt64(parameter, -1);
  if (defaults_.Type == bcEAN13 && (number < 0 || number > kMaxEan13Value)) {
    AppendError("* ERROR BARCODE: %s *", parameter);
    return;
  }
  IXmlElement element = AppendElement(NameOfKind(ukBarCode));
  element->SetIntAttr(kWidth, defaults_.Width);
  element->SetIntAttr(kHeight, defaults_.Height);
  element->SetAttr(kType, NameOfBarCodeType(defaults_.Type));
  element->SetAttr(kTextPosition, NameOfTextPosition(defaults_.TextPosition));
  element->SetAttr(kValue, parameter);
}

void TUFXmlBase::QrSettings(const std::string& parameter) {
  std::string fields = Trim(parameter);
  int field = 0;
  for (size_t at = 0; at <= fields.size() && field < 4; ++field) {
    size_t end = fields.find(';', at);
    if (end == std::string::npos) end = fields.size();
    std::string value = fields.substr(at, end - at);
    at = end + 1;
    switch (field) {
      case 0: qrHeight_ = TZef_StrUtils::TextToInt(value, qrHeight_); break;
      case 1: qrCorrectionLevel_ = TZef_StrUtils::TextToInt(value, qrCorrectionLevel_); break;
      case 2:
        for (int index = 0; index < 3; ++index)
          if (value == kAlignments[index]) qrAlignment_ = index;
        break;
      default: qrFlowTextLines_ = TZef_StrUtils::TextToInt(value, qrFlowTextLines_); break;
    }
  }
}

// The QR data is text like every other text of the markup, so it is
// written in UTF-8 too; the markup-to-PRN direction converts it back.
void TUFXmlBase::QrCode(const std::string& parameter) {
  IXmlElement element = AppendElement(NameOfKind(ukBarCode));
  element->SetAttr(kType, NameOfBarCodeType(bcQRCode));
  element->SetIntAttr(kHeight, qrHeight_);
  if (qrCorrectionLevel_ != 0) element->SetAttr(kCorrectionLevel, std::to_string(qrCorrectionLevel_) + "%");
  element->SetAttr(kAlign, kAlignments[qrAlignment_]);
  if (qrFlowTextLines_ > 0) element->SetIntAttr(kFlowTextLines, qrFlowTextLines_);
  element->SetAttr(kValue, UFText::MarkupText(parameter, RawText));
}

void TUFXmlBase::RawBytes(const std::string& parameter) {
  std::string bytes = HexToBytes(parameter);
  if (bytes.empty()) {
    AppendError("* ERROR ANYHEX: %s *", parameter);
    return;
  }
  IXmlElement element = AppendElement(NameOfKind(ukRawBlock));
  element->SetAttr(kEncodingAttr, kBase64);
  element->ReplaceTextByBase64(bytes, kBase64LineLength);
}

void TUFXmlBase::AddInfo(const std::string& parameter) {
  size_t equals = parameter.find('=');
  if (equals == std::string::npos) return;
  IXmlElement element = AppendElement(NameOfKind(ukAddInfo));
  element->SetAttr(kName, UFText::MarkupText(Trim(parameter.substr(0, equals)), RawText));
  element->SetAttr(kData, UFText::MarkupText(parameter.substr(equals + 1), RawText));
}
