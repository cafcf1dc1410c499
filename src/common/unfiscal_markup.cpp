#include "common/unfiscal_markup.h"

namespace Unfiscal {

namespace {

const char* const kKindNames[] = {"TextBlock", "TextLine", "TextPart", "RawBlock", "BarCode", "Beep",
                                  "Drawer",    "Logo",     "Pass",     "Wait",     "AddInfo"};
const char* const kBarCodeTypeNames[] = {"EAN-13", "Code-128", "Code-39", "QRCode"};
const char* const kTextPositionNames[] = {"No", "Top", "Bottom", "Top&Bottom"};

template <size_t N>
int32_t IndexOf(const char* const (&names)[N], const std::string& name, int32_t missing) {
  for (size_t i = 0; i < N; ++i)
    if (name == names[i]) return int32_t(i);
  return missing;
}

}  // namespace

TKind KindOfName(const std::string& name) { return TKind(IndexOf(kKindNames, name, ukUnknown)); }

const char* NameOfKind(uint8_t kind) { return kind < ukUnknown ? kKindNames[kind] : ""; }

int32_t EncodingOfName(const std::string& name) { return name == kBase64 ? encBase64 : encPlain; }

uint8_t BarCodeTypeOfName(const std::string& name) { return uint8_t(IndexOf(kBarCodeTypeNames, name, bcEAN13)); }

const char* NameOfBarCodeType(uint8_t type) { return type <= bcQRCode ? kBarCodeTypeNames[type] : kBarCodeTypeNames[0]; }

uint8_t TextPositionOfName(const std::string& name) { return uint8_t(IndexOf(kTextPositionNames, name, tpNo)); }

const char* NameOfTextPosition(uint8_t position) {
  return position <= tpTopAndBottom ? kTextPositionNames[position] : kTextPositionNames[0];
}

}  // namespace Unfiscal
