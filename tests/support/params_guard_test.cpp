// The guard itself: this program's first two tests must fail, naming the
// requests, and the third must pass (ctest checks the output, not the exit
// code: see tests/CMakeLists.txt).
#include <gtest/gtest.h>

#include "standart/host_params.h"
#include "support/params_guard.h"

namespace {

TEST(ParamsGuard, AStandInRequestThePosDoesNotAnswer) {
  uint32_t value = 0;
  std::string text;
  EXPECT_FALSE(HostParams::Get("#SYS#ThisServerIdent", 0, 0, value, text));
}

TEST(ParamsGuard, AFakeRequestThePosDoesNotAnswer) {
  const uint8_t name[] = "\x0a" "BillAlways";
  EXPECT_FALSE(params_guard::Listed(name, 0, 0));
}

TEST(ParamsGuard, ListedRequestsPass) {
  uint32_t value = 0;
  std::string text;
  HostParams::Get("*IntCallback", 0, 0, value, text);
  EXPECT_EQ(HostParams::Translate("Hello"), "Hello");
  const uint8_t name[] = "\x0a" "*Translate";
  EXPECT_TRUE(params_guard::Listed(name, 0, 0));
}

}  // namespace
