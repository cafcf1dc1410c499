#include "io/printer/zefor/document/fs_xml.h"

#include <cctype>
#include <vector>

#include "io/printer/zefor/host/pos_objects.h"
#include "io/printer/zefor/document/zef_text.h"
#include "io/printer/zefor/zefor.h"
#include "posdata/pdsource.h"
#include "standart/civil_date.h"
#include "standart/errors.h"
#include "platform/platform.h"
#include "standart/format.h"
#include "xml/xmlstrings.h"

namespace {

constexpr int32_t kCustomPropertiesProtocol = 26;
constexpr const char* kGlobalFiscalIdProperty = "OrderGlobalFiscalID";


}  // namespace

void ZefAssertion(const std::string& what) {
  throw tInterfacedException(what + " (IO\\PRINTER\\Zefor\\UZefor)");
}

TFSXml::TFSXml(TZefor& owner) : owner_(owner) {}

TFSXml::~TFSXml() = default;

bool TFSXml::NewDocument(const std::string& options) {
  options_ = options;
  document_ = NewXmlDocument("FiscalDocument", "1.0", "utf-8");
  Root()->SetAttr("Options", Utf8(options));
  return true;
}

IXmlElement TFSXml::Root() const {
  if (!document_) ZefAssertion("Fiscal document is not created");
  IXmlElement root = document_->DocumentElement();
  if (!root) ZefAssertion("Fiscal document has no root element");
  return root;
}

IXmlElement TFSXml::Receipt() const { return Root()->SelectSingleNode("Receipt"); }

std::string TFSXml::Text() const { return document_ ? document_->Xml() : std::string(); }

std::string TFSXml::DocTypeName(uint8_t kind, uint64_t options, int32_t seatNo, int32_t docTypeIdent, bool lastBill) {
  const bool returnReceipt = (options & ZefOptions::foReturnReceipt) != 0;
  const bool deleteReceipt = (options & ZefOptions::foDeleteReceipt) != 0;
  switch (kind) {
    case fdFiscCheck: return "Receipt";
    case fdDeleteCheck: return returnReceipt && (docTypeIdent == 9 || !deleteReceipt) ? "ReturnReceipt" : "Deletion";
    case fdCheckCopy: return "ReceiptCopy";
    case fdFiscReturn:
      if (returnReceipt && docTypeIdent != 96) return "ReturnReceipt";
      return docTypeIdent == 96 ? "Return" : "Deletion";
    case fdDeleteReturn: return "ReturnDeletion";
    case fdBill: return "Bill";
    case fdFillOrder:
    case fdCreateOrder: return "CreateOrder";
    case fdVoids: return "Correction";
    case fdCloseOrder: return lastBill && seatNo >= 1 ? "CancelSeat" : "CloseOrder";
    case fdUndoBill: return "CancelBill";
    case fdCancelOrder: return "CancelOrder";
    default: return std::string();
  }
}

bool TFSXml::SetDocType(uint8_t kind, int32_t seatNo, int32_t docTypeIdent, bool lastBill) {
  Root()->SetAttr("DocType", DocTypeName(kind, owner_.Driver.Options, seatNo, docTypeIdent, lastBill));
  return true;
}

IXmlElement TFSXml::AppendHeader() { return Root()->EnsureChild("Header"); }

std::string TFSXml::Utf8(const std::string& text, bool isName) const {
  const int32_t charset = isName && owner_.EffectiveSettings.UseAltNames ? 1 : 0;
  return ZefText::ToUtf8(text, charset, tCommonFiscReg::Text2BaseLangAddr);
}

std::string TFSXml::UserName(int32_t userId) {
  std::string name = PosObjects::PropertyText(PosObjects::kUserClass, userId, "OfficialName");
  return name.empty() ? PosObjects::Name(PosObjects::kUserClass, userId) : name;
}

int32_t TFSXml::DocumentUserId() const {
  int32_t id = 0;
  try {
    if (owner_.Params.FixedOperatorId > 0) return owner_.Params.FixedOperatorId;
    if (owner_.OperatorId() != 0) return owner_.OperatorId();
    if (owner_.HasPosData())
      if (TPDDataSet* checks = owner_.PosData().GetDataSet("PrintChecks", false)) {
        checks->First();
        return id = int32_t(checks->GetRawValueByName("Author").AsInt64());
      }
    int32_t registered = 0;
    if (owner_.PosIntValue("#SYS#UserRegistered", registered)) id = registered;
  } catch (...) {
  }
  return id;
}

IXmlElement TFSXml::AppendOperator(const IXmlElement& parent, int32_t userId, const std::string& name) const {
  IXmlElement op = parent->AppendElement("Operator");
  op->SetIntAttr("Id", userId);
  op->SetIntAttr("Code", PosObjects::IntegerOr(PosObjects::PropertyText(PosObjects::kUserClass, userId, "Code"), 0));
  op->SetAttr("Name", Utf8(name, true));
  const std::string taxPayer = PosObjects::PropertyText(PosObjects::kUserClass, userId, "genTaxPayerIdNum");
  if (!taxPayer.empty()) op->SetAttr("TaxPayerIdNum", Utf8(taxPayer));
  return op;
}

void TFSXml::AppendObject(const IXmlElement& header, const char* element, int32_t cls, int32_t id, bool required) {
  if (required && id == 0) ZefAssertion(std::string("POS object of ") + element + " not found");
  IXmlElement e = header->AppendElement(element);
  e->SetIntAttr("Id", id);
  e->SetIntAttr("Code", id == 0 ? -1 : PosObjects::IntegerOr(PosObjects::PropertyText(cls, id, "Code"), 0));
  e->SetAttr("Name", id == 0 ? std::string() : Utf8(PosObjects::Name(cls, id), true));
}

bool TFSXml::FillHeader(bool unfiscalOnly, const std::string& toPrint) {
  IXmlElement header = Root()->EnsureChild("Header");
  int32_t server = 0, restaurant = 0, station = 0;
  owner_.PosIntValue("#SYS#ThisServerIdent", server);
  if (server != 0)
    restaurant =
        PosObjects::IntegerOr(PosObjects::PropertyText(PosObjects::kServerClass, server, "MainParentIdent"), 0);
  AppendObject(header, "Restaurant", PosObjects::kRestaurantClass, restaurant, true);
  const int32_t user = DocumentUserId();
  AppendOperator(header, user, UserName(user));
  owner_.PosIntValue("#SYS#ThisStationIdent", station);
  AppendObject(header, "Station", PosObjects::kStationClass, station, true);
  AppendCustomProperties(header);
  header->AppendElement("Unfiscal");
  return AppendToPrint(unfiscalOnly, toPrint);
}

void TFSXml::AppendCustomProperties(const IXmlElement& header) {
  if (owner_.Driver.ProtocolVersion < kCustomPropertiesProtocol || !owner_.HasPosData()) return;
  TPDDataSet* props = owner_.PosData().GetDataSet("CustomOrderProps", false);
  if (!props || props->RecCount() == 0) return;
  IXmlElement list = header->AppendElement("CustomProperties");
  const bool utf8Values = props->FieldIndex("Value_Utf8") >= 0;
  props->First();
  for (int32_t r = 0; r < props->RecCount(); ++r, props->Next()) {
    IXmlElement prop = list->AppendElement("CustomProp");
    const std::string name = Utf8(props->GetFieldText("Name"));
    const std::string value = utf8Values ? props->GetFieldText("Value_Utf8") : Utf8(props->GetFieldText("Value"));
    if (xmlstr::SameTextIgnoringCase(name, kGlobalFiscalIdProperty)) {
      if (IXmlElement order = Root()->SelectSingleNode("Receipt/Order")) order->SetAttr("GlobalId", value);
      continue;
    }
    prop->AppendElement("Name")->SetNodeText(name);
    prop->AppendElement("Data")->SetNodeText(name == kPhoneProperty ? PhoneRule(value) : value);
  }
}

// The ToPrint text as markup: the non-fiscal converter cuts it into
// segments (printing them at once when the receipt is only printed as
// text); footer segments go to the footer, the others into the head.
bool TFSXml::AppendToPrint(bool unfiscalOnly, const std::string& toPrint) {
  if (toPrint.empty()) return true;
  if (unfiscalOnly && !KindIn(fdUnfiscal, owner_.CapabilityFlags())) return false;
  std::vector<std::string> segments;
  if (!owner_.uf_Doc(reinterpret_cast<const uint8_t*>(toPrint.data()), int32_t(toPrint.size()), false, &segments,
                     unfiscalOnly))
    return false;
  for (const std::string& segment : segments) {
    IXmlDocument parsed = ParseXmlDocument(segment);
    IXmlElement root = parsed ? parsed->DocumentElement() : IXmlElement();
    if (!root || root->ChildCount() == 0) continue;
    IXmlElement target = root->IntAttr("Footer", 0) != 0 ? Root()->EnsureChild("Footer")->EnsureChild("Unfiscal")
                                                         : Root()->SelectSingleNode("Header/Unfiscal");
    AppendChildrenOf(root, target);
  }
  return true;
}

void AppendChildrenOf(const IXmlElement& from, const IXmlElement& to) {
  for (int32_t c = 0; c < from->ChildCount(); ++c) to->AppendChild(from->ChildAt(c)->CloneNode(true));
}

void TFSXml::AddFooterText(const IXmlDocument& pendingInserts) {
  if (!pendingInserts) return;
  IXmlElement pending = pendingInserts->DocumentElement();
  if (!pending) return;
  IXmlElement target = Root()->EnsureChild("Footer")->EnsureChild("Unfiscal");
  IXmlNodeList unfiscals = pending->SelectNodes("Unfiscal");
  for (int32_t i = 0; i < unfiscals->Count(); ++i)
    if (IXmlElement unfiscal = unfiscals->Item(i)->AsElement()) AppendChildrenOf(unfiscal, target);
}

void TFSXml::AddSavingsLine(const std::string& templateText) {
  if (templateText.empty()) return;
  int64_t total = 0;
  if (IXmlElement receipt = Receipt()) {
    IXmlElement items = receipt->SelectSingleNode("Items");
    for (int32_t i = 0; items && i < items->ChildCount(); ++i) {
      IXmlElement discounts = items->ChildAt(i)->SelectSingleNode("Discounts");
      for (int32_t d = 0; discounts && d < discounts->ChildCount(); ++d)
        if (IXmlElement discount = discounts->ChildAt(d)->AsElement())
          if (discount->NodeName() == "Discount") total += discount->IntAttr("Value", 0);
    }
    IXmlElement discounts = receipt->SelectSingleNode("Discounts");
    for (int32_t d = 0; discounts && d < discounts->ChildCount(); ++d)
      if (IXmlElement discount = discounts->ChildAt(d)->AsElement())
        if (discount->NodeName() == "Discount") total += discount->IntAttr("Value", 0);
  }
  const int64_t saving = -total;
  if (saving == 0) return;
  const int64_t a = saving < 0 ? -saving : saving;
  const std::string amount = (saving < 0 ? "-" : "") + std::to_string(a / 100) + "." + std::to_string(100 + a % 100).substr(1);
  std::string line = templateText.size() > amount.size() ? templateText.substr(0, templateText.size() - amount.size()) : "";
  line += amount;
  IXmlElement unfiscal = Root()->EnsureChild("Footer")->EnsureChild("Unfiscal");
  IXmlElement text = NewXmlElement("TextLine", unfiscal->NameTable());
  text->SetIntAttr("Bold", 0);
  text->SetIntAttr("BigHeight", 0);
  text->SetIntAttr("BigWidth", 0);
  text->SetIntAttr("Inverted", 0);
  text->SetIntAttr("Tapes", 3);
  text->SetAttr("Text", Utf8(line, true));
  unfiscal->InsertBefore(text, unfiscal->ChildAt(0));
}

void TFSXml::MarkCustomFlag() {
  IXmlElement list = Root()->EnsureChild("Header")->EnsureChild("CustomProperties");
  IXmlElement flag;
  for (int32_t i = 0; i < list->ChildCount() && !flag; ++i) {
    IXmlElement prop = list->ChildAt(i)->AsElement();
    if (prop && prop->NodeName() == "CustomProp" && prop->ChildText("Name") == kCustomFlagName) flag = prop;
  }
  if (!flag) {
    flag = list->AppendElement("CustomProp");
    flag->AppendElement("Name")->SetNodeText(kCustomFlagName);
  }
  flag->EnsureChild("Data")->SetNodeText("1");
}

bool TFSXml::IsFiscalDocument() const {
  if (!document_) return false;
  IXmlElement root = document_->DocumentElement();
  return root && root->NodeName() == "FiscalDocument";
}


bool TFSXml::Send(TZefStatus& status, int32_t& filled) {
  if (!IsFiscalDocument()) return true;
  const std::string text = Text();
  if (owner_.Params.SaveXMLFiscal) owner_.SaveDumpText(kDumpFile, text);
  const int32_t code = owner_.Driver.FiscalDocument(text, status, filled);
  return owner_.CreateResult(code, "ZefFiscalDocument");
}

std::string TFSXml::PhoneRule(const std::string& value) {
  std::string kept;
  for (char c : value)
    if ((c >= '0' && c <= '9') || (c == '+' && kept.empty())) kept += c;
  if (!kept.empty() && kept[0] == '+') return kept;
  if (kept.size() == 11 && kept[0] == '8') return "+7" + kept.substr(1);
  if (kept.size() == 10) return "+7" + kept;
  return kept;
}

std::string TFSXml::DateTimeText(int64_t ms) {
  constexpr int64_t kDay = 86400000;
  int64_t days = ms / kDay, rest = ms % kDay;
  if (rest < 0) {
    rest += kDay;
    --days;
  }
  int64_t year = 0, month = 0, day = 0;
  CivilDate::CivilFromDays(days + CivilDate::DaysFromCivil(1899, 12, 30), year, month, day);
  const int64_t seconds = rest / 1000;
  return Fmt("%4.4d-%2.2d-%2.2dT%2.2d:%2.2d:%2.2d", int32_t(year), int32_t(month), int32_t(day),
             int32_t(seconds / 3600), int32_t(seconds / 60 % 60), int32_t(seconds % 60));
}
