#include "quillet/quillet_exports.h"

#include <atomic>
#include <cstring>

#include "io/printer/markup/prn_cmd_convert.h"
#include "io/printer/markup/uf_xml_base.h"
#include "standart/errors.h"
#include "standart/host_params.h"
#include "standart/memstream.h"
#include "standart/module_info.h"
#include "xml/simplexml.h"

namespace {

std::atomic<int32_t> g_defaultCharset{tPRNCMDConvert::kNoCharset};
constexpr int32_t kDefaultLocale = 0;  // language mode 2

// Runs the body of an export; a failure is logged with the export's name
// and gives false.
template <class F>
uint8_t Guarded(const char* exportName, platform::MemHandle* block, int32_t* size, F&& body) noexcept {
  try {
    if (!block || !size) throw tInterfacedException("no address for the result block");
    *block = 0;
    *size = 0;
    body();
    return 1;
  } catch (...) {
    try {
      LogText(0, std::string("Quillet.DLL ") + exportName + ": " + ExceptionMessage());
    } catch (...) {
    }
    return 0;
  }
}

void HandOver(const std::string& bytes, platform::MemHandle* block, int32_t* size) {
  *block = NewMovableBlock(bytes.data(), bytes.size());
  *size = int32_t(bytes.size());
}

// The character set set by SetXMLToPRNCharset, else the POS's main one,
// else none (texts stay UTF-8).
int32_t DefaultCharset() {
  int32_t charset = g_defaultCharset.load();
  if (charset != tPRNCMDConvert::kNoCharset) return charset;
  return HostParams::MainCharset(tPRNCMDConvert::kNoCharset);
}

void WriteInt32(uint8_t* at, int32_t value) { std::memcpy(at, &value, 4); }

}  // namespace

uint8_t ZEF_REGCALL INITDLL(int32_t, int32_t, int32_t mode, int32_t* errorCode, uint8_t* info, int32_t) {
  try {
    using namespace QuilletInfoLayout;
    if (mode != 0 && mode != 2) {
      if (errorCode) *errorCode = kBadMode;
      return 0;
    }
    if (!info) return 0;
    tModuleInfo module = ReadModuleInfo(reinterpret_cast<const void*>(&INITDLL));
    WriteInt32(info + kTwo, 2);
    WriteInt32(info + kRelease, module.Release);
    StoreShortString(info + kDescription, module.Description);
    return 1;
  } catch (...) {
    return 0;
  }
}

uint8_t ZEF_STDCALL ConvertXMLToPRN(const char* markup, platform::MemHandle* block, int32_t* size) {
  return Guarded("ConvertXMLToPRN", block, size, [&] {
    tPRNCMDConvert converter(DefaultCharset(), kDefaultLocale);
    HandOver(converter.ConvertMarkup(markup ? markup : ""), block, size);
  });
}

uint8_t ZEF_STDCALL ConvertXMLToPRNCharsetLocale(const char* markup, int32_t charset, int32_t localeId,
                                                 platform::MemHandle* block, int32_t* size) {
  return Guarded("ConvertXMLToPRNCharsetLocale", block, size, [&] {
    tPRNCMDConvert converter(charset, localeId);
    HandOver(converter.ConvertMarkup(markup ? markup : ""), block, size);
  });
}

int32_t ZEF_STDCALL SetXMLToPRNCharset(int32_t charset) {
  g_defaultCharset.store(charset);
  return charset;
}

uint8_t ZEF_STDCALL ConvertPRNToXML(uint32_t initialTapes, const tBarCodeDefaults* defaults, const uint8_t* prn,
                                    int32_t count, platform::MemHandle* block, int32_t* size) {
  return Guarded("ConvertPRNToXML", block, size, [&] {
    if (!defaults) throw tInterfacedException("no barcode defaults");
    if (count < 0 || (count > 0 && !prn)) throw tInterfacedException("no PRN bytes");
    TUFXmlBase converter(uint8_t(initialTapes), TKvt_UnfiscalPrint::kNoFont, *defaults);
    IXmlDocument document;
    converter.ConvertPrn(prn, size_t(count), document);
    HandOver(document->Xml(), block, size);
  });
}

uint8_t ZEF_STDCALL ConvertPRNToXMLEx(uint32_t, const uint8_t*, int32_t, platform::MemHandle* block, int32_t* size) {
  return Guarded("ConvertPRNToXMLEx", block, size, [] { throw tInterfacedException("Not implemented"); });
}

TSingleByteToUnicodeProc ZEF_STDCALL SetSingleByteToUNICODEProc(TSingleByteToUnicodeProc procedure) {
  return UFText::SetSingleByteToUnicodeProc(procedure);
}
