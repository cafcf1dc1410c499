#include "emu_xml.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

#include "platform/codepage.h"

namespace emu {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameStart(char c) { return std::isalpha(uint8_t(c)) || c == '_' || c == ':' || uint8_t(c) >= 0x80; }
bool IsNameChar(char c) { return IsNameStart(c) || std::isdigit(uint8_t(c)) || c == '-' || c == '.'; }

void AppendUtf8(std::string& out, uint32_t code) {
  std::u16string wide;
  if (code < 0x10000) {
    wide += char16_t(code);
  } else {
    wide += char16_t(0xD800 + ((code - 0x10000) >> 10));
    wide += char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
  }
  out += platform::WideToUtf8(wide);
}

class Reader {
 public:
  explicit Reader(const std::string& text) : s_(text) {}

  bool Document(XmlNode& root) {
    if (!platform::IsValidUtf8(s_)) return Fail("the document is not UTF-8");
    SkipMisc(true);
    if (!Peek('<')) return Fail("no root element");
    if (!Element(root)) return false;
    SkipMisc(false);
    if (at_ != s_.size()) return Fail("content after the root element");
    return true;
  }
  std::string Error() const { return error_ + " (at byte " + std::to_string(at_) + ")"; }

 private:
  bool Fail(const std::string& message) {
    if (error_.empty()) error_ = message;
    return false;
  }
  bool Peek(char c) const { return at_ < s_.size() && s_[at_] == c; }
  bool Starts(const char* text) const { return s_.compare(at_, std::char_traits<char>::length(text), text) == 0; }
  void SkipBlanks() {
    while (at_ < s_.size() && IsBlank(s_[at_])) ++at_;
  }
  // Blanks, comments, and the declaration when it may come.
  void SkipMisc(bool declaration) {
    for (;;) {
      SkipBlanks();
      if (declaration && Starts("<?xml")) {
        size_t end = s_.find("?>", at_);
        at_ = end == std::string::npos ? s_.size() : end + 2;
        declaration = false;
      } else if (Starts("<!--")) {
        size_t end = s_.find("-->", at_ + 4);
        at_ = end == std::string::npos ? s_.size() : end + 3;
      } else {
        return;
      }
    }
  }
  bool Name(std::string& name) {
    if (at_ >= s_.size() || !IsNameStart(s_[at_])) return Fail("a name expected");
    size_t start = at_;
    while (at_ < s_.size() && IsNameChar(s_[at_])) ++at_;
    name = s_.substr(start, at_ - start);
    return true;
  }
  bool Reference(std::string& out) {
    size_t end = s_.find(';', at_);
    if (end == std::string::npos || end - at_ > 10) return Fail("an unterminated reference");
    std::string name = s_.substr(at_ + 1, end - at_ - 1);
    at_ = end + 1;
    if (name == "amp") out += '&';
    else if (name == "lt") out += '<';
    else if (name == "gt") out += '>';
    else if (name == "quot") out += '"';
    else if (name == "apos") out += '\'';
    else if (name.size() > 1 && name[0] == '#') {
      bool hex = name[1] == 'x';
      std::string digits = name.substr(hex ? 2 : 1);
      char* stop = nullptr;
      unsigned long code = std::strtoul(digits.c_str(), &stop, hex ? 16 : 10);
      if (digits.empty() || *stop || code == 0 || code > 0x10FFFF) return Fail("a bad character reference");
      AppendUtf8(out, uint32_t(code));
    } else {
      return Fail("an unknown reference &" + name + ";");
    }
    return true;
  }
  bool Attribute(XmlNode& node) {
    std::string name, value;
    if (!Name(name)) return false;
    SkipBlanks();
    if (!Peek('=')) return Fail("\"=\" expected after " + name);
    ++at_;
    SkipBlanks();
    if (!Peek('"') && !Peek('\'')) return Fail("a quoted value expected for " + name);
    char quote = s_[at_++];
    while (at_ < s_.size() && s_[at_] != quote) {
      if (s_[at_] == '<') return Fail("\"<\" in the value of " + name);
      if (s_[at_] == '&') {
        if (!Reference(value)) return false;
      } else {
        value += s_[at_++];
      }
    }
    if (at_ >= s_.size()) return Fail("an unterminated value of " + name);
    ++at_;
    if (node.HasAttr(name)) return Fail("attribute " + name + " given twice");
    node.Attrs.emplace_back(name, value);
    return true;
  }
  bool Element(XmlNode& node) {
    ++at_;  // "<"
    if (!Name(node.Name)) return false;
    for (;;) {
      size_t before = at_;
      SkipBlanks();
      if (Starts("/>")) {
        at_ += 2;
        return true;
      }
      if (Peek('>')) {
        ++at_;
        break;
      }
      if (at_ == before) return Fail("a blank expected in the tag " + node.Name);
      if (!Attribute(node)) return false;
    }
    return Content(node);
  }
  bool Content(XmlNode& node) {
    while (at_ < s_.size()) {
      if (Starts("</")) {
        at_ += 2;
        std::string name;
        if (!Name(name)) return false;
        SkipBlanks();
        if (name != node.Name || !Peek('>')) return Fail("</" + node.Name + "> expected");
        ++at_;
        return true;
      }
      if (Starts("<!--")) {
        size_t end = s_.find("-->", at_ + 4);
        if (end == std::string::npos) return Fail("an unterminated comment");
        at_ = end + 3;
      } else if (Starts("<![CDATA[")) {
        size_t end = s_.find("]]>", at_ + 9);
        if (end == std::string::npos) return Fail("an unterminated CDATA section");
        node.Text += s_.substr(at_ + 9, end - at_ - 9);
        at_ = end + 3;
      } else if (Peek('<')) {
        node.Children.emplace_back();
        if (!Element(node.Children.back())) return false;
      } else if (Peek('&')) {
        if (!Reference(node.Text)) return false;
      } else {
        node.Text += s_[at_++];
      }
    }
    return Fail("</" + node.Name + "> missing");
  }

  const std::string& s_;
  size_t at_ = 0;
  std::string error_;
};

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

const XmlNode* XmlNode::Child(const std::string& name) const {
  for (const XmlNode& child : Children)
    if (child.Name == name) return &child;
  return nullptr;
}

std::string XmlNode::Attr(const std::string& name, const std::string& missing) const {
  for (const auto& attr : Attrs)
    if (attr.first == name) return attr.second;
  return missing;
}

bool XmlNode::HasAttr(const std::string& name) const {
  for (const auto& attr : Attrs)
    if (attr.first == name) return true;
  return false;
}

const XmlNode* XmlNode::Path(const std::string& path) const {
  const XmlNode* node = this;
  for (size_t at = 0; node && at <= path.size();) {
    size_t end = path.find('/', at);
    if (end == std::string::npos) end = path.size();
    node = node->Child(path.substr(at, end - at));
    at = end + 1;
  }
  return node;
}

std::vector<const XmlNode*> XmlNode::ChildrenNamed(const std::string& name) const {
  std::vector<const XmlNode*> list;
  for (const XmlNode& child : Children)
    if (child.Name == name) list.push_back(&child);
  return list;
}

bool ParseXml(const std::string& text, XmlNode& root, std::string& error) {
  Reader reader(text);
  root = XmlNode();
  if (reader.Document(root)) return true;
  error = reader.Error();
  return false;
}

bool DecodeBase64(const std::string& text, std::string& bytes) {
  std::string clean;
  for (char c : text)
    if (uint8_t(c) > 0x20) clean += c;
  bytes.clear();
  if (clean.size() % 4 != 0) return false;
  for (size_t i = 0; i < clean.size(); i += 4) {
    int v[4];
    for (int k = 0; k < 4; ++k) {
      bool fill = clean[i + size_t(k)] == '=' && i + 4 == clean.size() && k >= 2;
      v[k] = fill ? 0 : Base64Value(clean[i + size_t(k)]);
      if (v[k] < 0) return false;
    }
    if (clean[i + 2] == '=' && clean[i + 3] != '=') return false;
    uint32_t group = uint32_t(v[0]) << 18 | uint32_t(v[1]) << 12 | uint32_t(v[2]) << 6 | uint32_t(v[3]);
    bytes += char(group >> 16);
    if (clean[i + 2] != '=') bytes += char(group >> 8);
    if (clean[i + 3] != '=') bytes += char(group);
  }
  return true;
}

}  // namespace emu
