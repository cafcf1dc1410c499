#include "io/printer/zefor/day/zef_taxes.h"

namespace ZefTaxes {

bool EffectiveRate(int64_t rate, bool percentFromTotal, int64_t& value) {
  if (!percentFromTotal) {
    value = rate;
    return true;
  }
  const int64_t rest = 10000 - rate;
  if (rest <= 0) return false;
  value = (10000 * rate + rest / 2) / rest;
  return true;
}

namespace {

void VisitRates(const PosHost::tObject& tax, bool percentFromTotal, const std::string& taxName,
                const std::string& indexProperty, int32_t minIndex, int32_t maxIndex,
                const std::function<void(const tRate&)>& visit) {
  for (int32_t c = 0; c < tax.ChildCount(); ++c) {
    PosHost::tObject child = tax.Child(c);
    if (!child || child.ClassNum() != kTaxRateClass) continue;
    tRate rate;
    int64_t gross = 0;
    if (!child.IntProp(indexProperty, rate.Index) || !child.Int64Prop("TaxRate", gross)) continue;
    if (rate.Index < minIndex || rate.Index > maxIndex) continue;
    if (!EffectiveRate(gross, percentFromTotal, rate.Value)) continue;
    rate.StatusKnown = child.IntProp("Status", rate.Status);
    rate.TaxName = taxName;
    rate.RateName = child.Name(kRateNameSize);
    visit(rate);
  }
}

}  // namespace

void ForEachRate(const PosHost::tHost& host, const std::string& indexProperty, int32_t minIndex,
                 int32_t maxIndex, const std::function<void(const tRate&)>& visit) {
  const int32_t count = host.ObjectCount(kTaxClass);
  for (int32_t i = 0; i < count; ++i) {
    const int32_t ident = host.ObjectIdent(kTaxClass, i);
    if (host.ObjectIntProp(ident, "Status") != kActive) continue;
    PosHost::tObject tax = host.ObjectAs(ident, PosHost::kTaxObject);
    int32_t percentFromTotal = 0;
    if (!tax || !tax.IntProp("PercentFromTotal", percentFromTotal)) continue;
    VisitRates(tax, percentFromTotal != 0, tax.Name(kTaxNameSize), indexProperty, minIndex, maxIndex, visit);
  }
}

}  // namespace ZefTaxes
