// The device log of a fiscal register: lines collected in a buffer and
// appended to the device's log file, the rotation of a grown file into
// numbered old files, and hex dumps of the bytes exchanged with a device.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

// The process-wide journal level; the device logs use the same value.
extern std::atomic<int32_t> LogLevel;

class tDeviceLog {
 public:
  static constexpr size_t kMaxFileSize = 5242880;
  static constexpr int kRotatedFiles = 7;
  static constexpr size_t kBufferThreshold = 2048;
  // Lines kept for a file that cannot be opened; beyond this they are dropped.
  static constexpr size_t kMaxUnwritten = 512000;
  static constexpr int kHexBytesPerLine = 25;
  static constexpr int kTextBytesPerLine = 75;

  // Data dump flags: bit value 1 leaves out the text lines, 2 adds a time line.
  static constexpr int32_t kDumpNoText = 1;
  static constexpr int32_t kDumpTime = 2;

  // Empty: no device log.
  void SetFileName(const std::string& name);
  std::string FileName() const;
  bool IsLoggingOn() const;
  // Characters of lines not yet written to the file.
  size_t PendingSize() const;

  // Appends a line; written at once when unbuffered or the buffer is full,
  // unless a no-OS section is active (a port host callback).
  void AddLine(const std::string& text);
  // AddLine when `level` is within LogLevel; a level-0 line is written at once.
  void AtLevel(int32_t level, const std::string& text);
  void Flush();
  // Rotates the file into ".tx1" (newest) to ".tx7" (oldest) once it holds
  // kMaxFileSize bytes or more.
  void CheckSize();
  void SetBuffered(bool flag);
  void SetLoggingOn(bool flag);
  // Hex lines (and text lines unless kDumpNoText) of a block sent (direction
  // 0) or received (1).
  void Data(int32_t direction, const uint8_t* data, int32_t count, int32_t dumpFlags);

  // The name of rotated file n: the log's extension replaced by ".tx<n>".
  std::string RotatedName(int n) const;
  // The dump lines of a block, each ending with CRLF except the last.
  static std::string DumpText(int32_t direction, const uint8_t* data, int32_t count, int32_t dumpFlags);

 private:
  // One step of the rotation; a failure is told in the log itself.
  bool RotateOne(const std::string& from, const std::string& to);
  // Lines come from the device's own calls and, through the driver's journal
  // events, from the driver's threads at any time: every operation on the
  // buffer and the file holds this lock (the innermost of the register's).
  mutable std::recursive_mutex lock_;
  std::string fileName_;
  std::string buffer_;
  bool buffered_ = true;
  bool loggingOn_ = true;
};

// Local time texts used in the logs of this module.
std::string TimeText(const char* pattern);  // "dd.mm hh:nn:ss" and the like
std::string ShortDateTimeText();            // the system's short date and time
