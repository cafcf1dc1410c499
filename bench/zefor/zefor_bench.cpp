// The adapter's share of a fiscal receipt for orders of 10 to 3,000 lines: the POS's datasets loaded, the payments and the order prepared, the
// fiscal document built, converted to UTF-8 and written as text, on a
// universal register whose low-level driver answers at once (nulldrv), so
// that the driver's own time is left out. The POS objects come from the
// demo configuration the receipt tests use.
#include <benchmark/benchmark.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "../instructions.h"
#include "io/printer/fiscreg/fisc_doc_info.h"
#include "io/printer/zefor/zefor.h"
#include "orderparser.h"
#include "orderstream.h"
#include "platform/platform.h"
#include "posdata/pdhooks.h"
#include "standart/host_params.h"
#include "standart/tasks.h"

namespace {

// ---- the POS's parameter and reference service, in process ----------------------

std::map<int32_t, std::string> g_deviceParams;
std::map<std::string, std::string> g_system;                   // "ThisServerIdent" -> "1"
std::map<std::string, std::string> g_refs;                     // "kind/id" or "kind/id/path" -> text
std::map<int32_t, bool> g_knownKinds;

std::string RefKey(int32_t kind, uint32_t id, const std::string& path = std::string()) {
  return std::to_string(kind) + "/" + std::to_string(id) + (path.empty() ? "" : "/" + path);
}

// The "[system]", "[ref N]" and "[service]" sections of a parameter
// service configuration.
void LoadPosObjects(const std::string& file) {
  std::ifstream in(file);
  std::string section;
  int32_t kind = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      section = line.substr(1, line.find(']') - 1);
      kind = section.rfind("ref ", 0) == 0 ? std::atoi(section.c_str() + 4) : 0;
      continue;
    }
    const size_t eq = line.find(" = ");
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 3);
    if (section == "system") {
      g_system[key] = value;
    } else if (kind != 0) {
      const size_t dot = key.find('.');
      const uint32_t id = uint32_t(std::stoul(key.substr(0, dot)));
      g_refs[dot == std::string::npos ? RefKey(kind, id) : RefKey(kind, id, key.substr(dot + 1))] = value;
    } else if (section == "service" && key == "known") {
      std::istringstream kinds(value);
      for (int32_t k; kinds >> k;) g_knownKinds[k] = true;
    }
  }
}

bool Answer(const std::string& text, uint32_t* value, uint8_t* out, int32_t size) {
  out[0] = uint8_t(std::min<size_t>(text.size(), size_t(size)));
  std::memcpy(out + 1, text.data(), out[0]);
  *value = uint32_t(std::atoi(text.c_str()));
  return true;
}

uint8_t ZEF_STDCALL Params(const uint8_t* name, int32_t number, int32_t index, uint32_t* value, uint8_t* text,
                           int32_t textSize) {
  const std::string request(reinterpret_cast<const char*>(name + 1), name[0]);
  const std::string in(reinterpret_cast<const char*>(text + 1), text[0]);
  std::map<std::string, std::string>::const_iterator found;
  if (request == "*_RefProp#" && number == 0) return g_knownKinds.count(index) ? 1 : 0;
  if (request == "*_RefProp#") found = g_refs.find(RefKey(index, *value, in));
  else if (request == "*_RefName#") found = g_refs.find(RefKey(index, *value));
  else if (request.rfind("#SYS#", 0) == 0) found = g_system.find(request.substr(5));
  else if (request[0] == '*' || request[0] == '#') return 0;
  else {
    auto param = g_deviceParams.find(index);
    return param != g_deviceParams.end() && Answer(param->second, value, text, textSize);
  }
  const std::map<std::string, std::string>& map = request.rfind("#SYS#", 0) == 0 ? g_system : g_refs;
  return found != map.end() && Answer(found->second, value, text, textSize);
}

void RefName(int32_t id, int32_t kind, std::string& text) {
  auto found = g_refs.find(RefKey(kind, uint32_t(id)));
  text = found == g_refs.end() ? std::string() : found->second;
}

std::string RefProp(int32_t kind, int32_t id, const std::string& path) {
  auto found = g_refs.find(RefKey(kind, uint32_t(id), path));
  return found == g_refs.end() ? std::string() : found->second;
}

// ---- orders -----------------------------------------------------------------------

// A decimal text of a fixed-point value: 1234 with 2 digits is "12.34".
std::string Decimal(int64_t value, int digits) {
  const int64_t scale = digits == 2 ? 100 : 1000;
  const int64_t magnitude = value < 0 ? -value : value;
  std::string fraction = std::to_string(scale + magnitude % scale).substr(1);
  return (value < 0 ? "-" : "") + std::to_string(magnitude / scale) + "." + fraction;
}
std::string Money(int64_t kopecks) { return Decimal(kopecks, 2); }

// n dishes over two tax rates, every fourth weighed, a discount of its own
// on every tenth, paid in cash with change.
std::string Order(int n) {
  std::string dishes, discounts, taxes;
  int64_t total = 0;
  for (int i = 0; i < n; ++i) {
    const int64_t quantity = i % 4 == 3 ? 350 : 1000 * (1 + i % 3);
    const int64_t price = 9000 + 1700 * (i % 23);
    const int64_t sum = (quantity * price + 500) / 1000;
    const int64_t discount = i % 10 == 9 ? -sum / 10 : 0;
    const int32_t tax = 1 + i % 2;
    total += sum + discount;
    dishes += "row " + std::to_string(2000 + i) + " 0 " + std::to_string(1 + i) + " 0 0 " + std::to_string(200 + i) +
              " \"Блюдо " + std::to_string(i) + "\" \"Dish " + std::to_string(i) + "\" " +
              Decimal(quantity, 3) + " " + Money(price) + " " + Money(sum) + " " + Money(sum + discount) + " " +
              Money(sum) + " " + Money(sum + discount) + " " + std::to_string(1 + i % 2) + " " + std::to_string(tax) +
              "\n";
    if (discount != 0)
      discounts += "row 7 " + std::to_string(1 + i) + " false " + Money(discount) + " " + Money(discount) + "\n";
    taxes += "row " + std::to_string(1 + i) + " " + std::to_string(tax) + " " +
             Money((sum + discount) * (tax == 1 ? 20 : 10) / (tax == 1 ? 120 : 110)) + "\n";
  }
  const int64_t paid = (total / 10000 + 1) * 10000;
  return "resource PDDATA\nsource PDS version=1\n"
         "dataset Dishes\ncolumn Dish integer ref=1\ncolumn Charge integer\ncolumn DishUNI integer\n"
         "column ComboUNI integer\ncolumn IsCombo integer\ncolumn DishCode integer\ncolumn DishName string\n"
         "column AltDishName string\ncolumn Quantity frac\ncolumn DishPrice frac\ncolumn NationalSum frac\n"
         "column NationalPaySum frac\ncolumn FiscRegSum frac\ncolumn FiscRegPaySum frac\ncolumn Department integer\n"
         "column TaxRate1 integer ref=3\n" + dishes +
         "dataset Discounts\ncolumn Discount integer ref=4\ncolumn DishUNI integer\ncolumn IsCharge boolean\n"
         "column NationalAmount frac\ncolumn FiscRegAmount frac\n" + discounts +
         "dataset DiscTaxes\ncolumn Discount integer ref=4\ncolumn DishUNI integer\ncolumn NationalAmount frac\n"
         "column FiscRegAmount frac\ncolumn TaxRate1 integer ref=3\n"
         "dataset Payments\ncolumn Currency integer ref=52\ncolumn CurrLineCurrency integer ref=52\n"
         "column NationalSum frac\ncolumn OriginalSum frac\nrow 1 1 " + Money(paid) + " " + Money(paid) + "\nrow 1 1 " +
         Money(total - paid) + " " + Money(total - paid) + "\n"
         "dataset Taxes\ncolumn DishUNI integer\ncolumn Tax integer ref=3\ncolumn NationalSum frac\n" + taxes +
         "dataset Modifiers\ncolumn Modifier integer ref=5\ncolumn DishUNI integer\ncolumn Pieces frac\n"
         "column ModiName string\ncolumn AltName string\ncolumn Price frac\ncolumn PriceSum frac\ncolumn ModiCnt integer\n"
         "dataset PrintChecks\ncolumn CheckNum integer\ncolumn GUIDString string\ncolumn IsLastBill integer\n"
         "column CloseDateTime datetime\ncolumn Author integer\n"
         "row 27 \"{6B1C3D9E-0C47-4A51-9F1B-2E7A5C3D8F10}\" 1 2025-03-14T20:41:05 5\n"
         "dataset Orders\ncolumn TableName string\ncolumn SeqNumber integer\ncolumn GuestCount integer\n"
         "column GUIDString string\ncolumn MainWaiter integer ref=63\ncolumn StartService datetime\n"
         "column FiscOrderState integer\n"
         "row 12 348 2 \"{0E9F4B21-77A3-4C2D-8D5E-1F3A6B9C2D47}\" 5 2025-03-14T19:05:00 0\n";
}

// ---- the register -------------------------------------------------------------------

constexpr int32_t kFlags = fdfSeparateDiscount | fdfUseTaxDishType | fdfPrintChange | fdfUseAltNames;

TZefor& Register() {
  static std::unique_ptr<TZefor> device = [] {
    InitTaskServices();
    LoadPosObjects(std::string(ZEF_SOURCE_DIR) + "/tools/possim/demo/receipts.cfg");
    LoadPosObjects(std::string(ZEF_SOURCE_DIR) + "/tests/io/zefor/receipts/pos_objects.cfg");
    g_deviceParams = {{0, platform::LibraryFileName("nulldrv")}, {1, "<Params/>"}, {2, "57"}, {4, ""},
                      {5, "0"}, {6, "0"}};
    HostParams::OverrideFunction(&Params);
    TPDHooks hooks;
    hooks.RefName = RefName;
    hooks.RefProp = RefProp;
    SetPDHooks(hooks);
    return std::unique_ptr<TZefor>(static_cast<TZefor*>(TZefor::Class().Create(0)));
  }();
  return *device;
}

const std::string& Stream(int lines) {
  static std::map<int, std::string> streams;
  std::string& stream = streams[lines];
  if (stream.empty()) stream = orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(Order(lines)));
  return stream;
}

void LoadOnce(TZefor& reg, const std::string& stream) {
  reg.LoadPosData(reinterpret_cast<const uint8_t*>(stream.data()), int32_t(stream.size()));
  reg.ClearPosData();
}

// What FiscDocument does for a sale past the call record: the settings,
// the datasets, the receipt operation (preparation, build, UTF-8 text,
// send to the instant driver, counters), the datasets cleared.
bool ReceiptOnce(TZefor& reg, const std::string& stream) {
  TFiscDocInfo doc{};
  doc.Size = kFiscDocInfoSize;
  doc.Kind = fdFiscCheck;
  doc.Flags = kFlags;
  reg.TakeDocumentSettings(DocSettingsOf(kFlags));
  reg.LoadPosData(reinterpret_cast<const uint8_t*>(stream.data()), int32_t(stream.size()));
  const bool printed = reg.PrintFiscCheck(doc, false, std::string());
  reg.ClearPosData();
  return printed;
}

void LoadDatasets(benchmark::State& state) {
  TZefor& reg = Register();
  const std::string& stream = Stream(int(state.range(0)));
  for (auto _ : state) LoadOnce(reg, stream);
  state.SetComplexityN(state.range(0));
}

void Receipt(benchmark::State& state) {
  TZefor& reg = Register();
  const std::string& stream = Stream(int(state.range(0)));
  bool printed = true;
  for (auto _ : state) printed = ReceiptOnce(reg, stream) && printed;
  if (!printed) state.SkipWithError("the receipt was not printed");
  state.SetComplexityN(state.range(0));
  state.counters["goal_us"] = state.range(0) == 100 ? 250 : 0;
}

}  // namespace

BENCHMARK(LoadDatasets)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond)->Complexity();
BENCHMARK(Receipt)
    ->Arg(10)
    ->Arg(30)
    ->Arg(100)
    ->Arg(300)
    ->Arg(1000)
    ->Arg(3000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity();

// Instructions per run of each case, for bench/callgrind.
void CountCases() {
  TZefor& reg = Register();
  for (int lines : {10, 30, 100, 300, 1000, 3000}) {
    const std::string& stream = Stream(lines);
    const int runs = lines >= 1000 ? 3 : 20;
    bench_instructions::Count("load/" + std::to_string(lines), runs, [&](int) { LoadOnce(reg, stream); });
    bench_instructions::Count("receipt/" + std::to_string(lines), runs, [&](int) { ReceiptOnce(reg, stream); });
  }
}

int main(int argc, char** argv) { return bench_instructions::Main(argc, argv, CountCases); }
