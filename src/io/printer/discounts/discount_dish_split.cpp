// The discounts bound to a dish line, split over the receipt lines that
// share its DishUNI.
#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "io/printer/discounts/discount_infos.h"
#include "io/printer/discounts/discount_share.h"

// Each record is split by the lines' sums. Where the POS charged the lines
// of one DishUNI otherwise (their pay sums show it), that split would leave
// lines whose discounts do not come to what they are paid with, and a
// register that checks the price to pay refuses such an item; the POS's own
// split is taken then.
void tDiscountInfos::SplitDishRecords(std::vector<tDishRecord>& records) const {
  std::unordered_map<const std::vector<int32_t>*, std::vector<tDishRecord*>> byGroup;
  std::vector<int64_t> weights;
  for (tDishRecord& r : records) {
    weights.clear();
    for (int32_t i : *r.Group) weights.push_back(Lines[size_t(i)].Sum);
    r.Parts = SplitSequential(r.Amount, weights);
    if (r.Group->size() > 1) byGroup[r.Group].push_back(&r);
  }
  for (const auto& [group, list] : byGroup) FollowPosSplit(*group, list);
}

namespace {

int64_t Total(const std::vector<int64_t>& parts) {
  int64_t total = 0;
  for (int64_t part : parts) total += part;
  return total;
}

bool KeepsSign(int64_t amount, int64_t part) {
  return amount == 0 ? part == 0 : (amount < 0 ? part <= 0 : part >= 0);
}

// Parts of the records (in order), all of one sign, that add up to
// `target` on every line: every record but the last split by the target,
// the last taking what is left. False when a part would take the other
// sign than its record.
bool SplitOnto(const std::vector<tDiscountInfos::tDishRecord*>& records, const std::vector<int64_t>& target,
               std::vector<std::vector<int64_t>>& parts) {
  std::vector<int64_t> weights(target.size()), left = target;
  for (size_t k = 0; k < target.size(); ++k) weights[k] = std::llabs(target[k]);
  for (size_t j = 0; j < records.size(); ++j) {
    const int64_t a = records[j]->Amount;
    std::vector<int64_t> p = j + 1 == records.size() ? left : SplitSequential(a, weights);
    if (Total(p) != a) return false;
    for (size_t k = 0; k < p.size(); ++k) {
      if (!KeepsSign(a, p[k])) return false;
      left[k] -= p[k];
    }
    parts.push_back(std::move(p));
  }
  return true;
}

}  // namespace

// Takes the POS's split only where it is certain: the lines' pay sums less
// their sums add up to exactly the records (no order-level discount is in
// them). Each line's charge is then what the markups give it less what the
// discounts take: the markups give each line charged more at least its
// charge, and what they have beyond the charges goes to the lines by the
// size of their charges (by their sums where none is charged); the
// discounts take the rest. The markups are split over what they give and
// the discounts over what they take, the last record of each taking what
// is left, so each line comes out exact. Where that would turn a part's
// sign, the split by sums stays.
void tDiscountInfos::FollowPosSplit(const std::vector<int32_t>& group, const std::vector<tDishRecord*>& records) const {
  const size_t n = group.size();
  std::vector<int64_t> charged(n), carried(n, 0), given(n), weights(n), sums(n);
  int64_t chargedTotal = 0, amount = 0, markups = 0, atLeast = 0, weightTotal = 0;
  for (size_t k = 0; k < n; ++k) {
    const tFRDiscsDishInfo& line = Lines[size_t(group[k])];
    charged[k] = line.PaySum - line.Sum;
    if (line.Skip && charged[k] != 0) return;
    chargedTotal += charged[k];
    given[k] = std::max<int64_t>(charged[k], 0);
    atLeast += given[k];
    weights[k] = std::llabs(charged[k]);
    weightTotal += weights[k];
    sums[k] = line.Skip ? 0 : line.Sum;
  }
  std::vector<tDishRecord*> up, down;
  for (tDishRecord* r : records) {
    amount += r->Amount;
    for (size_t k = 0; k < n; ++k) carried[k] += r->Parts[k];
    if (r->Amount > 0) markups += r->Amount;
    (r->Amount > 0 ? up : down).push_back(r);
  }
  if (carried == charged || chargedTotal != amount || markups < atLeast) return;
  const std::vector<int64_t> beyond = SplitSequential(markups - atLeast, weightTotal > 0 ? weights : sums);
  if (Total(beyond) != markups - atLeast) return;
  std::vector<int64_t> taken(n);
  for (size_t k = 0; k < n; ++k) {
    given[k] += beyond[k];
    taken[k] = charged[k] - given[k];
  }
  std::vector<std::vector<int64_t>> upParts, downParts;
  if (!SplitOnto(up, given, upParts) || !SplitOnto(down, taken, downParts)) return;
  for (size_t j = 0; j < up.size(); ++j) up[j]->Parts = std::move(upParts[j]);
  for (size_t j = 0; j < down.size(); ++j) down[j]->Parts = std::move(downParts[j]);
}
