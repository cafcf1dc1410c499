// A small, strict XML reader of the emulator: elements, attributes, texts
// and CDATA, the declaration and comments. It is written apart from the
// adapter's XML model on purpose, so that the emulator reads what the
// adapter wrote as a register's firmware would, and a fault in the
// adapter's writer cannot hide behind the same reader.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace emu {

struct XmlNode {
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Attrs;  // in document order, entities decoded
  std::vector<XmlNode> Children;
  std::string Text;  // the element's own texts joined, entities decoded

  const std::string* Attr(const std::string& name) const;
  std::string AttrOr(const std::string& name, const std::string& otherwise = std::string()) const;
  const XmlNode* Child(const std::string& name) const;
  // Follows a path of names separated by "/".
  const XmlNode* Path(const std::string& path) const;
  std::vector<const XmlNode*> ChildrenNamed(const std::string& name) const;
};

// Parses a whole document; false with a message naming the place when the
// text is not well-formed (one root, matching tags, quoted attributes,
// known entities).
bool ParseXml(const std::string& text, XmlNode& root, std::string& error);

}  // namespace emu
