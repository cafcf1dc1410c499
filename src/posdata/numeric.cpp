#include "posdata/numeric.h"

#include <atomic>

const char* const kNumericOverflow = "MulNum: Int64 overflow";
const char* const kDivisionByZero = "Division by zero";

namespace {

// Bits that a factor of 10 adds to a value at most.
constexpr int kBitsPerDecimal = 4;

uint64_t Magnitude(int64_t v) { return v < 0 ? 0 - static_cast<uint64_t>(v) : uint64_t(v); }

[[noreturn]] void Overflow() { throw eNumericException(kNumericOverflow); }

// The tie choice of the half-random mode: the high bit of a 32-bit linear
// congruential generator shared by the process.
bool RandomTieBit() {
  static std::atomic<uint32_t> seed{0};
  uint32_t x = seed.load(std::memory_order_relaxed), next;
  do {
    next = x * 134775813u + 1u;
  } while (!seed.compare_exchange_weak(x, next, std::memory_order_relaxed));
  return ((uint64_t(next) * 2) >> 32) != 0;
}

// Whether a quotient q with remainder r (not 0) moves one step away from zero.
// rMag and dMag are magnitudes; dMag may exceed the signed range (10^19).
inline bool RoundsAway(uint8_t mode, int64_t q, uint64_t rMag, uint64_t dMag) {
  if (mode == nrAwayFromZero) return true;
  if (mode == nrTowardZero) return false;
  const uint64_t rest = dMag - rMag;  // compare 2|r| with |d| without doubling
  if (rMag > rest) return true;
  if (rMag < rest) return false;
  switch (mode) {
    case nrHalfAwayFromZero: return true;
    case nrHalfRandom: return RandomTieBit();
    case nrHalfEven: return (q & 1) != 0;
    default: return false;
  }
}

// RoundDiv by a power of ten known when compiling: the compiler divides by
// multiplying.
template <int64_t D>
int64_t RoundDivBy(uint8_t mode, int64_t n) {
  const int64_t q = n / D, r = n - q * D;
  if (r == 0) return q;
  return RoundsAway(mode, q, Magnitude(r), uint64_t(D)) ? q + (n < 0 ? -1 : 1) : q;
}

// RoundDiv by 10^k for any k, also beyond the 64-bit powers.
int64_t DivPow10(uint8_t mode, int k, int64_t v) {
  switch (k) {
    case 0: return v;
    case 1: return RoundDivBy<kPow10[1]>(mode, v);
    case 2: return RoundDivBy<kPow10[2]>(mode, v);
    case 3: return RoundDivBy<kPow10[3]>(mode, v);
    case 4: return RoundDivBy<kPow10[4]>(mode, v);
    case 5: return RoundDivBy<kPow10[5]>(mode, v);
    case 6: return RoundDivBy<kPow10[6]>(mode, v);
    case 7: return RoundDivBy<kPow10[7]>(mode, v);
    case 8: return RoundDivBy<kPow10[8]>(mode, v);
    case 9: return RoundDivBy<kPow10[9]>(mode, v);
    case 10: return RoundDivBy<kPow10[10]>(mode, v);
    case 11: return RoundDivBy<kPow10[11]>(mode, v);
    case 12: return RoundDivBy<kPow10[12]>(mode, v);
    case 13: return RoundDivBy<kPow10[13]>(mode, v);
    case 14: return RoundDivBy<kPow10[14]>(mode, v);
    case 15: return RoundDivBy<kPow10[15]>(mode, v);
    case 16: return RoundDivBy<kPow10[16]>(mode, v);
    case 17: return RoundDivBy<kPow10[17]>(mode, v);
    case 18: return RoundDivBy<kPow10[18]>(mode, v);
    default: break;
  }
  if (v == 0) return 0;
  const int64_t s = v < 0 ? -1 : 1;
  // |v| < 2^63 < 10^19: the quotient is 0 and the remainder v itself.
  if (k == kMaxPow10 + 1) {
    const uint64_t tenPow19 = uint64_t(kPow10[kMaxPow10]) * 10;
    return RoundsAway(mode, 0, Magnitude(v), tenPow19) ? s : 0;
  }
  // From 10^20 on every remainder is below half the divisor.
  return mode == nrAwayFromZero ? s : 0;
}

// How many times a (not 0) may be multiplied by 10 while it has at most
// 63 - kBitsPerDecimal bits before each step, `limit` times at most; a is
// multiplied accordingly. With L bits, |a| * 10^j stays below that bound
// for j = floor((59 - L) * log10 2) and may for j + 1, not beyond: one
// product tells.
int GrowTens(int64_t& a, int limit) {
  constexpr int kMaxBits = 63 - kBitsPerDecimal;
  const int bits = BitLength(a);
  if (bits > kMaxBits || limit <= 0) return 0;
  int largest = ((kMaxBits - bits) * 1233) >> 12;  // 1233 / 4096: log10 2, exact for 0 to 63
  if (Magnitude(a) * uint64_t(kPow10[largest + 1]) < (uint64_t(1) << kMaxBits)) ++largest;
  const int steps = largest + 1 < limit ? largest + 1 : limit;
  a *= kPow10[steps];
  return steps;
}

// v of scale fromScale expressed at scale toScale with the given mode.
inline int64_t Rescale(uint8_t mode, int toScale, int fromScale, int64_t v) {
  const int k = toScale - fromScale;
  if (k == 0) return v;
  if (k < 0) return DivPow10(mode, -k, v);
  if (v == 0) return 0;
  if (k > kMaxPow10 || MayOverflow(kPow10[k], v)) Overflow();
  return kPow10[k] * v;
}

}  // namespace

int64_t RoundDivPow10(uint8_t mode, int k, int64_t v) { return DivPow10(mode, k, v); }

int GrowByTens(int64_t& a, int limit) { return GrowTens(a, limit); }

TNumeric TNumeric::Init(uint8_t scale, uint8_t mode) { return TNumeric{0, scale, mode}; }

int64_t TNumeric::Pow10(int n) {
  if (n < 0 || n > kMaxPow10) Overflow();
  return kPow10[n];
}

int64_t TNumeric::RoundDiv(uint8_t mode, int64_t d, int64_t n) {
  if (d == 0) throw eNumericException(kDivisionByZero);
  if (d == -1) {
    if (n == INT64_MIN) Overflow();  // the one quotient beyond 64 bits
    return -n;
  }
  const int64_t q = n / d, r = n % d;
  if (r == 0) return q;
  const int64_t s = (n < 0) != (d < 0) ? -1 : 1;
  return RoundsAway(mode, q, Magnitude(r), Magnitude(d)) ? q + s : q;
}

void TNumeric::SetScale(uint8_t newScale) {
  if (newScale != Scale && Value != 0) Value = Rescale(RoundMode, newScale, Scale, Value);
  Scale = newScale;
}

void TNumeric::Add(const TNumeric& y) {
  const int64_t addend = Rescale(RoundMode, Scale, y.Scale, y.Value);
  // Sums are kept in range by the callers; wrap instead of undefined behaviour.
  Value = int64_t(uint64_t(Value) + uint64_t(addend));
}

void TNumeric::Assign(const TNumeric& y) { Value = Rescale(RoundMode, Scale, y.Scale, y.Value); }

void TNumeric::Mul(const TNumeric& y) {
  if (!MayOverflow(Value, y.Value)) {
    Value = Rescale(RoundMode, Scale, Scale + y.Scale, Value * y.Value);
    return;
  }
  // Shorten: x loses its trailing zeros, y loses decimals (half away from
  // zero) until the product fits.
  const int64_t wholeY = DivPow10(nrHalfAwayFromZero, y.Scale, y.Value);
  if (MayOverflow(wholeY, Value)) Overflow();
  int64_t a = Value;
  int sa = Scale;
  while (a != 0 && a % 10 == 0) {
    a /= 10;
    --sa;
  }
  // d dropped decimals take at most ceil(d * log2 10) bits off y: while that
  // is below the excess, the product stays too long. The first d that may
  // do is floor((excess - 1) * log10 2) + 1 (1233 / 4096: log10 2, exact
  // for 0 to 63).
  const int excess = BitLength(y.Value) + BitLength(a) - 63;
  int dropped = excess > 0 ? (((excess - 1) * 1233) >> 12) + 1 : 0;
  int64_t b = DivPow10(nrHalfAwayFromZero, dropped, y.Value);
  while (MayOverflow(b, a)) b = DivPow10(nrHalfAwayFromZero, ++dropped, y.Value);
  Value = Rescale(RoundMode, Scale, sa + int(y.Scale) - dropped, a * b);
}

void TNumeric::Div(const TNumeric& y) {
  if (y.Value == 0) throw eNumericException(kDivisionByZero);
  if (Value == 0) return;
  int64_t b = y.Value;
  int sb = y.Scale;
  while (b % 10 == 0) {
    b /= 10;
    --sb;
  }
  // As many decimals as fit, at most kMaxPow10 more than x has.
  int64_t a = Value;
  const int sa = Scale + GrowTens(a, kMaxPow10 + sb);
  const int64_t q = RoundDiv(RoundMode, b, a);
  Value = Rescale(RoundMode, Scale, sa - sb, q);
}
