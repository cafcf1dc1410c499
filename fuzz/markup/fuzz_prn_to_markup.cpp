// Fuzz target of the PRN-to-markup converter: the first byte chooses the
// settings (initial tapes, barcode type, raw texts), the rest is the job.
// Every job must give a document whose text parses again, whose root holds
// only "Unfiscal" segments, each readable as print markup, and in which only
// the last segment may lack text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/zef_xml_utils.h"
#include "io/printer/markup/uf_xml_base.h"
#include "standart/host_params.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  HostParams::OverrideFunction(nullptr);  // no parameter service: texts in the system code page
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  uint8_t choice = data[0];
  tBarCodeDefaults defaults{uint8_t((choice >> 2) & 7), 2, 100, uint8_t(choice >> 5)};
  TUFXmlBase converter(uint8_t(choice & 3), -1, defaults);
  converter.RawText = (choice & 0x80) != 0;
  IXmlDocument document;
  if (!converter.ConvertPrn(data + 1, size - 1, document) || !document) std::abort();

  IXmlDocument again = ParseXmlDocument(document->Xml());
  IXmlElement root = again->DocumentElement();
  if (!root || root->NodeName() != "PRINTUNFISCAL" || root->ChildCount() < 1) std::abort();
  for (int32_t i = 0; i < root->ChildCount(); ++i) {
    IXmlElement segment = root->ChildAt(i)->AsElement();
    if (!segment || segment->NodeName() != "Unfiscal") std::abort();
    if (i + 1 < root->ChildCount() && !TUFXmlBase::SegmentHasText(segment)) std::abort();
    IXmlDocument markup = NewXmlDocument("");
    markup->AppendChild(segment->CloneNode(true));
    TKvt_UnfiscalTagList tags;
    if (!TZef_XMLUtils::ParseUnfiscalDocument(markup, tags)) std::abort();
  }
  return 0;
}
