#include "io/printer/fiscreg/order_preparation.h"

#include <algorithm>
#include <cstdio>

#include "io/printer/discounts/discount_infos.h"
#include "io/printer/discounts/discount_record.h"
#include "io/printer/fiscreg/common_fisc_reg.h"
#include "io/printer/fiscreg/name_getters.h"
#include "platform/platform.h"
#include "posdata/pdsource.h"
#include "posdata/pdhooks.h"
#include "standart/format.h"
#include "standart/text.h"

namespace {

// " Есть запрeщенная оплата" in the system's code page (1251), with the
// Latin "e" that the register has always logged there.
const char kTabooPaymentText[] =
    " \xC5\xF1\xF2\xFC \xE7\xE0\xEF\xF0"
    "e"
    "\xF9\xE5\xED\xED\xE0\xFF \xEE\xEF\xEB\xE0\xF2\xE0";
const char kMinServerVersionForDevParams[] = "7.0.30.0";

std::string NowText() {
  const platform::LocalTime t = platform::Now();
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d %02d:%02d:%02d", t.Day, t.Month, t.Hour, t.Minute, t.Second);
  return text;
}

// The reference property of a currency; empty without the POS.
std::string CurrencyProperty(int32_t currency, const std::string& path) {
  const TRefPropHook hook = PDHooks().RefProp;
  return hook ? hook(kCurrencyReferenceKind, currency, path) : std::string();
}

// A payment type written as a property text: the conversion and range
// errors of the POS values for other texts.
int32_t PayTypeText(const std::string& text) {
  VarType v;
  v.SetString(text);
  return CheckedInt32(v.AsInt64());
}

}  // namespace

// ---- payments ------------------------------------------------------------------

int32_t tOrderPreparation::PaymentType(TPDDataSet& payments, const std::string& currencyField, bool checkUnfiscal) {
  tRecordReader record(payments);
  const int64_t value = record.Hundredths("NationalSum");
  if (checkUnfiscal && record.Has("FiscRegUnfiscType")) {
    const int64_t unfiscal = record.Raw("FiscRegUnfiscType").AsInt64();
    if (unfiscal != 0) {
      reg_.AddLogLine("FiscRegUnfiscType=" + std::to_string(unfiscal) + " value=" + std::to_string(value));
      return CheckedInt32(-unfiscal);
    }
  }
  const tOrderPreparationState& state = reg_.OrderState;
  const int32_t currency = record.Identifier(currencyField);
  const std::string typeText = CurrencyProperty(currency, state.PayTypeProperty);
  int32_t type = reg_.DefaultPayType();
  if (!typeText.empty()) {
    type = PayTypeText(typeText);
  } else if (!reg_.ReferenceKindKnown(kCurrencyReferenceKind)) {
    const std::string unfiscal = CurrencyProperty(currency, "FiscRegUnfiscType");
    if (!unfiscal.empty() && unfiscal != "0") {
      reg_.AddLogLine("FiscRegUnfiscType=" + unfiscal);
      const int32_t kind = IntegerText(unfiscal, 0);
      type = kind != 0 ? -kind : reg_.DefaultPayType();
    }
  }
  reg_.AddLogLine(currencyField + "=" + std::to_string(currency) + " PayTypeProperty=" + state.PayTypeProperty +
                " Currency Type=" + typeText + " value=" + std::to_string(value) + " type=" + std::to_string(type));
  return type;
}

std::string tOrderPreparation::SettingsText() const {
  const tDocSettings& s = reg_.EffectiveSettings;
  std::string text = s.SeparateDiscounts ? " Separate discounts" : " Discounts in prices";
  if (s.SummaryOnly) text += ", SummaryOnly";
  text += s.UseTaxDishType ? ", UseTaxDishType" : ", no taxes";
  text += s.PrintChange ? ", PrintChange" : ", no change";
  text += s.UseAltNames ? ", use AltName" : ", use Name";
  return text;
}

void tOrderPreparation::ClearPayTable() {
  tOrderPreparationState& state = reg_.OrderState;
  for (tPayTableEntry& entry : state.PayTable) entry = tPayTableEntry();
  state.TotalSum = 0;
}

void tOrderPreparation::PreparePayments(bool isDeletion) {
  tOrderPreparationState& state = reg_.OrderState;
  std::string logText = SettingsText();
  reg_.AddLogLine((isDeletion ? "Document deletion (" : "Sale document (") + NowText() + logText);
  // The default and lowest types must have an entry whatever size the
  // register gave the table.
  const size_t needed = size_t(std::max<int32_t>({reg_.DefaultPayType(), reg_.MinPayType(), 0})) + 1;
  if (state.PayTable.size() < needed) state.PayTable.resize(needed);
  ClearPayTable();
  state.TabooPayment = state.AllNonFiscal = state.OpenBox = false;
  state.NoPayDiscount = 0;
  state.NoPayDiscountName.clear();
  TPDDataSet& payments = *reg_.PosData().GetDataSet("Payments");
  tRecordReader record(payments);
  ForEachRecord(payments, [&] {
    const int64_t s = record.Hundredths("NationalSum");
    const int32_t t = PaymentType(payments, "Currency", s > 0);
    const int32_t t2 = s < 0 ? PaymentType(payments, "CurrLineCurrency", false) : 0;
    if ((t == kPayIsDiscount && s > 0) || (s < 0 && t2 == kPayIsDiscount)) {
      state.NoPayDiscount += s;
      state.NoPayDiscountName = record.Text("Currency");
      if (state.NoPayDiscountName.empty()) state.NoPayDiscountName = "No Pay Discount";
      return;
    }
    if ((t == kPayNonFiscal && s > 0) || (s < 0 && t2 == kPayNonFiscal)) {
      state.AllNonFiscal = true;
      return;
    }
    if (t == kPayForbidsReceipt) {
      state.TabooPayment = true;
      state.OpenBox = false;
      return;
    }
    BookPayment(payments, s, t, t2, isDeletion);
  });
  if (state.TotalSum < 0 && state.NoPayDiscount > 0) {
    state.NoPayDiscount = std::max<int64_t>(state.NoPayDiscount + state.TotalSum, 0);
    ClearPayTable();
  } else if (state.TotalSum < 0 && state.AllNonFiscal) {
    ClearPayTable();
  }
  const size_t cash = size_t(reg_.DefaultPayType());
  if (state.PayTable[cash].Amount < 0) {
    for (tPayTableEntry& entry : state.PayTable)
      if (&entry != &state.PayTable[cash] && entry.Amount + state.PayTable[cash].Amount > 0) {
        entry.Amount += state.PayTable[cash].Amount;
        state.PayTable[cash].Amount = 0;
        break;
      }
  }
  if (state.AllNonFiscal) {
    reg_.EffectiveSettings.SeparateDiscounts = 0;
    logText = " NeedSummaryOnly, Discounts in prices";
  }
  if (state.TotalSum > 0 && state.TabooPayment) logText += kTabooPaymentText;
  reg_.AddLogLine("TotalSum=" + std::to_string(state.TotalSum) + logText);
}

void tOrderPreparation::BookPayment(TPDDataSet& payments, int64_t s, int32_t t, int32_t t2, bool isDeletion) {
  tOrderPreparationState& state = reg_.OrderState;
  tRecordReader record(payments);
  const int32_t last = int32_t(state.PayTable.size()) - 1;
  if (t < reg_.MinPayType() || t > last) t = reg_.DefaultPayType();
  if (s < 0 && (t2 < reg_.MinPayType() || t2 > last)) t2 = reg_.DefaultPayType();
  state.OpenBox = state.OpenBox || (!state.TabooPayment && record.Text("Currency.OpenBox") == "1");
  if (s < 0 && !isDeletion && reg_.IsChangePayType(t2)) {
    tPayTableEntry& entry = state.PayTable[size_t(t)];
    entry.CurrencyId = record.Identifier("Currency");
    entry.IsChange = 1;
    state.TotalSum += s;
    return;
  }
  tPayTableEntry& entry = state.PayTable[size_t(s < 0 ? t2 : t)];
  if (s < 0) {
    if (entry.CurrencyName.empty() || entry.CurrencyId == 0) {
      entry.CurrencyName = NewNameGetter("CurrLineCurrency")->GetName(payments);
      entry.CurrencyId = record.Identifier("CurrLineCurrency");
    }
  } else {
    entry.CurrencyName = NewNameGetter("Currency")->GetName(payments);
    entry.CurrencyId = record.Identifier("Currency");
  }
  entry.Amount += s;
  entry.OriginalSum += record.Hundredths("OriginalSum");
  state.TotalSum += s;
}

// ---- names -----------------------------------------------------------------------

tNameGetterRef tOrderPreparation::NewNameGetter(const std::string& objectPath) {
  return ::NewNameGetter(objectPath, reg_.EffectiveSettings.UseAltNames, reg_.OrderState.NameSuffix);
}

tNameGetterRef tOrderPreparation::DishNameGetter() {
  return NewDishNameGetter(reg_.FixedNames(), reg_.EffectiveSettings.UseAltNames, reg_.OrderState.NameSuffix);
}

tNameGetterRef tOrderPreparation::PortionNameGetter() {
  return NewPortionNameGetter(reg_.EffectiveSettings.UseAltNames);
}

tNameGetterRef tOrderPreparation::ModifierNameGetter() {
  return NewModifierNameGetter(reg_.EffectiveSettings.UseAltNames, reg_.OrderState.NameSuffix);
}

void tOrderPreparation::SetNameProperties(bool haveValue, int64_t value) {
  tOrderPreparationState& state = reg_.OrderState;
  if (haveValue && value < 3) {
    const std::string n = std::to_string(value + 1);
    state.PayTypeProperty = "FiscRegPayType" + n;
    state.TaxTypeProperty = "FiscRegTaxType" + n;
    return;
  }
  std::string version;
  const bool known = reg_.PosTextValue("#SYS#MidServVersion", version);
  if (version.size() > 255) version.resize(255);
  if (known && CompareVersion(version, kMinServerVersionForDevParams) >= 0 && reg_.DeviceParamIndex() != 0) {
    state.PayTypeProperty = state.TaxTypeProperty = "FiscDevParams^" + std::to_string(reg_.DeviceParamIndex());
    return;
  }
  state.PayTypeProperty = "FiscRegPayType1";
  state.TaxTypeProperty = "FiscRegTaxType1";
}

// ---- the order ----------------------------------------------------------------------

tDiscountInfos& tOrderPreparation::Distribution() {
  tOrderPreparationState& state = reg_.OrderState;
  if (!state.DiscountInfos) reg_.CreateDiscountInfos();
  return *state.DiscountInfos;
}

void tOrderPreparation::PrepareOrder(const tPrepareOrderArgs& args) {
  const int64_t noPayDiscount = reg_.OrderState.NoPayDiscount;
  if (PrepareOnce(args)) return;
  // Only asked with separate discounts on, so this second run is the last.
  reg_.EffectiveSettings.SeparateDiscounts = 0;
  reg_.OrderState.NoPayDiscount = noPayDiscount;
  PrepareOnce(args);
}

bool tOrderPreparation::PrepareOnce(const tPrepareOrderArgs& args) {
  tDocSettings& settings = reg_.EffectiveSettings;
  tOrderPreparationState& state = reg_.OrderState;
  TPDDataSource& data = reg_.PosData();
  TPDDataSet& dishes = *data.GetDataSet("Dishes");
  TPDDataSet& discounts = *data.GetDataSet("Discounts");
  tDiscountInfos& di = Distribution();
  di.Init(reg_.DeviceParamIndex(), dishes.RecCount(), settings.SeparateDiscounts, settings.UseTaxDishType,
          DishNameGetter(), settings.OrderDocument);
  di.SetPortionNameGetter(PortionNameGetter());
  di.MarkupsLeaveLines = !args.MarkupLineName.empty();
  di.LoadDishes(dishes, data.GetDataSet("Taxes", false), state.ComboMode, args.GroupClassification);
  const bool itemised = !settings.SummaryOnly && !state.AllNonFiscal && args.GroupClassification == 0;
  if (itemised) di.MergeSameUni(!settings.UseTaxDishType);
  di.MarkZeroLines(settings.PrintDish0Price);
  if (settings.SeparateDiscounts) di.LoadDiscounts(discounts, *NewNameGetter("Discount"));
  if (itemised)
    DistributeOrderDiscounts(args, discounts);
  else
    DistributeSummary(args, discounts);
  if (state.ModifierMode != 5) DistributeNoPayAmount(args, false);
  if (itemised) di.LoadModifiers(*data.GetDataSet("Modifiers"), state.ComboMode, state.ModifierMode, *ModifierNameGetter());
  if (state.ModifierMode == 5) DistributeNoPayAmount(args, true);
  if (!args.MarkupLineName.empty()) di.MarkupsToLines(args.MarkupLineName);
  if (itemised) {
    if (settings.SeparateDiscounts && di.NeedsQuantityOne(args.DiscountsAllowed, args.MarkupsAllowed)) {
      reg_.LogAtLevel(0, "Need correct by quantity 1, set SeparateDiscounts:=False");
      return false;
    }
    di.FinalCorrection(args.DiscountsAllowed, args.MarkupsAllowed, args.CorrectionName);
    if (settings.SeparateDiscounts && di.AnyItemBelowZero()) {
      reg_.LogAtLevel(0, "Item below zero with its discounts, set SeparateDiscounts:=False");
      return false;
    }
  }
  di.FitTaxesToAmounts();
  return true;
}

void tOrderPreparation::DistributeOrderDiscounts(const tPrepareOrderArgs& args, TPDDataSet& discounts) {
  tDocSettings& settings = reg_.EffectiveSettings;
  tOrderPreparationState& state = reg_.OrderState;
  tDiscountInfos& di = Distribution();
  if (state.ComboMode == 3) di.GroupLines(3, settings.UseTaxDishType, args.ByDepartment, false, false, std::string());
  if (!reg_.DistributionWanted()) return;
  const int32_t mode = state.DiscountMode;
  if (mode == 1 || mode == 2) {
    if (args.CommonDiscWithTaxes) {
      reg_.AddLogLine("FillReceiptDiscountsByTax not needed, CommonDiscWithTaxes=True");
      return;
    }
    reg_.AddLogLine("FillReceiptDiscountsByTax...");
    di.DistributeByTax(discounts, *reg_.PosData().GetDataSet("DiscTaxes"), false, mode == 1);
  } else if (mode == 3 || mode == 4) {
    reg_.AddLogLine(Fmt("FillReceiptDiscountsByDish, ToCompareDistribution=%d, length(ProportionalDiscs)=%d",
                      int(mode == 3), int(di.ProportionalDiscs.size())));
    di.DistributeByDish(discounts, !args.NoAbsDiscountSum && mode == 3, args.DiscountName);
  }
}

void tOrderPreparation::DistributeSummary(const tPrepareOrderArgs& args, TPDDataSet& discounts) {
  tDocSettings& settings = reg_.EffectiveSettings;
  tOrderPreparationState& state = reg_.OrderState;
  tDiscountInfos& di = Distribution();
  const bool allInOne = settings.SummaryOnly || state.AllNonFiscal;
  di.GroupLines(state.ComboMode, settings.UseTaxDishType, args.ByDepartment, allInOne,
                !allInOne && args.GroupClassification != 0, args.SummaryName);
  if (!reg_.DistributionWanted()) return;
  di.LoadDiscounts(discounts, *NewNameGetter("Discount"));
  const int32_t mode = state.DiscountMode;
  if (settings.UseTaxDishType)
    di.DistributeByTax(discounts, *reg_.PosData().GetDataSet("DiscTaxes"), args.CommonDiscWithTaxes,
                       !args.NoAbsDiscountSum && (mode == 1 || mode == 3));
  else
    di.DistributeByDish(discounts, !args.NoAbsDiscountSum, args.DiscountName);
}

void tOrderPreparation::DistributeNoPayAmount(const tPrepareOrderArgs& args, bool withModifiers) {
  tOrderPreparationState& state = reg_.OrderState;
  if (!args.NoAbsDiscountSum || state.NoPayDiscount == 0) return;
  Distribution().DistributeAmount(state.NoPayDiscount, state.NoPayDiscountName, withModifiers,
                                  reg_.EffectiveSettings.SeparateDiscounts);
}

// ---- versions ------------------------------------------------------------------

namespace {

// The next component of a version: up to the first "." (the rest stays),
// without blanks and control characters around it.
std::string NextComponent(std::string& version) {
  const size_t dot = version.find('.');
  std::string part = Trim(std::string_view(version).substr(0, dot));
  version = dot == std::string::npos ? std::string() : version.substr(dot + 1);
  return part;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// Compares the numbers of the leading digits (of any length), then the texts
// after them.
int CompareComponents(const std::string& a, const std::string& b) {
  size_t da = 0, db = 0;
  while (da < a.size() && a[da] >= '0' && a[da] <= '9') ++da;
  while (db < b.size() && b[db] >= '0' && b[db] <= '9') ++db;
  size_t za = 0, zb = 0;
  while (za < da && a[za] == '0') ++za;
  while (zb < db && b[zb] == '0') ++zb;
  const std::string na = a.substr(za, da - za), nb = b.substr(zb, db - zb);
  if (na.size() != nb.size()) return na.size() < nb.size() ? -1 : 1;
  if (na != nb) return Sign(na.compare(nb));
  return Sign(a.substr(da).compare(b.substr(db)));
}

}  // namespace

int CompareVersion(std::string a, std::string b) {
  for (;;) {
    if (a == b) return 0;
    if (a.empty()) return -1;
    if (b.empty()) return 1;
    const std::string ca = NextComponent(a), cb = NextComponent(b);
    const int result = CompareComponents(ca, cb);
    if (result != 0) return result;
  }
}
