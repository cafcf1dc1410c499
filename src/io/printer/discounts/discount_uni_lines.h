// The lines of each DishUNI of an order, in line order. An order has a line
// or two per DishUNI and is looked up by DishUNI several times per
// document; the table and the lists keep their room from one document to
// the next, so that a document allocates nothing for them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class tLinesByUni {
 public:
  using value_type = std::pair<int32_t, std::vector<int32_t>>;
  using iterator = value_type*;

  void clear();
  bool empty() const { return used_ == 0; }
  // Room for `count` DishUNIs.
  void reserve(size_t count);
  // The list of a DishUNI, empty when new. A list stays valid until the next
  // DishUNI is added.
  std::vector<int32_t>& operator[](int32_t uni);
  iterator find(int32_t uni);
  // In the order the DishUNIs were added.
  iterator begin() { return entries_.data(); }
  iterator end() { return entries_.data() + used_; }

 private:
  static constexpr int32_t kFree = -1;
  size_t SlotOf(int32_t uni) const;
  void Rehash(size_t slots);

  std::vector<value_type> entries_;  // the first used_ are in use
  size_t used_ = 0;
  std::vector<int32_t> slots_;  // open addressing: index into entries_ or kFree; a power of two long
};
