// The preparation of a receipt's order data by a fiscal register: the
// payments summed per fiscal payment type, the amounts paid with currencies
// that are really discounts, the name getters, and the distribution steps
// (discount_infos.h) run in the order the register's settings ask for.
//
// The register is the common fiscal register itself: its slots 50 to 57
// (the payment type range, DeviceParamIndex, IsChangePayType, FixedNames,
// DistributionWanted) decide, its effective document settings and its
// OrderState record are read and filled, its POS data container holds the
// datasets and its device log takes the lines. Per receipt the register
// runs PreparePayments, then PrepareOrder, and the receipt builders read
// OrderState. SetNameProperties runs once at creation.
#pragma once
#include <cstdint>
#include <string>

#include "io/printer/discounts/name_getter.h"

class tCommonFiscReg;
class tDiscountInfos;

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
  explicit tOrderPreparation(tCommonFiscReg& reg) : reg_(reg) {}

  // The fiscal payment type of the current payment record; negative for the
  // kinds above.
  int32_t PaymentType(TPDDataSet& record, const std::string& currencyField, bool checkUnfiscal);
  void PreparePayments(bool isDeletion);
  // Fills the distribution object; prepares once more without separate
  // discounts when a line's rest could not be booked with them.
  void PrepareOrder(const tPrepareOrderArgs& args);
  // Chooses PayTypeProperty and TaxTypeProperty from device parameter 3
  // (haveValue false when it could not be read).
  void SetNameProperties(bool haveValue, int64_t value);
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

  tCommonFiscReg& reg_;
};

// -1, 0 or 1 as version a is earlier than, equal to or later than b
// ("7.0.4.1" is earlier than "7.0.30.0").
int CompareVersion(std::string a, std::string b);
