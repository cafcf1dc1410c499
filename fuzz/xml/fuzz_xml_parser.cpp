// Fuzz target of the XML parser. Bad input must end in SimpleXMLException;
// a parsed document must write a text that parses again, and the reading
// operations must work on whatever tree came out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "xml/simplexml.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void Walk(const IXmlNode& node, int depth) {
  node->NodeName();
  node->NodeText();
  for (int32_t i = 0; i < node->AttrCount(); ++i) {
    node->AttrText(node->AttrName(i));
    try {
      node->IntAttr(node->AttrName(i));
    } catch (const SimpleXMLException&) {
    }
  }
  node->SelectSingleNode("a/b");
  for (int32_t i = 0; i < node->ChildCount() && depth < 64; ++i) Walk(node->ChildAt(i), depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  IXmlDocument document;
  try {
    document = ParseXmlDocument(text);
  } catch (const SimpleXMLException&) {
    return 0;
  }
  Require(document && document->DocumentElement());
  Walk(document, 0);
  const std::string written = document->Xml();
  IXmlDocument again = ParseXmlDocument(written);  // must not throw
  Require(again->DocumentElement()->NodeName() == document->DocumentElement()->NodeName());
  Require(ParseXmlDocument(again->Xml())->ChildCount() == again->ChildCount());
  IXmlNode copy = document->DocumentElement()->CloneNode(true);
  Require(copy->Xml() == document->DocumentElement()->Xml());
  try {
    Base64Decode(document->DocumentElement()->NodeText());
  } catch (const SimpleXMLException&) {
  }
  try {
    Utf8ToCharset(document->DocumentElement()->NodeText(), 204);
  } catch (const tInterfacedException&) {
  }
  return 0;
}
