#include "support/params_guard.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "params/params_listing.h"
#include "platform/abi.h"
#include "platform/platform.h"

namespace params_guard {

namespace {

std::mutex g_lock;
std::string g_noted;  // unlisted requests of the fakes, one a line

using TTakeUnlisted = int32_t(ZEF_STDCALL*)(char* buffer, int32_t size);

// What the stand-in recorded, when it is loaded.
std::string TakeFromStandIn() {
  auto library = platform::FindLoadedLibrary(platform::LibraryFileName("params"));
  auto take = library ? reinterpret_cast<TTakeUnlisted>(platform::FindFunction(library, "ParamsTakeUnlisted"))
                      : nullptr;
  if (!take) return std::string();
  std::vector<char> buffer(64 * 1024, 0);
  take(buffer.data(), int32_t(buffer.size()));
  return buffer.data();
}

std::string TakeAll() {
  std::string requests = TakeFromStandIn();
  std::lock_guard<std::mutex> lock(g_lock);
  requests += g_noted;
  g_noted.clear();
  return requests;
}

void FailOn(const std::string& requests, const char* when) {
  if (!requests.empty())
    ADD_FAILURE() << "requests the POS's parameter service does not answer, " << when << ":\n" << requests;
}

class tAfterEachTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    FailOn(TakeAll(), "made before this test (a suite's set-up or tear-down, or threads left running)");
  }
  void OnTestEnd(const ::testing::TestInfo&) override { FailOn(TakeAll(), "made by this test"); }
};

class tAfterAllTests : public ::testing::Environment {
  void TearDown() override { FailOn(TakeAll(), "made after the last test"); }
};

// Installed before main: the result printer is already there, so this
// listener's test end comes first and its failures are printed with the test.
[[maybe_unused]] const bool g_installed = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new tAfterEachTest);
  ::testing::AddGlobalTestEnvironment(new tAfterAllTests);
  return true;
}();

}  // namespace

bool Listed(const uint8_t* name, int32_t number, int32_t index) {
  const std::string text = name ? std::string(reinterpret_cast<const char*>(name + 1), name[0]) : std::string();
  // The fakes serve the adapter's code linked into the test program, which
  // names the module that the platform layer's own path finds.
  const auto isModule = [](const std::string& module) {
    return module == platform::FileNameOf(platform::OwnModulePath()) ||
           platform::FindLoadedLibrary(module) != nullptr;
  };
  if (ParamsListing::Listed(text, number, index, isModule)) return true;
  std::lock_guard<std::mutex> lock(g_lock);
  g_noted += ParamsListing::RequestText(text, number, index) + " from a fake of the test\n";
  return false;
}

}  // namespace params_guard
