// Reading a print markup document ("Unfiscal" root) into the tag model.
#pragma once
#include <cstdint>
#include <memory>

#include "common/unfiscal_tags.h"
#include "common/zef_result.h"
#include "xml/simplexml.h"

class TZef_XMLUtils {
 public:
  // Clears the list and reads the document's "Unfiscal" root: its flags,
  // then one tag per print element in order (other elements are skipped).
  // False when the document has no root or the root has another name.
  // Bad numbers in BarCode Width and Height and in Drawer Number raise
  // SimpleXMLException. `result` receives nothing yet; it is the driver
  // result object of the caller, kept for the readers that report into it.
  static bool ParseUnfiscalDocument(const IXmlDocument& document, TKvt_UnfiscalTagList& list,
                                    TZef_Generic_Result* result = nullptr);
  // One tag of an element of `kind`; nullptr when the element gives none
  // (no text, unknown kind).
  static std::unique_ptr<TKvt_UnfiscalTag> ParseUnfiscalTag(uint8_t kind, const IXmlElement& element);
};
