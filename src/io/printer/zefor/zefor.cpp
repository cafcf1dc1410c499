#include "io/printer/zefor/zefor.h"

#include "io/printer/zefor/host/zef_callbacks.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "io/printer/device/module_loader.h"
#include "io/printer/discounts/discount_infos.h"
#include "io/printer/fiscreg/order_preparation.h"
#include "io/printer/fiscreg/operator_message.h"
#include "standart/errors.h"
#include "standart/host_params.h"
#include "standart/pos_callback.h"
#include "standart/text.h"
#include "xml/simplexml.h"

namespace {

const char kPrepare[] = "PrepareToPrint";
constexpr int32_t kRawParamCount = 1024;
constexpr uint8_t kBlobMarker = 0x01;

const platform::VersionData& OwnVersion() {
  static const platform::VersionData data = [] {
    platform::VersionData d;
    platform::ModuleVersion(reinterpret_cast<const void*>(&OwnVersion), d);
    return d;
  }();
  return data;
}

std::string Upper(std::string text) {
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string WithoutExtension(const std::string& name) {
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

bool IsAbsolute(const std::string& path) {
  return !path.empty() && (path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':'));
}

// One answer of the parameter service.
struct tParamAnswer {
  bool Found = false;
  uint32_t Value = 0;
  std::string Text;
  bool IsBlob() const { return Text.size() >= 5 && uint8_t(Text[0]) == kBlobMarker; }
  std::string Blob() const {
    uint32_t length = 0;
    std::memcpy(&length, Text.data() + 1, 4);
    const char* bytes = reinterpret_cast<const char*>(uintptr_t(Value));
    return bytes && length ? std::string(bytes, length) : std::string();
  }
};

tParamAnswer AskParam(uint8_t number, int32_t index) {
  tParamAnswer answer;
  answer.Found = HostParams::DeviceParam(number, index, answer.Value, answer.Text);
  return answer;
}

}  // namespace

// ---- class level ------------------------------------------------------------------

TZefor::TZefor(uint8_t number) : tCommonFiscReg(number), Journal(Log), Driver(Journal, number) {
  ZefCallbacks::Attach(number, this);
}

TZefor::~TZefor() {
  try {
    BeforeDestruction();
  } catch (...) {
  }
  ZefCallbacks::Detach(Number, this);
}

std::string TZefor::DriverName() { return OwnVersion().FileDescription; }
uint16_t TZefor::DriverVersion() { return OwnVersion().Release; }
uint16_t TZefor::AdapterMinor() { return OwnVersion().Minor; }

const TDeviceClass& TZefor::Class() {
  static const TDeviceClass deviceClass = DeviceClassOf<TZefor>("TZefor");
  return deviceClass;
}

// ---- creation -----------------------------------------------------------------------

void TZefor::ConstructRegister() {
  SetConstructionFields();
  ReadParams();
  WriteStartBanner();
  BindCom();
  EnsureInitialized();
}

void TZefor::SetConstructionFields() {
  // The universal register talks to its driver library only; a port host
  // the POS configured for this number is not used.
  if (HostModule) {
    if (PortHandle >= 0 && Host.Close) Host.Close(PortHandle);
    FreeModule(HostModule);
    HostModule = nullptr;
  }
  UnbindPortHost();
  PortHandle = 0;
  TwoWay = true;
  roundingMultiplier_ = 1;
  capabilityFlags_ = Driver.HasFiscalDocument() ? ZefOptions::kFiscalDocumentFlags : 0;
  adapterDirectory_ = platform::DirectoryOf(platform::ModulePathOf(reinterpret_cast<const void*>(&OwnVersion)));
  Driver.AdapterDirectory = adapterDirectory_;
  Driver.AdapterFileName = HostParams::AdapterFileName();
  Driver.AdapterMinor = AdapterMinor();
  Driver.Com = &com_;
  Driver.BeforeFree = [this] { StopStatusSnapshotThread(); };
}

// Every port function does nothing: printouts go to the driver library.
void TZefor::UnbindPortHost() {
  Host.ReadyForOutput = [](int32_t) ZEF_STDCALL -> uint8_t { return 1; };
  Host.OutputBufferCount = [](int32_t) ZEF_STDCALL -> int32_t { return 0; };
  Host.OutputTimeoutHappened = [](int32_t) ZEF_STDCALL -> uint8_t { return 0; };
  Host.OutputBufferClear = [](int32_t) ZEF_STDCALL {};
  Host.Print = [](int32_t, const uint8_t*, int32_t) ZEF_STDCALL {};
  Host.PrintEscapeSeq = nullptr;
  Host.Close = [](int32_t) ZEF_STDCALL {};
  Host.GetHandleString = [](int32_t, uint8_t*, int32_t) ZEF_STDCALL -> uint8_t { return 0; };
  Host.SetCheckDSR = [](int32_t, uint8_t) ZEF_STDCALL {};
  Host.SetCheckCTS = [](int32_t, uint8_t) ZEF_STDCALL {};
  Host.SetInputCallBack = [](int32_t, void*, void*) ZEF_STDCALL {};
  Host.OutputBlock = [](int32_t, const uint8_t*, int32_t, void*, void*, int32_t) ZEF_STDCALL {};
  Host.Init = nullptr;
  HostHasHandleString = false;
}

[[noreturn]] void TZefor::ParamError(int32_t code, const char* format, const char* name, int32_t index) {
  std::string text = Fmt(HostParams::Translate(format), name, index, HostParams::AdapterFileName(),
                         int32_t(Number) + 1);
  OperatorMessage::Show(Number, OperatorMessage::kMessage, text, OperatorMessage::kButtonOk);
  ZefRaise(code, text);
}

void TZefor::ReadParams() {
  tZeforParams& p = Params;
  // The log file comes first so that the warnings about the other
  // parameters reach the device log.
  ReadLogFileName();
  for (const tZeforParamInfo& info : ZeforParamList())
    if (!info.OwnStep) ReadListedParam(info);
  if (p.LowDriverParams.empty())
    ParamError(kErrParamMissing, "Parameter %s(%d) must be defined for %s # %d", "LowDriverParams", 1);
  ReadFiscRegType();
  tParamAnswer payTaxTypeSet = AskParam(Number, 3);
  if (payTaxTypeSet.Found) p.PayTaxTypeSet = int32_t(payTaxTypeSet.Value);
  tOrderPreparation(*this).SetNameProperties(payTaxTypeSet.Found, p.PayTaxTypeSet);

  LogLevel.store(p.LogLevel);
  SetWaitForFiscalRegister(p.WaitForFiscalRegister);
  if (p.InitialTapes < 0 || p.InitialTapes > 2) p.InitialTapes = 0;
  if (p.BarcodeTextPosition > 3) p.BarcodeTextPosition = 0;
  if (p.FixedOperatorId > 0) SetOperatorId(p.FixedOperatorId);
  Driver.ModuleName = p.LowDriverModule;
  FindGroupingClassification();
}

// Parameter 24 is the code of a POS classification (class 8, like its
// groups; a classification's identifier has the low byte 0, its groups
// number themselves in it). A code that names no object, or names a group,
// is reported and the receipts are not grouped.
void TZefor::FindGroupingClassification() {
  constexpr int32_t kClassificationClass = 8;
  const char kInvalid[] = "Invalid parameter value for \"Grouping Classification Code\" = %d. (Id = %d)";
  const int32_t code = Params.GroupingClassificationCode;
  Params.GroupingClassification = 0;
  if (code == 0) return;
  const PosHost::tHost host(PosCallback());
  int32_t ident = 0;
  const int32_t count = host.ObjectCount(kClassificationClass);
  for (int32_t i = 0; i < count && ident == 0; ++i) {
    const int32_t candidate = host.ObjectIdent(kClassificationClass, i);
    if (candidate != 0 && host.ObjectIntProp(candidate, "Code") == code) ident = candidate;
  }
  if (ident != 0 && (ident & 0xFF) == 0) {
    Params.GroupingClassification = ident;
    return;
  }
  Journal.Write(0, Fmt(std::string("Warning: ") + kInvalid, code, ident));
  OperatorMessage::Show(Number, OperatorMessage::kMessage, Fmt(HostParams::Translate(kInvalid), code, ident),
                        OperatorMessage::kButtonOk);
}

// A parameter the POS does not have keeps the field's default.
void TZefor::ReadListedParam(const tZeforParamInfo& info) {
  tParamAnswer a = AskParam(Number, info.Index);
  if (!a.Found) return;
  if (info.Mode) {
    OrderState.*info.Mode = uint8_t(a.Value);
    return;
  }
  if (info.OrderText) {
    OrderState.*info.OrderText = a.Text;
    return;
  }
  switch (info.Kind) {
    case tZeforParamInfo::kText: Params.*info.Text = a.Text; break;
    case tZeforParamInfo::kBlob: Params.*info.Text = a.IsBlob() ? a.Blob() : a.Text; break;
    case tZeforParamInfo::kInteger: Params.*info.Integer = int32_t(a.Value); break;
    case tZeforParamInfo::kSwitch: Params.*info.Switch = int32_t(a.Value) > 0; break;
    case tZeforParamInfo::kByte: Params.*info.Byte = uint8_t(a.Value); break;
  }
}

void TZefor::ReadLogFileName() {
  tParamAnswer logName = AskParam(Number, 4);
  std::string ownName = HostParams::AdapterFileName();
  Params.LogFileName = logName.Found ? Fmt(logName.Text, int32_t(Number) + 1)
                                     : Fmt("%s%d%s", WithoutExtension(ownName), int32_t(Number) + 1, ".log");
  if (Params.LogFileName.empty()) return;
  Log.SetFileName(IsAbsolute(Params.LogFileName) ? Params.LogFileName : adapterDirectory_ + Params.LogFileName);
  SetLoggingOn(true);
  SetLogBuffered(true);
  Record.Bind(Log.FileName(), [this](const std::string& line) { Journal.Write(0, line); });
}

void TZefor::ReadFiscRegType() {
  if (Params.FiscRegTypeNum == kFiscRegTypeFromParams) {
    try {
      IXmlDocument document = ParseXmlDocument(Params.LowDriverParams);
      IXmlElement root = document->DocumentElement();
      IXmlElement parameters = root ? root->SelectSingleNode("xmlConfig/Parameters") : IXmlElement();
      int32_t value = 0;
      if (parameters && parameters->AttrExists("FiscRegTypeID") &&
          ParseDecimal(Trim(parameters->AttrText("FiscRegTypeID")), value))
        Params.FiscRegTypeNum = value;
    } catch (...) {
      Journal.Write(0, Fmt("Exception: (%s)", ExceptionMessage()));
      Journal.Write(0, Fmt("Warning: LowDriverParams is not valid XML: (%s)", Params.LowDriverParams));
    }
  }
  if (Params.FiscRegTypeNum == kNoFiscRegType)
    ParamError(kErrParamNotInitialized, "Parameter %s(%d) has not been initialized for %s # %d", "FiscRegTypeNum",
               2);
}

void TZefor::WriteStartBanner() {
  platform::LocalTime t = platform::Now();
  std::string now = Fmt("%2.2d.%2.2d.%2.2d %2.2d:%2.2d:%2.2d", t.Day, t.Month, t.Year % 100, t.Hour, t.Minute,
                        t.Second);
  auto line = [this](const std::string& text) { Journal.Write(-1, text); };
  auto flag = [](bool value) { return std::string(tZefJournal::Bool(value)); };
  line("\r\n");
  line(Fmt("*** %s [%s] ***", Fmt("START %s", Upper(HostParams::AdapterFileName())), now));
  line("\r\n");
  line(Fmt("%s: %s", "Driver Version", std::to_string(DriverVersion())));
  line("\r\n");
  line("Driver Params:");
  line("");
  line(Fmt("%s = %s", "LowDriverModule", Params.LowDriverModule));
  line(Fmt("%s = %s", "FiscRegTypeID", std::to_string(Params.FiscRegTypeNum)));
  line(Fmt("%s = %s", "LogLevel", tZefJournal::LevelName(Params.LogLevel)));
  line(Fmt("%s = %s", "PrintCheckTrys", std::to_string(Params.PrintCheckTrys)));
  line(Fmt("%s = %s", "SaveXMLUnfiscal", flag(Params.SaveXMLUnfiscal)));
  line(Fmt("%s = %s", "SaveXMLFiscal", flag(Params.SaveXMLFiscal)));
  line(Fmt("%s = %s", "SaveXMLProgram", flag(Params.SaveXMLProgram)));
  line(Fmt("%s = %s", "SaveXMLDisplay", flag(Params.SaveXMLDisplay)));
  line("");
  line("Raw params {");
  line(RawParamsDump());
  line("} Raw params");
  Journal.Flush();
}

std::string TZefor::RawParamsDump() {
  IXmlDocument document = NewXmlDocument("params", "1.0");
  IXmlElement root = document->DocumentElement();
  for (int32_t index = 0; index < kRawParamCount; ++index) {
    tParamAnswer a = AskParam(Number, index);
    if (!a.Found) continue;
    IXmlElement param = root->AppendElement("param_" + std::to_string(index));
    if (a.IsBlob()) {
      param->SetAttr("blob", Base64Encode(a.Blob()));
      continue;
    }
    if (a.Text.empty() || a.Text == std::to_string(a.Value) || a.Text == std::to_string(int32_t(a.Value)))
      param->SetAttr("int", std::to_string(int32_t(a.Value)));
    if (!a.Text.empty()) param->SetAttr("str", CodePageToUtf8(a.Text, 0));
  }
  return document->Xml();
}

void TZefor::BindCom() {
  if (!com_.Load()) Driver.ReportLoadFailure("TZefor.Create", platform::ComLibrary::ModuleName());
}

// ---- preparation ----------------------------------------------------------------------

bool TZefor::PrepareToPrint() {
  Journal.Write(1, tZefJournal::OperationEntry(kPrepare));
  GetManagerTaxesOptions();
  if (Params.RequireTaxRates && taxesOptions_.Entries.empty()) {
    std::string text = Fmt("No active tax rates found. Zefor.dll#%d has stopped.", int32_t(Number) + 1);
    Journal.Write(0, text, true);
    OfflineQuestion(true, HostParams::Translate(text));
    ZefRaise(kErrNoTaxRates, text);
  }
  bool result = true;
  while (!IsInitialized()) {
    bool ok = Driver.LoadLoDrv() && InitializeDriver();
    if (ok && Params.WaitForFiscalRegister) {
      TZefStatus status;
      ok = CreateResult(ReadStatus(status, ZefStatus::fnShiftState), "ZefGetStatus");
    }
    if (ok) break;
    DeviceStateDocument(false, TZefStatus{});
    if (Params.WaitForFiscalRegister) CheckInitError();
    std::string text =
        IsConnectionError() ? HostParams::Translate("The fiscal printer is not found") : LastExecErrorText;
    bool retry = OfflineQuestion(true, text);
    Driver.FreeLoDrv();
    if (!retry && !Params.WaitForFiscalRegister) {
      result = false;
      break;
    }
  }
  if (result && !IsInitialized()) {
    if (!CheckRegisterClock()) {
      Driver.FreeLoDrv();
      result = false;
    } else {
      RegisterDriverMenu();
      ReadDataFormat();
      if (!Params.StatusFileName.empty()) StartStatusSnapshotThread();
      if (startedReported_ && !Params.WaitForFiscalRegister) StartedStep();
    }
  }
  Journal.Write(result ? 1 : 0, tZefJournal::OperationFinal(kPrepare, tZefJournal::Bool(result)));
  return result;
}

bool TZefor::InitializeDriver() {
  return Driver.InDriverThread([this]() -> int32_t {
    if (Driver.HasMaxProtocolSupported()) Driver.ProtocolVersion = Driver.MaxProtocolSupportedUnwrapped();
    if (Driver.HasInitXML()) {
      std::string reply;
      if (!CreateResult(Driver.InitXML(Params.LowDriverParams, reply), "ZefInitXML")) return 0;
      ReadInitReply(reply);
      return 1;
    }
    if (!CreateResult(Driver.Init(Params.LowDriverParams), "ZefInit")) return 0;
    Driver.ProtocolVersion = Driver.MaxProtocolSupported();
    capabilityFlags_ = GetFiscRegOptions();
    return 1;
  }) != 0;
}

void TZefor::ReadInitReply(const std::string& reply) {
  initReply_ = nullptr;
  driverMenu_ = nullptr;
  hasChangeFromTypes_ = false;
  changeFromTypeIndexes_.clear();
  try {
    initReply_ = ParseXmlDocument(reply);
  } catch (...) {
    // A reply that cannot be read announces nothing; the driver is still
    // initialised, with its previous settings.
    Journal.Write(0, "Bad init reply XML: " + ExceptionMessage());
    return;
  }
  IXmlElement root = initReply_->DocumentElement();
  if (!root) return;
  if (root->AttrExists("MaxProtocolSupported"))
    Driver.ProtocolVersion = int32_t(root->IntAttr("MaxProtocolSupported", Driver.ProtocolVersion));
  if (root->AttrExists("DriverName")) driverNameText_ = root->AttrText("DriverName").substr(0, 255);
  if (root->AttrExists("VersionInfo")) versionText_ = root->AttrText("VersionInfo").substr(0, 255);
  if (root->AttrExists("ChangeFromTypeIndexes")) {
    hasChangeFromTypes_ = true;
    std::string list = root->AttrText("ChangeFromTypeIndexes");
    for (size_t at = 0; at < list.size();) {
      size_t end = list.find(' ', at);
      if (end == std::string::npos) end = list.size();
      int32_t value = 0;
      if (ParseDecimal(list.substr(at, end - at), value)) changeFromTypeIndexes_.push_back(value);
      at = end + 1;
    }
  }
  uint64_t options = 0;
  if (IXmlElement list = root->SelectSingleNode("Options")) {
    for (int32_t i = 0; i < list->ChildCount(); ++i) {
      IXmlElement option = list->ChildAt(i)->AsElement();
      if (!option) continue;
      std::string name = option->AttrText("Name");
      uint64_t mask = 0;
      if (ZefOptions::Find(name, mask))
        options |= mask;
      else
        Journal.Write(0, "Unsupported option " + name);
    }
  }
  Driver.Options = options;
  capabilityFlags_ = (Driver.HasFiscalDocument() ? ZefOptions::kFiscalDocumentFlags : 0) | ZefOptions::PosFlags(options);
  driverMenu_ = root->SelectSingleNode("MENU");
}

void TZefor::ReadDataFormat() {
  if (!initReply_) return;
  IXmlElement rounding = initReply_->DocumentElement()->SelectSingleNode("DataFormat/Rounding");
  if (!rounding || !rounding->AttrExists("Multiplier")) return;
  try {
    int32_t multiplier = int32_t(std::lround(rounding->FloatAttr("Multiplier") * 100));
    roundingMultiplier_ = multiplier == 0 ? 1 : multiplier;
    if (OrderState.DiscountInfos) OrderState.DiscountInfos->SetPriceStep(roundingMultiplier_);
  } catch (...) {
    Journal.Write(0, "Bad rounding multiplier: " + ExceptionMessage());
  }
}

void TZefor::PauseBetweenDocuments() {
  if (Params.DocumentPause < 1 || !hasDocumentTime_) return;
  uint32_t wanted = uint32_t(Params.DocumentPause) * 1000;
  uint32_t passed = platform::TickCount() - lastDocumentTick_;
  if (passed >= wanted) return;
  Journal.Write(1, "Waiting " + std::to_string(wanted - passed) + " msec");
  TaskDelay(wanted - passed);
  Journal.Write(1, "Waiting done");
}

// ---- shut-down --------------------------------------------------------------------------

void TZefor::BeforeDestruction() {
  Journal.Write(1, tZefJournal::OperationEntry("TZefor.BeforeDestruction"));
  Driver.FreeLoDrv();
  Driver.DestroyThread();
  ForgetMenuRecords();
  com_.Free();
  initReply_ = nullptr;
  driverMenu_ = nullptr;
  Journal.Flush();
}

