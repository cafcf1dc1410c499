// Decimal fixed-point arithmetic on 64-bit integers: money and quantities
// are multiplied and divided with it, never in floating point.
#pragma once
#include <cstdint>

#include "standart/errors.h"

class eNumericException : public tInterfacedException {
 public:
  using tInterfacedException::tInterfacedException;
  const char* ClassName() const override { return "eNumericException"; }
};

extern const char* const kNumericOverflow;  // "MulNum: Int64 overflow"
extern const char* const kDivisionByZero;   // "Division by zero"

// The powers of ten that fit in 64 bits, 10^0 to 10^18.
inline constexpr int kMaxPow10 = 18;
inline constexpr int64_t kPow10[kMaxPow10 + 1] = {1,
                                                  10,
                                                  100,
                                                  1000,
                                                  10000,
                                                  100000,
                                                  1000000,
                                                  10000000,
                                                  100000000,
                                                  1000000000,
                                                  10000000000,
                                                  100000000000,
                                                  1000000000000,
                                                  10000000000000,
                                                  100000000000000,
                                                  1000000000000000,
                                                  10000000000000000,
                                                  100000000000000000,
                                                  1000000000000000000};

// Rounding of a quotient's remainder; a tie is exactly half the divisor.
enum TNumericRound : uint8_t {
  nrHalfAwayFromZero = 0,
  nrHalfTowardZero = 1,  // also every code above 5
  nrHalfRandom = 2,
  nrAwayFromZero = 3,
  nrTowardZero = 4,
  nrHalfEven = 5,
};

// Value / 10^Scale. Every operation leaves its result at the scale of the
// left operand, rounded with that operand's mode; no intermediate is wider
// than 64 bits.
struct TNumeric {
  int64_t Value;
  uint8_t Scale;
  uint8_t RoundMode;

  static TNumeric Init(uint8_t scale, uint8_t mode);
  static int64_t Pow10(int n);  // n from 0 to 18
  static int64_t RoundDiv(uint8_t mode, int64_t divisor, int64_t dividend);

  void SetScale(uint8_t newScale);
  void Assign(const TNumeric& y);
  void Add(const TNumeric& y);
  void Mul(const TNumeric& y);
  void Div(const TNumeric& y);
};

// v / 10^k rounded with the mode, for any k from 0 on (also beyond 10^18).
int64_t RoundDivPow10(uint8_t mode, int k, int64_t v);
// Multiplies a (not 0) by 10 as often as it keeps at most 59 bits before
// each step, `limit` times at most; the number of steps.
int GrowByTens(int64_t& a, int limit);

// Binary digits of the magnitude: 0 for 0, 64 for the most negative value.
inline int BitLength(int64_t v) {
  const uint64_t m = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  return m == 0 ? 0 : 64 - __builtin_clzll(m);
}
// The conservative product test that guards every multiplication.
inline bool MayOverflow(int64_t a, int64_t b) { return BitLength(a) + BitLength(b) > 63; }
