#include "posdata/pdlocale.h"

TPDFormatSettings& PDFormatSettings() {
  static TPDFormatSettings settings;
  return settings;
}
