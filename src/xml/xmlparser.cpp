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

}  // namespace

void TXmlParser::Parse(const std::string& text, TXmlDocument& document) {
  if (text.compare(0, sizeof kBinaryPrefix - 1, kBinaryPrefix) == 0)
    RaiseXmlError("Binary XML documents are not supported");
  // Texts keep 32-bit lengths; a 32-bit process never holds a longer one.
  if (text.size() >= UINT32_MAX) RaiseXmlError("The XML text is too long");
  TXmlParser parser(text, document);
  parser.ParseContent(document, 0);
  if (!document.DocumentElement()) RaiseXmlError("Error: no root element");
}

TXmlParser::TXmlParser(const std::string& text, TXmlDocument& document)
    : document_(document),
      names_(document.NameTable()),
      keepBlankText_(document.PreserveWhiteSpace()),
      arena_(new TXmlArena(names_)),
      lastElement_(&names_->EntryOf(TXmlNameTable::kDocument)) {
  document.contentArena_ = arena_;
  childs_.reserve(64);
  arena_->ReserveFor(text.size());
  pos_ = arena_->AllocateText(text.size() + kTextPadding);
  std::memcpy(pos_, text.data(), text.size());
  end_ = pos_ + text.size();
  std::memset(end_, 0, kTextPadding);
}

TXmlParser::~TXmlParser() { arena_->CommitNodeRefs(); }

bool TXmlParser::LookingAt(const char* text) const {
  size_t length = std::strlen(text);
  return size_t(end_ - pos_) >= length && std::memcmp(pos_, text, length) == 0;
}

TXmlValue TXmlParser::TakeUntil(const char* terminator) {
  std::string_view rest(pos_, size_t(end_ - pos_));
  size_t found = rest.find(terminator);
  if (found == std::string_view::npos) Expected(terminator);
  TXmlValue text = Text(pos_, pos_ + found);
  pos_ += found + std::strlen(terminator);
  return text;
}

void TXmlParser::RaiseNameError() const { RaiseXmlError(AtEnd() ? kNotFinished : kNameStart); }

void TXmlParser::StoreChildren(TXmlNode& parent, size_t first) {
  const size_t count = childs_.size() - first;
  if (!count) return;
  auto* items = static_cast<TXmlNode**>(arena_->Allocate(count * sizeof(TXmlNode*)));
  for (size_t i = 0; i < count; ++i) items[i] = childs_[first + i];
  static_cast<TXmlElement&>(parent).childs_.Adopt(items, uint32_t(count));
  childs_.resize(first);
}

void TXmlParser::ParseContent(TXmlNode& parent, int depth) {
  const bool inElement = parent.NodeType() == NODE_ELEMENT;
  const size_t first = childs_.size();
  while (!AtEnd()) {
    if (*pos_ != '<') {
      // Blanks between tags, the most common text, go at once.
      char* p = SkipBlankBytes(pos_);
      if (*p == '<' && !keepBlankText_) {
        pos_ = p;
        continue;
      }
      ParseCharData(parent, p);
    } else if (pos_[1] == '/' && inElement) {
      StoreChildren(parent, first);
      return;
    } else if (pos_[1] == '?' || pos_[1] == '!') {
      ParseMarkup(parent, depth);
    } else {
      ParseElement(parent, depth);
    }
  }
  if (inElement) Expected("</" + parent.NodeName() + ">");
}

void TXmlParser::ParseCharData(TXmlNode& parent, char* p) {
  char* const start = pos_;
  while (*p == '\0' && p != end_) p = SkipBlankBytes(p + 1);  // a zero byte inside the text
  if (p == end_ || *p == '<') {
    pos_ = p;
    if (keepBlankText_) Append(parent, NewNode<TXmlText>(Text(start, p), false));
    return;
  }
  const bool blank = *p == '&';  // nothing but blanks before the reference
  for (;;) {
    p = xmlscan::SkipText(p);
    if (*p == '\0' && p != end_) {
      ++p;
      continue;
    }
    break;
  }
  pos_ = p;
  if (*p != '&') {
    // No references: the text is the input as it stands.
    Append(parent, NewNode<TXmlText>(Text(start, p), false));
    return;
  }
  char* const stop = DecodeReferences(p, xmlstr::kTextStop);
  if (!keepBlankText_ && blank) {
    const char* q = start;
    while (q != stop && uint8_t(*q) <= 0x20) ++q;
    if (q == stop) return;
  }
  Append(parent, NewNode<TXmlText>(Text(start, stop), false));
}

char* TXmlParser::DecodeReferences(char* out, uint8_t stops) {
  // Every reference is longer than its byte: the decoded text is written
  // over the input behind the reading position.
  for (;;) {
    if (*pos_ == '&') {
      char symbol;
      if (!UsualReference(symbol)) symbol = DecodeReference();
      *out++ = symbol;
    } else if (*pos_ != '\0' || pos_ == end_) {
      return out;  // another stop byte, or the end
    } else {
      *out++ = *pos_++;  // a zero byte inside the text
    }
    for (;;) {
      const char a = pos_[0], b = pos_[1];
      if (xmlstr::Is(uint8_t(a), stops)) break;
      out[0] = a;
      if (xmlstr::Is(uint8_t(b), stops)) {
        ++out;
        ++pos_;
        break;
      }
      out[1] = b;
      out += 2;
      pos_ += 2;
    }
  }
}

char TXmlParser::DecodeReference() {
  ++pos_;  // "&"
  if (*pos_ == '#') {
    ++pos_;
    const bool hex = *pos_ == 'x';
    if (hex) ++pos_;
    uint32_t code = 0;  // only the low 8 bits are kept; wrapping is harmless
    const char* digits = pos_;
    for (;; ++pos_) {
      int d = hex ? HexDigit(uint8_t(*pos_)) : (xmlstr::IsDigit(uint8_t(*pos_)) ? *pos_ - '0' : -1);
      if (d < 0) break;
      code = code * (hex ? 16 : 10) + uint32_t(d);
    }
    if (pos_ == digits) RaiseXmlError(std::string("Bad special symbol name: \"") + (hex ? "#x" : "#") + "\"");
    if (*pos_ != ';') CharacterExpected(";");
    ++pos_;
    return char(code & 0xFF);
  }
  const char* start = pos_;
  while (IsAsciiAlnum(uint8_t(*pos_))) ++pos_;
  std::string_view name(start, size_t(pos_ - start));
  if (name.empty()) RaiseXmlError("\"#\" expected or special symbol name");
  const char symbol = NamedSymbol(name);
  if (!symbol) RaiseXmlError("Bad special symbol name: \"" + std::string(name) + "\"");
  if (*pos_ != ';') CharacterExpected(";");
  ++pos_;
  return symbol;
}

void TXmlParser::ParseMarkup(TXmlNode& parent, int depth) {
  if (pos_[1] == '?') return ParseInstruction(parent);
  if (LookingAt("<!--")) return ParseComment(parent);
  if (LookingAt("<![CDATA[")) return ParseCDATA(parent);
  if (LookingAt("<!DOCTYPE")) return SkipDoctype();
  ParseElement(parent, depth);
}

void TXmlParser::ParseInstruction(TXmlNode& parent) {
  pos_ += 2;
  std::string_view target = ParseName();
  int32_t targetId = names_->NameId(target);
  if (target == "xml") {
    auto* declaration = NewNode<TXmlProcessingInstruction>(targetId, TXmlValue::Borrowed(pos_, 0));
    Append(parent, declaration);
    ParseAttributes(declaration->attrs_, names_->EntryOf(targetId), true);
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
  pos_ = static_cast<char*>(const_cast<void*>(close)) + 1;
}

const TXmlParser::tNameEntry& TXmlParser::ElementName() {
  const tNameEntry* entry = TXmlNameTable::NextElementGuess(*lastElement_);
  if (size_t length = entry ? TXmlNameTable::MatchAt(*entry, pos_) : 0) {
    pos_ += length;
  } else {
    entry = &names_->EntryOf(names_->NameId(ParseName()));
    TXmlNameTable::GuessNextElement(*lastElement_, *entry);
  }
  lastElement_ = entry;
  return *entry;
}

void TXmlParser::ParseElement(TXmlNode& parent, int depth) {
  ++pos_;  // "<"
  const tNameEntry& name = ElementName();
  auto* element = NewNode<TXmlElement>(name.Id);
  Append(parent, element);
  if (AtEnd()) RaiseXmlError(kNotFinished);
  uint8_t next = uint8_t(*pos_);
  if (next == '>') {
    ++pos_;  // no attributes
  } else {
    if (!xmlstr::IsBlank(next) && next != '/') RaiseXmlError("Bad character in element name");
    if (ParseAttributes(element->attrs_, name, false)) return;  // "/>"
  }
  if (depth + 1 >= kMaxDepth) RaiseXmlError("Elements are nested too deeply");
  ParseContent(*element, depth + 1);
  ParseEndTag(name);
}

void TXmlParser::ParseEndTag(const tNameEntry& name) {
  pos_ += 2;  // "</"
  if (size_t length = TXmlNameTable::MatchAt(name, pos_)) {
    pos_ += length;
    if (*pos_ == '>') {
      ++pos_;
      return;
    }
    SkipBlanks();
    if (!AtEnd() && *pos_ == '>') {
      ++pos_;
      return;
    }
  }
  Expected("</" + name.Name + ">");
}

bool TXmlParser::ParseAttributes(tXmlAttrVector& attrs, const tNameEntry& nodeName, bool instruction) {
  attrCount_ = 0;
  attrSlots_ = 0;
  ++attrSerial_;
  attrItems_ = static_cast<tXmlAttr*>(arena_->Room(kScannedAttrs * sizeof(tXmlAttr)));
  attrsInArena_ = true;
  for (size_t index = 0;; ++index) {
    SkipBlanks();
    if (xmlstr::IsNameStart(uint8_t(*pos_))) {  // no end, nor any of the stops below
      if (!QuickAttribute(nodeName, index)) ParseAttribute(instruction, nodeName, index);
      continue;
    }
    if (AtEnd()) {
      if (instruction) Expected("?>");
      RaiseXmlError(kNotFinished);
    }
    if (instruction && pos_[0] == '?' && pos_[1] == '>') {
      pos_ += 2;
      StoreAttributes(attrs);
      return false;
    }
    if (!instruction && *pos_ == '>') {
      ++pos_;
      StoreAttributes(attrs);
      return false;
    }
    if (!instruction && *pos_ == '/') {
      ++pos_;
      if (AtEnd()) RaiseXmlError(kNotFinished);
      if (*pos_ != '>') CharacterExpected(">");
      ++pos_;
      StoreAttributes(attrs);
      return true;
    }
    ParseAttribute(instruction, nodeName, index);  // raises the name's error
  }
}

inline bool TXmlParser::QuickAttribute(const tNameEntry& nodeName, size_t index) {
  const tNameEntry* guess = index < TXmlNameTable::kGuessedAttrs ? TXmlNameTable::AttrGuess(nodeName, index) : nullptr;
  if (!guess) return false;
  char* p = pos_;
  const size_t length = TXmlNameTable::MatchAt(*guess, p);
  if (!length || p[length] != '=') return false;
  p += length + 1;
  const char quote = *p;
  if (quote != '"' && quote != '\'') return false;
  char* const start = ++p;
  p = xmlscan::SkipValue(p, quote);
  const uint64_t slotBit = uint64_t(1) << (uint32_t(guess->Id) % 64);
  if (*p != quote || (attrSlots_ & slotBit) || attrCount_ >= kScannedAttrs - 1) return false;
  attrSlots_ |= slotBit;
  new (attrItems_ + attrCount_++) tXmlAttr{guess->Id, Text(start, p)};
  pos_ = p + 1;
  return true;
}

int32_t TXmlParser::ReadAttrName(const tNameEntry& nodeName, size_t index) {
  const int32_t id = names_->NameId(ParseName());
  if (index < TXmlNameTable::kGuessedAttrs) TXmlNameTable::GuessAttr(nodeName, index, names_->EntryOf(id));
  return id;
}

void TXmlParser::ParseAttribute(bool instruction, const tNameEntry& nodeName, size_t index) {
  int32_t nameId;
  const tNameEntry* guess = index < TXmlNameTable::kGuessedAttrs ? TXmlNameTable::AttrGuess(nodeName, index) : nullptr;
  if (size_t length = guess ? TXmlNameTable::MatchAt(*guess, pos_) : 0) {
    pos_ += length;
    nameId = guess->Id;
  } else {
    nameId = ReadAttrName(nodeName, index);
  }
  const uint64_t slotBit = uint64_t(1) << (uint32_t(nameId) % 64);
  const bool maybeRepeated = (attrSlots_ & slotBit) != 0;
  attrSlots_ |= slotBit;
  if (*pos_ != '=') {
    SkipBlanks();
    if (AtEnd()) RaiseXmlError(instruction ? "Attribute value expected" : kNotFinished);
    if (*pos_ != '=') RaiseXmlError("Attribute value expected");
  }
  ++pos_;
  if (*pos_ != '"' && *pos_ != '\'') {
    SkipBlanks();
    if (AtEnd()) RaiseXmlError(instruction ? "String constant expected" : kNotFinished);
  }
  const char quote = *pos_;
  if (quote != '"' && quote != '\'') RaiseXmlError("String constant expected");
  const uint8_t stops = quote == '"' ? xmlstr::kQuotedStop : xmlstr::kApostropheStop;
  char* const start = ++pos_;
  for (;;) {
    pos_ = xmlscan::SkipValue(pos_, quote);
    if (*pos_ == '\0' && pos_ != end_) {
      ++pos_;
      continue;
    }
    break;
  }
  char* stop = pos_;
  if (*pos_ != quote) {
    for (;;) {
      if (AtEnd()) CharacterExpected(std::string(1, quote));
      if (*pos_ == '<') RaiseXmlError("Character \"<\" can not be used in attribute values");
      if (*pos_ == quote) break;
      stop = DecodeReferences(stop, stops);  // at "&"
    }
  }
  ++pos_;
  if (attrCount_ < kScannedAttrs - 1 && !(maybeRepeated && RepeatedAttr(nameId))) {
    new (attrItems_ + attrCount_++) tXmlAttr{nameId, Text(start, stop)};
  } else {
    AddAttribute(nameId, Text(start, stop), maybeRepeated);
  }
}

void TXmlParser::AddAttribute(int32_t nameId, TXmlValue value, bool maybeRepeated) {
  // A repeated name replaces the earlier value in its place. While few
  // attributes are gathered they are looked through when the name may be a
  // repeated one; from kScannedAttrs on, the index of each name is kept by
  // its identifier.
  if (attrsInArena_) MoveAttrsFromArena();
  const size_t count = attrCount_;
  if (attrs_.size() == count) attrs_.resize(count * 2);  // the scratch is made by now
  attrItems_ = attrs_.data();
  if (count < kScannedAttrs) {
    if (maybeRepeated)
      for (size_t i = 0; i < count; ++i)
        if (attrs_[i].NameId == nameId) {
          attrs_[i].Value = std::move(value);
          return;
        }
    attrs_[attrCount_++] = {nameId, std::move(value)};
    if (count + 1 == kScannedAttrs)
      for (size_t i = 0; i < kScannedAttrs; ++i) NoteAttrIndex(attrs_[i].NameId, i);
    return;
  }
  if (size_t(nameId) < attrSeen_.size()) {
    const uint64_t seen = attrSeen_[size_t(nameId)];
    if (uint32_t(seen >> 32) == attrSerial_) {
      attrs_[uint32_t(seen)].Value = std::move(value);
      return;
    }
  }
  NoteAttrIndex(nameId, count);
  attrs_[attrCount_++] = {nameId, std::move(value)};
}

void TXmlParser::MoveAttrsFromArena() {
  // The scratch list is made for the first element that needs it.
  if (attrs_.size() < kScannedAttrs) attrs_.resize(kScannedAttrs);
  // The values refer to the text: they are moved as their bytes.
  std::memcpy(static_cast<void*>(attrs_.data()), attrItems_, attrCount_ * sizeof(tXmlAttr));
  attrItems_ = attrs_.data();
  attrsInArena_ = false;
}

void TXmlParser::NoteAttrIndex(int32_t nameId, size_t index) {
  if (size_t(nameId) >= attrSeen_.size()) attrSeen_.resize(size_t(nameId) + 1, 0);
  attrSeen_[size_t(nameId)] = (uint64_t(attrSerial_) << 32) | index;
}

void TXmlParser::StoreAttributes(tXmlAttrVector& attrs) {
  const size_t count = attrCount_;
  if (!count) return;
  tXmlAttr* items = attrItems_;
  if (attrsInArena_) {
    arena_->Take(count * sizeof(tXmlAttr));
  } else {
    // The values refer to the text: they are moved as their bytes.
    items = static_cast<tXmlAttr*>(arena_->Allocate(count * sizeof(tXmlAttr)));
    std::memcpy(static_cast<void*>(items), attrs_.data(), count * sizeof(tXmlAttr));
  }
  attrs.Adopt(items, uint32_t(count));
}
