// The sale receipt of the universal register as far as it is built: the
// order data are prepared for the receipt builders, the document itself is
// not built yet.
#include "io/printer/discounts/discount_infos.h"
#include "io/printer/fiscreg/order_preparation.h"
#include "io/printer/zefor/zefor.h"
#include "standart/format.h"

namespace {
const char kPrintFiscCheck[] = "PrintFiscCheck";
}

void TZefor::CreateDiscountInfos() {
  constexpr int kTaxSlots = 8;
  OrderState.DiscountInfos = std::make_unique<tDiscountInfos>(OrderState.TaxTypeProperty, kTaxSlots, nullptr);
  OrderState.DiscountInfos->SetPriceStep(RoundingMultiplier);
}

bool TZefor::PrintFiscCheck(TFiscDocInfo& doc, bool reverse, const std::string& toPrint) {
  Journal.Write(-1, Fmt("PrintFiscCheck(%d, %d)", int32_t(doc.Kind), int32_t(reverse ? 1 : 0)));
  Journal.Write(1, tZefJournal::OperationEntry(kPrintFiscCheck));
  PrepareReceiptData(doc, reverse);
  NotBuilt(kPrintFiscCheck, "the order data are prepared, no receipt is sent");
  LastError0Text = "Fiscal receipt printing is not built yet";
  Journal.Write(0, tZefJournal::OperationFinal(kPrintFiscCheck, tZefJournal::Bool(false)));
  return false;
}

void TZefor::PrepareReceiptData(const TFiscDocInfo& doc, bool reverse) {
  using namespace ZefOptions;
  const uint64_t options = Driver.Options;
  auto has = [options](uint64_t option) { return (options & option) != 0; };
  if (!OrderState.DiscountInfos) CreateDiscountInfos();
  OrderState.DiscountInfos->UsePayPrices = has(foCorrectPriceToPay);

  tOrderPreparation preparation(*this);
  preparation.PreparePayments(reverse);

  const tZeforParams& p = Params;
  tPrepareOrderArgs args;
  args.DiscountName = p.DiscountLineName;
  args.CommonDiscWithTaxes = has(foDiscWithTaxes);
  args.CorrectionName = p.RoundingCorrectionName;
  args.MarkupLineName = has(foAbsItemMarkup) ? std::string() : p.MarkupName;
  args.GroupClassification = p.GroupingClassificationCode;
  args.ByDepartment = has(foItemDepartments);
  args.SummaryName = p.SummaryLineName;
  args.NoAbsDiscountSum = !has(foAbsDiscountSum);
  const bool corrections = !p.RoundingCorrectionName.empty();
  args.DiscountsAllowed = (has(foAbsItemDiscount) || has(foRoundDiscountOnly) || has(foAbsDiscountSum)) &&
                          corrections &&
                          !(has(foCorrectPriceToPay) && has(foRoundDiscountOnly) && !has(foAbsDiscountSum));
  args.MarkupsAllowed = (!p.MarkupName.empty() || has(foAbsItemMarkup)) && corrections &&
                        !(has(foCorrectPriceToPay) && has(foAbsMarkupSum) && !has(foRoundDiscountOnly));
  preparation.PrepareOrder(args);
}
