// Helpers of the discount and order preparation tests: orders written with
// the order writer and loaded through the container, a register stand-in
// over the preparation, POS reference answers, and a readable dump of the
// prepared lines.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "io/printer/discounts/discount_infos.h"
#include "io/printer/fiscreg/common_fisc_reg.h"
#include "io/printer/fiscreg/order_preparation.h"
#include "posdata/pdsource.h"

namespace discount_testing {

// Description text -> datasets stream -> container (Clear, Load, Open).
std::unique_ptr<TPDDataSource> LoadOrder(const std::string& description);
void LoadOrderInto(TPDDataSource& source, const std::string& description);
std::string ReadSample(const std::string& fileName);  // from the order writer's samples

// An order in the standard layout of the samples: the rows of each dataset
// ("row ..." lines) and the settings line's words.
struct tOrderRows {
  std::string Settings, Dishes, Discounts, DiscTaxes, Taxes, Modifiers, Payments;
};
std::string OrderText(const tOrderRows& rows);
// A "Dishes" row: amounts as decimal texts, both sum pairs alike.
std::string DishRow(int32_t dish, int32_t uni, const std::string& name, const std::string& quantity,
                    const std::string& price, const std::string& sum, const std::string& paySum,
                    int32_t department = 1, int32_t taxRate = 1, int32_t comboUni = 0, int32_t isCombo = 0,
                    int32_t charge = 0);

// The settings of a case, kept in its description as a comment line
// "# settings: Key=value ...".
struct tCaseSettings {
  tDocSettings Document;
  int32_t ComboMode = 1, ModifierMode = 0, DiscountMode = 0;
  tPrepareOrderArgs Args;
  bool UsePayPrices = false;
  int64_t PriceStep = 1;
  int TaxCount = 1;
  bool IsDeletion = false;
  int32_t MaxPayType = 4;
};
tCaseSettings ParseSettings(const std::string& description);
std::string SettingsLine(const tCaseSettings& s);

// Reference answers of the POS (the container's property hook); the
// defaults describe tax rates (kind 3), currencies (52), discounts (4).
class tReferenceAnswers {
 public:
  tReferenceAnswers();
  ~tReferenceAnswers();
  void Set(int32_t kind, int32_t id, const std::string& path, const std::string& text);
  static std::string Answer(int32_t kind, int32_t id, const std::string& path);

 private:
  std::map<std::tuple<int32_t, int32_t, std::string>, std::string> answers_;
};

// POS reference objects in memory.
class tFakeReferent : public iReferentItem {
 public:
  int32_t id = 0;
  std::string name, altName;
  std::map<std::string, int64_t> ints;
  std::map<std::string, std::string> texts;
  int32_t Id() const override { return id; }
  std::string Name() const override { return name; }
  std::string AltName() const override { return altName; }
  bool IntProperty(const std::string& n, int64_t& v) const override;
  std::string TextProperty(const std::string& n) const override;
};

class tFakeReferences : public iPosReferences {
 public:
  std::map<std::string, int64_t> hostValues;
  std::map<int32_t, std::vector<std::shared_ptr<tFakeReferent>>> objects;
  std::shared_ptr<tFakeReferent> Add(int32_t kind, int32_t id, const std::string& name);
  bool HostInteger(const std::string& name, int64_t& value) override;
  int32_t ObjectCount(int32_t kind) override;
  tReferentRef ObjectAt(int32_t kind, int32_t index) override;
  tReferentRef ObjectById(int32_t kind, int32_t id) override;
};

// A common fiscal register as the preparation sees it, outside a device
// table: the common register's operations, a payment table of MaxPayType + 1
// entries, the POS environment answered by the test, and a device log in a
// file of its own once KeepLog is called.
class tTestRegister : public tCommonFiscReg {
 public:
  explicit tTestRegister(int32_t maxPayType = 4, int taxCount = 1, iPosReferences* references = nullptr);
  ~tTestRegister() override;

  uint16_t DeviceDriverVersion() const override { return 1; }
  bool CheckFillState(const tFillRequest& request) override { return false; }
  uint32_t GetFiscRegOptions() override { return 0; }
  int32_t MaxPayType() override { return maxPayType; }
  int32_t DeviceParamIndex() override { return deviceIndex; }
  bool ReferenceKindKnown(int32_t kind) override { return kindKnown; }
  bool PosTextValue(const std::string& name, std::string& text) override;
  void CreateDiscountInfos() override;
  tDiscountInfos& Distribution() { return *OrderState.DiscountInfos; }

  // The device log goes to a file in a folder of its own (removed with the
  // register); LogLines reads it back.
  void KeepLog();
  std::vector<std::string> LogLines();
  bool LogHas(const std::string& fragment);

  tOrderPreparation preparation{*this};
  int32_t maxPayType;
  int taxCount;
  iPosReferences* references;
  int32_t deviceIndex = 0;
  bool kindKnown = true;
  std::string midServerVersion;  // empty: no POS interface

 private:
  std::string logDir_;
};

// Gives the register a case's document settings and device parameters.
void ApplySettings(tTestRegister& reg, const tCaseSettings& s);
// A fixed-point amount as decimal text: DecimalText(-1234, 2) is "-12.34".
std::string DecimalText(int64_t value, int decimals);
// A text of everything the receipt builders read, for comparisons.
std::string DumpPrepared(tTestRegister& reg);

}  // namespace discount_testing
