#include "entry/pos_data_hooks.h"

#include "posdata/pdhooks.h"
#include "standart/host_params.h"

namespace {

void RefName(int32_t id, int32_t refColNum, std::string& text) {
  uint32_t value = uint32_t(id);
  if (!HostParams::Get("*_RefName#", 0, refColNum, value, text)) text.clear();
}

std::string RefProp(int32_t refColNum, int32_t id, const std::string& path) {
  uint32_t value = uint32_t(id);
  std::string text = path;
  return HostParams::Get("*_RefProp#", 1, refColNum, value, text) ? text : std::string();
}

bool TranslateText(const std::string& text, std::string& result) {
  uint32_t value = 0;
  result = text;
  return HostParams::Get("*Translate", 0, 0, value, result);
}

}  // namespace

void BindPosDataHooks() {
  TPDHooks hooks;
  hooks.RefName = RefName;
  hooks.RefProp = RefProp;
  hooks.Translate = TranslateText;
  SetPDHooks(hooks);
}
