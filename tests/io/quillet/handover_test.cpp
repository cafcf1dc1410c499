// The hand-over of blocks between the converter library and the adapter's
// binding: every block the library makes is freed by the receiver. The
// program offers the process-wide block counter, so the library's
// allocations and the binding's frees count in one place.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "io/printer/markup/prn_cmd_convert_ext.h"
#include "io/printer/markup/quillet_binding.h"
#include "io/printer/markup/uf_xml_base_ext.h"
#include "platform/platform.h"

extern "C" __attribute__((visibility("default"))) std::atomic<int64_t>* ZefMovableBlockCounter() {
  static std::atomic<int64_t> counter{0};
  return &counter;
}

namespace {

constexpr int kConversions = 10000;
const tBarCodeDefaults kDefaults{0, 2, 100, 0};
const std::string kPrn = "\x1b" "1" "\x1b" "5" "CAFE\n" "\x1b" "4" "Espresso  2 x 150.00\n"
                         "\x1b" "Q460123456789" "\x1b" ";" "\x1b" "7" "next\n";
const char kMarkup[] = "<Unfiscal CutAfter=\"1\"><TextLine Bold=\"1\" Text=\"Итого\"/><Beep/></Unfiscal>";

TEST(QuilletHandOver, TheLibraryIsBoundFromBesideTheProgram) {
  const tQuilletBinding& binding = tQuilletBinding::Instance();
  ASSERT_TRUE(binding.Loaded());
  EXPECT_TRUE(binding.MarkupToPrnUsable());
  EXPECT_EQ(binding.VersionText(), "Quillet.DLL version 7.0.52.0") << "loaded through the module registry";
}

TEST(QuilletHandOver, TheCounterSeesABlockThatIsNotFreed) {
  const tQuilletBinding& binding = tQuilletBinding::Instance();
  int64_t before = platform::MovableBlocksLive();
  platform::MemHandle block = 0;
  int32_t size = 0;
  ASSERT_TRUE(binding.ConvertXMLToPRN(kMarkup, &block, &size));
  EXPECT_EQ(platform::MovableBlocksLive(), before + 1) << "made in the library, counted here";
  TakeBlockBytes(block, size);
  EXPECT_EQ(platform::MovableBlocksLive(), before);
}

TEST(QuilletHandOver, NoBlockIsLeftOverTenThousandConversionsEachWay) {
  int64_t before = platform::MovableBlocksLive();
  tPRNCMDConvertExt toPrn(204, 0);
  const std::string expectedPrn = toPrn.BuiltIn().ConvertMarkup(kMarkup);
  for (int i = 0; i < kConversions; ++i) {
    TUFXmlBaseExt toMarkup(2, kDefaults, i % 2 == 0);
    IXmlDocument document;
    ASSERT_TRUE(toMarkup.ConvertPrn(reinterpret_cast<const uint8_t*>(kPrn.data()), kPrn.size(), document));
    ASSERT_EQ(document->DocumentElement()->ChildCount(), 2);
    tPRNCMDConvertExt::TPath path = tPRNCMDConvertExt::pathNone;
    ASSERT_EQ(toPrn.ConvertMarkup(kMarkup, &path), expectedPrn);
    ASSERT_EQ(path, tPRNCMDConvertExt::pathLibrary);
  }
  EXPECT_EQ(platform::MovableBlocksLive(), before);
}

}  // namespace
