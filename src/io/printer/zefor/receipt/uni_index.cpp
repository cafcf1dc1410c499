#include "io/printer/zefor/receipt/uni_index.h"

#include <algorithm>

#include "posdata/pddataset.h"

void tUniIndex::Build(const TPDDataSet& set, int32_t column, int32_t records, bool positiveOnly) {
  if (built_) return;
  const int32_t stored = std::min(records, set.RawRecCount());
  std::vector<std::pair<int64_t, int32_t>> entries;
  entries.reserve(size_t(std::max(records, 0)));
  for (int32_t r = 0; r < records; ++r) {
    const int64_t uni = column >= 0 && r < stored ? set.Cell(r, column).AsInt64() : 0;
    if (positiveOnly && uni <= 0) continue;
    entries.emplace_back(uni, r);
  }
  std::sort(entries.begin(), entries.end());
  keys_.resize(entries.size());
  records_.resize(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    keys_[i] = entries[i].first;
    records_[i] = entries[i].second;
  }
  // Only now: a cell that is no integer raises on every try, as the
  // reading of the records did.
  built_ = true;
}

std::pair<const int32_t*, const int32_t*> tUniIndex::Records(int64_t uni) const {
  const auto range = std::equal_range(keys_.begin(), keys_.end(), uni);
  const int32_t* base = records_.data();
  return {base + (range.first - keys_.begin()), base + (range.second - keys_.begin())};
}
