// The universal register object itself on a parameter service of the test's
// own and the emulator: parameter defaults, rounding multiplier, readiness,
// counters and the pause between documents.
#include <gtest/gtest.h>

#include "register_fixture.h"

namespace {

using namespace register_fixture;

// Parameter 3 unset and no POS interface: the first property set; the
// register announces no payment type range, so the table holds types 0
// and 1.
TEST_F(Register, UnsetPayTaxTypeSetTakesTheFirstNameProperties) {
  TZefor& z = Create();
  ASSERT_TRUE(z.IsInitialized());
  EXPECT_EQ(z.DeviceParamIndex(), 57);
  EXPECT_EQ(z.OrderState.PayTypeProperty, "FiscRegPayType1");
  EXPECT_EQ(z.OrderState.TaxTypeProperty, "FiscRegTaxType1");
  EXPECT_EQ(z.OrderState.PayTable.size(), 2u);
}

TEST_F(Register, PayTaxTypeSetChoosesTheNameProperties) {
  g_params[3] = "1";
  TZefor& z = Create();
  EXPECT_EQ(z.OrderState.PayTypeProperty, "FiscRegPayType2");
  EXPECT_EQ(z.OrderState.TaxTypeProperty, "FiscRegTaxType2");
}

TEST_F(Register, OutOfRangeModesAndTheRoundingMultiplier) {
  g_params[12] = "7";
  g_params[16] = "9";
  const std::pair<const char*, int32_t> cases[] = {{"0.1", 10}, {"0", 1}, {"none", 1}, {"0.5", 50}};
  for (auto [rounding, expected] : cases) {
    Emulator(std::string("rounding = ") + rounding);
    TZefor& z = Create();
    EXPECT_EQ(z.Params.InitialTapes, 0);
    EXPECT_EQ(z.Params.BarcodeTextPosition, 0);
    EXPECT_EQ(z.RoundingMultiplier(), expected) << rounding;
    EXPECT_EQ(z.OrderState.DiscountInfos->PriceStep(), expected) << "the price step of the distribution";
  }
}

TEST_F(Register, ReadinessAndCountersFromTheStatus) {
  platform::WriteWholeFile(dir_ + "emu.state", "serial = 1\nshift_open = 1\nshift_opened = 2020-01-01T00:00:00\n"
                                               "last_shift = 41\ndoc = 100\nreceipt = 50\nsales = 777\nunsent = 3\n");
  TZefor& z = Create();
  bool flag = false;
  EXPECT_TRUE(z.IsReadyFR(9, flag));
  EXPECT_TRUE(flag) << "programming with an open shift";
  flag = false;
  EXPECT_FALSE(z.IsReadyFR(12, flag)) << "the drawer with a shift over 24 hours";
  EXPECT_EQ(z.LastError0Text, "Shift exceeded 24 hours");
  tFillRequest request;
  request.DocNum = request.CheckNum = request.SaledValue = true;
  EXPECT_TRUE(z.CheckFillState(request));
  EXPECT_EQ(z.LastStateInfo.DocNum, 100);
  EXPECT_EQ(z.LastStateInfo.CheckNum, 50);
  EXPECT_EQ(z.LastStateInfo.FiscShift, 42);
  EXPECT_TRUE(z.LastStateInfo.ShiftOpened);
  EXPECT_EQ(z.LastStateInfo.SaledValue, 777);
  EXPECT_EQ(z.LastStateInfo.OFDUnsentCount, 3);
  Emulator("fault = ZefGetStatus 101");
  EXPECT_FALSE(z.CheckFillState(request));
  EXPECT_FALSE(z.IsReadyFR(12, flag));
  EXPECT_TRUE(z.IsConnectionError());
  EXPECT_FALSE(z.IsInitError());
  EXPECT_TRUE(z.CreateResult(0, "x"));
  EXPECT_FALSE(z.CreateResult(5, "x"));
  EXPECT_TRUE(z.IsInitError());
  EXPECT_STREQ(TZefor::ContextName(12), "cx__ZefOpenDrawer");
  EXPECT_STREQ(TZefor::ContextName(13), "cx__Unknown");
}

TEST_F(Register, PauseBetweenDocuments) {
  g_params[31] = "1";
  TZefor& z = Create();
  LogLevel.store(1);
  z.PauseBetweenDocuments();  // no document yet: no wait
  uint32_t start = platform::TickCount();
  z.DocumentSent();
  z.PauseBetweenDocuments();
  EXPECT_GE(platform::TickCount() - start, 900u) << "the rest of the second is waited";
  z.Journal.Flush();
  std::string journal;
  platform::ReadWholeFile(dir_ + "zefor21.log", journal);
  EXPECT_EQ(journal.find(" msec"), journal.rfind(" msec")) << "one wait only";
  EXPECT_NE(journal.find(" msec\r\n"), std::string::npos);
  EXPECT_NE(journal.find("Waiting done\r\n"), std::string::npos);
  LogLevel.store(0);
}

}  // namespace
