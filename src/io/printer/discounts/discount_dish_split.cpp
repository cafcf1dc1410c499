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

bool KeepsSign(int64_t amount, int64_t part) {
  return amount == 0 ? part == 0 : (amount < 0 ? part <= 0 : part >= 0);
}

// Parts of the records (in order) that add up to `target` on every line:
// every record but the last split by `weights` (when given, else its parts
// stay), the last taking what is left. False when a part would take the
// other sign than its record.
bool SplitOnto(const std::vector<tDiscountInfos::tDishRecord*>& records, std::vector<int64_t> left,
               const std::vector<int64_t>* weights, std::vector<std::vector<int64_t>>& parts) {
  for (size_t j = 0; j < records.size(); ++j) {
    const int64_t a = records[j]->Amount;
    std::vector<int64_t> p =
        j + 1 == records.size() ? left : (weights ? SplitSequential(a, *weights) : records[j]->Parts);
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
// them). The discounts are split over the lines charged less and the
// markups over those charged more, each by the charges; where discounts and
// markups do not come out separately, every record but the last is split by
// the size of the charges, or else keeps its split by sums. The last record of a kind takes what is left, so each line
// comes out exact. A part never takes the other sign than its record, or
// the split by sums stays.
void tDiscountInfos::FollowPosSplit(const std::vector<int32_t>& group, const std::vector<tDishRecord*>& records) const {
  const size_t n = group.size();
  std::vector<int64_t> charged(n), carried(n, 0), above(n, 0), below(n, 0), weightsAbove(n), weightsBelow(n);
  int64_t chargedTotal = 0, amount = 0, markups = 0, aboveTotal = 0;
  for (size_t k = 0; k < n; ++k) {
    const tFRDiscsDishInfo& line = Lines[size_t(group[k])];
    charged[k] = line.PaySum - line.Sum;
    if (line.Skip && charged[k] != 0) return;
    chargedTotal += charged[k];
    above[k] = std::max<int64_t>(charged[k], 0);
    below[k] = std::min<int64_t>(charged[k], 0);
    weightsAbove[k] = above[k];
    weightsBelow[k] = -below[k];
    aboveTotal += above[k];
  }
  std::vector<tDishRecord*> up, down, all;
  for (tDishRecord* r : records) {
    amount += r->Amount;
    for (size_t k = 0; k < n; ++k) carried[k] += r->Parts[k];
    if (r->Amount > 0) markups += r->Amount;
    (r->Amount > 0 ? up : down).push_back(r);
  }
  if (carried == charged || chargedTotal != amount) return;
  std::vector<std::vector<int64_t>> upParts, downParts, parts;
  if (markups == aboveTotal && SplitOnto(up, above, &weightsAbove, upParts) &&
      SplitOnto(down, below, &weightsBelow, downParts)) {
    for (size_t j = 0; j < up.size(); ++j) up[j]->Parts = std::move(upParts[j]);
    for (size_t j = 0; j < down.size(); ++j) down[j]->Parts = std::move(downParts[j]);
    return;
  }
  all.assign(records.begin(), records.end());
  std::vector<int64_t> weights(n);
  for (size_t k = 0; k < n; ++k) weights[k] = std::llabs(charged[k]);
  if (!SplitOnto(all, charged, &weights, parts)) {
    parts.clear();
    if (!SplitOnto(all, charged, nullptr, parts)) return;
  }
  for (size_t j = 0; j < all.size(); ++j) all[j]->Parts = std::move(parts[j]);
}
