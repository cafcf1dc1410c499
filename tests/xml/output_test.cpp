// The text form, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/platform.h"
#include "xml/simplexml.h"

namespace {

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

TEST(XmlOutput, NewDocumentWithOneChild) {
  IXmlDocument document = NewXmlDocument("Root", "1.0", "utf-8");
  document->DocumentElement()->AppendElement("A")->SetAttr("x", "1");
  EXPECT_EQ(document->Xml(), kDeclaration + "\r\n<Root>\r\n\t<A x=\"1\"/>\r\n</Root>");
}

TEST(XmlOutput, EmptyEncodingIsTheDefault) {
  EXPECT_EQ(NewXmlDocument("R", "1.0", "")->Xml(), kDeclaration + "\r\n<R/>");
  SetXmlDefaultEncoding("windows-1251");
  EXPECT_EQ(NewXmlDocument("R")->Xml(), "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<R/>");
  SetXmlDefaultEncoding("utf-8");
}

TEST(XmlOutput, AttributeEscaping) {
  IXmlElement element = NewXmlElement("E");
  element->SetAttr("v", "a\r\nb\tc\x01" "d'e\"f<g>h&i\x7F\xD0\x81");
  EXPECT_EQ(element->Xml(), "\r\n<E v=\"a&#13;&#10;b&#9;cd'e&quot;f&lt;g&gt;h&amp;i\x7F\xD0\x81\"/>");
}

TEST(XmlOutput, EscapesAtEveryPlaceOfAWord) {
  // Escaping looks at a word at a time: each escaped byte at every position
  // of values from 0 to 20 bytes long.
  const std::pair<char, std::string> escapes[] = {{'&', "&amp;"}, {'<', "&lt;"},   {'>', "&gt;"}, {'"', "&quot;"},
                                                  {'\t', "&#9;"}, {'\n', "&#10;"}, {'\r', "&#13;"}, {'\x1F', ""}};
  int checked = 0;
  for (const auto& escape : escapes)
    for (size_t length = 0; length <= 20; ++length)
      for (size_t at = 0; at < length; ++at) {
        std::string value(length, 'v'), written(at, 'v');
        value[at] = escape.first;
        written += escape.second + std::string(length - at - 1, 'v');
        IXmlElement element = NewXmlElement("E");
        element->SetAttr("a", value);
        ASSERT_EQ(element->Xml(), "\r\n<E a=\"" + written + "\"/>") << length << " " << at;
        ++checked;
      }
  EXPECT_EQ(checked, 8 * 210);
}

TEST(XmlOutput, EveryDroppedControlByte) {
  std::string controls;
  for (int c = 0; c < 0x20; ++c) controls += char(c);
  IXmlElement element = NewXmlElement("E");
  element->SetNodeText(controls);
  EXPECT_EQ(element->Xml(), "\r\n<E>&#9;&#10;&#13;</E>");
}

TEST(XmlOutput, AttributesInInsertionOrderAndReplacedInPlace) {
  IXmlElement element = NewXmlElement("E");
  element->SetAttr("b", "1");
  element->SetAttr("a", "2");
  element->SetAttr("c", "3");
  element->SetAttr("b", "4");
  EXPECT_EQ(element->Xml(), "\r\n<E b=\"4\" a=\"2\" c=\"3\"/>");
}

TEST(XmlOutput, ContentWithoutLineBreakStaysOnOneLine) {
  IXmlDocument document = NewXmlDocument("Root");
  IXmlElement root = document->DocumentElement();
  root->AppendElement("T")->SetNodeText("a < b");
  root->AppendElement("N")->AppendText("x\r\ny");
  EXPECT_EQ(document->Xml(), kDeclaration + "\r\n<Root>\r\n\t<T>a &lt; b</T>\r\n\t<N>x&#13;&#10;y</N>\r\n</Root>");
}

TEST(XmlOutput, NestedIndentation) {
  IXmlElement root = NewXmlElement("R");
  IXmlElement a = root->AppendElement("A");
  a->AppendElement("B")->AppendElement("C");
  a->AppendElement("D");
  EXPECT_EQ(root->Xml(), "\r\n<R>\r\n\t<A>\r\n\t\t<B>\r\n\t\t\t<C/>\r\n\t\t</B>\r\n\t\t<D/>\r\n\t</A>\r\n</R>");
  // A node's own text form starts at level 0.
  EXPECT_EQ(a->Xml(), "\r\n<A>\r\n\t<B>\r\n\t\t<C/>\r\n\t</B>\r\n\t<D/>\r\n</A>");
}

TEST(XmlOutput, MixedContentClosesOnItsOwnLine) {
  IXmlElement root = NewXmlElement("a");
  root->AppendText("t");
  root->AppendElement("b");
  root->AppendText("u");
  EXPECT_EQ(root->Xml(), "\r\n<a>t\r\n\t<b/>u\r\n</a>");
}

TEST(XmlOutput, RawContentEndingInCrLfGetsOnlyTheIndentation) {
  IXmlDocument document = NewXmlDocument("R");
  IXmlElement inner = document->DocumentElement()->AppendElement("I");
  inner->AppendChild(IXmlNode(new TXmlText(document->NameTable(), TXmlValue::String("QUJD\r\n"), true)));
  EXPECT_EQ(document->DocumentElement()->Xml(), "\r\n<R>\r\n\t<I>QUJD\r\n\t</I>\r\n</R>");
}

TEST(XmlOutput, Base64ChildIsRawWithLineBreaks) {
  IXmlElement element = NewXmlElement("B");
  element->ReplaceTextByBase64("ABCDEF", 4);
  EXPECT_EQ(element->Xml(), "\r\n<B>QUJD\r\nREVG\r\n</B>");
  element->ReplaceTextByBase64("AB", 80);
  EXPECT_EQ(element->Xml(), "\r\n<B>QUI=</B>");
  EXPECT_EQ(element->Base64Text(), "AB");
}

TEST(XmlOutput, CharacterDataKinds) {
  IXmlElement root = NewXmlElement("R");
  root->AppendComment(" note ");
  root->AppendCDATA("<&>");
  root->AppendInstruction("pi", "data here");
  root->AppendInstruction("empty");
  EXPECT_EQ(root->Xml(), "\r\n<R><!-- note --><![CDATA[<&>]]><?pi data here?><?empty?></R>");
}

TEST(XmlOutput, CDataSplitAfterTheFirstBracket) {
  IXmlElement root = NewXmlElement("R");
  root->AppendCDATA("a]]>b]]>");
  EXPECT_EQ(root->Xml(), "\r\n<R><![CDATA[a]]]><![CDATA[]>b]]]><![CDATA[]>]]></R>");
  IXmlElement split = NewXmlElement("S");
  split->ReplaceTextByCDATA("x]]>y");
  ASSERT_EQ(split->ChildCount(), 2);
  EXPECT_EQ(split->ChildAt(0)->NodeText(), "x]");
  EXPECT_EQ(split->ChildAt(1)->NodeText(), "]>y");
  EXPECT_EQ(split->Xml(), "\r\n<S><![CDATA[x]]]><![CDATA[]>y]]></S>");
}

TEST(XmlOutput, InstructionWithAttributes) {
  IXmlDocument document(new TXmlDocument());
  IXmlNode pi = document->AppendInstruction("style");
  pi->SetAttr("href", "a&b");
  document->AppendElement("R");
  EXPECT_EQ(document->Xml(), "<?style href=\"a&amp;b\"?>\r\n<R/>");
}

TEST(XmlOutput, KeptLayoutHasNoAddedLineBreaks) {
  IXmlDocument document = NewXmlDocument("Root");
  document->SetPreserveWhiteSpace(true);
  IXmlElement root = document->DocumentElement();
  root->AppendElement("A")->SetAttr("x", "1");
  root->AppendElement("B")->AppendText(" t ");
  EXPECT_EQ(document->Xml(), kDeclaration + "<Root><A x=\"1\"/><B> t </B></Root>");
}

TEST(XmlOutput, EmptyValueIsAnEmptyElement) {
  IXmlElement element = NewXmlElement("E");
  element->SetNodeText("");
  EXPECT_EQ(element->Xml(), "\r\n<E/>");
}

TEST(XmlOutput, TypedValuesOfAttributesAndElements) {
  IXmlElement element = NewXmlElement("E");
  element->SetBoolAttr("b", true);
  element->SetIntAttr("i", -42);
  element->SetFloatAttr("f", 0.1);
  element->SetDateTimeAttr("d", tXmlDateTime::Encode(2024, 2, 29, 7, 5, 9, 999));
  element->SetHexAttr("h", 255, 4);
  element->SetNodeValue(TXmlValue::Boolean(false));
  EXPECT_EQ(element->Xml(), "\r\n<E b=\"1\" i=\"-42\" f=\"0.1\" d=\"2024-02-29T07:05:09\" h=\"00FF\">0</E>");
}

TEST(XmlOutput, WideTextInTheDocumentCodePage) {
  const std::u16string privet = u"\u041F\u0440\u0438\u0432\u0435\u0442";
  IXmlDocument cp1251 = NewXmlDocument("R", "1.0", "windows-1251");
  cp1251->DocumentElement()->SetAttrValue("t", TXmlValue::Wide(privet));
  EXPECT_EQ(cp1251->DocumentElement()->Xml(), "\r\n<R t=\"\xCF\xF0\xE8\xE2\xE5\xF2\"/>");
  IXmlDocument utf8 = NewXmlDocument("R");
  utf8->DocumentElement()->SetAttrValue("t", TXmlValue::Wide(privet));
  EXPECT_EQ(utf8->DocumentElement()->Xml(), "\r\n<R t=\"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\"/>");
}

TEST(XmlOutput, SaveToWritesTheTextFormWithoutBom) {
  IXmlDocument document = NewXmlDocument("Root");
  document->DocumentElement()->SetAttr("k", "v");
  const std::string path = std::string(ZEF_XML_TEST_DIR) + "/save_test.xml";
  document->SaveTo(path);
  std::string saved;
  ASSERT_TRUE(platform::ReadWholeFile(path, saved));
  EXPECT_EQ(saved, document->Xml());
  EXPECT_EQ(ReadXmlDocument(path)->DocumentElement()->AttrText("k"), "v");
  platform::RemoveFile(path);
  EXPECT_THROW(document->SaveTo(std::string(ZEF_XML_TEST_DIR) + "/no/such/dir/x.xml"), SimpleXMLException);
}

}  // namespace
