// The discount distribution object of a fiscal register: turns the dish,
// discount, tax and modifier datasets of an order into receipt lines that
// a register accepts (quantity × price equal to each line's sum, discounts
// attached to lines to the kopeck, remaining kopecks booked as corrections).
//
// One object per register. Each document starts with Init; the steps then
// run in the order the order preparation gives (order_preparation.h), and
// the receipt builders read Lines, the lines' discount sets and
// ProportionalDiscs until the next Init. Everything is integer or exact
// decimal arithmetic. Failures travel as exceptions: the conversion and
// range errors of the POS values, "MulNum: Int64 overflow" and
// "Division by zero".
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "io/printer/discounts/discount_lines.h"
#include "io/printer/discounts/discount_record.h"
#include "io/printer/discounts/discount_references.h"
#include "io/printer/discounts/discount_uni_lines.h"
#include "io/printer/discounts/name_getter.h"
#include "posdata/pddataset.h"

class tDiscountInfos {
 public:
  // taxProperty: the register's property of a tax that holds its fiscal tax
  // code; taxCount: tax slots per line; references may be nullptr.
  tDiscountInfos(const std::string& taxProperty, int taxCount, iPosReferences* references);
  virtual ~tDiscountInfos() = default;

  // ---- per document -------------------------------------------------------
  void Init(int32_t deviceIndex, int32_t lineCount, bool separateDiscounts, bool useTaxDishType,
            tNameGetterRef dishNameGetter, bool orderDocument);
  void SetPortionNameGetter(tNameGetterRef getter) { portionNameGetter_ = std::move(getter); }
  // taxes may be nullptr; comboMode 1, 2 or 3; groupClassification 0 for none.
  void LoadDishes(TPDDataSet& dishes, TPDDataSet* taxes, int32_t comboMode, int32_t groupClassification);
  void MarkZeroLines(bool printDish0Price);
  void MergeSameUni(bool mergeAll);
  void LoadDiscounts(TPDDataSet& discounts, const IGetNameIntf& discountNameGetter);
  void DistributeByDish(TPDDataSet& discounts, bool toCompare, const std::string& name);
  void DistributeByTax(TPDDataSet& discounts, TPDDataSet& discTaxes, bool commonDiscWithTaxes,
                       bool toCompare);
  // Folds an amount paid with no money into the lines; amount becomes what
  // could not be placed.
  void DistributeAmount(int64_t& amount, const std::string& name, bool withModifiers,
                        bool separateDiscounts);
  void GroupLines(int32_t comboMode, bool byTax, bool byDepartment, bool allInOne, bool byClassification,
                  const std::string& name);
  void LoadModifiers(TPDDataSet& modifiers, int32_t comboMode, int32_t modifierMode,
                     const IGetNameIntf& modifierNameGetter);
  void MarkupsToLines(const std::string& name);
  bool NeedsQuantityOne(bool discountsAllowed, bool markupsAllowed);
  // A line or modifier printed below zero, alone or with its discount
  // entries: no register prints it, while the POS's pay sums (discounts in
  // the prices) never are. It happens where our split of a discount over
  // lines sharing a DishUNI differs from the POS's and the shares by tax
  // class follow, or where a correction takes a line that its paid modifiers
  // emptied below zero.
  bool AnyItemBelowZero() const;
  void FinalCorrection(bool discountsAllowed, bool markupsAllowed, const std::string& name);
  int64_t ExtractAllCorrections();
  // The POS's tax of a line is for what the POS says the line is paid
  // with; where the distribution left the line less than that (its split
  // of a discount differs from the POS's), the tax shrinks in proportion,
  // so that no item carries more tax than its amount.
  void FitTaxesToAmounts();

  // ---- line arithmetic ----------------------------------------------------
  void RecomputePrice(tFRDiscsDishInfo& line) const;
  void RecomputePrice(tModifierRec& modifier) const;
  int64_t Discrepancy(const tFRDiscsDishInfo& line) const;
  int64_t Discrepancy(const tModifierRec& modifier) const;
  // Whether a rest of d cannot be booked as a correction.
  virtual bool IsBadCorrection(bool discountsAllowed, bool markupsAllowed, int64_t d) const;
  void Merge(tFRDiscsDishInfo& target, tFRDiscsDishInfo& source) const;
  tTaxString TaxClass(tRecordReader& record);

  // ---- settings and results -----------------------------------------------
  void SetPriceStep(int64_t step) { priceStep_ = step > 0 ? step : 1; }
  int64_t PriceStep() const { return priceStep_; }
  int TaxCount() const { return taxCount_; }
  int32_t DepartClassification() const { return departClassification_; }
  const std::vector<uint8_t>& DepartIndices() const { return departIndices_; }

  std::vector<tFRDiscsDishInfo> Lines;
  std::vector<int32_t> ProportionalDiscs;
  std::string LastDiscountName;
  int32_t LastDiscountCode = 0;
  bool AllSameTax = true;
  bool HasDuplicateUni = false;
  bool HasDishDiscounts = false;
  bool OrderLevelOnly = false;
  bool UsePayPrices = false;
  // Set per document when MarkupsToLines will run: DistributeAmount then
  // leaves the markups of a line out of what the line can take.
  bool MarkupsLeaveLines = false;
  int64_t PendingAmount = 0;

  bool SeparateDiscounts() const { return separateDiscounts_; }
  bool UseTaxDishType() const { return useTaxDishType_; }

  // A record of "Discounts" bound to a dish line, with its parts per line
  // of its DishUNI (in the order of Group).
  struct tDishRecord {
    const std::vector<int32_t>* Group;
    int32_t DiscountId, Code;
    std::string Name;
    int64_t Amount;
    std::vector<int64_t> Parts;
  };

 private:
  struct tDishColumns;
  struct tModifierSource;
  struct tAmountTarget;
  struct tTaxRecord;

  void LoadDepartments();
  void LoadDish(tRecordReader& record, const tDishColumns& c, int32_t index, int32_t groupClassification);
  void AttachLineTaxes(tFRDiscsDishInfo& line, tRecordReader& record);
  void LinkSameUni(int32_t index);
  void SplitSharedUniTaxes();
  void SplitSharedTax(const std::vector<int32_t>& group, int32_t taxId);
  std::string DepartmentName(int32_t department, tRecordReader& record);
  int32_t LookupEnumCode(int32_t table, int64_t value);
  void SplitDishRecords(std::vector<tDishRecord>& records) const;
  void FollowPosSplit(const std::vector<int32_t>& group, const std::vector<tDishRecord*>& records) const;
  void AddProportional(int32_t discountId);
  void RemoveProportional(int32_t discountId);
  bool IsOrderLevel(int32_t dishUni) const { return dishUni == 0 || OrderLevelOnly; }
  std::string AmountField(tRecordReader& record);
  void MoveTaxSlots(tFRDiscsDishInfo& target, tFRDiscsDishInfo& source) const;
  void QuantityOne(tFRDiscsDishInfo& line) const;
  void QuantityOne(tModifierRec& modifier) const;
  template <class Item>
  int64_t RaisedDiscrepancy(Item& item, int64_t c, bool discountsAllowed, bool markupsAllowed);
  template <class Item>
  void CorrectItem(Item& item, int64_t& c, bool discountsAllowed, bool markupsAllowed, const std::string& name);
  int32_t AppendGroupLine(const tFRDiscsDishInfo& source, const tFRDiscsDishInfo* lastCombo, bool folding,
                          bool byClassification, const std::string& name);
  void AddTaxShares(const std::vector<tTaxRecord>& records, const std::vector<std::vector<int64_t>>& parts,
                    const std::vector<int32_t>& leftOut);
  void PlaceAmount(std::vector<tAmountTarget>& targets, int64_t& amount, bool withReserve);
  static int64_t ModifierSum(const tModifierSource& record, int32_t modifierMode, int64_t paySum, int64_t sum);
  void ApplyAmount(const tAmountTarget& target, const std::string& name, bool separateDiscounts);

  // Creation settings.
  std::string taxProperty_;
  int taxCount_;
  std::vector<tFieldName> taxClassPaths_;  // "TaxRate%d.%s" per slot
  // Per tax slot k: the field "TaxRate" + k and its reference paths to the
  // tax, the fiscal code and the rate.
  struct tSlotPaths {
    tFieldName Field, Tax, Code, Rate;
  };
  std::vector<tSlotPaths> slotPaths_;
  iPosReferences* references_;
  int32_t departClassification_ = 0;
  std::vector<uint8_t> departIndices_;
  int64_t priceStep_ = 1;

  // Document settings.
  int32_t deviceIndex_ = 0;
  bool separateDiscounts_ = false;
  bool useTaxDishType_ = false;
  bool orderDocument_ = false;
  tNameGetterRef dishNameGetter_;
  tNameGetterRef portionNameGetter_;

  // The previous document's discount sets that nothing else holds, emptied
  // for the lines of the next one instead of made anew.
  std::vector<tDiscountSetRef> spareSets_;
  tDiscountSetRef EmptySet();

  // Look-ups of the current document.
  tLinesByUni linesByUni_;
  std::map<int32_t, std::string> departNames_;
  std::map<std::pair<int32_t, int64_t>, int32_t> enumCodes_;
  // What the POS answers for a tax, per slot and tax object: lines share a
  // few taxes, so each is asked once per document.
  struct tTaxAnswers {
    bool HasClass = false, HasSlot = false;
    std::string ClassText;
    int32_t TaxId = 0, FiscalTaxCode = -1, Rate = 0;
  };
  // By slot, the answers per tax object, searched in order (an order has a
  // few taxes); a pointer that TaxAnswers gives holds until its next call.
  std::vector<std::vector<std::pair<int64_t, tTaxAnswers>>> taxAnswers_;
  tTaxAnswers* TaxAnswers(tRecordReader& record, size_t slot);
};
