// The universal fiscal register: a fiscal register device that reaches the
// register through a low-level driver library with the universal XML
// interface (lodrv_api.h). This part: creation and parameters, the driver
// initialisation, call results, options, status and readiness.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "io/printer/fiscreg/common_fisc_reg.h"
#include "io/printer/markup/uf_xml.h"
#include "io/printer/zefor/driver/zef_driver.h"
#include "io/printer/zefor/driver/zef_journal.h"
#include "io/printer/zefor/host/zef_menu_record.h"
#include "io/printer/zefor/driver/zef_options.h"
#include "io/printer/zefor/status/zef_status_record.h"
#include "io/printer/zefor/day/zef_taxes.h"
#include "io/printer/zefor/status/zef_status_thread.h"
#include "platform/com.h"
#include "standart/pos_callback.h"
#include "xml/xmldocument.h"

// The device parameters read at creation, by index.
struct tZeforParams {
  std::string LowDriverModule = "stub.dll";  // 0
  std::string LowDriverParams;               // 1 (blob)
  int32_t FiscRegTypeNum = 9999;             // 2
  int32_t PayTaxTypeSet = 3;                 // 3
  std::string LogFileName;                   // 4
  int32_t LogLevel = 0;                      // 5
  bool WaitForFiscalRegister = true;         // 6
  int32_t PrintCheckTrys = 1;                // 7
  bool ShiftAgeCheck = false;                // 8
  bool ProgramSwitch9 = false;               // 9
  bool ProgramTaxes = false;                 // 10
  bool ProgramDepartments = false;           // 11
  int32_t InitialTapes = 2;                  // 12
  uint8_t BarcodeType = 0;                   // 13
  int32_t BarcodeWidth = 2;                  // 14
  int32_t BarcodeHeight = 100;               // 15
  uint8_t BarcodeTextPosition = 0;           // 16
  std::string RoundingCorrectionName = "Rounding correction";  // 17
  std::string SummaryLineName = "Summary";   // 18
  std::string DefaultDepartmentName = "Department One";  // 19
  bool SaveXMLUnfiscal = false;              // 20
  bool SaveXMLFiscal = false;                // 21
  bool SaveXMLProgram = false;               // 22
  bool SaveXMLDisplay = false;               // 23
  int32_t GroupingClassificationCode = 0;    // 24
  int32_t GroupingClassification = 0;        // the identifier of the classification of 24; 0: no grouping
  std::string MarkupName = "Markup";         // 25
  // 26, 27, 28 and 33 are read into the register's order state.
  std::string StatusFileName;                // 29
  std::string ItemCustomPropertyNames;       // 30
  int32_t DocumentPause = 0;                 // 31, seconds
  std::string DiscountLineName;              // 32
  int32_t EndDateWarningDays = 50;           // 34
  std::string SavingsLineTemplate;           // 35
  int32_t TimeCheckLimit1 = 0, TimeCheckLimit2 = 0;  // 36, 37
  int32_t ClockProgrammingLimit = 0;         // 38
  int32_t PriceWithoutDiscountMode = 0;      // 39
  int32_t TextLineWidth = 40;                // 40
  int32_t FixedOperatorId = 0;               // 41
  bool RequireTaxRates = false;              // 42
  bool MarkCustomFlag = false;               // 43
};

// One device parameter as the POS configures it: index, kind, name, where
// its value goes, its default and what it changes. The device reads its
// parameters from this list, and the integrators' guide prints it as its
// parameter table (tools/paramtable), so the two cannot drift apart.
struct tZeforParamInfo {
  enum tKind : uint8_t { kText, kBlob, kInteger, kSwitch, kByte };
  int32_t Index = 0;
  tKind Kind = kInteger;
  const char* Name = "";
  const char* Meaning = "";
  // The field the value goes to: the one of the kind (text and blob: Text).
  std::string tZeforParams::*Text = nullptr;
  int32_t tZeforParams::*Integer = nullptr;
  bool tZeforParams::*Switch = nullptr;
  uint8_t tZeforParams::*Byte = nullptr;
  // Settings the order preparation reads go to the register's order state
  // instead (a byte into Mode, a text into OrderText).
  int32_t tOrderPreparationState::*Mode = nullptr;
  std::string tOrderPreparationState::*OrderText = nullptr;
  // Read by a step of its own, not by the walk over the list.
  bool OwnStep = false;
  // The default when the field's initial value does not tell it.
  const char* DefaultNote = nullptr;

  static const char* KindName(tKind kind);
  // The default as people read it.
  std::string DefaultText() const;
};

// Every device parameter, by index.
const std::vector<tZeforParamInfo>& ZeforParamList();

class TFSXml;

// The register's serial number and counters, as the write-ahead record
// keeps them.
struct tRecordCounters {
  std::string Serial;
  int32_t Doc = 0;
  int32_t Receipt = 0;
};

class TZefor : public tCommonFiscReg {
 public:
  static constexpr int32_t kErrParamMissing = 3608;
  static constexpr int32_t kErrParamNotInitialized = 3610;
  static constexpr int32_t kErrInitialization = 3614;
  static constexpr int32_t kErrNoSerialNumber = 3624;
  static constexpr int32_t kErrNoTaxRates = 3625;
  static constexpr int32_t kFiscRegTypeFromParams = 183;
  static constexpr int32_t kNoFiscRegType = 9999;
  static constexpr uint32_t kFillStatusMask = 0x14126;
  static constexpr uint32_t kExtIDMask = 0x302;
  static constexpr uint32_t kSnapshotMask = 0x14100;  // fnShiftState, fnOFDStatus, fnInternalDateTime

  explicit TZefor(uint8_t number);
  ~TZefor() override;

  static std::string DriverName();
  static uint16_t DriverVersion();
  static const TDeviceClass& Class();
  std::string DeviceDriverName() const override { return DriverName(); }
  uint16_t DeviceDriverVersion() const override { return DriverVersion(); }

  // ---- operations of the fiscal register ----
  void ConstructRegister() override;
  bool PrepareToPrint() override;
  void FillStatus(TPrinterStatus& status) override;
  bool FiscGetExtID(std::string& identifier, bool& shiftOpened) override;
  bool CheckFillState(const tFillRequest& request) override;
  uint32_t GetFiscRegOptions() override;
  void PrintersStarted() override;
  std::string GetInfoText() override;
  int32_t DeviceParamIndex() override { return Params.FiscRegTypeNum; }
  // Data dumps are hex lines only (driver calls and the driver's journal events).
  int32_t DataLogFlags() override { return tDeviceLog::kDumpNoText; }
  bool FixedNames() override { return (Driver.Options & ZefOptions::foFixedNames) != 0; }
  bool IsChangePayType(int32_t type) override;
  // Eight tax slots, and the rounding multiplier as the price step.
  void CreateDiscountInfos() override;

  // ---- receipts (zefor_fisc_check.cpp) ----
  bool PrintFiscCheck(TFiscDocInfo& doc, bool reverse, const std::string& toPrint) override;
  bool PrintBill(TFiscDocInfo& doc, bool undo, const std::string& toPrint) override;
  bool PrintOrder(TFiscDocInfo& doc) override;
  bool PrintCheckCopy(TFiscDocInfo& doc, const std::string& toPrint) override;
  // Sends a built document in the driver thread, keeping the pause between
  // documents unless keepPace is set.
  bool SendDocument(TFSXml& builder, TZefStatus& status, int32_t& filled, bool keepPace);
  // The payment types of the register type (POS class 142).
  int32_t MinPayType() override;
  int32_t MaxPayType() override;
  int32_t DefaultPayType() override;

  // ---- cash operations and shift reports (zefor_reports.cpp) ----
  bool MoneyInOut(TFiscDocInfo& doc) override;
  bool AllMoneyOut() override;
  // Collect-all for a POS call (recorded under its kind and data), or for
  // none.
  bool AllMoneyOutOf(const TFiscDocInfo* doc);
  bool CollectAllCash(TFiscDocInfo& doc) override;
  bool CloseDay(bool force) override;
  bool PrintXReport() override;
  bool PrintFullLastShift() override;
  bool PrintAnyReport(int32_t subType, const std::string& data) override;

  // ---- documents counted exactly once (document/zefor_once.cpp) ----
  // Reads the register's serial number and document and receipt counters,
  // with the status fields of `extraMask`.
  bool ReadRecordCounters(tRecordCounters& now, uint32_t extraMask = 0, TZefStatus* status = nullptr);
  // Settles an entry that a call which never ended left open; false when
  // the register cannot be asked (the last error says why).
  bool SettleRecord();
  // Before a counted document of this kind and identity: settles the
  // record, and sets `printed` when the register has counted this very
  // document already (LastStateInfo then holds its counters). False when
  // the register cannot be asked.
  bool BeginCountedDocument(int32_t kind, const std::string& identity, bool& printed);
  // The identity of the document of a POS call (its GUID or a digest).
  static std::string DocumentIdentity(const TFiscDocInfo& doc, const std::string& guid);
  // A cash document or collect-all sent and, after a failure the register
  // may have counted all the same, settled from the counters.
  bool SendCountedCashDocument(TFSXml& xml, const char* step, int32_t kind, const std::string& identity);

  // ---- Z-report data (zefor_zreport.cpp) ----
  bool GetZReportData(IXmlDocument& document) override;
  // The "ZReport" document of the driver's Z-report text; nil when the text
  // is a document reply without data.
  IXmlDocument ConvertZReportData(const std::string& text);

  // ---- programming, tax rates and the clock check (zefor_programming.cpp, zefor_clock.cpp) ----
  void ProgramPrinter(const void* data) override;
  // Refills TaxesOptions from the POS's management configuration.
  void GetManagerTaxesOptions();
  // True when the POS may go on working with the register's clock.
  bool CheckRegisterClock();
  // The tax index range of the register type (POS class 142).
  void TaxIndexRange(int32_t& minIndex, int32_t& maxIndex);

  // ---- call results ----
  bool CreateResult(int32_t code, const std::string& callName);
  void SetLastError0Text(uint8_t context, const std::string& text, bool translated);
  bool IsInitError() const { return (LastRes >= 1 && LastRes <= 99) || LastExecErrorCode == 302; }
  bool IsConnectionError() const { return LastRes >= 100 && LastRes <= 199; }
  void CheckInitError();
  static const char* ContextName(uint8_t context);

  // ---- status and readiness ----
  // ZefGetStatus in the driver thread; extended when a status file is set.
  int32_t ReadStatus(TZefStatus& status, uint32_t mask);
  bool IsReadyFR(uint8_t context, bool& flag);
  // The device-state document; written to the status file when one is set.
  std::string DeviceStateDocument(bool obtained, const TZefStatus& status);
  // Waits before a document until the configured pause since the last one
  // has passed.
  void PauseBetweenDocuments();
  // ---- driver menu and the register's own entries (zefor_menu.cpp) ----
  // Runs in the driver thread: the MENUOPERATION request of the entry, and
  // the printout of the reply into "Zefor_<n>_Menu.prn" named in `buffer`.
  void CallXMLMenuItem(const tMenuRecord& record, const std::string& answer, char* buffer);
  IXmlDocument MenuOperationRequest(const IXmlElement& item, int32_t dialogType, const std::string& answer);
  void MenuCorrectionReceipt();
  void MenuOpenShiftReport();
  // Milliseconds the correction receipt waits for corvane; process-wide.
  static std::atomic<uint32_t> CorvaneTimeout;

  // ---- status snapshot (zefor_status_file.cpp) ----
  // A status read with the extended field set under the call lock, in the
  // calling thread; rewrites the status file.
  void RefreshStatusSnapshot();
  void DocumentSent() { lastDocumentTick_ = platform::TickCount(); hasDocumentTime_ = true; }

  // ---- non-fiscal printing, customer display and drawer (zefor_unfiscal.cpp) ----
  // Printing: a custom document, or PRN converted to markup and printed
  // segment by segment; false without non-fiscal printing (foText).
  bool Print(const uint8_t* data, int32_t count) override;
  void CustDispOut(const uint8_t* data, int32_t count) override;
  bool OpenDrawer(int32_t drawer) override;
  bool IsDrawerOpen(int32_t drawer) override;
  bool ExtendedPrint(const IXmlDocument& document) override;
  // Converts PRN to markup; segments marked ReceiptInsert go to the pending
  // receipt inserts, the others to the collector and, with printNow, to
  // the driver. Printing stops at the first segment the driver refuses.
  bool uf_Doc(const uint8_t* data, int32_t count, bool converterFlag, std::vector<std::string>* collector,
              bool printNow);
  // Sends one "Unfiscal" element with ZefUnfiscalPrint; true without
  // sending when it has no text.
  bool PrintSegment(const IXmlElement& segment, bool slipAllowed);
  bool PrintCustomDocument(const std::string& text);
  bool PrintLogSegment(const std::string& segment, bool& print);
  bool LogJob(const uint8_t* data, int32_t count, bool& toPrint);
  // Sends a FiscalDocument text; the driver's returned XML, when wanted
  // and readable, comes back in `reply`.
  bool AnyDoc(const std::string& text, bool replyWanted, IXmlDocument& reply);
  // The converter settings of the device parameters.
  tUFXmlSettings UnfiscalSettings(bool converterFlag) const;
  // Writes a dump file into the adapter's folder; a failure is journalled.
  void SaveDump(const IXmlDocument& document, const std::string& fileName);
  void SaveDumpText(const std::string& fileName, const std::string& text);

  // ---- fields ----
  // "PRINTUNFISCAL" document of the segments waiting for the next receipt.
  IXmlDocument PendingReceiptInserts;
  tZeforParams Params;
  tZefJournal Journal;
  tZefDriver Driver;

  // The last device-state document.
  std::string CurrentStateText();
  // The tax rates of the POS's management configuration.
  const TKvt_ManagerTaxesOptionsList& TaxesOptions() const { return taxesOptions_; }
  // The document kinds the register prints (a set of KindBit).
  uint32_t CapabilityFlags() const { return capabilityFlags_; }
  int32_t RoundingMultiplier() const { return roundingMultiplier_; }
  // The adapter's folder: the driver, the dumps and the saved files.
  const std::string& AdapterDirectory() const { return adapterDirectory_; }
  void SetAdapterDirectory(const std::string& directory) { adapterDirectory_ = directory; }
  // Tick count at which the last device-state document was built; false
  // before the first.
  bool LastSnapshotTick(uint32_t& tick) const;
  // A Z-report whose outcome the register could not tell (the document
  // failed and the status could not be read afterwards): the shift it was to
  // close and the data read before it. The next Z-report asks the register
  // first, so that it never prints a second one for the same shift.
  void KeepUnconfirmedZReport(int32_t shift, const IXmlDocument& data);
  // The shift of the kept Z-report (0: none) and its data; forgets them.
  int32_t TakeUnconfirmedZReport(IXmlDocument& data);

  // Process-wide: the adapter's minor version (second component of its version).
  static uint16_t AdapterMinor();

 private:
  void SetConstructionFields();
  void UnbindPortHost();
  void ReadParams();
  void ReadListedParam(const tZeforParamInfo& info);
  void ReadLogFileName();
  void ReadFiscRegType();
  void FindGroupingClassification();
  void WriteStartBanner();
  std::string RawParamsDump();
  void BindCom();
  bool InitializeDriver();
  void ReadInitReply(const std::string& reply);
  void ReadDataFormat();
  void StartedStep();
  void BeforeDestruction();
  // Steps of uf_Doc.
  bool ConvertToMarkup(const uint8_t* data, int32_t count, bool converterFlag, IXmlDocument& document);
  bool HandleSegments(const IXmlDocument& document, std::vector<std::string>* collector, bool printNow);
  void AddReceiptInsert(const IXmlElement& segment);
  [[noreturn]] void ParamError(int32_t code, const char* format, const char* name, int32_t index);

  // The driver menu and the status snapshot thread.
  void RegisterDriverMenu();
  int32_t RegisterDriverMenu(const IXmlElement& menu);
  int32_t RegisterMenuItem(const IXmlElement& element, int32_t parent);
  int32_t ReferentIdent(int32_t objectClass, const IXmlElement& element, const char* attribute);
  PosHost::tObject FindReferentByGuid(int32_t objectClass, const std::string& guid);
  int32_t CreateTopMenu();
  void AddOwnItem(int32_t parent, const char* caption, TMenuProc proc);
  void RegisterMenu(tMenuRecord& record);
 public:
  // Sets the module handle and hands the record to the POS (service -8);
  // also for the records the driver registers through its callback.
  static void RegisterMenuRecord(int32_t number, tMenuRecord& record);
 private:
  void ForgetMenuRecords();
  std::string TopCaption() const;
  int32_t MenuOperation(const std::string& request, std::string& reply);
  void WriteMenuPrintFile(const std::string& reply, char* buffer);
  std::string MarkupToPRN(const std::string& markup);
  void ShowMenuError(const std::string& journalPrefix, const std::string& error);
  void NewOwnDocument(TFSXml& builder, const std::string& docType);
  bool SendOwnDocument(TFSXml& builder);
  bool RunCorvane(const std::string& in, const std::string& out, IXmlDocument& document, std::string& error);
  void StartStatusSnapshotThread();
  void StopStatusSnapshotThread();
  std::unique_ptr<tSaveStatusThread> StatusThread;

  std::mutex stateLock_;
  std::string stateText_;  // the last device-state document (under stateLock_)
  std::atomic<uint32_t> snapshotTick_{0};
  std::atomic<bool> hasSnapshot_{false};
  uint32_t lastDocumentTick_ = 0;
  bool hasDocumentTime_ = false;
  TKvt_ManagerTaxesOptionsList taxesOptions_;
  // The command entries of the driver's menu, with their "MenuHandle".
  std::vector<IXmlElement> menuItems_;
  IXmlDocument menuDocument_;  // keeps the elements of menuItems_ alive
  platform::ComLibrary com_;
  std::string driverNameText_, versionText_, driverState_;
  int32_t roundingMultiplier_ = 1;
  uint32_t capabilityFlags_ = 0;
  std::string adapterDirectory_;
  IXmlDocument initReply_;             // kept until the started step
  IXmlElement driverMenu_;             // the "MENU" element of the init reply
  std::vector<int32_t> changeFromTypeIndexes_;
  bool hasChangeFromTypes_ = false;
  bool startedReported_ = false;       // PrintersStarted came from the POS
  int32_t unconfirmedZShift_ = 0;
  IXmlDocument unconfirmedZData_;

 private:
  int32_t loggedDefaultPayType_ = -1;
};
