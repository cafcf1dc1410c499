// Fuzz target of the markup-to-PRN converter: the first byte chooses the
// printer's character set and locale, the rest is the markup. A markup may
// be refused with the XML model's exceptions; any PRN given must start a
// printout on a station and read back as a PRN job.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "io/printer/markup/prn_cmd_convert.h"
#include "io/printer/markup/uf_xml_base.h"
#include "standart/host_params.h"

namespace {

const int32_t kCharsets[] = {-1, 85, 90, 163, 204, 0, 1, 161, 162, 186, 238, 222, 255, 128, 2, 77};
const int32_t kLocales[] = {0, 0x437, 0x42B, 0x450};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  HostParams::OverrideFunction(nullptr);  // no parameter service
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  tPRNCMDConvert converter(kCharsets[data[0] & 15], kLocales[(data[0] >> 4) & 3]);
  std::string prn;
  try {
    prn = converter.ConvertMarkup(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  } catch (const tInterfacedException&) {
    return 0;  // malformed XML, bad numbers, a raw block without bytes
  }
  if (prn.empty()) return 0;
  if (prn.size() < 4 || prn.compare(0, 2, "\x1b" "1") != 0 || prn[2] != '\x1b' || (prn[3] != '6' && prn[3] != '8'))
    std::abort();
  TUFXmlBase reader(2, -1, tBarCodeDefaults{0, 2, 100, 0});
  IXmlDocument document;
  if (!reader.ConvertPrn(reinterpret_cast<const uint8_t*>(prn.data()), prn.size(), document) || !document)
    std::abort();
  return 0;
}
