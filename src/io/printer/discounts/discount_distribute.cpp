// Order-level discounts over the lines, by dish or by tax class, and the
// amounts paid with no money folded into the lines.
#include <algorithm>
#include <cstdlib>

#include "io/printer/discounts/discount_infos.h"
#include "io/printer/discounts/discount_record.h"
#include "io/printer/discounts/discount_share.h"

// Calls visit(line, position in ProportionalDiscs, part) for every share of
// every order-level, non-charge record of "Discounts" split over all lines
// by DiscountedSum, as the register would split it itself.
template <class Visit>
static void ForEachOwnShare(TPDDataSet& discounts, const std::vector<tFRDiscsDishInfo>& lines,
                            const std::vector<int32_t>& proportional, bool orderLevelOnly,
                            const std::string& amountField, tRecordReader& record, Visit&& visit) {
  std::vector<int64_t> weights;
  weights.reserve(lines.size());
  for (const tFRDiscsDishInfo& line : lines) weights.push_back(line.DiscountedSum);
  ForEachRecord(discounts, [&] {
    const int32_t dishUni = record.Identifier("DishUNI");
    if (!(dishUni == 0 || orderLevelOnly) || record.Raw("IsCharge").AsBoolean()) return;
    const int32_t discountId = record.Identifier("Discount");
    const auto at = std::find(proportional.begin(), proportional.end(), discountId);
    const int position = at == proportional.end() ? -1 : int(at - proportional.begin());
    const std::vector<int64_t> parts = SplitSequential(record.Hundredths(amountField), weights);
    for (size_t i = 0; i < parts.size(); ++i) visit(i, position, parts[i]);
  });
}

void tDiscountInfos::DistributeByDish(TPDDataSet& discounts, bool toCompare, const std::string& name) {
  if (!separateDiscounts_ || ProportionalDiscs.empty()) return;
  const int32_t single = ProportionalDiscs.size() == 1 ? ProportionalDiscs.front() : 0;
  for (tFRDiscsDishInfo& line : Lines) {
    if (line.DiscountedSum < 0) continue;
    const int64_t d = line.PaySum - line.DiscountedSum;
    if (d != 0) line.Discounts->Add(single, 0, name, d, 0, 0);
  }
  if (!toCompare || Lines.empty()) {
    ProportionalDiscs.clear();
    return;
  }
  // Would the register's own proportional split give the POS's line amounts?
  tRecordReader record(discounts);
  std::vector<int64_t> own(Lines.size(), 0);
  ForEachOwnShare(discounts, Lines, ProportionalDiscs, OrderLevelOnly, AmountField(record), record,
                  [&](size_t line, int, int64_t part) { own[line] += part; });
  for (size_t i = 0; i < Lines.size(); ++i) {
    const int64_t pos = Lines[i].Discounts->Total();
    if (std::llabs(pos - own[i]) > 1 || ((pos == 0) != (own[i] == 0))) {
      ProportionalDiscs.clear();
      return;
    }
  }
  for (tFRDiscsDishInfo& line : Lines) line.Discounts->Remove(single, 0);
}

// An order-level record of "DiscTaxes" and the lines of its tax class.
struct tDiscountInfos::tTaxRecord {
  const std::vector<int32_t>* Group;
  int32_t DiscountId, Code;
  std::string Name;
  int64_t Amount;
};

void tDiscountInfos::DistributeByTax(TPDDataSet& discounts, TPDDataSet& discTaxes, bool commonDiscWithTaxes,
                                     bool toCompare) {
  if (!separateDiscounts_) return;
  if (toCompare && (AllSameTax || !useTaxDishType_)) return;
  // The lines of each tax class, in order of first appearance: an order has
  // a few classes, and comparing with them costs less than a key per line.
  std::vector<std::pair<tTaxString, std::vector<int32_t>>> linesByTax;
  auto linesOf = [&linesByTax](const tTaxString& tax) -> std::vector<int32_t>* {
    for (auto& group : linesByTax)
      if (group.first.PaymentMethod == tax.PaymentMethod && group.first.ItemSubject == tax.ItemSubject &&
          group.first.Text == tax.Text)
        return &group.second;
    return nullptr;
  };
  for (size_t i = 0; i < Lines.size(); ++i) {
    std::vector<int32_t>* group = linesOf(Lines[i].Tax);
    if (!group) group = &linesByTax.emplace_back(Lines[i].Tax, std::vector<int32_t>()).second;
    group->push_back(int32_t(i));
  }
  tRecordReader taxRecord(discTaxes);
  const std::string taxAmountField = AmountField(taxRecord);
  // The order-level records with the lines of their tax class, read first:
  // the shares go on the lines once it is known which of them stay there.
  std::vector<tTaxRecord> records;
  ForEachRecord(discTaxes, [&] {
    const tTaxString tax = TaxClass(taxRecord);
    if (!IsOrderLevel(taxRecord.Identifier("DishUNI"))) return;
    const std::vector<int32_t>* group = linesOf(tax);
    if (!group) return;
    records.push_back({group, taxRecord.Identifier("Discount"), IntegerText(taxRecord.Text("Discount.Code")),
                       taxRecord.Text("Discount"), taxRecord.Hundredths(taxAmountField)});
  });
  // Each record's shares of the lines of its tax class, by DiscountedSum.
  std::vector<std::vector<int64_t>> parts;
  parts.reserve(records.size());
  std::vector<int64_t> weights;
  for (const tTaxRecord& r : records) {
    weights.clear();
    for (int32_t i : *r.Group) weights.push_back(Lines[size_t(i)].DiscountedSum);
    parts.push_back(SplitSequential(r.Amount, weights));
  }
  if (!toCompare) {
    AddTaxShares(records, parts, {});
    // The shares stay on the lines; leaving their identifiers as
    // proportional would have the receipt print the same discounts again.
    for (const tTaxRecord& r : records) RemoveProportional(r.DiscountId);
    return;
  }
  if (!commonDiscWithTaxes && !ProportionalDiscs.empty()) {
    // own[k][i] and byTax[k][i]: discount k of ProportionalDiscs on line i as
    // the register would split it over all lines, and as the POS's tax
    // records give it (with what the line carried of it before).
    const size_t n = Lines.size(), ids = ProportionalDiscs.size();
    std::vector<std::vector<int64_t>> own(ids, std::vector<int64_t>(n, 0));
    std::vector<std::vector<int64_t>> byTax(ids, std::vector<int64_t>(n, 0));
    tRecordReader record(discounts);
    ForEachOwnShare(discounts, Lines, ProportionalDiscs, OrderLevelOnly, AmountField(record), record,
                    [&](size_t line, int position, int64_t part) {
                      if (position >= 0) own[size_t(position)][line] += part;
                    });
    auto position = [&](int32_t id) {
      const auto at = std::find(ProportionalDiscs.begin(), ProportionalDiscs.end(), id);
      return at == ProportionalDiscs.end() ? -1 : int(at - ProportionalDiscs.begin());
    };
    for (size_t i = 0; i < n; ++i) {
      const iDishDiscountInfo& set = *Lines[i].Discounts;
      for (int e = 0; e < set.Count(); ++e) {
        const tDishDiscInfo& entry = set.Entry(e);
        const int k = entry.IsOwn == 0 ? position(entry.DiscountId) : -1;
        if (k >= 0) byTax[size_t(k)][i] += entry.Amount;
      }
    }
    for (size_t r = 0; r < records.size(); ++r) {
      const int k = position(records[r].DiscountId);
      if (k < 0) continue;
      for (size_t g = 0; g < parts[r].size(); ++g) byTax[size_t(k)][size_t((*records[r].Group)[g])] += parts[r][g];
    }
    std::vector<int32_t> kept;
    for (size_t k = 0; k < ids; ++k) {
      bool same = true;
      for (size_t i = 0; i < n && same; ++i) same = std::llabs(byTax[k][i] - own[k][i]) < 2;
      if (same) kept.push_back(ProportionalDiscs[k]);
    }
    ProportionalDiscs = kept;
  }
  std::vector<int32_t> sorted = ProportionalDiscs;
  std::sort(sorted.begin(), sorted.end());
  // The shares of the discounts printed once for the receipt would only be
  // removed again: only the others go on the lines.
  AddTaxShares(records, parts, sorted);
  if (!sorted.empty())
    for (tFRDiscsDishInfo& line : Lines) line.Discounts->RemoveAll(sorted, 0);
}

// The records' shares on their lines, but for the discounts of `leftOut`
// (sorted); each line makes room for its shares at once.
void tDiscountInfos::AddTaxShares(const std::vector<tTaxRecord>& records,
                                  const std::vector<std::vector<int64_t>>& parts, const std::vector<int32_t>& leftOut) {
  std::unordered_map<const std::vector<int32_t>*, int> count;
  for (const tTaxRecord& r : records)
    if (!std::binary_search(leftOut.begin(), leftOut.end(), r.DiscountId)) ++count[r.Group];
  for (const auto& [group, n] : count)
    for (int32_t i : *group) Lines[size_t(i)].Discounts->Reserve(n);
  for (size_t r = 0; r < records.size(); ++r) {
    if (std::binary_search(leftOut.begin(), leftOut.end(), records[r].DiscountId)) continue;
    const std::vector<int32_t>& group = *records[r].Group;
    for (size_t g = 0; g < parts[r].size(); ++g)
      Lines[size_t(group[g])].Discounts->Add(records[r].DiscountId, records[r].Code, records[r].Name, parts[r][g], 0, 0);
  }
}

// ---- amounts paid with no money -------------------------------------------------

struct tDiscountInfos::tAmountTarget {
  tFRDiscsDishInfo* Line = nullptr;
  tModifierRec* Modifier = nullptr;  // set for a modifier target
  int64_t Room = 0;                  // what the item is paid with
  int64_t Reserve = 0;               // one kopeck per started piece
  int64_t Received = 0;
};

namespace {

struct tSlot {
  int64_t Capacity;
  size_t Target;
};

// The in-place quicksort by capacity whose order among equal capacities the
// split depends on: middle element as pivot, the left part by recursion and
// the right part by iteration.
void SortByCapacity(std::vector<tSlot>& a, int left, int right) {
  int i;
  do {
    i = left;
    int j = right;
    const int64_t pivot = a[size_t((left + right) >> 1)].Capacity;
    do {
      while (a[size_t(i)].Capacity < pivot) ++i;
      while (a[size_t(j)].Capacity > pivot) --j;
      if (i <= j) {
        std::swap(a[size_t(i)], a[size_t(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (left < j) SortByCapacity(a, left, j);
    left = i;
  } while (i < right);
}

int64_t StartedPieces(int64_t quantity) { return (quantity + 999) / 1000; }

}  // namespace

void tDiscountInfos::DistributeAmount(int64_t& amount, const std::string& name, bool withModifiers,
                                      bool separateDiscounts) {
  PendingAmount = amount;
  if (amount <= 0) return;
  std::vector<tAmountTarget> targets;
  for (tFRDiscsDishInfo& line : Lines) {
    // Lines that are not printed take nothing; nor do items without a
    // quantity, whose price could not follow a smaller sum.
    if (line.Skip) continue;
    // With separate discounts Sum is the amount before them: the item must
    // not fall below zero after them.
    int64_t room = separateDiscounts ? std::min(line.Sum + line.Discounts->Total(), line.PaySum) : line.Sum;
    // Markups that are to move to lines of their own do not stay to carry it.
    if (MarkupsLeaveLines) room -= MarkupTotal(*line.Discounts);
    if (line.Quantity > 0) targets.push_back({&line, nullptr, room, StartedPieces(line.Quantity), 0});
    if (!withModifiers) continue;
    for (tModifierRec& modifier : line.Modifiers)
      if (modifier.Quantity > 0)
        targets.push_back({nullptr, &modifier, modifier.Sum + modifier.Discounts->Total(),
                           StartedPieces(modifier.Quantity), 0});
  }
  PlaceAmount(targets, amount, true);
  if (amount > 0) PlaceAmount(targets, amount, false);
  for (const tAmountTarget& target : targets) ApplyAmount(target, name, separateDiscounts);
}

void tDiscountInfos::PlaceAmount(std::vector<tAmountTarget>& targets, int64_t& amount, bool withReserve) {
  if (targets.empty()) return;
  std::vector<tSlot> slots;
  slots.reserve(targets.size());
  int64_t total = 0;
  for (size_t i = 0; i < targets.size(); ++i) {
    const tAmountTarget& t = targets[i];
    const int64_t capacity = std::max<int64_t>(t.Room - t.Received - (withReserve ? t.Reserve : 0), 0);
    slots.push_back({capacity, i});
    total += capacity;
  }
  SortByCapacity(slots, 0, int(slots.size()) - 1);
  for (const tSlot& slot : slots) {
    int64_t part = Share(total, slot.Capacity, amount);
    part = std::max<int64_t>(std::min(part, slot.Capacity), 0);
    amount -= part;
    total -= slot.Capacity;
    targets[slot.Target].Received += part;
  }
}

void tDiscountInfos::ApplyAmount(const tAmountTarget& target, const std::string& name, bool separateDiscounts) {
  const int64_t part = target.Received;
  if (part == 0) return;
  if (target.Line) {
    tFRDiscsDishInfo& line = *target.Line;
    // The line's tax was the POS's for what the customer paid; the part
    // paid with no money takes its share of it along.
    if (line.PaySum != 0)
      for (tDishTaxInfo& slot : line.Taxes) slot.Amount -= Share(line.PaySum, part, slot.Amount);
    line.PaySum -= part;
    line.DiscountedSum -= part;
    if (separateDiscounts)
      line.Discounts->Add(0, 0, name, -part, 0, 0);
    else
      line.Sum -= part;
    RecomputePrice(line);
    return;
  }
  tModifierRec& modifier = *target.Modifier;
  if (separateDiscounts)
    modifier.Discounts->Add(0, 0, name, -part, 0, 0);
  else
    modifier.Sum -= part;
  RecomputePrice(modifier);
}
