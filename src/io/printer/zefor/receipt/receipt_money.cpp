// The money side of a receipt: item discounts and markups, item taxes,
// receipt discounts with their taxes, discount information lines, the
// text lines of devices that print prices without discounts, payments
// grouped by fiscal type or one per POS payment, and the discount merge.
#include <algorithm>
#include <limits>

#include "io/printer/discounts/discount_share.h"
#include "io/printer/zefor/host/pos_objects.h"
#include "io/printer/zefor/receipt/receipt_build.h"
#include "io/printer/zefor/zefor.h"
#include "posdata/pderrors.h"
#include "posdata/pdsource.h"
#include "standart/errors.h"
#include "standart/format.h"
#include "xml/textconv.h"
#include "xml/xmlexception.h"

namespace ReceiptBuild {

namespace {

int32_t Int32Of(const VarType& value) {
  const int64_t v = value.AsInt64();
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) throw ERangeError();
  return int32_t(v);
}

void AppendDiscInfo(tReceiptBuild& b, const IXmlElement& parent, TPDDataSet& discounts, const std::string& amountField) {
  IXmlElement info = parent->EnsureChild("DiscInfos")->AppendElement("DiscInfo");
  info->SetIntAttr("Id", Int32Of(discounts.GetRawValueByName("Discount")));
  info->SetIntAttr("Code", PosObjects::IntegerOr(discounts.GetFieldText("Discount.Code"), 0));
  info->SetAttr("Name", b.Xml.Utf8(b.Preparation.NewNameGetter("Discount")->GetName(discounts), true));
  info->SetIntAttr("Value", AsHundredths(discounts.GetRawValueByName(amountField)));
}

// The tax slots of a discount record, read as a dish record's are.
tDishTaxInfoArray RecordTaxSlots(tReceiptBuild& b, TPDDataSet& record) {
  tDishTaxInfoArray slots(size_t(b.Infos().TaxCount()));
  const std::string& property = b.Order.TaxTypeProperty;
  for (size_t k = 0; k < slots.size(); ++k) {
    const std::string field = "TaxRate" + std::to_string(k + 1);
    if (record.FieldIndex(field) < 0 || record.GetRawValueByName(field).AsInt64() == 0) continue;
    slots[k].FiscalTaxCode = PosObjects::IntegerOr(record.GetRefProperty(field + "." + property), -1);
    slots[k].Rate = PosObjects::IntegerOr(record.GetRefProperty(field + ".TaxRate"), 0);
    slots[k].Present = 1;
  }
  return slots;
}

void ReceiptDiscountTaxes(tReceiptBuild& b, const IXmlElement& discount, const tDishTaxInfoArray& slots) {
  const bool withTaxes = (b.Has(ZefOptions::foDiscWithTaxes) &&
                          (!b.Has(ZefOptions::foCanIgnoreTaxes) || b.Reg.EffectiveSettings.UseTaxDishType)) ||
                         b.Protocol() < 9;
  if (!withTaxes) return;
  IXmlElement taxes = discount->AppendElement("Taxes");
  if (b.Reg.EffectiveSettings.UseTaxDishType)
    for (const tDishTaxInfo& slot : slots)
      if (slot.Present && b.ValidTaxIndex(slot.FiscalTaxCode)) {
        IXmlElement tax = taxes->AppendElement("Tax");
        tax->SetIntAttr("TaxRateIndex", slot.FiscalTaxCode);
        tax->SetIntAttr("RateValue", slot.Rate);
      }
  if (taxes->ChildCount() == 0) {
    IXmlElement tax = taxes->AppendElement("Tax");
    tax->SetIntAttr("TaxRateIndex", b.ZeroRateIndex);
    tax->SetIntAttr("RateValue", 0);
  }
}

void ReceiptDiscount(tReceiptBuild& b, int32_t id, const std::string& code, const std::string& name, int64_t value,
                     const tDishTaxInfoArray& slots) {
  IXmlElement discount = b.Xml.Receipt()->EnsureChild("Discounts")->AppendElement("Discount");
  discount->SetIntAttr("Id", id);
  discount->SetAttr("Code", code);
  discount->SetAttr("Name", b.Xml.Utf8(name, true));
  discount->SetIntAttr("Value", value);
  ReceiptDiscountTaxes(b, discount, slots);
}

struct tTaxPart {
  int64_t Amount = 0;
  std::string Key;
  tDishTaxInfoArray Taxes;
  int64_t Weight = 0;
};

std::vector<tTaxPart> SplitByTax(tReceiptBuild& b, int64_t amount) {
  if (amount < std::numeric_limits<int32_t>::min() || amount > std::numeric_limits<int32_t>::max())
    throw ERangeError();
  std::vector<tTaxPart> parts;
  int64_t total = 0;
  for (const tFRDiscsDishInfo& line : b.Infos().Lines) {
    const std::string key = TaxKey(line.Tax);
    auto part = std::find_if(parts.begin(), parts.end(), [&](const tTaxPart& p) { return p.Key == key; });
    if (part == parts.end()) {
      parts.push_back(tTaxPart{0, key, line.Taxes, 0});
      part = parts.end() - 1;
    }
    part->Weight += line.DiscountedSum;
    total += line.DiscountedSum;
  }
  for (tTaxPart& part : parts) {
    part.Amount = Share(total, part.Weight, amount);
    total -= part.Weight;
    amount -= part.Amount;
  }
  return parts;
}

IXmlElement AppendPayment(const IXmlElement& payments, int32_t id, const std::string& code, const std::string& name,
                          int32_t type, int64_t value) {
  IXmlElement p = payments->AppendElement("Payment");
  p->SetIntAttr("Id", id);
  p->SetAttr("Code", code);
  p->SetAttr("Name", name);
  p->SetIntAttr("TypeIndex", type);
  p->SetIntAttr("Value", value);
  return p;
}

// "RRN=123/CardHolder=NAME": the value of a key, false when absent.
bool KeyValue(const std::string& text, const std::string& key, std::string& value) {
  const size_t at = text.find(key + "=");
  if (at == std::string::npos || (at > 0 && text[at - 1] != '/')) return false;
  const size_t start = at + key.size() + 1;
  const size_t end = text.find('/', start);
  value = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
  return true;
}

struct tPaymentEntry {
  int32_t CurrencyId = 0, Type = 0;
  std::string Name, Code, Owner, ISOCode, Rate, RRN, CardHolder, CardNum, AuthCode;
  bool HasRRN = false, HasCardHolder = false, HasCardNum = false, HasAuthCode = false;
  int64_t Value = 0, OriginalSum = 0;
  bool Net = false;
};

void EmitPayment(tReceiptBuild& b, const IXmlElement& payments, const tPaymentEntry& e) {
  IXmlElement p = payments->AppendElement("Payment");
  p->SetIntAttr("Id", e.CurrencyId);
  p->SetAttr("Code", e.Code);
  p->SetAttr("ISOCode", b.Xml.Utf8(e.ISOCode));
  p->SetAttr("Rate", b.Xml.Utf8(e.Rate));
  if (e.HasRRN) p->SetAttr("RRN", b.Xml.Utf8(e.RRN));
  if (e.HasCardHolder) p->SetAttr("CardHolder", b.Xml.Utf8(e.CardHolder));
  if (e.HasCardNum) p->SetAttr("CardNum", b.Xml.Utf8(e.CardNum));
  if (e.HasAuthCode) p->SetAttr("AuthCode", b.Xml.Utf8(e.AuthCode));
  p->SetAttr("Name", b.Xml.Utf8(e.Name, true));
  p->SetIntAttr("TypeIndex", e.Type);
  p->SetIntAttr("Value", e.Value);
  p->SetIntAttr("OriginalValue", e.OriginalSum);
}

// The names of merged discounts as text lines of the one discount left.
// The names are UTF-8 already; they go back to the POS's code page so that
// the converter turns them into UTF-8 exactly once.
void AppendNamesAsText(tReceiptBuild& b, const IXmlElement& discount, const std::vector<std::string>& names) {
  std::string prn;
  for (const std::string& name : names) prn += Utf8ToCodePage(name, 0) + "\r\n";
  std::vector<std::string> segments;
  if (!b.Reg.uf_Doc(reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()), true, &segments, false)) return;
  for (const std::string& segment : segments) {
    IXmlDocument parsed = ParseXmlDocument(segment);
    if (IXmlElement root = parsed ? parsed->DocumentElement() : IXmlElement())
      AppendChildrenOf(root, discount->EnsureChild("Unfiscal"));
  }
}

void MergeOne(tReceiptBuild& b, const IXmlElement& discounts) {
  if (!discounts || discounts->ChildCount() == 0) return;
  std::vector<IXmlElement> list;
  for (int32_t i = 0; i < discounts->ChildCount(); ++i)
    if (IXmlElement d = discounts->ChildAt(i)->AsElement())
      if (d->NodeName() == "Discount") list.push_back(d);
  if (list.size() <= 1) return;
  for (size_t i = list.size(); i-- > 0;)
    if (list[i]->IntAttr("Value", 0) == 0) {
      discounts->RemoveChild(list[i]);
      list.erase(list.begin() + long(i));
    }
  if (list.size() <= 1) return;
  std::vector<std::string> names;
  int64_t total = 0;
  for (size_t i = list.size(); i-- > 0;) {
    names.push_back(list[i]->AttrText("Name"));
    total += list[i]->IntAttr("Value", 0);
    if (i != 0) discounts->RemoveChild(list[i]);
  }
  if (total == 0) {
    discounts->RemoveChild(list[0]);
    return;
  }
  list[0]->SetIntAttr("Value", total);
  list[0]->SetIntAttr("Id", 0);
  list[0]->SetIntAttr("Code", 0);
  list[0]->SetAttr("Name", "");
  if (b.Has(ZefOptions::foTextInLine)) AppendNamesAsText(b, list[0], names);
}

}  // namespace

std::string DiscountAmountField(TPDDataSet& discounts) {
  return discounts.FieldIndex("FiscRegAmount") >= 0 ? "FiscRegAmount" : "NationalAmount";
}

namespace {

bool ItemEntryPrinted(tReceiptBuild& b, int64_t amount) {
  return !((amount < 0 && !b.Has(ZefOptions::foAbsItemDiscount)) || (amount > 0 && !b.Has(ZefOptions::foAbsItemMarkup)));
}

}  // namespace

int64_t PrintedItemDiscounts(tReceiptBuild& b, const iDishDiscountInfo& set) {
  int64_t total = 0;
  for (int i = 0; i < set.Count(); ++i)
    if (ItemEntryPrinted(b, set.GetAmount(i))) total += set.GetAmount(i);
  return total;
}

void AddItemDiscounts(tReceiptBuild& b, const IXmlElement& item, const iDishDiscountInfo& set) {
  IXmlElement discounts = item->AppendElement("Discounts");
  for (int i = 0; i < set.Count(); ++i) {
    const int64_t a = set.GetAmount(i);
    if (!ItemEntryPrinted(b, a)) continue;
    IXmlElement d = discounts->AppendElement("Discount");
    d->SetIntAttr("Id", set.GetDiscountId(i));
    d->SetIntAttr("Code", set.GetCode(i));
    d->SetAttr("Name", b.Xml.Utf8(set.GetName(i), true));
    d->SetIntAttr("Value", a);
  }
}

void AddItemDiscInfos(tReceiptBuild& b, const IXmlElement& item, const tFRDiscsDishInfo& line) {
  if (line.Discounts && line.Discounts->Count() > 0) return;
  TPDDataSet* discounts = b.Data.GetDataSet("Discounts");
  // Every line without discounts of its own takes the records of its
  // DishUNI, from an index made once for the document. Without the column
  // no record belongs to a line.
  const int32_t uniColumn = discounts->FieldIndex("DishUNI");
  if (uniColumn < 0) return;
  b.DiscountsByUni.Build(*discounts, uniColumn, std::min(discounts->RecCount(), discounts->RawRecCount()), true);
  const auto records = b.DiscountsByUni.Records(line.DishUNI);
  if (records.first == records.second) return;
  const std::string field = DiscountAmountField(*discounts);
  for (const int32_t* r = records.first; r != records.second; ++r) {
    discounts->MoveTo(*r);
    AppendDiscInfo(b, item, *discounts, field);
  }
}

void AddItemTaxes(tReceiptBuild& b, const IXmlElement& item, const tDishTaxInfoArray& slots,
                  const std::vector<int64_t>* shares) {
  const bool useTaxes = b.Reg.EffectiveSettings.UseTaxDishType != 0;
  if (b.Has(ZefOptions::foCanIgnoreTaxes) && !useTaxes) return;
  IXmlElement taxes = item->AppendElement("Taxes");
  if (useTaxes)
    for (size_t k = 0; k < slots.size(); ++k) {
      const tDishTaxInfo& slot = slots[k];
      if (!slot.Present || !b.ValidTaxIndex(slot.FiscalTaxCode)) continue;
      IXmlElement tax = taxes->AppendElement("Tax");
      tax->SetIntAttr("TaxRateIndex", slot.FiscalTaxCode);
      tax->SetIntAttr("RateValue", slot.Rate);
      tax->SetIntAttr("TaxValue", shares ? (*shares)[k] : slot.Amount);
    }
  if (taxes->ChildCount() == 0) {
    IXmlElement tax = taxes->AppendElement("Tax");
    tax->SetIntAttr("TaxRateIndex", b.ZeroRateIndex);
    tax->SetIntAttr("RateValue", 0);
    tax->SetIntAttr("TaxValue", 0);
  }
}

void AddDiscountTextLines(tReceiptBuild& b) {
  TPDDataSet* discounts = b.Data.GetDataSet("Discounts");
  const std::string field = DiscountAmountField(*discounts);
  const int32_t width = b.Reg.Params.TextLineWidth;
  const std::string discountLabel = CodePageToUtf8(RussianText("Скидка %s"), 0);
  const std::string markupLabel = CodePageToUtf8(RussianText("Наценка %s"), 0);
  discounts->First();
  for (int32_t r = 0; r < discounts->RecCount(); ++r, discounts->Next()) {
    const std::string name = b.Xml.Utf8(b.Preparation.NewNameGetter("Discount")->GetName(*discounts), true);
    const int64_t amount = AsHundredths(discounts->GetRawValueByName(field));
    b.Pending.push_back(amount <= 0 ? PriceLine(Fmt(discountLabel, name), -amount, width)
                                    : PriceLine(Fmt(markupLabel, name), amount, width));
  }
  const int64_t x = b.Order.NoPayDiscount + b.Infos().PendingAmount;
  if (x > 0) b.Pending.push_back(PriceLine(Fmt(discountLabel, b.Xml.Utf8(b.Order.NoPayDiscountName, true)), x, width));
}

bool AddReceiptDiscounts(tReceiptBuild& b, int64_t rest) {
  if (!b.Xml.Receipt()) return false;
  const tDocSettings& settings = b.Reg.EffectiveSettings;
  const bool byTax = settings.UseTaxDishType && b.Has(ZefOptions::foDiscWithTaxes);
  TPDDataSet* source = b.Data.GetDataSet(byTax ? "DiscTaxes" : "Discounts", false);
  tDishTaxInfoArray working;
  bool written = false;
  const bool absSums = b.Has(ZefOptions::foAbsDiscountSum) || b.Has(ZefOptions::foAbsMarkupSum);
  if (settings.SeparateDiscounts && !b.Order.AllNonFiscal && source && source->RecCount() > 0 && absSums) {
    const std::vector<int32_t>& proportional = b.Infos().ProportionalDiscs;
    source->First();
    for (int32_t r = 0; r < source->RecCount(); ++r, source->Next()) {
      const int64_t a = AsHundredths(source->GetRawValueByName("FiscRegAmount"));
      if (source->FieldIndex("IsCharge") >= 0 && source->GetRawValueByName("IsCharge").AsBoolean()) continue;
      const int32_t id = Int32Of(source->GetRawValueByName("Discount"));
      const bool orderLevel = source->GetRawValueByName("DishUNI").AsInt64() == 0 || b.Infos().OrderLevelOnly;
      const bool isProportional =
          orderLevel && std::find(proportional.begin(), proportional.end(), id) != proportional.end();
      // A dish's markup that the preparation turned into a markup item
      // (device parameter 25) is on the receipt already; a dish's discount
      // or markup goes to receipt level only where the register takes a
      // receipt discount or markup.
      const bool markupLines = !b.Has(ZefOptions::foAbsItemMarkup) && !b.Reg.Params.MarkupName.empty();
      const bool printed =
          isProportional ||
          (((a < 0 && !b.Has(ZefOptions::foAbsItemDiscount) && b.Has(ZefOptions::foAbsDiscountSum)) ||
            (a > 0 && !b.Has(ZefOptions::foAbsItemMarkup) && !markupLines && b.Has(ZefOptions::foAbsMarkupSum))) &&
           b.Order.DiscountMode != 3 && b.Order.DiscountMode != 4);
      if (!printed) continue;
      if (byTax) working = RecordTaxSlots(b, *source);
      ReceiptDiscount(b, id, source->GetFieldText("Discount.Code"), source->GetFieldText("Discount"), a, working);
      written = true;
    }
  }
  const int64_t r = rest - b.Order.NoPayDiscount;
  if (r != 0) {
    const std::string name = b.Order.NoPayDiscount == 0 ? b.Reg.Params.RoundingCorrectionName : b.Order.NoPayDiscountName;
    if (byTax && (b.Order.NoPayDiscount != 0 || !b.Has(ZefOptions::foRoundDiscountOnly))) {
      for (const tTaxPart& part : SplitByTax(b, r))
        if (part.Amount != 0) ReceiptDiscount(b, 0, "0", name, part.Amount, part.Taxes);
    } else {
      ReceiptDiscount(b, 0, "0", name, r, working);
    }
    written = true;
  }
  const int32_t priceMode = b.Reg.Params.PriceWithoutDiscountMode;
  if (b.Reg.RequestedSettings.SeparateDiscounts && priceMode == 0 && !written) {
    TPDDataSet* discounts = b.Data.GetDataSet("Discounts");
    const std::string field = DiscountAmountField(*discounts);
    discounts->First();
    for (int32_t i = 0; i < discounts->RecCount(); ++i, discounts->Next()) {
      if (discounts->GetRawValueByName("DishUNI").AsInt64() > 0) continue;
      if (discounts->FieldIndex("IsCharge") >= 0 && discounts->GetRawValueByName("IsCharge").AsBoolean()) continue;
      AppendDiscInfo(b, b.Xml.Receipt(), *discounts, field);
    }
  }
  if (priceMode == 0) {
    const int64_t x = b.Infos().PendingAmount != 0 ? b.Infos().PendingAmount : b.Order.NoPayDiscount;
    if (x != 0) {
      IXmlElement info = b.Xml.Receipt()->EnsureChild("DiscInfos")->AppendElement("DiscInfo");
      info->SetIntAttr("Id", 0);
      info->SetIntAttr("Code", 0);
      info->SetAttr("Name", b.Xml.Utf8(b.Order.NoPayDiscountName, true));
      info->SetIntAttr("Value", -x);
    }
  }
  return true;
}

bool AddPayments(tReceiptBuild& b) {
  IXmlElement payments = b.Xml.Root()->NeedChild("Receipt")->AppendElement("Payments");
  const std::vector<tPayTableEntry>& table = b.Order.PayTable;
  int64_t rest = b.Order.TotalSum;
  const int32_t c = b.Reg.DefaultPayType();
  bool noOther = true;
  auto code = [](const tPayTableEntry& e) {
    return PosObjects::PropertyText(PosObjects::kCurrencyClass, e.CurrencyId, "Code");
  };
  for (size_t i = 0; i < table.size(); ++i) {
    if (int32_t(i) == c || table[i].Amount == 0) continue;
    rest -= table[i].Amount;
    noOther = false;
    AppendPayment(payments, table[i].CurrencyId, code(table[i]), b.Xml.Utf8(table[i].CurrencyName, true), int32_t(i),
                  table[i].Amount);
  }
  if (c < 0 || size_t(c) >= table.size()) ZefAssertion("Default payment type outside the payment table");
  const tPayTableEntry& cash = table[size_t(c)];
  if (cash.Amount != 0 || noOther) {
    std::string cashCode = code(cash);
    AppendPayment(payments, cash.CurrencyId, cashCode.empty() ? "0" : cashCode, b.Xml.Utf8(cash.CurrencyName, true), c,
                  cash.Amount);
  }
  if (rest < 0) throw tInterfacedException("Cash payment amount is negative");
  const int64_t change = cash.Amount - rest;
  if (change < 0) throw tInterfacedException("Cash change is negative");
  if (change > 0)
    AppendPayment(payments, cash.CurrencyId, code(cash), b.Xml.Utf8(cash.CurrencyName, true), c, -change);
  return true;
}

bool AddPaymentsUngrouped(tReceiptBuild& b) {
  IXmlElement payments = b.Xml.Root()->NeedChild("Receipt")->AppendElement("Payments");
  TPDDataSet* data = b.Data.GetDataSet("Payments");
  std::vector<tPaymentEntry> entries;
  const bool extInfo = data->FieldIndex("TransactionExtInfo") >= 0;
  const bool cardCode = data->FieldIndex("CardCode") >= 0, authCode = data->FieldIndex("AuthCode") >= 0;
  data->First();
  for (int32_t r = 0; r < data->RecCount(); ++r, data->Next()) {
    const int64_t s = AsHundredths(data->GetRawValueByName("NationalSum"));
    const int32_t t = b.Preparation.PaymentType(*data, "Currency", s > 0);
    const int32_t t2 = s < 0 ? b.Preparation.PaymentType(*data, "CurrLineCurrency", false) : 0;
    if ((t == kPayIsDiscount && s > 0) || (s < 0 && t2 == kPayIsDiscount) || (t == kPayNonFiscal && s > 0) ||
        (s < 0 && t2 == kPayNonFiscal) || t == kPayForbidsReceipt)
      continue;
    tPaymentEntry e;
    e.CurrencyId = Int32Of(data->GetRawValueByName("Currency"));
    e.Type = t;
    e.Name = b.Preparation.NewNameGetter("Currency")->GetName(*data);
    e.Code = data->GetFieldText("Currency.Code");
    e.OriginalSum = AsHundredths(data->GetRawValueByName("OriginalSum"));
    e.Owner = data->FieldIndex("PrintOwnerInfo") >= 0 ? data->GetFieldText("PrintOwnerInfo") : std::string();
    e.Rate = data->GetFieldText("Currency.RateClass.Rate");
    e.ISOCode = data->GetFieldText("Currency.RateClass.ISOCode");
    if (extInfo) {
      const std::string info = data->GetFieldText("TransactionExtInfo");
      e.HasRRN = KeyValue(info, "RRN", e.RRN);
      e.HasCardHolder = KeyValue(info, "CardHolder", e.CardHolder);
    }
    if ((e.HasCardNum = cardCode)) e.CardNum = data->GetFieldText("CardCode");
    if ((e.HasAuthCode = authCode)) e.AuthCode = data->GetFieldText("AuthCode");
    e.Value = s;
    if (s < 0) {
      int32_t changeType = t2;
      if (changeType < b.Reg.MinPayType() || changeType > b.Reg.MaxPayType()) changeType = b.Reg.DefaultPayType();
      if (b.Reverse || !b.Reg.IsChangePayType(changeType)) {
        e.CurrencyId = Int32Of(data->GetRawValueByName("CurrLineCurrency"));
        e.Type = changeType;
        e.Net = true;
      }
    }
    entries.push_back(e);
  }
  for (size_t n = 0; n < entries.size(); ++n) {
    if (!entries[n].Net) continue;
    for (int pass = 0; pass < 2 && entries[n].Value < 0; ++pass)
      for (size_t p = 0; p < entries.size() && entries[n].Value < 0;) {
        tPaymentEntry& pay = entries[p];
        if (p == n || pay.Value <= 0 || pay.CurrencyId != entries[n].CurrencyId ||
            (pass == 0 && pay.Owner != entries[n].Owner)) {
          ++p;
          continue;
        }
        const int64_t sum = pay.Value + entries[n].Value;
        if (sum >= 0) {
          pay.OriginalSum = Share(pay.Value, sum, pay.OriginalSum);
          pay.Value = sum;
          entries[n].Value = 0;
        } else {
          entries[n].Value = sum;
          entries.erase(entries.begin() + long(p));
          if (p < n) --n;
        }
      }
    if (entries[n].Value != 0) throw tInterfacedException("Assertion failure");
    entries.erase(entries.begin() + long(n));
    --n;
  }
  const tPaymentEntry* lastZero = nullptr;
  bool any = false;
  for (const tPaymentEntry& e : entries) {
    if (e.Value == 0) {
      lastZero = &e;
      continue;
    }
    EmitPayment(b, payments, e);
    any = true;
  }
  if (!any && lastZero) {
    EmitPayment(b, payments, *lastZero);
    any = true;
  }
  if (!any) {
    const int32_t d = b.Reg.DefaultPayType();
    const tPayTableEntry& entry = b.Order.PayTable.at(size_t(d));
    tPaymentEntry e;
    e.CurrencyId = entry.CurrencyId;
    e.Code = PosObjects::PropertyText(PosObjects::kCurrencyClass, entry.CurrencyId, "Code");
    if (e.Code.empty()) e.Code = "0";
    e.ISOCode = PosObjects::PropertyText(PosObjects::kCurrencyClass, entry.CurrencyId, "RateClass.ISOCode");
    e.Name = entry.CurrencyName;
    e.Type = d;
    e.Rate = "1.0000";
    EmitPayment(b, payments, e);
  }
  return true;
}

bool AddEmptyPayments(tReceiptBuild& b) {
  b.Xml.Receipt()->AppendElement("Payments");
  return true;
}

void MergeDiscounts(tReceiptBuild& b) {
  if (!b.Has(ZefOptions::foMaxOneMarkupDiscount)) return;
  IXmlElement receipt = b.Xml.Receipt();
  if (!receipt) return;
  MergeOne(b, receipt->SelectSingleNode("Discounts"));
  IXmlElement items = receipt->SelectSingleNode("Items");
  for (int32_t i = 0; items && i < items->ChildCount(); ++i)
    if (IXmlElement item = items->ChildAt(i)->AsElement())
      if (item->NodeName() == "Item") MergeOne(b, item->SelectSingleNode("Discounts"));
}

}  // namespace ReceiptBuild
