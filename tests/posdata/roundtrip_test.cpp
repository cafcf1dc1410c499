// Writer then reader: every table, column property and cell comes back,
// for stream versions 1 and 2, for random orders and for the samples.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "orderparser.h"
#include "posdata_testing.h"

using namespace posdata_testing;

namespace {

class RandomOrder {
 public:
  explicit RandomOrder(uint32_t seed) : rng_(seed) {}

  OrderDesc Make(int32_t version) {
    OrderDesc order;
    order.ObjectName = Word(1, 12);
    order.Tag = Pick(4) == 0 ? 0 : Int32();
    order.StreamVersion = version;
    for (int i = Range(0, 3); i > 0; --i)
      order.Links.push_back({Maybe(Word(1, 8)), Maybe(Word(1, 8)), Maybe(Word(1, 8)), Maybe(Word(1, 8))});
    for (int i = Range(1, 5); i > 0; --i) order.DataSets.push_back(DataSet(version));
    return order;
  }

 private:
  int Range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  int Pick(int n) { return Range(0, n - 1); }
  int32_t Int32() {
    switch (Pick(4)) {
      case 0: return int32_t(Range(-128, 127));
      case 1: return int32_t(Range(-32768, 32767));
      default: return int32_t(rng_());
    }
  }
  int64_t Int64() {
    const uint64_t v = (uint64_t(rng_()) << 32) | rng_();
    return Pick(3) == 0 ? int64_t(v >> Range(0, 63)) : int64_t(v);
  }
  std::string Word(int minLength, int maxLength) {
    std::string s;
    for (int i = Range(minLength, maxLength); i > 0; --i) s += char(Range(0, 2) ? Range('a', 'z') : Range(0xC0, 0xFF));
    return s;
  }
  std::string Maybe(const std::string& s) { return Pick(3) == 0 ? std::string() : s; }

  ColumnDesc Col(int index) {
    ColumnDesc c;
    c.FieldName = Word(1, 10) + std::to_string(index);
    c.VarType = TVarType(Range(1, 6));
    c.Caption = Maybe(Word(1, 20));
    c.RefColNum = Pick(3) == 0 ? Int32() : 0;
    c.LinkTable = Pick(4) == 0 ? Int32() : 0;
    c.Visible = Pick(4) != 0;
    c.AliasInfo = Maybe(Word(1, 6) + "#");  // differs from the field name
    c.Desc = Maybe(Word(0, 300));
    c.UserName = Maybe(Word(1, 9) + "@");
    c.Expression = Maybe(Word(1, 30));
    return c;
  }

  VarType Cell(TVarType columnType) {
    VarType v;
    const TVarType type = Pick(6) == 0 ? TVarType(Range(0, 6)) : columnType;
    switch (type) {
      case vtNone: break;
      case vtString: v.SetString(Pick(10) == 0 ? Word(256, 700) : Word(0, 40)); break;
      case vtInteger: v.SetInteger(Int32()); break;
      case vtFloat: v.Value = Int64(), v.Type = vtFloat; break;  // any bit pattern
      case vtBoolean: v.SetBoolean(Pick(2)); break;
      case vtFrac: v.SetFrac(Int64()); break;
      default: v.SetDateTimeMs(Int64()); break;
    }
    if (Pick(40) == 0) {  // a tag the reader keeps without payload
      v = VarType();
      v.Type = TVarType(Range(8, 255));
    }
    return v;
  }

  DataSetDesc DataSet(int32_t version) {
    DataSetDesc d;
    d.Name = Word(1, 12);
    d.Caption = Maybe(Word(1, 12));
    d.RefColNum = Pick(3) == 0 ? Int32() : 0;
    d.AliasInfo = Int32();
    d.StreamVersion = version;
    d.OneRowDataset = Pick(2);
    for (int i = Range(0, 12); i > 0; --i) d.Columns.push_back(Col(i));
    size_t refs = 0;
    for (const ColumnDesc& c : d.Columns) refs += c.RefColNum != 0;
    d.AliasesReady = version == 2 && Pick(3) != 0;
    for (int r = Range(0, 30); r > 0; --r) {
      std::vector<VarType> record;
      for (const ColumnDesc& c : d.Columns) record.push_back(Cell(c.VarType));
      d.Records.push_back(record);
      if (d.AliasesReady) {
        std::vector<std::string> names;
        for (size_t i = 0; i < refs; ++i) names.push_back(Pick(8) == 0 ? Word(256, 400) : Word(0, 30));
        d.AliasNames.push_back(names);
      }
    }
    return d;
  }

  std::mt19937 rng_;
};

// What the reader must give for a cell the writer was given.
VarType AfterStream(const VarType& v) {
  VarType expected = v;
  if (v.Type == vtInteger) expected.Value = int32_t(uint32_t(uint64_t(v.Value)));
  if (v.Type == vtBoolean) expected.Value = uint8_t(v.Value);
  return expected;
}

void ExpectColumn(const ColumnDesc& c, const TPDFieldDef& f, const std::string& where) {
  SCOPED_TRACE(where);
  EXPECT_EQ(f.FieldName(), c.FieldName);
  EXPECT_EQ(f.VarType, c.VarType);
  EXPECT_EQ(f.Caption, c.Caption.empty() ? c.FieldName : c.Caption);
  EXPECT_EQ(f.RefColNum, c.RefColNum);
  EXPECT_EQ(f.LinkTable, c.LinkTable);
  EXPECT_EQ(f.Visible, c.Visible);
  EXPECT_EQ(f.AliasInfo, c.AliasInfo);
  EXPECT_EQ(f.Desc, c.Desc);
  EXPECT_EQ(f.UserName(), c.UserName.empty() ? c.FieldName : c.UserName);
  EXPECT_EQ(f.Expression, c.Expression);
}

void ExpectDataSet(const DataSetDesc& d, const TPDDataSet& s) {
  SCOPED_TRACE("dataset " + d.Name);
  EXPECT_EQ(s.Name(), d.Name);
  EXPECT_EQ(s.TableName, d.Name);
  EXPECT_EQ(s.Caption, d.Caption.empty() ? d.Name : d.Caption);
  EXPECT_EQ(s.RefColNum, d.RefColNum);
  EXPECT_EQ(s.AliasInfo, d.AliasInfo);
  EXPECT_EQ(s.StreamVersion, d.StreamVersion);
  EXPECT_EQ(s.OneRowDataset, d.OneRowDataset);
  ASSERT_EQ(s.FieldDefs.size(), d.Columns.size());
  for (size_t c = 0; c < d.Columns.size(); ++c) ExpectColumn(d.Columns[c], s.FieldDefs[c], "column " + d.Columns[c].FieldName);
  ASSERT_EQ(s.RawRecCount(), int32_t(d.Records.size()));
  ASSERT_EQ(s.RecCount(), int32_t(d.Records.size()));
  for (size_t r = 0; r < d.Records.size(); ++r) {
    int32_t aliasCol = 0;
    for (size_t c = 0; c < d.Columns.size(); ++c) {
      const VarType& cell = d.Records[r][c];
      EXPECT_EQ(s.Cell(int32_t(r), int32_t(c)), AfterStream(cell)) << "record " << r << " column " << c;
      if (d.Columns[c].RefColNum == 0) continue;
      // Names from the stream, else (no hook) the cell's own text.
      const std::string name = d.AliasesReady ? d.AliasNames[r][aliasCol] : AfterStream(cell).AsString();
      EXPECT_EQ(s.GetValue(int32_t(r), int32_t(c)), StrValue(name));
      ++aliasCol;
    }
  }
}

void ExpectOrder(const OrderDesc& order, const TPDDataSource& source) {
  EXPECT_EQ(source.Name, order.ObjectName);
  EXPECT_EQ(source.Tag, order.Tag);
  EXPECT_EQ(source.StreamVersion, order.StreamVersion);
  ASSERT_EQ(source.Links.size(), order.Links.size());
  for (size_t i = 0; i < order.Links.size(); ++i) {
    EXPECT_EQ(source.Links[i].MasterTable, order.Links[i].MasterTable);
    EXPECT_EQ(source.Links[i].ChildTable, order.Links[i].ChildTable);
    EXPECT_EQ(source.Links[i].MasterField, order.Links[i].MasterField);
    EXPECT_EQ(source.Links[i].ChildField, order.Links[i].ChildField);
  }
  ASSERT_EQ(source.DataSets.size(), order.DataSets.size());
  for (size_t i = 0; i < order.DataSets.size(); ++i) ExpectDataSet(order.DataSets[i], *source.DataSets[i]->DataSet());
}

class RoundTrip : public ::testing::TestWithParam<int32_t> {};

TEST_P(RoundTrip, RandomOrdersComeBackWhole) {
  for (uint32_t seed = 1; seed <= 150; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const OrderDesc order = RandomOrder(seed * 7919 + GetParam()).Make(GetParam());
    ExpectOrder(order, *Load(orderwriter::WriteOrderStream(order)));
    if (HasFatalFailure() || HasNonfatalFailure()) break;
  }
}

INSTANTIATE_TEST_SUITE_P(StreamVersions, RoundTrip, ::testing::Values(1, 2));

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(Samples, EverySampleLoadsAsDescribed) {
  for (const char* name : {"simple_sale", "discounts", "change_currencies", "modifiers_combo"}) {
    SCOPED_TRACE(name);
    const std::string text = ReadFile(std::string(ZEF_ORDER_SAMPLES) + "/" + name + ".order");
    ASSERT_FALSE(text.empty());
    const OrderDesc order = orderwriter::ParseOrderDescription(text);
    auto source = Load(orderwriter::WriteOrderStream(order));
    ExpectOrder(order, *source);
    for (const char* table : {"Dishes", "Discounts", "Payments", "Taxes", "DiscTaxes", "Modifiers"})
      EXPECT_NE(source->GetDataSet(table, false), nullptr) << table;
  }
}

TEST(Samples, MoneyOfTheDiscountOrder) {
  const OrderDesc order = orderwriter::ParseOrderDescription(
      ReadFile(std::string(ZEF_ORDER_SAMPLES) + "/discounts.order"));
  auto source = Load(orderwriter::WriteOrderStream(order));
  TPDDataSet* discounts = source->GetDataSet("Discounts");
  int64_t total = 0;
  discounts->First();
  do {
    total += AsHundredths(discounts->GetRawValueByName("FiscRegAmount"));
  } while (!discounts->Next());
  EXPECT_EQ(total, -21550);
  TPDDataSet* dishes = source->GetDataSet("Dishes");
  dishes->First();
  EXPECT_EQ(dishes->GetFieldText("DishName"), "\xD1\xF2\xE5\xE9\xEA");  // "Стейк" in code page 1251
}

template <size_t N>
std::string B(const char (&bytes)[N]) {
  return std::string(bytes, N - 1);
}

std::string LittleEndian32(uint32_t v) {
  return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}

TEST(Writer, ExactBytesOfAMinimalOrder) {
  OrderDesc order;
  order.ResourceName = "R";
  DataSetDesc d;
  d.Name = "T";
  d.Columns = {Column("A", vtInteger)};
  d.Records = {{IntValue(1)}};
  order.DataSets = {d};
  const std::string body = B("TPF0\x0DTPDDataSource\x03PDS") + B("\x05Links\x0E\x00") +
                           B("\x08" "DataSets\x0E\x01") + B("\x08ObjClass\x06\x0ATPDDataSet") +
                           B("\x0C" "DataSet.Name\x06\x01T") + B("\x11" "DataSet.FieldDefs\x0E\x01") +
                           B("\x09" "FieldName\x06\x01" "A") + B("\x07VarType\x07\x09vtInteger\x00\x00") +
                           B("\x13" "DataSet.RawRecCount\x02\x01") + B("\x11" "DataSet.AliasInfo\x02\x00") +
                           B("\x15" "DataSet.StreamVersion\x02\x01") + B("\x15" "DataSet.OneRowDataset\x08") +
                           B("\x0C" "DataSet.Data\x0A\x05\x00\x00\x00\x02\x01\x00\x00\x00") + B("\x00\x00") +
                           B("\x0DStreamVersion\x02\x01\x00\x00");
  const std::string header = B("\xFF\x0A\x00R\x00\x30\x10") + LittleEndian32(uint32_t(body.size()));
  EXPECT_EQ(orderwriter::WriteOrderStream(order), header + body);
}

TEST(Parser, DescriptionErrorsNameTheLine) {
  try {
    orderwriter::ParseOrderDescription("dataset T\ncolumn A integer\nrow 1 2\n");
    FAIL();
  } catch (const orderwriter::DescriptionError& e) {
    EXPECT_STREQ(e.what(), "line 3: more values than columns");
  }
  EXPECT_THROW(orderwriter::ParseOrderDescription("row 1\n"), orderwriter::DescriptionError);
  EXPECT_THROW(orderwriter::ParseOrderDescription("dataset T\ncolumn A frac\nrow 1.1234567\n"),
               orderwriter::DescriptionError);
}

TEST(Parser, TypedCells) {
  const OrderDesc order = orderwriter::ParseOrderDescription(
      "charset raw\n"
      "dataset T caption=\"Big table\" version=2\n"
      "column S string ref=7 visible=false\n"
      "column F frac\n"
      "column D datetime\n"
      "row \"a \\\"b\\\"\\x01\" -0.5 1899-12-31T06:00 | \"name\"\n"
      "row ~ int:5 ms:-1 | x\n"
      "row null str:\"q r\" 1899-12-30 | y\n");
  const DataSetDesc& d = order.DataSets.at(0);
  EXPECT_EQ(d.Caption, "Big table");
  EXPECT_FALSE(d.Columns[0].Visible);
  EXPECT_TRUE(d.AliasesReady);
  EXPECT_EQ(d.Records[0][0], StrValue("a \"b\"\x01"));
  EXPECT_EQ(d.Records[0][1], FracValue(-500000));
  EXPECT_EQ(d.Records[0][2].Value, MsPerDay + MsPerDay / 4);
  EXPECT_EQ(d.Records[1][0], VarType::OfType(vtString));
  EXPECT_EQ(d.Records[1][1], IntValue(5));
  EXPECT_EQ(d.Records[2][0], VarType::Null());
  EXPECT_EQ(d.Records[2][1], StrValue("q r"));
  EXPECT_EQ(d.Records[2][2].Value, 0);
  EXPECT_EQ(d.AliasNames[2][0], "y");
}

}  // namespace
