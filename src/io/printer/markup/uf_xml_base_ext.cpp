#include "io/printer/markup/uf_xml_base_ext.h"

#include <atomic>
#include <cstring>

#include "io/printer/markup/quillet_binding.h"
#include "platform/codepage.h"
#include "xml/simplexml.h"

namespace {

std::atomic<bool> g_created{false};

// Registers the procedure for the life of one conversion.
class tRegisteredProcedure {
 public:
  tRegisteredProcedure(QuilletApi::TSetSingleByteToUNICODEProc set, bool active) : set_(active ? set : nullptr) {
    if (set_) set_(&AdapterSingleByteToUnicode);
  }
  ~tRegisteredProcedure() {
    if (set_) set_(nullptr);
  }

 private:
  QuilletApi::TSetSingleByteToUNICODEProc set_;
};

}  // namespace

int32_t ZEF_STDCALL AdapterSingleByteToUnicode(const char* source, char16_t* target, int32_t capacity,
                                               int32_t charset) {
  if (!source) return 0;
  std::u16string wide = platform::SingleByteToWide(platform::kCodePageSystem, source);
  int32_t length = int32_t(wide.size());
  if (target && length >= 1 && length <= capacity) std::memcpy(target, wide.data(), wide.size() * sizeof(char16_t));
  return length;
}

TUFXmlBaseExt::TUFXmlBaseExt(uint8_t initialTapes, const tBarCodeDefaults& defaults, bool passSingleByteProc,
                             std::string* versionText)
    : initialTapes_(initialTapes), defaults_(defaults), passSingleByteProc_(passSingleByteProc) {
  const tQuilletBinding& binding = tQuilletBinding::Instance();
  if (!g_created.exchange(true) && versionText) *versionText = binding.VersionText();
}

bool TUFXmlBaseExt::ConvertPrn(const uint8_t* buffer, size_t size, IXmlDocument& document) {
  document = nullptr;
  const tQuilletBinding& binding = tQuilletBinding::Instance();
  if (!binding.Loaded() || !binding.ConvertPRNToXML) return false;
  if (passSingleByteProc_ && !binding.SetSingleByteToUNICODEProc) return false;
  tRegisteredProcedure procedure(binding.SetSingleByteToUNICODEProc, passSingleByteProc_);
  platform::MemHandle block = 0;
  int32_t blockSize = 0;
  bool converted = binding.ConvertPRNToXML(initialTapes_, &defaults_, buffer, int32_t(size), &block, &blockSize);
  std::string text = TakeBlockBytes(block, blockSize);
  if (!converted || !block) return false;
  document = ParseXmlDocument(text);
  return true;
}
