#include "io/printer/name_getters.h"

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kObjectNameLimit = 42;

std::string SuffixPathOf(const std::string& objectPath, const std::string& nameSuffix) {
  return nameSuffix.empty() ? std::string() : objectPath + "." + nameSuffix;
}

// "Dish.X" as "Charge.X"; empty for other paths.
std::string ChargePath(const std::string& path) {
  static const std::string kDish = "Dish.";
  if (path.compare(0, kDish.size(), kDish) != 0) return std::string();
  return "Charge." + path.substr(kDish.size());
}

bool IsCharge(const TPDDataSet& record) { return record.GetRawValueByName("Dish").AsInt64() == 0; }

}  // namespace

bool IsEmptyName(const std::string& text) { return text.empty() || text == kByteOrderMark; }

tNameGetter::tNameGetter(const std::string& mainPath, const std::string& altPath,
                         const std::string& suffixPath, bool useAlt)
    : mainPath_(useAlt ? altPath : mainPath), suffixPath_(suffixPath), useAlt_(useAlt) {}

bool tNameGetter::IsPath() const { return mainPath_.find('.') != std::string::npos; }

bool tNameGetter::UsableText(const TPDDataSet& record, const std::string& path, std::string& text) {
  if (path.empty()) return false;
  text = record.GetFieldText(path);
  return !IsEmptyName(text);
}

std::string tNameGetter::GetName(const TPDDataSet& record) const {
  std::string text;
  if (UsableText(record, suffixPath_, text)) return text;
  return record.GetFieldText(mainPath_);
}

std::string tNameGetter::GetObjectName(const iReferentItem& object) const {
  std::string name;
  const size_t dot = suffixPath_.find('.');
  if (dot != std::string::npos) name = object.TextProperty(suffixPath_.substr(dot + 1));
  if (IsEmptyName(name)) name = useAlt_ ? object.AltName() : object.Name();
  return name.substr(0, kObjectNameLimit);
}

std::string tDishNameGetter::GetName(const TPDDataSet& record) const {
  if (!IsCharge(record)) return tNameGetter::GetName(record);
  std::string text;
  if (UsableText(record, ChargePath(suffixPath_), text)) return text;
  if (UsableText(record, suffixPath_, text)) return text;
  if (UsableText(record, ChargePath(mainPath_), text)) return text;
  return record.GetFieldText(mainPath_);
}

tNameGetterRef NewNameGetter(const std::string& objectPath, bool useAlt, const std::string& nameSuffix) {
  return std::make_shared<tNameGetter>(objectPath + ".Name", objectPath + ".AltName",
                                       SuffixPathOf(objectPath, nameSuffix), useAlt);
}

tNameGetterRef NewDishNameGetter(bool fixedNames, bool useAlt, const std::string& nameSuffix) {
  const std::string suffix = SuffixPathOf("Dish", nameSuffix);
  if (fixedNames) return std::make_shared<tDishNameGetter>("Dish.Name", "Dish.AltName", suffix, useAlt);
  return std::make_shared<tDishNameGetter>("DishName", "AltDishName", suffix, useAlt);
}

tNameGetterRef NewPortionNameGetter(bool useAlt) {
  return std::make_shared<tNameGetter>("Dish.PortionName", "Dish.AltPortion", std::string(), useAlt);
}

tNameGetterRef NewModifierNameGetter(bool useAlt, const std::string& nameSuffix) {
  return std::make_shared<tNameGetter>("ModiName", "AltName", SuffixPathOf("Modifier", nameSuffix), useAlt);
}
