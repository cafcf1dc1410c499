// The bodies of the cash documents and shift reports of the universal
// register: a cash operation read from the POS's "CashInOut" record and the
// elements that the cash, collect-all and report documents add to the
// envelope of a TFSXml.
#pragma once
#include <cstdint>
#include <string>

#include "io/printer/zefor/document/fs_xml.h"

class TPDDataSet;
class tOrderPreparation;

// One cash operation.
struct TKvt_CashInOut {
  std::string Name;          // the currency's display text
  int32_t Id = 0;            // the currency
  std::string Code;
  std::string ISOCode;
  int32_t TypeIndex = 0;     // fiscal payment type of the currency
  int64_t Value = 0;         // hundredths; positive cash in, negative cash out
  int64_t OriginalValue = 0;
  std::string Rate;
  int32_t ReasonId = 0;
  std::string ReasonCode;
  std::string ReasonName;

  // The current record of "CashInOut" with the signed amount `value`.
  static TKvt_CashInOut FromRecord(TPDDataSet& record, int64_t value, tOrderPreparation& preparation);
};

namespace ReportBuild {

// DocType "Report" and a "Report" element of the type, with its parameters
// when there are any.
void AddReport(TFSXml& xml, const std::string& reportType, const std::string& parameters);
void AddCollectAll(TFSXml& xml);
// DocType "CashInOut", a "Payment" for the operation and the one "Reason"
// of the document, which keeps the last operation's reason.
void AddCashInOut(TFSXml& xml, const TKvt_CashInOut& operation);

}  // namespace ReportBuild
