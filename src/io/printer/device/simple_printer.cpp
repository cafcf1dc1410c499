#include "io/printer/device/simple_printer.h"

#include <algorithm>
#include <cctype>

#include "standart/errors.h"
#include "standart/text.h"

namespace {

constexpr int32_t kFirstBlockSize = 1008;
constexpr int32_t kBlockGranule = 2048;
constexpr int32_t kBlockHeader = 16;

constexpr uint8_t kCmdStart = '1';
constexpr uint8_t kCmdHeightOff = '2';
constexpr uint8_t kCmdHeightOn = '3';
constexpr uint8_t kCmdWidthOff = '4';
constexpr uint8_t kCmdWidthOn = '5';
constexpr uint8_t kCmdCut = '7';
constexpr uint8_t kCmdFormFeed = '9';
constexpr uint8_t kCmdBell = ':';
constexpr uint8_t kCmdCutBytes = '=';
constexpr uint8_t kCmdFont0 = 64;
constexpr uint8_t kCmdFont1 = 'A';
constexpr uint8_t kFirstLongCommand = 'P';
constexpr uint8_t kCmdFeed = 'P';
constexpr uint8_t kCmdRaw = 'T';
constexpr uint8_t kCmdWait = 'W';

const char kNewLine[] = "\r\n";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsHexSeparator(char c) { return c == ' ' || c == ',' || c == ';' || c == 'H' || c == 'h'; }

// Byte codes written as hexadecimal numbers of one or two digits, separated
// by blanks, commas or semicolons, each with an optional "0x" or "$" in front
// or "H" behind. Reading stops at the first code that is not hexadecimal.
std::string HexCodes(const std::string& text) {
  std::string bytes;
  size_t i = 0, n = text.size();
  while (i < n) {
    char c = text[i];
    if (IsHexSeparator(c) || c == '$') {
      ++i;
      continue;
    }
    if (c == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
      i += 2;
      continue;
    }
    int high = HexDigit(c);
    if (high < 0) break;
    if (i + 1 == n || IsHexSeparator(text[i + 1])) {
      bytes.push_back(char(high));
      ++i;
      continue;
    }
    int low = HexDigit(text[i + 1]);
    if (low < 0) break;
    bytes.push_back(char(high * 16 + low));
    i += 2;
  }
  return bytes;
}

std::string Repeat(const char* piece, int32_t times) {
  std::string out;
  for (int32_t i = 0; i < times; ++i) out += piece;
  return out;
}

int32_t FirstAllocation(int32_t inputLength) {
  if (inputLength <= kFirstBlockSize) return kFirstBlockSize;
  int64_t rounded = (int64_t(inputLength) + kBlockGranule - 1) / kBlockGranule * kBlockGranule;
  return int32_t(std::min<int64_t>(rounded - kBlockHeader, TSimplePrinter::kMaxTranslateOutput));
}

}  // namespace

// One walk over a print stream: the open command, the block being collected
// and the output so far. Printer state that outlives the call (print modes,
// column, font) stays in the printer.
class tPrnInterpreter {
 public:
  tPrnInterpreter(TSimplePrinter& printer, bool start, int32_t& wait, tPrintBuffers& result)
      : printer_(printer), start_(start), wait_(wait), result_(result) {}

  void Run(const uint8_t* data, int32_t count, int32_t& position) {
    int32_t i = std::max(position, 0);
    printer_.firstAllocation_ = FirstAllocation(count - i);
    while (i < count) {
      if (state_ == kText && produced_ >= TSimplePrinter::kMaxTranslateOutput) {
        position = i;
        QueueBlock();
        return;
      }
      uint8_t byte = data[i];
      if (state_ == kParameter && byte == TSimplePrinter::kEscape) {
        Execute(code_, parameter_);
        state_ = kText;
        if (wait_ > 0) {
          position = i;  // the pipeline waits, then goes on from this escape
          QueueBlock();
          return;
        }
        i += 2;  // the closing escape and its terminator
        continue;
      }
      Step(byte);
      ++i;
    }
    position = count;
    Execute(TSimplePrinter::kEndCommand, parameter_);
    QueueBlock();
  }

 private:
  enum State { kText, kCode, kParameter };

  void Step(uint8_t byte) {
    switch (state_) {
      case kText:
        if (byte == TSimplePrinter::kEscape) {
          state_ = kCode;
          parameter_.clear();
        } else {
          Character(byte);
        }
        break;
      case kCode:
        code_ = byte;
        if (byte < kFirstLongCommand) {
          state_ = kText;
          ShortCommand(byte);
        } else {
          state_ = kParameter;
        }
        break;
      case kParameter:
        parameter_.push_back(char(byte));
        break;
    }
  }

  void Character(uint8_t byte) {
    uint8_t c = printer_.MapChar(byte);
    if (c == 0 || !CountOnLine(c)) return;
    if (printer_.BlockMode != 0 && printer_.NeedsNewBlock(printer_.BlockMode)) {
      QueueBlock();
      printer_.BlockMode = 0;
    }
    Append(c);
  }

  // Line accounting: whether the character fits on the line.
  bool CountOnLine(uint8_t c) {
    if (c == '\r' || c == '\n') {
      printer_.Column = 0;
      if (printer_.ModeA == TSimplePrinter::kModeLine) printer_.ModeA = TSimplePrinter::kModeOff;
      if (printer_.ModeB == TSimplePrinter::kModeLine) printer_.ModeB = TSimplePrinter::kModeOff;
      return true;
    }
    if (c < ' ') return true;
    if (printer_.LineLimit != 0 && printer_.Column >= printer_.LineLimit) return false;
    printer_.Column += printer_.ModeA == TSimplePrinter::kModeLine ? 2 : 1;
    return true;
  }

  void ShortCommand(uint8_t code) {
    switch (code) {
      case kCmdStart:
        printer_.ModeA = TSimplePrinter::kModeNormal;
        printer_.ModeB = TSimplePrinter::kModeNormal;
        break;
      case kCmdHeightOff:
        if (!Change(printer_.ModeB, TSimplePrinter::kModeNormal)) return;
        break;
      case kCmdHeightOn:
        if (!Change(printer_.ModeB, TSimplePrinter::kModeLine)) return;
        break;
      case kCmdWidthOff:
        if (!Change(printer_.ModeA, TSimplePrinter::kModeNormal)) return;
        break;
      case kCmdWidthOn:
        if (!Change(printer_.ModeA, TSimplePrinter::kModeLine)) return;
        break;
      default:
        break;
    }
    Execute(code, std::string());
  }

  static bool Change(uint8_t& mode, uint8_t value) {
    if (mode == value) return false;
    mode = value;
    return true;
  }

  void Execute(uint8_t code, const std::string& parameter) {
    if (code == kCmdWait) wait_ = WaitTime(parameter);
    if (printer_.BlockMode != printer_.CommandBlockMode || !start_) {
      QueueBlock();
      printer_.BlockMode = printer_.CommandBlockMode;
    }
    for (char b : printer_.CommandBytes(code, parameter)) Append(uint8_t(b));
  }

  static int32_t WaitTime(const std::string& parameter) {
    int32_t ms = 0;
    if (!ParseDecimal(Trim(parameter), ms) || ms < 0) return 0;
    return std::min(ms, TSimplePrinter::kMaxWait);
  }

  void Append(uint8_t byte) {
    printer_.AppendByte(byte, block_, fill_);
    ++produced_;
  }

  void QueueBlock() {
    if (fill_ > 0) result_.Add(std::string(block_.data(), size_t(fill_)), printer_.BlockMode);
    fill_ = 0;  // the allocation is kept for the next block
  }

  TSimplePrinter& printer_;
  bool start_;
  int32_t& wait_;
  tPrintBuffers& result_;
  State state_ = kText;
  uint8_t code_ = 0;
  std::string parameter_;
  std::string block_;
  int32_t fill_ = 0;
  int32_t produced_ = 0;
};

void TSimplePrinter::AppendByte(uint8_t byte, std::string& buffer, int32_t& position) {
  if (position < 0) position = 0;
  if (size_t(position) >= buffer.size()) {
    // Growth doubles so that long outputs are not copied over and over.
    size_t size = buffer.size();
    size_t grown = size == 0 ? size_t(firstAllocation_) : size + std::max<size_t>(kBlockGranule, size);
    buffer.resize(std::max(grown, size_t(position) + 1));
  }
  buffer[size_t(position)] = char(byte);
  ++position;
}

void TSimplePrinter::TranslateAll(const uint8_t* data, int32_t count, int32_t& position,
                                  int32_t& wait, std::string& result) {
  tPrintBuffers buffers;
  Translate(data, count, true, position, wait, buffers);
  result.assign(size_t(buffers.TotalLength()), '\0');
  if (!result.empty()) buffers.CopyAll(reinterpret_cast<uint8_t*>(&result[0]));
}

void TSimplePrinter::Translate(const uint8_t* data, int32_t count, bool start, int32_t& position,
                               int32_t& wait, tPrintBuffers& result) {
  wait = 0;
  BlockMode = 0;
  CommandBlockMode = HasEscapeOutput() ? 1 : 0;
  if (!data) count = 0;
  tPrnInterpreter(*this, start, wait, result).Run(data, count, position);
}

bool TSimplePrinter::HasEscapeOutput() { return false; }

bool TSimplePrinter::NeedsNewBlock(int32_t mode) { return true; }

bool TSimplePrinter::OutputEscape(const uint8_t* data, int32_t count, bool flag) { return false; }

std::string TSimplePrinter::CommandBytes(uint8_t code, const std::string& parameter) {
  switch (code) {
    case kCmdStart:
      return CommandBytes(kCmdFont0, std::string()) + StartSequence;
    case kCmdCut:
      return Repeat(kNewLine, CutLineFeeds) + CommandBytes(kCmdCutBytes, std::string());
    case kCmdFormFeed:
      return "\x0C";
    case kCmdBell:
      return "\x07";
    case kCmdFont0:
      FontFlag = 0;
      return Fonts[0].Selection;
    case kCmdFont1:
      FontFlag = 1;
      return Fonts[1].Selection;
    case kCmdFeed: {
      int32_t lines = 0;
      if (!ParseDecimal(Trim(parameter), lines) || lines < 1) return std::string();
      return Repeat(kNewLine, std::min(lines, kMaxFeedLines));
    }
    case kCmdRaw:
      return HexCodes(parameter);
    default:
      return std::string();
  }
}

void TSimplePrinter::FillStatus(TPrinterStatus& status) {}

void TSimplePrinter::CancelPrint(bool flag) {}

uint8_t TSimplePrinter::MapChar(uint8_t character) { return character; }

bool TSimplePrinter::Print(const uint8_t* data, int32_t count) {
  if (!data || count <= 0) return true;
  return HasEscapeOutput() ? PrintWithEscapes(data, count) : PrintPlain(data, count);
}

bool TSimplePrinter::PrintPlain(const uint8_t* data, int32_t count) {
  bool ok = true;
  int32_t position = 0;
  while (position < count) {
    int32_t before = position, wait = 0;
    std::string block;
    TranslateAll(data, count, position, wait, block);
    if (!block.empty()) {
      ProtocolSection section;
      ok = Output(reinterpret_cast<const uint8_t*>(block.data()), int32_t(block.size()));
    }
    if (!ok) break;
    if (wait > 0) Delay(wait);
    if (position <= before) break;  // a translation must always move on
  }
  return ok;
}

bool TSimplePrinter::PrintWithEscapes(const uint8_t* data, int32_t count) {
  bool ok = true;
  int32_t position = 0;
  while (ok && position < count) {
    int32_t before = position, wait = 0;
    tPrintBuffers buffers;
    Translate(data, count, true, position, wait, buffers);
    // A failed block ends the job: later blocks must not hide the failure.
    tPrintBuffers::Block block;
    while (ok && buffers.Take(block)) {
      ProtocolSection section;
      const uint8_t* bytes = reinterpret_cast<const uint8_t*>(block.Bytes.data());
      int32_t size = int32_t(block.Bytes.size());
      ok = block.Mode != 0 ? OutputEscape(bytes, size, false) : Output(bytes, size);
    }
    if (!ok) break;
    if (wait > 0) Delay(wait);
    if (position <= before) break;
  }
  return ok;
}
