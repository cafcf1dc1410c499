// PRN to markup through the converter library: the library's
// ConvertPRNToXML with the device's settings, the document read back from
// the block the library hands over.
#pragma once
#include <string>

#include "io/printer/markup/uf_xml_base.h"

class TUFXmlBaseExt : public TUFXmlAbstract {
 public:
  // passSingleByteProc: the adapter's single-byte-to-Unicode procedure is
  // registered with the library around each conversion. The first object
  // of the process loads the library; `versionText` then receives its
  // version line (empty when the module registry did not describe it).
  TUFXmlBaseExt(uint8_t initialTapes, const tBarCodeDefaults& defaults, bool passSingleByteProc,
                std::string* versionText = nullptr);

  // False when the library is missing or lacks what the conversion needs,
  // or refuses the job. The library's text that is no XML document raises
  // the XML model's exception.
  bool ConvertPrn(const uint8_t* buffer, size_t size, IXmlDocument& document) override;

 private:
  uint8_t initialTapes_;
  tBarCodeDefaults defaults_;
  bool passSingleByteProc_;
};

// The adapter's single-byte-to-Unicode procedure: the system code page;
// the characters are copied only when there are 1 to `capacity` of them,
// and their number is returned in every case.
int32_t ZEF_STDCALL AdapterSingleByteToUnicode(const char* source, char16_t* target, int32_t capacity,
                                               int32_t charset);
