// A small, strict XML reader of the emulator, independent of the adapter's
// XML model, so that the emulator checks the documents it gets the way a
// register's own parser would: well-formed tags, quoted attributes, known
// references only, UTF-8 text, one root element.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace emu {

struct XmlNode {
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Attrs;
  std::vector<XmlNode> Children;  // elements only
  std::string Text;               // the character data of the element, joined

  const XmlNode* Child(const std::string& name) const;
  // The attribute's value, or `missing` when absent.
  std::string Attr(const std::string& name, const std::string& missing = std::string()) const;
  bool HasAttr(const std::string& name) const;
  // Follows a path of names separated by "/".
  const XmlNode* Path(const std::string& path) const;
  std::vector<const XmlNode*> ChildrenNamed(const std::string& name) const;
};

// Parses a whole document; false with the reason in `error` when it is not
// well-formed.
bool ParseXml(const std::string& text, XmlNode& root, std::string& error);

// Base64 of RFC 4648, line breaks and blanks ignored; false when malformed.
bool DecodeBase64(const std::string& text, std::string& bytes);

}  // namespace emu
