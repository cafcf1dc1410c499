// The emulator's fiscal documents: the checks a strict register makes
// before it prints one (structure, kinds it announced, every item's amount
// to the kopeck, taxes, the product code tag, receipt total against the
// payments), and the paper-tape form of an accepted document, 42 columns
// wide as a receipt printer prints it.
#pragma once
#include <cstdint>
#include <ctime>
#include <map>
#include <string>

#include "emu_config.h"
#include "emu_xml.h"

namespace emu {

struct DocumentSummary {
  std::string DocType;
  bool Receipt = false;   // a fiscal receipt: counts in the receipt counter
  int32_t Sign = 0;       // +1 sale, -1 return, 0 no money
  int64_t Total = 0;      // after every discount, hundredths
  int64_t CashIn = 0;     // cash taken less change given, hundredths
  std::map<int32_t, int64_t> Payments;  // payment type -> paid less change
  std::map<int32_t, int64_t> Taxes;     // tax index -> the items' tax
};

struct Verdict {
  int32_t Code = 0;       // 0: accepted; else the driver result code
  std::string Problem;    // what is wrong, for ZefGetLastLogicError
  DocumentSummary Summary;
};

// Codes of a refused document: a malformed or unannounced document, and
// one whose amounts do not add up.
constexpr int32_t kRefuseForm = 303;
constexpr int32_t kRefuseAmounts = 200;

// Whether documents of this DocType are checked (the receipt-like kinds).
bool IsCheckedDocType(const std::string& docType);

// options: the option set the emulator announced.
Verdict CheckFiscalDocument(const XmlNode& document, const Config& config, uint64_t options);

struct TapeNumbers {
  int32_t Shift = 0;
  int32_t Doc = 0;
  int32_t Receipt = 0;
  time_t Moment = 0;
};

// The printed receipt, lines of at most 42 characters, ending in a line
// break.
std::string DocumentTape(const XmlNode& document, const DocumentSummary& summary, const TapeNumbers& numbers);

// Amount text: 1234 -> "12.34", -5 -> "-0.05".
std::string Money(int64_t hundredths);

}  // namespace emu
