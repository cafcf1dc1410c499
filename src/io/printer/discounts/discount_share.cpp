#include "io/printer/discounts/discount_share.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "posdata/numeric.h"
#include "posdata/pdlocale.h"

// The quick way of a share is a few dozen instructions where a call costs
// a good part of that; the splits take thousands of shares.
#if defined(__GNUC__)
#define ZEF_SHARE_INLINE inline __attribute__((always_inline))
#else
#define ZEF_SHARE_INLINE inline
#endif

namespace {

constexpr uint8_t kMoneyScale = 2;

ZEF_SHARE_INLINE uint64_t Magnitude(int64_t v) { return v < 0 ? 0 - static_cast<uint64_t>(v) : uint64_t(v); }

// A magnitude at the product's scale rounded half up to the amount's scale
// (scale decimals fewer), with the sign; the divisions by the usual scales
// are by constants.
ZEF_SHARE_INLINE int64_t ToAmountScale(uint64_t m, int scale, bool negative) {
  uint64_t q;
  if (scale == 2) q = (m + 50) / 100;
  else if (scale == 3) q = (m + 500) / 1000;
  else q = (m + uint64_t(kPow10[scale]) / 2) / uint64_t(kPow10[scale]);
  return negative ? -int64_t(q) : int64_t(q);
}
constexpr uint8_t kQuantityScale = 3;

// amount (at amountScale) × weight / total (both at weightScale), rounded to
// the amount's scale through the product's scale, step by step in TNumeric.
int64_t NumericShare(int64_t total, int64_t weight, int64_t amount, uint8_t weightScale, uint8_t amountScale) {
  if (amount == 0 || weight == 0) return 0;
  if (weight == total) return amount;
  const uint8_t productScale = uint8_t(weightScale + amountScale);
  // The amount's digits taken at the product's scale, times the weight as an
  // integer: the exact product at that scale.
  TNumeric x{amount, productScale, nrHalfAwayFromZero};
  x.Mul(TNumeric{weight, 0, nrHalfAwayFromZero});
  x.Div(TNumeric{total, weightScale, nrHalfAwayFromZero});
  x.SetScale(amountScale);
  return x.Value;
}

// The division of the share rounds twice: the quotient is taken with k
// decimals more than the product's scale, then rounded to that scale. The
// same result with one division: x = product × 10^weightScale / total at
// the product's scale is Q + R / total; the first rounding carries the
// fraction R / total up to a half exactly when 2R × 10^k ≥ total × (10^k − 1),
// and the second rounds up from there; `result` is the share at the
// amount's scale. False where the operands do not fit this way.
bool TwiceRoundedShare(int64_t product, int64_t total, int weightScale, int k, int64_t& result) {
  if (k > kMaxPow10 || MayOverflow(product, kPow10[weightScale])) return false;
  const uint64_t n = Magnitude(product * kPow10[weightScale]), d = Magnitude(total);
  // 2 × d × 10^k within 63 bits.
  if (BitLength(int64_t(d)) + BitLength(kPow10[k]) > 61) return false;
  const uint64_t q = n / d, r = n - q * d;
  const uint64_t tens = uint64_t(kPow10[k]);
  const uint64_t up = 2 * r * tens >= d * (tens - 1) ? 1 : 0;
  result = ToAmountScale(q + up, weightScale, (product < 0) != (total < 0));
  return true;
}

// The decimals the division adds to a product of `bits` bits, at least: the
// times it can be multiplied by 10 (1233 / 4096: log10 2), less the
// weight's scale.
constexpr int AddedDecimals(int bits, int weightScale) {
  const int added = ((59 - bits) * 1233 >> 12) - weightScale;
  return added < kMaxPow10 ? added : kMaxPow10;
}

// The longest product that OnceRoundedShare takes: at least one decimal
// added, and the product times 10^weightScale within 63 bits.
constexpr int QuickProductBits(int weightScale) {
  int powerBits = 0;
  for (int64_t p = kPow10[weightScale]; p != 0; p >>= 1) ++powerBits;
  int bits = 59;
  while (bits > 0 && (AddedDecimals(bits, weightScale) < 1 || bits + powerBits > 63)) --bits;
  return bits;
}

struct tQuickProductBits {
  int ByWeightScale[kMaxPow10 + 1];
};
constexpr tQuickProductBits MakeQuickProductBits() {
  tQuickProductBits table{};
  for (int scale = 0; scale <= kMaxPow10; ++scale) table.ByWeightScale[scale] = QuickProductBits(scale);
  return table;
}
constexpr tQuickProductBits kQuickProductBits = MakeQuickProductBits();

// The usual case, where the first rounding cannot carry a fraction below a
// half up to one (the decimals the division adds are at least as many as
// the product leaves room for): the share at the product's scale is
// product × 10^weightScale / total rounded once; `result` is that share at
// the amount's scale. False where that is not sure.
ZEF_SHARE_INLINE bool OnceRoundedShare(uint64_t m, bool negative, uint64_t d, int weightScale, int64_t& result) {
  // m: the product's magnitude, d: the total's (neither 0).
  const int bits = 64 - __builtin_clzll(m);
  if (bits > kQuickProductBits.ByWeightScale[weightScale]) return false;
  const uint64_t n = m * uint64_t(kPow10[weightScale]);
  const uint64_t q = n / d, r = n - q * d;
  // With k ≥ added decimals added, the first rounding carries a fraction
  // below a half up only when (d − 2r) × 10^k ≤ d (see TwiceRoundedShare):
  // never when the total is below 10^added, and never when d − 2r exceeds
  // d / 10^added; a half or more is carried in any case. As 10^added is at
  // least 10, a fraction more than a tenth below a half needs no division
  // by 10^added (d / 10 the compiler takes by a multiplication).
  if (2 * r < d && d - 2 * r <= d / 10) {
    const uint64_t tens = uint64_t(kPow10[AddedDecimals(bits, weightScale)]);
    if (d >= tens && d - 2 * r <= d / tens) return false;
  }
  result = ToAmountScale(q + (2 * r >= d ? 1 : 0), weightScale, negative);
  return true;
}

// The shares that take the quick way (zero, the whole amount, or a
// product that OnceRoundedShare decides), inline for the splits that take
// thousands of them; false where ScaledShare has to go further.
ZEF_SHARE_INLINE bool QuickShare(int64_t total, int64_t weight, int64_t amount, int weightScale, int64_t& result) {
  if (amount == 0 || weight == 0) {
    result = 0;
    return true;
  }
  if (weight == total) {
    result = amount;
    return true;
  }
  if (total == 0) return false;
  const uint64_t a = Magnitude(amount), w = Magnitude(weight);
  // Magnitudes below 2^31 have bit lengths that add up to 62 at most.
  if (((a | w) >> 31) != 0 && MayOverflow(amount, weight)) return false;
  const bool negative = ((amount < 0) != (weight < 0)) != (total < 0);
  return OnceRoundedShare(a * w, negative, Magnitude(total), weightScale, result);
}

// ScaledShare where QuickShare could not decide: the same steps as
// NumericShare with the powers of ten from a table for a product within 63
// bits; everything else, and every failure, goes the TNumeric way.
int64_t SlowShare(int64_t total, int64_t weight, int64_t amount, uint8_t weightScale, uint8_t amountScale) {
  if (total == 0 || MayOverflow(amount, weight))
    return NumericShare(total, weight, amount, weightScale, amountScale);
  const int productScale = weightScale + amountScale;
  // Div: the divisor loses its trailing zeros, the dividend gains decimals
  // while they fit (at most 18 beyond the product's scale).
  int64_t b = total;
  int sb = weightScale;
  while (b % 10 == 0) {
    b /= 10;
    --sb;
  }
  int64_t a = amount * weight;
  const int64_t product = a;
  const int sa = productScale + GrowByTens(a, kMaxPow10 + sb);
  const int k = sa - sb - productScale;
  if (k > 0) {
    int64_t quick = 0;
    if (TwiceRoundedShare(product, total, weightScale, k, quick)) return quick;
  }
  int64_t value = TNumeric::RoundDiv(nrHalfAwayFromZero, b, a);
  if (k > 0) {
    value = RoundDivPow10(nrHalfAwayFromZero, k, value);
  } else if (k < 0) {
    if (MayOverflow(kPow10[-k], value)) return NumericShare(total, weight, amount, weightScale, amountScale);
    value *= kPow10[-k];
  }
  // SetScale to the amount's scale.
  return RoundDivPow10(nrHalfAwayFromZero, productScale - amountScale, value);
}

int64_t ScaledShare(int64_t total, int64_t weight, int64_t amount, uint8_t weightScale, uint8_t amountScale) {
  int64_t quick = 0;
  if (QuickShare(total, weight, amount, weightScale, quick)) return quick;
  return SlowShare(total, weight, amount, weightScale, amountScale);
}

// Share of hundredths by hundredths, inline where the splits call it.
ZEF_SHARE_INLINE int64_t MoneyShare(int64_t total, int64_t weight, int64_t amount) {
  int64_t quick = 0;
  if (QuickShare(total, weight, amount, kMoneyScale, quick)) return quick;
  return SlowShare(total, weight, amount, kMoneyScale, kMoneyScale);
}

}  // namespace

int64_t Share(int64_t total, int64_t weight, int64_t amount) { return MoneyShare(total, weight, amount); }

int64_t ShareByQuantity(int64_t total, int64_t weight, int64_t amount) {
  return ScaledShare(total, weight, amount, kQuantityScale, kMoneyScale);
}

int64_t QuantityShare(int64_t total, int64_t weight, int64_t amount) {
  return ScaledShare(total, weight, amount, kMoneyScale, kQuantityScale);
}

int64_t ShareByNumerics(int64_t total, int64_t weight, int64_t amount, int weightScale, int amountScale) {
  return NumericShare(total, weight, amount, uint8_t(weightScale), uint8_t(amountScale));
}

int64_t ShareFast(int64_t total, int64_t weight, int64_t amount, int weightScale, int amountScale) {
  return ScaledShare(total, weight, amount, uint8_t(weightScale), uint8_t(amountScale));
}

int64_t LineAmount(int64_t quantity, int64_t price) {
  if (price == INT64_MAX) return 0;
  // Where the product fits, Mul takes it exact at scale 5 and rounds it
  // half away from zero to the price's scale.
  if (!MayOverflow(price, quantity)) {
    const int64_t product = price * quantity;
    return ToAmountScale(Magnitude(product), kQuantityScale, product < 0);
  }
  TNumeric x{price, kMoneyScale, nrHalfAwayFromZero};
  x.Mul(TNumeric{quantity, kQuantityScale, nrHalfAwayFromZero});
  return x.Value;
}

namespace {

template <class ShareOf>
std::vector<int64_t> SplitBy(int64_t amount, const std::vector<int64_t>& weights, ShareOf shareOf) {
  int64_t total = 0;
  for (int64_t w : weights) total += w;
  std::vector<int64_t> parts(weights.size(), 0);
  for (size_t i = 0; i < weights.size(); ++i) {
    parts[i] = shareOf(total, weights[i], amount);
    amount -= parts[i];
    total -= weights[i];
  }
  return parts;
}

}  // namespace

std::vector<int64_t> SplitSequential(int64_t amount, const std::vector<int64_t>& weights,
                                     tShareKind kind) {
  switch (kind) {
    case tShareKind::ByQuantity: return SplitBy(amount, weights, ShareByQuantity);
    case tShareKind::OfQuantity: return SplitBy(amount, weights, QuantityShare);
    default: return SplitBy(amount, weights, MoneyShare);
  }
}

std::string QuantityText(int64_t quantity) {
  const int64_t fraction = quantity % 1000;
  int decimals = 3;
  if (fraction == 0) decimals = 0;
  else if (fraction % 100 == 0) decimals = 1;
  else if (fraction % 10 == 0) decimals = 2;
  std::string text = std::to_string(quantity / 1000);
  std::string tail;
  if (decimals == 0) {
    tail = " ";
  } else {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03d", int(fraction));
    tail = std::string(1, PDFormatSettings().DecimalSeparator) + std::string(digits, size_t(decimals));
  }
  while (tail.size() < 4) tail += ' ';
  return text + tail;
}

std::string QuantityUnitsText(int64_t quantity, int width) {
  const int64_t magnitude = std::llabs(quantity);
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03d", int(magnitude % 1000));
  std::string text = (quantity < 0 ? "-" : "") + std::to_string(magnitude / 1000) +
                     PDFormatSettings().DecimalSeparator + digits;
  while (int(text.size()) < width) text = " " + text;
  return text;
}
