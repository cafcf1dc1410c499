// Lines rebuilt for summary receipts, classification groups and folded
// combos, and markups moved to lines of their own.
#include "io/printer/discounts/discount_infos.h"
#include "io/printer/discounts/discount_share.h"

#include <algorithm>

namespace {

std::string GroupKey(const tTaxString& tax, int32_t department, int64_t third, bool byTax, bool byDepartment) {
  std::string key = byTax ? TaxKey(tax) : std::string();
  key += '\x02';
  if (byDepartment) key += std::to_string(department);
  key += '\x02' + std::to_string(third);
  return key;
}

// A combo folded into lines of several departments or taxes splits its
// quantity by their sums; a line with a small part of a large combo would get
// no thousandth at all and could not be priced. Every line with a sum keeps
// at least one thousandth, taken from the line that got the most (so the
// parts still add up to the combo's quantity when it has enough thousandths).
std::vector<int64_t> EveryPricedLineCounted(std::vector<int64_t> parts, const std::vector<int64_t>& sums) {
  for (size_t k = 0; k < parts.size(); ++k) {
    if (sums[k] == 0 || parts[k] != 0) continue;
    const size_t most = size_t(std::max_element(parts.begin(), parts.end()) - parts.begin());
    if (parts[most] > 1) --parts[most];
    parts[k] = 1;
  }
  return parts;
}

}  // namespace

void tDiscountInfos::GroupLines(int32_t comboMode, bool byTax, bool byDepartment, bool allInOne, bool byClassification,
                                const std::string& name) {
  const bool folding = !allInOne && !byClassification && comboMode == 3;
  std::vector<tFRDiscsDishInfo> old = std::move(Lines);
  Lines.clear();
  linesByUni_.clear();
  // The first new line of every key; lines of combo parts look for the line
  // of their combo.
  std::unordered_map<std::string, int32_t> firstByKey;
  std::vector<std::pair<int32_t, int64_t>> comboQuantities;
  const tFRDiscsDishInfo* lastCombo = nullptr;
  for (tFRDiscsDishInfo& source : old) {
    if (source.IsCombo) {
      comboQuantities.emplace_back(source.DishUNI, source.Quantity);
      lastCombo = &source;
      continue;
    }
    if (source.Skip) continue;
    int64_t third = 0;
    if (byClassification) third = source.GroupIdent;
    else if (folding) third = source.ComboUNI;
    const std::string key = GroupKey(source.Tax, source.Department, third, byTax, byDepartment);
    // A dish outside any combo is a line of its own when combos are folded.
    const bool canJoin = !folding || source.ComboUNI != 0;
    const auto found = canJoin ? firstByKey.find(key) : firstByKey.end();
    int32_t target;
    if (found != firstByKey.end()) {
      target = found->second;
    } else {
      target = AppendGroupLine(source, lastCombo, folding, byClassification, name);
      const tFRDiscsDishInfo& added = Lines[size_t(target)];
      firstByKey.emplace(GroupKey(added.Tax, added.Department, folding ? added.DishUNI : third, byTax, byDepartment),
                         target);
    }
    tFRDiscsDishInfo& line = Lines[size_t(target)];
    Merge(line, source);
    line.Sum += line.Discounts->ExtractCorrections();
  }
  if (!folding) {
    for (tFRDiscsDishInfo& line : Lines) {
      line.Quantity = 1000;
      line.Price = line.Sum;
      line.PayPrice = line.PaySum;
    }
    OrderLevelOnly = true;
    HasDuplicateUni = false;
    return;
  }
  std::unordered_map<int32_t, std::vector<size_t>> comboLines;
  for (size_t i = 0; i < Lines.size(); ++i)
    if (Lines[i].IsCombo) comboLines[Lines[i].DishUNI].push_back(i);
  for (const auto& [comboUni, quantity] : comboQuantities) {
    const auto found = comboLines.find(comboUni);
    if (found == comboLines.end()) continue;
    std::vector<int64_t> weights;
    for (size_t i : found->second) weights.push_back(Lines[i].Sum);
    const std::vector<int64_t> parts =
        EveryPricedLineCounted(SplitSequential(quantity, weights, tShareKind::OfQuantity), weights);
    for (size_t k = 0; k < parts.size(); ++k) {
      tFRDiscsDishInfo& line = Lines[found->second[k]];
      line.Quantity = parts[k];
      RecomputePrice(line);
    }
  }
}

int32_t tDiscountInfos::AppendGroupLine(const tFRDiscsDishInfo& source, const tFRDiscsDishInfo* lastCombo,
                                        bool folding, bool byClassification, const std::string& name) {
  tFRDiscsDishInfo line;
  line.Discounts = tDishDiscountInfo::New();
  if (folding) {
    const bool ofCombo = source.IsComboPart && lastCombo && lastCombo->DishUNI == source.ComboUNI;
    const tFRDiscsDishInfo& from = ofCombo ? *lastCombo : source;
    line.ItemId = from.ItemId;
    line.ItemKind = from.ItemKind;
    line.Name = from.Name;
    line.DishCode = from.DishCode;
    line.DishUNI = from.DishUNI;
    line.IsCombo = from.IsCombo;
    if (from.IsCombo) line.Quantity = from.Quantity;
    if (!ofCombo) {
      // A dish outside a combo keeps what its receipt item prints.
      line.BarCodes = source.BarCodes;
      line.PortionName = source.PortionName;
      line.NamePrefix = source.NamePrefix;
    }
    if (!Lines.empty() && Lines.back().DishUNI == line.DishUNI) {
      tFRDiscsDishInfo& before = Lines.back();
      if (before.FirstSameUni == -1) before.FirstSameUni = int32_t(Lines.size() - 1);
      line.FirstSameUni = before.FirstSameUni;
      HasDuplicateUni = true;
    }
  } else {
    line.Name = name;
    line.Quantity = 1000;
  }
  line.Tax = source.Tax;
  line.IsAdvance = source.Tax.PaymentMethod == 3 && source.Tax.ItemSubject == 10;
  line.Department = source.Department;
  line.DepartName = source.DepartName;
  line.GroupIdent = source.GroupIdent;
  if (byClassification && references_) {
    const tReferentRef group = references_->ObjectById(kClassificationGroupKind, source.GroupIdent);
    if (group) {
      line.Name = dishNameGetter_ ? dishNameGetter_->GetObjectName(*group) : group->Name();
      int64_t code = 0;
      if (group->IntProperty("Code", code) && code >= INT32_MIN && code <= INT32_MAX) line.DishCode = int32_t(code);
    }
  }
  Lines.push_back(std::move(line));
  return int32_t(Lines.size() - 1);
}

void tDiscountInfos::MarkupsToLines(const std::string& name) {
  const size_t original = Lines.size();
  linesByUni_.clear();
  std::unordered_map<std::string, size_t> markupLines;
  for (size_t i = 0; i < original; ++i) {
    if (Lines[i].Skip) continue;
    iDishDiscountInfo& set = *Lines[i].Discounts;
    int64_t m = 0;
    for (int e = set.Count() - 1; e >= 0; --e)
      if (set.GetAmount(e) > 0) {
        m += set.GetAmount(e);
        set.Delete(e);
      }
    if (m <= 0) continue;
    const std::string key = GroupKey(Lines[i].Tax, Lines[i].Department, 0, true, true);
    auto found = markupLines.find(key);
    if (found == markupLines.end()) {
      const tFRDiscsDishInfo& source = Lines[i];
      tFRDiscsDishInfo line;
      line.Name = name;
      line.Tax = source.Tax;
      line.IsAdvance = source.IsAdvance;
      line.Department = source.Department;
      line.DepartName = source.DepartName;
      line.Taxes = source.Taxes;
      for (tDishTaxInfo& slot : line.Taxes) slot.Amount = 0;
      line.Quantity = 1000;
      line.Discounts = tDishDiscountInfo::New();
      Lines.push_back(std::move(line));
      found = markupLines.emplace(key, Lines.size() - 1).first;
    }
    tFRDiscsDishInfo& source = Lines[i];
    tFRDiscsDishInfo& markup = Lines[found->second];
    markup.Merged = 1;
    markup.Sum += m;
    markup.PaySum = markup.Sum;
    markup.DiscountedSum = markup.Sum;
    RecomputePrice(markup);
    // The line's tax is for the line and its paid modifiers together.
    int64_t taxed = source.PaySum;
    for (const tModifierRec& modifier : source.Modifiers) taxed += modifier.Sum;
    if (taxed != 0)
      for (size_t k = 0; k < source.Taxes.size() && k < markup.Taxes.size(); ++k) {
        const int64_t share = Share(taxed, m, source.Taxes[k].Amount);
        markup.Taxes[k].Amount += share;
        source.Taxes[k].Amount -= share;
      }
    source.PaySum -= m;
    RecomputePrice(source);
  }
}
