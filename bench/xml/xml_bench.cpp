// The XML model beside pugixml on the same bytes, case by case:
//  - parsing fiscal-like documents of about 1 KB, 100 KB and 10 MB, and a
//    receipt of 100 items with 8 attributes each (about 20 KB);
//  - building that receipt and writing its text;
//  - destroying a parsed 100 KB document (goal: 5 us at most);
//  - the heap each node of a parsed tree holds.
// Each model case runs right before its pugixml peer. The goals, as ratios
// to pugixml: parse 1.5x, build and write 1.2x, heap per node 1.3x.
//
// With --instructions the same cases run under callgrind a fixed number of
// times each (bench/callgrind prints instructions per run and the ratios).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <pugixml.hpp>
#include <vector>

#include "../heap_counter.h"
#include "../instructions.h"
#include "xml/simplexml.h"

namespace {

void* PugiAllocate(size_t size) { return operator new(size); }
void PugiDeallocate(void* p) { operator delete(p); }

struct tPugiAllocation {
  tPugiAllocation() { pugi::set_memory_management_functions(PugiAllocate, PugiDeallocate); }
} gPugiAllocation;

const std::string kCyrillicName = "\xD0\xA1\xD0\xB0\xD0\xBB\xD0\xB0\xD1\x82";  // "Салат"

// A fiscal-like document with items until the text form reaches the size.
const std::string& Document(size_t size) {
  static std::map<size_t, std::string> documents;
  std::string& text = documents[size];
  if (!text.empty()) return text;
  IXmlDocument document = NewXmlDocument("FiscalDocument");
  IXmlElement receipt = document->DocumentElement()->AppendElement("Receipt");
  receipt->SetIntAttr("DocNumber", 1);
  receipt->SetAttr("Guid", "{0F8FAD5B-D9CB-469F-A165-70867728950E}");
  receipt->AppendElement("Operator")->SetAttr("Name", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2");
  size_t length = document->Xml().size();
  for (int i = 0; length < size; ++i) {
    IXmlElement item = receipt->AppendElement("Item");
    item->SetAttr("Name", kCyrillicName + " & \"Oliv'e\" #" + std::to_string(i));
    item->SetIntAttr("Quantity", 1000 + i);
    item->SetIntAttr("PricePerOne", 15050);
    item->SetIntAttr("Sum", 15050 + i);
    item->AppendElement("Tax")->SetAttr("Rate", "20");
    item->AppendElement("Comment")->SetNodeText("line " + std::to_string(i) + " <no sauce>");
    length += item->Xml().size() + 2 * 3;  // approximate, the indentation grows by one level
  }
  text = document->Xml();
  return text;
}

// ---- The receipt: 100 items of 8 attributes ---------------------------------------

constexpr int kReceiptItems = 100;

std::string ItemName(int i) { return kCyrillicName + " \"Oliv'e\" with chicken and apple, 250 g #" + std::to_string(i); }

// Built as the receipt code builds its documents.
IXmlDocument BuildReceiptModel() {
  IXmlDocument document = NewXmlDocument("FiscalDocument");
  IXmlElement root = document->DocumentElement();
  root->SetAttr("Type", "Receipt");
  IXmlElement receipt = root->AppendElement("Receipt");
  receipt->SetIntAttr("OperationType", 1);
  receipt->SetAttr("Guid", "{0F8FAD5B-D9CB-469F-A165-70867728950E}");
  for (int i = 0; i < kReceiptItems; ++i) {
    IXmlElement item = receipt->AppendElement("Item");
    item->SetAttr("Name", ItemName(i));
    item->SetIntAttr("Quantity", 1000 + i * 250);
    item->SetIntAttr("PricePerOne", 15050 + i);
    item->SetIntAttr("Sum", 150500 + i * 3);
    item->SetIntAttr("DiscountSum", -(i % 7) * 100);
    item->SetIntAttr("TaxRate", 20);
    item->SetIntAttr("PaymentMethod", 4);
    item->SetIntAttr("ItemSubject", 1);
  }
  return document;
}

std::string BuildAndWriteModel() { return BuildReceiptModel()->Xml(); }

struct tStringWriter : pugi::xml_writer {
  std::string Out;
  void write(const void* data, size_t size) override { Out.append(static_cast<const char*>(data), size); }
};

std::string BuildAndWritePugixml() {
  pugi::xml_document document;
  pugi::xml_node declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "utf-8";
  pugi::xml_node root = document.append_child("FiscalDocument");
  root.append_attribute("Type") = "Receipt";
  pugi::xml_node receipt = root.append_child("Receipt");
  receipt.append_attribute("OperationType") = 1;
  receipt.append_attribute("Guid") = "{0F8FAD5B-D9CB-469F-A165-70867728950E}";
  for (int i = 0; i < kReceiptItems; ++i) {
    pugi::xml_node item = receipt.append_child("Item");
    item.append_attribute("Name") = ItemName(i).c_str();
    item.append_attribute("Quantity") = 1000 + i * 250;
    item.append_attribute("PricePerOne") = 15050 + i;
    item.append_attribute("Sum") = 150500 + i * 3;
    item.append_attribute("DiscountSum") = -(i % 7) * 100;
    item.append_attribute("TaxRate") = 20;
    item.append_attribute("PaymentMethod") = 4;
    item.append_attribute("ItemSubject") = 1;
  }
  tStringWriter writer;
  document.save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
  return std::move(writer.Out);
}

const std::string& ReceiptText() {
  static const std::string text = BuildAndWriteModel();
  return text;
}

// ---- Operations shared by the timed and the counted runs --------------------------------

void ParseModel(const std::string& text) { benchmark::DoNotOptimize(ParseXmlDocument(text)); }

void ParsePugixml(const std::string& text) {
  pugi::xml_document document;
  benchmark::DoNotOptimize(document.load_buffer(text.data(), text.size()));
}

std::unique_ptr<pugi::xml_document> LoadPugixml(const std::string& text) {
  auto document = std::make_unique<pugi::xml_document>();
  document->load_buffer(text.data(), text.size());
  return document;
}

size_t CountNodes(const IXmlNode& node) {
  size_t count = 1;
  for (int32_t i = 0; i < node->ChildCount(); ++i) count += CountNodes(node->ChildAt(i));
  return count;
}

size_t CountNodes(const pugi::xml_node& node) {
  size_t count = 1;
  for (pugi::xml_node child : node.children()) count += CountNodes(child);
  return count;
}

template <class Make>
size_t HeapOf(Make make) {
  auto made = bench_heap::Measure(make);
  return bench_heap::Bytes;
}

void SetParseCounters(benchmark::State& state, size_t bytes, size_t nodes, size_t heap) {
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
  state.counters["nodes"] = double(nodes);
  state.counters["heap_per_node"] = double(heap) / double(nodes);
}

// ---- Timed cases ----------------------------------------------------------------------

const std::string& TextOf(int64_t size) { return size ? Document(size_t(size)) : ReceiptText(); }

void BM_ParseModel(benchmark::State& state) {
  const std::string& text = TextOf(state.range(0));
  for (auto _ : state) ParseModel(text);
  size_t heap = HeapOf([&] { return ParseXmlDocument(text); });
  SetParseCounters(state, text.size(), CountNodes(ParseXmlDocument(text)), heap);
}

void BM_ParsePugixml(benchmark::State& state) {
  const std::string& text = TextOf(state.range(0));
  for (auto _ : state) ParsePugixml(text);
  size_t heap = HeapOf([&] { return LoadPugixml(text); });
  SetParseCounters(state, text.size(), CountNodes(*LoadPugixml(text)), heap);
}

template <class Build>
void BuildAndWrite(benchmark::State& state, Build build) {
  size_t written = 0;
  for (auto _ : state) {
    std::string out = build();
    written = out.size();
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(written));
}

void BM_BuildWriteReceiptModel(benchmark::State& state) { BuildAndWrite(state, BuildAndWriteModel); }
void BM_BuildWriteReceiptPugixml(benchmark::State& state) { BuildAndWrite(state, BuildAndWritePugixml); }

// Only the release is timed; the parse before it is not.
template <class Load>
void Destroy(benchmark::State& state, Load load) {
  const std::string& text = Document(size_t(state.range(0)));
  for (auto _ : state) {
    auto document = load(text);
    auto start = std::chrono::steady_clock::now();
    document = nullptr;
    auto stop = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
  }
  state.counters["goal_us"] = 5;
}

void BM_DestroyModel(benchmark::State& state) { Destroy(state, ParseXmlDocument); }
void BM_DestroyPugixml(benchmark::State& state) { Destroy(state, LoadPugixml); }

void BM_WriteModel(benchmark::State& state) {
  IXmlDocument document = ParseXmlDocument(Document(size_t(state.range(0))));
  BuildAndWrite(state, [&] { return document->Xml(); });
}

void BM_WritePugixml(benchmark::State& state) {
  auto document = LoadPugixml(Document(size_t(state.range(0))));
  BuildAndWrite(state, [&] {
    tStringWriter writer;
    document->save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
    return std::move(writer.Out);
  });
}

// Sizes of the generated documents; 0 stands for the receipt.
const int64_t kParseSizes[] = {1 << 10, 100 << 10, 10 << 20, 0};

void RegisterTimedCases() {
  for (int64_t size : kParseSizes) {
    benchmark::RegisterBenchmark("BM_ParseModel", BM_ParseModel)->Arg(size)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_ParsePugixml", BM_ParsePugixml)->Arg(size)->Unit(benchmark::kMicrosecond);
  }
  benchmark::RegisterBenchmark("BM_BuildWriteReceiptModel", BM_BuildWriteReceiptModel)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("BM_BuildWriteReceiptPugixml", BM_BuildWriteReceiptPugixml)
      ->Unit(benchmark::kMicrosecond);
  for (auto* destroy : {BM_DestroyModel, BM_DestroyPugixml})
    benchmark::RegisterBenchmark(destroy == BM_DestroyModel ? "BM_DestroyModel" : "BM_DestroyPugixml", destroy)
        ->Arg(100 << 10)
        ->UseManualTime()
        ->Iterations(2000)
        ->Unit(benchmark::kMicrosecond);
  for (int64_t size : {1 << 10, 100 << 10, 10 << 20}) {
    benchmark::RegisterBenchmark("BM_WriteModel", BM_WriteModel)->Arg(size)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_WritePugixml", BM_WritePugixml)->Arg(size)->Unit(benchmark::kMicrosecond);
  }
}

// ---- Counted cases ----------------------------------------------------------------------

std::string SizeName(int64_t size) {
  if (size == 0) return "receipt";
  return size >= (1 << 20) ? std::to_string(size >> 20) + "MB" : std::to_string(size >> 10) + "KB";
}

void CountCases() {
  using bench_instructions::Count;
  for (int64_t size : kParseSizes) {
    const std::string& text = TextOf(size);
    const int runs = size >= (1 << 20) ? 1 : size >= (64 << 10) ? 5 : 50;
    Count("parse/" + SizeName(size) + "/model", runs, [&](int) { ParseModel(text); });
    Count("parse/" + SizeName(size) + "/pugixml", runs, [&](int) { ParsePugixml(text); });
  }
  Count("build+write/receipt/model", 20, [](int) { benchmark::DoNotOptimize(BuildAndWriteModel()); });
  Count("build+write/receipt/pugixml", 20, [](int) { benchmark::DoNotOptimize(BuildAndWritePugixml()); });

  const std::string& text = Document(100 << 10);
  std::vector<IXmlDocument> models(5);
  Count(
      "destroy/100KB/model", 5, [&] { for (auto& d : models) d = ParseXmlDocument(text); },
      [&](int i) { models[size_t(i)] = nullptr; });
  std::vector<std::unique_ptr<pugi::xml_document>> pugis(5);
  Count(
      "destroy/100KB/pugixml", 5, [&] { for (auto& d : pugis) d = LoadPugixml(text); },
      [&](int i) { pugis[size_t(i)] = nullptr; });
}

}  // namespace

int main(int argc, char** argv) { return bench_instructions::Main(argc, argv, CountCases, RegisterTimedCases); }
