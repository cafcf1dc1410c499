// The XML document, the factories, and the process-wide defaults.
//
// Text form (Xml, SaveTo): attribute values and texts are escaped ("&amp;",
// "&lt;", "&gt;", "&quot;", "&#9;", "&#10;", "&#13;"; other control bytes
// below 0x20 are dropped). Unless the document keeps its layout, every
// element starts on a new line (CRLF) indented by one tab per level, and its
// end tag goes on a line of its own when its content has line breaks. No
// byte-order mark is written. Texts are bytes: nothing is converted from or
// to UTF-8 while parsing or writing.
#pragma once
#include <istream>
#include <string>

#include "xml/xmlelement.h"
#include "xml/xmlnode.h"

class TXmlDocument : public TXmlNode {
 public:
  // A document on the given name table (the process-wide one when nullptr).
  explicit TXmlDocument(TXmlNameTable* names = nullptr);
  ~TXmlDocument() override;

  void SetNodeText(const std::string& text) override;

  // The first element child.
  IXmlElement DocumentElement() const;
  // Replaces the content with the document parsed from the text; on a parse
  // error the content is left as it was and SimpleXMLException is raised.
  void LoadXml(const std::string& text);
  void LoadFrom(std::istream& stream);
  void LoadFrom(const std::string& fileName);
  // Writes Xml to the file, creating or replacing it.
  void SaveTo(const std::string& fileName) const;
  // Puts a declaration "xml" with version and encoding first (replacing an
  // existing one); an empty encoding is the default encoding.
  IXmlNode NewDocumentDeclaration(const std::string& version, const std::string& encoding);

  // The layout flag: when set, the text form has no added line breaks and
  // texts are neither trimmed nor dropped when blank.
  bool PreserveWhiteSpace() const { return preserveWhiteSpace_; }
  void SetPreserveWhiteSpace(bool value) { preserveWhiteSpace_ = value; }
  // The code page of the declared encoding (65001, 1251, 866 or 0), cached.
  uint32_t CodePage() const;

 protected:
  tXmlNodeVector* Childs() const override { return &childs_; }
  bool WriteXml(tXmlOutput& out, int level, const tWriteContext& context) const override;
  TXmlNode* CloneShallow() const override;

 private:
  friend class TXmlParser;
  friend class TXmlNode;
  // Drops the children: the parsed tree at once when it can go so.
  void ReleaseContent();
  void MarkContentEdited() const {
    if (contentArena_) contentArena_->MarkEdited();
  }

  mutable tXmlNodeVector childs_;
  IXmlArena contentArena_;  // the arena of the parsed children, if any
  bool preserveWhiteSpace_;
  mutable int64_t codePage_ = -1;  // -1: not known yet
};

// A document with the declaration (version, encoding; the default encoding
// when empty) and an empty root element, unless the root name is empty.
IXmlDocument NewXmlDocument(const std::string& rootName, const std::string& version = "1.0",
                            const std::string& encoding = std::string(), TXmlNameTable* names = nullptr);
IXmlElement NewXmlElement(const std::string& name, TXmlNameTable* names = nullptr);
// A new document parsed from text, a stream or a file; raises
// SimpleXMLException instead of returning a half-read document.
IXmlDocument ParseXmlDocument(const std::string& text);
IXmlDocument ReadXmlDocument(std::istream& stream);
IXmlDocument ReadXmlDocument(const std::string& fileName);

// The encoding that NewXmlDocument declares when none is given ("utf-8"
// unless set otherwise at start-up).
void SetXmlDefaultEncoding(const std::string& encoding);
std::string XmlDefaultEncoding();
// The layout flag of new documents (false).
bool XmlDefaultPreserveWhiteSpace();

