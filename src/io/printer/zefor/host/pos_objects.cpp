#include "io/printer/zefor/host/pos_objects.h"

#include <cstdlib>
#include <limits>

#include "standart/host_params.h"

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
  size_t begin = text.find_first_not_of(" \t");
  size_t end = text.find_last_not_of(" \t");
  if (begin == std::string::npos) return otherwise;
  std::string digits = text.substr(begin, end - begin + 1);
  size_t i = digits[0] == '-' || digits[0] == '+' ? 1 : 0;
  if (i == digits.size() || digits.size() - i > 10) return otherwise;
  for (size_t k = i; k < digits.size(); ++k)
    if (digits[k] < '0' || digits[k] > '9') return otherwise;
  long long value = std::strtoll(digits.c_str(), nullptr, 10);
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) return otherwise;
  return int32_t(value);
}

}  // namespace PosObjects
