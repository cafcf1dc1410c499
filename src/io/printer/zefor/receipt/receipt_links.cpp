// The elements that tie a fiscal document to its order, to an earlier
// receipt and to the people who made it: Receipt, Order, Invoice,
// LinkReceipt, Deletion and Reason.
#include <limits>

#include "io/printer/zefor/receipt/receipt_build.h"
#include "io/printer/zefor/zefor.h"
#include "posdata/pderrors.h"
#include "posdata/pdsource.h"
#include "standart/errors.h"
#include "standart/format.h"
#include "xml/xmlexception.h"
#include "standart/text.h"

bool tReceiptBuild::Has(uint64_t option) const { return (Reg.Driver.Options & option) != 0; }
int32_t tReceiptBuild::Protocol() const { return Reg.Driver.ProtocolVersion; }

namespace ReceiptBuild {

namespace {

int32_t Int32Field(TPDDataSet& set, const std::string& name) {
  const int64_t value = set.GetRawValueByName(name).AsInt64();
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) throw ERangeError();
  return int32_t(value);
}

void Warn(tReceiptBuild& b, const std::string& text) { b.Reg.Journal.Write(0, text); }

void AppendCustomProp(const IXmlElement& list, const std::string& name, const std::string& data) {
  IXmlElement prop = list->AppendElement("CustomProp");
  prop->AppendElement("Name")->SetNodeText(name);
  prop->AppendElement("Data")->SetNodeText(data);
}

// The custom properties of the earlier order, from its order XML.
void AddOrderProperties(tReceiptBuild& b, const IXmlElement& link, TPDDataSet* returnData) {
  const std::string orderXml = returnData ? returnData->GetFieldText("OrderXML") : std::string();
  if (orderXml.empty()) {
    Warn(b, "Warning: DSN_RETURN_DATA.OrderXML is empty");
    return;
  }
  IXmlDocument order;
  try {
    order = ParseXmlDocument(orderXml);
  } catch (...) {
    Warn(b, Fmt("Exception: (%s)", ExceptionMessage()));
    Warn(b, Fmt("Warning: DSN_RETURN_DATA.OrderXML (%s) is not valid XML", orderXml));
    return;
  }
  IXmlElement root = order->DocumentElement();
  IXmlElement props = root && root->NodeName() == "Order" ? root->SelectSingleNode("ExternalProps") : IXmlElement();
  if (!props) return;
  IXmlNodeList list = props->SelectNodes("Prop");
  for (int32_t i = 0; i < list->Count(); ++i) {
    IXmlNode prop = list->Item(i);
    const std::string name = prop->AttrText("name"), value = prop->AttrText("value");
    AppendCustomProp(link->EnsureChild("CustomProperties"), name,
                     name == TFSXml::kPhoneProperty ? TFSXml::PhoneRule(value) : value);
  }
}

}  // namespace

bool AddInvoice(tReceiptBuild& b, tInvoice& invoice, bool withItems) {
  invoice = tInvoice();
  TPDDataSet* invoices = b.Data.GetDataSet("Invoices", false);
  if (!invoices || invoices->RecCount() == 0) return true;
  invoices->First();
  invoice.Number = Trim(invoices->GetFieldText("InvoiceNum"));
  const int64_t time = invoices->GetRawValueByName("DateTime").AsDateTimeMs();
  invoice.DateTime = TFSXml::DateTimeText(time);
  invoice.Seller = TFSXml::UserName(b.Xml.DocumentUserId());
  invoice.RegNo = Trim(invoices->GetFieldText("RegNo"));
  invoice.Name = Trim(invoices->GetFieldText("Name"));
  invoice.Address = Trim(invoices->GetFieldText("Address"));
  invoice.ExtraInfo = Trim(invoices->GetFieldText("ExtraInfo"));
  invoice.Comment = Trim(invoices->GetFieldText("Comment"));
  IXmlElement root = b.Xml.Root();
  if (withItems) root->SetAttr("DocType", "Invoice");
  IXmlElement e = root->AppendElement("Invoice");
  e->SetAttr("INN", b.Xml.Utf8(invoice.RegNo));
  e->SetAttr("Name", b.Xml.Utf8(invoice.Name));
  e->SetAttr("Address", b.Xml.Utf8(invoice.Address));
  e->SetAttr("ExtraInfo", b.Xml.Utf8(invoice.ExtraInfo));
  e->SetAttr("Comment", b.Xml.Utf8(invoice.Comment));
  e->SetAttr("Time", invoice.DateTime);
  e->SetAttr("Number", b.Xml.Utf8(invoice.Number));
  e->SetAttr("Seller", b.Xml.Utf8(invoice.Seller, true));
  return true;
}

bool AddReturnLink(tReceiptBuild& b, uint8_t kind, const IXmlElement& parent) {
  TPDDataSet* returnData = b.Data.GetDataSet("ReturnData", false);
  if (!returnData && kind == fdFiscReturn) Warn(b, "Warning: DSN_RETURN_DATA not found in fdFiscReturn");
  if (returnData && returnData->RecCount() == 0) {
    Warn(b, "Warning: DSN_RETURN_DATA is empty. use DSN_PRINT_CHECKS");
    returnData = nullptr;
  }
  TPDDataSet* source = returnData;
  if (!source) {
    source = b.Data.GetDataSet("PrintChecks", false);
    if (!source) {
      Warn(b, "DSN_PRINT_CHECKS not found");
      return true;
    }
    if (source->RecCount() == 0) {
      Warn(b, "DSN_PRINT_CHECKS is empty");
      return true;
    }
  }
  source->First();
  IXmlElement link = (parent ? parent : b.Xml.Root())->AppendElement("LinkReceipt");
  link->SetIntAttr("Number", Int32Field(*source, "PrintNumber"));
  link->SetIntAttr("FiscalDocNum", Int32Field(*source, "FiscDocNumber"));
  link->SetAttr("Guid", source->GetFieldText("GUIDString"));
  link->SetAttr("GlobalFiscalId", source->GetFieldText("GlobalFiscalId"));
  if (returnData) returnData->First();
  AddOrderProperties(b, link, returnData);
  return true;
}

bool AddReceipt(tReceiptBuild& b, int32_t number, const std::string& guid, bool lastBill, int64_t closeTime,
                const std::string& taxType) {
  IXmlElement receipt = b.Xml.Root()->AppendElement("Receipt");
  receipt->SetIntAttr("DocNumber", number);
  receipt->SetAttr("Guid", guid);
  receipt->SetAttr("LastBill", lastBill ? "1" : "0");
  receipt->SetAttr("Time", TFSXml::DateTimeText(closeTime));
  if (!taxType.empty()) receipt->SetAttr("TaxType", taxType);
  return true;
}

bool AddOrder(tReceiptBuild& b, const std::string& table, int32_t guests, const std::string& guid,
              const std::string& seatName, int32_t seatNo, const std::string& waiterName, int32_t waiterId,
              int64_t startService) {
  IXmlElement receipt = b.Xml.Receipt();
  if (!receipt) return false;
  IXmlElement order = receipt->AppendElement("Order");
  order->SetAttr("Table", b.Xml.Utf8(table));
  order->SetIntAttr("Guests", guests);
  order->SetAttr("StartService", TFSXml::DateTimeText(startService));
  b.Xml.AppendOperator(order, waiterId, waiterName);
  if (seatNo > 0) {
    IXmlElement seat = order->AppendElement("Seat");
    seat->SetIntAttr("Number", seatNo);
    seat->SetAttr("Name", b.Xml.Utf8(seatName, true));
  }
  if (!guid.empty()) order->SetAttr("Guid", guid);
  return true;
}

bool AddDeletion(tReceiptBuild& b, uint8_t kind, int32_t managerId, const std::string& managerName, int64_t time) {
  IXmlElement receipt = b.Xml.Receipt();
  if (!receipt) return false;
  IXmlElement deletion = receipt->AppendElement("Deletion");
  AddReturnLink(b, kind, deletion);
  deletion->SetAttr("Time", TFSXml::DateTimeText(time));
  b.Xml.AppendOperator(deletion, managerId, managerName);
  TPDDataSet* checks = b.Data.GetDataSet("PrintChecks", false);
  if (!checks) {
    Warn(b, "Warning: DSN_PRINT_CHECKS not assigned");
    return true;
  }
  if (checks->RecCount() == 0) {
    Warn(b, "Warning: DSN_PRINT_CHECKS is empty");
    return true;
  }
  if (checks->RecCount() > 1) Warn(b, Fmt("Warning: DSN_PRINT_CHECKS.RecCount <> 1 (%d)", checks->RecCount()));
  checks->First();
  const int32_t reason = Int32Field(*checks, "Void");
  if (reason <= 0) return true;
  IXmlElement e = b.Xml.Root()->EnsureChild("Reason");
  e->SetIntAttr("Id", reason);
  e->SetAttr("Code", b.Xml.Utf8(checks->GetRefProperty("Void.Code")));
  e->SetAttr("Name", b.Xml.Utf8(checks->GetRefProperty("Void.Name"), true));
  return true;
}

}  // namespace ReceiptBuild
