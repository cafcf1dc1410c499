#include "io/printer/discounts/discount_infos.h"

#include <algorithm>

#include "io/printer/discounts/discount_record.h"
#include "io/printer/discounts/discount_share.h"
#include "posdata/numeric.h"
#include "standart/format.h"
#include "standart/text.h"

namespace {

constexpr int32_t kStatusActive = 3;
constexpr int32_t kNoCode = INT32_MIN;


}  // namespace

// The columns of "Dishes" read for every line, looked up once.
struct tDiscountInfos::tDishColumns {
  int32_t IsCombo, ComboUNI, PaySum, Sum, Quantity, DishPrice, Department, Dish, Charge, DishUNI, DishCode;
};

tDiscountInfos::tDiscountInfos(const std::string& taxProperty, int taxCount, iPosReferences* references)
    : taxProperty_(taxProperty), taxCount_(taxCount), references_(references) {
  for (int k = 1; k <= taxCount_; ++k) {
    const std::string field = "TaxRate" + std::to_string(k);
    taxClassPaths_.emplace_back(Fmt("TaxRate%d.%s", k, taxProperty_));
    slotPaths_.push_back({tFieldName(field), tFieldName(field + ".Tax"), tFieldName(field + "." + taxProperty_),
                          tFieldName(field + ".TaxRate")});
  }
  LoadDepartments();
}

void tDiscountInfos::LoadDepartments() {
  int64_t classification = 0;
  if (!references_ || !references_->HostInteger("DepartByClassification", classification) || classification == 0)
    return;
  departClassification_ = int32_t(classification);
  std::vector<bool> seen(256, false);
  const int32_t count = references_->ObjectCount(kClassificationGroupKind);
  for (int32_t i = 0; i < count; ++i) {
    const tReferentRef group = references_->ObjectAt(kClassificationGroupKind, i);
    if (!group) continue;
    const int32_t id = group->Id();
    if ((id & ~0xFF) != departClassification_ || (id & 0xFF) == 0) continue;
    int64_t status = 0, departCode = 0;
    if (!group->IntProperty("Status", status) || status != kStatusActive) continue;
    if (!group->IntProperty("DepartCode", departCode) || departCode <= 0) continue;
    seen[size_t(id & 0xFF)] = true;
  }
  for (int i = 1; i < 256; ++i)
    if (seen[size_t(i)]) departIndices_.push_back(uint8_t(i));
}

void tDiscountInfos::Init(int32_t deviceIndex, int32_t lineCount, bool separateDiscounts, bool useTaxDishType,
                          tNameGetterRef dishNameGetter, bool orderDocument) {
  deviceIndex_ = deviceIndex;
  separateDiscounts_ = separateDiscounts;
  useTaxDishType_ = useTaxDishType;
  orderDocument_ = orderDocument;
  dishNameGetter_ = std::move(dishNameGetter);
  portionNameGetter_.reset();
  ProportionalDiscs.clear();
  LastDiscountName.clear();
  LastDiscountCode = 0;
  for (tFRDiscsDishInfo& line : Lines)
    if (line.Discounts && line.Discounts.use_count() == 1) spareSets_.push_back(std::move(line.Discounts));
  Lines.assign(size_t(std::max(lineCount, 0)), tFRDiscsDishInfo());
  for (tFRDiscsDishInfo& line : Lines) line.Discounts = EmptySet();
  AllSameTax = true;
  HasDuplicateUni = false;
  HasDishDiscounts = false;
  OrderLevelOnly = false;
  PendingAmount = 0;
  linesByUni_.clear();
  departNames_.clear();
  enumCodes_.clear();
  taxAnswers_.assign(size_t(std::max(taxCount_, 0)), {});
}

tDiscountSetRef tDiscountInfos::EmptySet() {
  if (spareSets_.empty()) return tDishDiscountInfo::New();
  tDiscountSetRef set = std::move(spareSets_.back());
  spareSets_.pop_back();
  set->Clear();
  return set;
}

// ---- dishes -----------------------------------------------------------------

void tDiscountInfos::LoadDishes(TPDDataSet& dishes, TPDDataSet* taxes, int32_t comboMode,
                                int32_t groupClassification) {
  // Tax amounts by line, read once instead of once per line: (DishUNI, tax,
  // amount) in one list ordered by DishUNI, records of a DishUNI in their
  // order.
  struct tTaxAmount {
    int32_t DishUNI;
    int64_t TaxId, Amount;
  };
  std::vector<tTaxAmount> taxAmounts;
  if (taxes && useTaxDishType_) {
    tRecordReader tax(*taxes);
    const int32_t uniColumn = tax.Column("DishUNI"), taxColumn = tax.Column("Tax"),
                  sumColumn = tax.Column("NationalSum");
    taxAmounts.reserve(size_t(std::max(taxes->RecCount(), 0)));
    ForEachRecord(*taxes, [&] {
      taxAmounts.push_back({CheckedInt32(taxes->GetRawValue(uniColumn).AsInt64()),
                            taxes->GetRawValue(taxColumn).AsInt64(), AsHundredths(taxes->GetRawValue(sumColumn))});
    });
    const auto byUni = [](const tTaxAmount& a, const tTaxAmount& b) { return a.DishUNI < b.DishUNI; };
    // The POS writes them in line order, mostly.
    if (!std::is_sorted(taxAmounts.begin(), taxAmounts.end(), byUni))
      std::stable_sort(taxAmounts.begin(), taxAmounts.end(), byUni);
  }
  tRecordReader record(dishes);
  const tDishColumns c{record.Column("IsCombo"),
                       record.Column("ComboUNI"),
                       record.Column(orderDocument_ ? "FiscRegPaySum" : "NationalPaySum"),
                       record.Column(orderDocument_ ? "FiscRegSum" : "NationalSum"),
                       record.Column("Quantity"),
                       record.Column("DishPrice"),
                       record.Column("Department"),
                       record.Column("Dish"),
                       record.Column("Charge"),
                       record.Column("DishUNI"),
                       record.Column("DishCode")};
  linesByUni_.clear();
  linesByUni_.reserve(Lines.size());
  std::unordered_map<int32_t, int32_t> comboLines;  // combo DishUNI -> line
  std::string lastComboName;
  int32_t index = 0;
  ForEachRecord(dishes, [&] {
    if (size_t(index) >= Lines.size()) {
      Lines.emplace_back();
      Lines.back().Discounts = tDishDiscountInfo::New();
    }
    tFRDiscsDishInfo& line = Lines[size_t(index)];
    line.IsCombo = dishes.GetRawValue(c.IsCombo).AsInt64() != 0;
    line.ComboUNI = CheckedInt32(dishes.GetRawValue(c.ComboUNI).AsInt64());
    line.IsComboPart = line.ComboUNI != 0;
    if (line.IsComboPart && comboMode == 1) line.NamePrefix = "  ";
    if (line.IsComboPart && comboMode == 2) line.NamePrefix = lastComboName + ": ";
    LoadDish(record, c, index, groupClassification);
    if (line.IsComboPart && comboMode == 3 && groupClassification != 0) {
      const auto combo = comboLines.find(line.ComboUNI);
      if (combo != comboLines.end()) line.GroupIdent = Lines[size_t(combo->second)].GroupIdent;
    }
    if (useTaxDishType_ && taxes) {
      AttachLineTaxes(line, record);
      auto amount = std::lower_bound(taxAmounts.begin(), taxAmounts.end(), line.DishUNI,
                                     [](const tTaxAmount& a, int32_t uni) { return a.DishUNI < uni; });
      for (; amount != taxAmounts.end() && amount->DishUNI == line.DishUNI; ++amount)
        for (tDishTaxInfo& slot : line.Taxes)
          if (slot.Present && slot.TaxId == amount->TaxId) slot.Amount += amount->Amount;
    }
    LinkSameUni(index);
    if (index > 0 && line.Tax != Lines[0].Tax) AllSameTax = false;
    if (line.IsCombo) {
      lastComboName = line.Name;
      comboLines[line.DishUNI] = index;
      if (comboMode != 1) line.Skip = 1;
      line.Sum = line.DiscountedSum = line.PaySum = line.PayPrice = line.Price = 0;
    }
    ++index;
  });
  Lines.resize(size_t(index));
  if (useTaxDishType_ && taxes && HasDuplicateUni) SplitSharedUniTaxes();
}

// Lines that share a DishUNI each read every "Taxes" record of that DishUNI,
// so each carries the tax of them all. Per POS tax, that amount is split
// over the group's lines by what they pay, so that together they carry it
// once (and keep carrying it once when they are merged).
void tDiscountInfos::SplitSharedUniTaxes() {
  for (const auto& [uni, group] : linesByUni_) {
    if (group.size() < 2) continue;
    std::vector<int32_t> taxIds;
    for (int32_t i : group)
      for (const tDishTaxInfo& slot : Lines[size_t(i)].Taxes)
        if (slot.Present && slot.Amount != 0 && std::find(taxIds.begin(), taxIds.end(), slot.TaxId) == taxIds.end())
          taxIds.push_back(slot.TaxId);
    for (int32_t taxId : taxIds) SplitSharedTax(group, taxId);
  }
}

void tDiscountInfos::SplitSharedTax(const std::vector<int32_t>& group, int32_t taxId) {
  std::vector<tDishTaxInfo*> slots;
  std::vector<int64_t> weights;
  int64_t total = 0, amount = 0;
  for (int32_t i : group) {
    tFRDiscsDishInfo& line = Lines[size_t(i)];
    if (line.Skip) continue;
    for (tDishTaxInfo& slot : line.Taxes)
      if (slot.Present && slot.TaxId == taxId && slot.Amount != 0) {
        amount = slot.Amount;
        slots.push_back(&slot);
        weights.push_back(line.PaySum);
        total += line.PaySum;
        break;
      }
  }
  if (slots.size() < 2 || total == 0) return;
  const std::vector<int64_t> parts = SplitSequential(amount, weights);
  for (size_t g = 0; g < slots.size(); ++g) slots[g]->Amount = parts[g];
}

void tDiscountInfos::LoadDish(tRecordReader& record, const tDishColumns& c, int32_t index,
                              int32_t groupClassification) {
  const TPDDataSet& dishes = record.DataSet();
  tFRDiscsDishInfo& line = Lines[size_t(index)];
  line.PaySum = AsHundredths(dishes.GetRawValue(c.PaySum));
  line.Sum = separateDiscounts_ ? AsHundredths(dishes.GetRawValue(c.Sum)) : line.PaySum;
  line.Quantity = AsThousandths(dishes.GetRawValue(c.Quantity));
  if (line.Quantity < 0) line.Skip = 1;
  line.Price = AsHundredths(dishes.GetRawValue(c.DishPrice));
  // A combo's amounts are cleared; its price is not worked out.
  if (!line.IsCombo) RecomputePrice(line);
  line.Department = CheckedInt32(dishes.GetRawValue(c.Department).AsInt64());
  line.DepartName = DepartmentName(line.Department, record);
  if (dishNameGetter_) line.Name = dishNameGetter_->GetName(record);
  if (portionNameGetter_) line.PortionName = portionNameGetter_->GetName(record);
  line.DiscountedSum = line.Sum;
  line.ItemId = CheckedInt32(dishes.GetRawValue(c.Dish).AsInt64());
  line.ItemKind = kItemKindDish;
  if (line.ItemId == 0) {
    line.ItemId = CheckedInt32(dishes.GetRawValue(c.Charge).AsInt64());
    line.ItemKind = kItemKindCharge;
  }
  line.DishUNI = CheckedInt32(dishes.GetRawValue(c.DishUNI).AsInt64());
  line.DishCode = CheckedInt32(dishes.GetRawValue(c.DishCode).AsInt64());
  if (groupClassification != 0)
    line.GroupIdent = IntegerText(record.Text(Fmt("Dish.ClassificatorGroups^%d.Ident", groupClassification)));
  static const tFieldName kBarCodes("Dish.BarCodesFullInfo");
  line.BarCodes = record.Text(kBarCodes);
  line.Tax = TaxClass(record);
  line.IsAdvance = line.Tax.PaymentMethod == 3 && line.Tax.ItemSubject == 10;
}

// The answers kept for the tax of a record's slot, nullptr where the record
// has no such column (its paths then read nothing).
tDiscountInfos::tTaxAnswers* tDiscountInfos::TaxAnswers(tRecordReader& record, size_t slot) {
  if (slot >= taxAnswers_.size()) taxAnswers_.resize(slot + 1);
  const tSlotPaths& paths = slotPaths_[slot];
  if (!record.Has(paths.Field)) return nullptr;
  const int64_t tax = record.Raw(paths.Field).AsInt64();
  std::vector<std::pair<int64_t, tTaxAnswers>>& known = taxAnswers_[slot];
  for (auto& [id, answers] : known)
    if (id == tax) return &answers;
  return &known.emplace_back(tax, tTaxAnswers()).second;
}

void tDiscountInfos::AttachLineTaxes(tFRDiscsDishInfo& line, tRecordReader& record) {
  line.Taxes.assign(size_t(std::max(taxCount_, 0)), tDishTaxInfo());
  for (size_t k = 0; k < slotPaths_.size(); ++k) {
    const tSlotPaths& paths = slotPaths_[k];
    if (record.Raw(paths.Field).AsInt64() == 0) continue;
    tTaxAnswers& answers = *TaxAnswers(record, k);
    if (!answers.HasSlot) {
      answers.TaxId = IntegerText(record.Text(paths.Tax));
      answers.FiscalTaxCode = IntegerText(record.Text(paths.Code), -1);
      answers.Rate = IntegerText(record.Text(paths.Rate));
      answers.HasSlot = true;
    }
    tDishTaxInfo& slot = line.Taxes[k];
    slot.TaxId = answers.TaxId;
    slot.FiscalTaxCode = answers.FiscalTaxCode;
    slot.Rate = answers.Rate;
    slot.Present = 1;
  }
}

void tDiscountInfos::LinkSameUni(int32_t index) {
  tFRDiscsDishInfo& line = Lines[size_t(index)];
  std::vector<int32_t>& same = linesByUni_[line.DishUNI];
  if (!same.empty()) {
    const int32_t first = same.front();
    Lines[size_t(first)].FirstSameUni = first;
    line.FirstSameUni = first;
    HasDuplicateUni = true;
  }
  same.push_back(index);
}

std::string tDiscountInfos::DepartmentName(int32_t department, tRecordReader& record) {
  const auto known = departNames_.find(department);
  if (known != departNames_.end()) return known->second;
  std::string name = std::to_string(department);
  if (references_ && dishNameGetter_) {
    for (uint8_t index : departIndices_) {
      const tReferentRef group =
          references_->ObjectById(kClassificationGroupKind, departClassification_ | int32_t(index));
      int64_t code = 0;
      if (group && group->IntProperty("DepartCode", code) && code == department) {
        name = dishNameGetter_->GetObjectName(*group);
        break;
      }
    }
  }
  departNames_.emplace(department, name);
  return name;
}

tTaxString tDiscountInfos::TaxClass(tRecordReader& record) {
  tTaxString tax;
  if (useTaxDishType_) {
    for (int k = 1; k <= taxCount_; ++k) {
      tTaxAnswers* answers = TaxAnswers(record, size_t(k - 1));
      if (answers && !answers->HasClass) {
        answers->ClassText = record.Text(taxClassPaths_[size_t(k - 1)]);
        answers->HasClass = true;
      }
      std::string asked;
      if (!answers) asked = record.Text(taxClassPaths_[size_t(k - 1)]);
      const std::string& text = answers ? answers->ClassText : asked;
      if (text.empty()) continue;
      if (tax.Text.empty())
        tax.Text = text;
      else
        tax.Text = text + ";" + tax.Text;
    }
  }
  if (tax.Text.empty()) tax.Text = "no_tax";
  static const tFieldName kForAdvance("Dish.TaxDishType.ForAdvance"), kItemKind("Dish.ITEMKIND"),
      kPaymentMethod("PaymentMethod");
  const std::string forAdvance = record.Text(kForAdvance);
  if (forAdvance.size() == 1 && forAdvance[0] == '1') {
    tax.PaymentMethod = 3;
    tax.ItemSubject = 10;
  } else {
    tax.PaymentMethod = 4;
    tax.ItemSubject = 1;
  }
  int64_t itemKind = 0;
  if (ParseDecimalAfterSpaces(record.Text(kItemKind), itemKind)) {
    const int32_t code = LookupEnumCode(kItemKindTable, itemKind);
    if (code != kNoCode) tax.ItemSubject = code;
  }
  const int64_t paymentMethod = record.Raw(kPaymentMethod).AsInt64();
  if (paymentMethod > 0) {
    const int32_t code = LookupEnumCode(kPaymentMethodTable, paymentMethod);
    if (code != kNoCode) tax.PaymentMethod = code;
  }
  return tax;
}

// The fiscal code of an enumeration value from the POS table, kNoCode when
// no active entry has it.
int32_t tDiscountInfos::LookupEnumCode(int32_t table, int64_t value) {
  const auto key = std::make_pair(table, value);
  const auto known = enumCodes_.find(key);
  if (known != enumCodes_.end()) return known->second;
  int32_t code = kNoCode;
  if (references_) {
    const std::string property = "FiscDevParams^" + std::to_string(deviceIndex_);
    const int32_t count = references_->ObjectCount(table);
    for (int32_t i = 0; i < count && code == kNoCode; ++i) {
      const tReferentRef entry = references_->ObjectAt(table, i);
      int64_t status = 0, enumValue = 0, fiscal = 0;
      if (!entry || !entry->IntProperty("Status", status) || status != kStatusActive) continue;
      if (!entry->IntProperty("ENUMVALUE", enumValue) || enumValue != value) continue;
      if (entry->IntProperty(property, fiscal) && fiscal >= INT32_MIN && fiscal <= INT32_MAX) code = int32_t(fiscal);
    }
  }
  enumCodes_.emplace(key, code);
  return code;
}

void tDiscountInfos::MarkZeroLines(bool printDish0Price) {
  if (printDish0Price) return;
  for (tFRDiscsDishInfo& line : Lines)
    if (line.Sum == 0) line.Skip = 1;
}

// ---- merging lines of one order line --------------------------------------------

void tDiscountInfos::MergeSameUni(bool mergeAll) {
  if (AllSameTax) return;
  // The lines of each DishUNI, as LoadDishes found them.
  if (linesByUni_.empty())
    for (size_t i = 0; i < Lines.size(); ++i) linesByUni_[Lines[i].DishUNI].push_back(int32_t(i));
  auto& groups = linesByUni_;
  for (size_t i = 0; i < Lines.size(); ++i) {
    const std::vector<int32_t>& group = groups[Lines[i].DishUNI];
    for (int32_t j : group) {
      if (size_t(j) <= i || Lines[i].Skip) continue;
      tFRDiscsDishInfo& a = Lines[i];
      tFRDiscsDishInfo& b = Lines[size_t(j)];
      if (b.Skip) continue;
      if (a.Sum + a.Discounts->Total() == 0) {
        Merge(b, a);
        break;
      }
      if (b.Sum + b.Discounts->Total() == 0 || mergeAll) Merge(a, b);
    }
  }
}

void tDiscountInfos::Merge(tFRDiscsDishInfo& target, tFRDiscsDishInfo& source) const {
  target.Sum += source.Sum;
  if (target.Price != 0 && target.Quantity == 0 && source.Quantity == 0)
    target.Price += source.Price;
  else if (target.Price == 0 || (target.Quantity == 0 && source.Quantity != 0))
    target.Price = source.Price;
  target.PaySum += source.PaySum;
  if (target.IsCombo)
    target.Skip = 0;
  else
    target.Quantity += source.Quantity;
  target.DiscountedSum += source.DiscountedSum;
  target.Merged = 1;
  MoveTaxSlots(target, source);
  source.Discounts->CopyTo(*target.Discounts);
  source.Discounts = tDishDiscountInfo::New();
  source.Sum = source.PaySum = source.DiscountedSum = 0;
  source.Skip = 1;
  RecomputePrice(target);
}

void tDiscountInfos::MoveTaxSlots(tFRDiscsDishInfo& target, tFRDiscsDishInfo& source) const {
  if (target.Taxes.size() < source.Taxes.size()) target.Taxes.resize(source.Taxes.size());
  for (size_t k = 0; k < source.Taxes.size(); ++k) {
    tDishTaxInfo& from = source.Taxes[k];
    if (!from.Present && from.Amount == 0) continue;
    auto same = std::find_if(target.Taxes.begin(), target.Taxes.end(), [&](const tDishTaxInfo& t) {
      return t.Present && t.FiscalTaxCode == from.FiscalTaxCode;
    });
    if (same == target.Taxes.end())
      same = std::find_if(target.Taxes.begin(), target.Taxes.end(), [](const tDishTaxInfo& t) {
        return !t.Present && t.FiscalTaxCode == -1 && t.Amount == 0;
      });
    if (same == target.Taxes.end()) {
      // No free slot: the amount still goes with the line.
      target.Taxes[k].Amount += from.Amount;
    } else if (!same->Present) {
      *same = from;
    } else {
      same->Amount += from.Amount;
    }
    from.Amount = 0;
  }
}

// ---- discounts bound to lines --------------------------------------------------

std::string tDiscountInfos::AmountField(tRecordReader& record) {
  return record.Has("FiscRegAmount") ? "FiscRegAmount" : "NationalAmount";
}

void tDiscountInfos::AddProportional(int32_t discountId) {
  if (std::find(ProportionalDiscs.begin(), ProportionalDiscs.end(), discountId) == ProportionalDiscs.end())
    ProportionalDiscs.push_back(discountId);
}

void tDiscountInfos::RemoveProportional(int32_t discountId) {
  ProportionalDiscs.erase(std::remove(ProportionalDiscs.begin(), ProportionalDiscs.end(), discountId),
                          ProportionalDiscs.end());
}

void tDiscountInfos::LoadDiscounts(TPDDataSet& discounts, const IGetNameIntf& discountNameGetter) {
  tRecordReader record(discounts);
  const std::string amountField = AmountField(record);
  linesByUni_.clear();
  for (size_t i = 0; i < Lines.size(); ++i) {
    tFRDiscsDishInfo& line = Lines[i];
    line.DiscountedSum = line.Sum;
    if (OrderLevelOnly) line.Discounts = tDishDiscountInfo::New();
    linesByUni_[line.DishUNI].push_back(int32_t(i));
  }
  std::vector<tDishRecord> bound;
  ForEachRecord(discounts, [&] {
    const int32_t dishUni = record.Identifier("DishUNI");
    const int32_t discountId = record.Identifier("Discount");
    if (IsOrderLevel(dishUni)) {
      if (record.Raw("IsCharge").AsBoolean()) return;
      LastDiscountName = record.Text("Discount");
      LastDiscountCode = IntegerText(record.Text("Discount.Code"));
      AddProportional(discountId);
      return;
    }
    const auto found = linesByUni_.find(dishUni);
    if (found == linesByUni_.end()) return;
    HasDishDiscounts = true;
    bound.push_back({&found->second, discountId, IntegerText(record.Text("Discount.Code")),
                     discountNameGetter.GetName(record), record.Hundredths(amountField), {}});
  });
  SplitDishRecords(bound);
  for (const tDishRecord& r : bound)
    for (size_t k = 0; k < r.Parts.size(); ++k) {
      tFRDiscsDishInfo& line = Lines[size_t((*r.Group)[k])];
      line.Discounts->Add(r.DiscountId, r.Code, r.Name, r.Parts[k], 1, 0);
      line.DiscountedSum += r.Parts[k];
    }
}

// ---- prices --------------------------------------------------------------------

namespace {

int64_t StepRounded(int64_t amount, int64_t step) {
  return step >= 2 ? TNumeric::RoundDiv(nrHalfAwayFromZero, step, amount) * step : amount;
}

}  // namespace

void tDiscountInfos::RecomputePrice(tFRDiscsDishInfo& line) const {
  if (StepRounded(LineAmount(line.Quantity, line.Price), priceStep_) != line.Sum)
    line.Price = ShareByQuantity(line.Quantity, 1000, line.Sum);
  line.PayPrice = line.PaySum == line.Sum ? line.Price : ShareByQuantity(line.Quantity, 1000, line.PaySum);
}

void tDiscountInfos::RecomputePrice(tModifierRec& modifier) const {
  if (StepRounded(LineAmount(modifier.Quantity, modifier.Price), priceStep_) != modifier.Sum)
    modifier.Price = ShareByQuantity(modifier.Quantity, 1000, modifier.Sum);
}

bool tDiscountInfos::IsBadCorrection(bool discountsAllowed, bool markupsAllowed, int64_t d) const {
  return (d > 0 && !markupsAllowed) || (d < 0 && !discountsAllowed) || d > 99 || d < -99;
}
