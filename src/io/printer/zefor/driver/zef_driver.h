// The binding of a universal register to its low-level driver library: the
// library loaded from the adapter's directory, its functions bound by name,
// one wrapper per function (journal lines, COM bracket, missing-function and
// exception handling) and the driver thread on which the working calls run.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/printer/zefor/driver/lodrv_api.h"
#include "io/printer/zefor/driver/zef_journal.h"
#include "io/printer/zefor/status/zef_status_record.h"
#include "platform/com.h"
#include "platform/platform.h"
#include "standart/tasks.h"
#include "standart/trusted_tasks.h"

#pragma pack(push, 1)
struct tZefLogicError {
  int32_t Size;        // 0: 520
  int32_t Code;        // 4
  uint8_t Ansi[256];   // 8: short string, ANSI code page
  uint8_t Utf8[256];   // 264: short string, UTF-8
};
#pragma pack(pop)
static_assert(sizeof(tZefLogicError) == LoDrv::kLogicErrorRecordSize, "logic error record size");
static_assert(offsetof(tZefLogicError, Utf8) == 264, "Utf8");

// Reports error `code` with the (already formatted) text and raises it.
[[noreturn]] void ZefRaise(int32_t code, const std::string& text);

class tZefDriver {
 public:
  static constexpr int32_t kErrLoadLibrary = 3609;
  static constexpr int32_t kErrEntryPoint = 3613;
  static constexpr int32_t kErrNotExportedOption = 3619;
  static constexpr int32_t kErrNotExported = 3620;
  static constexpr int32_t kErrException = 3623;
  static constexpr int32_t kFiscalReturnSize = 524288;

  tZefDriver(tZefJournal& journal, uint8_t number);
  ~tZefDriver();
  tZefDriver(const tZefDriver&) = delete;
  tZefDriver& operator=(const tZefDriver&) = delete;

  // ---- settings of the device ----
  std::string ModuleName;         // LowDriverModule
  std::string AdapterDirectory;   // with trailing separator
  std::string AdapterFileName;
  uint16_t AdapterMinor = 0;      // written as "ProtocolVersion" into the parameters XML
  uint64_t Options = 0;           // the announced option set
  int32_t ProtocolVersion = 0;
  platform::ComLibrary* Com = nullptr;
  std::function<void()> BeforeFree;  // stops what uses the library (status snapshot thread)
  std::string FiscalReturnText;      // return buffer of the last ZefFiscalDocument

  // ---- the library ----
  bool Loaded() const { return module_ != nullptr; }
  bool HasInitXML() const { return f_.InitXML != nullptr; }
  bool HasMaxProtocolSupported() const { return f_.MaxProtocolSupported != nullptr; }
  bool HasGetOptions() const { return f_.GetOptions != nullptr; }
  bool HasFiscalDocument() const { return f_.FiscalDocument != nullptr; }
  bool HasStarted() const { return f_.Started != nullptr; }
  bool HasMenuOperation() const { return f_.MenuOperation != nullptr; }
  // Releases a library loaded before, loads and binds; raises 3609 or 3613.
  bool LoadLoDrv();
  // ZefDone in the driver thread; the thread ends, then the library is released.
  bool FreeLoDrv();
  // Reports the failure of a system library that cannot be loaded (3609),
  // as LoadLoDrv does for the driver; raises.
  void ReportLoadFailure(const std::string& step, const std::string& module);

  // ---- the driver thread ----
  // Runs the procedure on the device's worker thread and waits; what the
  // procedure raises is raised again here.
  void RunInDriverThread(const std::function<void()>& procedure);
  // RunInDriverThread of a procedure that holds the call lock around `call`.
  int32_t InDriverThread(const std::function<int32_t()>& call);
  // Runs `call` in the calling thread under the call lock (the status
  // snapshot thread, which holds neither the device lock nor the
  // driver-thread lock).
  int32_t UnderCallLock(const std::function<int32_t()>& call) {
    std::lock_guard<std::mutex> guard(callLock_);
    return call();
  }
  uint32_t DriverThreadId() const { return driverThreadId_; }
  // Ends the driver thread (waits for it) and keeps the lock usable.
  void EndDriverThread();
  void DestroyThread();

  // ---- wrappers; results as the driver returns them ----
  int32_t MaxProtocolSupported();
  int32_t MaxProtocolSupportedUnwrapped() { return f_.MaxProtocolSupported ? f_.MaxProtocolSupported() : 0; }
  int32_t Init(const std::string& paramsXml);
  int32_t InitXML(const std::string& paramsXml, std::string& reply);
  int32_t GetOptions(uint64_t& options, std::string& driverName, std::string& versionText, std::string& state);
  void Done();
  int32_t GetStatus(TZefStatus& status, uint32_t mask, bool extended);
  int32_t UnfiscalPrint(const std::string& xml, int32_t flags);
  int32_t FiscalDocument(const std::string& xml, TZefStatus& status, int32_t& filled);
  int32_t GetZReportData(char* buffer, int32_t& size);
  int32_t CustomerDisplay(const std::string& xml, int32_t flags);
  int32_t Program(const std::string& xml);
  int32_t OpenDrawer(int32_t drawer);
  void GetLastLogicError(tZefLogicError& record);
  void Started();
  int32_t MenuOperation(const std::string& request, std::string& reply);

  // The parameters XML with "ProtocolVersion" set on its root (and the
  // declaration in front for ZefInitXML); the text unchanged when it
  // cannot be parsed.
  std::string ParamsWithProtocolVersion(const std::string& xml, bool declaration);

 private:
  std::vector<char> fiscalReturn_;  // ZefFiscalDocument's return buffer
  bool fiscalReturnClean_ = false;  // all zero
  struct Functions {
    LoDrv::TMaxProtocolSupported MaxProtocolSupported;
    LoDrv::TInit Init;
    LoDrv::TInitXML InitXML;
    LoDrv::TGetOptions GetOptions;
    LoDrv::TDone Done;
    LoDrv::TGetStatus GetStatus;
    LoDrv::TUnfiscalPrint UnfiscalPrint;
    LoDrv::TFiscalDocument FiscalDocument;
    LoDrv::TGetZReportData GetZReportData;
    LoDrv::TCustomerDisplay CustomerDisplay;
    LoDrv::TProgram Program;
    LoDrv::TOpenDrawer OpenDrawer;
    LoDrv::TGetLastLogicError GetLastLogicError;
    LoDrv::TStarted Started;
    LoDrv::TMenuOperation MenuOperation;
  };

  // What a wrapper does when the function is missing, and with an exception.
  enum class tAbsent { Raise, OptionalPrint, NotSupported };
  enum class tOnException { Rethrow, Internal, Swallow };
  struct tCallSpec {
    const char* Name;
    bool Printout;
    bool ComBracket;
    bool HasResult;
    tAbsent Absent;
    tOnException OnException;
    uint64_t Option;          // for tAbsent::OptionalPrint
    const char* OptionName;
  };
  using tLines = std::vector<std::pair<std::string, std::string>>;
  // The inputs of a call as label and text; the texts (a whole document
  // for some calls) are the caller's, not copies.
  using tInputs = std::vector<std::pair<const char*, std::string_view>>;

  int32_t Wrap(const tCallSpec& callSpec, bool bound, const tInputs& inputs, const std::function<int32_t()>& call,
               const std::function<tLines()>& outputs);
  int32_t Absent(const tCallSpec& callSpec);
  int32_t Failed(const tCallSpec& callSpec);
  void Line(const tCallSpec& callSpec, const std::string& text, bool error = false);
  void BindAll();
  void Fail(const char* missing);
  template <class F>
  void Bind(const char* name, F& function);
  void Unbind();

  tZefJournal& journal_;
  uint8_t number_;
  platform::LibraryHandle module_ = nullptr;
  Functions f_{};
  std::unique_ptr<tIndependentThread> thread_;
  // The locks of a universal register, always taken in this order and never
  // the other way round:
  //   1. the device lock (TDevice::DeviceLock), held by every export but
  //      CancelPrint and PrintersStarted for the whole call;
  //   2. threadLock_, the driver-thread lock: one procedure at a time on the
  //      driver thread; the calling task waits by signal;
  //   3. callLock_, around each driver call inside such a procedure (the
  //      status snapshot thread will take it without 1 and 2);
  //   4. the callbacks' device table lock (zef_callbacks.cpp), held while a
  //      driver callback uses its device (a journal event) and while a
  //      device is entered into or taken out of that table;
  //   5. the journal lock (tZefJournal), around each journal line;
  //   6. the device log's own lock (tDeviceLog), around each buffer or file
  //      operation.
  // None of them is entered again by a thread that holds it.
  tTaskCriticalSection threadLock_{};
  std::mutex callLock_;
  uint32_t driverThreadId_ = 0;
};
