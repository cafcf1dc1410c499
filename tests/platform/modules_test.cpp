// Loading a library by path, as the adapter loads a driver from its own
// folder: its functions by name, the module it is, and its end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "platform/platform.h"

using namespace platform;

namespace {

using TwiceAndOne = int (*)(int);
using Calls = int (*)();

std::string ProbePath() { return DirectoryOf(OwnModulePath()) + LibraryFileName("platform_probe"); }

std::string Folded(std::string path) {  // Windows file names ignore case and separator kind
#ifdef _WIN32
  std::replace(path.begin(), path.end(), '/', '\\');
  std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return char(std::tolower(c)); });
#endif
  return path;
}

TEST(PlatformModules, ALibraryLoadsByPathAndItsFunctionsAreFoundByName) {
  const std::string path = ProbePath();
  ASSERT_TRUE(FileExists(path)) << path;
  EXPECT_EQ(FindLoadedLibrary(LibraryFileName("platform_probe")), nullptr) << "not loaded yet";
  LibraryHandle library = OpenLibrary(path);
  ASSERT_NE(library, nullptr) << LastLoadError();
  auto twice = reinterpret_cast<TwiceAndOne>(FindFunction(library, "ZefProbeTwiceAndOne"));
  auto calls = reinterpret_cast<Calls>(FindFunction(library, "ZefProbeCalls"));
  ASSERT_NE(twice, nullptr);
  ASSERT_NE(calls, nullptr);
  EXPECT_EQ(twice(20), 41);
  EXPECT_EQ(calls(), 1);
  EXPECT_EQ(FindFunction(library, "ZefProbeMissing"), nullptr);
  EXPECT_EQ(FindFunction(nullptr, "ZefProbeCalls"), nullptr);

  EXPECT_EQ(FindLoadedLibrary(LibraryFileName("platform_probe")), library) << "found by its file name";
  LibraryHandle again = OpenLibrary(path);
  EXPECT_EQ(again, library) << "a second load gives the same module";
  EXPECT_EQ(reinterpret_cast<Calls>(FindFunction(again, "ZefProbeCalls"))(), 1) << "and the same state";
  CloseLibrary(again);

  const std::string modulePath = ModulePathOf(reinterpret_cast<const void*>(twice));
  EXPECT_EQ(Folded(modulePath), Folded(path));
  EXPECT_NE(ModuleInstanceOf(reinterpret_cast<const void*>(twice)), 0u);
  EXPECT_NE(ModuleInstanceOf(reinterpret_cast<const void*>(twice)),
            ModuleInstanceOf(reinterpret_cast<const void*>(&OwnModulePath)));
  EXPECT_EQ(FileNameOf(modulePath), LibraryFileName("platform_probe"));

  CloseLibrary(library);
  EXPECT_EQ(FindLoadedLibrary(LibraryFileName("platform_probe")), nullptr)
      << "unloaded with its last close; finding it took no reference";
}

TEST(PlatformModules, AMissingLibrarySaysWhy) {
  const std::string path = DirectoryOf(OwnModulePath()) + LibraryFileName("platform_missing_probe");
  SetLastOSError(0);
  EXPECT_EQ(OpenLibrary(path), nullptr);
  EXPECT_EQ(LastOSError(), 126u) << "the module could not be found";
  EXPECT_FALSE(LastLoadError().empty());
  EXPECT_EQ(FindLoadedLibrary(LibraryFileName("platform_missing_probe")), nullptr);
}

TEST(PlatformModules, TheProgramKnowsItsOwnPath) {
  const std::string own = OwnModulePath();
  EXPECT_TRUE(FileExists(own)) << own;
  EXPECT_EQ(Folded(ModulePathOf(reinterpret_cast<const void*>(&ProbePath))), Folded(own));
  EXPECT_EQ(ModuleInstanceOf(reinterpret_cast<const void*>(&ProbePath)),
            ModuleInstanceOf(reinterpret_cast<const void*>(&OwnModulePath)));
}

}  // namespace
