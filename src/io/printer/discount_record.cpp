#include "io/printer/discount_record.h"

#include "posdata/pderrors.h"

int32_t CheckedInt32(int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) throw ERangeError();
  return int32_t(value);
}

int32_t IntegerText(const std::string& text, int32_t otherwise) {
  int64_t v = 0;
  if (!TryStrToInt64(text, v) || v < INT32_MIN || v > INT32_MAX) return otherwise;
  return int32_t(v);
}

int32_t tRecordReader::Column(const std::string& name) {
  const auto it = columns_.find(name);
  if (it != columns_.end()) return it->second;
  const int32_t column = dataSet_.FieldIndex(name);
  columns_.emplace(name, column);
  return column;
}

VarType tRecordReader::Raw(const std::string& name) { return dataSet_.GetRawValue(Column(name)); }

std::string tRecordReader::Text(const std::string& name) {
  const int32_t column = Column(name);
  if (column >= 0) return dataSet_.GetValue(dataSet_.Cursor(), column).AsString();
  return dataSet_.GetFieldText(name);
}

int32_t tRecordReader::Identifier(const std::string& name) { return CheckedInt32(Raw(name).AsInt64()); }
