// The node kinds other than the document: elements, text, CDATA sections,
// comments and processing instructions.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "xml/xmlnode.h"

// An element: a name, attributes, and either children or one held value.
// A held value turns into a text child as soon as the children are needed.
class TXmlElement : public TXmlNode {
 public:
  // Parsed nodes come from the parser's arena, and elements keep their
  // lists there.
  TXmlElement(TXmlNameTable* names, int32_t nameId, TXmlArena* arena = nullptr)
      : TXmlNode(NODE_ELEMENT, names, nameId, arena) {}
  ~TXmlElement() override;

  std::string NodeText() const override;
  void SetNodeText(const std::string& text) override;
  // Holds a typed value instead of children (a null value: none).
  void SetNodeValue(TXmlValue value);

  // Removes the text and CDATA children and appends the text as CDATA
  // sections, split so that no section contains "]]>".
  void ReplaceTextByCDATA(const std::string& text);
  // Removes the text and CDATA children and appends one raw text child with
  // the Base64 form of the bytes (lines of lineLength characters).
  void ReplaceTextByBase64(const std::string& bytes, int lineLength);
  // The element text decoded from Base64.
  std::string Base64Text() const;

 protected:
  tXmlNodeVector* Childs() const override;
  tXmlAttrVector* Attrs() const override { return &attrs_; }
  bool WriteXml(tXmlOutput& out, int level, const tWriteContext& context) const override;
  TXmlNode* CloneShallow() const override;

 private:
  friend class TXmlParser;
  void RemoveTextChilds();

  mutable tXmlNodeVector childs_;
  mutable tXmlAttrVector attrs_;
  mutable std::unique_ptr<TXmlValue> value_;  // the held value, if any
};

// A text node: one typed value. A raw text node is written unescaped.
class TXmlText : public TXmlNode {
 public:
  TXmlText(TXmlNameTable* names, TXmlValue value, bool raw = false, TXmlArena* arena = nullptr)
      : TXmlNode(NODE_TEXT, names, TXmlNameTable::kText, arena), raw_(raw), value_(std::move(value)) {}

  std::string NodeText() const override;
  void SetNodeText(const std::string& text) override;
  const TXmlValue& Value() const { return value_; }
  void SetValue(TXmlValue value);
  bool IsRaw() const { return raw_; }

 protected:
  bool WriteXml(tXmlOutput& out, int level, const tWriteContext& context) const override;
  TXmlNode* CloneShallow() const override;

 private:
  friend class TXmlParser;
  bool raw_;  // first: it fits in the space after the node's fields
  TXmlValue value_;
};

// Character data held as a byte string: the base of CDATA and comments.
class TXmlCharacterData : public TXmlNode {
 public:
  std::string NodeText() const override;
  void SetNodeText(const std::string& text) override;
  std::string Data() const { return std::string(data_.Data()); }

 protected:
  TXmlCharacterData(int32_t type, TXmlNameTable* names, int32_t nameId, TXmlValue data, TXmlArena* arena);
  TXmlValue data_;  // a string
};

class TXmlCDATASection : public TXmlCharacterData {
 public:
  TXmlCDATASection(TXmlNameTable* names, std::string data);
  TXmlCDATASection(TXmlNameTable* names, TXmlValue data, TXmlArena* arena);
  std::string NodeText() const override { return Data(); }

 protected:
  bool WriteXml(tXmlOutput& out, int level, const tWriteContext& context) const override;
  TXmlNode* CloneShallow() const override;
};

class TXmlComment : public TXmlCharacterData {
 public:
  TXmlComment(TXmlNameTable* names, std::string data);
  TXmlComment(TXmlNameTable* names, TXmlValue data, TXmlArena* arena);

 protected:
  bool WriteXml(tXmlOutput& out, int level, const tWriteContext& context) const override;
  TXmlNode* CloneShallow() const override;
};

// A processing instruction: target name, attributes, optional data. The
// declaration is the instruction "xml" with its attributes.
class TXmlProcessingInstruction : public TXmlNode {
 public:
  TXmlProcessingInstruction(TXmlNameTable* names, int32_t targetId, std::string data);
  TXmlProcessingInstruction(TXmlNameTable* names, int32_t targetId, TXmlValue data, TXmlArena* arena);

  std::string NodeText() const override { return std::string(data_.Data()); }
  void SetNodeText(const std::string& text) override;

 protected:
  tXmlAttrVector* Attrs() const override { return &attrs_; }
  bool WriteXml(tXmlOutput& out, int level, const tWriteContext& context) const override;
  TXmlNode* CloneShallow() const override;

 private:
  friend class TXmlParser;
  mutable tXmlAttrVector attrs_;
  TXmlValue data_;  // a string
};
