// The Z-report data of the universal register: the driver's shift totals
// (asked with ZefGetZReportData or answered to the Z-report document) as the
// "ZReport" document that the POS keeps in its database.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

#include "io/printer/zefor/document/fs_xml.h"
#include "io/printer/zefor/day/zef_zreport.h"
#include "io/printer/zefor/zefor.h"
#include "standart/errors.h"
#include "xml/xmlexception.h"
#include "xml/xmlstrings.h"

namespace {

const char kStep[] = "GetZReportData";
constexpr int32_t kBufferTooSmall = 304;
const char kCashIn[] = "{4559FBEA-7C7D-42A9-9039-E049DF8B16F7}";
const char kReturns[] = "{CD369812-9E51-46BD-A99D-18843718BCD4}";
const char kTaxes[] = "{B704B8E1-CB6B-4E19-B414-B9939CF97C71}";
const char kCash[] = "{E53B030C-845D-4CBC-8A03-EBFFAE5D08B8}";
const char kNonCash1[] = "{39EAF8BD-9BD4-4A02-B09B-735C125A08C3}";
const char kNonCash2[] = "{C22FF005-6D98-4C7D-BD59-86D4B0B4560C}";


}  // namespace

namespace ZReportData {

int64_t CounterHundredths(const std::string& text) {
  size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  const bool negative = at < text.size() && text[at] == '-';
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  int64_t units = 0;
  std::string decimals;
  bool digits = false, point = false;
  for (; at < text.size() && text[at] != ' '; ++at) {
    const char c = text[at];
    if (c >= '0' && c <= '9') {
      digits = true;
      if (point) decimals += c;
      else if (units > (INT64_MAX - 9) / 1000) RaiseXmlError("Counter value out of range: " + text);
      else units = units * 10 + (c - '0');
    } else if ((c == '.' || c == ',') && !point) {
      point = true;
    } else {
      RaiseXmlError("Counter value is not a number: " + text);
    }
  }
  while (at < text.size() && text[at] == ' ') ++at;
  if (!digits || at != text.size()) RaiseXmlError("Counter value is not a number: " + text);
  decimals.resize(std::max<size_t>(decimals.size(), 2), '0');
  int64_t value = units * 100 + (decimals[0] - '0') * 10 + (decimals[1] - '0');
  const std::string rest = decimals.substr(2);
  const bool aboveHalf = !rest.empty() && (rest[0] > '5' || (rest[0] == '5' && rest.find_first_not_of('0', 1) != std::string::npos));
  const bool half = !rest.empty() && rest[0] == '5' && !aboveHalf;
  if (aboveHalf || (half && value % 2 != 0)) ++value;
  return negative ? -value : value;
}

}  // namespace ZReportData

namespace {

// The GUID-keyed counters of the driver's data, looked up by key.
class tCounters {
 public:
  explicit tCounters(const IXmlElement& counters) : counters_(counters) {}
  bool Find(const char* key, int64_t& value) const {
    if (!counters_) return false;
    for (int32_t i = 0; i < counters_->ChildCount(); ++i) {
      IXmlElement counter = counters_->ChildAt(i)->AsElement();
      if (!counter || !xmlstr::SameTextIgnoringCase(counter->AttrText("ValueKeyID"), key)) continue;
      value = ZReportData::CounterHundredths(counter->AttrText("Value"));
      return true;
    }
    return false;
  }
  // The attribute, replaced by the counter when the driver has it.
  int64_t Value(const IXmlElement& data, const char* attribute, const char* key) const {
    int64_t value = data->IntAttr(attribute, 0);
    Find(key, value);
    return value;
  }

 private:
  IXmlElement counters_;
};

}  // namespace

IXmlDocument TZefor::ConvertZReportData(const std::string& text) {
  IXmlDocument input = ParseXmlDocument(text);
  IXmlElement root = input->DocumentElement();
  if (!root) ZefAssertion("Z-report data without a root element");
  IXmlElement data;
  if (root->NodeName() == "ZReportData") data = root;
  else if (root->NodeName() == "FiscalDocumentReturn") data = root->SelectSingleNode("ZReportData");
  else ZefAssertion("Unexpected Z-report data element " + root->NodeName());
  if (!data) return IXmlDocument();
  IXmlElement counterValues = data->SelectSingleNode("CounterValues");
  const tCounters counters(counterValues);

  IXmlDocument output = NewXmlDocument("ZReport", "1.0");
  IXmlElement z = output->DocumentElement();
  if (data->AttrExists("POS_ID")) z->SetAttr("POS_ID", data->AttrText("POS_ID"));
  z->SetIntAttr("FiscDev", DeviceParamIndex());
  const std::string serial = data->AttrText("SerialNumber");
  if (!serial.empty()) z->SetAttr("SerialNumber", serial);
  else if (!LastStateInfo.ExtID.empty()) z->SetAttr("SerialNumber", LastStateInfo.ExtID);
  if (data->AttrExists("ZReportNumber")) z->SetAttr("ZReportNumber", data->AttrText("ZReportNumber"));
  z->SetIntAttr("IncashSum", counters.Value(data, "CashInValue", kCashIn));
  if (data->AttrExists("Total")) {
    const int64_t total = data->IntAttr("Total", 0);
    z->SetIntAttr("StartTotal", total);
    z->SetIntAttr("EndTotal", total + data->IntAttr("DayValue", 0));
  }
  const int64_t returns = counters.Value(data, "ReturnValue", kReturns);
  const int64_t taxes = counters.Value(data, "TaxValue", kTaxes);
  const int64_t cash = counters.Value(data, "PayCashValue", kCash);
  int64_t nonCash1 = 0, nonCash2 = 0;
  counters.Find(kNonCash1, nonCash1);
  counters.Find(kNonCash2, nonCash2);
  const int64_t nonCash = nonCash1 + nonCash2 != 0 ? nonCash1 + nonCash2 : data->IntAttr("PayNonCashValue", 0);
  z->SetIntAttr("Returns", returns);
  z->SetIntAttr("TaxSum", taxes);
  z->SetIntAttr("CashSum", cash);
  z->SetIntAttr("NonCashSum", nonCash);
  z->SetIntAttr("Proceeds", cash + nonCash + returns);
  z->SetIntAttr("ProceedsWOTax", cash + nonCash + returns - taxes);
  if (counterValues) z->AppendChild(data->RemoveChild(counterValues));
  return output;
}

bool TZefor::GetZReportData(IXmlDocument& document) {
  document = nullptr;
  Journal.Write(1, tZefJournal::OperationEntry(kStep));
  TZefStatus status{};
  if (CreateResult(ReadStatus(status, ZefStatus::fnShiftState), "ZefGetStatus") &&
      status.ShiftState != ZefStatus::ssShiftClosed) {
    std::vector<char> buffer(LoDrv::kZReportBufferSize, 0);
    int32_t size = LoDrv::kZReportBufferSize;
    const int32_t code = Driver.InDriverThread([&] { return Driver.GetZReportData(buffer.data(), size); });
    buffer.back() = 0;
    if (code == kBufferTooSmall) {
      CreateResult(code, "ZefGetZReportData");
      ZefAssertion("The Z-report data does not fit the buffer of " + std::to_string(LoDrv::kZReportBufferSize) +
                   " bytes");
    }
    if (CreateResult(code, "ZefGetZReportData")) document = ConvertZReportData(buffer.data());
  }
  const bool result = bool(document);
  Journal.Write(result ? 1 : 0, tZefJournal::OperationFinal(kStep, tZefJournal::Bool(result)));
  return result;
}
