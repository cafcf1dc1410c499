// A sale receipt through the real FiscDocument export on a universal
// register and the emulator: the order data reach the order preparation of
// the common register, the prepared payments and lines are read back from
// the device, and the receipt operation's journal is compared line by line.
// The steps still missing say so in the journal.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <regex>
#include <vector>

#include "entry/device_table.h"
#include "entry/exports.h"
#include "entry/pos_data_hooks.h"
#include "io/printer/discounts/discount_infos.h"
#include "io/printer/fiscreg/fisc_doc_info.h"
#include "io/printer/zefor/zefor.h"
#include "orderparser.h"
#include "orderstream.h"
#include "standart/host_params.h"
#include "standart/tasks.h"
#include "support/test_files.h"

namespace {

using test_files::FileText;
using test_files::Unstamped;

// Two dishes of 100.00 and 2 × 100.00, an order-level discount of -30.00 that
// the POS spread as -10.00 and -20.00, paid 200.00 in cash (type 1) and
// 70.00 by card (type 2).
const char kOrder[] =
    "resource PDDATA\nsource PDS version=1\n"
    "dataset Dishes\ncolumn Dish integer ref=1\ncolumn Charge integer\ncolumn DishUNI integer\n"
    "column ComboUNI integer\ncolumn IsCombo integer\ncolumn DishCode integer\ncolumn DishName string\n"
    "column AltDishName string\ncolumn Quantity frac\ncolumn DishPrice frac\ncolumn NationalSum frac\n"
    "column NationalPaySum frac\ncolumn FiscRegSum frac\ncolumn FiscRegPaySum frac\ncolumn Department integer\n"
    "row 11 0 1 0 0 101 \"Soup\" \"Soup alt\" 1 100.00 100.00 90.00 100.00 90.00 1\n"
    "row 12 0 2 0 0 102 \"Tea\" \"Tea alt\" 2 100.00 200.00 180.00 200.00 180.00 1\n"
    "dataset Discounts\ncolumn Discount integer ref=4\ncolumn DishUNI integer\ncolumn IsCharge boolean\n"
    "column NationalAmount frac\ncolumn FiscRegAmount frac\n"
    "row 7 0 false -30.00 -30.00\n"
    "dataset Payments\ncolumn Currency integer ref=52\ncolumn CurrLineCurrency integer ref=52\n"
    "column NationalSum frac\ncolumn OriginalSum frac\n"
    "row 1 1 200.00 200.00\nrow 2 2 70.00 70.00\n"
    "dataset Modifiers\ncolumn Modifier integer ref=5\ncolumn DishUNI integer\ncolumn Pieces frac\n"
    "column ModiName string\ncolumn AltName string\ncolumn Price frac\ncolumn PriceSum frac\n"
    "column ModiCnt integer\n"
    "dataset PrintChecks\ncolumn CheckNum integer\ncolumn GUIDString string\ncolumn IsLastBill integer\n"
    "column Author integer\nrow 41 \"{C0FFEE00-0000-4000-8000-000000000041}\" 1 9\n"
    "dataset Orders\ncolumn TableName string\ncolumn GuestCount integer\ncolumn MainWaiter integer ref=63\n"
    "row 5 2 9\n";

class ReceiptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = test_files::UniqueTempDir("zefor_receipt_");
    char cwd[4096] = {};
    previousDir_ = getcwd(cwd, sizeof cwd) ? cwd : "/";
    ASSERT_EQ(chdir(dir_.c_str()), 0);  // the saved input data of a failed document land here
    InitTaskServices();
    HostParams::Reset();
    BindPosDataHooks();
    DeviceTable::SetDeviceClass(TZefor::Class());
    platform::WriteWholeFile(dir_ + "emulator.cfg", "state = emu.state\ntape = emu.tape\ndocuments = emu.docs\n"
                                                    "options = foAbsItemDiscount\n");
    // The parameter service stand-in as the adapter loads it, next to the
    // test program (linked in, it would answer for the program's name).
    params_ = platform::OpenLibrary(platform::DirectoryOf(platform::OwnModulePath()) +
                                    platform::LibraryFileName("params"));
    ASSERT_NE(params_, nullptr) << platform::OwnModulePath() << ": " << platform::LastLoadError();
    loadConfig_ = reinterpret_cast<TLoadConfig>(platform::FindFunction(params_, "ParamsLoadConfig"));
    ASSERT_NE(loadConfig_, nullptr);
  }
  void TearDown() override {
    DONEDLL();
    HostParams::Reset();
    if (loadConfig_) loadConfig_(nullptr);
    if (params_) platform::CloseLibrary(params_);
    if (chdir(previousDir_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << previousDir_;
    test_files::RemoveTree(dir_);
  }

  // Device 0 on the emulator with journal level 1, parameters `extra` and
  // the currency and discount references of the order.
  void Params(const std::string& extra) {
    const std::string config =
        "[device * 0]\n0 = emulator.so\n1 = @text <Params><Emulator Config=\"" + dir_ +
        "emulator.cfg\"/></Params>\n2 = 57\n4 = " + dir_ + "zefor%d.log\n5 = 1\n" + extra +
        "\n[answers * 0]\nmessage = 2\nquestion = 3\n"
        "[ref 52]\n1.FiscRegPayType1 = 1\n1.Name = Cash\n2.FiscRegPayType1 = 2\n2.Name = Card\n"
        "[ref 4]\n7.Name = Ten percent\n7.Code = 70\n"
        "[system]\nThisServerIdent = 1\nThisStationIdent = 3\nUserRegistered = 9\n"
        "[ref 94]\n1.MainParentIdent = 10\n[ref 137]\n10 = Cafe\n10.Code = 15\n[ref 71]\n3 = Bar\n3.Code = 3\n"
        "[ref 63]\n9 = Oleg\n9.Code = 19\n";
    platform::WriteWholeFile(dir_ + "params.cfg", config);
    loadConfig_((dir_ + "params.cfg").c_str());
  }
  std::string Journal() const { return Unstamped(FileText(dir_ + "zefor1.log")); }
  // The lines of the journal that say a step is not built.
  std::vector<std::string> NotBuiltLines() const {
    std::vector<std::string> lines;
    static const std::regex line("[^\r\n]*Not built yet[^\r\n]*");
    const std::string journal = Journal();
    for (auto it = std::sregex_iterator(journal.begin(), journal.end(), line); it != std::sregex_iterator(); ++it)
      lines.push_back(it->str());
    return lines;
  }

  using TLoadConfig = void(ZEF_STDCALL*)(const char*);
  std::string dir_, previousDir_;
  platform::LibraryHandle params_ = nullptr;
  TLoadConfig loadConfig_ = nullptr;
};

// A fiscal document record over the test's own memory.
struct tReceiptRecord {
  explicit tReceiptRecord(uint8_t kind, int32_t flags, const std::string& stream) : data(stream) {
    std::memset(&info, 0, sizeof info);
    info.Size = kFiscDocInfoSize;
    info.Kind = kind;
    info.Flags = flags;
    info.Data = uint32_t(uintptr_t(data.data()));
    info.DataSize = int32_t(data.size());
  }
  std::string ErrorText() const { return std::string(reinterpret_cast<const char*>(info.ErrorText + 1), info.ErrorText[0]); }
  TFiscDocInfo info;
  std::string data;
};

std::string OrderStream() { return orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(kOrder)); }

TEST_F(ReceiptTest, FiscDocumentPrintsThePreparedOrder) {
  Params("28 = 4");  // DiscountMode 4: the order-level discount per dish, not compared
  const int32_t handle = InitDevice(0, 0);
  ASSERT_EQ(handle, 1) << Journal();
  tReceiptRecord receipt(fdFiscCheck, fdfSeparateDiscount, OrderStream());
  EXPECT_EQ(FiscDocument(handle, reinterpret_cast<uint8_t*>(&receipt.info)), 1) << receipt.ErrorText();
  EXPECT_EQ(receipt.info.CheckNum, 1);
  EXPECT_EQ(receipt.info.DocNum, 1);
  EXPECT_NE(FileText(dir_ + "emu.docs").find("<!-- accepted as document 1"), std::string::npos);
  EXPECT_FALSE(platform::FileExists(dir_ + "FRErrorInputData.log"));

  auto* device = dynamic_cast<TZefor*>(DeviceTable::Device(handle));
  ASSERT_NE(device, nullptr);
  const tOrderPreparationState& state = device->OrderState;
  // The register announces no payment type range: types 0 and 1, and the
  // card counted under the default type.
  ASSERT_EQ(state.PayTable.size(), 2u);
  EXPECT_EQ(state.PayTable[1].Amount, 27000);
  EXPECT_EQ(state.PayTable[1].OriginalSum, 27000);
  EXPECT_EQ(state.PayTable[1].CurrencyName, "Card");
  EXPECT_EQ(state.PayTable[1].CurrencyId, 2);
  EXPECT_EQ(state.PayTable[0].Amount, 0);
  EXPECT_EQ(state.TotalSum, 27000);
  EXPECT_FALSE(state.TabooPayment || state.AllNonFiscal);

  const tDiscountInfos& distribution = *state.DiscountInfos;
  ASSERT_EQ(distribution.Lines.size(), 2u);
  struct tExpected {
    const char* Name;
    int64_t Quantity, Price, Sum, PaySum, PayPrice, Discount;
  };
  const tExpected expected[] = {{"Soup", 1000, 10000, 10000, 9000, 9000, -1000},
                                {"Tea", 2000, 10000, 20000, 18000, 9000, -2000}};
  for (size_t i = 0; i < 2; ++i) {
    const tFRDiscsDishInfo& line = distribution.Lines[i];
    const tExpected& e = expected[i];
    EXPECT_EQ(line.Name, e.Name) << i;
    EXPECT_EQ(line.Quantity, e.Quantity) << i;
    EXPECT_EQ(line.Price, e.Price) << i;
    EXPECT_EQ(line.Sum, e.Sum) << i;
    EXPECT_EQ(line.PaySum, e.PaySum) << i;
    EXPECT_EQ(line.PayPrice, e.PayPrice) << i;
    ASSERT_EQ(line.Discounts->Count(), 1) << i;
    EXPECT_EQ(line.Discounts->GetDiscountId(0), 7) << i;
    EXPECT_EQ(line.Discounts->GetAmount(0), e.Discount) << i;
  }
  EXPECT_TRUE(distribution.ProportionalDiscs.empty());

  // The receipt operation's own lines (the driver calls between them are
  // journaled by the binding), with the clock masked.
  std::string journal = std::regex_replace(Journal(), std::regex("\\(\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d "),
                                           "(dd.mm hh:nn:ss ");
  journal = std::regex_replace(journal, std::regex("\\[\\d\\d\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d\\]"),
                               "[dd.mm.yy hh:nn:ss]");
  const std::string block =
      "PrintFiscCheck(1, 0)\r\n"
      ">>> PrintFiscCheck (ZEFOR-ENTRY) <<<\r\n"
      "DSN_DISHES.RecCount: 2\r\n"
      "Dish(1):  IsCombo: 0 DishName: Soup Dish.ITEMKIND:  PaymentMethod: Error!\r\n"
      "Dish(2):  IsCombo: 0 DishName: Tea Dish.ITEMKIND:  PaymentMethod: Error!\r\n"
      "Sale document (dd.mm hh:nn:ss Separate discounts, no taxes, no change, use Name\r\n"
      "Default Pay index=1\r\n"
      "Currency=1 PayTypeProperty=FiscRegPayType1 Currency Type=1 value=20000 type=1\r\n"
      "Currency=2 PayTypeProperty=FiscRegPayType1 Currency Type=2 value=7000 type=2\r\n"
      "TotalSum=27000 Separate discounts, no taxes, no change, use Name\r\n"
      "FillReceiptDiscountsByDish, ToCompareDistribution=0, length(ProportionalDiscs)=1\r\n"
      "{PrintFiscCheck} HaveDenyPay = FALSE, PrintChange = FALSE, UseAltNames = FALSE, PrintDish0Price = FALSE\r\n"
      "{PrintFiscCheck} NeedSummaryOnly = FALSE, NoPayDiscount = 0, SummaryOnly = FALSE, SeparateDiscounts = TRUE, "
      "UseTaxDishType = FALSE\r\n"
      "{PrintFiscCheck} TotalSum = 27000, PaySum[1] = 27000, Min. Tax Num. = 1, Max. Tax Num. = 1, "
      "Min. Pay Num. = 1, Max. Pay Num. = 1\r\n"
      "{PrintFiscCheck} [fdFiscCheck]: ФИСКАЛЬНЫЙ ЧЕК ПРОДАЖИ\r\n"
      "{PrintFiscCheck} [KT-1] TableName = 5\r\n"
      "{PrintFiscCheck} [KT-2] Items count = 2\r\n"
      "{PrintFiscCheck} [KT-3] blTabooFiscPrint = FALSE\r\n"
      "{PrintFiscCheck} [KT-0] blTabooFiscPrint = FALSE\r\n"
      "{PrintFiscCheck} sReceiptInfo.DocNum__Before = 0, sReceiptInfo.ReceiptNum__Before = 0\r\n"
      "{PrintFiscCheck} sReceiptInfo.DocNum__After = 1, sReceiptInfo.ReceiptNum__After = 1\r\n"
      "{PrintFiscCheck}[dd.mm.yy hh:nn:ss] [fdFiscCheck]: ФИСКАЛЬНЫЙ ЧЕК ПРОДАЖИ, Result = TRUE, "
      "blPrintDocResult = TRUE, LastStateInfo.DocNum = 1, LastStateInfo.CheckNum = 1\r\n"
      "<<< {PrintFiscCheck} (ZEFOR-FINAL) = TRUE >>>\r\n\r\n";
  const size_t at = journal.find("PrintFiscCheck(1, 0)");
  ASSERT_NE(at, std::string::npos) << journal;
  const size_t final = journal.find("<<< {PrintFiscCheck} (ZEFOR-FINAL)", at);
  ASSERT_NE(final, std::string::npos) << journal;
  EXPECT_EQ(test_files::WithoutDriverCalls(journal.substr(at, journal.find("\r\n\r\n", final) + 4 - at)), block);
}

// Tax options, the clock check and the status snapshot thread are built: a
// device with a status file starts without a "Not built yet" line.
TEST_F(ReceiptTest, NoStepIsLeftUnbuilt) {
  Params("29 = state.xml");
  ASSERT_EQ(InitDevice(0, 0), 1) << Journal();
  EXPECT_EQ(NotBuiltLines(), std::vector<std::string>());
}

TEST_F(ReceiptTest, RequiredTaxRatesStopTheDevice) {
  Params("42 = 1");
  EXPECT_EQ(InitDevice(0, 0), -1);
  EXPECT_NE(Journal().find("{GetManagerTaxesOptions} ИНДЕКС НУЛЕВОЙ Н.С. (в Станции Менеджера) = 0\r\n"),
            std::string::npos);
  EXPECT_NE(Journal().find("No active tax rates found. Zefor.dll#1 has stopped."), std::string::npos);
}

}  // namespace
