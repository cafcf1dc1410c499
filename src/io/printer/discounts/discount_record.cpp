#include "io/printer/discounts/discount_record.h"

#include <atomic>

#include "posdata/pderrors.h"
#include "posdata/pdhooks.h"
#include "posdata/pdtext.h"
#include "standart/text.h"

namespace {

void SplitFirst(const std::string& path, std::string& first, std::string& rest) {
  const size_t dot = path.find('.');
  first = path.substr(0, dot);
  rest = dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

}  // namespace

tFieldName::tFieldName(std::string text) : text_(std::move(text)) {
  static std::atomic<uint32_t> next{1};
  id_ = next.fetch_add(1, std::memory_order_relaxed);
}

int32_t CheckedInt32(int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) throw ERangeError();
  return int32_t(value);
}

int32_t IntegerText(const std::string& text, int32_t otherwise) {
  int64_t v = 0;
  if (!ParseDecimalAfterSpaces(text, v) || v < INT32_MIN || v > INT32_MAX) return otherwise;
  return int32_t(v);
}

template <class List>
static auto* FindName(List& list, const std::string& name) {
  for (auto& entry : list)
    if (entry.first.size() == name.size() && entry.first == name) return &entry.second;
  return static_cast<decltype(&list.front().second)>(nullptr);
}

int32_t tRecordReader::Column(const std::string& name) {
  if (const int32_t* known = FindName(columns_, name)) return *known;
  const int32_t column = dataSet_.FieldIndex(name);
  columns_.emplace_back(name, column);
  return column;
}

const VarType& tRecordReader::Raw(const std::string& name) { return dataSet_.GetRawValue(Column(name)); }

std::string tRecordReader::Text(const std::string& name) {
  const int32_t column = Column(name);
  if (column >= 0) return dataSet_.GetText(dataSet_.Cursor(), column);
  if (name.find('.') != std::string::npos) return RefProperty(name);
  return kErrorText;
}

const tRecordReader::tRefPath& tRecordReader::Path(const std::string& path) {
  if (const tRefPath* known = FindName(paths_, path)) return *known;
  tRefPath parsed;
  std::string field, rest;
  SplitFirst(path, field, rest);
  if (SameTextLocale(field, dataSet_.TableName) || SameTextLocale(field, dataSet_.Caption))
    SplitFirst(std::string(rest), field, rest);
  if (!rest.empty()) {
    const int32_t column = Column(field);
    if (column >= 0 && dataSet_.FieldDefs[size_t(column)].IsReference()) {
      parsed.Column = column;
      parsed.Property = rest;
    }
  }
  paths_.emplace_back(path, parsed);
  return paths_.back().second;
}

std::string tRecordReader::RefProperty(const std::string& path) {
  if (PDHooks().RefProp == nullptr) return kErrorText;
  return RefProperty(Path(path));
}

std::string tRecordReader::RefProperty(const tRefPath& parsed) {
  const TRefPropHook hook = PDHooks().RefProp;
  if (hook == nullptr || parsed.Column < 0) return kErrorText;
  const int32_t id = CheckedInt32(dataSet_.GetRawValue(parsed.Column).AsInt64());
  return hook(dataSet_.FieldDefs[size_t(parsed.Column)].RefColNum, id, parsed.Property);
}

int32_t tRecordReader::Identifier(const std::string& name) { return CheckedInt32(Raw(name).AsInt64()); }

const tRecordReader::tNamed& tRecordReader::FindNamed(const tFieldName& name) {
  uint8_t& slot = namedSlots_[name.Id() % kNamedSlots];
  size_t i = 0;
  while (i < named_.size() && named_[i].Id != name.Id()) ++i;
  if (i == named_.size()) {
    tNamed n{name.Id(), Column(name.Text()), nullptr};
    if (n.Column < 0 && name.Text().find('.') != std::string::npos) n.Path = &Path(name.Text());
    named_.push_back(n);
  }
  if (i < UINT8_MAX) slot = uint8_t(i + 1);
  return named_[i];
}

std::string tRecordReader::Text(const tFieldName& name) {
  const tNamed& n = Named(name);
  if (n.Column >= 0) return dataSet_.GetText(dataSet_.Cursor(), n.Column);
  if (n.Path) return RefProperty(*n.Path);
  return kErrorText;
}
