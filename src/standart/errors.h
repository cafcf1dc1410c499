// The error service: every module reports failures by code and message
// through nolvex32 and raises ProcessErrorException when the report says so.
#pragma once
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "standart/format.h"
#include "standart/nolvex_api.h"

// The code of the trace lines of the exports and the device layers: logged
// only, and only when the error service asks for it (NeedProcessForCode).
constexpr int32_t kTraceCode = 51;

// Interface offered by this system's exceptions so that another module,
// which has its own class identities, can read their message and class name.
class IExceptionInfo {
 public:
  virtual int32_t Reserved() const = 0;  // always -1
  virtual const char* Message() const = 0;
  virtual const char* ClassName() const = 0;

 protected:
  ~IExceptionInfo() = default;
};

class tInterfacedException : public std::exception, public IExceptionInfo {
 public:
  explicit tInterfacedException(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  int32_t Reserved() const override { return -1; }
  const char* Message() const override { return message_.c_str(); }
  const char* ClassName() const override { return "tInterfacedException"; }
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

// A silent exception: reports made while it is current carry no message.
class EAbort : public tInterfacedException {
 public:
  EAbort() : tInterfacedException("Operation aborted") {}
  const char* ClassName() const override { return "EAbort"; }
};

class ProcessErrorException : public tInterfacedException {
 public:
  // text: the error text; the message becomes "KVTERR(code):text", unless
  // the text starts with the byte 0x01, which is then dropped with the prefix.
  ProcessErrorException(int32_t code, const std::string& text);

  const char* ClassName() const override { return "ProcessErrorException"; }
  int32_t Code() const { return code_; }
  uintptr_t DataHandle() const { return dataHandle_ ? *dataHandle_ : 0; }
  // Takes ownership of a movable memory block, freed with the last copy.
  void SetDataHandle(uintptr_t handle);
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t tag) { tag_ = tag; }

  static std::string MessageFor(int32_t code, const std::string& text);

 private:
  int32_t code_;
  std::shared_ptr<uintptr_t> dataHandle_;
  int32_t tag_ = 0;
};

// A constant (but writable: the repeat count lives here) description of one error.
struct tErrorDescriptor {
  int32_t Code;
  uint8_t Raise;
  uint8_t Flag4;
  uint8_t Flag10;
  uint8_t NoOSError;
  uint16_t RepeatCount;
  const char* Text;
  uint8_t Reserved[7];
  uint8_t Kind;
};

// Make a descriptor: code, text, raise (default on).
tErrorDescriptor ErrorDescriptor(int32_t code, const char* text, bool raise = true,
                                 uint16_t repeatCount = 0);

void RaiseError(int32_t code, const std::string& text);
void RaiseErrorFmtV(int32_t code, const std::string& format, const FmtArgs& args);
void RaiseDescribedErrorV(tErrorDescriptor& descriptor, const FmtArgs& args);

template <class... A>
void RaiseErrorFmt(int32_t code, const std::string& format, A&&... args) {
  RaiseErrorFmtV(code, format, FmtArgs{FmtArg(std::forward<A>(args))...});
}
template <class... A>
void RaiseDescribedError(tErrorDescriptor& descriptor, A&&... args) {
  RaiseDescribedErrorV(descriptor, FmtArgs{FmtArg(std::forward<A>(args))...});
}

// Marks codes as raised (nolvex32 ExceptError, in list order).
void ExceptErrorCodes(std::initializer_list<int32_t> codes);
void LogText(uint8_t level, const std::string& text);

// Message of the exception being handled (call inside a catch block);
// "Unknown exception" when there is none or it cannot be read.
std::string ExceptionMessage();
std::string ExceptionMessage(const std::exception_ptr& e);
// Case-insensitive comparison of the exception's class name.
bool IsExceptionNamed(const std::exception_ptr& e, const std::string& className);

// Carries the current error record and exception from one task to another.
class tErrorContext;
struct ErrorContextDeleter {
  void operator()(tErrorContext* context) const;
};
using ErrorContextBlock = std::unique_ptr<tErrorContext, ErrorContextDeleter>;
ErrorContextBlock SaveErrorContext();
// Restores the record; with reraise, rethrows the saved exception (if any).
void RestoreErrorContext(ErrorContextBlock block, bool reraise);

// Scoped EnterProtocolStack / LeaveProtocolStack pair.
class ProtocolSection {
 public:
  ProtocolSection() { EnterProtocolStack(); }
  ~ProtocolSection() { LeaveProtocolStack(); }
  ProtocolSection(const ProtocolSection&) = delete;
  ProtocolSection& operator=(const ProtocolSection&) = delete;
};

// Short-string helpers for the records that cross module borders.
std::string ShortStringValue(const uint8_t* shortString);
void StoreShortString(uint8_t* target, const std::string& text, size_t maxLength = 255);
