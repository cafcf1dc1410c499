#include "io/printer/zefor/host/pos_objects.h"

#include "standart/host_params.h"
#include "standart/text.h"

namespace PosObjects {

bool Property(int32_t cls, int32_t id, const std::string& path, std::string& text) {
  uint32_t value = uint32_t(id);
  text = path;
  if (HostParams::Get("*_RefProp#", 1, cls, value, text)) return true;
  text.clear();
  return false;
}

std::string PropertyText(int32_t cls, int32_t id, const std::string& path) {
  std::string text;
  Property(cls, id, path, text);
  return text;
}

std::string Name(int32_t cls, int32_t id) {
  uint32_t value = uint32_t(id);
  std::string text;
  if (!HostParams::Get("*_RefName#", 0, cls, value, text)) text.clear();
  return text;
}

int32_t IntegerOr(const std::string& text, int32_t otherwise) {
  int32_t value = 0;
  return ParseDecimal(Trim(text), value) ? value : otherwise;
}

}  // namespace PosObjects
