// The datasets container: loading, lookups, the cursor walk, reference
// names and properties through the hooks.
#include <gtest/gtest.h>

#include <vector>

#include "posdata/compreader.h"
#include "posdata_testing.h"

using namespace posdata_testing;

namespace {

// "Dishes" with a reference column, "Payments" with a currency reference.
OrderDesc DishOrder(int32_t version = 1) {
  OrderDesc order;
  DataSetDesc dishes;
  dishes.Name = "Dishes";
  dishes.StreamVersion = version;
  dishes.Columns = {Column("Dish", vtInteger, 1), Column("DishName", vtString),
                    Column("Quantity", vtFrac)};
  dishes.Columns[1].Caption = "Name of dish";
  dishes.Columns[2].UserName = "Qty";
  dishes.Records = {{IntValue(11), StrValue("Soup"), FracValue(1000000)},
                    {IntValue(12), StrValue("Tea"), FracValue(2000000)},
                    {IntValue(13), StrValue("Cake"), FracValue(500000)}};
  DataSetDesc payments;
  payments.Name = "Payments";
  payments.Caption = "Pay";
  payments.StreamVersion = version;
  payments.Columns = {Column("Currency", vtInteger, 52), Column("NationalSum", vtFrac)};
  payments.Records = {{IntValue(1), FracValue(370000000)}};
  order.DataSets = {dishes, payments};
  return order;
}

struct HookCall {
  int32_t id, kind;
  std::string text;
};
std::vector<HookCall> g_nameCalls;
std::vector<std::string> g_propCalls;

void RecordingRefName(int32_t id, int32_t kind, std::string& text) {
  g_nameCalls.push_back({id, kind, text});
  text = "name#" + std::to_string(id);
}

std::string RecordingRefProp(int32_t kind, int32_t id, const std::string& path) {
  g_propCalls.push_back(std::to_string(kind) + "/" + std::to_string(id) + "/" + path);
  return "prop:" + path;
}

class DataSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_nameCalls.clear();
    g_propCalls.clear();
  }
  void TearDown() override { SetPDHooks(TPDHooks()); }
};

TEST_F(DataSourceTest, EmptyTable) {
  OrderDesc order = DishOrder();
  order.DataSets[0].Records.clear();
  auto source = Load(orderwriter::WriteOrderStream(order));
  TPDDataSet* dishes = source->GetDataSet("Dishes");
  EXPECT_EQ(dishes->RecCount(), 0);
  dishes->First();
  EXPECT_TRUE(dishes->Eof());
  EXPECT_TRUE(dishes->Next());
  EXPECT_EQ(dishes->GetFieldText("DishName"), "");
  EXPECT_EQ(dishes->GetRawValueByName("Quantity"), VarType::Null());
  EXPECT_EQ(dishes->GetValue(0, 1), StrValue(""));
}

TEST_F(DataSourceTest, CursorWalkVisitsEveryRecordOnce) {
  auto source = Load(orderwriter::WriteOrderStream(DishOrder()));
  TPDDataSet* dishes = source->GetDataSet("Dishes");
  std::vector<std::string> seen;
  ASSERT_GT(dishes->RecCount(), 0);
  dishes->First();
  do {
    seen.push_back(dishes->GetFieldText("DishName"));
  } while (!dishes->Next());
  EXPECT_EQ(seen, (std::vector<std::string>{"Soup", "Tea", "Cake"}));
  EXPECT_EQ(dishes->Cursor(), 2);
  EXPECT_TRUE(dishes->Eof());
}

TEST_F(DataSourceTest, LookupsIgnoreCaseAndDescSuffix) {
  auto source = Load(orderwriter::WriteOrderStream(DishOrder()));
  EXPECT_EQ(source->GetDataSet("dishes"), source->GetDataSet("Dishes"));
  EXPECT_EQ(source->GetDataSet("PAY"), source->GetDataSet("Payments"));
  EXPECT_EQ(source->GetDataSet("Taxes", false), nullptr);
  const TPDDataSet* dishes = source->GetDataSet("Dishes");
  EXPECT_EQ(dishes->TableName, "Dishes");
  EXPECT_EQ(dishes->FieldIndex("Quantity DESC"), 2);
  EXPECT_EQ(dishes->FieldIndex("quantity desc"), 2);
  EXPECT_EQ(dishes->FieldIndex("DISHNAME"), 1);
  EXPECT_EQ(dishes->FieldIndex("name of DISH"), 1);  // by caption
  EXPECT_EQ(dishes->FieldIndex("qty"), 2);           // by user name
  EXPECT_EQ(dishes->FieldIndex("Price"), -1);
  EXPECT_EQ(dishes->GetRawValueByName("Price"), VarType::Null());
  EXPECT_EQ(dishes->GetFieldText("Price"), "Error!");
}

TEST_F(DataSourceTest, UnknownDatasetMessageIsTranslated) {
  auto source = Load(orderwriter::WriteOrderStream(DishOrder()));
  try {
    source->GetDataSet("Taxes");
    FAIL();
  } catch (const EPDError& e) {
    EXPECT_STREQ(e.what(), "Unknown dataset \"Taxes\"");
  }
  TPDHooks hooks;
  hooks.Translate = [](const std::string& text, std::string& result) {
    if (text != "Unknown dataset \"%s\"") return false;
    result = "Нет набора \"%s\"";
    return true;
  };
  HookScope scope(hooks);
  EXPECT_EQ(Translate("other"), "other");
  try {
    source->GetDataSet("Taxes");
    FAIL();
  } catch (const EPDError& e) {
    EXPECT_STREQ(e.what(), "Нет набора \"Taxes\"");
  }
}

TEST_F(DataSourceTest, ValuesOfRowsAndColumns) {
  auto source = Load(orderwriter::WriteOrderStream(DishOrder()));
  TPDDataSet* dishes = source->GetDataSet("Dishes");
  EXPECT_EQ(dishes->GetValue(1, 1), StrValue("Tea"));
  EXPECT_EQ(dishes->GetValue(1, 0), StrValue("12"));  // a reference column shows its name
  EXPECT_EQ(dishes->GetValue(2, -2), IntValue(2));
  EXPECT_EQ(dishes->GetValue(3, 1), StrValue("Error!"));
  EXPECT_EQ(dishes->GetValue(0, 3), StrValue("Error!"));
  EXPECT_EQ(dishes->GetValue(-1, 0), StrValue("Error!"));
  dishes->First();
  dishes->Next();
  EXPECT_EQ(dishes->GetRawValue(0), IntValue(12));  // raw: no substitution
  EXPECT_EQ(dishes->GetRawValue(-1), VarType::Null());
  EXPECT_EQ(dishes->GetRawValue(9), VarType::Null());
  EXPECT_EQ(AsThousandths(dishes->GetRawValueByName("Quantity")), 2000);
}

TEST_F(DataSourceTest, VersionOneNamesComeFromTheHook) {
  TPDHooks hooks;
  hooks.RefName = RecordingRefName;
  HookScope scope(hooks);
  auto source = Load(orderwriter::WriteOrderStream(DishOrder(1)));
  ASSERT_EQ(g_nameCalls.size(), 4u);
  EXPECT_EQ(g_nameCalls[0].id, 11);
  EXPECT_EQ(g_nameCalls[0].kind, 1);
  EXPECT_EQ(g_nameCalls[0].text, "11");
  EXPECT_EQ(g_nameCalls[3].kind, 52);
  TPDDataSet* dishes = source->GetDataSet("Dishes");
  dishes->First();
  EXPECT_EQ(dishes->GetFieldText("Dish"), "name#11");
}

TEST_F(DataSourceTest, VersionTwoNamesComeFromTheStream) {
  OrderDesc order = DishOrder(2);
  order.DataSets[0].AliasesReady = true;
  order.DataSets[0].AliasNames = {{"Борщ"}, {"Чай"}, {"Торт"}};
  TPDHooks hooks;
  hooks.RefName = RecordingRefName;
  HookScope scope(hooks);
  auto source = Load(orderwriter::WriteOrderStream(order));
  // Payments carried flag 0, so only its one reference is asked for.
  ASSERT_EQ(g_nameCalls.size(), 1u);
  EXPECT_EQ(g_nameCalls[0].kind, 52);
  TPDDataSet* dishes = source->GetDataSet("Dishes");
  EXPECT_TRUE(dishes->AliasesReady());
  EXPECT_EQ(dishes->GetValue(2, 0), StrValue("Торт"));
}

TEST_F(DataSourceTest, ReferenceProperties) {
  auto source = Load(orderwriter::WriteOrderStream(DishOrder()));
  TPDDataSet* payments = source->GetDataSet("Payments");
  payments->First();
  EXPECT_EQ(payments->GetFieldText("Currency.RateClass.ISOCode"), "Error!");  // no hook
  TPDHooks hooks;
  hooks.RefProp = RecordingRefProp;
  HookScope scope(hooks);
  EXPECT_EQ(payments->GetFieldText("Currency.RateClass.ISOCode"), "prop:RateClass.ISOCode");
  EXPECT_EQ(payments->GetRefProperty("Payments.Currency.Code"), "prop:Code");
  EXPECT_EQ(payments->GetRefProperty("pay.Currency.Code"), "prop:Code");
  EXPECT_EQ(g_propCalls, (std::vector<std::string>{"52/1/RateClass.ISOCode", "52/1/Code", "52/1/Code"}));
  EXPECT_EQ(payments->GetFieldText("Dish.Name"), "Error!");  // no such column
  EXPECT_EQ(payments->GetFieldText("NationalSum.Name"), "Error!");  // not a reference
  EXPECT_EQ(payments->GetRefProperty("Currency"), "Error!");  // no property path
  EXPECT_EQ(payments->GetRefProperty("Payments.Currency"), "Error!");
  EXPECT_EQ(g_propCalls.size(), 3u);
}

TEST_F(DataSourceTest, ReferenceBeyond32BitsIsARangeError) {
  OrderDesc order = DishOrder();
  order.DataSets[1].Columns[0].VarType = vtString;
  order.DataSets[1].Records[0][0] = StrValue("3000000000");
  const std::string bytes = orderwriter::WriteOrderStream(order);
  {
    TPDHooks hooks;
    hooks.RefProp = RecordingRefProp;
    HookScope scope(hooks);
    auto source = Load(bytes);  // no name hook: the names are the texts
    TPDDataSet* payments = source->GetDataSet("Payments");
    payments->First();
    EXPECT_EQ(payments->GetFieldText("Currency"), "3000000000");
    EXPECT_THROW(payments->GetFieldText("Currency.Code"), ERangeError);
  }
  TPDHooks hooks;
  hooks.RefName = RecordingRefName;
  HookScope scope(hooks);
  TPDDataSource source;
  TPDReadStream stream(bytes.data(), bytes.size());
  source.LoadFromStream(stream, 1);
  EXPECT_THROW(source.Open(), ERangeError);
  EXPECT_FALSE(source.Loaded());
}

TEST_F(DataSourceTest, ItemWithoutClassHasNoDataset) {
  OrderDesc order = DishOrder();
  order.DataSets[1].ObjClass.clear();
  EXPECT_EQ(LoadError(orderwriter::WriteOrderStream(order)), "Error loading datasets: no dataset 1");
  order.DataSets[0].ObjClass.clear();
  EXPECT_EQ(LoadError(orderwriter::WriteOrderStream(order)), "Error loading datasets: no dataset 0");
  order.DataSets[0].ObjClass = "TSomeOtherDataSet";  // any class gives a plain dataset
  order.DataSets[1].ObjClass = "TPDDataSet";
  EXPECT_EQ(LoadError(orderwriter::WriteOrderStream(order)), "");
}

TEST_F(DataSourceTest, UnknownPropertiesAreSkippedEverywhere) {
  std::string bytes = orderwriter::WriteOrderStream(DishOrder());
  const std::string list = Property("Mystery", std::string("\x01\x02\x05\x06\x03" "abc\x0E\x01\x00\x00\x00", 13));
  bytes = InsertBeforeProperty(bytes, "StreamVersion", list);        // root
  bytes = InsertBeforeProperty(bytes, "DataSet.RawRecCount",          // dataset
                               Property("DataSet.Extra", std::string("\x12\x02\x00\x00\x00" "a\0b\0", 9)));
  bytes = InsertBeforeProperty(bytes, "VarType", Property("Width", std::string("\x05" "0123456789", 11)));
  bytes = InsertBeforeProperty(bytes, "ObjClass", Property("Ghost.Set", std::string("\x0B\x02" "ab\x00", 5)));
  auto source = Load(bytes);
  TPDDataSet* dishes = source->GetDataSet("Dishes");
  EXPECT_EQ(dishes->RecCount(), 3);
  EXPECT_EQ(dishes->FieldDefs[0].VarType, vtInteger);
  EXPECT_EQ(dishes->GetValue(1, 1), StrValue("Tea"));
}

TEST_F(DataSourceTest, ValuesThatDoNotFitTheirPropertyAreDropped) {
  std::string bytes = orderwriter::WriteOrderStream(DishOrder());
  // A caption given as an integer, a column type that is no type name, a
  // Boolean given as a string: each is dropped and loading goes on.
  bytes = InsertBeforeProperty(bytes, "DataSet.FieldDefs", Property("DataSet.Caption", "\x02\x05"));
  bytes = InsertBeforeProperty(bytes, "FieldName", Property("VarType", "\x07\x07vtBogus"));
  bytes = InsertBeforeProperty(bytes, "DataSet.RawRecCount", Property("DataSet.OneRowDataset", "\x06\x01x"));
  auto source = Load(bytes);
  const TPDDataSet* dishes = source->GetDataSet("Dishes");
  EXPECT_EQ(dishes->Caption, "Dishes");
  EXPECT_EQ(dishes->FieldDefs[0].VarType, vtInteger);  // the real VarType follows
  EXPECT_EQ(dishes->RecCount(), 3);
}

TEST_F(DataSourceTest, ColumnsReadAfterTheRecordCountAreSettled) {
  std::string bytes = orderwriter::WriteOrderStream(DishOrder());
  // Dishes gets its columns again after RawRecCount, now all references,
  // and its Data is renamed away: the storage must follow the new columns.
  std::string column = Property("FieldName", "\x06\x01X") + Property("RefColNum", "\x02\x05");
  std::string defs = "\x0E";
  for (int i = 0; i < 3; ++i) defs += "\x01" + column + std::string(1, '\0');
  defs += std::string(1, '\0');
  bytes = InsertBeforeProperty(bytes, "DataSet.AliasInfo", Property("DataSet.FieldDefs", defs));
  bytes.replace(bytes.find("DataSet.Data"), 12, "DataSet.Dat_");
  auto source = Load(bytes);
  const TPDDataSet* dishes = source->GetDataSet("Dishes");
  ASSERT_EQ(dishes->RecCount(), 3);
  ASSERT_EQ(dishes->ReferenceColumnCount(), 3);
  EXPECT_EQ(dishes->GetValue(2, 0), StrValue("0"));  // the typed empty cells' texts
  EXPECT_EQ(dishes->GetValue(2, 1), StrValue(""));
  EXPECT_EQ(dishes->GetValue(2, 2), StrValue("0.00"));
}

TEST_F(DataSourceTest, LinksAndSourceProperties) {
  OrderDesc order = DishOrder();
  order.ObjectName = "Order42";
  order.Tag = 300;
  order.StreamVersion = 2;
  order.Links = {{"Dishes", "Modifiers", "DishUNI", "DishUNI"}, {"A", "", "", "D"}};
  auto source = Load(orderwriter::WriteOrderStream(order));
  EXPECT_EQ(source->Name, "Order42");
  EXPECT_EQ(source->Tag, 300);
  EXPECT_EQ(source->StreamVersion, 2);
  ASSERT_EQ(source->Links.size(), 2u);
  EXPECT_EQ(source->Links[0].ChildTable, "Modifiers");
  EXPECT_EQ(source->Links[1].ChildField, "D");
  EXPECT_EQ(source->Links[1].ChildTable, "");
}

TEST_F(DataSourceTest, ClearFreesTheDatasetsOnlyWhenLoaded) {
  const std::string bytes = orderwriter::WriteOrderStream(DishOrder());
  TPDDataSource source;
  TPDReadStream stream(bytes.data(), bytes.size());
  source.LoadFromStream(stream, 1);
  source.Clear();  // not open yet: kept
  EXPECT_EQ(source.DataSets.size(), 2u);
  source.Open();
  EXPECT_TRUE(source.Loaded());
  source.Clear();
  EXPECT_FALSE(source.Loaded());
  EXPECT_TRUE(source.DataSets.empty());
  EXPECT_EQ(source.GetDataSet("Dishes", false), nullptr);
}

TEST_F(DataSourceTest, EveryDocumentReplacesTheLastOne) {
  OrderDesc second = DishOrder();
  second.DataSets.pop_back();
  const std::string first = orderwriter::WriteOrderStream(DishOrder());
  const std::string next = orderwriter::WriteOrderStream(second);
  TPDDataSource source;
  source.LoadDocument(first.data(), int32_t(first.size()));
  EXPECT_NE(source.GetDataSet("Payments", false), nullptr);
  source.LoadDocument(next.data(), int32_t(next.size()));
  EXPECT_EQ(source.GetDataSet("Payments", false), nullptr);
  EXPECT_TRUE(source.Loaded());
  EXPECT_THROW(source.LoadDocument(next.data(), -1), EPDError);
  EXPECT_FALSE(source.Loaded());
  EXPECT_THROW(source.LoadDocument(next.data(), 10), EReadError);  // cut short
  EXPECT_FALSE(source.Loaded());
}

TEST(ComponentReader, UnicodeStringTagsBecomeSingleByteText) {
  const std::string bytes = std::string("\x14\x04\x00\x00\x00\xD0\x91\xD0\xB0", 9) +  // UTF-8 "Ба"
                            std::string("\x12\x02\x00\x00\x00\x11\x04\x30\x04", 9) +  // UTF-16 "Ба"
                            std::string("\x0C\x03\x00\x00\x00" "abc", 8) +
                            std::string("\x12\x01\x00\x00\x00\x00\xD8", 7);           // a lone surrogate
  TPDReadStream stream(bytes.data(), bytes.size());
  TPDComponentReader reader(stream);
  EXPECT_EQ(reader.ReadString(), "\xC1\xE0");
  EXPECT_EQ(reader.ReadString(), "\xC1\xE0");
  EXPECT_EQ(reader.ReadString(), "abc");
  EXPECT_EQ(reader.ReadString(), "?");
  EXPECT_EQ(stream.Remaining(), 0u);
}

TEST(ComponentReader, IntegerTagsAndMismatches) {
  const std::string bytes = std::string("\x02\xFF\x03\x00\x80\x04\x00\x00\x00\x80", 10) +
                            std::string("\x06\x02xy\x02\x07", 6);
  TPDReadStream stream(bytes.data(), bytes.size());
  TPDComponentReader reader(stream);
  EXPECT_EQ(reader.ReadInteger(), -1);
  EXPECT_EQ(reader.ReadInteger(), -32768);
  EXPECT_EQ(reader.ReadInteger(), INT32_MIN);
  EXPECT_THROW(reader.ReadInteger(), EPropertyError);  // the string is passed over whole
  EXPECT_EQ(reader.ReadInteger(), 7);
}

}  // namespace
