// The records of a POS dataset by their DishUNI cell. The item builders
// look up each line's voids, modifiers and discounts; going through every
// record for every line made a receipt's cost grow with the square of its
// size, so each dataset is indexed once per document instead.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

class TPDDataSet;

class tUniIndex {
 public:
  // Indexes the first `records` records by the integer value of column
  // `column` (a missing column or cell reads as 0, as the cursor reads
  // it); records whose value is 0 or below are left out when
  // `positiveOnly`. Done once; later calls return at once. A cell that
  // holds no integer raises, and the index stays unbuilt.
  void Build(const TPDDataSet& set, int32_t column, int32_t records, bool positiveOnly);
  bool Built() const { return built_; }
  // The records whose value is `uni`, in record order: [first, last).
  std::pair<const int32_t*, const int32_t*> Records(int64_t uni) const;

 private:
  bool built_ = false;
  std::vector<int64_t> keys_;     // sorted
  std::vector<int32_t> records_;  // beside keys_; ascending within one key
};
