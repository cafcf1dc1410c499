// Writes random fixed-point operations with the results of this module's
// arithmetic, one per line, for check_numeric.py to verify exactly:
//   R mode divisor dividend result
//   S value scale mode newScale result
//   M xValue xScale mode yValue yScale result
//   D xValue xScale mode yValue yScale result
// A result is a decimal integer, OVF ("MulNum: Int64 overflow") or DIV0
// ("Division by zero").
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "posdata/numeric.h"

namespace {

std::mt19937_64 rng(20261209);

uint64_t Bits() { return rng(); }
int Below(int n) { return int(Bits() % uint64_t(n)); }

// Operands from every corner: full range, near the limits, short values,
// values with many trailing zeros, exact halves.
int64_t Operand() {
  switch (Below(8)) {
    case 0: return int64_t(Bits());
    case 1: return INT64_MAX - int64_t(Bits() % 1000);
    case 2: return INT64_MIN + int64_t(Bits() % 1000);
    case 3: return int64_t(Bits() >> Below(64)) * (Below(2) ? 1 : -1);
    case 4: return int64_t(Bits() % 2001) - 1000;
    case 5: {
      const int zeros = Below(19);
      return (int64_t(Bits() % 100000) - 50000) * TNumeric::Pow10(zeros > 13 ? 13 : zeros);
    }
    case 6: return (int64_t(Bits() % 1000000) * 2 + 1) * 5 * (Below(2) ? 1 : -1);
    default: return Below(50) == 0 ? INT64_MIN : int64_t(Bits() >> (1 + Below(40)));
  }
}

int Scale() { return Below(20) == 0 ? 19 + Below(22) : Below(19); }
int Mode() { return Below(12) == 0 ? 6 + Below(250) : Below(6); }

std::string Outcome(const std::function<int64_t()>& op) {
  try {
    return std::to_string(op());
  } catch (const eNumericException& e) {
    return std::strcmp(e.what(), kDivisionByZero) == 0 ? "DIV0" : "OVF";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: numeric_reference_cases OUTPUT COUNT_PER_OPERATION\n");
    return 2;
  }
  FILE* out = std::fopen(argv[1], "w");
  if (out == nullptr) return 1;
  const long count = std::atol(argv[2]);
  for (long i = 0; i < count; ++i) {
    const int mode = Mode();
    int64_t d = Below(10) == 0 ? int64_t(Below(21)) - 10 : Operand();
    if (Below(200) == 0) d = 0;
    const int64_t n = Operand();
    std::fprintf(out, "R %d %lld %lld %s\n", mode, (long long)d, (long long)n,
                 Outcome([&] { return TNumeric::RoundDiv(uint8_t(mode), d, n); }).c_str());

    const TNumeric x{Operand(), uint8_t(Scale()), uint8_t(Mode())};
    const int newScale = Scale();
    std::fprintf(out, "S %lld %d %d %d %s\n", (long long)x.Value, x.Scale, x.RoundMode, newScale,
                 Outcome([&] { TNumeric t = x; t.SetScale(uint8_t(newScale)); return t.Value; }).c_str());

    for (const char op : {'M', 'D'}) {
      const TNumeric a{Operand(), uint8_t(Scale()), uint8_t(Mode())};
      TNumeric b{Operand(), uint8_t(Scale()), 0};
      if (op == 'D' && Below(100) == 0) b.Value = 0;
      std::fprintf(out, "%c %lld %d %d %lld %d %s\n", op, (long long)a.Value, a.Scale, a.RoundMode,
                   (long long)b.Value, b.Scale, Outcome([&] {
                     TNumeric t = a;
                     if (op == 'M') t.Mul(b); else t.Div(b);
                     return t.Value;
                   }).c_str());
    }
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
