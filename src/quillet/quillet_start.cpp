// Library start: the export trace code is of no interest in the converter's log.
#include "standart/errors.h"
#include "standart/nolvex_api.h"

namespace {

struct tLibraryStart {
  tLibraryStart() { IgnoreError(kTraceCode); }
};

tLibraryStart g_start;

}  // namespace
