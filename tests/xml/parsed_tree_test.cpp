// Parsed trees: text read in place (zero bytes, references, repeated
// attributes), and the release of a tree at once or node by node when its
// nodes are held, moved or edited.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "xml/simplexml.h"

namespace {

using namespace std::string_literals;

TEST(XmlParsedText, ZeroBytesInsideTextsAndValuesAreKept) {
  IXmlDocument document = ParseXmlDocument("<r a=\"x\0y\" b='\0'>t\0&amp;\0u</r>\0 "s);
  IXmlElement root = document->DocumentElement();
  EXPECT_EQ(root->AttrText("a"), "x\0y"s);
  EXPECT_EQ(root->AttrText("b"), "\0"s);
  EXPECT_EQ(root->ChildAt(0).As<TXmlText>()->Value().Data(), "t\0&\0u"s);
  // A zero byte alone between tags is blank, as every byte up to 0x20.
  EXPECT_EQ(ParseXmlDocument("<r>\0<a/>\0</r>"s)->DocumentElement()->ChildCount(), 1);
  EXPECT_THROW(ParseXmlDocument("<r a=\"x\0"s), SimpleXMLException);
}

TEST(XmlParsedText, ReferencesShortenValuesInPlace) {
  IXmlDocument document = ParseXmlDocument(
      "<r a=\"&lt;&lt;x&gt;&quot;&#65;&amp;&apos;\" b=\"&#x41;&#66;end\">&lt;a&gt;&#10;&amp;b&quot;</r>");
  IXmlElement root = document->DocumentElement();
  EXPECT_EQ(root->AttrText("a"), "<<x>\"A&'");
  EXPECT_EQ(root->AttrText("b"), "ABend");
  EXPECT_EQ(root->NodeText(), "<a>\n&b\"");
  // Blank only once decoded: dropped, as a blank run.
  EXPECT_EQ(ParseXmlDocument("<r> &#32; <a/></r>")->DocumentElement()->ChildCount(), 1);
  // Near misses of the usual references take the general way.
  EXPECT_THROW(ParseXmlDocument("<r>&ltx;</r>"), SimpleXMLException);
  EXPECT_THROW(ParseXmlDocument("<r>&quo;</r>"), SimpleXMLException);
  EXPECT_EQ(ParseXmlDocument("<r>&apos;&#x3c;</r>")->DocumentElement()->NodeText(), "'<");
}

TEST(XmlParsedText, RepeatedAttributesKeepTheFirstPlaceAndTheLastValue) {
  std::string text = "<r";
  for (int i = 0; i < 40; ++i) text += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  text += " a3=\"x\" a30=\"y\" a0=\"z\"/>";
  IXmlElement root = ParseXmlDocument(text)->DocumentElement();
  ASSERT_EQ(root->AttrCount(), 40);
  EXPECT_EQ(root->AttrName(0), "a0");
  EXPECT_EQ(root->AttrText("a0"), "z");
  EXPECT_EQ(root->AttrText("a3"), "x");
  EXPECT_EQ(root->AttrText("a30"), "y");
  EXPECT_EQ(root->AttrName(39), "a39");
  IXmlElement few = ParseXmlDocument("<r b=\"1\" c=\"2\" b=\"3\"/>")->DocumentElement();
  EXPECT_EQ(few->Xml(), "\r\n<r b=\"3\" c=\"2\"/>");
}

TEST(XmlParsedText, NamesCloseToTheLastDocumentsAreReadAsWritten) {
  // The parser first compares the text with the names met in the same places
  // the time before: names that share their first bytes, or come in another
  // order, must still be read exactly, and a repeated one still be merged.
  ParseXmlDocument("<Receipt><Item Name=\"a\" Quantity=\"1\"/><Item Name=\"b\" Quantity=\"2\"/></Receipt>");
  IXmlElement root = ParseXmlDocument(
                         "<Receipt><Items Names=\"x\" Nam=\"y\"/><Ite Quantity=\"3\" Name=\"4\"/>"
                         "<Item Name=\"c\" Name=\"d\" Quantity\t=\t'5'/><Item Name=\"e\"></Item ></Receipt>")
                         ->DocumentElement();
  EXPECT_EQ(root->Xml(),
            "\r\n<Receipt>\r\n\t<Items Names=\"x\" Nam=\"y\"/>\r\n\t<Ite Quantity=\"3\" Name=\"4\"/>"
            "\r\n\t<Item Name=\"d\" Quantity=\"5\"/>\r\n\t<Item Name=\"e\"/>\r\n</Receipt>");
  // Names longer than one machine word differ only in their last bytes.
  ParseXmlDocument("<r><PaymentMethodName TaxRateIndexValue=\"1\"/></r>");
  root = ParseXmlDocument(
             "<r><PaymentMethodNames TaxRateIndexValu=\"2\"/><PaymentMethodNamf TaxRateIndexValue=\"3\"/></r>")
             ->DocumentElement();
  EXPECT_EQ(root->Xml(),
            "\r\n<r>\r\n\t<PaymentMethodNames TaxRateIndexValu=\"2\"/>\r\n\t<PaymentMethodNamf "
            "TaxRateIndexValue=\"3\"/>\r\n</r>");
  // An end tag that only begins with the element's name does not close it.
  ParseXmlDocument("<Item></Item>");
  EXPECT_THROW(ParseXmlDocument("<Item></Items>"), SimpleXMLException);
  EXPECT_THROW(ParseXmlDocument("<Item></Ite>"), SimpleXMLException);
}

TEST(XmlParsedText, StopsAtEveryPlaceOfAWord) {
  // Texts and values are scanned a word at a time: a reference, a quote, a
  // "<" or a blank run ends at every byte position of a word.
  int checked = 0;
  for (size_t length = 0; length <= 20; ++length)
    for (size_t at = 0; at <= length; ++at) {
      const std::string before(at, 'a'), after(length - at, 'b');
      IXmlElement root = ParseXmlDocument("<r v=\"" + before + "&amp;" + after + "\" w='" + before + "\"" + after +
                                          "'>" + before + "&lt;" + after + "<x/>" + std::string(length, ' ') +
                                          "<y/>" + std::string(at, '\t') + "</r>")
                             ->DocumentElement();
      ASSERT_EQ(root->AttrText("v"), before + "&" + after) << length << " " << at;
      ASSERT_EQ(root->AttrText("w"), before + "\"" + after) << length << " " << at;
      ASSERT_EQ(root->ChildCount(), 3) << length << " " << at;
      ASSERT_EQ(root->ChildAt(0)->NodeText(), before + "<" + after) << length << " " << at;
      EXPECT_THROW(ParseXmlDocument("<r v=\"" + before + "<" + after + "\"/>"), SimpleXMLException);
      ++checked;
    }
  EXPECT_EQ(checked, 21 * 22 / 2);
}

TEST(XmlParsedTree, HeldNodesOutliveTheirDocumentDetached) {
  IXmlNode text;
  IXmlElement item;
  {
    IXmlDocument document = ParseXmlDocument("<r><i n=\"1\">one</i><i n=\"2\"/></r>");
    item = document->DocumentElement()->SelectSingleNode("i");
    text = item->ChildAt(0);
  }
  EXPECT_FALSE(item->ParentNode());
  EXPECT_EQ(text->ParentNode().get(), item.get());
  EXPECT_EQ(item->Xml(), "\r\n<i n=\"1\">one</i>");
  item = nullptr;
  EXPECT_FALSE(text->ParentNode());
  EXPECT_EQ(text->NodeText(), "one");
}

TEST(XmlParsedTree, MovedAndEditedNodesSurviveTheRelease) {
  IXmlDocument target = NewXmlDocument("T");
  {
    IXmlDocument document = ParseXmlDocument("<r><a x=\"1\"><b/></a><c/></r>");
    IXmlElement root = document->DocumentElement();
    target->DocumentElement()->AppendChild(root->SelectSingleNode("a"));
    root->SelectSingleNode("c")->SetAttr("y", "a value longer than eight bytes");
    root->AppendElement("d")->SetIntAttr("z", 5);
  }
  EXPECT_EQ(target->Xml(),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<T>\r\n\t<a x=\"1\">\r\n\t\t<b/>\r\n\t</a>\r\n</T>");
}

TEST(XmlParsedTree, ReloadingADocumentReplacesItsTree) {
  IXmlDocument document = ParseXmlDocument("<r><a/></r>");
  IXmlNode held = document->DocumentElement()->ChildAt(0);
  document->LoadXml("<s v=\"1\"/>");
  EXPECT_EQ(document->DocumentElement()->NodeName(), "s");
  EXPECT_FALSE(held->ParentNode());  // its old root went with the old tree
  document->LoadXml("<t/>");
  EXPECT_THROW(document->LoadXml("<u>"), SimpleXMLException);
  EXPECT_EQ(document->Xml(), "\r\n<t/>");
  document->RemoveAllChilds();
  document->LoadXml("<w/>");
  EXPECT_EQ(document->Xml(), "\r\n<w/>");
  EXPECT_THROW(document->LoadXml("<x>"), SimpleXMLException);
  EXPECT_EQ(document->Xml(), "\r\n<w/>");
  document->RemoveAllChilds();
  EXPECT_THROW(document->LoadXml("<y><z/>"), SimpleXMLException);
  EXPECT_EQ(document->ChildCount(), 0);
}

TEST(XmlParsedTree, SelectionsAndCopiesHoldTheirNodes) {
  IXmlNodeList items;
  IXmlNode copy;
  {
    IXmlDocument document = ParseXmlDocument("<r><i>1</i><i>2</i><j/></r>");
    items = document->DocumentElement()->SelectNodes("i");
    copy = document->DocumentElement()->CloneNode(true);
  }
  ASSERT_EQ(items->Count(), 2);
  EXPECT_EQ(items->Item(1)->NodeText(), "2");
  EXPECT_EQ(copy->Xml(), "\r\n<r>\r\n\t<i>1</i>\r\n\t<i>2</i>\r\n\t<j/>\r\n</r>");
}

TEST(XmlNameTable, ThreadsAddingAndFindingNamesAgree) {
  // Lookups run without the lock while other threads add names: every
  // thread must see one identifier per name, and its name back.
  IXmlNameTable table(new TXmlNameTable());
  constexpr int kThreads = 4, kNames = 3000;
  std::vector<std::vector<int32_t>> ids(kThreads, std::vector<int32_t>(kNames));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kNames; ++i) {
        const int n = (i * 7 + t * 13) % kNames;  // each thread in its own order
        const std::string name = "Name" + std::to_string(n);
        ids[size_t(t)][size_t(n)] = n % 2 ? table->NameId(name) : table->ReadNameId(name);
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(table->Count(), 5 + kNames);
  for (int n = 0; n < kNames; ++n) {
    for (int t = 1; t < kThreads; ++t) ASSERT_EQ(ids[size_t(t)][size_t(n)], ids[0][size_t(n)]) << n;
    EXPECT_EQ(table->Name(ids[0][size_t(n)]), "Name" + std::to_string(n));
  }
}

}  // namespace
