// The driver menu: the entries of the driver's "MENU" description and the
// register's own entries (correction receipt, open-shift report) registered
// with the POS, and the menu operations the POS calls back.
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>

#include "io/printer/markup/prn_cmd_convert_ext.h"
#include "io/printer/zefor/document/fs_xml.h"
#include "io/printer/zefor/document/report_build.h"
#include "io/printer/zefor/host/zef_callbacks.h"
#include "io/printer/zefor/host/zef_menu_record.h"
#include "io/printer/zefor/zefor.h"
#include "platform/process.h"
#include "standart/errors.h"
#include "standart/format.h"
#include "standart/host_params.h"
#include "standart/pos_callback.h"
#include "xml/textconv.h"
#include "xml/xmlstrings.h"

namespace {

constexpr int32_t kMenuService = -8;
constexpr int32_t kDefaultCharset = 1;
constexpr int32_t kPurposeToLockClass = 138, kUserRightClass = 5;
// Errors of the own entries: second variant, dialog type 1, OK, no wait.
const ZefCallbacks::tDialogForm kMenuErrorForm = {1, 2, 4, -1};
const char* const kDialogTypes[] = {"DateInterval", "NumberInterval", "OneDate", "OneNumber"};

// The POS keeps the records of its entries for the whole process, and may
// call an entry after its device is gone: the records are never freed, and
// a device clears the owner of its records when it goes.
std::mutex g_recordsLock;
std::deque<std::unique_ptr<tMenuRecord>> g_records;

tMenuRecord& NewRecord(int32_t parent) {
  std::lock_guard<std::mutex> guard(g_recordsLock);
  g_records.push_back(std::make_unique<tMenuRecord>());
  tMenuRecord& record = *g_records.back();
  std::memset(&record, 0, sizeof record);
  record.Size = sizeof record;
  record.ParentHandle = parent;
  return record;
}

TZefor* OwnerOf(const tMenuRecord* record) {
  if (!record) return nullptr;
  std::lock_guard<std::mutex> guard(g_recordsLock);
  return reinterpret_cast<TZefor*>(uintptr_t(record->Owner));
}

void PutShort(uint8_t* target, size_t capacity, const std::string& text) {
  size_t n = std::min(text.size(), capacity);
  target[0] = uint8_t(n);
  std::memcpy(target + 1, text.data(), n);
}

std::string ShortText(const uint8_t* source) { return std::string(reinterpret_cast<const char*>(source + 1), source[0]); }

std::string PosText(const std::string& utf8) {
  try {
    return Utf8ToCharset(utf8, HostParams::MainCharset(kDefaultCharset));
  } catch (...) {
    return utf8;
  }
}

// "YYYYMMDD" as "YYYY-MM-DD"; a text with "-" stays as it is.
std::string DialogDate(const std::string& text) {
  if (text.find('-') != std::string::npos || text.size() < 8) return text;
  return text.substr(0, 4) + "-" + text.substr(4, 2) + "-" + text.substr(6, 2);
}

// Entry procedures: no exception may reach the POS.
template <class Operation>
void RunForOwner(tMenuRecord* record, Operation operation) {
  try {
    if (TZefor* owner = OwnerOf(record)) operation(*owner);
  } catch (...) {
    LogText(51, "Menu operation failed: " + ExceptionMessage());
  }
}

void ZEF_STDCALL DriverMenuProc(tMenuRecord* record, const char* answer, char* buffer) {
  std::string answerText = answer ? answer : "";
  RunForOwner(record, [&](TZefor& owner) {
    owner.Driver.RunInDriverThread([&] { owner.CallXMLMenuItem(*record, answerText, buffer); });
  });
}

void ZEF_STDCALL CorrectionReceiptProc(tMenuRecord* record, const char*, char*) {
  RunForOwner(record, [](TZefor& owner) { owner.MenuCorrectionReceipt(); });
}

void ZEF_STDCALL OpenShiftReportProc(tMenuRecord* record, const char*, char*) {
  RunForOwner(record, [](TZefor& owner) { owner.MenuOpenShiftReport(); });
}

}  // namespace

std::atomic<uint32_t> TZefor::CorvaneTimeout{30 * 60 * 1000};

std::string TZefor::TopCaption() const { return "Zefor # " + std::to_string(Number + 1); }

void TZefor::RegisterDriverMenu() {
  int32_t handle = -1;
  if (initReply_) handle = RegisterDriverMenu(driverMenu_);
  if (Driver.Options & ZefOptions::foCorrectionReceipt) {
    if (handle < 0) handle = CreateTopMenu();
    AddOwnItem(handle, "Correction Receipt", &CorrectionReceiptProc);
  }
  if (Driver.Options & ZefOptions::foOpenShiftReport) {
    if (handle < 0) handle = CreateTopMenu();
    AddOwnItem(handle, "Open Shift Report", &OpenShiftReportProc);
  }
}

int32_t TZefor::RegisterDriverMenu(const IXmlElement& menu) {
  if (!menu) return 0;
  menuDocument_ = initReply_;
  if (!Driver.HasMenuOperation()) {
    LogAtLevel(0, "No procedure ZefMenuOperation in low level driver, no driver menu registration");
    return 0;
  }
  return RegisterMenuItem(menu, 0);
}

int32_t TZefor::RegisterMenuItem(const IXmlElement& element, int32_t parent) {
  tMenuRecord& record = NewRecord(parent);
  std::string operationId = element->AttrText("operationId");
  PutShort(record.Caption, 83, PosText(element->AttrText("caption", TopCaption())));
  if (!operationId.empty()) {
    menuItems_.push_back(element);
    record.Proc = uint32_t(uintptr_t(&DriverMenuProc));
    record.Owner = uint32_t(uintptr_t(this));
    record.PurposeToLockId = ReferentIdent(kPurposeToLockClass, element, "purposeToLock");
    record.UserRightId = ReferentIdent(kUserRightClass, element, "userRight");
    if (IXmlElement dialog = element->SelectSingleNode("DIALOGINFO")) {
      std::string type = dialog->AttrText("dialogType");
      for (int32_t i = 0; i < 4; ++i)
        if (type == kDialogTypes[i]) record.DialogType = i + 1;
      PutShort(record.DialogCaption, 255, PosText(dialog->AttrText("caption")));
    }
  }
  RegisterMenu(record);
  Journal.Write(1, "menu " + ShortText(record.Caption) + " registered with MenuHandle=" + std::to_string(record.Handle));
  element->SetIntAttr("MenuHandle", record.Handle);
  if (operationId.empty()) {
    for (int32_t i = 0; i < element->ChildCount(); ++i) {
      IXmlElement child = element->ChildAt(i)->AsElement();
      if (child && child->NodeName() == "MENUITEM") RegisterMenuItem(child, record.Handle);
    }
  }
  return record.Handle;
}

// The identifier of the POS object of `objectClass` that the element's
// attribute names by its GUID text; 0 when the attribute is absent or no
// usable object has that GUID.
int32_t TZefor::ReferentIdent(int32_t objectClass, const IXmlElement& element, const char* attribute) {
  if (!element->AttrExists(attribute)) return 0;
  PosHost::tObject referent = FindReferentByGuid(objectClass, element->AttrText(attribute));
  return referent ? referent.Ident() : 0;
}

// The first object of the class with the GUID (letters in any case) whose
// status is unknown or above 0; objects with a lower status are passed over.
PosHost::tObject TZefor::FindReferentByGuid(int32_t objectClass, const std::string& guid) {
  PosHost::tHost host(PosCallback());
  const int32_t count = host.ObjectCount(objectClass);
  for (int32_t i = 0; i < count; ++i) {
    const int32_t ident = host.ObjectIdent(objectClass, i);
    std::string text;
    if (!host.ObjectTextProp(ident, "GUIDString", text) || !xmlstr::SameTextIgnoringCase(text, guid)) continue;
    PosHost::tObject referent = host.ObjectAs(ident, PosHost::kReferentItem);
    if (!referent) continue;
    int32_t status = 0;
    if (!referent.IntProp("Status", status) || status > 0) return referent;
  }
  return PosHost::tObject();
}

int32_t TZefor::CreateTopMenu() {
  tMenuRecord& record = NewRecord(0);
  PutShort(record.Caption, 83, TopCaption());
  RegisterMenu(record);
  Journal.Write(1, "menu " + ShortText(record.Caption) + " registered with MenuHandle=" + std::to_string(record.Handle));
  return record.Handle;
}

void TZefor::AddOwnItem(int32_t parent, const char* caption, TMenuProc proc) {
  tMenuRecord& record = NewRecord(parent);
  PutShort(record.Caption, 83, caption);
  record.Owner = uint32_t(uintptr_t(this));
  record.Proc = uint32_t(uintptr_t(proc));
  RegisterMenu(record);
}

void TZefor::RegisterMenu(tMenuRecord& record) { RegisterMenuRecord(Number, record); }

void TZefor::RegisterMenuRecord(int32_t number, tMenuRecord& record) {
  if (!HostParams::Available()) return;
  record.ModuleHandle = uint32_t(platform::ModuleInstanceOf(reinterpret_cast<const void*>(&DriverMenuProc)));
  uint32_t address = uint32_t(uintptr_t(&record));
  std::string text;
  HostParams::Get(HostParams::AdapterFileName(), number, kMenuService, address, text);
}

void TZefor::ForgetMenuRecords() {
  std::lock_guard<std::mutex> guard(g_recordsLock);
  for (auto& record : g_records)
    if (record->Owner == uint32_t(uintptr_t(this))) record->Owner = 0;
}

// ---- the driver's entries ------------------------------------------------------------

IXmlDocument TZefor::MenuOperationRequest(const IXmlElement& item, int32_t dialogType, const std::string& answer) {
  IXmlDocument request = NewXmlDocument("MENUOPERATION", "1.0", "utf-8");
  IXmlElement root = request->DocumentElement();
  root->SetAttr("operationId", item->AttrText("operationId"));
  root->SetAttr("parameter", item->AttrText("parameter"));
  if (dialogType == MenuDialog::kNone) return request;
  IXmlElement dialog = root->AppendElement("DIALOGINFO");
  size_t semicolon = answer.find(';');
  std::string first = answer.substr(0, semicolon);
  std::string second = semicolon == std::string::npos ? std::string() : answer.substr(semicolon + 1);
  bool dates = dialogType == MenuDialog::kDateInterval || dialogType == MenuDialog::kOneDate;
  dialog->SetAttr("from", dates ? DialogDate(first) : first);
  if (dialogType == MenuDialog::kDateInterval || dialogType == MenuDialog::kNumberInterval)
    dialog->SetAttr("to", dates ? DialogDate(second) : second);
  return request;
}

void TZefor::CallXMLMenuItem(const tMenuRecord& record, const std::string& answer, char* buffer) {
  IXmlElement item;
  for (const IXmlElement& candidate : menuItems_)
    if (candidate->IntAttr("MenuHandle", -1) == record.Handle) {
      item = candidate;
      break;
    }
  if (!item) {
    Journal.Write(0, "CallXMLMenuItem for unknown MenuHandle " + std::to_string(record.Handle));
    return;
  }
  Journal.Write(1, "CallXMLMenuItem for operation " + item->AttrText("operationId") + ", parameter " +
                       item->AttrText("parameter"));
  std::string inStr = MenuOperationRequest(item, record.DialogType, answer)->Xml();
  Journal.Write(1, "CallXMLMenuItem InStr= " + inStr);
  std::string reply;
  int32_t code = MenuOperation(inStr, reply);
  if (!CreateResult(code, LoDrv::kMenuOperation)) {
    ReportDeviceError(LastExecErrorText, true, true);
    return;
  }
  Journal.Write(1, reply.empty() ? std::string("CallXMLMenuItem OutXML=nil") : "CallXMLMenuItem OutXML= " + reply);
  if (!buffer) return;
  buffer[0] = 0;
  if (!reply.empty()) WriteMenuPrintFile(reply, buffer);
}

// The driver's answer to a menu request; an exception out of the driver
// ends the POS's call of the entry with the device error it makes.
int32_t TZefor::MenuOperation(const std::string& request, std::string& reply) {
  try {
    return Driver.UnderCallLock([&] { return Driver.MenuOperation(request, reply); });
  } catch (const std::exception& e) {
    ReportDeviceError(LoDrv::kMenuOperation + std::string(e.what()), true, true);
  } catch (...) {
    ReportDeviceError(Fmt("ZefMenuOperation: external exception in \"%s\"", adapterDirectory_ + Driver.ModuleName),
                      true, true);
  }
  return 0;
}

void TZefor::WriteMenuPrintFile(const std::string& reply, char* buffer) {
  IXmlDocument document;
  try {
    document = ParseXmlDocument(reply);
  } catch (...) {
    ReportDeviceError("ZefMenuOperation reply: " + ExceptionMessage(), true, true);
  }
  IXmlElement print = document->DocumentElement()->SelectSingleNode("PRINTUNFISCAL");
  if (!print) return;
  std::string fileName = Fmt("Zefor_%d_Menu.prn", int(Number));
  platform::WriteWholeFile(fileName, "");
  for (int32_t i = 0; i < print->ChildCount(); ++i) {
    IXmlElement child = print->ChildAt(i)->AsElement();
    if (!child) continue;
    std::string prn = MarkupToPRN(child->Xml());
    if (prn.empty()) continue;
    platform::AppendToFile(fileName, prn);
    std::strcpy(buffer, fileName.c_str());
  }
}

// A printout of the driver in PRN, through the converter library or the
// built-in converter; markup the converters refuse is journaled and left out.
std::string TZefor::MarkupToPRN(const std::string& markup) {
  try {
    return tPRNCMDConvertExt::ForHost().ConvertMarkup(markup);
  } catch (const std::exception& e) {
    Journal.Write(0, tZefJournal::Message("MarkupToPRN", std::string("Error converting the printout: ") + e.what()));
    return std::string();
  }
}

// ---- the register's own entries ---------------------------------------------------------

void TZefor::ShowMenuError(const std::string& journalPrefix, const std::string& error) {
  if (error.empty()) return;
  Journal.Write(0, journalPrefix + error);
  ZefCallbacks::ShowMessageDialog(Number, error, kMenuErrorForm);
}

// The fiscal document the register's own entries start from: the envelope
// with its header, as every fiscal document has.
void TZefor::NewOwnDocument(TFSXml& builder, const std::string& docType) {
  if (!builder.NewDocument(std::string())) ZefAssertion("NewDocument");
  builder.Root()->SetAttr("DocType", docType);
  if (!builder.FillHeader(false, std::string())) ZefAssertion("FillHeader");
}

bool TZefor::SendOwnDocument(TFSXml& builder) {
  TZefStatus status{};
  status.Size = LoDrv::kStatusRecordSize;
  int32_t filled = 0;
  return SendDocument(builder, status, filled, false);
}

void TZefor::MenuCorrectionReceipt() {
  std::string error;
  const std::string in = "corvane-in.xml", out = "corvane-out.xml";
  try {
    TFSXml builder(*this);
    NewOwnDocument(builder, "CorrectionReceipt");
    if (!platform::WriteWholeFile(in, builder.Text())) throw ProcessErrorException(51, "Cannot write " + in);
    IXmlDocument answer;
    if (RunCorvane(in, out, answer, error)) {
      builder.Load(answer);
      if (!SendOwnDocument(builder)) error = LastExecErrorText;
    }
  } catch (...) {
    error = "Exception:" + ExceptionMessage();
  }
  platform::RemoveFile(in);
  platform::RemoveFile(out);
  ShowMenuError("CorvaneError:", error);
}

// Runs corvane and waits for its answer, which replaces the document; true
// when it is a document to send. An answer with a "Result" element is none:
// its "Error" child tells why.
bool TZefor::RunCorvane(const std::string& in, const std::string& out, IXmlDocument& document, std::string& error) {
  std::string commandLine = "corvane.exe " + out + " " + in;
  platform::ProcessHandle process =
      platform::StartProcess(adapterDirectory_ + platform::ProgramFileName("corvane"), {out, in}, std::string());
  if (!process) {
    error = "Do not started: " + commandLine;
    return false;
  }
  // An unlimited wait would hang the POS for good when corvane hangs.
  bool ended = platform::WaitForProcess(process, CorvaneTimeout);
  if (!ended) platform::KillProcess(process);
  platform::CloseProcess(process);
  std::string answer;
  if (!ended || !platform::ReadWholeFile(out, answer)) {
    error = "No answer from " + commandLine;
    return false;
  }
  document = ParseXmlDocument(answer);
  IXmlElement root = document->DocumentElement();
  IXmlElement result = root->NodeName() == "Result" ? root : root->SelectSingleNode("Result");
  if (!result) return true;
  error = result->ChildText("Error");
  return false;
}

void TZefor::MenuOpenShiftReport() {
  Journal.Write(1, tZefJournal::OperationEntry("MenuOpenShiftReport"));
  std::string error;
  if (!(Driver.Options & ZefOptions::foOpenShiftReport)) {
    error = "foOpenShiftReport not supported by" + driverNameText_ + " v." + versionText_;
  } else {
    try {
      TFSXml builder(*this);
      NewOwnDocument(builder, "Report");
      ReportBuild::AddReport(builder, "OpenShiftReport", std::string());
      if (!SendOwnDocument(builder)) error = LastExecErrorText;
    } catch (...) {
      error = "Exception:" + ExceptionMessage();
    }
  }
  ShowMenuError("MenuOpenShiftReport Error:", error);
}
