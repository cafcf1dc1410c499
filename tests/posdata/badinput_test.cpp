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
  OrderDesc order;
  DataSetDesc empty;
  empty.Name = "NoColumns";
  order.DataSets = {empty};
  const std::string good = orderwriter::WriteOrderStream(order);
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

TEST_F(BadInput, DeepNestingEndsTheLoad) {
  const std::string good = SampleStream("simple_sale");
  EXPECT_EQ(TryLoad(InsertBeforeProperty(good, "StreamVersion", Property("Deep", std::string(100000, '\x01')))),
            "Invalid stream format");
  EXPECT_EQ(TryLoad(InsertBeforeProperty(good, "StreamVersion", Property("Odd", "\x21"))), "Invalid stream format");
  // A collection item without its list marker is a property error; what
  // follows is read on from there.
  const std::string result = TryLoad(InsertBeforeProperty(good, "StreamVersion", Property("Links", "\x0E\x05\x00")));
  EXPECT_TRUE(result.empty() || IsStreamMessage(result)) << result;
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
