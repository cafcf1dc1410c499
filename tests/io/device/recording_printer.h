// A printer whose output, escape output and delays are recorded in order.
#pragma once
#include <string>
#include <vector>

#include "io/printer/device/simple_printer.h"

struct RecordedCall {
  std::string Kind;  // "out", "esc" or "delay"
  std::string Bytes;
  int32_t Milliseconds = 0;
  bool operator==(const RecordedCall& o) const {
    return Kind == o.Kind && Bytes == o.Bytes && Milliseconds == o.Milliseconds;
  }
};

inline std::ostream& operator<<(std::ostream& os, const RecordedCall& c) {
  return os << c.Kind << "(" << (c.Kind == "delay" ? std::to_string(c.Milliseconds) : c.Bytes) << ")";
}

class TRecordingPrinter : public TSimplePrinter {
 public:
  bool Escapes = false;
  int FailAtCall = -1;  // index of the output call that fails
  std::vector<RecordedCall> Calls;

  bool HasEscapeOutput() override { return Escapes; }
  bool OutputEscape(const uint8_t* data, int32_t count, bool flag) override {
    return Record("esc", data, count);
  }
  bool Output(const uint8_t* data, int32_t count) override { return Record("out", data, count); }
  void Delay(int32_t milliseconds) override { Calls.push_back({"delay", "", milliseconds}); }

  std::string AllBytes() const {
    std::string all;
    for (const RecordedCall& c : Calls) all += c.Bytes;
    return all;
  }

 private:
  bool Record(const char* kind, const uint8_t* data, int32_t count) {
    Calls.push_back({kind, std::string(reinterpret_cast<const char*>(data), size_t(count)), 0});
    return int(Calls.size()) - 1 != FailAtCall;
  }
};

inline std::string Translated(TSimplePrinter& printer, const std::string& prn) {
  int32_t position = 0, wait = 0;
  std::string out;
  printer.TranslateAll(reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()), position, wait, out);
  return out;
}

inline bool PrintText(TSimplePrinter& printer, const std::string& prn) {
  return printer.Print(reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()));
}
