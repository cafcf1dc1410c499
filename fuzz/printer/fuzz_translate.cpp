// Fuzz target of the print stream interpreter: the first byte chooses the
// printer's setup, the rest is the stream. Checks that every interpretation
// moves on, stays inside the stream and keeps its output bounded, and that
// the pipeline delivers exactly what the interpretations produced.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "io/printer/device/simple_printer.h"

namespace {

class TFuzzPrinter : public TSimplePrinter {
 public:
  bool Escapes = false;
  size_t Sent = 0;
  bool HasEscapeOutput() override { return Escapes; }
  bool OutputEscape(const uint8_t* data, int32_t count, bool flag) override { return Output(data, count); }
  bool Output(const uint8_t* data, int32_t count) override {
    if (count <= 0 || count > kMaxTranslateOutput + (1 << 16)) std::abort();
    Sent += size_t(count);
    return true;
  }
  void Delay(int32_t milliseconds) override {
    if (milliseconds <= 0 || milliseconds > kMaxWait) std::abort();
  }
};

void Setup(TFuzzPrinter& p, uint8_t choice) {
  p.Escapes = choice & 1;
  p.LineLimit = (choice & 2) ? 7 : 0;
  p.CutLineFeeds = choice >> 4;
  p.Fonts[0].Selection = "\x1b@";
  p.Fonts[1].Selection = "\x1b!";
  p.StartSequence = (choice & 4) ? "\x1b\x74\x11" : "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1 << 20)) return 0;
  const uint8_t* prn = data + 1;
  int32_t count = int32_t(size - 1);

  TFuzzPrinter translating;
  Setup(translating, data[0]);
  size_t produced = 0;
  for (int32_t position = 0; position < count;) {
    int32_t before = position, wait = -1;
    std::string out;
    translating.TranslateAll(prn, count, position, wait, out);
    if (position <= before || position > count || wait < 0 || wait > TSimplePrinter::kMaxWait) std::abort();
    produced += out.size();
  }

  TFuzzPrinter printing;
  Setup(printing, data[0]);
  if (!printing.Print(prn, count)) std::abort();
  if (printing.Sent != produced) std::abort();
  return 0;
}
