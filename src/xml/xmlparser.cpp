#include "xml/xmlparser.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "xml/xmlexception.h"
#include "xml/xmlstrings.h"

namespace {

const char kBinaryPrefix[] = "< binary-xml >";
const char kNameStart[] = "Name must start with letter or \"_\"";
const char kNotFinished[] = "Element definition is not finished";

[[noreturn]] void Expected(const std::string& what) { RaiseXmlError("\"" + what + "\" expected"); }
[[noreturn]] void CharacterExpected(const std::string& what) {
  RaiseXmlError("Character \"" + what + "\" expected");
}

bool IsAsciiAlnum(uint8_t c) { return xmlstr::IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

int HexDigit(uint8_t c) {
  if (xmlstr::IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The byte of a named reference ("amp", "quot", "lt", "gt", "apos"); 0 for
// another name.
char NamedSymbol(std::string_view name) {
  switch (name.size()) {
    case 2:
      if (name[1] != 't') return 0;
      return name[0] == 'l' ? '<' : name[0] == 'g' ? '>' : 0;
    case 3: return name[0] == 'a' && name[1] == 'm' && name[2] == 'p' ? '&' : 0;
    case 4:
      if (name[0] == 'q' && name[1] == 'u' && name[2] == 'o' && name[3] == 't') return '"';
      if (name[0] == 'a' && name[1] == 'p' && name[2] == 'o' && name[3] == 's') return '\'';
      return 0;
    default: return 0;
  }
}

bool SameBytes(const char* a, const char* b, size_t length) {
  for (size_t i = 0; i < length; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

}  // namespace

void TXmlParser::Parse(const std::string& text, TXmlDocument& document) {
  if (text.compare(0, sizeof kBinaryPrefix - 1, kBinaryPrefix) == 0)
    RaiseXmlError("Binary XML documents are not supported");
  TXmlParser parser(text, document);
  parser.ParseContent(document, 0);
  if (!document.DocumentElement()) RaiseXmlError("Error: no root element");
}

TXmlParser::TXmlParser(const std::string& text, TXmlDocument& document)
    : pos_(text.data()),
      end_(text.data() + text.size()),
      document_(document),
      names_(document.NameTable()),
      keepBlankText_(document.PreserveWhiteSpace()),
      arena_(new TXmlArena(names_)) {}

TXmlParser::~TXmlParser() { arena_->CommitNodeRefs(); }

bool TXmlParser::LookingAt(const char* text) const {
  size_t length = std::strlen(text);
  return size_t(end_ - pos_) >= length && std::memcmp(pos_, text, length) == 0;
}

void TXmlParser::SkipBlanks() {
  while (pos_ != end_ && uint8_t(*pos_) <= 0x20) ++pos_;
}

std::string TXmlParser::TakeUntil(const char* terminator) {
  std::string_view rest(pos_, size_t(end_ - pos_));
  size_t found = rest.find(terminator);
  if (found == std::string_view::npos) Expected(terminator);
  std::string text(pos_, found);
  pos_ += found + std::strlen(terminator);
  return text;
}

int32_t TXmlParser::Intern(std::string_view name) {
  // Names repeat: most are found here without the table's lock. The hash
  // is the one ParseName computed for this name.
  tNameSlot& slot = nameCache_[nameHash_ % kNameCacheSize];
  if (slot.Name && slot.Name->size() == name.size() && SameBytes(slot.Name->data(), name.data(), name.size()))
    return slot.Id;
  int32_t id = names_->NameId(name);
  slot = {&names_->Name(id), id};
  return id;
}

std::string_view TXmlParser::ParseName() {
  if (AtEnd()) RaiseXmlError(kNotFinished);
  if (!xmlstr::IsNameStart(uint8_t(*pos_))) RaiseXmlError(kNameStart);
  const char* start = pos_;
  uint32_t hash = 0;
  while (pos_ != end_ && xmlstr::IsNameChar(uint8_t(*pos_))) hash = hash * 33 + uint8_t(*pos_++);
  nameHash_ = hash;
  return std::string_view(start, size_t(pos_ - start));
}

void TXmlParser::Append(TXmlNode& parent, TXmlNode* child) {
  child->AddFirstRef();  // the node is new
  child->parent_ = &parent;
  AppendToXmlList(*parent.Childs(), child);
}

void TXmlParser::ParseContent(TXmlNode& parent, int depth) {
  const bool inElement = parent.NodeType() == NODE_ELEMENT;
  while (!AtEnd()) {
    if (*pos_ != '<') {
      ParseCharData(parent);
    } else if (inElement && end_ - pos_ >= 2 && pos_[1] == '/') {
      return;
    } else {
      ParseMarkup(parent, depth);
    }
  }
  if (inElement) Expected("</" + parent.NodeName() + ">");
}

void TXmlParser::ParseCharData(TXmlNode& parent) {
  const char* start = pos_;
  bool blank = true;
  while (pos_ != end_ && !xmlstr::Is(uint8_t(*pos_), xmlstr::kTextStop)) blank &= uint8_t(*pos_++) <= 0x20;
  if (pos_ == end_ || *pos_ == '<') {
    // No references: the text is the input as it stands.
    if (!blank || keepBlankText_) Append(parent, NewNode<TXmlText>(ArenaText(start, pos_), false));
    return;
  }
  buffer_.assign(start, pos_);
  while (pos_ != end_ && *pos_ != '<') {
    ParseReference(buffer_);
    const char* run = pos_;
    while (pos_ != end_ && *pos_ != '<' && *pos_ != '&') ++pos_;
    buffer_.append(run, pos_);
  }
  if (!keepBlankText_ && xmlstr::Trim(buffer_).empty()) return;
  Append(parent, NewNode<TXmlText>(ArenaText(buffer_.data(), buffer_.data() + buffer_.size()), false));
}

void TXmlParser::ParseReference(std::string& out) {
  ++pos_;  // "&"
  if (AtEnd()) RaiseXmlError("\"#\" expected or special symbol name");
  if (*pos_ == '#') {
    ++pos_;
    const bool hex = pos_ != end_ && *pos_ == 'x';
    if (hex) ++pos_;
    uint32_t code = 0;  // only the low 8 bits are kept; wrapping is harmless
    const char* digits = pos_;
    for (; pos_ != end_; ++pos_) {
      int d = hex ? HexDigit(uint8_t(*pos_)) : (xmlstr::IsDigit(uint8_t(*pos_)) ? *pos_ - '0' : -1);
      if (d < 0) break;
      code = code * (hex ? 16 : 10) + uint32_t(d);
    }
    if (pos_ == digits) RaiseXmlError(std::string("Bad special symbol name: \"") + (hex ? "#x" : "#") + "\"");
    if (pos_ == end_ || *pos_ != ';') CharacterExpected(";");
    ++pos_;
    out += char(code & 0xFF);
    return;
  }
  const char* start = pos_;
  while (pos_ != end_ && IsAsciiAlnum(uint8_t(*pos_))) ++pos_;
  std::string_view name(start, size_t(pos_ - start));
  if (name.empty()) RaiseXmlError("\"#\" expected or special symbol name");
  const char symbol = NamedSymbol(name);
  if (!symbol) RaiseXmlError("Bad special symbol name: \"" + std::string(name) + "\"");
  if (pos_ == end_ || *pos_ != ';') CharacterExpected(";");
  ++pos_;
  out += symbol;
}

void TXmlParser::ParseMarkup(TXmlNode& parent, int depth) {
  const char next = end_ - pos_ >= 2 ? pos_[1] : '\0';
  if (next == '?') return ParseInstruction(parent);
  if (next == '!') {
    if (LookingAt("<!--")) return ParseComment(parent);
    if (LookingAt("<![CDATA[")) return ParseCDATA(parent);
    if (LookingAt("<!DOCTYPE")) return SkipDoctype();
  }
  ParseElement(parent, depth);
}

void TXmlParser::ParseInstruction(TXmlNode& parent) {
  pos_ += 2;
  std::string_view target = ParseName();
  int32_t targetId = Intern(target);
  if (target == "xml") {
    auto* declaration = NewNode<TXmlProcessingInstruction>(targetId, std::string());
    Append(parent, declaration);
    ParseAttributes(*declaration, true);
    document_.codePage_ = -1;
    return;
  }
  SkipBlanks();
  Append(parent, NewNode<TXmlProcessingInstruction>(targetId, TakeUntil("?>")));
}

void TXmlParser::ParseComment(TXmlNode& parent) {
  pos_ += 4;
  Append(parent, NewNode<TXmlComment>(TakeUntil("-->")));
}

void TXmlParser::ParseCDATA(TXmlNode& parent) {
  pos_ += 9;
  Append(parent, NewNode<TXmlCDATASection>(TakeUntil("]]>")));
}

void TXmlParser::SkipDoctype() {
  const void* close = std::memchr(pos_, '>', size_t(end_ - pos_));
  if (!close) Expected(">");
  pos_ = static_cast<const char*>(close) + 1;
}

void TXmlParser::ParseElement(TXmlNode& parent, int depth) {
  ++pos_;  // "<"
  std::string_view name = ParseName();
  auto* element = NewNode<TXmlElement>(Intern(name));
  Append(parent, element);
  if (AtEnd()) RaiseXmlError(kNotFinished);
  uint8_t next = uint8_t(*pos_);
  if (!xmlstr::IsBlank(next) && next != '/' && next != '>') RaiseXmlError("Bad character in element name");
  if (ParseAttributes(*element, false)) return;  // "/>"
  if (depth + 1 >= kMaxDepth) RaiseXmlError("Elements are nested too deeply");
  ParseContent(*element, depth + 1);
  ParseEndTag(name);
}

void TXmlParser::ParseEndTag(std::string_view name) {
  pos_ += 2;  // "</"
  const char* start = pos_;
  while (pos_ != end_ && xmlstr::IsNameChar(uint8_t(*pos_))) ++pos_;
  bool sameName = size_t(pos_ - start) == name.size() && SameBytes(start, name.data(), name.size());
  SkipBlanks();
  if (!sameName || AtEnd() || *pos_ != '>') Expected("</" + std::string(name) + ">");
  ++pos_;
}

bool TXmlParser::ParseAttributes(TXmlNode& node, bool instruction) {
  for (;;) {
    SkipBlanks();
    if (AtEnd()) {
      if (instruction) Expected("?>");
      RaiseXmlError(kNotFinished);
    }
    if (instruction && LookingAt("?>")) {
      pos_ += 2;
      return false;
    }
    if (!instruction && *pos_ == '>') {
      ++pos_;
      return false;
    }
    if (!instruction && *pos_ == '/') {
      ++pos_;
      if (AtEnd()) RaiseXmlError(kNotFinished);
      if (*pos_ != '>') CharacterExpected(">");
      ++pos_;
      return true;
    }
    int32_t nameId = Intern(ParseName());
    SkipBlanks();
    if (AtEnd()) RaiseXmlError(instruction ? "Attribute value expected" : kNotFinished);
    if (*pos_ != '=') RaiseXmlError("Attribute value expected");
    ++pos_;
    SkipBlanks();
    if (AtEnd()) RaiseXmlError(instruction ? "String constant expected" : kNotFinished);
    node.SetAttrValue(nameId, ParseAttributeValue());
  }
}

TXmlValue TXmlParser::ParseAttributeValue() {
  const char quote = *pos_;
  if (quote != '"' && quote != '\'') RaiseXmlError("String constant expected");
  const uint8_t stops = quote == '"' ? xmlstr::kQuotedStop : xmlstr::kApostropheStop;
  const char* start = ++pos_;
  while (pos_ != end_ && !xmlstr::Is(uint8_t(*pos_), stops)) ++pos_;
  if (pos_ != end_ && *pos_ == quote) return ArenaText(start, pos_++);  // no references
  std::string& value = buffer_;
  value.assign(start, pos_);
  for (;;) {
    if (pos_ == end_) CharacterExpected(std::string(1, quote));
    if (*pos_ == '<') RaiseXmlError("Character \"<\" can not be used in attribute values");
    if (*pos_ == quote) break;
    ParseReference(value);
    const char* run = pos_;
    while (pos_ != end_ && !xmlstr::Is(uint8_t(*pos_), stops)) ++pos_;
    value.append(run, pos_);
  }
  ++pos_;
  return ArenaText(value.data(), value.data() + value.size());
}

TXmlValue TXmlParser::ArenaText(const char* begin, const char* end) {
  size_t length = size_t(end - begin);
  if (length > size_t(INT32_MAX)) return TXmlValue::String(std::string(begin, end));
  char* copy = arena_->AllocateText(length);
  if (length) std::memcpy(copy, begin, length);
  return TXmlValue::Borrowed(copy, length);
}
