#include "io/printer/fiscreg/fisc_doc_info.h"

#include <algorithm>
#include <cstring>

#include "standart/errors.h"
#include "standart/format.h"

namespace {

const char* const kKindNames[] = {
    "Unfiscal document",
    "Print Fiscal Receipt",
    "Delete Fiscal Check",
    "Close Fiscal Shift",
    "Cash In/Out",
    "Print X Report",
    "Print Special Report",
    "Get Next Doc N",
    "Program printer",
    "Print Full Last Shift",
    "Collect all cash",
    "Unfiscal printing in receipt",
    "Barcodes in unfiscal document",
    "Z Report clear money counters",
    "Receipt copy",
    "Fiscal Return",
    "Delete Return",
    "Bill",
    "Fill Order",
    "Voids",
    "Close Order",
    "Undo Bill",
    "Text open shift",
    "New order",
    "Cancel Order",
};
static_assert(sizeof(kKindNames) / sizeof(kKindNames[0]) == kLastFiscDocKind + 1, "one name per kind");

struct tFlagName {
  int32_t Bit;
  const char* Name;
};
const tFlagName kFlagNames[] = {
    {fdfSummaryOnly, "fdfSummaryOnly"},     {fdfSeparateDiscount, "fdfSeparateDiscount"},
    {fdfUseTaxDishType, "fdfUseTaxDishType"}, {fdfPrintChange, "fdfPrintChange"},
    {fdfPrintDish0Price, "fdfPrintDish0Price"}, {fdfUseAltNames, "fdfUseAltNames"},
    {fdfAdvance, "fdfAdvance"},             {fdfTRAINING, "fdfTRAINING"},
    {fdfVoided, "fdfVoided"},
};

const char kIllegalHandle[] = "Illegal handle";

}  // namespace

std::string RecordBlock(uint32_t address, int32_t size) {
  if (address == 0 || size <= 0) return std::string();
  return std::string(reinterpret_cast<const char*>(RecordAddress(address)), size_t(size));
}

std::string FiscDocKindName(uint8_t kind) {
  if (kind <= kLastFiscDocKind) return kKindNames[kind];
  return Fmt("Unknown document kind %d", int32_t(kind));
}

std::string FiscDocFlagsStr(int32_t flags) {
  uint32_t bits = uint32_t(flags);
  std::string text = Fmt("0x%x", bits);
  for (const tFlagName& flag : kFlagNames)
    if (bits & uint32_t(flag.Bit)) text += std::string(", ") + flag.Name;
  if (bits > uint32_t(kKnownFiscDocFlags)) text += Fmt(", fdXXX=0x%x", bits & ~uint32_t(kKnownFiscDocFlags));
  return text;
}

tDocSettings DocSettingsOf(int32_t flags) {
  auto bit = [flags](int32_t flag) { return uint8_t((flags & flag) != 0 ? 1 : 0); };
  tDocSettings settings;
  settings.PrintChange = bit(fdfPrintChange);
  settings.UseTaxDishType = bit(fdfUseTaxDishType);
  settings.SummaryOnly = bit(fdfSummaryOnly);
  settings.SeparateDiscounts = bit(fdfSeparateDiscount);
  settings.PrintDish0Price = bit(fdfPrintDish0Price);
  settings.UseAltNames = bit(fdfUseAltNames);
  settings.Voided = bit(fdfVoided);
  return settings;
}

tFiscDocCopy::tFiscDocCopy(uint8_t* caller) : caller_(caller), copied_(0) {
  std::memset(&local_, 0, sizeof local_);
  int32_t size = 0;
  std::memcpy(&size, caller_, sizeof size);
  copied_ = size_t(std::clamp<int32_t>(size, 0, kFiscDocInfoSize));
  std::memcpy(&local_, caller_, std::max(copied_, sizeof size));
  StoreShortString(local_.ErrorText, kIllegalHandle);
}

tFiscDocCopy::~tFiscDocCopy() { CopyBack(); }

void tFiscDocCopy::CopyBack() {
  if (copiedBack_) return;
  copiedBack_ = true;
  constexpr size_t kFrom = offsetof(TFiscDocInfo, Kind);
  if (copied_ > kFrom)
    std::memcpy(caller_ + kFrom, reinterpret_cast<const uint8_t*>(&local_) + kFrom, copied_ - kFrom);
}
