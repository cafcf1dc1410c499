// The journal of a universal register: time-stamped lines in the device log,
// filtered by the process-wide LogLevel (0 errors only, 1 all but printouts,
// 2 all), and the fixed shapes of its lines.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "io/printer/fiscreg/device_log.h"

class tZefJournal {
 public:
  explicit tZefJournal(tDeviceLog& log) : log_(log) {}

  // Writes a line when `level` is not above LogLevel; a level below 0 is
  // always written. A text starting with CRLF gives an empty line first.
  void Write(int32_t level, const std::string& text, bool flush = false);
  void Flush();
  // Lines written as one group (no other line between them) at `level`,
  // then `dump` (hex dump lines, stored as they are), then the log flushed.
  void WriteGroup(int32_t level, const std::vector<std::string>& texts, const std::string& dump);

  // 0 for an error line, 2 for a printout line, else 1.
  static int32_t LineLevel(bool error, bool printout) { return error ? 0 : printout ? 2 : 1; }
  // The name of a journal level as the parameter dump shows it.
  static const char* LevelName(int32_t level);
  static const char* Bool(bool value) { return value ? "TRUE" : "FALSE"; }

  // Line shapes: library loading, driver calls, device operations, inner steps.
  static std::string LoadEntry(const std::string& step);
  static std::string LoadFinal(const std::string& step, bool result);
  static std::string CallEntry(const std::string& step);
  static std::string CallFinal(const std::string& step, int32_t result);
  static std::string CallFinal(const std::string& step);
  static std::string OperationEntry(const std::string& step);
  static std::string OperationFinal(const std::string& step, const std::string& result);
  static std::string OperationFinal(const std::string& step);
  static std::string StepEntry(const std::string& step);
  static std::string StepFinal(const std::string& step, bool result);
  static std::string Value(const std::string& step, const std::string& label, const std::string& value);
  static std::string Message(const std::string& step, const std::string& message);

 private:
  std::string TimeStamp() const;
  void StoreLine(int32_t level, const std::string& text);  // under lock_

  tDeviceLog& log_;
  std::mutex lock_;  // last in the lock order (zef_driver.h)
};
