#include "io/printer/zefor/document/report_build.h"

#include "io/printer/fiscreg/order_preparation.h"
#include "posdata/pdsource.h"

namespace {

bool HasField(TPDDataSet& record, const char* field) { return record.FieldIndex(field) >= 0; }

int32_t IdentOf(TPDDataSet& record, const char* field) {
  return HasField(record, field) ? int32_t(record.GetRawValueByName(field).AsInt64()) : 0;
}

std::string TextOf(TPDDataSet& record, const char* field) {
  return HasField(record, field) ? record.GetFieldText(field) : std::string();
}

// A property of the object a reference field names, through the POS's
// reference service; empty when the record has no such field.
std::string RefProperty(TPDDataSet& record, const char* field, const std::string& path) {
  return HasField(record, field) ? record.GetRefProperty(std::string(field) + "." + path) : std::string();
}

}  // namespace

TKvt_CashInOut TKvt_CashInOut::FromRecord(TPDDataSet& record, int64_t value, tOrderPreparation& preparation) {
  TKvt_CashInOut op;
  op.Name = TextOf(record, "Currency");
  op.Id = IdentOf(record, "Currency");
  op.Code = RefProperty(record, "Currency", "Code");
  op.ISOCode = RefProperty(record, "Currency", "RateClass.ISOCode");
  op.TypeIndex = preparation.PaymentType(record, "Currency", false);
  op.Value = value;
  op.OriginalValue = HasField(record, "OriginalSum") ? AsHundredths(record.GetRawValueByName("OriginalSum")) : 0;
  op.Rate = RefProperty(record, "Currency", "RateClass.Rate");
  op.ReasonId = IdentOf(record, "Reason");
  op.ReasonCode = RefProperty(record, "Reason", "Code");
  op.ReasonName = RefProperty(record, "Reason", "Name");
  return op;
}

namespace ReportBuild {

void AddReport(TFSXml& xml, const std::string& reportType, const std::string& parameters) {
  xml.Root()->SetAttr("DocType", "Report");
  IXmlElement report = xml.Root()->AppendElement("Report");
  report->SetAttr("ReportType", reportType);
  if (!parameters.empty()) report->SetAttr("Parameters", xml.Utf8(parameters));
}

void AddCollectAll(TFSXml& xml) { xml.Root()->SetAttr("DocType", "CollectAll"); }

void AddCashInOut(TFSXml& xml, const TKvt_CashInOut& op) {
  IXmlElement root = xml.Root();
  root->SetAttr("DocType", "CashInOut");
  IXmlElement payment = root->AppendElement("Payment");
  payment->SetAttr("Name", xml.Utf8(op.Name, true));
  payment->SetIntAttr("Id", op.Id);
  payment->SetAttr("Code", op.Code);
  payment->SetAttr("ISOCode", xml.Utf8(op.ISOCode));
  payment->SetAttr("Rate", xml.Utf8(op.Rate));
  payment->SetIntAttr("TypeIndex", op.TypeIndex);
  payment->SetIntAttr("Value", op.Value);
  payment->SetIntAttr("OriginalValue", op.OriginalValue);
  IXmlElement reason = root->EnsureChild("Reason");
  reason->SetIntAttr("Id", op.ReasonId);
  reason->SetAttr("Code", xml.Utf8(op.ReasonCode));
  reason->SetAttr("Name", xml.Utf8(op.ReasonName, true));
}

}  // namespace ReportBuild
