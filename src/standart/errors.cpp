#include "standart/errors.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <typeinfo>

#include "platform/platform.h"

namespace {

// nolvex32 "version" 15 with every feature bit clear: the service formats the
// text itself and tells nolvex32 to ignore a code when its repeat count ends.
constexpr int32_t kMinorCodeLimit = 100;
constexpr uint8_t kKindMinor = 6;
constexpr uint8_t kKindText = 3;
constexpr uint8_t kKindRepeated = 4;

enum RaiseMode { kRaiseAlways = 0, kRaiseNever = 1, kRaiseAsAnswered = 2 };

// Log-cut check state: plain module globals, a lost update is harmless.
uint32_t g_cutCounter = 0;
uint32_t g_cutStamp = 0;
bool g_cutStamped = false;

void CheckLogCut() {
  ++g_cutCounter;
  uint32_t now = platform::TickCount();
  if (g_cutCounter > 100 || (g_cutStamped && now - g_cutStamp > 30000)) {
    CutErrorFileIfNeed();
    g_cutCounter = 0;
    g_cutStamp = now;
    g_cutStamped = true;
  } else if (!g_cutStamped) {
    g_cutStamp = now;
    g_cutStamped = true;
  }
}

struct ErrorRecord {
  tNewErrorInfo info;
  ErrorRecord() { std::memset(&info, 0, sizeof info); info.Size = kErrorInfoSize; }
};

// Takes over the exception being handled, if any, into the record.
void TakeCurrentException(tNewErrorInfo& rec) {
  std::exception_ptr current = std::current_exception();
  if (!current || IsExceptionNamed(current, "EAbort")) {
    rec.ExceptionAddress = 1;
    return;
  }
  try {
    std::rethrow_exception(current);
  } catch (const std::exception& e) {
    rec.ExceptionAddress = uint32_t(uintptr_t(&e));
  } catch (...) {
    rec.ExceptionAddress = 1;
  }
  std::string message = ExceptionMessage(current);
  StoreShortString(rec.ExceptionText, message);
  size_t full = std::min<size_t>(message.size(), sizeof rec.FullMessage);
  rec.FullMessageLength = int32_t(full);
  std::memcpy(rec.FullMessage, message.data(), full);
}

void FillErrorInfo(tNewErrorInfo& rec, int32_t code, bool captureOSError, const void* caller) {
  std::memset(&rec, 0, sizeof rec);
  rec.Size = kErrorInfoSize;
  rec.Code = code;
  if (code < kMinorCodeLimit) return;
  try {
    if (captureOSError) rec.OSError = platform::LastOSError();
    if (std::current_exception()) rec.ReturnAddress = uint32_t(uintptr_t(caller));
    TakeCurrentException(rec);
  } catch (...) {
  }
  rec.FullTextLength = 0;
}

[[noreturn]] void RaiseFromCurrent(tNewErrorInfo* current) {
  if (!current) current = GetErrorInfoPtr();
  throw ProcessErrorException(current->Code, ShortStringValue(current->Text));
}

void ProcessError(tNewErrorInfo& rec, tNewErrorInfo* current, const FmtArgs* args, RaiseMode mode) {
  bool process = NeedProcessForCode(rec.Code) != 0;
  std::string text = ShortStringValue(rec.Text);
  if (process && args) {
    try {
      text = FormatText(text, *args);
    } catch (...) {
      text.clear();
    }
  }
  uint8_t raise = 0;
  ProcessFormatErrorRec(&rec, &raise, current, process ? text.c_str() : nullptr,
                        args ? int32_t(args->size()) : -1);
  if (process) {
    try {
      if (text.size() > 256) LogText(0, "Full text for " + std::to_string(rec.Code) + ": " + text);
      CheckLogCut();
    } catch (...) {
    }
  }
  bool doRaise = mode == kRaiseAlways || (mode == kRaiseAsAnswered && raise);
  if (doRaise) RaiseFromCurrent(current);
}

void ReportText(int32_t code, const std::string& text, const FmtArgs* args, const void* caller) {
  ErrorRecord rec;
  FillErrorInfo(rec.info, code, true, caller);
  StoreShortString(rec.info.Text, text);
  rec.info.Kind = code >= kMinorCodeLimit ? kKindText : kKindMinor;
  ProcessError(rec.info, nullptr, args, kRaiseAsAnswered);
}

std::string LowerCase(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

ProcessErrorException::ProcessErrorException(int32_t code, const std::string& text)
    : tInterfacedException(MessageFor(code, text)), code_(code) {}

void ProcessErrorException::SetDataHandle(uintptr_t handle) {
  if (!handle) {
    dataHandle_.reset();
    return;
  }
  dataHandle_ = std::shared_ptr<uintptr_t>(new uintptr_t(handle), [](uintptr_t* h) {
    platform::MemFree(*h);
    delete h;
  });
}

std::string ProcessErrorException::MessageFor(int32_t code, const std::string& text) {
  if (!text.empty() && text[0] == '\x01') return text.substr(1);
  return "KVTERR(" + std::to_string(code) + "):" + text;
}

tErrorDescriptor ErrorDescriptor(int32_t code, const char* text, bool raise, uint16_t repeatCount) {
  tErrorDescriptor d{};
  d.Code = code;
  d.Raise = raise ? 1 : 0;
  d.RepeatCount = repeatCount;
  d.Text = text;
  return d;
}

void RaiseError(int32_t code, const std::string& text) {
  ReportText(code, text, nullptr, __builtin_return_address(0));
}

void RaiseErrorFmtV(int32_t code, const std::string& format, const FmtArgs& args) {
  ReportText(code, format, &args, __builtin_return_address(0));
}

void RaiseDescribedErrorV(tErrorDescriptor& d, const FmtArgs& args) {
  ErrorRecord rec;
  FillErrorInfo(rec.info, d.Code, d.NoOSError == 0, __builtin_return_address(0));
  if (d.Kind) rec.info.Kind = d.Kind;
  else if (d.Code < kMinorCodeLimit) rec.info.Kind = kKindMinor;
  else rec.info.Kind = d.RepeatCount >= 1 ? kKindRepeated : kKindText;
  StoreShortString(rec.info.Text, d.Text ? d.Text : "");
  bool process = NeedProcessForCode(d.Code) != 0;
  if (!d.Raise && !process) return;
  bool major = d.Code >= kMinorCodeLimit;
  if (major && d.Raise) ExceptError(d.Code);
  if (major && process) {
    if (d.RepeatCount > 1) --d.RepeatCount;
    else if (d.RepeatCount == 1) IgnoreError(d.Code);
  }
  rec.info.Flags |= 0x08;
  if (d.Flag4) rec.info.Flags |= 0x04;
  if (d.Flag10) rec.info.Flags |= 0x10;
  ProcessError(rec.info, nullptr, &args, d.Raise && major ? kRaiseAlways : kRaiseNever);
}

void ExceptErrorCodes(std::initializer_list<int32_t> codes) {
  for (int32_t code : codes) ExceptError(code);
}

void LogText(uint8_t level, const std::string& text) { OutStringToLog(level, text.c_str()); }

std::string ExceptionMessage(const std::exception_ptr& e) {
  if (!e) return "Unknown exception";
  try {
    std::rethrow_exception(e);
  } catch (const IExceptionInfo& info) {
    return info.Message();
  } catch (const std::exception& ex) {
    return ex.what();
  } catch (...) {
  }
  return "Unknown exception";
}

std::string ExceptionMessage() { return ExceptionMessage(std::current_exception()); }

bool IsExceptionNamed(const std::exception_ptr& e, const std::string& className) {
  if (!e) return false;
  std::string name;
  try {
    std::rethrow_exception(e);
  } catch (const IExceptionInfo& info) {
    name = info.ClassName();
  } catch (const std::exception& ex) {
    name = typeid(ex).name();
  } catch (...) {
    return false;
  }
  return LowerCase(name) == LowerCase(className);
}

class tErrorContext {
 public:
  std::vector<uint8_t> record;
  std::exception_ptr exception;
};

void ErrorContextDeleter::operator()(tErrorContext* context) const { delete context; }

ErrorContextBlock SaveErrorContext() {
  ErrorContextBlock block(new tErrorContext);
  int32_t size = GetErrorInfoSize();
  const tNewErrorInfo* current = GetErrorInfoPtr();
  if (current && size > 0) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(current);
    block->record.assign(bytes, bytes + size);
  }
  block->exception = std::current_exception();
  return block;
}

void RestoreErrorContext(ErrorContextBlock block, bool reraise) {
  if (!block) return;
  tNewErrorInfo* current = GetErrorInfoPtr();
  if (current && !block->record.empty())
    std::memcpy(current, block->record.data(), block->record.size());
  std::exception_ptr saved = block->exception;
  block.reset();
  if (reraise && saved) std::rethrow_exception(saved);
}

std::string ShortStringValue(const uint8_t* s) {
  return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
}

void StoreShortString(uint8_t* target, const std::string& text, size_t maxLength) {
  size_t n = std::min(text.size(), std::min<size_t>(maxLength, 255));
  target[0] = uint8_t(n);
  std::memcpy(target + 1, text.data(), n);
}
