#include "emu_day.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "emu_document.h"
#include "emu_register.h"
#include "platform/platform.h"

namespace emu {

namespace {

constexpr int kWidth = 42;
constexpr int32_t kCardType = 2;

const char kCashInKey[] = "{4559FBEA-7C7D-42A9-9039-E049DF8B16F7}";
const char kReturnsKey[] = "{CD369812-9E51-46BD-A99D-18843718BCD4}";
const char kTaxesKey[] = "{B704B8E1-CB6B-4E19-B414-B9939CF97C71}";
const char kCashKey[] = "{E53B030C-845D-4CBC-8A03-EBFFAE5D08B8}";
const char kCardKey[] = "{39EAF8BD-9BD4-4A02-B09B-735C125A08C3}";
const char kOtherNonCashKey[] = "{C22FF005-6D98-4C7D-BD59-86D4B0B4560C}";

struct Refusal : std::runtime_error {
  Refusal(int32_t code, const std::string& what) : std::runtime_error(what), Code(code) {}
  int32_t Code;
};
[[noreturn]] void Refuse(int32_t code, const std::string& what) { throw Refusal(code, what); }

bool Announced(const Config& c, const char* option) {
  return std::find(c.Options.begin(), c.Options.end(), option) != c.Options.end();
}

void NeedOption(const Config& c, const char* option, const std::string& what) {
  if (!Announced(c, option)) Refuse(kRefuseForm, what + " was not announced by the register (" + option + ")");
}

bool IsCash(const Config& c, int32_t type) {
  return std::find(c.CashTypes.begin(), c.CashTypes.end(), type) != c.CashTypes.end();
}

int64_t Integer(const XmlNode& node, const std::string& attr, const std::string& where) {
  const std::string text = node.Attr(attr);
  char* end = nullptr;
  if (text.empty()) Refuse(kRefuseForm, where + ": attribute " + attr + " is missing");
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (*end != 0) Refuse(kRefuseForm, where + ": " + attr + " \"" + text + "\" is not an integer");
  return value;
}

int64_t Sum(const std::map<int32_t, int64_t>& map) {
  int64_t total = 0;
  for (const auto& entry : map) total += entry.second;
  return total;
}

std::string MapText(const std::map<int32_t, int64_t>& map) {
  std::string text;
  for (const auto& entry : map) text += (text.empty() ? "" : " ") + std::to_string(entry.first) + ":" + std::to_string(entry.second);
  return text;
}

template <class Value>
std::map<int32_t, Value> ReadMap(const std::string& text) {
  std::map<int32_t, Value> map;
  std::istringstream in(text);
  for (std::string word; in >> word;) {
    const size_t colon = word.find(':');
    if (colon != std::string::npos) map[std::atoi(word.c_str())] = Value(std::atoll(word.c_str() + colon + 1));
  }
  return map;
}

// The shift's totals as a Z-report counts them.
struct Totals {
  int64_t Cash = 0, Card = 0, OtherNonCash = 0, Returns = 0, Taxes = 0, Day = 0;
};

Totals TotalsOf(const Config& c, const Day& day) {
  Totals t;
  for (const auto& sale : day.Sales) {
    if (IsCash(c, sale.first)) t.Cash += sale.second;
    else if (sale.first == kCardType) t.Card += sale.second;
    else t.OtherNonCash += sale.second;
  }
  t.Returns = -Sum(day.Returns);
  t.Taxes = Sum(day.Taxes);
  t.Day = Sum(day.Sales) - Sum(day.Returns);
  return t;
}

// ---- the tape ----

class Tape {
 public:
  void Center(const std::string& text) { out_ += std::string(text.size() < kWidth ? (kWidth - Width(text)) / 2 : 0, ' ') + text + "\n"; }
  void Pair(const std::string& label, const std::string& value) {
    const size_t used = Width(label) + Width(value);
    out_ += label + std::string(used < kWidth ? kWidth - used : 1, ' ') + value + "\n";
  }
  void Rule(char c) { out_ += std::string(kWidth, c) + "\n"; }
  std::string Text() const { return out_; }

 private:
  static size_t Width(const std::string& utf8) {
    size_t n = 0;
    for (unsigned char ch : utf8)
      if ((ch & 0xC0) != 0x80) ++n;
    return n;
  }
  std::string out_;
};

std::string DateText(time_t moment) {
  struct tm t = LocalTm(moment);
  char text[32];
  std::strftime(text, sizeof text, "%d.%m.%Y %H:%M", &t);
  return text;
}

std::string Footer(Register& r, time_t now, bool counted) {
  Tape tape;
  tape.Rule('-');
  tape.Pair("СМЕНА " + std::to_string(r.St().LastShift + (r.St().ShiftOpen ? 1 : 0)),
            counted ? "ФД " + std::to_string(r.St().Doc) : std::string());
  tape.Pair("", DateText(now));
  tape.Rule('=');
  return tape.Text();
}

std::string TotalsTape(const Config& c, const State& s, const std::string& title) {
  const Totals t = TotalsOf(c, s.Shift);
  Tape tape;
  tape.Rule('=');
  tape.Center(title);
  tape.Rule('-');
  tape.Pair("ПРИХОД НАЛИЧНЫМИ", "=" + Money(t.Cash));
  tape.Pair("ПРИХОД КАРТОЙ", "=" + Money(t.Card));
  tape.Pair("ПРИХОД ИНЫМИ", "=" + Money(t.OtherNonCash));
  tape.Pair("ВОЗВРАТ ПРИХОДА", "=" + Money(-t.Returns));
  tape.Pair("НАЛОГИ", "=" + Money(t.Taxes));
  tape.Pair("ВНЕСЕНО", "=" + Money(s.Shift.CashIn));
  tape.Pair("ИЗЪЯТО", "=" + Money(s.Shift.CashOut));
  tape.Pair("НАЛИЧНЫХ В КАССЕ", "=" + Money(s.Cash));
  tape.Pair("ВЫРУЧКА СМЕНЫ", "=" + Money(t.Day));
  tape.Pair("НЕОБНУЛЯЕМЫЙ ИТОГ", "=" + Money(s.Shift.GrandTotal + t.Day));
  return tape.Text();
}

// ---- documents ----

void OpenShift(State& s, time_t now) {
  if (s.ShiftOpen) return;
  s.ShiftOpen = true;
  s.ShiftOpened = now;
}

void Count(State& s, time_t now) {
  ++s.Doc;
  if (++s.Unsent == 1) s.OldestUnsent = now;
}

void CheckHeader(const XmlNode& root) {
  const XmlNode* header = root.Child("Header");
  if (!header || root.Children.front().Name != "Header") Refuse(kRefuseForm, "Header is not the first element");
  for (const char* part : {"Restaurant", "Operator", "Station"})
    if (!header->Child(part)) Refuse(kRefuseForm, std::string("Header/") + part + " is missing");
}

std::string CashDocument(Register& r, const XmlNode& root, time_t now) {
  const Config& c = r.Cfg();
  State& s = r.St();
  NeedOption(c, "foMoneyInOut", "a cash document");
  if (ReceiptAllowed(r) != 0) Refuse(kRefuseShiftAge, "the shift is open for more than 24 hours");
  const std::vector<const XmlNode*> payments = root.ChildrenNamed("Payment");
  if (payments.empty()) Refuse(kRefuseForm, "a cash document without Payment");
  int64_t in = 0, out = 0;
  for (size_t i = 0; i < payments.size(); ++i) {
    const std::string where = "Payment " + std::to_string(i + 1);
    const int64_t value = Integer(*payments[i], "Value", where);
    const int64_t type = Integer(*payments[i], "TypeIndex", where);
    if (value == 0) Refuse(kRefuseForm, where + ": the amount is 0");
    if (!IsCash(c, int32_t(type))) Refuse(kRefuseForm, where + ": payment type " + std::to_string(type) + " is not cash");
    (value > 0 ? in : out) += value > 0 ? value : -value;
  }
  if (out > s.Cash + in)
    Refuse(kRefuseLogic, "Cash sum available is less than the ordered: " + Money(out) + " asked, " + Money(s.Cash + in) +
                             " in the drawer");
  OpenShift(s, now);
  s.Cash += in - out;
  s.Shift.CashIn += in;
  s.Shift.CashOut += out;
  Count(s, now);
  Tape tape;
  tape.Rule('=');
  tape.Center(in >= out ? "ВНЕСЕНИЕ" : "ИЗЪЯТИЕ");
  for (const XmlNode* p : payments) {
    const int64_t value = std::atoll(p->Attr("Value").c_str());
    tape.Pair(p->Attr("Name", "Наличные"), "=" + Money(value < 0 ? -value : value));
  }
  if (const XmlNode* reason = root.Child("Reason"))
    if (!reason->Attr("Name").empty()) tape.Pair("Основание", reason->Attr("Name"));
  tape.Pair("НАЛИЧНЫХ В КАССЕ", "=" + Money(s.Cash));
  return tape.Text() + Footer(r, now, true);
}

std::string CollectAll(Register& r, time_t now) {
  State& s = r.St();
  NeedOption(r.Cfg(), "foAllMoneyOut", "collecting all cash");
  if (ReceiptAllowed(r) != 0) Refuse(kRefuseShiftAge, "the shift is open for more than 24 hours");
  OpenShift(s, now);
  const int64_t taken = s.Cash;
  s.Shift.CashOut += taken;
  s.Cash = 0;
  Count(s, now);
  Tape tape;
  tape.Rule('=');
  tape.Center("ИЗЪЯТИЕ ВСЕЙ НАЛИЧНОСТИ");
  tape.Pair("Наличные", "=" + Money(taken));
  return tape.Text() + Footer(r, now, true);
}

// "yyyy-mm-dd;yyyy-mm-dd" or "n;m" with n <= m <= the last closed shift.
void CheckReportParameters(const std::string& type, const std::string& parameters, int32_t lastShift) {
  int y1, m1, d1, y2, m2, d2, first, last;
  char tail;
  if (type == "DetailByDate" || type == "BriefByDate") {
    if (std::sscanf(parameters.c_str(), "%4d-%2d-%2d;%4d-%2d-%2d%c", &y1, &m1, &d1, &y2, &m2, &d2, &tail) != 6)
      Refuse(kRefuseForm, "report " + type + ": parameters \"" + parameters + "\" are not two dates");
  } else if (type == "BriefByNumber") {
    if (std::sscanf(parameters.c_str(), "%d;%d%c", &first, &last, &tail) != 2 || first > last || last > lastShift)
      Refuse(kRefuseForm, "report " + type + ": parameters \"" + parameters + "\" are not shifts 1 to " +
                              std::to_string(lastShift));
  }
}

std::string ZReport(Register& r, time_t now, std::string& reply) {
  const Config& c = r.Cfg();
  State& s = r.St();
  NeedOption(c, "foZReport", "the Z-report");
  if (!s.ShiftOpen) {
    if (!Announced(c, "foZWhenClosedShift")) Refuse(kRefuseLogic, "the shift is closed: there is no Z-report to print");
    OpenShift(s, now);
  }
  const std::string data = ZReportData(r);
  const std::string tape = TotalsTape(c, s, "ОТЧЁТ О ЗАКРЫТИИ СМЕНЫ " + std::to_string(s.LastShift + 1));
  s.Shift.GrandTotal += TotalsOf(c, s.Shift).Day;
  s.Shift.Sales.clear();
  s.Shift.Returns.clear();
  s.Shift.Taxes.clear();
  s.Shift.CashIn = s.Shift.CashOut = 0;
  ++s.LastShift;
  s.ShiftOpen = false;
  s.ShiftOpened = 0;
  Count(s, now);
  if (c.ZReply == "full") reply = "<FiscalDocumentReturn>" + data + "</FiscalDocumentReturn>";
  else if (c.ZReply == "bare") reply = "<FiscalDocumentReturn/>";
  else if (c.ZReply == "attributes") reply = data.substr(0, data.find("><")) + "/>";
  return tape + Footer(r, now, true);
}

std::string Report(Register& r, const XmlNode& root, time_t now, std::string& reply) {
  const Config& c = r.Cfg();
  const XmlNode* report = root.Child("Report");
  if (!report) Refuse(kRefuseForm, "Report is missing");
  const std::string type = report->Attr("ReportType");
  if (type == "Z") return ZReport(r, now, reply);
  if (type == "X") {
    NeedOption(c, "foXReport", "the X-report");
    return TotalsTape(c, r.St(), "X-ОТЧЁТ") + Footer(r, now, false);
  }
  if (type == "LastShift") NeedOption(c, "foFullLastShift", "the report of the last shift");
  else if (type == "OpenShiftReport") NeedOption(c, "foOpenShiftReport", "the open-shift report");
  else if (type == "DetailByDate" || type == "BriefByDate" || type == "BriefByNumber" || type == "ByArticul" ||
           type == "ZeroCheck" || type == "OFDStatus")
    NeedOption(c, "foSpecialReport", "the special report " + type);
  else Refuse(kRefuseForm, "ReportType \"" + type + "\" is not a report this register prints");
  CheckReportParameters(type, report->Attr("Parameters"), r.St().LastShift);
  Tape tape;
  tape.Rule('=');
  tape.Center("ОТЧЁТ " + type);
  if (report->HasAttr("Parameters")) tape.Center(report->Attr("Parameters"));
  return tape.Text() + Footer(r, now, false);
}

}  // namespace

std::string DayText(const Day& day) {
  std::ostringstream out;
  out << "total = " << day.GrandTotal << "\n"
      << "sales = " << MapText(day.Sales) << "\n"
      << "returns = " << MapText(day.Returns) << "\n"
      << "taxes = " << MapText(day.Taxes) << "\n"
      << "cash_in = " << day.CashIn << "\n"
      << "cash_out = " << day.CashOut << "\n";
  if (day.TaxesProgrammed) {
    out << "tax_table =";
    for (const auto& entry : day.TaxTable) out << " " << entry.first << ":" << entry.second;
    out << "\n";
  }
  return out.str();
}

bool ReadDayLine(Day& day, const std::string& key, const std::string& value) {
  if (key == "total") day.GrandTotal = std::atoll(value.c_str());
  else if (key == "sales") day.Sales = ReadMap<int64_t>(value);
  else if (key == "returns") day.Returns = ReadMap<int64_t>(value);
  else if (key == "taxes") day.Taxes = ReadMap<int64_t>(value);
  else if (key == "cash_in") day.CashIn = std::atoll(value.c_str());
  else if (key == "cash_out") day.CashOut = std::atoll(value.c_str());
  else if (key == "tax_table") {
    day.TaxesProgrammed = true;
    day.TaxTable = ReadMap<int32_t>(value);
  } else {
    return false;
  }
  return true;
}

bool IsDayDocument(const XmlNode& document) {
  const std::string type = document.Attr("DocType");
  return document.Name == "FiscalDocument" && (type == "CashInOut" || type == "CollectAll" || type == "Report");
}

int32_t DayDocument(Register& r, const XmlNode& root, const std::string& text, TZefStatus* status, int32_t* filled) {
  const time_t now = time(nullptr);
  const std::string type = root.Attr("DocType");
  std::string tape, reply;
  const State saved = r.St();
  try {
    CheckHeader(root);
    if (type == "CashInOut") tape = CashDocument(r, root, now);
    else if (type == "CollectAll") tape = CollectAll(r, now);
    else tape = Report(r, root, now, reply);
  } catch (const Refusal& refusal) {
    r.St() = saved;
    r.SetLogicError(refusal.Code, refusal.what());
    r.KeepDocument(text, "refused " + std::to_string(refusal.Code) + ": " + refusal.what());
    return refusal.Code;
  }
  r.SetLogicError(0, std::string());
  r.SaveState();
  r.KeepDocument(text, "accepted as document " + std::to_string(r.St().Doc));
  r.Tape(tape);
  using namespace ZefStatus;
  const uint32_t mask = fnShiftState | fnLastShiftNum | fnLastDocNum | fnLastReceiptNum | fnCashRegValue;
  if (status) {
    r.FillStatus(*status, mask);
    char* buffer = reinterpret_cast<char*>(uintptr_t(status->ReturnBuffer));
    if (buffer && status->ReturnBufferSize > int32_t(reply.size())) std::copy(reply.c_str(), reply.c_str() + reply.size() + 1, buffer);
  }
  if (filled) *filled = int32_t(mask);
  return r.CountedFault("ZefFiscalDocument");
}

int32_t ReceiptAllowed(Register& r) {
  const State& s = r.St();
  if (!s.ShiftOpen || time(nullptr) - s.ShiftOpened <= 24 * 3600) return 0;
  r.SetLogicError(kRefuseShiftAge, "the shift is open for more than 24 hours: close it with the Z-report");
  return kRefuseShiftAge;
}

void BookReceipt(Register& r, const DocumentSummary& summary) {
  Day& day = r.St().Shift;
  for (const auto& payment : summary.Payments)
    (summary.Sign < 0 ? day.Returns : day.Sales)[payment.first] += payment.second;
  for (const auto& tax : summary.Taxes) day.Taxes[tax.first] += summary.Sign * tax.second;
}

std::string ZReportData(Register& r) {
  std::string given;
  if (!r.Cfg().ZReportFile.empty() && platform::ReadWholeFile(r.Cfg().ZReportFile, given)) return given;
  const State& s = r.St();
  const Totals t = TotalsOf(r.Cfg(), s.Shift);
  std::string text = "<ZReportData SerialNumber=\"" + s.Serial + "\" ZReportNumber=\"" + std::to_string(s.LastShift + 1) +
                     "\" CashInValue=\"" + std::to_string(s.Shift.CashIn) + "\" Total=\"" +
                     std::to_string(s.Shift.GrandTotal) + "\" DayValue=\"" + std::to_string(t.Day) +
                     "\" ReturnValue=\"" + std::to_string(t.Returns) + "\" TaxValue=\"" + std::to_string(t.Taxes) +
                     "\" PayCashValue=\"" + std::to_string(t.Cash) + "\" PayNonCashValue=\"" +
                     std::to_string(t.Card + t.OtherNonCash) + "\">";
  text += "<CounterValues>";
  const std::pair<const char*, int64_t> counters[] = {{kCashInKey, s.Shift.CashIn}, {kReturnsKey, t.Returns},
                                                      {kTaxesKey, t.Taxes},         {kCashKey, t.Cash},
                                                      {kCardKey, t.Card},           {kOtherNonCashKey, t.OtherNonCash}};
  for (const auto& counter : counters)
    text += "<Counter ValueKeyID=\"" + std::string(counter.first) + "\" Value=\"" + Money(counter.second) + "\"/>";
  return text + "</CounterValues></ZReportData>";
}

int32_t ProgramDocument(Register& r, const std::string& text) {
  XmlNode root;
  std::string error;
  State& s = r.St();
  auto refuse = [&](int32_t code, const std::string& what) {
    r.SetLogicError(code, what);
    r.Tape("[program] refused: " + what);
    return code;
  };
  if (!ParseXml(text, root, error)) return refuse(kRefuseForm, "the programming document is not well-formed XML: " + error);
  if (root.Name != "ProgramFR") return refuse(kRefuseForm, "the root element is " + root.Name + ", not ProgramFR");
  const XmlNode* taxes = root.Child("ProgramTaxes");
  if (taxes && s.ShiftOpen) return refuse(kRefuseLogic, "the tax rates cannot be programmed while the shift is open");
  Tape tape;
  tape.Rule('=');
  tape.Center("ПРОГРАММИРОВАНИЕ");
  if (root.Child("ProgramDateTime")) {
    s.ClockOffset = 0;
    tape.Pair("Часы", "по компьютеру");
  }
  if (taxes) {
    s.Shift.TaxesProgrammed = true;
    s.Shift.TaxTable.clear();
    for (const XmlNode* tax : taxes->ChildrenNamed("Tax")) {
      const int32_t index = std::atoi(tax->Attr("TaxRateIndex").c_str());
      const int32_t rate = std::atoi(tax->Attr("RateValue").c_str());
      s.Shift.TaxTable[index] = rate;
      tape.Pair("Налог " + std::to_string(index) + " " + tax->Attr("RateName"), Money(rate) + "%");
    }
  }
  if (const XmlNode* departments = root.Child("ProgramDepartments"))
    for (const XmlNode* d : departments->ChildrenNamed("Department"))
      tape.Pair("Отдел " + d->Attr("Number"), d->Attr("Name"));
  tape.Rule('=');
  r.SetLogicError(0, std::string());
  r.SaveState();
  r.Tape(tape.Text());
  return 0;
}

}  // namespace emu
