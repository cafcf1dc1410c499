// The sale receipt and every receipt-like document of the universal
// register: how the receipt can be printed, the document built, sent with
// retries, the counters compared before and after, and the result and
// counters reported back.
#include <exception>

#include "io/printer/discounts/discount_share.h"
#include "io/printer/zefor/document/fs_xml.h"
#include "io/printer/zefor/host/pos_objects.h"
#include "io/printer/zefor/receipt/receipt_build.h"
#include "io/printer/zefor/zefor.h"
#include "io/printer/fiscreg/operator_message.h"
#include "platform/platform.h"
#include "posdata/pdsource.h"
#include "posdata/pdtext.h"
#include "standart/errors.h"
#include "standart/format.h"
#include "standart/host_params.h"
#include "standart/scoped_restore.h"
#include "standart/tasks.h"
#include "xml/xmlexception.h"

namespace {

using namespace ZefOptions;

const char kStep[] = "PrintFiscCheck";
tErrorDescriptor g_receiptException =
    ErrorDescriptor(tZefDriver::kErrException, "%s: Exception running %s", false);
constexpr uint32_t kStatusWaitMs = 2000;

using tCounters = tRecordCounters;

// A failure that ends the receipt with a text for the POS.
struct tReceiptFailure {
  std::string Text;
};

[[noreturn]] void FailWith(const std::string& text) { throw tReceiptFailure{text}; }

std::string Now() {
  platform::LocalTime t = platform::Now();
  return Fmt("%2.2d.%2.2d.%2.2d %2.2d:%2.2d:%2.2d", t.Day, t.Month, t.Year % 100, t.Hour, t.Minute, t.Second);
}

TPDDataSet& Need(TPDDataSource& data, const char* name) {
  TPDDataSet* set = data.GetDataSet(name, false);
  if (!set) ZefAssertion(std::string("Dataset ") + name + " is missing");
  set->First();
  return *set;
}

int32_t Int32Of(TPDDataSet& set, const char* field) {
  if (set.FieldIndex(field) < 0 || set.RecCount() == 0) return 0;
  return int32_t(set.GetRawValueByName(field).AsInt64());
}

std::string TextOf(TPDDataSet& set, const char* field) {
  return set.FieldIndex(field) < 0 || set.RecCount() == 0 ? std::string() : set.GetFieldText(field);
}

int64_t TimeOf(TPDDataSet& set, const char* field) {
  return set.FieldIndex(field) < 0 || set.RecCount() == 0 ? 0 : set.GetRawValueByName(field).AsDateTimeMs();
}

const char* KindText(uint8_t kind, bool cancelBill) {
  switch (kind) {
    case fdFiscCheck: return "[fdFiscCheck]: ФИСКАЛЬНЫЙ ЧЕК ПРОДАЖИ";
    case fdCheckCopy: return "[fdCheckCopy]: КОПИЯ ФИСКАЛЬНОГО ЧЕКА ПРОДАЖИ";
    case fdFiscReturn: return "[fdFiscReturn]: ФИСКАЛЬНЫЙ ВОЗВРАТ";
    case fdDeleteCheck: return "[fdDeleteCheck]: УДАЛЕНИЕ ФИСКАЛЬНОГО ЧЕКА";
    case fdDeleteReturn: return "[fdDeleteReturn]: УДАЛЕНИЕ ФИСКАЛЬНОГО ВОЗВРАТА";
    case fdBill: return "[fdBill]: Bill";
    case fdCreateOrder:
    case fdFillOrder: return "[fdCreateOrder]: Create order";
    case fdVoids: return "[fdVoids]: Void dishes";
    case fdCloseOrder: return "[fdCloseOrder]: Close order";
    case fdUndoBill: return cancelBill ? "[fdUndoBill]: Cancel bill" : "[fdUndoBill]: Close seat order";
    case fdCancelOrder: return "[fdCancelOrder]: CancelOrder";
    default: return nullptr;
  }
}

}  // namespace

// ---- payment types of the register type ---------------------------------------

int32_t TZefor::MinPayType() {
  return PosObjects::IntegerOr(PosObjects::PropertyText(PosObjects::kFiscRegTypeClass, Params.FiscRegTypeNum, "PayMinType"), 1);
}

int32_t TZefor::MaxPayType() {
  return PosObjects::IntegerOr(PosObjects::PropertyText(PosObjects::kFiscRegTypeClass, Params.FiscRegTypeNum, "PayMaxType"), 1);
}

int32_t TZefor::DefaultPayType() {
  const int32_t type = PosObjects::IntegerOr(PosObjects::PropertyText(PosObjects::kFiscRegTypeClass, Params.FiscRegTypeNum, "PayDefault"), 1);
  // The POS asks for it at every payment; the journal tells the value once
  // and again when the POS's configuration changes it.
  if (type != loggedDefaultPayType_) Journal.Write(-1, "Default Pay index=" + std::to_string(type));
  loggedDefaultPayType_ = type;
  return type;
}

// ---- routing of the receipt-like kinds -------------------------------------------

bool TZefor::PrintBill(TFiscDocInfo& doc, bool undo, const std::string& toPrint) {
  return PrintFiscCheck(doc, undo, toPrint);
}
bool TZefor::PrintOrder(TFiscDocInfo& doc) { return PrintFiscCheck(doc, false, std::string()); }
bool TZefor::PrintCheckCopy(TFiscDocInfo& doc, const std::string& toPrint) {
  return PrintFiscCheck(doc, false, toPrint);
}

// ---- the send step ---------------------------------------------------------------

bool TZefor::SendDocument(TFSXml& builder, TZefStatus& status, int32_t& filled, bool keepPace) {
  if (builder.Root()->AttrText("DocType").empty()) {
    Journal.Write(0, "Error: DocType is empty");
    ZefAssertion("DocType is empty");
  }
  if (!keepPace) PauseBetweenDocuments();
  bool result = false;
  Driver.RunInDriverThread([&] { result = builder.Send(status, filled); });
  if (result && !keepPace) DocumentSent();
  return result;
}

// ---- the receipt ------------------------------------------------------------------

namespace {

// One PrintFiscCheck call.
class tFiscCheck {
 public:
  tFiscCheck(TZefor& reg, TFiscDocInfo& doc, bool reverse, const std::string& toPrint)
      : reg_(reg), doc_(doc), reverse_(reverse), toPrint_(toPrint) {}

  bool Run();

 private:
  bool Has(uint64_t option) const { return (reg_.Driver.Options & option) != 0; }
  bool Supported(uint8_t kind) const { return KindIn(kind, reg_.CapabilityFlags()); }
  void Line(int32_t level, const std::string& label, const std::string& value) {
    reg_.Journal.Write(level, tZefJournal::Value(kStep, label, value));
  }
  void Decide();
  void WriteSettings();
  int32_t RegisterTypeNumber(const char* property) const {
    return PosObjects::IntegerOr(
        PosObjects::PropertyText(PosObjects::kFiscRegTypeClass, reg_.Params.FiscRegTypeNum, property), 1);
  }
  void Prepare();
  void PrepareOnce();
  bool ItemsHoldUnprintableEntries() const;
  bool Build(TFSXml& xml, tReceiptBuild& b);
  bool SendWithRetries(TFSXml& xml);
  bool ReadCounters(tCounters& counters, bool ofd);
  void ReadCountersAfter(tCounters& counters, bool accepted);
  bool AutomaticDocuments(TFSXml& xml, int32_t& sent);

  TZefor& reg_;
  TFiscDocInfo& doc_;
  bool reverse_;
  std::string toPrint_;
  bool hasDiscounts_ = false, hasMarkups_ = false;
  bool taboo_ = false;
  bool headerResult_ = true;
  bool printResult_ = false;
  uint8_t kind_ = 0;
  const char* kindText_ = "";
  int64_t rest_ = 0;
  int32_t seatNo_ = 0;
  bool lastBill_ = false;
  int32_t fiscOrderState_ = 0;
  bool endedWithoutPrint_ = false;
  // The write-ahead record: the document's identity, whether it went on
  // the record, and whether the record says it is printed already.
  std::string identity_;
  bool recorded_ = false;
  bool printedBefore_ = false;
  struct tSavedError {
    int32_t LastRes = 0, LastExecErrorCode = 0;
    std::string LastExecErrorText, LastError0Text;
  } savedError_;
  bool errorSaved_ = false;
};

// A receipt paid partly in a non-fiscal currency is printed as summary
// lines, one per tax class; the register can only take the part paid
// fiscally, so that amount is split over the lines in proportion to their
// sums (the last line takes the rest), each with its taxes in the same
// proportion, so that every tax class keeps its share of the fiscal amount.
// The receipt discount printed after them (what was paid with a discount
// currency and not folded into the lines, less the rounding rest) is part of
// what the lines must carry: the lines less that discount are the fiscal total.
void FitSummaryToFiscalAmount(tOrderPreparationState& order, int64_t rest) {
  if (!order.AllNonFiscal || order.TotalSum <= 0 || !order.DiscountInfos) return;
  const int64_t target = order.TotalSum + order.NoPayDiscount - rest;
  std::vector<tFRDiscsDishInfo>& lines = order.DiscountInfos->Lines;
  int64_t printed = 0;
  for (const tFRDiscsDishInfo& line : lines)
    if (!line.Skip) printed += line.Sum;
  if (printed <= 0 || printed == target) return;
  int64_t total = printed, amount = target;
  for (tFRDiscsDishInfo& line : lines) {
    if (line.Skip) continue;
    const int64_t part = Share(total, line.Sum, amount);
    total -= line.Sum;
    amount -= part;
    for (tDishTaxInfo& slot : line.Taxes) slot.Amount = Share(line.Sum, part, slot.Amount);
    line.Quantity = 1000;
    line.Price = line.PayPrice = part;
    line.Sum = line.PaySum = line.DiscountedSum = part;
    line.Discounts = tDishDiscountInfo::New();
    line.Modifiers.clear();
    if (part == 0) line.Skip = 1;
  }
}

void tFiscCheck::Decide() {
  TPDDataSource& data = reg_.PosData();
  TPDDataSet& discounts = Need(data, "Discounts");
  for (int32_t r = 0; r < discounts.RecCount(); ++r, discounts.Next()) {
    const int64_t amount = AsHundredths(discounts.GetRawValueByName("FiscRegAmount"));
    const bool charge = discounts.FieldIndex("IsCharge") >= 0 && discounts.GetRawValueByName("IsCharge").AsBoolean();
    if (amount < 0) hasDiscounts_ = true;
    if (amount > 0 && !charge) hasMarkups_ = true;
  }
  tOrderPreparationState& order = reg_.OrderState;
  int32_t& mode = order.DiscountMode;
  if ((mode == 0 || mode == 1 || mode == 3) &&
      ((hasDiscounts_ && Has(foAbsItemDiscount) && !Has(foAbsDiscountSum)) || (hasMarkups_ && !Has(foAbsMarkupSum))))
    mode = mode == 1 && reg_.EffectiveSettings.UseTaxDishType ? 2 : 4;
  uint8_t& separate = reg_.EffectiveSettings.SeparateDiscounts;
  if (!separate) return;
  const char* reason = nullptr;
  if (hasDiscounts_ && !Has(foAbsItemDiscount) && !Has(foAbsDiscountSum))
    reason = "SeparateDiscounts:=false, device can not print discounts";
  else if (hasMarkups_ && !Has(foAbsItemMarkup) && !Has(foAbsMarkupSum) && reg_.Params.MarkupName.empty())
    reason = "SeparateDiscounts:=false, device can not print markups";
  else if (hasDiscounts_ && !Has(foAbsItemDiscount) && (mode == 3 || mode == 4))
    reason = "SeparateDiscounts:=false, don't support item discounts, can not distribute discounts to items";
  if (reason) {
    reg_.Journal.Write(0, reason);
    separate = 0;
  }
}

// The settings and sums the receipt is built with.
void tFiscCheck::WriteSettings() {
  const tOrderPreparationState& order = reg_.OrderState;
  const tDocSettings& settings = reg_.EffectiveSettings;
  auto flag = [](bool value) { return tZefJournal::Bool(value); };
  reg_.Journal.Write(1, Fmt("{%s} HaveDenyPay = %s, PrintChange = %s, UseAltNames = %s, PrintDish0Price = %s", kStep,
                            flag(order.TabooPayment), flag(settings.PrintChange), flag(settings.UseAltNames),
                            flag(settings.PrintDish0Price)));
  reg_.Journal.Write(1, Fmt("{%s} NeedSummaryOnly = %s, NoPayDiscount = %s, SummaryOnly = %s, SeparateDiscounts = %s, "
                            "UseTaxDishType = %s",
                            kStep, flag(reg_.RequestedSettings.SummaryOnly), std::to_string(order.NoPayDiscount),
                            flag(settings.SummaryOnly), flag(settings.SeparateDiscounts),
                            flag(settings.UseTaxDishType)));
  std::string sums = Fmt("{%s} TotalSum = %s", kStep, std::to_string(order.TotalSum));
  for (size_t i = 0; i < order.PayTable.size(); ++i)
    if (order.PayTable[i].Amount != 0) sums += Fmt(", PaySum[%d] = %s", int32_t(i), std::to_string(order.PayTable[i].Amount));
  sums += Fmt(", Min. Tax Num. = %d, Max. Tax Num. = %d, Min. Pay Num. = %d, Max. Pay Num. = %d",
              RegisterTypeNumber("TaxMinType"), RegisterTypeNumber("TaxMaxType"), reg_.MinPayType(), reg_.MaxPayType());
  reg_.Journal.Write(1, sums);
}

// The payment and order preparation, and the rest booked at receipt level.
// In discount modes 3 and 4 the entries left on the items are printed only
// on the items; the distribution can leave one the register cannot print
// there even when Decide saw no such POS record (a dish markup split over
// the lines of one order line other than the POS split it leaves a small
// discount on one of them). The receipt would then miss that amount, so the
// order is prepared again with the discounts in the prices.
void tFiscCheck::Prepare() {
  PrepareOnce();
  uint8_t& separate = reg_.EffectiveSettings.SeparateDiscounts;
  if (!separate || !ItemsHoldUnprintableEntries()) return;
  reg_.Journal.Write(0, "SeparateDiscounts:=false, don't support item discounts, can not distribute discounts to items");
  separate = 0;
  rest_ = 0;
  PrepareOnce();
}

bool tFiscCheck::ItemsHoldUnprintableEntries() const {
  const int32_t mode = reg_.OrderState.DiscountMode;
  if (mode != 3 && mode != 4) return false;
  auto unprintable = [&](const iDishDiscountInfo& set) {
    for (int i = 0; i < set.Count(); ++i) {
      const int64_t a = set.GetAmount(i);
      if ((a < 0 && !Has(foAbsItemDiscount)) || (a > 0 && !Has(foAbsItemMarkup))) return true;
    }
    return false;
  };
  for (const tFRDiscsDishInfo& line : reg_.OrderState.DiscountInfos->Lines) {
    if (line.Skip) continue;
    if (unprintable(*line.Discounts)) return true;
    for (const tModifierRec& modifier : line.Modifiers)
      if (unprintable(*modifier.Discounts)) return true;
  }
  return false;
}

void tFiscCheck::PrepareOnce() {
  tOrderPreparationState& order = reg_.OrderState;
  if (!order.DiscountInfos) reg_.CreateDiscountInfos();
  order.DiscountInfos->UsePayPrices = Has(foCorrectPriceToPay);
  if (doc_.Kind == fdCancelOrder)
    if (TPDDataSet* payments = reg_.PosData().GetDataSet("Payments", false)) payments->SetRawRecCount(0);
  tOrderPreparation preparation(reg_);
  preparation.PreparePayments(reverse_);
  uint8_t& separate = reg_.EffectiveSettings.SeparateDiscounts;
  if (separate && order.NoPayDiscount != 0 && !Has(foAbsItemDiscount) && !Has(foAbsDiscountSum)) {
    reg_.Journal.Write(0, "SeparateDiscounts:=false, device can not print discounts. NoPayDiscount present.");
    separate = 0;
  }
  const tZeforParams& p = reg_.Params;
  tPrepareOrderArgs args;
  args.DiscountName = p.DiscountLineName;
  args.CommonDiscWithTaxes = Has(foDiscWithTaxes);
  args.CorrectionName = p.RoundingCorrectionName;
  args.MarkupLineName = Has(foAbsItemMarkup) ? std::string() : p.MarkupName;
  args.GroupClassification = p.GroupingClassification;
  args.ByDepartment = Has(foItemDepartments);
  args.SummaryName = p.SummaryLineName;
  args.NoAbsDiscountSum = !Has(foAbsDiscountSum);
  const bool corrections = !p.RoundingCorrectionName.empty();
  args.DiscountsAllowed = (Has(foAbsItemDiscount) || Has(foRoundDiscountOnly) || Has(foAbsDiscountSum)) &&
                          corrections && !(Has(foCorrectPriceToPay) && Has(foRoundDiscountOnly) && !Has(foAbsDiscountSum));
  // A correction markup must be printable: as an item markup, or as a
  // receipt markup once the rest is taken out of the lines. The markup
  // item name alone (parameter 25) turns markups into lines before the
  // correction, not the correction itself.
  args.MarkupsAllowed = (Has(foAbsItemMarkup) || Has(foAbsMarkupSum)) && corrections &&
                        !(Has(foCorrectPriceToPay) && Has(foAbsMarkupSum) && !Has(foRoundDiscountOnly));
  preparation.PrepareOrder(args);
  if ((args.DiscountsAllowed && !(Has(foAbsItemDiscount) && !Has(foCorrectPriceToPay))) ||
      (args.MarkupsAllowed && Has(foAbsMarkupSum) && !Has(foAbsItemMarkup)))
    rest_ = order.DiscountInfos->ExtractAllCorrections();
  FitSummaryToFiscalAmount(order, rest_);
}

bool tFiscCheck::Build(TFSXml& xml, tReceiptBuild& b) {
  TPDDataSource& data = reg_.PosData();
  TPDDataSet& checks = Need(data, "PrintChecks");
  TPDDataSet& orders = Need(data, "Orders");
  xml.NewDocument(std::string());
  xml.SetDocType(kind_, seatNo_, doc_.DocTypeIdent, lastBill_);
  xml.AppendHeader();
  ReceiptBuild::tInvoice invoice;
  if (Has(foFiscInvoice)) ReceiptBuild::AddInvoice(b, invoice, kind_ == fdFiscCheck || kind_ == fdCheckCopy);
  if (kind_ == fdDeleteCheck || kind_ == fdCheckCopy || kind_ == fdFiscReturn || kind_ == fdDeleteReturn)
    ReceiptBuild::AddReturnLink(b, kind_, IXmlElement());
  checks.First();
  const int32_t number = Int32Of(checks, "CheckNum");
  if (number < 0) ZefAssertion("CheckNum is negative");
  ReceiptBuild::AddReceipt(b, number, TextOf(checks, "GUIDString"), lastBill_, TimeOf(checks, "CloseDateTime"),
                           xml.Utf8(TextOf(checks, "TaxType")));
  orders.First();
  std::string table = TextOf(orders, "TableName");
  if (table.empty() || (table[0] == '!' && Has(foCreateCloseOrder))) table += "#Seq#" + TextOf(orders, "SeqNumber");
  Line(1, "[KT-1] TableName", table);
  if (!ReceiptBuild::AddOrder(b, table, Int32Of(orders, "GuestCount"), TextOf(orders, "GUIDString"),
                              TextOf(checks, "SeatName"), seatNo_, TextOf(orders, "MainWaiter"),
                              Int32Of(orders, "MainWaiter"), TimeOf(orders, "StartService")))
    ZefAssertion("AddOrder");
  if (kind_ == fdDeleteCheck || kind_ == fdFiscReturn || kind_ == fdDeleteReturn)
    if (!ReceiptBuild::AddDeletion(b, kind_, Int32Of(checks, "DeleteManager"), TextOf(checks, "DeleteManager"),
                                   TimeOf(checks, "DeleteDateTime")))
      ZefAssertion("AddDeletion");
  if (taboo_) {
    xml.Receipt()->AppendElement("Items");
    ReceiptBuild::AddEmptyPayments(b);
  } else {
    ReceiptBuild::AddItems(b);
    ReceiptBuild::AddReceiptDiscounts(b, rest_);
    if (kind_ == fdFiscCheck || kind_ == fdDeleteCheck || kind_ == fdCheckCopy || kind_ == fdFiscReturn ||
        kind_ == fdDeleteReturn) {
      if (Has(foPayUngrouped)) ReceiptBuild::AddPaymentsUngrouped(b);
      else ReceiptBuild::AddPayments(b);
    }
    ReceiptBuild::MergeDiscounts(b);
    IXmlElement items = xml.Receipt()->SelectSingleNode("Items");
    taboo_ = (!items || !items->SelectSingleNode("Item")) && kind_ != fdFillOrder && kind_ != fdCloseOrder &&
             kind_ != fdCreateOrder;
    Line(1, "[KT-3] blTabooFiscPrint", tZefJournal::Bool(taboo_));
  }
  Line(1, "[KT-0] blTabooFiscPrint", tZefJournal::Bool(taboo_));
  const bool result = xml.FillHeader(taboo_, Supported(fdTextInReceipt) ? toPrint_ : std::string());
  if (kind_ == fdFiscCheck || kind_ == fdDeleteCheck) xml.AddFooterText(reg_.PendingReceiptInserts);
  if (!reg_.Params.SavingsLineTemplate.empty()) xml.AddSavingsLine(reg_.Params.SavingsLineTemplate);
  if (reg_.Params.MarkCustomFlag) xml.MarkCustomFlag();
  return result;
}

bool tFiscCheck::ReadCounters(tCounters& counters, bool ofd) {
  TZefStatus status{};
  if (!reg_.ReadRecordCounters(counters, ofd ? ZefStatus::fnOFDStatus : 0, &status)) return false;
  if (ofd) {
    reg_.LastStateInfo.OFDUnsentCount = status.OFDUnsentCount;
    reg_.LastStateInfo.OFDOldestUnsent = status.OFDOldestUnsent;
  }
  return true;
}

// After the document: the counters must be known before the POS is
// answered, so the cashier is asked until the register answers again.
void tFiscCheck::ReadCountersAfter(tCounters& counters, bool accepted) {
  while (!ReadCounters(counters, true)) {
    reg_.Journal.Write(0, Fmt("{%s}[%s] %s", kStep, "КТ-101 [STATUS ERROR]", reg_.LastExecErrorText));
    const int32_t answer = OperatorMessage::Show(reg_.Number, OperatorMessage::kMessage, reg_.LastExecErrorText,
                                                 OperatorMessage::kButtonOk);
    if (answer == OperatorMessage::kNoAnswer) {
      if (accepted) return;
      TaskDelay(kStatusWaitMs);
    }
  }
}

bool tFiscCheck::AutomaticDocuments(TFSXml& xml, int32_t& sent) {
  sent = 0;
  int32_t billAlways = 0;
  if (!reg_.PosIntValue("BillAlways", billAlways) || billAlways != 2) return true;
  std::vector<uint8_t> kinds;
  if (kind_ == fdFiscCheck && fiscOrderState_ == 0) kinds = {fdFillOrder, fdBill};
  else if (kind_ == fdFiscCheck && fiscOrderState_ == 1) kinds = seatNo_ != 0 ? std::vector<uint8_t>{fdFillOrder, fdBill} : std::vector<uint8_t>{fdBill};
  else if (kind_ == fdBill && fiscOrderState_ == 0) kinds = {fdFillOrder};
  else if (kind_ == fdCloseOrder && seatNo_ == 0 && fiscOrderState_ == 0) return false;
  for (uint8_t kind : kinds) {
    if (!Supported(kind)) continue;
    TZefStatus status{};
    int32_t filled = 0;
    xml.SetDocType(kind, seatNo_, 0, lastBill_);
    reg_.SendDocument(xml, status, filled, false);
    ++sent;
    xml.SetDocType(kind_, seatNo_, doc_.DocTypeIdent, lastBill_);
  }
  return true;
}

// Tries until the register has the document. After a failed send the
// counters say whether the register counted the document all the same:
// then it is printed, and sending it again would print it twice. The
// automatic documents go with the first try only, for the same reason.
bool tFiscCheck::SendWithRetries(TFSXml& xml) {
  const int32_t tries = reg_.Params.PrintCheckTrys;
  bool result = headerResult_;
  if (tries <= 0) return result;
  result = false;
  for (int32_t attempt = 0; attempt < tries && !result; ++attempt) {
    tCounters before, after;
    if (!ReadCounters(before, false)) continue;
    reg_.Journal.Write(1, Fmt("{%s} %s = %s, %s = %s", kStep, "sReceiptInfo.DocNum__Before", std::to_string(before.Doc),
                              "sReceiptInfo.ReceiptNum__Before", std::to_string(before.Receipt)));
    if (!taboo_) {
      int32_t automatic = 0;
      if (attempt == 0 && !AutomaticDocuments(xml, automatic)) {
        endedWithoutPrint_ = true;
        return true;
      }
      // The automatic documents count too: the receipt's own counting is
      // judged from the counters after them.
      if (automatic > 0 && !ReadCounters(before, false)) continue;
      TZefStatus status{};
      int32_t filled = 0;
      // On the record before it goes: a POS that dies from here on finds it.
      if (!identity_.empty() && reg_.Record.Open(before.Serial, doc_.Kind, identity_, before.Doc, before.Receipt))
        recorded_ = true;
      printResult_ = reg_.SendDocument(xml, status, filled, false);
    } else {
      printResult_ = headerResult_;
    }
    if (!printResult_) {
      savedError_ = {reg_.LastRes, reg_.LastExecErrorCode, reg_.LastExecErrorText, reg_.LastError0Text};
      errorSaved_ = true;
    }
    ReadCountersAfter(after, printResult_);
    reg_.Journal.Write(1, Fmt("{%s} %s = %s, %s = %s", kStep, "sReceiptInfo.DocNum__After", std::to_string(after.Doc),
                              "sReceiptInfo.ReceiptNum__After", std::to_string(after.Receipt)));
    if (printResult_ && (kind_ == fdFiscCheck || kind_ == fdDeleteCheck)) reg_.PendingReceiptInserts = nullptr;
    const bool receiptGrew = after.Receipt > before.Receipt;
    const bool documentGrew = after.Doc > before.Doc;
    if (printResult_) {
      result = true;
      if (!taboo_ && kind_ == fdFiscCheck && !receiptGrew)
        reg_.Journal.Write(0, Fmt("{%s} [%s], %s = %s, %s = %s, %s", kStep, "КТ-102 [WARNING]",
                                  "sReceiptInfo.ReceiptNum__After", std::to_string(after.Receipt),
                                  "sReceiptInfo.ReceiptNum__Before", std::to_string(before.Receipt),
                                  HostParams::Translate("The check is printed, but the counter fiscal documents has not changed")));
    } else if (taboo_) {
      result = false;
    } else if (kind_ == fdFiscCheck ? receiptGrew : documentGrew) {
      // Counted although reported failed: printed, and must not be sent
      // again. Receipts are judged by the receipt counter, every other
      // kind by the document counter.
      const bool receipt = kind_ == fdFiscCheck;
      reg_.Journal.Write(0, Fmt("{%s} [%s], %s = %s, %s = %s, %s", kStep, "КТ-103 [WARNING]",
                                receipt ? "sReceiptInfo.ReceiptNum__After" : "sReceiptInfo.DocNum__After",
                                std::to_string(receipt ? after.Receipt : after.Doc),
                                receipt ? "sReceiptInfo.ReceiptNum__Before" : "sReceiptInfo.DocNum__Before",
                                std::to_string(receipt ? before.Receipt : before.Doc),
                                HostParams::Translate("Error during printing of a check, but the counter fiscal documents has changed")));
      result = true;
    } else if (!(kind_ == fdFiscCheck || kind_ == fdDeleteCheck || (kind_ >= fdCheckCopy && kind_ <= fdUndoBill) ||
                 kind_ == fdCreateOrder)) {
      FailWith("Not supported");
    }
    reg_.LastStateInfo.DocNum = after.Doc;
    reg_.LastStateInfo.CheckNum = after.Receipt;
  }
  if (recorded_) reg_.Record.Answered();
  return result;
}

bool tFiscCheck::Run() {
  TPDDataSource& data = reg_.PosData();
  Decide();
  if (LogLevel.load() >= 1) {
    TPDDataSet& dishes = Need(data, "Dishes");
    reg_.Journal.Write(1, Fmt("DSN_DISHES.RecCount: %d", dishes.RecCount()));
    for (int32_t r = 0; r < dishes.RecCount(); ++r, dishes.Next())
      reg_.Journal.Write(1, Fmt("Dish(%d): %s IsCombo: %s DishName: %s Dish.ITEMKIND: %s PaymentMethod: %s", r + 1,
                                dishes.GetFieldText("Dish"), dishes.GetFieldText("IsCombo"),
                                dishes.GetFieldText("DishName"), dishes.GetFieldText("Dish.ITEMKIND"),
                                dishes.GetFieldText("PaymentMethod")));
  }
  Prepare();
  tOrderPreparationState& order = reg_.OrderState;
  WriteSettings();
  if (order.TabooPayment) {
    taboo_ = true;
    reg_.Journal.Write(1, tZefJournal::Message(kStep, "ЕСТЬ ПЛАТЁЖ, ЗАПРЕЩАЮЩИЙ ПЕЧАТЬ ФИСКАЛЬНОГО ЧЕКА!"));
    Line(1, "[KT-1] blTabooFiscPrint", tZefJournal::Bool(true));
  }
  if (order.AllNonFiscal && order.TotalSum == 0) {
    taboo_ = true;
    reg_.Journal.Write(1, tZefJournal::Message(kStep, "100% ОПЛАТА НЕФИСКАЛЬНОЙ ВАЛЮТОЙ: ФИСКАЛЬНЫЙ ЧЕК НЕ БУДЕТ НАПЕЧАТАН!"));
    Line(1, "[KT-2] blTabooFiscPrint", tZefJournal::Bool(true));
  }
  if (!taboo_ && !Has(foAbsDiscountSum) && order.NoPayDiscount != 0)
    FailWith("Fiscal type 'Add a discount to the amount' for this printer is not supported");
  TPDDataSet& checks = Need(data, "PrintChecks");
  TPDDataSet& orders = Need(data, "Orders");
  seatNo_ = Int32Of(checks, "SeatNo");
  lastBill_ = Int32Of(checks, "IsLastBill") != 0;
  fiscOrderState_ = Int32Of(orders, "FiscOrderState");
  if (Need(data, "Dishes").RecCount() == 0 && doc_.Kind != fdFillOrder && doc_.Kind != fdCloseOrder &&
      doc_.Kind != fdCreateOrder)
    FailWith("Zero entries");
  kind_ = doc_.Kind;
  kindText_ = KindText(kind_, Has(foCancelBill));
  if (!kindText_) FailWith("Not supported");
  if (kind_ == fdCheckCopy && !Supported(fdCheckCopy)) FailWith("Fiscal copy is not supported");
  if (kind_ == fdFiscReturn && !Supported(fdFiscReturn)) FailWith("Fiscal return is not supported");
  if (kind_ == fdDeleteCheck && !Supported(fdDeleteCheck)) FailWith("Deleting the receipt is not supported");
  if (kind_ == fdDeleteReturn && !Supported(fdDeleteReturn)) FailWith("Deleting fiscal return is not supported");
  if (kind_ == fdFillOrder && seatNo_ == 0 && fiscOrderState_ != 0 && fiscOrderState_ != 3) {
    kindText_ = "[fdVoids]: Correction";
    kind_ = fdVoids;
  }
  if (kind_ == fdUndoBill && !Has(foCancelBill)) {
    kind_ = fdCloseOrder;
    if (seatNo_ == 0 || !Supported(fdCloseOrder)) return true;
  }
  if (!Supported(kind_)) FailWith(std::string("Fiscal document \"") + kindText_ + "\" not supported");
  reg_.Journal.Write(1, tZefJournal::Message(kStep, kindText_));
  TFSXml xml(reg_);
  tOrderPreparation preparation(reg_);
  tReceiptBuild b(xml, reg_, preparation, order, data);
  b.PrintedKind = kind_;
  b.DocKind = doc_.Kind;
  b.Reverse = reverse_;
  b.TaxMin = RegisterTypeNumber("TaxMinType");
  b.TaxMax = RegisterTypeNumber("TaxMaxType");
  b.ZeroRateIndex = reg_.TaxesOptions().ZeroRateEntry.TaxRateIndex;
  headerResult_ = Build(xml, b);
  bool result = false;
  if (!taboo_ && reg_.Params.PrintCheckTrys > 0) {
    identity_ = TZefor::DocumentIdentity(doc_, TextOf(checks, "GUIDString"));
    if (!reg_.BeginCountedDocument(doc_.Kind, identity_, printedBefore_)) return false;
  }
  if (printedBefore_) {
    result = printResult_ = true;
    if (kind_ == fdFiscCheck || kind_ == fdDeleteCheck) reg_.PendingReceiptInserts = nullptr;
  } else {
    result = SendWithRetries(xml);
  }
  if (endedWithoutPrint_) return true;
  doc_.CheckNum = reg_.LastStateInfo.CheckNum;
  doc_.DocNum = reg_.LastStateInfo.DocNum;
  doc_.OFDUnsentCount = reg_.LastStateInfo.OFDUnsentCount;
  doc_.OFDOldestUnsent = reg_.LastStateInfo.OFDOldestUnsent;
  reg_.Journal.Write(1, Fmt("{%s}[%s] %s, %s = %s, %s = %s, %s = %s, %s = %s", kStep, Now(), kindText_, "Result",
                            tZefJournal::Bool(result), "blPrintDocResult", tZefJournal::Bool(printResult_),
                            "LastStateInfo.DocNum", std::to_string(reg_.LastStateInfo.DocNum),
                            "LastStateInfo.CheckNum", std::to_string(reg_.LastStateInfo.CheckNum)));
  if (!result && errorSaved_) {
    reg_.LastRes = savedError_.LastRes;
    reg_.LastExecErrorCode = savedError_.LastExecErrorCode;
    reg_.LastExecErrorText = savedError_.LastExecErrorText;
    reg_.LastError0Text = savedError_.LastError0Text;
  }
  return result;
}

}  // namespace

bool TZefor::PrintFiscCheck(TFiscDocInfo& doc, bool reverse, const std::string& toPrint) {
  Journal.Write(-1, Fmt("PrintFiscCheck(%d, %d)", int32_t(doc.Kind), int32_t(reverse ? 1 : 0)));
  if (!CheckRegisterClock()) return false;
  Journal.Write(1, tZefJournal::OperationEntry(kStep));
  // The receipt may settle on another discount mode than the device's own.
  tScopedRestore<int32_t> discountMode(OrderState.DiscountMode);
  bool result = false;
  try {
    result = tFiscCheck(*this, doc, reverse, toPrint).Run();
  } catch (const tReceiptFailure& failure) {
    SetLastError0Text(1, failure.Text, false);
    result = false;
  } catch (...) {
    const std::string message = ExceptionMessage();
    Journal.Write(0, Fmt("{%s}[%s] %s", kStep, "EXCEPTION", message));
    RaiseDescribedError(g_receiptException, Params.LowDriverModule, "ZefFiscalDocument");
    throw;
  }
  Journal.Write(result ? 1 : 0, tZefJournal::OperationFinal(kStep, tZefJournal::Bool(result)) + "\r\n");
  return result;
}
