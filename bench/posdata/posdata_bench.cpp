// Loading a large order and the fixed-point operations.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "../instructions.h"
#include "orderstream.h"
#include "posdata/numeric.h"
#include "posdata/pdsource.h"

namespace {

using orderwriter::ColumnDesc;
using orderwriter::DataSetDesc;
using orderwriter::OrderDesc;

ColumnDesc Col(const char* name, TVarType type, int32_t ref = 0) {
  ColumnDesc c;
  c.FieldName = name;
  c.VarType = type;
  c.RefColNum = ref;
  return c;
}

VarType Int(int64_t v) { VarType x; x.SetInteger(v); return x; }
VarType Frac(int64_t v) { VarType x; x.SetFrac(v); return x; }
VarType Str(const std::string& v) { VarType x; x.SetString(v); return x; }

// An order of `dishes` dishes with their taxes and `discounts` discounts,
// with the columns the receipt code reads.
OrderDesc BigOrder(int dishes, int discounts, int32_t version) {
  DataSetDesc d;
  d.Name = "Dishes";
  d.StreamVersion = version;
  d.Columns = {Col("Dish", vtInteger, 1),       Col("Charge", vtInteger),      Col("DishUNI", vtInteger),
               Col("ComboUNI", vtInteger),      Col("IsCombo", vtInteger),     Col("DishCode", vtInteger),
               Col("DishName", vtString),       Col("AltDishName", vtString),  Col("Quantity", vtFrac),
               Col("DishPrice", vtFrac),        Col("NationalSum", vtFrac),    Col("NationalPaySum", vtFrac),
               Col("FiscRegSum", vtFrac),       Col("FiscRegPaySum", vtFrac),  Col("Department", vtInteger),
               Col("TaxRate1", vtInteger, 3)};
  d.AliasesReady = version == 2;
  for (int i = 0; i < dishes; ++i) {
    const int64_t sum = 10000000 + i * 1370000;
    d.Records.push_back({Int(1000 + i), Int(0), Int(i + 1), Int(0), Int(0), Int(500 + i),
                         Str("Dish number " + std::to_string(i)), Str("Alt " + std::to_string(i)),
                         Frac(1000000), Frac(sum), Frac(sum), Frac(sum - 100000), Frac(sum), Frac(sum - 100000),
                         Int(1 + i % 3), Int(1)});
    if (d.AliasesReady) d.AliasNames.push_back({"Dish " + std::to_string(i), "VAT 20%"});
  }
  DataSetDesc disc;
  disc.Name = "Discounts";
  disc.StreamVersion = version;
  disc.Columns = {Col("Discount", vtInteger, 4), Col("DishUNI", vtInteger), Col("IsCharge", vtBoolean),
                  Col("NationalAmount", vtFrac), Col("FiscRegAmount", vtFrac)};
  disc.AliasesReady = version == 2;
  for (int i = 0; i < discounts; ++i) {
    VarType no;
    no.SetBoolean(false);
    disc.Records.push_back({Int(10 + i), Int(i * 20 + 1), no, Frac(-100000), Frac(-100000)});
    if (disc.AliasesReady) disc.AliasNames.push_back({"Discount " + std::to_string(i)});
  }
  DataSetDesc taxes;
  taxes.Name = "Taxes";
  taxes.Columns = {Col("DishUNI", vtInteger), Col("Tax", vtInteger, 3), Col("NationalSum", vtFrac)};
  for (int i = 0; i < dishes; ++i) taxes.Records.push_back({Int(i + 1), Int(1), Frac(1666667)});
  OrderDesc order;
  order.DataSets = {d, disc, taxes};
  return order;
}

void LoadOrder(benchmark::State& state, int32_t version) {
  const std::string bytes = orderwriter::WriteOrderStream(BigOrder(1000, 50, version));
  for (auto _ : state) {
    TPDDataSource source;
    TPDReadStream stream(bytes.data(), bytes.size());
    source.LoadFromStream(stream, 1);
    source.Open();
    benchmark::DoNotOptimize(source.GetDataSet("Dishes")->RecCount());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
  state.counters["stream_bytes"] = double(bytes.size());
}

void BM_LoadOrder1000Dishes50Discounts_V1(benchmark::State& state) { LoadOrder(state, 1); }
void BM_LoadOrder1000Dishes50Discounts_V2(benchmark::State& state) { LoadOrder(state, 2); }
BENCHMARK(BM_LoadOrder1000Dishes50Discounts_V1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadOrder1000Dishes50Discounts_V2)->Unit(benchmark::kMicrosecond);

// A walk as the receipt code does it: fields by name, money in kopecks.
void BM_WalkDishesByName(benchmark::State& state) {
  const std::string bytes = orderwriter::WriteOrderStream(BigOrder(1000, 50, 1));
  TPDDataSource source;
  TPDReadStream stream(bytes.data(), bytes.size());
  source.LoadFromStream(stream, 1);
  source.Open();
  TPDDataSet* dishes = source.GetDataSet("Dishes");
  for (auto _ : state) {
    int64_t total = 0;
    dishes->First();
    do {
      total += AsHundredths(dishes->GetRawValueByName("NationalSum")) +
               AsThousandths(dishes->GetRawValueByName("Quantity")) +
               dishes->GetRawValueByName("DishUNI").AsInt64();
      benchmark::DoNotOptimize(dishes->GetFieldText("Dish"));
    } while (!dishes->Next());
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * dishes->RecCount());
}
BENCHMARK(BM_WalkDishesByName)->Unit(benchmark::kMicrosecond);

struct Operands {
  std::vector<TNumeric> x, y;
};

// Money-like operands: scale 2 amounts and scale 3 quantities, or 40-bit
// values (y at scale 6) whose products take the shortening path.
Operands MakeOperands(bool longValues) {
  std::mt19937_64 rng(7);
  Operands o;
  for (int i = 0; i < 4096; ++i) {
    const int64_t a = longValues ? int64_t(rng() >> 24) : int64_t(rng() % 100000000) - 50000000;
    const int64_t b = longValues ? int64_t(rng() >> 24) : int64_t(rng() % 1000000) + 1;
    o.x.push_back(TNumeric{a, 2, 0});
    o.y.push_back(TNumeric{b, uint8_t(longValues ? 6 : 3), 0});
  }
  return o;
}

// Runs of `op` over the operands (exceptions of overflowing pairs caught).
template <class Op>
void RunArithmetic(const Operands& o, size_t i, Op op) {
  TNumeric x = o.x[i & 4095];
  try {
    op(x, o.y[i & 4095]);
  } catch (const eNumericException&) {
  }
  benchmark::DoNotOptimize(x);
}

template <class Op>
void Arithmetic(benchmark::State& state, bool longValues, Op op, double goalNs = 0) {
  const Operands o = MakeOperands(longValues);
  size_t i = 0;
  for (auto _ : state) RunArithmetic(o, i++, op);
  state.SetItemsProcessed(int64_t(state.iterations()));
  if (goalNs) state.counters["goal_ns"] = goalNs;
}

void RoundDivOp(TNumeric& x, const TNumeric& y) { x.Value = TNumeric::RoundDiv(0, y.Value, x.Value); }
void SetScaleDownOp(TNumeric& x, const TNumeric&) {
  x.Scale = 6;
  x.SetScale(2);
}
void MulOp(TNumeric& x, const TNumeric& y) { x.Mul(y); }
void DivOp(TNumeric& x, const TNumeric& y) { x.Div(y); }

void BM_RoundDiv(benchmark::State& state) { Arithmetic(state, false, RoundDivOp); }
void BM_SetScaleDown(benchmark::State& state) { Arithmetic(state, false, SetScaleDownOp); }
void BM_MulAmountByQuantity(benchmark::State& state) { Arithmetic(state, false, MulOp, 10); }
void BM_MulShortening(benchmark::State& state) { Arithmetic(state, true, MulOp, 30); }
void BM_DivAmountByQuantity(benchmark::State& state) { Arithmetic(state, false, DivOp, 20); }
void BM_DivLong(benchmark::State& state) { Arithmetic(state, true, DivOp, 20); }
BENCHMARK(BM_RoundDiv);
BENCHMARK(BM_SetScaleDown);
BENCHMARK(BM_MulAmountByQuantity);
BENCHMARK(BM_MulShortening);
BENCHMARK(BM_DivAmountByQuantity);
BENCHMARK(BM_DivLong);

// The arithmetic under callgrind: 4096 operations per case.
void CountArithmetic() {
  struct tCase {
    const char* Name;
    bool LongValues;
    void (*Op)(TNumeric&, const TNumeric&);
  };
  const tCase cases[] = {{"numeric/RoundDiv", false, RoundDivOp},   {"numeric/SetScaleDown", false, SetScaleDownOp},
                         {"numeric/Mul", false, MulOp},             {"numeric/MulShortening", true, MulOp},
                         {"numeric/Div", false, DivOp},             {"numeric/DivLong", true, DivOp}};
  for (const tCase& c : cases) {
    const Operands o = MakeOperands(c.LongValues);
    bench_instructions::Count(c.Name, 4096, [&](int i) { RunArithmetic(o, size_t(i), c.Op); });
  }
}

}  // namespace

int main(int argc, char** argv) { return bench_instructions::Main(argc, argv, CountArithmetic); }
