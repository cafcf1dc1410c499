// Node, element and document operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "xml/simplexml.h"
#include "xml/textconv.h"

namespace {

template <class F>
std::string MessageOf(F&& action) {
  try {
    action();
  } catch (const tInterfacedException& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(XmlNames, TableInternsPredefinedNamesFirstAndHashesLikeDjb) {
  IXmlNameTable table(new TXmlNameTable());
  EXPECT_EQ(table->Name(TXmlNameTable::kText), "#text");
  EXPECT_EQ(table->Name(TXmlNameTable::kCDATASection), "#cdata-section");
  EXPECT_EQ(table->Name(TXmlNameTable::kComment), "#comment");
  EXPECT_EQ(table->Name(TXmlNameTable::kDocument), "#document");
  EXPECT_EQ(table->Name(TXmlNameTable::kXml), "xml");
  EXPECT_EQ(table->Count(), 5);
  EXPECT_EQ(TXmlNameTable::Hash("ab"), uint32_t('a') * 33 + 'b');
  int32_t id = table->NameId("Receipt");
  EXPECT_EQ(table->NameId("Receipt"), id);
  EXPECT_NE(table->NameId("receipt"), id);
}

TEST(XmlNames, ReadLookupToleratesOnlyTheFirstLetterCase) {
  IXmlNameTable table(new TXmlNameTable());
  int32_t bold = table->NameId("Bold");
  EXPECT_EQ(table->ReadNameId("bold"), bold);
  EXPECT_NE(table->ReadNameId("bOLD"), bold);
  int32_t lower = table->NameId("text");
  EXPECT_EQ(table->ReadNameId("Text"), lower);
  EXPECT_EQ(table->ReadNameId("1x"), table->NameId("1x"));
}

TEST(XmlNames, AttributeReadWithOtherFirstLetterCase) {
  IXmlNameTable table(new TXmlNameTable());
  IXmlElement element = NewXmlElement("E", table.get());
  element->SetAttr("Bold", "1");
  EXPECT_EQ(element->AttrText("bold"), "1");
  EXPECT_FALSE(element->AttrExists("bOLD"));
  element->AppendElement("Child");
  EXPECT_TRUE(element->SelectSingleNode("child"));
}

TEST(XmlNames, MovingBetweenTablesReinterns) {
  IXmlNameTable own(new TXmlNameTable());
  IXmlDocument target = NewXmlDocument("Root");
  IXmlElement foreign = NewXmlElement("Foreign", own.get());
  foreign->SetAttr("Attr", "v");
  foreign->AppendElement("Inner");
  target->DocumentElement()->AppendChild(foreign);
  EXPECT_EQ(foreign->NameTable(), target->NameTable());
  EXPECT_EQ(foreign->NodeName(), "Foreign");
  EXPECT_EQ(foreign->AttrText("Attr"), "v");
  EXPECT_TRUE(target->DocumentElement()->SelectSingleNode("Foreign/Inner"));
}

TEST(XmlNodes, KindsNamesAndNumbers) {
  IXmlDocument document = NewXmlDocument("R");
  IXmlElement root = document->DocumentElement();
  EXPECT_EQ(document->NodeType(), 9);
  EXPECT_EQ(document->NodeName(), "#document");
  EXPECT_EQ(root->NodeType(), 1);
  EXPECT_EQ(root->AppendText("t")->NodeType(), 3);
  EXPECT_EQ(root->AppendText("t")->NodeName(), "#text");
  EXPECT_EQ(root->AppendCDATA("c")->NodeType(), 4);
  EXPECT_EQ(root->AppendCDATA("c")->NodeName(), "#cdata-section");
  EXPECT_EQ(root->AppendInstruction("p")->NodeType(), 7);
  EXPECT_EQ(root->AppendComment("c")->NodeType(), 8);
  EXPECT_EQ(root->AppendComment("c")->NodeName(), "#comment");
  EXPECT_EQ(root->OwnerDocument().get(), document.get());
  EXPECT_EQ(root->ParentNode().get(), document.get());
}

TEST(XmlNodes, NodeTextJoinsAndTrims) {
  IXmlElement element = NewXmlElement("E");
  element->AppendText("  one ");
  element->AppendText(" two");
  element->AppendCDATA(" three");
  element->AppendElement("skip")->SetNodeText("x");
  EXPECT_EQ(element->NodeText(), "one two three");
  IXmlDocument document = NewXmlDocument("R");
  document->SetPreserveWhiteSpace(true);
  document->DocumentElement()->AppendText("  one ");
  document->DocumentElement()->AppendText(" two");
  EXPECT_EQ(document->DocumentElement()->NodeText(), "  one  two");
}

TEST(XmlNodes, HeldValueTurnsIntoATextChild) {
  IXmlElement element = NewXmlElement("E");
  element->AppendElement("Old");
  element->SetNodeText("value");
  EXPECT_EQ(element->NodeText(), "value");
  EXPECT_EQ(element->ChildCount(), 1);
  EXPECT_EQ(element->ChildAt(0)->NodeType(), NODE_TEXT);
  element->AppendElement("New");
  EXPECT_EQ(element->Xml(), "\r\n<E>value\r\n\t<New/>\r\n</E>");
}

TEST(XmlNodes, ChildListEditing) {
  IXmlElement root = NewXmlElement("R");
  IXmlNode a = root->AppendElement("A");
  IXmlNode c = root->AppendElement("C");
  IXmlNode b = NewXmlElement("B");
  root->InsertBefore(b, c);
  EXPECT_EQ(root->Xml(), "\r\n<R>\r\n\t<A/>\r\n\t<B/>\r\n\t<C/>\r\n</R>");
  IXmlNode d = NewXmlElement("D");
  EXPECT_EQ(root->ReplaceChild(d, a).get(), a.get());
  EXPECT_FALSE(a->ParentNode());
  EXPECT_EQ(root->ChildAt(0).get(), d.get());
  EXPECT_EQ(root->RemoveChild(b).get(), b.get());
  EXPECT_FALSE(b->ParentNode());
  EXPECT_EQ(root->ChildCount(), 2);
  // Appending a node that has a parent moves it.
  IXmlElement other = NewXmlElement("O");
  other->AppendChild(c);
  EXPECT_EQ(root->ChildCount(), 1);
  EXPECT_EQ(c->ParentNode().get(), other.get());
  root->RemoveAllChilds();
  EXPECT_EQ(root->ChildCount(), 0);
  EXPECT_FALSE(d->ParentNode());
}

TEST(XmlNodes, ImpossibleEditsRaise) {
  IXmlElement root = NewXmlElement("R");
  IXmlElement child = root->AppendElement("C");
  EXPECT_THROW(child->AppendChild(root), SimpleXMLException);
  EXPECT_THROW(root->AppendChild(root), SimpleXMLException);
  EXPECT_THROW(root->AppendChild(IXmlNode(new TXmlDocument())), SimpleXMLException);
  EXPECT_THROW(root->RemoveChild(NewXmlElement("X")), SimpleXMLException);
  EXPECT_THROW(root->InsertBefore(NewXmlElement("X"), NewXmlElement("Y")), SimpleXMLException);
  IXmlNode text = root->AppendText("t");
  EXPECT_THROW(text->AppendElement("X"), SimpleXMLException);
  EXPECT_THROW(text->SetAttr("a", "1"), SimpleXMLException);
  EXPECT_THROW(IXmlDocument(new TXmlDocument())->SetNodeText("x"), SimpleXMLException);
}

TEST(XmlNodes, ChildStaysValidAfterItsTreeIsGone) {
  IXmlNode survivor;
  {
    IXmlDocument document = ParseXmlDocument("<r><keep a=\"1\"/></r>");
    survivor = document->DocumentElement()->ChildAt(0);
  }
  EXPECT_FALSE(survivor->ParentNode());
  EXPECT_EQ(survivor->AttrText("a"), "1");
}

TEST(XmlNodes, LiveChildListAndItsIndexError) {
  IXmlElement root = NewXmlElement("R");
  IXmlNodeList list = root->ChildNodes();
  EXPECT_EQ(list->Count(), 0);
  root->AppendElement("A");
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Item(0)->NodeName(), "A");
  EXPECT_EQ(MessageOf([&] { list->Item(1); }),
            Utf8ToCodePage("Ошибка получения элемента списка: индекс выходит за пределы", 1251));
  EXPECT_THROW(list->Item(-1), SimpleXMLException);
}

TEST(XmlNodes, SelectionByNameAndPath) {
  IXmlDocument document = ParseXmlDocument(
      "<r><a n=\"1\"/><b><c><d>deep</d></c></b><a n=\"2\"/><a n=\"3\" k=\"x\"/></r>");
  IXmlElement root = document->DocumentElement();
  IXmlNodeList as = root->SelectNodes("a");
  ASSERT_EQ(as->Count(), 3);
  EXPECT_EQ(as->Item(2)->AttrText("n"), "3");
  EXPECT_EQ(root->SelectNodes("none")->Count(), 0);
  EXPECT_EQ(MessageOf([&] { root->SelectNodes("a/b"); }), "Select node by expression is not implemented in SimpleXML");
  EXPECT_EQ(MessageOf([&] { root->SelectNodes("a[1]"); }), "Select node by expression is not implemented in SimpleXML");
  EXPECT_EQ(root->SelectSingleNode("b/c/d")->NodeText(), "deep");
  EXPECT_FALSE(root->SelectSingleNode("b/x/d"));
  EXPECT_FALSE(root->SelectSingleNode("b//c"));
  EXPECT_FALSE(root->SelectSingleNode("*"));
  EXPECT_EQ(root->FindElement("a", "n", "2")->AttrText("n"), "2");
  EXPECT_FALSE(root->FindElement("a", "n", "4"));
  EXPECT_EQ(root->FindElement("a", "k", "x")->AttrText("n"), "3");
}

TEST(XmlNodes, EnsureChildAndChildTexts) {
  IXmlElement root = NewXmlElement("R");
  IXmlElement first = root->EnsureChild("C");
  EXPECT_EQ(root->EnsureChild("C").get(), first.get());
  EXPECT_EQ(root->ChildCount(), 1);
  EXPECT_EQ(root->ChildText("C", "def"), "");
  EXPECT_EQ(root->ChildText("Missing", "def"), "def");
  root->SetChildText("D", "text");
  EXPECT_EQ(root->ChildText("D"), "text");
}

TEST(XmlNodes, NeedChildAndNeedAttrReportThroughTheErrorService) {
  IXmlDocument document = ParseXmlDocument("<FiscalDocument><Receipt DocNumber=\"7\"/></FiscalDocument>");
  IXmlElement root = document->DocumentElement();
  IXmlElement receipt = root->NeedChild("Receipt");
  EXPECT_EQ(receipt->NeedAttr("DocNumber"), "7");
  try {
    receipt->NeedAttr("Time");
    FAIL() << "no error";
  } catch (const ProcessErrorException& e) {
    EXPECT_EQ(e.Code(), 3485);
    EXPECT_STREQ(e.what(), "KVTERR(3485):Attribute \"FiscalDocument/Receipt/@Time\" is not found");
  }
  try {
    root->NeedChild("Payment");
    FAIL() << "no error";
  } catch (const ProcessErrorException& e) {
    EXPECT_EQ(e.Code(), 3486);
    EXPECT_STREQ(e.what(), "KVTERR(3486):Error: child element \"Payment\" not found");
  }
}

TEST(XmlNodes, AttributeListAccess) {
  IXmlElement element = NewXmlElement("E");
  element->SetAttr("a", "1");
  element->SetAttr("b", "2");
  element->SetAttr("c", "3");
  EXPECT_EQ(element->AttrCount(), 3);
  EXPECT_EQ(element->AttrName(1), "b");
  EXPECT_EQ(element->AttrName(3), "");
  element->RemoveAttr("b");
  EXPECT_EQ(element->AttrCount(), 2);
  EXPECT_EQ(element->AttrName(1), "c");
  EXPECT_EQ(element->AttrText("b", "none"), "none");
  element->RemoveAllAttrs();
  EXPECT_EQ(element->AttrCount(), 0);
}

TEST(XmlNodes, TypedAttributes) {
  IXmlDocument document = ParseXmlDocument(
      "<r i=\" 42\" n=\"-9223372036854775808\" h=\"ff\" x=\"$10\" b1=\"True\" b0=\"0\" bb=\"yes\" f=\"2.5\" fc=\"2,5\""
      " d=\"2024-02-29T10:20:30.500\" dd=\"2024-03-01\" t=\"T10:20\" bad=\"12a\" big=\"9223372036854775808\"/>");
  IXmlElement r = document->DocumentElement();
  EXPECT_EQ(r->IntAttr("i"), 42);
  EXPECT_EQ(r->IntAttr("n"), INT64_MIN);
  EXPECT_EQ(r->IntAttr("x"), 16);
  EXPECT_EQ(r->IntAttr("missing", 5), 5);
  EXPECT_EQ(MessageOf([&] { r->IntAttr("bad"); }), "Bad integer attribute bad value: \"12a\"");
  EXPECT_THROW(r->IntAttr("big"), SimpleXMLException);
  EXPECT_EQ(r->HexAttr("h"), 255);
  EXPECT_TRUE(r->BoolAttr("b1"));
  EXPECT_FALSE(r->BoolAttr("b0", true));
  EXPECT_TRUE(r->BoolAttr("missing", true));
  EXPECT_THROW(r->BoolAttr("bb"), SimpleXMLException);
  EXPECT_DOUBLE_EQ(r->FloatAttr("f"), 2.5);
  EXPECT_THROW(r->FloatAttr("fc"), SimpleXMLException);
  int y, mo, d, h, mi, s, ms;
  ASSERT_TRUE(r->DateTimeAttr("d").Decode(y, mo, d, h, mi, s, ms));
  EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s, ms}), (std::vector<int>{2024, 2, 29, 10, 20, 30, 500}));
  EXPECT_DOUBLE_EQ(r->DateTimeAttr("dd").Days, tXmlDateTime::Encode(2024, 3, 1).Days);
  EXPECT_DOUBLE_EQ(r->DateTimeAttr("t").Days, tXmlDateTime::EncodeTime(10, 20, 0).Days);
  EXPECT_THROW(r->DateTimeAttr("bad"), SimpleXMLException);  // year 12, month 0
  r->SetHexAttr("hx", 0xABC, 6);
  EXPECT_EQ(r->AttrText("hx"), "000ABC");
  EXPECT_EQ(r->HexAttr("hx"), 0xABC);
  r->SetIntAttr("si", -7);
  EXPECT_EQ(r->AttrValue("si")->Type(), tXmlValueType::String);
  r->SetBoolAttr("sb", true);
  EXPECT_TRUE(r->BoolAttr("sb"));
  r->SetFloatAttr("sf", 1.25);
  EXPECT_DOUBLE_EQ(r->FloatAttr("sf"), 1.25);
  tXmlDateTime when = tXmlDateTime::Encode(2001, 2, 3, 4, 5, 6);
  r->SetDateTimeAttr("sd", when);
  EXPECT_DOUBLE_EQ(r->DateTimeAttr("sd").Days, when.Days);
}

TEST(XmlNodes, EnumAttribute) {
  IXmlDocument document = ParseXmlDocument("<Line Align=\"center\" Bad=\"up\"/>");
  IXmlElement line = document->DocumentElement();
  const std::vector<std::string> values = {"Left", "Center", "Right"};
  EXPECT_EQ(line->EnumAttr("Align", values), 1);
  EXPECT_EQ(line->EnumAttr("Missing", values, 2), 2);
  EXPECT_EQ(MessageOf([&] { line->EnumAttr("Bad", values); }),
            Utf8ToCodePage("Неверное значение атрибута \"Bad\" элемента \"Line\".\r\nДопустимые значения:\r\n", 1251) +
                "Left\r\nCenter\r\nRight");
}

TEST(XmlNodes, PathValues) {
  IXmlElement root = NewXmlElement("R");
  root->SetPathValue("@a", "1");
  root->SetPathValue("X/Y", "deep");
  EXPECT_EQ(root->PathValue("@a"), "1");
  EXPECT_EQ(root->PathValue("X/Y"), "deep");
  EXPECT_EQ(root->PathValue("X/Z", "def"), "def");
  root->SetPathValue("X/Y", "again");
  EXPECT_EQ(root->SelectSingleNode("X")->ChildCount(), 1);
  EXPECT_EQ(root->Xml(), "\r\n<R a=\"1\">\r\n\t<X>\r\n\t\t<Y>again</Y>\r\n\t</X>\r\n</R>");
}

TEST(XmlNodes, CloneShallowAndDeep) {
  IXmlDocument document = ParseXmlDocument("<r a=\"1\"><c>t</c></r>");
  IXmlNode root = document->DocumentElement();
  IXmlNode shallow = root->CloneNode(false);
  EXPECT_EQ(shallow->Xml(), "\r\n<r a=\"1\"/>");
  IXmlNode deep = root->CloneNode(true);
  EXPECT_EQ(deep->Xml(), root->Xml());
  EXPECT_FALSE(deep->ParentNode());
  deep->SelectSingleNode("c")->SetNodeText("changed");
  EXPECT_EQ(root->ChildText("c"), "t");
  IXmlNode documentCopy = document->CloneNode(true);
  EXPECT_EQ(documentCopy->Xml(), document->Xml());
}

TEST(XmlNodes, DeclarationAndCodePage) {
  IXmlDocument document = NewXmlDocument("R", "1.0", "CP866");
  EXPECT_EQ(document->CodePage(), 866u);
  document->NewDocumentDeclaration("1.0", "Windows-1251");
  EXPECT_EQ(document->CodePage(), 1251u);
  EXPECT_EQ(document->ChildCount(), 2);
  EXPECT_EQ(document->Xml(), "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n<R/>");
  EXPECT_EQ(NewXmlDocument("R", "1.0", "koi8-r")->CodePage(), 0u);
  EXPECT_EQ(ParseXmlDocument("<r/>")->CodePage(), 65001u);
}

TEST(XmlNodes, ManyAttributesAndChildrenGrowTheLists) {
  IXmlElement element = NewXmlElement("E");
  for (int i = 0; i < 500; ++i) {
    element->SetIntAttr("a" + std::to_string(i), i);
    element->AppendElement("c")->SetIntAttr("n", i);
  }
  EXPECT_EQ(element->AttrCount(), 500);
  EXPECT_EQ(element->IntAttr("a499"), 499);
  EXPECT_EQ(element->ChildCount(), 500);
  EXPECT_EQ(element->ChildAt(499)->IntAttr("n"), 499);
  EXPECT_EQ(GrownXmlCapacity(0), 4u);
  EXPECT_EQ(GrownXmlCapacity(8), 12u);
  EXPECT_EQ(GrownXmlCapacity(9), 25u);
  EXPECT_EQ(GrownXmlCapacity(64), 80u);
  EXPECT_EQ(GrownXmlCapacity(80), 100u);
}

}  // namespace

namespace {

// Documents built and parsed on several threads share the process-wide name
// table; every thread must see the same identifiers and intact names.
TEST(XmlNames, SharedTableUnderConcurrentUse) {
  constexpr int kThreads = 4;
  constexpr int kNames = 2000;
  std::vector<std::vector<int32_t>> ids(kThreads, std::vector<int32_t>(kNames));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t, &ids] {
      for (int i = 0; i < kNames; ++i) {
        std::string name = "Shared" + std::to_string(i);
        IXmlDocument document = ParseXmlDocument("<" + name + " a=\"1\"/>");
        ids[size_t(t)][size_t(i)] = document->DocumentElement()->NodeNameId();
        if (document->DocumentElement()->NodeName() != name) ids[size_t(t)][size_t(i)] = -1;
      }
    });
  for (std::thread& thread : threads) thread.join();
  for (int t = 1; t < kThreads; ++t) EXPECT_EQ(ids[size_t(t)], ids[0]);
  EXPECT_EQ(std::count(ids[0].begin(), ids[0].end(), -1), 0);
}

}  // namespace

namespace {

// Parsed nodes keep their memory (and their texts) alive on their own: moved
// into another document, copied, or held after the parsed tree is gone.
TEST(XmlNodes, ParsedNodesOutliveTheirDocument) {
  IXmlNameTable own(new TXmlNameTable());
  IXmlDocument target = NewXmlDocument("Target", "1.0", "utf-8", own.get());
  IXmlNode copy;
  IXmlNodeList items;
  {
    IXmlDocument source = ParseXmlDocument(
        "<r><Item Name=\"a long attribute value &amp; more\">a long text of the item</Item><Other/></r>");
    IXmlElement item = source->DocumentElement()->NeedChild("Item");
    copy = item->CloneNode(true);
    items = source->DocumentElement()->ChildNodes();
    target->DocumentElement()->AppendChild(item);
  }
  IXmlElement moved = target->DocumentElement()->NeedChild("Item");
  EXPECT_EQ(moved->NameTable(), own.get());
  EXPECT_EQ(moved->AttrText("Name"), "a long attribute value & more");
  EXPECT_EQ(moved->NodeText(), "a long text of the item");
  EXPECT_EQ(copy->AttrText("Name"), "a long attribute value & more");
  EXPECT_EQ(copy->NodeText(), "a long text of the item");
  ASSERT_EQ(items->Count(), 1);  // the live list keeps its element, which lost Item
  EXPECT_EQ(items->Item(0)->NodeName(), "Other");
}

}  // namespace
