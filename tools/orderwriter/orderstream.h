// Writes an order description as the POS's datasets stream: resource header,
// component stream with the published properties in the POS's order and
// defaults left out, and the records of each dataset.
#pragma once
#include <string>

#include "orderdesc.h"

namespace orderwriter {

std::string WriteOrderStream(const OrderDesc& order);

}  // namespace orderwriter
