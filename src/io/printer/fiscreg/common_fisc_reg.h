// The base class of every fiscal register device: the operations through
// which the exports and the fiscal document call reach a register, the
// one-time initialisation with its operator dialogs, the device log, the
// last-state record and the per-document settings.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "io/printer/device/device.h"
#include "io/printer/fiscreg/device_log.h"
#include "io/printer/fiscreg/document_record.h"
#include "io/printer/fiscreg/fisc_doc_info.h"
#include "io/printer/fiscreg/order_state.h"
#include "xml/xmldocument.h"

class TPDDataSource;

// What the register knows of its last document and shift.
struct tLastStateInfo {
  int32_t DocNum = 0;
  int32_t CheckNum = 0;
  int32_t FiscShift = 0;        // 0: no shift number known
  std::string ExtID;            // up to 255 single-byte characters
  bool ShiftOpened = false;
  int64_t SaledValue = 0;
  int32_t OFDUnsentCount = 0;
  int32_t OFDOldestUnsent = 0;
};

// What a counter refresh (CheckFillState) asks the register for.
struct tFillRequest {
  bool ShiftAgeCheck = false;
  bool DocNum = false;
  bool CheckNum = false;
  bool SaledValue = false;
};

class tCommonFiscReg : public TDevice {
 public:
  static constexpr int32_t kErrRaised = 3651;          // LastRes 0 or -127, raised
  static constexpr int32_t kErrDeviceRaised = 3652;    // other LastRes, raised
  static constexpr int32_t kErrIllegalExtID = 3655;
  static constexpr int32_t kErrEnterPrintMode = 3659;
  static constexpr int32_t kErrLogged = 3663;          // as 3651, logged only
  static constexpr int32_t kErrDeviceLogged = 3664;    // as 3652, logged only
  static constexpr int32_t kUnknownExecError = -127;
  static constexpr uint32_t kOnlineCheckInterval = 5000;
  static constexpr int32_t kIdleDelay = 20;

  explicit tCommonFiscReg(uint8_t number);
  ~tCommonFiscReg() override;

  // Construction: TDevice's steps, the log switched on, the POS callback
  // interface; then ConstructRegister (the steps of the concrete register,
  // which end with EnsureInitialized); then the start banner in the log,
  // the payment table and the discount distribution object. A concrete
  // register overrides ConstructRegister, not Construct.
  void Construct() override;
  virtual void ConstructRegister() {}

  // Class level (slots 12, 13), and the same for the object.
  static std::string DriverName();
  virtual std::string DeviceDriverName() const { return DriverName(); }
  virtual uint16_t DeviceDriverVersion() const = 0;

  // ---- slots replaced from TDevice ----
  void FillStatus(TPrinterStatus& status) override;                      // 9
  bool Print(const uint8_t* data, int32_t count) override;               // 14
  bool WantsTwoWay() override { return true; }                           // 15
  void SetDefaults() override;                                           // 17
  std::string GetInfoText() override;                                    // 18
  void Idle() override;                                                  // 20

  // ---- slots 24 to 66 ----
  virtual bool PrintBlock(const uint8_t* data, int32_t count);           // 24
  virtual bool PrepareToPrint() { return true; }                         // 26
  virtual bool FiscGetExtID(std::string& identifier, bool& shiftOpened); // 27
  virtual bool CheckFillState(const tFillRequest& request) = 0;          // 28
  virtual std::string GetErrorText(int32_t connectionCode, int32_t executionCode);  // 29
  virtual bool MoneyInOut(TFiscDocInfo& doc);                            // 30
  virtual bool AllMoneyOut() { return false; }                           // 31
  virtual bool CollectAllCash(TFiscDocInfo& doc);                        // 32
  virtual bool PrintFiscCheck(TFiscDocInfo& doc, bool reverse, const std::string& toPrint) { return false; }  // 33
  virtual bool PrintBill(TFiscDocInfo& doc, bool undo, const std::string& toPrint) { return false; }  // 34
  virtual bool PrintOrder(TFiscDocInfo& doc) { return false; }           // 35
  virtual bool PrintCheckCopy(TFiscDocInfo& doc, const std::string& toPrint) { return false; }  // 36
  virtual bool CloseDay(bool printDish0Price);                           // 37
  virtual bool PrintAnyReport(int32_t subType, const std::string& data) { return false; }  // 38
  virtual bool PrintXReport() { return false; }                          // 39
  virtual bool PrintFullLastShift() { return false; }                    // 40
  virtual void ProgramPrinter(const void* data) {}                       // 41
  // The Z-report data of the last shift close; false and nil when none.
  virtual bool GetZReportData(IXmlDocument& document);                   // 42
  virtual void CustDispOut(const uint8_t* data, int32_t count) {}        // 43
  virtual bool CashCommand(int64_t amount, int32_t kind, int32_t currency, bool& nonCash);  // 44
  virtual int32_t DataLogFlags() { return 0; }                           // 45
  virtual void CheckAfterError(bool& ok, bool& handled, const std::string& text, int32_t code, bool ask);  // 46
  virtual bool ExitPrintMode();                                          // 47
  virtual bool EnterPrintMode();                                         // 48
  virtual void LoadPosData(const uint8_t* data, int32_t size);           // 49
  // Slots 50 to 57: what the order preparation asks of its register.
  virtual int32_t MaxPayType() { return 1; }                             // 50
  // The index of this register among the POS's fiscal device parameters.
  virtual int32_t DeviceParamIndex() { return 0; }                       // 51
  virtual uint32_t GetFiscRegOptions() = 0;                              // 52
  virtual int32_t MinPayType() { return 1; }                             // 53
  virtual int32_t DefaultPayType() { return MinPayType(); }              // 54
  // Change may be given in payment type `type` (the effective PrintChange
  // setting and the default type).
  virtual bool IsChangePayType(int32_t type);                            // 55
  virtual bool FixedNames() { return false; }                            // 56
  // DiscountMode asks for a distribution (modes 1 and 2 only by tax).
  virtual bool DistributionWanted();                                     // 57
  virtual void CommandSent() {}                                          // 59
  virtual bool SendCommand(const uint8_t* data, int32_t count);          // 60
  virtual void CheckOnline(TPrinterStatus& status);                      // 61
  // The distribution object of the order preparation, with one tax slot.
  virtual void CreateDiscountInfos();                                    // 62
  virtual void PrintersStarted() {}                                      // 63
  virtual bool ExtendedPrint(const IXmlDocument& document);              // 64
  virtual void DoOffOn();                                                // 65
  virtual void LogData(int32_t direction, const uint8_t* data, int32_t count);  // 66

  // ---- operations of the other device layers ----
  bool EnsureInitialized();
  // Reports the error and asks the operator; true: try again.
  bool OfflineQuestion(bool ask, const std::string& text);
  void ReportDeviceError(const std::string& text, bool raise, bool prefix);
  bool ExtPrint(const std::string& text);
  std::string CurrentErrorText() const;

  // The settings of a new document: requested and effective alike.
  void TakeDocumentSettings(const tDocSettings& requested);
  // Bills and order documents read the order's own sums.
  void MarkOrderDocument() { EffectiveSettings.OrderDocument = 1; }
  // Sizes the payment table to MaxPayType + 1 entries and creates the
  // distribution object (the last step of construction).
  void PrepareOrderState();

  // The POS environment of the order preparation. Whether the parameter
  // service knows reference kind `kind` ("*_RefProp#", mode 0).
  virtual bool ReferenceKindKnown(int32_t kind);
  // The POS's system values ("#SYS#ThisStationIdent", "BillAlways";
  // "#SYS#MidServVersion" as text) through the POS callback interface;
  // false without one or when the POS has no such value.
  bool PosIntValue(const std::string& name, int32_t& value) const;
  virtual bool PosTextValue(const std::string& name, std::string& text);

  // The device log.
  void AddLogLine(const std::string& text) { Log.AddLine(text); }
  void LogAtLevel(int32_t level, const std::string& text) { Log.AtLevel(level, text); }
  void FlushLog() { Log.Flush(); }
  void CheckLogSize() { Log.CheckSize(); }
  void SetLogBuffered(bool flag) { Log.SetBuffered(flag); }
  void SetLoggingOn(bool flag) { Log.SetLoggingOn(flag); }

  // Container of the current document's data; created on first use.
  TPDDataSource& PosData();
  bool HasPosData() const { return posData_ != nullptr; }
  void ClearPosData();

  bool IsInitialized() const { return initialized_; }
  // The operator of the documents; 0 for the register's own.
  int32_t OperatorId() const { return operatorId_; }
  void SetOperatorId(int32_t operatorId) { operatorId_ = operatorId; }
  // The POS callback interface, 0 when none.
  uint32_t PosCallback() const { return posCallback_; }
  // Identifier and shift byte of the last successful FiscGetExtID export.
  void StoreExtID(const std::string& identifier, bool shiftOpened);
  const std::string& StoredExtID() const { return storedExtID_; }
  uint8_t StoredShiftOpened() const { return storedShiftOpened_; }

  // The completion callback of SendCommand's output.
  static void ZEF_REGCALL CBAfterCmdBufSended(void* context);

  // ---- fields ----
  tDeviceLog Log;                 // LogBuffer, LogBuffered, LoggingOn, LogFileName
  // The write-ahead record of counted documents, beside the device log;
  // the document operations fill it, the fiscal document call closes what
  // they answered just before the POS hears the answer.
  tDocumentRecord Record;
  tOrderPreparationState OrderState;
  tDocSettings RequestedSettings;
  tDocSettings EffectiveSettings;
  int32_t LastRes = 0;
  int32_t LastExecErrorCode = 0;
  std::string LastExecErrorText;
  std::string LastError0Text;
  tLastStateInfo LastStateInfo;
  std::string ZReportText;        // of the last shift close; valid until the next call
  IXmlDocument ZReportDocument;   // the Z-report data of the shift close being made

  // Process-wide: whether OfflineQuestion may offer work without the register.
  static bool AskOffline;
  // The POS's single-byte-to-Unicode procedure ("*Text2BaseLangAddr").
  static uint32_t Text2BaseLangAddr;

 protected:
  // The register must be initialised again before its next document.
  void MarkUninitialized() { initialized_ = false; }
  // Initialisation retries until the register answers.
  void SetWaitForFiscalRegister(bool wait) { waitForFiscalRegister_ = wait; }

 private:
  void WriteStartBanner();
  bool InitializeOnce();
  bool PortProblem();
  void ShowPortMessage(const char* text);
  void PrintTranslated(const uint8_t* data, int32_t count, bool& result);
  void CheckExtIDAfterError(bool& handled);
  bool WaitForOutput(bool untilTimeout);

  std::unique_ptr<TPDDataSource> posData_;
  bool initialized_ = false;
  bool waitForFiscalRegister_ = false;
  int32_t operatorId_ = 0;
  uint32_t initTime_ = 0;
  int32_t printedBytes_ = 0;
  uint32_t printStart_ = 0;
  uint32_t posCallback_ = 0;
  std::string storedExtID_;
  uint8_t storedShiftOpened_ = 0;
};
