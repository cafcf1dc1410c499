#include "posdata/pddataset.h"

#include "posdata/pderrors.h"
#include "posdata/pdhooks.h"
#include "posdata/pdtext.h"
#include "posdata/varstream.h"

namespace {

const char* const kDescSuffix = " DESC";
constexpr size_t kMaxRefNameLength = 255;

int32_t CheckedInt32(int64_t v) {
  if (v < INT32_MIN || v > INT32_MAX) throw ERangeError();
  return int32_t(v);
}

VarType TextValue(const std::string& text) {
  VarType v;
  v.SetString(text);
  return v;
}

// Splits "a.b.c" into "a" and "b.c"; no dot gives an empty rest.
void SplitFirst(const std::string& path, std::string& first, std::string& rest) {
  const size_t dot = path.find('.');
  first = path.substr(0, dot);
  rest = dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

}  // namespace

void TPDDataSet::SetName(const std::string& name) {
  name_ = name;
  if (Caption.empty()) Caption = name;
}

void TPDDataSet::SetRawRecCount(int32_t n) {
  if (n == rawRecCount_) return;
  Resize(n);
}

void TPDDataSet::NumberReferenceColumns() {
  refCols_ = 0;
  for (TPDFieldDef& def : FieldDefs)
    if (def.IsReference()) def.AliasCol = refCols_++;
}

void TPDDataSet::Resize(int32_t n) {
  if (n < 0) throw ERangeError();
  const int32_t cols = int32_t(FieldDefs.size());
  if (cols != cols_) {
    std::vector<VarType> resized(size_t(n) * size_t(cols));
    const int32_t keepRows = n < rawRecCount_ ? n : rawRecCount_;
    const int32_t keepCols = cols < cols_ ? cols : cols_;
    for (int32_t r = 0; r < keepRows; ++r)
      for (int32_t c = 0; c < keepCols; ++c)
        resized[size_t(r) * cols + c] = std::move(records_[size_t(r) * cols_ + c]);
    records_.swap(resized);
    cols_ = cols;
  } else {
    records_.resize(size_t(n) * size_t(cols));
  }
  rawRecCount_ = n;
  recCount_ = n;
  NumberReferenceColumns();
  aliasStrings_.assign(size_t(n) * size_t(refCols_), std::string());
  aliasesReady_ = false;  // the names, if any, were for the old storage
  for (size_t i = 0; i < records_.size(); ++i)
    if (records_[i].Type == vtNone) records_[i].Type = FieldDefs[i % size_t(cols_)].VarType;
}

void TPDDataSet::ReadData(TPDReadStream& payload) {
  const uint64_t cells = uint64_t(rawRecCount_) * FieldDefs.size();
  // Every cell takes at least its tag byte: a larger claim cannot be true.
  if (cells > payload.Remaining()) ThrowReadError();
  Resize(rawRecCount_);
  for (VarType& cell : records_) cell = ReadValue(payload);
  if (StreamVersion != 2) return;
  aliasesReady_ = payload.ReadByte() != 0;
  if (!aliasesReady_) return;
  for (std::string& alias : aliasStrings_) alias = ReadValue(payload).AsString();
}

std::string TPDDataSet::RefName(const TPDFieldDef& def, const VarType& cell) const {
  const TRefNameHook hook = PDHooks().RefName;
  std::string text = cell.AsString();
  if (hook == nullptr) return text;
  if (text.size() > kMaxRefNameLength) text.resize(kMaxRefNameLength);
  hook(CheckedInt32(cell.AsInt64()), def.RefColNum, text);
  return text;
}

void TPDDataSet::PrepareAliases() {
  cursor_ = 0;
  recCount_ = rawRecCount_;
  if (aliasesReady_) return;
  aliasesReady_ = true;
  for (int32_t c = 0; c < cols_; ++c) {
    const TPDFieldDef& def = FieldDefs[c];
    if (!def.IsReference() || def.AliasCol < 0 || def.AliasCol >= refCols_) continue;
    for (int32_t r = 0; r < rawRecCount_; ++r)
      aliasStrings_[size_t(r) * refCols_ + def.AliasCol] = RefName(def, Cell(r, c));
  }
}

bool TPDDataSet::StorageMatchesColumns() const {
  if (cols_ != int32_t(FieldDefs.size())) return false;
  int32_t next = 0;
  for (const TPDFieldDef& def : FieldDefs)
    if (def.IsReference() && def.AliasCol != next++) return false;
  return next == refCols_;
}

void TPDDataSet::Settle(size_t& cellBudget) {
  if (StorageMatchesColumns()) return;
  const uint64_t cells = uint64_t(rawRecCount_) * FieldDefs.size();
  if (cells > cellBudget) ThrowReadError();
  cellBudget -= size_t(cells);
  Resize(rawRecCount_);
}

bool TPDDataSet::Next() {
  if (Eof()) return true;
  ++cursor_;
  return false;
}

int32_t TPDDataSet::FieldIndex(const std::string& name) const {
  std::string key = name;
  const size_t desc = FindTextAscii(key, kDescSuffix);
  if (desc != std::string::npos) key.resize(desc);
  for (size_t i = 0; i < FieldDefs.size(); ++i)
    if (SameTextAscii(FieldDefs[i].FieldName(), key)) return int32_t(i);
  for (size_t i = 0; i < FieldDefs.size(); ++i)
    if (SameTextLocale(FieldDefs[i].Caption, key) || SameTextLocale(FieldDefs[i].UserName(), key))
      return int32_t(i);
  return -1;
}

VarType TPDDataSet::GetValue(int32_t row, int32_t column) const {
  const bool rowInRange = row >= 0 && row < rawRecCount_;
  if (rowInRange && column == -2) {
    VarType index;
    index.SetInteger(row);
    return index;
  }
  if (!rowInRange || column < 0 || column >= cols_) return TextValue(rawRecCount_ > 0 ? kErrorText : "");
  const TPDFieldDef& def = FieldDefs[column];
  if (def.IsReference()) return TextValue(AliasString(row, def.AliasCol));
  return Cell(row, column);
}

std::string TPDDataSet::GetText(int32_t row, int32_t column) const {
  const bool rowInRange = row >= 0 && row < rawRecCount_;
  if (!rowInRange || column < 0 || column >= cols_) return GetValue(row, column).AsString();
  const TPDFieldDef& def = FieldDefs[column];
  if (def.IsReference()) return AliasString(row, def.AliasCol);
  return Cell(row, column).AsString();
}

const VarType& TPDDataSet::NullCell() {
  static const VarType null;
  return null;
}

VarType TPDDataSet::GetRawValueByName(const std::string& name) const {
  const int32_t column = FieldIndex(name);
  return column < 0 ? VarType::Null() : GetRawValue(column);
}

std::string TPDDataSet::GetFieldText(const std::string& name) const {
  const int32_t column = FieldIndex(name);
  if (column >= 0) return GetText(cursor_, column);
  if (name.find('.') != std::string::npos) return GetRefProperty(name);
  return kErrorText;
}

bool TPDDataSet::NamesThisTable(const std::string& name) const {
  return SameTextLocale(name, TableName) || SameTextLocale(name, Caption);
}

std::string TPDDataSet::GetRefProperty(const std::string& path) const {
  const TRefPropHook hook = PDHooks().RefProp;
  if (hook == nullptr) return kErrorText;
  std::string field, rest;
  SplitFirst(path, field, rest);
  if (NamesThisTable(field)) SplitFirst(std::string(rest), field, rest);
  if (rest.empty()) return kErrorText;
  const int32_t column = FieldIndex(field);
  if (column < 0 || !FieldDefs[column].IsReference()) return kErrorText;
  const int32_t id = CheckedInt32(GetRawValue(column).AsInt64());
  return hook(FieldDefs[column].RefColNum, id, rest);
}

const VarType& TPDDataSet::Cell(int32_t record, int32_t column) const {
  return records_[size_t(record) * size_t(cols_) + size_t(column)];
}

const std::string& TPDDataSet::AliasString(int32_t record, int32_t aliasCol) const {
  static const std::string empty;
  if (record < 0 || record >= rawRecCount_ || aliasCol < 0 || aliasCol >= refCols_) return empty;
  return aliasStrings_[size_t(record) * size_t(refCols_) + size_t(aliasCol)];
}
