#include "io/printer/zefor/driver/zef_options.h"

namespace ZefOptions {

bool Find(const std::string& name, uint64_t& mask) {
  for (const tOptionRow& row : kOptionTable)
    if (name == row.Name) {
      mask = RowMask(row);
      return true;
    }
  return false;
}

uint32_t PosFlags(uint64_t options) {
  uint32_t flags = 0;
  for (const tOptionRow& row : kOptionTable)
    if (options & RowMask(row)) flags |= row.PosFlag;
  return flags;
}

std::string Names(uint64_t options) {
  std::string names;
  for (const tOptionRow& row : kOptionTable)
    if (options & RowMask(row)) names += (names.empty() ? "" : ", ") + std::string(row.Name);
  return names;
}

}  // namespace ZefOptions
