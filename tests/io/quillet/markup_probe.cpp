// A library that converts markup to PRN the adapter's way, so that a test
// can place it beside a converter library of its choice (the binding looks
// for the library next to the module that holds the binding).
#include <cstring>

#include "io/printer/markup/prn_cmd_convert_ext.h"

// The PRN bytes (up to `capacity`) and their count, or -1 when the markup
// raised; `path` gets the converter that was used.
ZEF_EXPORT int32_t ZEF_STDCALL ProbeConvertMarkup(const char* markup, int32_t charset, char* out, int32_t capacity,
                                                  int32_t* path) {
  try {
    tPRNCMDConvertExt::TPath used = tPRNCMDConvertExt::pathNone;
    std::string prn = tPRNCMDConvertExt(charset, 0).ConvertMarkup(markup, &used);
    *path = used;
    std::memcpy(out, prn.data(), std::min(prn.size(), size_t(capacity)));
    return int32_t(prn.size());
  } catch (...) {
    return -1;
  }
}
