// What the universal register gives the order preparation of its receipts:
// the distribution object with its tax slots and price step.
#include "io/printer/discounts/discount_infos.h"
#include "io/printer/zefor/zefor.h"

void TZefor::CreateDiscountInfos() {
  constexpr int kTaxSlots = 8;
  OrderState.DiscountInfos = std::make_unique<tDiscountInfos>(OrderState.TaxTypeProperty, kTaxSlots, nullptr);
  OrderState.DiscountInfos->SetPriceStep(roundingMultiplier_);
}

