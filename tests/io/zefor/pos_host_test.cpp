// What the register reads from the POS through the host callback interface
// rather than the parameter service: the system values of the document
// header, the setting for automatic bills, the POS's version that chooses
// the payment and tax type properties, and the classification of device
// parameter 24. Every test runs under the guard of the parameter service,
// so asking the service for any of these would fail it.
#include "receipt_fixture.h"

namespace {

using PosHostValues = ReceiptTest;

// The demo's POS objects with their system values under another section.
std::string ObjectsWithSystem(const std::string& system) {
  std::string objects = SourceFile("tools/possim/demo/receipts.cfg");
  const std::string demoSystem = "[system]\nThisServerIdent = 1\nThisStationIdent = 3\nUserRegistered = 5\n";
  const size_t at = objects.find(demoSystem);
  EXPECT_NE(at, std::string::npos);
  return objects.replace(at, demoSystem.size(), system);
}

const char kOptions[] = "options = foAbsItemDiscount foCalcChange\nprotocol = 40\n";

// Without the station's and the server's identifiers the header has no
// restaurant: the receipt fails and nothing reaches the register.
TEST_F(PosHostValues, WithoutSystemValuesTheReceiptFailsForTheRestaurant) {
  Start(kOptions, "", ObjectsWithSystem(""));
  tAnswer a = Print("tools/possim/demo/dinner.order", fdFiscCheck);
  EXPECT_FALSE(a.Result);
  EXPECT_TRUE(Contains(a.ErrorText, "POS object of Restaurant not found")) << a.ErrorText;
  EXPECT_TRUE(Accepted().empty());
}

// The header's objects come from the host's integer values (the cashier
// is the order's author here).
TEST_F(PosHostValues, HeaderObjectsComeFromTheHostInterface) {
  Start(kOptions, "", ObjectsWithSystem("[system]\nThisServerIdent = 1\nThisStationIdent = 3\n"));
  tAnswer a = Print("tools/possim/demo/dinner.order", fdFiscCheck);
  ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
  std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_TRUE(Contains(docs[0], "<Restaurant Id=\"10\" Code=\"15\" Name=\"Cafe Orbelo\"/>")) << docs[0];
  EXPECT_TRUE(Contains(docs[0], "<Station Id=\"3\" Code=\"3\" Name=\"Bar station\"/>")) << docs[0];
}

// A document without the POS's receipt data names the user registered at
// the station, a system value of the host.
TEST_F(PosHostValues, TheRegisteredUserComesFromTheHostInterface) {
  Start("options = foMoneyInOut\nprotocol = 40\n", "6 = 0\n",
        ObjectsWithSystem("[system]\nThisServerIdent = 1\nThisStationIdent = 3\nUserRegistered = 6\n") +
            SourceFile("tests/io/zefor/orders/pos_objects.cfg"));
  const std::string data = orderwriter::WriteOrderStream(
      orderwriter::ParseOrderDescription(SourceFile("tests/io/zefor/orders/cash_in.order")));
  tAnswer a = SendDocument(fdCashInOut, 0, data);
  ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
  std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_TRUE(Contains(docs[0], "<Operator Id=\"6\" Code=\"106\" Name=\"Igor Sokolov\"/>")) << docs[0];
}

// "BillAlways" 2 sends the bill before a sale (the register takes bills
// but no order documents); any other value, or none, sends the sale alone.
TEST_F(PosHostValues, BillAlwaysComesFromTheHostInterface) {
  const std::string emulator = "options = foAbsItemDiscount foCalcChange foBill\nprotocol = 40\n";
  struct tCase {
    const char* Host;
    std::vector<std::string> DocTypes;
  };
  const tCase cases[] = {{"[host]\nBillAlways = 2\n", {"Bill", "Receipt"}},
                         {"[host]\nBillAlways = 1\n", {"Receipt"}},
                         {"", {"Receipt"}}};
  for (const tCase& c : cases) {
    SCOPED_TRACE(c.Host);
    Restart();
    Start(emulator, "", SourceFile("tools/possim/demo/receipts.cfg") + c.Host);
    tAnswer a = Print("tools/possim/demo/dinner.order", fdFiscCheck);
    ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
    std::vector<std::string> types;
    for (const std::string& doc : Accepted()) {
      const size_t at = doc.find("DocType=\"") + 9;
      types.push_back(doc.substr(at, doc.find('"', at) - at));
    }
    EXPECT_EQ(types, c.DocTypes);
  }
}

// The payment and tax type properties: parameter 3 absent, the POS's
// version (a text value of the host) 7.0.30.0 or later and a register type
// other than 0 give "FiscDevParams^" and the type; an older version, no
// version or type 0 give the first classic set. The demo objects carry both
// sets with the same types, so every receipt prints alike.
TEST_F(PosHostValues, ThePosVersionChoosesThePropertyNames) {
  struct tCase {
    const char* Version;
    const char* Type;
    const char* Property;
  };
  const tCase cases[] = {{"7.0.4.1", "57", "FiscRegPayType1"},      {"7.0.30.0", "57", "FiscDevParams^57"},
                         {"7.1.0.12", "57", "FiscDevParams^57"},    {"", "57", "FiscRegPayType1"},
                         {"7.1.0.12", "0", "FiscRegPayType1"}};
  for (const tCase& c : cases) {
    SCOPED_TRACE(std::string(c.Version) + " type " + c.Type);
    Restart();
    std::string system = "[system]\nThisServerIdent = 1\nThisStationIdent = 3\nUserRegistered = 5\n";
    if (*c.Version) system += std::string("MidServVersion = ") + c.Version + "\n";
    const std::string objects = ObjectsWithSystem(system) +
                                "[ref 52]\n1.FiscDevParams^57 = 1\n2.FiscDevParams^57 = 2\n"
                                "[ref 3]\n1.FiscDevParams^57 = 1\n";
    Start(kOptions, std::string("2 = ") + c.Type + "\n", objects);
    tAnswer a = Print("tools/possim/demo/dinner.order", fdFiscCheck);
    ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
    const std::string property = c.Property;
    EXPECT_EQ(JournalLines("PayTypeProperty="),
              (std::vector<std::string>{
                  "Currency=1 PayTypeProperty=" + property + " Currency Type=1 value=200000 type=1",
                  "Currency=1 PayTypeProperty=" + property + " Currency Type=1 value=-21000 type=1",
                  "CurrLineCurrency=1 PayTypeProperty=" + property + " Currency Type=1 value=-21000 type=1"}));
  }
}

// Parameter 24 names a classification by its code: its identifier groups
// the receipt's lines by the dishes' groups of that classification.
class GroupingClassification : public ReceiptTest {
 protected:
  // Classification 256 (code 5) with groups 257 (code 6) and 258; soup and
  // steak are in group 257, the wine in 258.
  static std::string Objects() {
    return SourceFile("tools/possim/demo/receipts.cfg") +
           "[object 8 256]\nCode = 5\nname = Menu\n[object 8 257]\nCode = 6\nname = Kitchen\n"
           "[object 8 258]\nCode = 7\nname = Bar\n"
           "[ref 1]\n1001.ClassificatorGroups^256.Ident = 257\n1002.ClassificatorGroups^256.Ident = 257\n"
           "1003.ClassificatorGroups^256.Ident = 258\n"
           "[translate]\nInvalid parameter value for \"Grouping Classification Code\" = %d. (Id = %d) => "
           "Bad grouping code %d (object %d)\n";
  }
  // The receipt's item count after printing the dinner with parameter 24.
  size_t Items(const std::string& code) {
    Start(kOptions, "24 = " + code + "\n", Objects());
    tAnswer a = Print("tools/possim/demo/dinner.order", fdFiscCheck);
    EXPECT_TRUE(a.Result) << a.ErrorText << "\n" << Journal();
    std::vector<std::string> docs = Accepted();
    return docs.size() == 1 ? Count(docs[0], "<Item ") : 0;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> lines;
    std::istringstream in(Read("requests.log"));
    for (std::string line; std::getline(in, line);)
      if (line.rfind("MESSAGE ", 0) == 0) lines.push_back(line);
    return lines;
  }
};

TEST_F(GroupingClassification, TheIdentifierFoundGroupsTheLines) {
  EXPECT_EQ(Items("5"), 2u) << Read("emu1.docs");
  EXPECT_TRUE(JournalLines("Grouping Classification Code").empty()) << Journal();
  EXPECT_TRUE(Messages().empty());
}

TEST_F(GroupingClassification, ACodeOfNoObjectIsReportedAndNothingIsGrouped) {
  EXPECT_EQ(Items("9"), 3u) << Read("emu1.docs");
  EXPECT_EQ(JournalLines("Grouping Classification Code"),
            std::vector<std::string>{
                "Warning: Invalid parameter value for \"Grouping Classification Code\" = 9. "
                "(Id = 0)"});
  EXPECT_EQ(Messages(), std::vector<std::string>{"MESSAGE Bad grouping code 9 (object 0) -> 2"});
}

TEST_F(GroupingClassification, ACodeOfAGroupIsReportedAndNothingIsGrouped) {
  EXPECT_EQ(Items("6"), 3u) << Read("emu1.docs");
  EXPECT_EQ(JournalLines("Grouping Classification Code"),
            std::vector<std::string>{
                "Warning: Invalid parameter value for \"Grouping Classification Code\" = 6. "
                "(Id = 257)"});
  EXPECT_EQ(Messages(), std::vector<std::string>{"MESSAGE Bad grouping code 6 (object 257) -> 2"});
}

}  // namespace
