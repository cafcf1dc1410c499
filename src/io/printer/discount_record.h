// Field access to the current record of one POS dataset with the column
// lookups done once: the distribution reads the same fields of every
// record, and the dataset's own lookup compares names column by column.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>

#include "posdata/pddataset.h"

class tRecordReader {
 public:
  explicit tRecordReader(const TPDDataSet& dataSet) : dataSet_(dataSet) {}

  const TPDDataSet& DataSet() const { return dataSet_; }
  int32_t Column(const std::string& name);
  bool Has(const std::string& name) { return Column(name) >= 0; }

  // The stored cell, the null value for an unknown name.
  VarType Raw(const std::string& name);
  // The displayed text (reference names for reference columns; reference
  // paths through the POS), as the dataset's GetFieldText gives it.
  std::string Text(const std::string& name);
  // An identifier: a non-integer text raises the conversion error, a value
  // beyond 32 bits a range error.
  int32_t Identifier(const std::string& name);
  int64_t Hundredths(const std::string& name) { return AsHundredths(Raw(name)); }
  int64_t Thousandths(const std::string& name) { return AsThousandths(Raw(name)); }

 private:
  const TPDDataSet& dataSet_;
  std::unordered_map<std::string, int32_t> columns_;
};

// A 32-bit value or a range error.
int32_t CheckedInt32(int64_t value);
// The integer of a reference text; `otherwise` for a text that is no 32-bit
// integer (such texts never fail).
int32_t IntegerText(const std::string& text, int32_t otherwise = 0);
// The dataset walk of the POS data: first record, then Next until it answers
// true; nothing for an empty dataset.
template <class F>
void ForEachRecord(TPDDataSet& dataSet, F&& visit) {
  if (dataSet.RecCount() <= 0) return;
  dataSet.First();
  do {
    visit();
  } while (!dataSet.Next());
}
