// The properties every prepared order must have, read from the prepared
// state and the loaded order data: each printed item's quantity × price is
// its sum, the receipt adds up to what was paid in money, nothing printed
// falls below zero.
#pragma once
#include <string>
#include <vector>

#include "discount_testing.h"

namespace discount_testing {

struct tRunResult {
  tCaseSettings Settings;
  int64_t NoPayBefore = 0;  // NoPayDiscount as the payments left it
  std::string Error;        // the failure of the preparation, if any
};

// Prepares the order on the register; failures are caught.
tRunResult RunCase(tTestRegister& reg, const std::string& description);
// The violated properties; empty when all hold.
std::vector<std::string> CheckPrepared(tTestRegister& reg, const tRunResult& run);

}  // namespace discount_testing
