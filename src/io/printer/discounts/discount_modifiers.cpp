// Modifiers under their dishes; paid modifiers take their amounts out of the
// dish line, so that the line and its modifiers still add up to it.
#include "io/printer/discounts/discount_infos.h"
#include "io/printer/discounts/discount_record.h"
#include "io/printer/discounts/discount_share.h"

// One record of "Modifiers" as read once for all lines.
struct tDiscountInfos::tModifierSource {
  int64_t DishUNI = 0;
  int64_t Id = 0;
  int64_t ModiCnt = 0;
  int32_t Code = 0;
  int64_t Pieces = 0;  // thousandths of a piece: the POS counts tenths
  int64_t Price = 0;
  int64_t PriceSum = 0;
  std::string Name;
};

int64_t tDiscountInfos::ModifierSum(const tModifierSource& record, int32_t modifierMode, int64_t paySum, int64_t sum) {
  int64_t value = record.PriceSum;
  if (value == 0) value = record.Pieces % 1000 == 0 ? LineAmount(record.Pieces, record.Price) : 0;
  // Mode 5 prices modifiers in the ratio of what was paid for the dish; a
  // modifier without pieces has no unit price to scale.
  if (modifierMode == 5 && paySum != sum && value > 0 && record.Pieces > 0) {
    const int64_t unit = ShareByQuantity(record.Pieces, 1000, value);
    int64_t scaled = Share(sum, paySum, unit);
    if (scaled == 0) scaled = 1;
    value = LineAmount(record.Pieces, scaled);
  }
  return value;
}

void tDiscountInfos::LoadModifiers(TPDDataSet& modifiers, int32_t comboMode, int32_t modifierMode,
                                   const IGetNameIntf& nameGetter) {
  // Lines gathered into order-level ones carry no modifiers.
  if (OrderLevelOnly || modifierMode == 0) return;
  std::vector<tModifierSource> sources;
  std::unordered_map<int64_t, std::vector<size_t>> byUni;
  tRecordReader record(modifiers);
  ForEachRecord(modifiers, [&] {
    tModifierSource s;
    s.DishUNI = record.Raw("DishUNI").AsInt64();
    s.Id = record.Raw("Modifier").AsInt64();
    s.ModiCnt = record.Raw("ModiCnt").AsInt64();
    s.Code = IntegerText(record.Text("Modifier.Code"));
    s.Pieces = record.Thousandths("Pieces") / 10;
    s.Price = record.Hundredths("Price");
    s.PriceSum = record.Hundredths("PriceSum");
    s.Name = nameGetter.GetName(record);
    byUni[s.DishUNI].push_back(sources.size());
    sources.push_back(std::move(s));
  });
  const bool paidMode = modifierMode == 2 || modifierMode == 4 || modifierMode == 5;
  for (tFRDiscsDishInfo& line : Lines) {
    // The modifiers of an order line go under its first printed line only;
    // a namesake line would print them, and take their amounts, again.
    std::vector<size_t> mine;
    const auto found = byUni.find(line.DishUNI);
    if (found != byUni.end() && !line.Skip && !line.IsCombo) mine.swap(found->second);
    // Only the line's modifiers take it.
    const std::string prefix =
        mine.empty() ? std::string() : (comboMode == 2 ? std::string() : line.NamePrefix) + "  ";
    int64_t cap = std::min(line.Sum, line.Sum + line.Discounts->Total());
    // Markups that are to move to lines of their own do not stay to carry
    // the modifiers.
    if (MarkupsLeaveLines) cap -= MarkupTotal(*line.Discounts);
    // Where the register prints pay prices the line's pay amount must stay
    // whole too (an order-level discount printed once is not in its set).
    if (UsePayPrices) cap = std::min(cap, line.PaySum);
    const int64_t sumBefore = line.Sum, paySumBefore = line.PaySum;
    bool paid = false;
    int64_t taken = 0;
    if (!line.IsCombo && paidMode) {
      for (size_t k : mine) {
        const int64_t value = ModifierSum(sources[k], modifierMode, line.PaySum, line.Sum);
        if (value > 0) taken += value;
      }
      if (taken > cap) taken = 0;
      if (taken != 0) {
        line.Sum -= taken;
        line.PaySum -= taken;
        RecomputePrice(line);
      }
      paid = taken > 0 || line.Quantity == 0;
    }
    if (line.IsCombo) continue;
    for (size_t k : mine) {
      const tModifierSource& s = sources[k];
      tModifierRec modifier;
      modifier.Quantity = s.Pieces;
      std::string suffix;
      if (paid) {
        // Only what was taken off the line may be printed on its modifiers.
        int64_t sum = taken > 0 ? ModifierSum(s, modifierMode, paySumBefore, sumBefore) : 0;
        if (sum < 0) sum = 0;
        if (sum > 0 && modifier.Quantity > 0) {
          modifier.Price = ShareByQuantity(modifier.Quantity, 1000, sum);
          if (LineAmount(modifier.Quantity, modifier.Price) != sum) {
            suffix = "*" + QuantityText(modifier.Quantity);
            modifier.Price = sum;
            modifier.Quantity = 1000;
            sum = LineAmount(1000, modifier.Price);
          }
        } else if (modifier.Quantity == 0 && line.Quantity == 0) {
          modifier.Price = s.Price;
          if (line.Price > modifier.Price) line.Price -= modifier.Price;
          else modifier.Price = 0;
        }
        modifier.Sum = sum;
      }
      modifier.Id = CheckedInt32(s.Id);
      modifier.Name = prefix + s.Name + suffix;
      modifier.ModiCnt = CheckedInt32(s.ModiCnt);
      modifier.Code = s.Code;
      modifier.Discounts = tDishDiscountInfo::New();
      line.Modifiers.push_back(std::move(modifier));
    }
  }
}
