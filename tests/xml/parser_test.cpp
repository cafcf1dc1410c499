// Parsing rules and every parse error.
#include <gtest/gtest.h>

#include <sstream>

#include "xml/simplexml.h"

namespace {

std::string ParseError(const std::string& text) {
  try {
    ParseXmlDocument(text);
  } catch (const SimpleXMLException& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(XmlParser, ElementsAttributesAndTexts) {
  IXmlDocument document = ParseXmlDocument(
      "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<Root a = 'x\"y' b=\"1\">\r\n  <Child>  text  </Child>"
      "<Empty/><Spaced   x=\"2\"   /></Root  >");
  IXmlElement root = document->DocumentElement();
  ASSERT_TRUE(root);
  EXPECT_EQ(root->NodeName(), "Root");
  EXPECT_EQ(root->AttrText("a"), "x\"y");
  EXPECT_EQ(root->AttrText("b"), "1");
  EXPECT_EQ(root->ChildCount(), 3);  // the blank runs are dropped
  EXPECT_EQ(root->ChildText("Child"), "text");
  EXPECT_EQ(root->SelectSingleNode("Child")->ChildAt(0)->Xml(), "  text  ");  // kept untrimmed
  EXPECT_EQ(root->SelectSingleNode("Spaced")->AttrText("x"), "2");
  EXPECT_EQ(document->CodePage(), 1251u);
  EXPECT_EQ(document->ChildAt(0)->AttrText("version"), "1.0");
}

TEST(XmlParser, ReferencesAreDecodedToSingleBytes) {
  IXmlDocument document = ParseXmlDocument("<r v=\"&lt;&#65;&#x42;&apos;\">&amp;&quot;&gt;&#1025;&#x0D;</r>");
  IXmlElement root = document->DocumentElement();
  EXPECT_EQ(root->AttrText("v"), "<AB'");
  EXPECT_EQ(root->ChildAt(0).As<TXmlText>()->Value().Data(), "&\">\x01\r");
}

TEST(XmlParser, BytesAreKeptWhateverTheEncoding) {
  IXmlDocument document = ParseXmlDocument("<?xml version=\"1.0\" encoding=\"utf-8\"?><r v=\"\xCF\xF0\xFF\">\xD0\x81</r>");
  EXPECT_EQ(document->DocumentElement()->AttrText("v"), "\xCF\xF0\xFF");
  EXPECT_EQ(document->DocumentElement()->NodeText(), "\xD0\x81");
}

TEST(XmlParser, CommentsCDataInstructionsAndDoctype) {
  IXmlDocument document = ParseXmlDocument(
      "<!DOCTYPE r SYSTEM \"r.dtd\"><!-- head --><r><![CDATA[<x> & ]]]]><?pi  some data ?><!--in--></r>");
  ASSERT_EQ(document->ChildCount(), 2);
  EXPECT_EQ(document->ChildAt(0)->NodeType(), NODE_COMMENT);
  EXPECT_EQ(document->ChildAt(0)->Xml(), "<!-- head -->");
  IXmlElement root = document->DocumentElement();
  ASSERT_EQ(root->ChildCount(), 3);
  EXPECT_EQ(root->ChildAt(0)->NodeType(), NODE_CDATA_SECTION);
  EXPECT_EQ(root->ChildAt(0)->NodeText(), "<x> & ]]");
  EXPECT_EQ(root->ChildAt(1)->NodeType(), NODE_PROCESSING_INSTRUCTION);
  EXPECT_EQ(root->ChildAt(1)->NodeName(), "pi");
  EXPECT_EQ(root->ChildAt(1)->NodeText(), "some data ");
  EXPECT_EQ(root->ChildAt(2)->NodeName(), "#comment");
}

TEST(XmlParser, NameCharacters) {
  IXmlDocument document = ParseXmlDocument("<_a-b.c:d&e 1x=\"1\"><9/></_a-b.c:d&e>");
  EXPECT_EQ(document->DocumentElement()->NodeName(), "_a-b.c:d&e");
  EXPECT_EQ(document->DocumentElement()->AttrText("1x"), "1");
  EXPECT_EQ(document->DocumentElement()->ChildAt(0)->NodeName(), "9");
}

TEST(XmlParser, KeptLayoutKeepsBlankRuns) {
  IXmlDocument document(new TXmlDocument());
  document->SetPreserveWhiteSpace(true);
  document->LoadXml("<r>\r\n\t<a/> </r>");
  IXmlElement root = document->DocumentElement();
  ASSERT_EQ(root->ChildCount(), 3);
  EXPECT_EQ(root->ChildAt(0)->NodeText(), "\r\n\t");
  EXPECT_EQ(document->Xml(), "<r>&#13;&#10;&#9;<a/> </r>");
}

TEST(XmlParser, EveryErrorMessage) {
  EXPECT_EQ(ParseError("<r>&foo;</r>"), "Bad special symbol name: \"foo\"");
  EXPECT_EQ(ParseError("<r>&"), "\"#\" expected or special symbol name");
  EXPECT_EQ(ParseError("<r>& </r>"), "\"#\" expected or special symbol name");
  EXPECT_EQ(ParseError("<r>&#;</r>"), "Bad special symbol name: \"#\"");
  EXPECT_EQ(ParseError("<r>&#xZ;</r>"), "Bad special symbol name: \"#x\"");
  EXPECT_EQ(ParseError("<r>&amp</r>"), "Character \";\" expected");
  EXPECT_EQ(ParseError("<-r/>"), "Name must start with letter or \"_\"");
  EXPECT_EQ(ParseError("< r/>"), "Name must start with letter or \"_\"");
  EXPECT_EQ(ParseError("<r a=\"<\"/>"), "Character \"<\" can not be used in attribute values");
  EXPECT_EQ(ParseError("<r a/>"), "Attribute value expected");
  EXPECT_EQ(ParseError("<r a=b/>"), "String constant expected");
  EXPECT_EQ(ParseError("<r a=\"b/>"), "Character \"\"\" expected");
  EXPECT_EQ(ParseError("<r a='b/>"), "Character \"'\" expected");
  EXPECT_EQ(ParseError("<r></s>"), "\"</r>\" expected");
  EXPECT_EQ(ParseError("<r><a></r>"), "\"</a>\" expected");
  EXPECT_EQ(ParseError("<r>"), "\"</r>\" expected");
  EXPECT_EQ(ParseError("<r></r"), "\"</r>\" expected");
  EXPECT_EQ(ParseError("<r!/>"), "Bad character in element name");
  EXPECT_EQ(ParseError("<r"), "Element definition is not finished");
  EXPECT_EQ(ParseError("<r a=\"1\""), "Element definition is not finished");
  EXPECT_EQ(ParseError("<r /"), "Element definition is not finished");
  EXPECT_EQ(ParseError("<r /x>"), "Character \">\" expected");
  EXPECT_EQ(ParseError("<!-- only a comment -->"), "Error: no root element");
  EXPECT_EQ(ParseError(""), "Error: no root element");
  EXPECT_EQ(ParseError("<r><!-- open</r>"), "\"-->\" expected");
  EXPECT_EQ(ParseError("<r><![CDATA[open</r>"), "\"]]>\" expected");
  EXPECT_EQ(ParseError("<?pi open"), "\"?>\" expected");
  EXPECT_EQ(ParseError("<?xml version=\"1.0\""), "\"?>\" expected");
  EXPECT_EQ(ParseError("<!DOCTYPE r"), "\">\" expected");
  EXPECT_EQ(ParseError("</r>"), "Name must start with letter or \"_\"");
  EXPECT_EQ(ParseError("< binary-xml >rest"), "Binary XML documents are not supported");
}

TEST(XmlParser, DeepNestingIsRefusedNotOverflowed) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  EXPECT_EQ(ParseError(deep), "Elements are nested too deeply");
  std::string fine;
  for (int i = 0; i < 1000; ++i) fine += "<a>";
  for (int i = 0; i < 1000; ++i) fine += "</a>";
  EXPECT_NO_THROW(ParseXmlDocument(fine));
}

TEST(XmlParser, FailedLoadKeepsTheOldContent) {
  IXmlDocument document = ParseXmlDocument("<old/>");
  EXPECT_THROW(document->LoadXml("<new>"), SimpleXMLException);
  EXPECT_EQ(document->DocumentElement()->NodeName(), "old");
  document->LoadXml("<new/>");
  EXPECT_EQ(document->DocumentElement()->NodeName(), "new");
  EXPECT_EQ(document->ChildCount(), 1);
  EXPECT_EQ(document->DocumentElement()->ParentNode().get(), document.get());
}

TEST(XmlParser, StreamsAndMissingFiles) {
  std::istringstream stream("<s x=\"1\"/>");
  EXPECT_EQ(ReadXmlDocument(stream)->DocumentElement()->AttrText("x"), "1");
  EXPECT_THROW(ReadXmlDocument(std::string("/nonexistent/file.xml")), SimpleXMLException);
}

TEST(XmlParser, RoundTripOfAWrittenDocument) {
  IXmlDocument document = NewXmlDocument("FiscalDocument");
  IXmlElement receipt = document->DocumentElement()->AppendElement("Receipt");
  receipt->SetAttr("Name", "A & B <\"c\">\r\n\t'd'");
  receipt->AppendElement("Item")->SetNodeText("  lead\ttab  ");
  receipt->AppendCDATA("x]]>y");
  receipt->AppendComment("c");
  std::string xml = document->Xml();
  IXmlDocument parsed = ParseXmlDocument(xml);
  EXPECT_EQ(parsed->Xml(), xml);
  IXmlElement parsedReceipt = parsed->DocumentElement()->NeedChild("Receipt");
  EXPECT_EQ(parsedReceipt->AttrText("Name"), "A & B <\"c\">\r\n\t'd'");
  EXPECT_EQ(parsedReceipt->SelectSingleNode("Item")->ChildAt(0).As<TXmlText>()->Value().Data(), "  lead\ttab  ");
  EXPECT_EQ(parsedReceipt->NodeText(), "x]]>y");  // two CDATA sections joined without a blank
}

}  // namespace
