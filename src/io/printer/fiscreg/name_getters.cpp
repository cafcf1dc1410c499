#include "io/printer/fiscreg/name_getters.h"

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kObjectNameLimit = 42;

std::string SuffixPathOf(const std::string& objectPath, const std::string& nameSuffix) {
  return nameSuffix.empty() ? std::string() : objectPath + "." + nameSuffix;
}

bool IsCharge(tRecordReader& record) {
  static const tFieldName kDish("Dish");
  return record.Raw(kDish).AsInt64() == 0;
}

}  // namespace

bool IsEmptyName(const std::string& text) { return text.empty() || text == kByteOrderMark; }

// "Dish.X" as "Charge.X"; empty for other paths.
std::string tDishNameGetter::ChargePath(const std::string& path) {
  static const std::string kDish = "Dish.";
  if (path.compare(0, kDish.size(), kDish) != 0) return std::string();
  return "Charge." + path.substr(kDish.size());
}

tNameGetter::tNameGetter(const std::string& mainPath, const std::string& altPath,
                         const std::string& suffixPath, bool useAlt)
    : mainPath_(useAlt ? altPath : mainPath), suffixPath_(suffixPath), useAlt_(useAlt) {}

bool tNameGetter::IsPath() const { return mainPath_.Text().find('.') != std::string::npos; }

bool tNameGetter::UsableText(tRecordReader& record, const tFieldName& path, std::string& text) {
  if (path.Empty()) return false;
  text = record.Text(path);
  return !IsEmptyName(text);
}

std::string tNameGetter::GetName(tRecordReader& record) const {
  std::string text;
  if (UsableText(record, suffixPath_, text)) return text;
  return record.Text(mainPath_);
}

std::string tNameGetter::GetObjectName(const iReferentItem& object) const {
  std::string name;
  const size_t dot = suffixPath_.Text().find('.');
  if (dot != std::string::npos) name = object.TextProperty(suffixPath_.Text().substr(dot + 1));
  if (IsEmptyName(name)) name = useAlt_ ? object.AltName() : object.Name();
  return name.substr(0, kObjectNameLimit);
}

std::string tDishNameGetter::GetName(tRecordReader& record) const {
  if (!IsCharge(record)) return tNameGetter::GetName(record);
  std::string text;
  if (UsableText(record, chargeSuffixPath_, text)) return text;
  if (UsableText(record, suffixPath_, text)) return text;
  if (UsableText(record, chargeMainPath_, text)) return text;
  return record.Text(mainPath_);
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
