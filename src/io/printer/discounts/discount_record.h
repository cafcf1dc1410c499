// Field access to the current record of one POS dataset with the column
// lookups done once: the distribution reads the same fields of every
// record, and the dataset's own lookup compares names column by column.
#pragma once
#include <cstdint>
#include <string>
#include <deque>
#include <utility>
#include <vector>

#include "posdata/pddataset.h"

// A field name or reference path read for every record of a walk: the
// reader keeps what it found for it under its identity.
class tFieldName {
 public:
  explicit tFieldName(std::string text);
  const std::string& Text() const { return text_; }
  bool Empty() const { return text_.empty(); }
  uint32_t Id() const { return id_; }

 private:
  std::string text_;
  uint32_t id_;
};

class tRecordReader {
 public:
  explicit tRecordReader(const TPDDataSet& dataSet) : dataSet_(dataSet) {}

  const TPDDataSet& DataSet() const { return dataSet_; }
  int32_t Column(const std::string& name);
  bool Has(const std::string& name) { return Column(name) >= 0; }

  // The stored cell, the null value for an unknown name.
  const VarType& Raw(const std::string& name);
  // The displayed text (reference names for reference columns; reference
  // paths through the POS), as the dataset's GetFieldText gives it.
  std::string Text(const std::string& name);
  // A reference path ("Dish.Name") as the dataset's GetRefProperty reads it.
  std::string RefProperty(const std::string& path);
  // The same for names kept by their identity.
  const VarType& Raw(const tFieldName& name) { return dataSet_.GetRawValue(Named(name).Column); }
  bool Has(const tFieldName& name) { return Named(name).Column >= 0; }
  std::string Text(const tFieldName& name);
  // An identifier: a non-integer text raises the conversion error, a value
  // beyond 32 bits a range error.
  int32_t Identifier(const std::string& name);
  int64_t Hundredths(const std::string& name) { return AsHundredths(Raw(name)); }
  int64_t Thousandths(const std::string& name) { return AsThousandths(Raw(name)); }

 private:
  // A reference path taken apart once: the reference column and the
  // property path asked of the POS; Column -1 when the path reads nothing.
  struct tRefPath {
    int32_t Column = -1;
    std::string Property;
  };
  const tRefPath& Path(const std::string& path);
  struct tNamed {
    uint32_t Id;
    int32_t Column;
    const tRefPath* Path;  // for a name with a "." that is no column
  };
  const tNamed& Named(const tFieldName& name) {
    const uint8_t slot = namedSlots_[name.Id() % kNamedSlots];
    if (slot != 0 && named_[slot - 1u].Id == name.Id()) return named_[slot - 1u];
    return FindNamed(name);
  }
  const tNamed& FindNamed(const tFieldName& name);
  std::string RefProperty(const tRefPath& parsed);

  const TPDDataSet& dataSet_;
  // A walk reads a few dozen names: a list searched in order beats hashing.
  std::vector<std::pair<std::string, int32_t>> columns_;
  std::deque<std::pair<std::string, tRefPath>> paths_;  // a deque: tNamed keeps pointers into it
  std::vector<tNamed> named_;
  // Per the low bits of a name's identity, 1 + the index in named_ of the
  // name looked up last with those bits (0: none): every cell of a walk
  // is read through a name, so the search is mostly skipped.
  static constexpr uint32_t kNamedSlots = 32;
  uint8_t namedSlots_[kNamedSlots] = {};
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
