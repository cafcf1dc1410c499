// A register's day in the emulator: the shift's totals by payment type and
// tax, the cash put in and taken out, the grand total, the cash documents
// and reports (X, Z, last shift, special reports), the Z-report data, and
// the programming documents that change the tax table and the clock.
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "emu_xml.h"
#include "io/printer/zefor/status/zef_status_record.h"

namespace emu {

class Register;
struct DocumentSummary;

// What a shift has taken so far; cleared by the Z-report.
struct Day {
  int64_t GrandTotal = 0;                // sales less returns of every closed shift
  std::map<int32_t, int64_t> Sales;      // payment type -> amount (change taken off the cash)
  std::map<int32_t, int64_t> Returns;    // payment type -> amount paid back
  std::map<int32_t, int64_t> Taxes;      // tax index -> sales tax less returns tax
  int64_t CashIn = 0, CashOut = 0;
  bool TaxesProgrammed = false;
  std::map<int32_t, int32_t> TaxTable;   // programmed tax index -> rate
};

// State-file lines of the day, and one line read back (false: not a day key).
std::string DayText(const Day& day);
bool ReadDayLine(Day& day, const std::string& key, const std::string& value);

// A refusal of the register: the driver result and the register's text.
constexpr int32_t kRefuseLogic = 200;
constexpr int32_t kRefuseShiftAge = 201;

// Whether a fiscal document is a cash document or a report (DocType
// "CashInOut", "CollectAll" or "Report").
bool IsDayDocument(const XmlNode& document);
// Checks, prints and books one such document; the answer of ZefFiscalDocument.
int32_t DayDocument(Register& r, const XmlNode& document, const std::string& text, TZefStatus* status,
                    int32_t* filled);

// Before a receipt: refused when the shift is open for over 24 hours.
int32_t ReceiptAllowed(Register& r);
// After an accepted receipt: its payments and taxes in the shift's totals.
void BookReceipt(Register& r, const DocumentSummary& summary);

// The Z-report data of the open shift ("ZReportData" with attributes and
// counters).
std::string ZReportData(Register& r);

// A "ProgramFR" document: the answer of ZefProgram.
int32_t ProgramDocument(Register& r, const std::string& text);

}  // namespace emu
