// PRN-to-markup conversion of guest bills (text lines with attributes, a
// barcode, a QR code and a cut each) joined into jobs of 64 KB, 1 MB and
// 8 MB, and of the PRN files the POS simulator's demo bundles, beside a
// plain copy of the same bytes as the floor. Counters: input bytes per
// second, segments, and the peak heap bytes the conversion holds per input
// byte. With --instructions the conversions run under bench/callgrind.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "../heap_counter.h"
#include "../instructions.h"
#include "io/printer/markup/uf_xml_base.h"
#include "standart/host_params.h"

namespace {

constexpr tBarCodeDefaults kDefaults{0, 2, 100, 0};

std::string Bill(int number) {
  std::string n = std::to_string(number);
  std::string bill = "\x1b" "1\x1b" "5   CAFE ORBELO\n\x1b" "4Guest bill " + n + "      Table 12\n";
  bill += "Guests: 2     Waiter: Anna\n--------------------------------\n";
  for (int line = 0; line < 12; ++line)
    bill += "Dish " + std::to_string(line) + "        2 x 150.00  300.00\n";
  bill += "\x1b" "C\x1b" "3TOTAL                    3600.00\n\x1b" "2\x1b" "B\r\n";
  bill += "\xD1\xEF\xE0\xF1\xE8\xE1\xEE \xE7\xE0 \xE2\xE8\xE7\xE8\xF2!\n";  // a line in code page 1251
  bill += "\x1bQ460123456789\x1b;\x1bZ4;15;Center\x1b;\x1bXt=20240514T1241&s=3600.00&fn=" + n + "\x1b;\x1b" "7";
  return bill;
}

const std::string& Job(size_t size) {
  static std::map<size_t, std::string> jobs;
  std::string& job = jobs[size];
  for (int number = 0; job.size() < size; ++number) job += Bill(number);
  return job;
}

IXmlDocument Convert(const std::string& job) {
  TUFXmlBase converter(2, -1, kDefaults);
  IXmlDocument document;
  converter.ConvertPrn(reinterpret_cast<const uint8_t*>(job.data()), job.size(), document);
  return document;
}

void BM_PrnToMarkup(benchmark::State& state) {
  HostParams::OverrideFunction(nullptr);
  const std::string& job = Job(size_t(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Convert(job));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(job.size()));
  IXmlDocument document = bench_heap::Measure([&] { return Convert(job); });
  state.counters["segments"] = double(document->DocumentElement()->ChildCount());
  state.counters["peak_heap_per_input_byte"] = double(bench_heap::Peak) / double(job.size());
}

// The conversion and the text the driver gets, as the adapter sends it.
void BM_PrnToMarkupText(benchmark::State& state) {
  HostParams::OverrideFunction(nullptr);
  const std::string& job = Job(size_t(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Convert(job)->Xml());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(job.size()));
}

const char* const kBundledFiles[] = {"guest_bill", "kitchen_ticket", "receipt"};

const std::string& Bundled(size_t index) {
  static std::map<size_t, std::string> files;
  std::string& bytes = files[index];
  if (bytes.empty()) {
    std::ifstream in(std::string(ZEF_SOURCE_DIR) + "/tools/possim/demo/" + kBundledFiles[index] + ".prn",
                     std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return bytes;
}

// One bundled file, converted again and again.
void BM_PrnFile(benchmark::State& state) {
  HostParams::OverrideFunction(nullptr);
  const std::string& bytes = Bundled(size_t(state.range(0)));
  if (bytes.empty()) state.SkipWithError("the bundled PRN file is missing");
  for (auto _ : state) benchmark::DoNotOptimize(Convert(bytes));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
  state.SetLabel(kBundledFiles[state.range(0)]);
}

// The floor: copying the same bytes.
void BM_CopyFloor(benchmark::State& state) {
  const std::string& job = Job(size_t(state.range(0)));
  std::string copy(job.size(), '\0');
  for (auto _ : state) {
    std::memcpy(&copy[0], job.data(), job.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(job.size()));
}

}  // namespace

BENCHMARK(BM_PrnToMarkup)->Arg(64 << 10)->Arg(1 << 20)->Arg(8 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrnToMarkupText)->Arg(64 << 10)->Arg(1 << 20)->Arg(8 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFloor)->Arg(64 << 10)->Arg(1 << 20)->Arg(8 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrnFile)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

namespace {

// Instructions per conversion (bench/callgrind prints them; divided by the
// input's size they give instructions per byte).
void CountCases() {
  HostParams::OverrideFunction(nullptr);
  for (size_t i = 0; i < 3; ++i) {
    const std::string& bytes = Bundled(i);
    bench_instructions::Count("prn/" + std::string(kBundledFiles[i]) + "/" + std::to_string(bytes.size()) + "B", 200,
                              [&](int) { benchmark::DoNotOptimize(Convert(bytes)); });
  }
  const std::string& job = Job(1 << 20);
  bench_instructions::Count("prn/bills/" + std::to_string(job.size()) + "B", 1,
                            [&](int) { benchmark::DoNotOptimize(Convert(job)); });
}

}  // namespace

int main(int argc, char** argv) { return bench_instructions::Main(argc, argv, CountCases); }
