// The parser behind LoadXml: reads the text form into a document.
//
// The text is copied once into the document's arena with a zero byte after
// it, so that the scanning loops stop on a byte class alone (a zero byte
// inside the text is told from the end by its position). Texts and
// attribute values stay in that copy, with references decoded in place;
// children and attributes are gathered in scratch lists and stored in
// lists of their exact size.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xml/xmlarena.h"
#include "xml/xmldocument.h"
#include "xml/xmlscan.h"
#include "xml/xmlstrings.h"

class TXmlParser {
 public:
  // Elements nested deeper than this are refused, so that no input can
  // exhaust the stack of the parser or of the tree's recursive operations.
  static constexpr int kMaxDepth = 1024;

  // Parses the whole text into the empty document; raises
  // SimpleXMLException with the parse error.
  static void Parse(const std::string& text, TXmlDocument& document);

 private:
  TXmlParser(const std::string& text, TXmlDocument& document);
  // Commits the arena's node references: the parsed nodes may go from then on.
  ~TXmlParser();

  void ParseContent(TXmlNode& parent, int depth);
  // The text at pos_; p: the end of the blanks it starts with.
  void ParseCharData(TXmlNode& parent, char* p);
  // Decodes the text from the reference at pos_ up to the next stop byte
  // of `stops` other than "&", writing it from `out` on (in place: `out`
  // never passes pos_); returns the end of what it wrote.
  char* DecodeReferences(char* out, uint8_t stops);
  // The reference at pos_ (at "&"): its byte; pos_ moves past it.
  char DecodeReference();
  // The same for "&lt;", "&gt;", "&amp;" and "&quot;" only: false for
  // another reference (pos_ stays).
  bool UsualReference(char& symbol) {
    const char* p = pos_ + 1;
    switch (p[0]) {
      case 'l':
      case 'g':
        if (p[1] != 't' || p[2] != ';') return false;
        symbol = p[0] == 'l' ? '<' : '>';
        pos_ += 4;
        return true;
      case 'a':
        if (p[1] != 'm' || p[2] != 'p' || p[3] != ';') return false;
        symbol = '&';
        pos_ += 5;
        return true;
      case 'q':
        if (p[1] != 'u' || p[2] != 'o' || p[3] != 't' || p[4] != ';') return false;
        symbol = '"';
        pos_ += 6;
        return true;
      default: return false;
    }
  }
  // "<?" or "<!": an instruction, comment, CDATA section or DOCTYPE (or an
  // element whose name fails).
  void ParseMarkup(TXmlNode& parent, int depth);
  void ParseInstruction(TXmlNode& parent);
  void ParseComment(TXmlNode& parent);
  void ParseCDATA(TXmlNode& parent);
  void SkipDoctype();
  void ParseElement(TXmlNode& parent, int depth);
  using tNameEntry = TXmlNameTable::tEntry;
  // The element name at pos_: the name that followed the last start tag the
  // time before, when the text holds it, else read.
  const tNameEntry& ElementName();
  void ParseEndTag(const tNameEntry& name);
  // Reads attributes up to ">", "/>" (true) or, for an instruction, "?>".
  bool ParseAttributes(tXmlAttrVector& attrs, const tNameEntry& nodeName, bool instruction);
  // The attribute at `index` of the node, into the gathered ones.
  void ParseAttribute(bool instruction, const tNameEntry& nodeName, size_t index);
  // The usual attribute at pos_ read at once: the name at that index the
  // time before, "=" and a quoted value without references, none of its
  // name before; false, with nothing read, for any other.
  bool QuickAttribute(const tNameEntry& nodeName, size_t index);
  // Its name, read when it is not the one at that index the time before.
  int32_t ReadAttrName(const tNameEntry& nodeName, size_t index);
  // Stores the gathered attributes in the node's list.
  void StoreAttributes(tXmlAttrVector& attrs);
  void StoreChildren(TXmlNode& parent, size_t first);

  std::string_view ParseName() {
    if (!xmlstr::IsNameStart(uint8_t(*pos_))) RaiseNameError();
    const char* start = pos_;
    pos_ = SkipWhile(pos_ + 1, xmlstr::kNameChar);
    return std::string_view(start, size_t(pos_ - start));
  }
  [[noreturn]] void RaiseNameError() const;
  // The first byte from p on not of `classes` (the zero byte at the end is
  // of none).
  static char* SkipWhile(char* p, uint8_t classes) {
    for (;; p += 4) {
      if (!xmlstr::Is(uint8_t(p[0]), classes)) return p;
      if (!xmlstr::Is(uint8_t(p[1]), classes)) return p + 1;
      if (!xmlstr::Is(uint8_t(p[2]), classes)) return p + 2;
      if (!xmlstr::Is(uint8_t(p[3]), classes)) return p + 3;
    }
  }
  static char* SkipBlankBytes(char* p) { return xmlscan::SkipBlankBytes(p); }
  bool AtEnd() const { return pos_ == end_; }
  bool LookingAt(const char* text) const;
  void SkipBlanks() {
    for (;;) {
      pos_ = SkipBlankBytes(pos_);
      if (*pos_ != '\0' || pos_ == end_) return;
      ++pos_;  // a zero byte inside the text
    }
  }
  // The text up to `terminator` (consumed); raises "\"<terminator>\" expected".
  TXmlValue TakeUntil(const char* terminator);
  void Append(TXmlNode& parent, TXmlNode* child) {
    child->AddFirstRef();  // the parent's link to the new node
    child->parent_ = &parent;
    if (&parent == &document_) document_.childs_.Append(child, nullptr);
    else childs_.push_back(child);
  }
  // A node of the arena on the document's table.
  template <class T, class... A>
  T* NewNode(A&&... args) {
    return new (arena_.get()) T(names_, std::forward<A>(args)..., arena_.get());
  }
  static TXmlValue Text(const char* begin, const char* end) {
    return TXmlValue::Borrowed(begin, uint32_t(end - begin));
  }

  // Zero bytes after the copied text: the word scans read a word past
  // where they stop.
  static constexpr size_t kTextPadding = 2 + 2 * xmlscan::kWordSize;

  char* pos_;
  char* end_;  // followed by kTextPadding zero bytes
  TXmlDocument& document_;
  TXmlNameTable* names_;
  bool keepBlankText_;
  IXmlArena arena_;

  // The children of the open elements, innermost last.
  std::vector<TXmlNode*> childs_;
  // The attributes of the element being read (values over the text): the
  // first attrCount_ entries of attrItems_, which is the arena's free room
  // while few and distinct (stored by taking that room), else attrs_ (the
  // entries after attrCount_ left from earlier elements).
  tXmlAttr* attrItems_ = nullptr;
  bool attrsInArena_ = false;
  std::vector<tXmlAttr> attrs_;
  size_t attrCount_ = 0;
  static constexpr size_t kScannedAttrs = 16;
  // maybeRepeated: an attribute of this element had a name of the same
  // bit in attrSlots_.
  void AddAttribute(int32_t nameId, TXmlValue value, bool maybeRepeated);
  void MoveAttrsFromArena();
  void NoteAttrIndex(int32_t nameId, size_t index);
  bool RepeatedAttr(int32_t nameId) const {
    for (size_t i = 0; i < attrCount_; ++i)
      if (attrItems_[i].NameId == nameId) return true;
    return false;
  }
  // Bit (name identifier mod 64) of every attribute name of the element
  // being read: a name whose bit is not set yet is no repeat.
  uint64_t attrSlots_ = 0;
  // The name of the last start tag read (the document's before the first).
  const tNameEntry* lastElement_;
  // Per name identifier: the element (its serial number) that last had an
  // attribute of that name, and the attribute's index, for duplicates.
  std::vector<uint64_t> attrSeen_;
  uint32_t attrSerial_ = 0;
};
