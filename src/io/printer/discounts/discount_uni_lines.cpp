#include "io/printer/discounts/discount_uni_lines.h"

#include <algorithm>

namespace {
constexpr size_t kMinSlots = 16;
}

void tLinesByUni::clear() {
  for (size_t i = 0; i < used_; ++i) entries_[i].second.clear();
  used_ = 0;
  std::fill(slots_.begin(), slots_.end(), kFree);
}

void tLinesByUni::reserve(size_t count) {
  if (count * 2 > slots_.size()) Rehash(count * 2);
}

// The slot that holds `uni`, or the free slot where it goes.
size_t tLinesByUni::SlotOf(int32_t uni) const {
  const size_t mask = slots_.size() - 1;
  size_t slot = size_t(uint32_t(uni) * 2654435761u) & mask;
  while (slots_[slot] != kFree && entries_[size_t(slots_[slot])].first != uni) slot = (slot + 1) & mask;
  return slot;
}

void tLinesByUni::Rehash(size_t slots) {
  size_t size = kMinSlots;
  while (size < slots) size *= 2;
  slots_.assign(size, kFree);
  for (size_t i = 0; i < used_; ++i) slots_[SlotOf(entries_[i].first)] = int32_t(i);
}

std::vector<int32_t>& tLinesByUni::operator[](int32_t uni) {
  if ((used_ + 1) * 2 > slots_.size()) Rehash((used_ + 1) * 2);
  const size_t slot = SlotOf(uni);
  if (slots_[slot] != kFree) return entries_[size_t(slots_[slot])].second;
  if (used_ == entries_.size()) entries_.emplace_back();
  value_type& entry = entries_[used_];
  entry.first = uni;
  slots_[slot] = int32_t(used_++);
  return entry.second;
}

tLinesByUni::iterator tLinesByUni::find(int32_t uni) {
  if (used_ == 0) return end();
  const size_t slot = SlotOf(uni);
  return slots_[slot] == kFree ? end() : &entries_[size_t(slots_[slot])];
}
