#include "io/printer/discounts/discount_set.h"

#include <algorithm>

namespace {
constexpr size_t kIndexFrom = 16;
// Room made at the first entry: a line takes a few discounts and shares, so
// that the set does not grow entry by entry.
constexpr size_t kFirstRoom = 4;
}

int tDishDiscountInfo::Find(uint64_t key) const {
  if (!index_.empty()) {
    const auto it = index_.find(key);
    return it == index_.end() ? -1 : it->second;
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    const tDishDiscInfo& e = entries_[i];
    if (Key(e.DiscountId, e.IsOwn, e.IsCorrection) == key) return int(i);
  }
  return -1;
}

void tDishDiscountInfo::Reindex() {
  index_.clear();
  if (entries_.size() < kIndexFrom) return;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const tDishDiscInfo& e = entries_[i];
    index_.emplace(Key(e.DiscountId, e.IsOwn, e.IsCorrection), int(i));
  }
}

int64_t tDishDiscountInfo::Total() const {
  int64_t total = 0;
  for (const tDishDiscInfo& e : entries_) total += e.Amount;
  return total;
}

int64_t tDishDiscountInfo::SumOf(int32_t discountId, uint8_t isOwn) const {
  int64_t total = 0;
  for (const tDishDiscInfo& e : entries_)
    if (e.DiscountId == discountId && e.IsOwn == isOwn) total += e.Amount;
  return total;
}

template <class Pred>
void tDishDiscountInfo::RemoveWhere(Pred pred) {
  size_t kept = 0;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (!pred(entries_[i])) {
      if (kept != i) entries_[kept] = std::move(entries_[i]);
      ++kept;
    }
  if (kept == entries_.size()) return;
  entries_.resize(kept);
  Reindex();
}

void tDishDiscountInfo::Remove(int32_t discountId, uint8_t isOwn) {
  RemoveWhere([&](const tDishDiscInfo& e) { return e.DiscountId == discountId && e.IsOwn == isOwn; });
}

void tDishDiscountInfo::RemoveAll(const std::vector<int32_t>& sortedIds, uint8_t isOwn) {
  RemoveWhere([&](const tDishDiscInfo& e) {
    return e.IsOwn == isOwn && std::binary_search(sortedIds.begin(), sortedIds.end(), e.DiscountId);
  });
}

void tDishDiscountInfo::Delete(int i) {
  entries_.erase(entries_.begin() + i);
  Reindex();
}

int tDishDiscountInfo::Add(int32_t discountId, int32_t code, const std::string& name, int64_t amount,
                           uint8_t isOwn, uint8_t isCorrection) {
  const uint64_t key = Key(discountId, isOwn, isCorrection);
  const int found = Find(key);
  if (found >= 0) {
    entries_[size_t(found)].Amount += amount;
    return found;
  }
  if (entries_.capacity() == 0) entries_.reserve(kFirstRoom);
  entries_.push_back(tDishDiscInfo{discountId, code, name, amount, isOwn, isCorrection});
  const int index = int(entries_.size()) - 1;
  if (!index_.empty()) index_.emplace(key, index);
  else if (entries_.size() >= kIndexFrom) Reindex();
  return index;
}

void tDishDiscountInfo::CopyTo(iDishDiscountInfo& other) const {
  for (const tDishDiscInfo& e : entries_) other.Add(e.DiscountId, e.Code, e.Name, e.Amount, e.IsOwn, e.IsCorrection);
}

int64_t tDishDiscountInfo::ExtractCorrections() {
  int64_t total = 0;
  for (const tDishDiscInfo& e : entries_)
    if (e.IsCorrection) total += e.Amount;
  RemoveWhere([](const tDishDiscInfo& e) { return e.IsCorrection != 0; });
  return total;
}

int64_t MarkupTotal(const iDishDiscountInfo& set) {
  int64_t total = 0;
  for (int i = 0; i < set.Count(); ++i)
    if (set.GetAmount(i) > 0) total += set.GetAmount(i);
  return total;
}

int64_t TotalWithoutCorrections(const iDishDiscountInfo& set) {
  int64_t total = 0;
  for (int i = 0; i < set.Count(); ++i)
    if (!set.Entry(i).IsCorrection) total += set.GetAmount(i);
  return total;
}
