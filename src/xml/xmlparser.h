// The parser behind LoadXml: reads the text form into a document.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "xml/xmlarena.h"
#include "xml/xmldocument.h"

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
  void ParseCharData(TXmlNode& parent);
  void ParseMarkup(TXmlNode& parent, int depth);
  void ParseInstruction(TXmlNode& parent);
  void ParseComment(TXmlNode& parent);
  void ParseCDATA(TXmlNode& parent);
  void SkipDoctype();
  void ParseElement(TXmlNode& parent, int depth);
  void ParseEndTag(std::string_view name);
  // Reads attributes up to ">", "/>" (true) or, for an instruction, "?>".
  bool ParseAttributes(TXmlNode& node, bool instruction);
  TXmlValue ParseAttributeValue();
  // A value over a copy of the text in the arena.
  TXmlValue ArenaText(const char* begin, const char* end);
  void ParseReference(std::string& out);

  std::string_view ParseName();
  // The identifier of the name ParseName read last.
  int32_t Intern(std::string_view name);
  bool AtEnd() const { return pos_ == end_; }
  bool LookingAt(const char* text) const;
  void SkipBlanks();
  // The text up to `terminator` (consumed); raises "\"<terminator>\" expected".
  std::string TakeUntil(const char* terminator);
  static void Append(TXmlNode& parent, TXmlNode* child);
  // A node of the arena on the document's table.
  template <class T, class... A>
  T* NewNode(A&&... args) {
    return new (arena_.get()) T(names_, std::forward<A>(args)..., arena_.get());
  }

  const char* pos_;
  const char* end_;
  TXmlDocument& document_;
  TXmlNameTable* names_;
  bool keepBlankText_;
  uint32_t nameHash_ = 0;  // of the name ParseName read last
  IXmlArena arena_;
  std::string buffer_;

  struct tNameSlot {
    const std::string* Name = nullptr;
    int32_t Id = -1;
  };
  static constexpr size_t kNameCacheSize = 64;
  tNameSlot nameCache_[kNameCacheSize];
};
