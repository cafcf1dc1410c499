// Non-fiscal printing of the universal register: PRN converted to markup and
// handed to the driver segment by segment, custom and journal documents,
// the customer display and the cash drawer.
#include <cstring>

#include "common/unfiscal_markup.h"
#include "io/printer/zefor/zefor.h"
#include "standart/errors.h"
#include "xml/simplexml.h"

namespace {

using ZefOptions::foCustomerDisplay;
using ZefOptions::foSlip;
using ZefOptions::foText;

const char kOb7Declaration[] = "<?xml version=\"1.0\" encoding=\"OB7\"?>";
constexpr size_t kOb7DeclarationSize = sizeof kOb7Declaration - 1;
const char kUtf8Declaration[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
const char kCustomFormat[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<FiscalDocument DocType=\"Custom\" Options=\"\">%s</FiscalDocument>";
const char kPrintLogFormat[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<FiscalDocument DocType=\"PrintLog\" Options=\"\"><Header>%s"
    "</Header></FiscalDocument>";
const char kUnfiscalDump[] = "ZefUnfiscPrn.xml";
const char kDisplayDump[] = "ZefCustDisp.xml";
const char kFiscalDump[] = "ZefFiscDoc.xml";
constexpr uint32_t kDrawerStatusMask = 17;
constexpr uint8_t kDrawerReadiness = 12;
constexpr int32_t kProtocolReplyAsContainer = 26;
const char kUfDoc[] = "uf_Doc";

bool IsReceiptInsert(const IXmlElement& segment) { return segment->IntAttr(Unfiscal::kReceiptInsert, 0) != 0; }

// The text after the first "?>" of a job that starts with the POS's own
// declaration; false for any other job.
bool CustomDocumentText(const uint8_t* data, int32_t count, std::string& text) {
  if (count < int32_t(kOb7DeclarationSize) || std::memcmp(data, kOb7Declaration, kOb7DeclarationSize) != 0)
    return false;
  std::string job(reinterpret_cast<const char*>(data), size_t(count));
  size_t end = job.find("?>");
  text = job.substr(end + 2);
  return true;
}

// Journal lines of one operation of the register; the final line is written
// at level 0 when the operation fails or an exception leaves it.
class tOperationLines {
 public:
  tOperationLines(tZefJournal& journal, const char* name) : journal_(journal), name_(name) {
    journal_.Write(1, tZefJournal::OperationEntry(name_));
  }
  ~tOperationLines() {
    try {
      if (!done_) journal_.Write(0, tZefJournal::OperationFinal(name_, tZefJournal::Bool(false)));
    } catch (...) {
    }
  }
  bool Final(bool result) {
    done_ = true;
    journal_.Write(result ? 1 : 0, tZefJournal::OperationFinal(name_, tZefJournal::Bool(result)));
    return result;
  }
  void Final() {
    done_ = true;
    journal_.Write(1, tZefJournal::OperationFinal(name_));
  }

 private:
  tZefJournal& journal_;
  const char* name_;
  bool done_ = false;
};

}  // namespace

tUFXmlSettings TZefor::UnfiscalSettings(bool converterFlag) const {
  tUFXmlSettings settings;
  settings.InitialTapes = uint8_t(Params.InitialTapes);
  settings.BarCodes = tBarCodeDefaults{Params.BarcodeType, uint16_t(Params.BarcodeWidth),
                                       uint16_t(Params.BarcodeHeight), Params.BarcodeTextPosition};
  settings.ConverterFlag = converterFlag;
  return settings;
}

void TZefor::SaveDump(const IXmlDocument& document, const std::string& fileName) {
  try {
    SaveDumpText(fileName, document->Xml());
  } catch (...) {
    Journal.Write(0, tZefJournal::Message(fileName, ExceptionMessage()));
  }
}

// A dump replaces the one before only when it is written whole.
void TZefor::SaveDumpText(const std::string& fileName, const std::string& text) {
  const std::string path = adapterDirectory_ + fileName;
  if (!platform::ReplaceWholeFile(path, text)) Journal.Write(0, tZefJournal::Message(fileName, "Cannot write " + path));
}

// ---- printing -------------------------------------------------------------------------

bool TZefor::Print(const uint8_t* data, int32_t count) {
  tOperationLines lines(Journal, "Printing");
  bool result = false;
  try {
    if (!IsInitialized()) EnsureInitialized();
    std::string custom;
    if (CustomDocumentText(data, count, custom))
      result = PrintCustomDocument(custom);
    else if (IsInitialized() && (Driver.Options & foText))
      result = uf_Doc(data, count, false, nullptr, true);
  } catch (...) {
    Journal.Write(0, Fmt("TZefor.Printing exception: %s", ExceptionMessage()));
  }
  return lines.Final(result);
}

bool TZefor::uf_Doc(const uint8_t* data, int32_t count, bool converterFlag, std::vector<std::string>* collector,
                    bool printNow) {
  Journal.Write(1, tZefJournal::StepEntry(kUfDoc));
  bool result = false;
  try {
    IXmlDocument document;
    result = ConvertToMarkup(data, count, converterFlag, document);
    if (result && document) result = HandleSegments(document, collector, printNow);
  } catch (...) {
    Journal.Write(0, tZefJournal::StepFinal(kUfDoc, false));
    throw;
  }
  Journal.Write(result ? 1 : 0, tZefJournal::StepFinal(kUfDoc, result));
  return result;
}

// The converter library first; the built-in converter when it is missing or fails.
bool TZefor::ConvertToMarkup(const uint8_t* data, int32_t count, bool converterFlag, IXmlDocument& document) {
  TUFXml converter(UnfiscalSettings(converterFlag));
  std::string versionText;
  bool result = converter.ConvertThroughLibrary(data, size_t(count), document, versionText);
  if (!versionText.empty()) AddLogLine("\r\n" + versionText + "\r\n");
  Journal.Write(1, tZefJournal::Value(kUfDoc, "ConvertPRNToXML", tZefJournal::Bool(result)));
  if (result) return true;
  Journal.Write(1, "Error converting via external converter (Quillet.DLL), using internalm converter...");
  result = converter.ConvertBuiltIn(data, size_t(count), document);
  Journal.Write(1, tZefJournal::Value(kUfDoc, "TUFXmlBase.ConvertPrn", tZefJournal::Bool(result)));
  return result;
}

bool TZefor::HandleSegments(const IXmlDocument& document, std::vector<std::string>* collector, bool printNow) {
  IXmlNodeList segments = document->DocumentElement()->SelectNodes(Unfiscal::kUnfiscal);
  if (Params.SaveXMLUnfiscal) SaveDump(document, kUnfiscalDump);
  int32_t toPrint = 0, printed = 0;
  for (int32_t i = 0; i < segments->Count(); ++i)
    if (!IsReceiptInsert(segments->Item(i)->AsElement())) ++toPrint;
  auto printedLine = [&] { return tZefJournal::Value(kUfDoc, "Segments printed", Fmt("%d of %d", printed, toPrint)); };
  bool result = true;
  try {
    for (int32_t i = 0; i < segments->Count() && result; ++i) {
      IXmlElement segment = segments->Item(i)->AsElement();
      if (IsReceiptInsert(segment)) {
        AddReceiptInsert(segment);
        continue;
      }
      if (collector) collector->push_back(segment->Xml());
      if (!printNow) continue;
      // A refused segment ends the job: what follows it would be printed out
      // of order, and the POS learns that the printout is incomplete.
      result = PrintSegment(segment, (Driver.Options & foSlip) != 0);
      if (result) ++printed;
    }
  } catch (...) {
    Journal.Write(0, printedLine());
    throw;
  }
  if (!result) {
    Journal.Write(0, printedLine());
    ReportDeviceError(LastExecErrorText, false, true);
  }
  return result;
}

void TZefor::AddReceiptInsert(const IXmlElement& segment) {
  if (!PendingReceiptInserts) PendingReceiptInserts = NewXmlDocument(Unfiscal::kDocumentRoot, Unfiscal::kVersion);
  PendingReceiptInserts->DocumentElement()->AppendChild(segment);
}

bool TZefor::PrintSegment(const IXmlElement& segment, bool slipAllowed) {
  tOperationLines lines(Journal, "PrintSegment");
  if (!TUFXmlBase::SegmentHasText(segment)) return lines.Final(true);
  if (!slipAllowed) segment->SetBoolAttr(Unfiscal::kSlip, false);
  std::string text = kUtf8Declaration + segment->Xml();
  int32_t code = Driver.InDriverThread([&] { return Driver.UnfiscalPrint(text, 0); });
  return lines.Final(CreateResult(code, LoDrv::kUnfiscalPrint));
}

bool TZefor::PrintCustomDocument(const std::string& text) {
  tOperationLines lines(Journal, "PrintCustomDocument");
  IXmlDocument reply;
  return lines.Final(AnyDoc(Fmt(kCustomFormat, text), false, reply));
}

bool TZefor::PrintLogSegment(const std::string& segment, bool& print) {
  tOperationLines lines(Journal, "PrintLogSegment");
  IXmlDocument reply;
  bool result = AnyDoc(Fmt(kPrintLogFormat, segment), true, reply);
  IXmlElement root = reply ? reply->DocumentElement() : IXmlElement();
  if (print && root) {
    IXmlElement container = root->SelectSingleNode("ToPrint");
    if (!container && Driver.ProtocolVersion == kProtocolReplyAsContainer) container = root;
    IXmlElement unfiscal = container ? container->SelectSingleNode(Unfiscal::kUnfiscal) : IXmlElement();
    if (unfiscal) {
      std::string text = unfiscal->Xml();
      result = CreateResult(Driver.InDriverThread([&] { return Driver.UnfiscalPrint(text, 0); }),
                            LoDrv::kUnfiscalPrint);
      print = false;
    }
  }
  return lines.Final(result);
}

bool TZefor::LogJob(const uint8_t* data, int32_t count, bool& toPrint) {
  tOperationLines lines(Journal, "LogJob");
  std::vector<std::string> segments;
  if (!uf_Doc(data, count, false, &segments, false)) return lines.Final(false);
  bool anyToPrint = false;
  for (const std::string& segment : segments) {
    bool print = toPrint;
    if (!PrintLogSegment(segment, print)) return lines.Final(false);
    anyToPrint = anyToPrint || print;
  }
  toPrint = anyToPrint;
  return lines.Final(true);
}

bool TZefor::ExtendedPrint(const IXmlDocument& document) {
  tOperationLines lines(Journal, "ExtendedPrint");
  IXmlElement root = document ? document->DocumentElement() : IXmlElement();
  if (!root || !root->BoolAttr("ForLogger", false)) return lines.Final(tCommonFiscReg::ExtendedPrint(document));
  IXmlElement data = root->SelectSingleNode("DataToPrint");
  std::string prn = data ? data->Base64Text() : std::string();
  bool toPrint = true;
  if (!prn.empty()) {
    toPrint = root->BoolAttr("ToPrint", false);
    if (!LogJob(reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()), toPrint)) return lines.Final(false);
  }
  if (!toPrint) return lines.Final(true);
  // The data of a journal document is Base64: what the driver left to print
  // is its PRN, not the Base64 text the base handling would print.
  if (prn.empty()) return lines.Final(tCommonFiscReg::ExtendedPrint(document));
  return lines.Final(Print(reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size())));
}

// Sends the document the way the fiscal document builder sends its own:
// only a "FiscalDocument", dumped when asked, through ZefFiscalDocument.
bool TZefor::AnyDoc(const std::string& text, bool replyWanted, IXmlDocument& reply) {
  tOperationLines lines(Journal, "AnyDoc");
  reply = nullptr;
  IXmlDocument document = ParseXmlDocument(text);
  IXmlElement root = document->DocumentElement();
  if (!root || root->NodeName() != "FiscalDocument") return lines.Final(true);
  if (Params.SaveXMLFiscal) SaveDump(document, kFiscalDump);
  std::string xml = document->Xml();
  TZefStatus status{};
  int32_t filled = 0;
  int32_t code = Driver.InDriverThread([&] { return Driver.FiscalDocument(xml, status, filled); });
  bool result = CreateResult(code, LoDrv::kFiscalDocument);
  if (replyWanted && !Driver.FiscalReturnText.empty()) {
    try {
      reply = ParseXmlDocument(Driver.FiscalReturnText);
    } catch (...) {
      Journal.Write(0, Fmt("XMLReturned Exc: %s", ExceptionMessage()));
      reply = nullptr;
    }
  }
  return lines.Final(result);
}

// ---- customer display and drawer ------------------------------------------------------------

void TZefor::CustDispOut(const uint8_t* data, int32_t count) {
  tOperationLines lines(Journal, "CustDispOut");
  if (!IsInitialized()) EnsureInitialized();
  if (IsInitialized() && (Driver.Options & foCustomerDisplay) && count > 0) {
    IXmlDocument document = NewXmlDocument(Unfiscal::kUnfiscal, Unfiscal::kVersion, Unfiscal::kEncoding);
    IXmlElement root = document->DocumentElement();
    root->SetAttr(Unfiscal::kSlip, "0");
    IXmlElement raw = root->AppendElement(Unfiscal::NameOfKind(Unfiscal::ukRawBlock));
    raw->SetAttr(Unfiscal::kEncodingAttr, Unfiscal::kBase64);
    raw->SetNodeText(Base64Encode(std::string(reinterpret_cast<const char*>(data), size_t(count))));
    if (Params.SaveXMLDisplay) SaveDump(document, kDisplayDump);
    std::string xml = document->Xml();
    CreateResult(Driver.InDriverThread([&] { return Driver.CustomerDisplay(xml, 0); }), LoDrv::kCustomerDisplay);
  }
  lines.Final();
}

bool TZefor::OpenDrawer(int32_t drawer) {
  tOperationLines lines(Journal, "OpenDrawer");
  if (!IsInitialized()) EnsureInitialized();
  bool result = false, flag = false;
  if (IsInitialized() && IsReadyFR(kDrawerReadiness, flag))
    result = CreateResult(Driver.InDriverThread([&] { return Driver.OpenDrawer(drawer); }), LoDrv::kOpenDrawer);
  lines.Final();
  return result;
}

bool TZefor::IsDrawerOpen(int32_t drawer) {
  tOperationLines lines(Journal, "IsDrawerOpen");
  if (!IsInitialized()) EnsureInitialized();
  bool result = false;
  TZefStatus status{};
  if (IsInitialized() && CreateResult(ReadStatus(status, kDrawerStatusMask), LoDrv::kOpenDrawer))
    result = status.DrawerOpened != 0;
  return lines.Final(result);
}
