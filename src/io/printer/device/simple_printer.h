// The root of the device class chain: the virtual operations every printer
// device has, and the generic pipeline of a text printer that interprets the
// POS print stream (text with escape commands) into the printer's own bytes.
#pragma once
#include <cstdint>
#include <string>

#include "io/printer/device/print_buffers.h"
#include "io/printer/device/printer_status.h"

// A font of the printer: how to select it and how characters are mapped
// while it is active.
struct TFontRecord {
  uint8_t CodePageFlag = 0;   // convert Windows-1251 text to DOS-866
  std::string Selection;      // selection sequence, up to 25 bytes
  std::string Source;         // source characters, up to 127 bytes
  std::string Replacement;    // the replacement byte for each source position
};

class TSimplePrinter {
 public:
  static constexpr uint8_t kEscape = 27;
  // Code of the pseudo-command run at the end of every stream.
  static constexpr uint8_t kEndCommand = 0xA0;
  static constexpr size_t kMaxStartSequence = 127;
  static constexpr size_t kMaxSelection = 25;
  static constexpr size_t kMaxSource = 127;
  // One interpretation stops at the next command or character once it has
  // produced this many bytes; the pipeline goes on from where it stopped.
  static constexpr int32_t kMaxTranslateOutput = 1 << 20;
  // Longest pause a stream can ask for, and most line feeds of one command.
  static constexpr int32_t kMaxWait = 60000;
  static constexpr int32_t kMaxFeedLines = 255;

  // Print modes: normal, switched on for the current line, switched off
  // again at the end of a line.
  static constexpr uint8_t kModeNormal = 2;
  static constexpr uint8_t kModeLine = 1;
  static constexpr uint8_t kModeOff = 0;

  TSimplePrinter() = default;
  TSimplePrinter(const TSimplePrinter&) = delete;
  TSimplePrinter& operator=(const TSimplePrinter&) = delete;
  virtual ~TSimplePrinter() = default;

  // ---- virtual operations, in slot order ----
  // 0: stores the byte at the position of a block and advances the position;
  // the block grows as needed.
  virtual void AppendByte(uint8_t byte, std::string& buffer, int32_t& position);
  // 1: Translate into one block. `position` is where to start in `data` and
  // comes back where the interpretation stopped; `wait` is the pause in
  // milliseconds the stream asked for there (0 = none).
  virtual void TranslateAll(const uint8_t* data, int32_t count, int32_t& position, int32_t& wait,
                            std::string& result);
  // 2: the print stream interpreter. With `start` false every command closes
  // the block being collected.
  virtual void Translate(const uint8_t* data, int32_t count, bool start, int32_t& position,
                         int32_t& wait, tPrintBuffers& result);
  // 3: whether the device can send command bytes as an escape sequence.
  virtual bool HasEscapeOutput();
  // 4: whether leaving a block collected in `mode` closes that block.
  virtual bool NeedsNewBlock(int32_t mode);
  // 5: sends bytes as an escape sequence; false when the device cannot.
  virtual bool OutputEscape(const uint8_t* data, int32_t count, bool flag);
  // 6
  virtual void Delay(int32_t milliseconds) = 0;
  // 7: the printer's bytes for an escape command and its parameter.
  virtual std::string CommandBytes(uint8_t code, const std::string& parameter);
  // 8
  virtual bool Output(const uint8_t* data, int32_t count) = 0;
  // 9
  virtual void FillStatus(TPrinterStatus& status);
  // 10
  virtual void CancelPrint(bool flag);
  // 11: the byte to print for a text character; 0 drops it.
  virtual uint8_t MapChar(uint8_t character);
  // 12, 13: the driver name and version are class-level (TDeviceClass).
  // 14: interprets and sends a print stream; false when output failed.
  virtual bool Print(const uint8_t* data, int32_t count);

  // ---- fields ----
  int32_t PortParam = 0;
  uint8_t ModeA = kModeNormal;  // 1: double width for the current line
  uint8_t ModeB = kModeNormal;
  uint8_t FontFlag = 0;         // selects Fonts[0] or Fonts[1]
  std::string StartSequence;    // starts each printout, up to 127 bytes
  TFontRecord Fonts[2];
  uint8_t CutLineFeeds = 0;
  uint8_t CheckDSR = 0;
  uint8_t CheckCTS = 0;
  int32_t LineLimit = 0;        // characters per line, 0 = no limit
  int32_t Column = 0;
  int32_t CommandBlockMode = 0; // block mode of command bytes
  int32_t BlockMode = 0;        // mode of the block being collected

 private:
  friend class tPrnInterpreter;
  // Size of a block's first allocation in the running interpretation.
  int32_t firstAllocation_ = 1008;

  bool PrintPlain(const uint8_t* data, int32_t count);
  bool PrintWithEscapes(const uint8_t* data, int32_t count);
};
