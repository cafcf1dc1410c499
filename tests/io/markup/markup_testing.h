// Helpers of the PRN-to-markup tests: the conversion of a byte string with
// given settings, and expected documents written line by line.
#pragma once
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "io/printer/markup/uf_xml_base.h"
#include "standart/host_params.h"

namespace markup_testing {

constexpr tBarCodeDefaults kEan13{0, 2, 100, 0};

inline std::string Convert(const std::string& prn, uint8_t tapes = 0, const tBarCodeDefaults& defaults = kEan13,
                           bool raw = false) {
  TUFXmlBase converter(tapes, -1, defaults);
  converter.RawText = raw;
  IXmlDocument document;
  EXPECT_TRUE(converter.ConvertPrn(reinterpret_cast<const uint8_t*>(prn.data()), prn.size(), document));
  return document ? document->Xml() : std::string();
}

// The lines of the document after the declaration, joined with CR LF.
inline std::string Doc(std::initializer_list<const char*> lines) {
  std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
  for (const char* line : lines) text += std::string("\r\n") + line;
  return text;
}

// The parameter service is not asked in these tests.
class MarkupTest : public ::testing::Test {
 protected:
  void SetUp() override { HostParams::OverrideFunction(nullptr); }
  void TearDown() override { HostParams::Reset(); }
};

}  // namespace markup_testing
