#include "common/unfiscal_tags.h"

void TKvt_UnfiscalTagList::AddTag(uint8_t kind, std::unique_ptr<TKvt_UnfiscalTag> tag) {
  if (Unfiscal::IsTextKind(kind)) {
    ++TextTagCount;
    if (kind == Unfiscal::ukTextBlock) ++TextBlockCount;
    if (kind == Unfiscal::ukTextLine) ++TextLineCount;
    if (kind == Unfiscal::ukTextPart) ++TextPartCount;
  }
  tags_.push_back(std::move(tag));
}

void TKvt_UnfiscalTagList::Clear() {
  tags_.clear();
  Element = nullptr;
  Slip = CutAfter = Footer = ReceiptInsert = 0;
  TextTagCount = TextBlockCount = TextLineCount = TextPartCount = 0;
}
