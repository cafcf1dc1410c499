#include "io/printer/fiscreg/device_log.h"

#include <cstdio>

#include "platform/platform.h"
#include "standart/errors.h"

std::atomic<int32_t> LogLevel{0};

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

std::string TwoDigits(int value) {
  char text[3] = {char('0' + value / 10 % 10), char('0' + value % 10), 0};
  return text;
}

bool NoOSSectionActive() { return GetNoOSMode() != 0; }

}  // namespace

std::string TimeText(const char* pattern) {
  platform::LocalTime now = platform::Now();
  std::string text;
  for (const char* p = pattern; *p;) {
    std::string token(p, 2);
    if (token == "dd") text += TwoDigits(now.Day);
    else if (token == "mm") text += TwoDigits(now.Month);
    else if (token == "yy") text += TwoDigits(now.Year % 100);
    else if (token == "hh") text += TwoDigits(now.Hour);
    else if (token == "nn") text += TwoDigits(now.Minute);
    else if (token == "ss") text += TwoDigits(now.Second);
    else if (token == "zz" && p[2] == 'z') {
      char ms[8];
      std::snprintf(ms, sizeof ms, "%03d", now.Millisecond % 1000);
      text += ms;
      ++p;
    } else {
      text += *p++;
      continue;
    }
    p += 2;
  }
  return text;
}

std::string ShortDateTimeText() {
  platform::LocalTime now = platform::Now();
  return TwoDigits(now.Day) + "." + TwoDigits(now.Month) + "." + std::to_string(now.Year) + " " +
         TimeText("hh:nn:ss");
}

using tLogGuard = std::lock_guard<std::recursive_mutex>;

void tDeviceLog::SetFileName(const std::string& name) {
  tLogGuard guard(lock_);
  fileName_ = name;
}

std::string tDeviceLog::FileName() const {
  tLogGuard guard(lock_);
  return fileName_;
}

bool tDeviceLog::IsLoggingOn() const {
  tLogGuard guard(lock_);
  return loggingOn_;
}

size_t tDeviceLog::PendingSize() const {
  tLogGuard guard(lock_);
  return buffer_.size();
}

void tDeviceLog::AddLine(const std::string& text) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (fileName_.empty() || !loggingOn_) return;
  buffer_ += text;
  buffer_ += "\r\n";
  if ((buffer_.size() > kBufferThreshold || !buffered_) && !NoOSSectionActive()) Flush();
}

void tDeviceLog::AtLevel(int32_t level, const std::string& text) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (level <= LogLevel.load()) AddLine(text);
  if (level == 0 && loggingOn_) Flush();
}

void tDeviceLog::Flush() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (fileName_.empty() || buffer_.empty()) {
    buffer_.clear();
    return;
  }
  if (platform::AppendToFile(fileName_, buffer_)) {
    buffer_.clear();
  } else if (buffer_.size() > kMaxUnwritten) {
    buffer_.clear();
  }
}

std::string tDeviceLog::RotatedName(int n) const {
  tLogGuard guard(lock_);
  size_t nameStart = fileName_.find_last_of("/\\");
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  size_t dot = fileName_.rfind('.');
  std::string stem = dot == std::string::npos || dot < nameStart ? fileName_ : fileName_.substr(0, dot);
  return stem + ".tx" + std::to_string(n);
}

void tDeviceLog::CheckSize() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (fileName_.empty()) return;
  int64_t size = platform::FileSize(fileName_);
  if (size < int64_t(kMaxFileSize)) return;
  // A rename that fails stops the rotation where it is: going on would
  // rename the next file over the one that stayed, and a new empty log
  // over the full one.
  for (int i = kRotatedFiles - 1; i >= 1; --i) {
    if (!platform::FileExists(RotatedName(i))) continue;
    if (platform::FileExists(RotatedName(i + 1))) platform::RemoveFile(RotatedName(i + 1));
    if (!RotateOne(RotatedName(i), RotatedName(i + 1))) return;
  }
  if (RotateOne(fileName_, RotatedName(1))) platform::WriteWholeFile(fileName_, std::string());
}

bool tDeviceLog::RotateOne(const std::string& from, const std::string& to) {
  if (platform::RenameFile(from, to)) return true;
  AddLine("Device log rotation stopped: " + from + " cannot be renamed to " + to);
  Flush();
  return false;
}

void tDeviceLog::SetBuffered(bool flag) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  bool switchedOff = buffered_ && !flag;
  buffered_ = flag;
  if (switchedOff && loggingOn_) Flush();
}

void tDeviceLog::SetLoggingOn(bool flag) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (flag != loggingOn_ && loggingOn_) Flush();
  loggingOn_ = flag;
}

std::string tDeviceLog::DumpText(int32_t direction, const uint8_t* data, int32_t count, int32_t dumpFlags) {
  std::string text;
  auto newLine = [&text] {
    if (!text.empty()) text += "\r\n";
  };
  if (dumpFlags & kDumpTime) text = "     " + TimeText("dd.mm hh:nn:ss.zzz");
  for (int32_t i = 0; i < count; ++i) {
    if (i % kHexBytesPerLine == 0) {
      newLine();
      text += i == 0 ? (direction == 0 ? "<" : ">") : " ";
    }
    text += ' ';
    text += kHexDigits[data[i] >> 4];
    text += kHexDigits[data[i] & 0x0F];
  }
  if (count > 2 && !(dumpFlags & kDumpNoText)) {
    for (int32_t i = 0; i < count; ++i) {
      if (i % kTextBytesPerLine == 0) {
        newLine();
        text += ' ';
      }
      uint8_t c = data[i];
      text += c == 9 || c == 10 || c == 13 ? ' ' : char(c);
    }
  }
  return text;
}

void tDeviceLog::Data(int32_t direction, const uint8_t* data, int32_t count, int32_t dumpFlags) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (fileName_.empty() || count <= 0 || !data || LogLevel.load() < 1 || !loggingOn_) return;
  AddLine(DumpText(direction, data, count, dumpFlags));
}
