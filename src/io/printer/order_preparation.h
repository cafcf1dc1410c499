// The preparation of a receipt's order data by a fiscal register: the
// payments summed per fiscal payment type, the amounts paid with currencies
// that are really discounts, the name getters, and the distribution steps
// (discount_infos.h) run in the order the register's settings ask for.
//
// How a register plugs in: the register (tCommonFiscReg and its kinds)
// implements iOrderRegister. It owns one tOrderPreparationState (created
// with it; CreateDiscountInfos once the payment table is sized), its
// effective document settings as a tOrderSettings (Voided included, in the
// order of the fiscal document call) and its POS data container. The
// register operations of iOrderRegister carry the common register's
// behaviour; a register kind overrides them (the universal register:
// DeviceParamIndex, MinPayType, MaxPayType, DefaultPayType, IsChangePayType,
// FixedNames). The log operations go to the register's device log
// (AddLogLine, LogAtLevel), ReferenceKindKnown to the parameter service's
// "*_RefProp#" and PosTextValue to the POS callback interface. Per receipt
// the register then runs, on a tOrderPreparation over itself:
// PreparePayments, then PrepareOrder, and the receipt builders read the
// state. SetNameProperties runs once at creation.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "io/printer/discount_infos.h"
#include "io/printer/name_getters.h"
#include "posdata/pdsource.h"

// The document settings, one byte each, in the order of the fiscal
// document call.
struct tOrderSettings {
  uint8_t PrintChange = 0;
  uint8_t UseTaxDishType = 0;
  uint8_t SummaryOnly = 0;
  uint8_t SeparateDiscounts = 0;
  uint8_t PrintDish0Price = 0;
  uint8_t UseAltNames = 0;
  uint8_t OrderDocument = 0;
  uint8_t Voided = 0;
};
static_assert(sizeof(tOrderSettings) == 8, "eight one-byte settings");

// One entry of the payment table, indexed by fiscal payment type.
struct tPayTableEntry {
  int64_t Amount = 0;       // hundredths
  int64_t OriginalSum = 0;  // hundredths, in the payment's currency
  uint8_t IsChange = 0;
  std::string CurrencyName;
  int32_t CurrencyId = 0;
};

// The register fields that the preparation fills and reads.
struct tOrderPreparationState {
  int32_t ComboMode = 1;     // device parameter 26
  int32_t ModifierMode = 0;  // device parameter 27
  int32_t DiscountMode = 0;  // device parameter 28
  std::string PayTypeProperty;
  std::string TaxTypeProperty;
  std::string NameSuffix;
  std::vector<tPayTableEntry> PayTable;  // sized by the register
  int64_t TotalSum = 0;
  int64_t NoPayDiscount = 0;
  std::string NoPayDiscountName;
  bool AllNonFiscal = false;
  bool TabooPayment = false;
  bool OpenBox = false;
  std::unique_ptr<tDiscountInfos> DiscountInfos;
};

// What the preparation needs from its register.
class iOrderRegister {
 public:
  virtual ~iOrderRegister() = default;

  virtual tOrderSettings& OrderSettings() = 0;
  virtual tOrderPreparationState& OrderState() = 0;
  virtual TPDDataSource& OrderData() = 0;
  // A line of the device log, and one at a journal level.
  virtual void OrderLog(const std::string& text) = 0;
  virtual void OrderLogAtLevel(int level, const std::string& text) = 0;

  // Register operations; the defaults are the common register's.
  virtual int32_t DeviceParamIndex() { return 0; }
  virtual int32_t MinPayType() { return 1; }
  virtual int32_t MaxPayType() { return 1; }
  virtual int32_t DefaultPayType() { return MinPayType(); }
  virtual bool IsChangePayType(int32_t type) { return OrderSettings().PrintChange && type == DefaultPayType(); }
  virtual bool FixedNames() { return false; }
  virtual bool DistributionWanted();

  // Whether the POS knows reference kind `kind` ("*_RefProp#", mode 0).
  virtual bool ReferenceKindKnown(int32_t kind);
  // A text value of the POS ("#SYS#MidServVersion"); false without the POS
  // interface.
  virtual bool PosTextValue(const std::string& name, std::string& text) { return false; }
};

// The arguments of PrepareOrder, as the sale receipt passes them.
struct tPrepareOrderArgs {
  std::string DiscountName;
  bool CommonDiscWithTaxes = false;
  std::string CorrectionName;
  std::string MarkupLineName;  // empty when the device prints item markups
  int32_t GroupClassification = 0;
  bool ByDepartment = false;
  std::string SummaryName;
  bool NoAbsDiscountSum = false;
  bool MarkupsAllowed = true;
  bool DiscountsAllowed = true;
};

// Kinds of payment that are no fiscal payment (negative payment types).
constexpr int32_t kPayForbidsReceipt = -1;
constexpr int32_t kPayIsDiscount = -2;
constexpr int32_t kPayNonFiscal = -3;
constexpr int32_t kCurrencyReferenceKind = 52;

class tOrderPreparation {
 public:
  explicit tOrderPreparation(iOrderRegister& reg) : reg_(reg) {}

  // The fiscal payment type of the current payment record; negative for the
  // kinds above.
  int32_t PaymentType(TPDDataSet& record, const std::string& currencyField, bool checkUnfiscal);
  void PreparePayments(bool isDeletion);
  // Fills the distribution object; prepares once more without separate
  // discounts when a line's rest could not be booked with them.
  void PrepareOrder(const tPrepareOrderArgs& args);
  void PrepareOrder(const std::string& discountName, bool commonDiscWithTaxes, const std::string& correctionName,
                    const std::string& markupLineName, int32_t groupClassification, bool byDepartment,
                    const std::string& summaryName, bool noAbsDiscountSum, bool markupsAllowed,
                    bool discountsAllowed);
  // Chooses PayTypeProperty and TaxTypeProperty from device parameter 3
  // (haveValue false when it could not be read).
  void SetNameProperties(bool haveValue, int64_t value);
  // Creates the distribution object with the register's tax property.
  void CreateDiscountInfos(int taxCount, iPosReferences* references);

  tNameGetterRef NewNameGetter(const std::string& objectPath);
  tNameGetterRef DishNameGetter();
  tNameGetterRef PortionNameGetter();
  tNameGetterRef ModifierNameGetter();

 private:
  bool PrepareOnce(const tPrepareOrderArgs& args);
  void DistributeOrderDiscounts(const tPrepareOrderArgs& args, TPDDataSet& discounts);
  void DistributeSummary(const tPrepareOrderArgs& args, TPDDataSet& discounts);
  void DistributeNoPayAmount(const tPrepareOrderArgs& args, bool withModifiers);
  void BookPayment(TPDDataSet& payments, int64_t sum, int32_t type, int32_t changeType, bool isDeletion);
  void ClearPayTable();
  std::string SettingsText() const;
  tDiscountInfos& Distribution();

  iOrderRegister& reg_;
};

// -1, 0 or 1 as version a is earlier than, equal to or later than b
// ("7.0.4.1" is earlier than "7.0.30.0").
int CompareVersion(std::string a, std::string b);
