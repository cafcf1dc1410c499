// Parsing and writing fiscal-like documents of about 1 KB, 100 KB and 10 MB
// with the XML model and with pugixml, on the same bytes. Counters: the
// bytes per second of input, the nodes of the tree and the heap bytes each
// node of a parsed tree holds.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdlib>
#include <map>
#include <new>
#include <pugixml.hpp>

#include "xml/simplexml.h"

namespace {

// Heap bytes taken while gCounting is set (only around one parse, so that
// the timed loops run at full speed).
bool gCounting = false;
size_t gHeapBytes = 0;

}  // namespace

void* operator new(size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (!block) throw std::bad_alloc();
  if (gCounting) gHeapBytes += malloc_usable_size(block);
  return block;
}
void operator delete(void* block) noexcept {
  if (block && gCounting) gHeapBytes -= malloc_usable_size(block);
  std::free(block);
}
void operator delete(void* block, size_t) noexcept { operator delete(block); }

namespace {

void* PugiAllocate(size_t size) { return operator new(size); }
void PugiDeallocate(void* p) { operator delete(p); }

// A receipt with items until the text form reaches the size.
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
    item->SetAttr("Name", "\xD0\xA1\xD0\xB0\xD0\xBB\xD0\xB0\xD1\x82 & \"Oliv'e\" #" + std::to_string(i));
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

void SetCounters(benchmark::State& state, size_t bytes, size_t nodes, size_t heap) {
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
  state.counters["nodes"] = double(nodes);
  state.counters["heap_per_node"] = double(heap) / double(nodes);
}

void BM_ParseModel(benchmark::State& state) {
  const std::string& text = Document(size_t(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(ParseXmlDocument(text));
  gHeapBytes = 0;
  gCounting = true;
  IXmlDocument document = ParseXmlDocument(text);
  gCounting = false;
  SetCounters(state, text.size(), CountNodes(document), gHeapBytes);
}

void BM_ParsePugixml(benchmark::State& state) {
  const std::string& text = Document(size_t(state.range(0)));
  for (auto _ : state) {
    pugi::xml_document document;
    benchmark::DoNotOptimize(document.load_buffer(text.data(), text.size()));
  }
  gHeapBytes = 0;
  gCounting = true;
  auto* document = new pugi::xml_document();
  document->load_buffer(text.data(), text.size());
  gCounting = false;
  SetCounters(state, text.size(), CountNodes(*document), gHeapBytes);
  delete document;
}

void BM_WriteModel(benchmark::State& state) {
  const std::string& text = Document(size_t(state.range(0)));
  IXmlDocument document = ParseXmlDocument(text);
  size_t written = 0;
  for (auto _ : state) {
    std::string out = document->Xml();
    written = out.size();
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(written));
}

struct tStringWriter : pugi::xml_writer {
  std::string Out;
  void write(const void* data, size_t size) override { Out.append(static_cast<const char*>(data), size); }
};

void BM_WritePugixml(benchmark::State& state) {
  const std::string& text = Document(size_t(state.range(0)));
  pugi::xml_document document;
  document.load_buffer(text.data(), text.size());
  size_t written = 0;
  for (auto _ : state) {
    tStringWriter writer;
    document.save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
    written = writer.Out.size();
    benchmark::DoNotOptimize(writer.Out);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(written));
}

const int64_t kSizes[] = {1 << 10, 100 << 10, 10 << 20};

void Sizes(benchmark::internal::Benchmark* b) {
  for (int64_t size : kSizes) b->Arg(size);
  b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_ParseModel)->Apply(Sizes);
BENCHMARK(BM_ParsePugixml)->Apply(Sizes);
BENCHMARK(BM_WriteModel)->Apply(Sizes);
BENCHMARK(BM_WritePugixml)->Apply(Sizes);

struct tPugiAllocation {
  tPugiAllocation() { pugi::set_memory_management_functions(PugiAllocate, PugiDeallocate); }
} gPugiAllocation;

}  // namespace

BENCHMARK_MAIN();
