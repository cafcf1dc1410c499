// Bad datasets streams: truncated, mutated, oversized and random buffers end
// in the stream's messages, never in a crash or an unbounded allocation.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>
#include <random>
#include <sstream>

#include "orderparser.h"
#include "posdata/compreader.h"
#include "posdata_testing.h"

#if defined(__GNUC__) && !defined(__clang__)
// The replaced operators pair malloc with free; GCC cannot see that.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

// Every allocation of this program is measured: the largest single one
// shows whether a length field was trusted.
static std::atomic<size_t> g_largestAllocation{0};

void* operator new(size_t size) {
  size_t seen = g_largestAllocation.load();
  while (size > seen && !g_largestAllocation.compare_exchange_weak(seen, size)) {
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

using namespace posdata_testing;

namespace {

constexpr size_t kAllocationLimit = 1 << 20;  // far above what these small streams need

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string SampleStream(const char* name) {
  return orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(
      ReadFile(std::string(ZEF_ORDER_SAMPLES) + "/" + name + ".order")));
}

bool IsStreamMessage(const std::string& m) {
  return m == "Invalid stream format" || m == "Stream read error" ||
         m.rfind("Error loading datasets: no dataset ", 0) == 0;
}

// Loads and reports: "" for a load, the message for a stream failure, and a
// marked text for anything else.
std::string TryLoad(const std::string& bytes) {
  try {
    auto source = Load(bytes);
    for (const auto& item : source->DataSets) {  // read every cell once
      TPDDataSet* d = item->DataSet();
      for (int32_t r = 0; r < d->RecCount() && r < 1000; ++r)
        for (size_t c = 0; c < d->FieldDefs.size(); ++c) d->GetValue(r, int32_t(c)).AsString();
    }
    return "";
  } catch (const EPDError& e) {
    return IsStreamMessage(e.what()) ? std::string(e.what()) : "unexpected: " + std::string(e.what());
  } catch (const std::exception& e) {
    return "foreign: " + std::string(e.what());
  }
}

// Replaces the value of the first property of that name.
std::string ReplaceValue(const std::string& bytes, const std::string& name, const std::string& value) {
  const std::string key = std::string(1, char(name.size())) + name;
  const size_t at = bytes.find(key);
  EXPECT_NE(at, std::string::npos) << name;
  const size_t start = at + key.size();
  TPDReadStream s(bytes.data(), bytes.size());
  s.Seek(start);
  TPDComponentReader(s).SkipValue();
  return bytes.substr(0, start) + value + bytes.substr(s.Position());
}

// Names, columns and cells of every table: what a load gave.
std::string Contents(const std::string& bytes) {
  auto source = Load(bytes);
  std::string text =
      source->Name + "|" + std::to_string(source->StreamVersion) + "|" + std::to_string(source->Links.size());
  for (const auto& item : source->DataSets) {
    const TPDDataSet* d = item->DataSet();
    text += "\n" + d->Name() + ":";
    for (const TPDFieldDef& def : d->FieldDefs) text += " " + def.FieldName() + "/" + VarTypeName(def.VarType);
    for (int32_t r = 0; r < d->RecCount(); ++r)
      for (size_t c = 0; c < d->FieldDefs.size(); ++c) text += (c ? "," : "\n") + d->GetValue(r, int32_t(c)).AsString();
  }
  return text;
}

// The stream of one table without columns or records.
std::string EmptyTableStream(const std::string& name) {
  OrderDesc order;
  DataSetDesc table;
  table.Name = name;
  order.DataSets = {table};
  return orderwriter::WriteOrderStream(order);
}

// A component put at the end of the root's child list.
std::string WithChildComponent(const std::string& bytes, const std::string& component) {
  return bytes.substr(0, bytes.size() - 1) + component + '\0';
}

// A child component of the root with these properties and no children.
std::string WithChild(const std::string& bytes, const std::string& properties) {
  return WithChildComponent(bytes, std::string("\x07TWidget\x05" "Child") + properties + '\0' + '\0');
}

std::string Le32(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string Int32Value(int32_t v) { return "\x04" + Le32(v); }

// A collection of n items, each holding `item` between its list marker and its end.
std::string Collection(size_t n, const std::string& item = "") {
  std::string value = "\x0E";
  value.reserve(1 + n * (item.size() + 2) + 1);
  for (size_t i = 0; i < n; ++i) {
    value += '\x01';
    value += item;
    value += '\0';
  }
  return value + '\0';
}

class BadInput : public ::testing::Test {
 protected:
  void SetUp() override { g_largestAllocation = 0; }
  void TearDown() override { EXPECT_LT(g_largestAllocation.load(), kAllocationLimit); }
};

TEST_F(BadInput, TruncatedAtEveryOffset) {
  for (const char* name : {"discounts", "change_currencies"}) {
    const std::string full = SampleStream(name);
    ASSERT_EQ(TryLoad(full), "");
    for (size_t length = 0; length < full.size(); ++length) {
      const std::string result = TryLoad(full.substr(0, length));
      ASSERT_TRUE(IsStreamMessage(result)) << name << " cut at " << length << ": " << result;
    }
  }
}

TEST_F(BadInput, WrongSignatures) {
  const std::string good = SampleStream("simple_sale");
  std::string b = good;
  b[0] = char(0xFE);
  EXPECT_EQ(TryLoad(b), "Invalid stream format");
  b = good;
  b[1] = 0x0B;
  EXPECT_EQ(TryLoad(b), "Invalid stream format");
  b = good;
  b[2] = 0x7F;  // the high byte of the type is not checked
  EXPECT_EQ(TryLoad(b), "");
  b = good;
  b.replace(b.find("TPF0"), 4, "TPF1");
  EXPECT_EQ(TryLoad(b), "Invalid stream format");
  EXPECT_EQ(TryLoad(std::string("\xFF\x0A\x00") + std::string(100, 'N')), "Invalid stream format");
  EXPECT_EQ(TryLoad(std::string("\xFF", 1)), "Invalid stream format");
  EXPECT_EQ(TryLoad(""), "Invalid stream format");
  EXPECT_EQ(TryLoad(std::string("\xFF\x0A\x00N\x00\x30\x10\x00\x00\x00TPF", 13)), "Stream read error");
}

TEST_F(BadInput, HugeLengthsAreNotTrusted) {
  const std::string good = SampleStream("simple_sale");
  EXPECT_EQ(TryLoad(ReplaceValue(good, "DataSet.Name", std::string("\x0C\xF0\xFF\xFF\xFF", 5))),
            "Stream read error");
  EXPECT_EQ(TryLoad(ReplaceValue(good, "DataSet.Name", std::string("\x12\xFF\xFF\xFF\x7F", 5))),
            "Stream read error");
  EXPECT_EQ(TryLoad(ReplaceValue(good, "DataSet.Name", std::string("\x14\xFF\xFF\xFF\xFF", 5))),
            "Stream read error");
  EXPECT_EQ(TryLoad(ReplaceValue(good, "DataSet.Data", std::string("\x0A\xFF\xFF\xFF\xFF", 5))),
            "Stream read error");
  EXPECT_EQ(TryLoad(ReplaceValue(good, "DataSet.RawRecCount", std::string("\x04\xFF\xFF\xFF\x7F", 5))),
            "Stream read error");
  // A string cell whose 4-byte length runs past its record data.
  EXPECT_EQ(TryLoad(ReplaceValue(good, "DataSet.Data", std::string("\x0A\x0E\x00\x00\x00\x07\xFF\xFF\xFF\x7F", 10) +
                                                            std::string(9, 'x'))),
            "Stream read error");
}

TEST_F(BadInput, RecordCountsOutsideTheirRange) {
  const std::string good = EmptyTableStream("NoColumns");
  // Records without columns take no storage: the claim costs nothing.
  auto source = Load(ReplaceValue(good, "DataSet.RawRecCount", std::string("\x04\xFF\xFF\xFF\x7F", 5)));
  EXPECT_EQ(source->GetDataSet("NoColumns")->RecCount(), INT32_MAX);
  EXPECT_EQ(source->GetDataSet("NoColumns")->GetValue(5, 0), StrValue("Error!"));
  // A negative count is a property error: dropped, the table stays empty.
  const std::string sale = SampleStream("simple_sale");
  source = Load(ReplaceValue(sale, "DataSet.RawRecCount", "\x02\xFF"));
  EXPECT_EQ(source->GetDataSet("Dishes")->RecCount(), 0);
}

TEST_F(BadInput, RepeatedRecordCountsShareOneBudget) {
  // Counts before the real one: each alone fits the stream, together they
  // claim more cells than it has bytes, which only a broken stream does.
  const std::string good = SampleStream("simple_sale");
  const size_t columns = 16;  // of "Dishes"
  const int32_t n = int32_t(good.size() / columns / 2);
  std::string count = "\x04" + std::string(reinterpret_cast<const char*>(&n), 4);
  std::string repeated;
  for (int i = 0; i < 3; ++i) repeated += Property("DataSet.RawRecCount", count);
  EXPECT_EQ(TryLoad(InsertBeforeProperty(good, "DataSet.RawRecCount", repeated)), "Stream read error");
  EXPECT_EQ(TryLoad(InsertBeforeProperty(good, "DataSet.RawRecCount", Property("DataSet.RawRecCount", count))), "");
}

TEST_F(BadInput, UnclosedNestingEndsTheLoad) {
  const std::string good = SampleStream("simple_sale");
  EXPECT_EQ(TryLoad(InsertBeforeProperty(good, "StreamVersion", Property("Deep", std::string(100000, '\x01')))),
            "Invalid stream format");
  EXPECT_EQ(TryLoad(InsertBeforeProperty(good, "StreamVersion", Property("Odd", "\x21"))), "Invalid stream format");
  // A collection item without its list marker is a property error; what
  // follows is read on from there.
  const std::string result = TryLoad(InsertBeforeProperty(good, "StreamVersion", Property("Links", "\x0E\x05\x00")));
  EXPECT_TRUE(result.empty() || IsStreamMessage(result)) << result;
}

TEST_F(BadInput, UnknownValuesAreSkippedAtAnyDepth) {
  const std::string good = SampleStream("discounts");
  const std::string expected = Contents(good);
  ASSERT_NE(expected.find("Dishes:"), std::string::npos);
  for (size_t depth : {65u, 200u, 20000u}) {
    SCOPED_TRACE("depth " + std::to_string(depth));
    // Lists inside lists, a string at the bottom.
    const std::string lists = std::string(depth, '\x01') + "\x06\x02ok" + std::string(depth, '\0');
    // Collections inside lists inside collection items.
    std::string items;
    for (size_t i = 0; i < depth / 2; ++i) items += "\x0E\x02\x07\x01\x04Name\x01";
    items += "\x09" + std::string(depth / 2, '\0') + std::string(depth / 2 * 2, '\0');
    for (const std::string& value : {lists, items}) {
      EXPECT_EQ(Contents(InsertBeforeProperty(good, "StreamVersion", Property("Deep", value))), expected);
      EXPECT_EQ(Contents(InsertBeforeProperty(good, "DataSet.RawRecCount", Property("DataSet.Deep", value))),
                expected);
      EXPECT_EQ(Contents(InsertBeforeProperty(good, "VarType", Property("Deep", value))), expected);
      EXPECT_EQ(Contents(WithChild(good, Property("Deep", value))), expected);
    }
  }
  // Children of children, each with a deep value.
  std::string component;
  const std::string deep = Property("Deep", std::string(200, '\x01') + std::string(200, '\0'));
  for (int i = 0; i < 300; ++i)
    component = "\x01T\x01" "C" + Property("P", "\x02\x01") + deep + '\0' + component + '\0';
  EXPECT_EQ(Contents(WithChildComponent(good, component)), expected);
}

TEST_F(BadInput, ItemWithoutListMarkerInASkippedValueIsAStreamError) {
  const std::string good = SampleStream("simple_sale");
  const std::string collections[] = {
      std::string("\x0E\x05\x00", 3),                  // an extended value where the marker belongs
      std::string("\x0E\x02\x07\x05\x00", 5),          // the same after an order value
      std::string("\x0E\x01\x00\x03\x00\x00\x00", 7),  // a good item, then one without
  };
  for (const std::string& items : collections) {
    SCOPED_TRACE(::testing::PrintToString(items));
    EXPECT_EQ(TryLoad(WithChild(good, Property("Items", items))), "Invalid stream format");
    EXPECT_EQ(TryLoad(WithChild(good, Property("Deep", "\x01\x01" + items + '\0' + '\0'))),
              "Invalid stream format");
    EXPECT_EQ(TryLoad(InsertBeforeProperty(good, "StreamVersion", Property("Extra", items))),
              "Invalid stream format");
  }
}

TEST_F(BadInput, EmptyColumnsAndLinksAreRefused) {
  const std::string good = SampleStream("simple_sale");
  // Two bytes each in the stream, far more in storage.
  for (size_t n : {200000u, 20000u}) {
    SCOPED_TRACE(n);
    EXPECT_EQ(TryLoad(ReplaceValue(good, "DataSet.FieldDefs", Collection(n))), "Stream read error");
    EXPECT_EQ(TryLoad(InsertBeforeProperty(good, "DataSets", Property("Links", Collection(n)))),
              "Stream read error");
  }
}

TEST_F(BadInput, ColumnsLinksAndRecordsShareOneBudget) {
  const std::string base = EmptyTableStream("Wide");
  ASSERT_LT(base.size(), 1000u);
  // Five thousand empty columns (5 cells each) fit a stream padded to
  // 28 KB, as do five thousand empty links (3 cells each); both together,
  // 38 KB for 40,000 cells, do not.
  constexpr size_t kItems = 5000;
  const std::string padded =
      InsertBeforeProperty(base, "StreamVersion", Property("Padding", "\x0C" + Le32(17500) + std::string(17500, 'p')));
  const std::string columns = Property("DataSet.FieldDefs", Collection(kItems));
  const std::string links = Property("Links", Collection(kItems));
  const std::string withColumns = InsertBeforeProperty(padded, "DataSet.RawRecCount", columns);
  ASSERT_EQ(TryLoad(withColumns), "");
  EXPECT_EQ(Load(withColumns)->GetDataSet("Wide")->FieldDefs.size(), kItems);
  const std::string withLinks = InsertBeforeProperty(padded, "DataSets", links);
  ASSERT_EQ(TryLoad(withLinks), "");
  EXPECT_EQ(Load(withLinks)->Links.size(), kItems);
  EXPECT_EQ(TryLoad(InsertBeforeProperty(withColumns, "DataSets", links)), "Stream read error");

  // Records claimed without their data (the Data property renamed away):
  // half the stream's size in records fits beside a column, all of it not.
  std::string oneColumn = InsertBeforeProperty(
      padded, "DataSet.RawRecCount", Property("DataSet.FieldDefs", Collection(1, "\x09" "FieldName\x06\x01x")));
  oneColumn.replace(oneColumn.find("DataSet.Data"), 12, "DataSet.Skip");
  oneColumn = ReplaceValue(oneColumn, "DataSet.RawRecCount", Int32Value(0));
  const int32_t size = int32_t(oneColumn.size());
  const std::string half = ReplaceValue(oneColumn, "DataSet.RawRecCount", Int32Value(size / 2));
  ASSERT_EQ(TryLoad(half), "");
  EXPECT_EQ(Load(half)->GetDataSet("Wide")->RecCount(), size / 2);
  EXPECT_EQ(TryLoad(ReplaceValue(oneColumn, "DataSet.RawRecCount", Int32Value(size))), "Stream read error");
}

TEST_F(BadInput, ColumnsOfAHugeStreamFailBeforeAnyStorage) {
  // 24 MB of empty columns: refused up front, not by running out of memory.
  std::string bytes = InsertBeforeProperty(SampleStream("simple_sale"), "DataSet.RawRecCount",
                                           Property("DataSet.FieldDefs", Collection(12000000)));
  g_largestAllocation = 0;
  EXPECT_EQ(TryLoad(bytes), "Stream read error");
  EXPECT_LT(g_largestAllocation.load(), kAllocationLimit);
  g_largestAllocation = 0;  // the stream itself is not the loader's
}

TEST_F(BadInput, EveryByteMutated) {
  const std::string good = SampleStream("modifiers_combo");
  for (size_t i = 0; i < good.size(); ++i) {
    for (const uint8_t value : {0x00, 0x01, 0x02, 0x07, 0x0A, 0x0E, 0x13, 0x7F, 0xFF}) {
      std::string b = good;
      b[i] = char(value);
      const std::string result = TryLoad(b);
      ASSERT_TRUE(result.empty() || IsStreamMessage(result)) << "offset " << i << " value " << int(value) << ": " << result;
    }
  }
}

TEST_F(BadInput, RandomBytes) {
  std::mt19937 rng(6);
  const std::string good = SampleStream("discounts");
  const std::string prefix = good.substr(0, good.find("TPF0") + 4);
  for (int i = 0; i < 20000; ++i) {
    std::string b(rng() % 300, '\0');
    for (char& c : b) c = char(rng());
    if (i % 3 == 1) b = prefix + b;
    if (i % 3 == 2) {  // a valid stream with a random stretch
      b = good;
      const size_t at = rng() % b.size(), n = 1 + rng() % 16;
      for (size_t k = at; k < at + n && k < b.size(); ++k) b[k] = char(rng());
    }
    const std::string result = TryLoad(b);
    ASSERT_TRUE(result.empty() || IsStreamMessage(result)) << "case " << i << ": " << result;
  }
}

}  // namespace
