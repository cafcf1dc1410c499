// The XML model beside pugixml on the same bytes, case by case:
//  - parsing fiscal-like documents of about 1 KB, 100 KB and 10 MB (with
//    character references in names and comments, and without; with CRLF and
//    with LF line breaks), a receipt of 100 items with 8 attributes each
//    (about 20 KB) and receipts of 100 and 1,000 items shaped as the
//    adapter's sale receipts;
//  - building that receipt and writing its text;
//  - destroying a parsed 100 KB document (goal: 5 us at most);
//  - the heap each node of a parsed tree holds.
// Each model case runs right before its pugixml peer. The goals, as ratios
// to pugixml: parse and build and write 1.0x, heap per node 1.3x.
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

// A fiscal-like document with items until the text form reaches the size;
// with `references` its names and comments hold "&", quotes and "<", ">",
// written as character references.
const std::string& Document(size_t size, bool references = true) {
  static std::map<std::pair<size_t, bool>, std::string> documents;
  std::string& text = documents[{size, references}];
  if (!text.empty()) return text;
  IXmlDocument document = NewXmlDocument("FiscalDocument");
  IXmlElement receipt = document->DocumentElement()->AppendElement("Receipt");
  receipt->SetIntAttr("DocNumber", 1);
  receipt->SetAttr("Guid", "{0F8FAD5B-D9CB-469F-A165-70867728950E}");
  receipt->AppendElement("Operator")->SetAttr("Name", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2");
  size_t length = document->Xml().size();
  for (int i = 0; length < size; ++i) {
    const std::string number = std::to_string(i);
    IXmlElement item = receipt->AppendElement("Item");
    item->SetAttr("Name", kCyrillicName + (references ? " & \"Oliv'e\" #" : " Olivie #") + number);
    item->SetIntAttr("Quantity", 1000 + i);
    item->SetIntAttr("PricePerOne", 15050);
    item->SetIntAttr("Sum", 15050 + i);
    item->AppendElement("Tax")->SetAttr("Rate", "20");
    item->AppendElement("Comment")->SetNodeText("line " + number + (references ? " <no sauce>" : " no sauce"));
    length += item->Xml().size() + 2 * 3;  // approximate, the indentation grows by one level
  }
  text = document->Xml();
  return text;
}

// A text with its CRLF line breaks turned into LF.
std::string WithLf(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

// A sale receipt of `items` lines shaped as the adapter writes them (the
// demo's FiscalDocument): header objects, the order, items with their taxes
// and, on every tenth, a discount, and the payments.
std::string DemoReceipt(int items) {
  IXmlDocument document = NewXmlDocument("FiscalDocument");
  IXmlElement root = document->DocumentElement();
  root->SetAttr("Options", "");
  root->SetAttr("DocType", "Receipt");
  IXmlElement header = root->AppendElement("Header");
  auto object = [](const IXmlElement& e, int id, int code, const std::string& name) {
    e->SetIntAttr("Id", id);
    e->SetIntAttr("Code", code);
    e->SetAttr("Name", name);
  };
  object(header->AppendElement("Restaurant"), 10, 15, "Cafe Orbelo");
  object(header->AppendElement("Operator"), 5, 105, "Anna Petrova");
  object(header->AppendElement("Station"), 3, 3, "Bar station");
  header->AppendElement("Unfiscal");
  IXmlElement receipt = root->AppendElement("Receipt");
  receipt->SetIntAttr("DocNumber", 27);
  receipt->SetAttr("Guid", "{6B1C3D9E-0C47-4A51-9F1B-2E7A5C3D8F10}");
  receipt->SetIntAttr("LastBill", 1);
  receipt->SetAttr("Time", "2025-03-14T20:41:05");
  IXmlElement order = receipt->AppendElement("Order");
  order->SetIntAttr("Table", 12);
  order->SetIntAttr("Guests", 2);
  order->SetAttr("StartService", "2025-03-14T19:05:00");
  order->SetAttr("Guid", "{0E9F4B21-77A3-4C2D-8D5E-1F3A6B9C2D47}");
  object(order->AppendElement("Operator"), 5, 105, "Anna");
  IXmlElement list = receipt->AppendElement("Items");
  for (int i = 0; i < items; ++i) {
    IXmlElement item = list->AppendElement("Item");
    object(item, 1001 + i, 101 + i, kCyrillicName + " " + std::to_string(i));
    item->SetIntAttr("Department", 1 + i % 2);
    item->SetAttr("DepartmentName", std::to_string(1 + i % 2));
    item->SetIntAttr("Quantity", 1000 * (1 + i % 3));
    item->SetIntAttr("PricePerOne", 9000 + 1700 * (i % 23));
    item->SetIntAttr("ForAdvance", 0);
    item->SetIntAttr("Value", (1000 * (1 + i % 3)) / 1000 * (9000 + 1700 * (i % 23)));
    if (i % 10 == 9) {
      IXmlElement discount = item->AppendElement("Discounts")->AppendElement("Discount");
      object(discount, 7, 7, "Club card 10%");
      discount->SetIntAttr("Value", -1200 - i);
    }
    IXmlElement tax = item->AppendElement("Taxes")->AppendElement("Tax");
    tax->SetIntAttr("TaxRateIndex", 1 + i % 2);
    tax->SetIntAttr("RateValue", i % 2 ? 1000 : 2000);
    tax->SetIntAttr("TaxValue", 5833 + i);
  }
  IXmlElement payments = receipt->AppendElement("Payments");
  for (int value : {200000, -21000}) {
    IXmlElement payment = payments->AppendElement("Payment");
    object(payment, 1, 1, "Cash");
    payment->SetIntAttr("TypeIndex", 1);
    payment->SetIntAttr("Value", value);
  }
  return document->Xml();
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

// The parse inputs: the receipt (0), the fiscal-like documents by size, the
// same without character references, and both with LF line breaks.
enum tShape : int64_t { kReferences = 0, kPlain = 1, kReferencesLf = 2, kPlainLf = 3, kDemoReceipt = 4 };

const std::string& TextOf(int64_t size, int64_t shape = kReferences) {
  static std::map<std::pair<int64_t, int64_t>, std::string> texts;
  if (shape == kReferences) return size ? Document(size_t(size)) : ReceiptText();
  if (shape == kPlain) return Document(size_t(size), false);
  std::string& text = texts[{size, shape}];
  if (text.empty())
    text = shape == kReferencesLf ? WithLf(Document(size_t(size)))
           : shape == kPlainLf    ? WithLf(Document(size_t(size), false))
                                  : DemoReceipt(int(size));
  return text;
}

void BM_ParseModel(benchmark::State& state) {
  const std::string& text = TextOf(state.range(0), state.range(1));
  for (auto _ : state) ParseModel(text);
  size_t heap = HeapOf([&] { return ParseXmlDocument(text); });
  SetParseCounters(state, text.size(), CountNodes(ParseXmlDocument(text)), heap);
}

void BM_ParsePugixml(benchmark::State& state) {
  const std::string& text = TextOf(state.range(0), state.range(1));
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
// (size or items, shape) of every parse input.
const std::pair<int64_t, int64_t> kParseInputs[] = {
    {1 << 10, kReferences}, {100 << 10, kReferences}, {10 << 20, kReferences}, {0, kReferences},
    {1 << 10, kPlain},      {100 << 10, kPlain},      {10 << 20, kPlain},      {100 << 10, kReferencesLf},
    {100 << 10, kPlainLf},  {100, kDemoReceipt},      {1000, kDemoReceipt}};

void RegisterTimedCases() {
  for (const auto& input : kParseInputs) {
    benchmark::RegisterBenchmark("BM_ParseModel", BM_ParseModel)
        ->Args({input.first, input.second})
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_ParsePugixml", BM_ParsePugixml)
        ->Args({input.first, input.second})
        ->Unit(benchmark::kMicrosecond);
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

std::string SizeName(int64_t size, int64_t shape = kReferences) {
  if (shape == kDemoReceipt) return "demo-receipt-" + std::to_string(size);
  if (size == 0) return "receipt";
  const std::string suffix = shape == kPlain ? "-noref" : shape == kReferencesLf ? "-lf" : shape == kPlainLf ? "-noref-lf" : "";
  return (size >= (1 << 20) ? std::to_string(size >> 20) + "MB" : std::to_string(size >> 10) + "KB") + suffix;
}

void CountCases() {
  using bench_instructions::Count;
  for (const auto& input : kParseInputs) {
    const std::string& text = TextOf(input.first, input.second);
    const int runs = text.size() >= (1 << 20) ? 1 : text.size() >= (64 << 10) ? 5 : 50;
    const std::string name = "parse/" + SizeName(input.first, input.second);
    Count(name + "/model", runs, [&](int) { ParseModel(text); });
    Count(name + "/pugixml", runs, [&](int) { ParsePugixml(text); });
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
