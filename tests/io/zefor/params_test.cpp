// The device's list of parameters: every index once, and each configured
// value reaching the field the integrators' guide says it changes.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "register_fixture.h"

namespace {

using namespace register_fixture;
using P = tZeforParams;
using O = tOrderPreparationState;

TEST(ParamList, EveryIndexFrom0To43OnceInOrderWithTheFieldOfItsKind) {
  const std::vector<tZeforParamInfo>& list = ZeforParamList();
  ASSERT_EQ(list.size(), 44u);
  std::set<std::string> names;
  for (size_t i = 0; i < list.size(); ++i) {
    const tZeforParamInfo& p = list[i];
    EXPECT_EQ(p.Index, int32_t(i));
    EXPECT_TRUE(names.insert(p.Name).second) << p.Name << " twice";
    EXPECT_FALSE(std::string(p.Meaning).empty()) << p.Index;
    int fields = (p.Text != nullptr) + (p.Integer != nullptr) + (p.Switch != nullptr) + (p.Byte != nullptr) +
                 (p.Mode != nullptr) + (p.OrderText != nullptr);
    EXPECT_EQ(fields, 1) << p.Index;
    switch (p.Kind) {
      case tZeforParamInfo::kText: EXPECT_TRUE(p.Text || p.OrderText) << p.Index; break;
      case tZeforParamInfo::kBlob: EXPECT_NE(p.Text, nullptr) << p.Index; break;
      case tZeforParamInfo::kInteger: EXPECT_NE(p.Integer, nullptr) << p.Index; break;
      case tZeforParamInfo::kSwitch: EXPECT_NE(p.Switch, nullptr) << p.Index; break;
      case tZeforParamInfo::kByte: EXPECT_TRUE(p.Byte || p.Mode) << p.Index; break;
    }
  }
}

TEST(ParamList, DefaultsAsTheGuidePrintsThem) {
  const std::vector<tZeforParamInfo>& list = ZeforParamList();
  EXPECT_EQ(list[0].DefaultText(), "\"stub.dll\"");
  EXPECT_EQ(list[1].DefaultText(), "none: the device is not created (error 3608)");
  EXPECT_EQ(list[6].DefaultText(), "1 (on)");
  EXPECT_EQ(list[12].DefaultText(), "2");
  EXPECT_EQ(list[20].DefaultText(), "0 (off)");
  EXPECT_EQ(list[29].DefaultText(), "empty");
  EXPECT_EQ(list[40].DefaultText(), "40");
}

// One configured value per parameter and the field it must reach, written
// by hand from the parameters' meanings (not from the list).
struct tCase {
  int32_t Index;
  std::string Value;
  std::function<bool(const P&, const O&)> Reached;
};

TEST_F(Register, EachConfiguredParameterReachesItsField) {
  const std::vector<tCase> cases = {
      {3, "1", [](const P& p, const O&) { return p.PayTaxTypeSet == 1; }},
      {5, "2", [](const P& p, const O&) { return p.LogLevel == 2; }},
      {6, "0", [](const P& p, const O&) { return !p.WaitForFiscalRegister; }},
      {7, "3", [](const P& p, const O&) { return p.PrintCheckTrys == 3; }},
      {8, "1", [](const P& p, const O&) { return p.ShiftAgeCheck; }},
      {9, "1", [](const P& p, const O&) { return p.ProgramSwitch9 && !p.ProgramTaxes; }},
      {10, "1", [](const P& p, const O&) { return p.ProgramTaxes && !p.ProgramDepartments; }},
      {11, "1", [](const P& p, const O&) { return p.ProgramDepartments && !p.ProgramSwitch9; }},
      {12, "1", [](const P& p, const O&) { return p.InitialTapes == 1; }},
      {13, "5", [](const P& p, const O&) { return p.BarcodeType == 5; }},
      {14, "3", [](const P& p, const O&) { return p.BarcodeWidth == 3; }},
      {15, "80", [](const P& p, const O&) { return p.BarcodeHeight == 80; }},
      {16, "2", [](const P& p, const O&) { return p.BarcodeTextPosition == 2; }},
      {17, "Kopecks", [](const P& p, const O&) { return p.RoundingCorrectionName == "Kopecks"; }},
      {18, "Food", [](const P& p, const O&) { return p.SummaryLineName == "Food"; }},
      {19, "Kitchen", [](const P& p, const O&) { return p.DefaultDepartmentName == "Kitchen"; }},
      {20, "1", [](const P& p, const O&) { return p.SaveXMLUnfiscal && !p.SaveXMLFiscal; }},
      {21, "1", [](const P& p, const O&) { return p.SaveXMLFiscal && !p.SaveXMLProgram; }},
      {22, "1", [](const P& p, const O&) { return p.SaveXMLProgram && !p.SaveXMLDisplay; }},
      {23, "1", [](const P& p, const O&) { return p.SaveXMLDisplay && !p.SaveXMLUnfiscal; }},
      {25, "Service", [](const P& p, const O&) { return p.MarkupName == "Service"; }},
      {26, "2", [](const P&, const O& o) { return o.ComboMode == 2 && o.ModifierMode == 0; }},
      {27, "3", [](const P&, const O& o) { return o.ModifierMode == 3 && o.DiscountMode == 0; }},
      {28, "4", [](const P&, const O& o) { return o.DiscountMode == 4 && o.ComboMode == 0; }},
      {30, "Weight", [](const P& p, const O&) { return p.ItemCustomPropertyNames == "Weight"; }},
      {31, "2", [](const P& p, const O&) { return p.DocumentPause == 2; }},
      {32, "Club", [](const P& p, const O&) { return p.DiscountLineName == "Club"; }},
      {33, "Short", [](const P&, const O& o) { return o.NameSuffix == "Short"; }},
      {34, "10", [](const P& p, const O&) { return p.EndDateWarningDays == 10; }},
      {35, "Saved      ", [](const P& p, const O&) { return p.SavingsLineTemplate == "Saved      "; }},
      {36, "100000", [](const P& p, const O&) { return p.TimeCheckLimit1 == 100000 && p.TimeCheckLimit2 == 0; }},
      {37, "90000", [](const P& p, const O&) { return p.TimeCheckLimit2 == 90000 && p.TimeCheckLimit1 == 0; }},
      {38, "300", [](const P& p, const O&) { return p.ClockProgrammingLimit == 300; }},
      {39, "2", [](const P& p, const O&) { return p.PriceWithoutDiscountMode == 2; }},
      {40, "32", [](const P& p, const O&) { return p.TextLineWidth == 32; }},
      {41, "77", [](const P& p, const O&) { return p.FixedOperatorId == 77; }},
      {43, "1", [](const P& p, const O&) { return p.MarkCustomFlag; }},
  };
  const std::map<int32_t, std::string> base = g_params;
  for (const tCase& c : cases) {
    g_params = base;
    g_params[c.Index] = c.Value;
    TZefor& z = Create();
    EXPECT_TRUE(c.Reached(z.Params, z.OrderState)) << "parameter " << c.Index << " = " << c.Value;
    device_.reset();
  }
}

}  // namespace
