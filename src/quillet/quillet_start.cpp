// Library start: the export trace code is of no interest in the converter's log.
#include "standart/nolvex_api.h"

namespace {

constexpr int32_t kTraceCode = 51;

struct tLibraryStart {
  tLibraryStart() { IgnoreError(kTraceCode); }
};

tLibraryStart g_start;

}  // namespace
