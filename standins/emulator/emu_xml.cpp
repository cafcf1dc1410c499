#include "emu_xml.h"

#include <cstdlib>
#include <cctype>
#include <cstring>

namespace emu {

const std::string* XmlNode::Attr(const std::string& name) const {
  for (const auto& a : Attrs)
    if (a.first == name) return &a.second;
  return nullptr;
}

std::string XmlNode::AttrOr(const std::string& name, const std::string& otherwise) const {
  const std::string* value = Attr(name);
  return value ? *value : otherwise;
}

const XmlNode* XmlNode::Child(const std::string& name) const {
  for (const XmlNode& c : Children)
    if (c.Name == name) return &c;
  return nullptr;
}

const XmlNode* XmlNode::Path(const std::string& path) const {
  const XmlNode* node = this;
  size_t start = 0;
  while (node && start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    node = node->Child(path.substr(start, end - start));
    start = end + 1;
  }
  return node;
}

std::vector<const XmlNode*> XmlNode::ChildrenNamed(const std::string& name) const {
  std::vector<const XmlNode*> found;
  for (const XmlNode& c : Children)
    if (c.Name == name) found.push_back(&c);
  return found;
}

namespace {

class Reader {
 public:
  explicit Reader(const std::string& text) : t_(text) {}

  bool Document(XmlNode& root, std::string& error) {
    try {
      SkipMisc();
      if (!Starts("<")) Fail("no root element");
      Element(root);
      SkipMisc();
      if (p_ != t_.size()) Fail("content after the root element");
      return true;
    } catch (const std::string& message) {
      error = message;
      return false;
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& what) { throw what + " at offset " + std::to_string(p_); }
  bool Starts(const char* s) const { return t_.compare(p_, std::strlen(s), s) == 0; }
  void Expect(const char* s) {
    if (!Starts(s)) Fail(std::string("expected \"") + s + "\"");
    p_ += std::strlen(s);
  }
  void SkipBlanks() {
    while (p_ < t_.size() && (t_[p_] == ' ' || t_[p_] == '\t' || t_[p_] == '\r' || t_[p_] == '\n')) ++p_;
  }
  void SkipPast(const char* end) {
    size_t at = t_.find(end, p_);
    if (at == std::string::npos) Fail(std::string("unterminated, missing \"") + end + "\"");
    p_ = at + std::strlen(end);
  }
  void SkipMisc() {
    for (;;) {
      SkipBlanks();
      if (Starts("<?")) SkipPast("?>");
      else if (Starts("<!--")) SkipPast("-->");
      else return;
    }
  }
  static bool NameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80;
  }
  std::string Name() {
    size_t start = p_;
    while (p_ < t_.size() && NameChar(t_[p_])) ++p_;
    if (start == p_ || std::isdigit(static_cast<unsigned char>(t_[start])) || t_[start] == '-' || t_[start] == '.')
      Fail("bad name");
    return t_.substr(start, p_ - start);
  }
  std::string Decode(const std::string& raw) {
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '<') Fail("\"<\" inside a value");
      if (raw[i] != '&') {
        out += raw[i];
        continue;
      }
      size_t end = raw.find(';', i);
      if (end == std::string::npos) Fail("unterminated entity");
      std::string entity = raw.substr(i + 1, end - i - 1);
      if (entity == "amp") out += '&';
      else if (entity == "lt") out += '<';
      else if (entity == "gt") out += '>';
      else if (entity == "quot") out += '"';
      else if (entity == "apos") out += '\'';
      else if (entity.size() > 1 && entity[0] == '#') {
        unsigned long code = entity[1] == 'x' ? std::strtoul(entity.c_str() + 2, nullptr, 16)
                                              : std::strtoul(entity.c_str() + 1, nullptr, 10);
        if (code >= 0x80) Fail("character reference above 127");
        out += char(code);
      } else {
        Fail("unknown entity &" + entity + ";");
      }
      i = end;
    }
    return out;
  }
  void Element(XmlNode& node) {
    Expect("<");
    node.Name = Name();
    for (;;) {
      SkipBlanks();
      if (Starts("/>")) {
        p_ += 2;
        return;
      }
      if (Starts(">")) {
        ++p_;
        break;
      }
      std::string name = Name();
      if (node.Attr(name)) Fail("attribute " + name + " given twice");
      SkipBlanks();
      Expect("=");
      SkipBlanks();
      if (p_ >= t_.size() || (t_[p_] != '"' && t_[p_] != '\'')) Fail("unquoted attribute " + name);
      char quote = t_[p_++];
      size_t end = t_.find(quote, p_);
      if (end == std::string::npos) Fail("unterminated attribute " + name);
      node.Attrs.emplace_back(name, Decode(t_.substr(p_, end - p_)));
      p_ = end + 1;
    }
    for (;;) {
      if (p_ >= t_.size()) Fail("element " + node.Name + " not closed");
      if (Starts("</")) {
        p_ += 2;
        if (Name() != node.Name) Fail("end tag does not match " + node.Name);
        SkipBlanks();
        Expect(">");
        return;
      }
      if (Starts("<!--")) {
        SkipPast("-->");
      } else if (Starts("<![CDATA[")) {
        p_ += 9;
        size_t end = t_.find("]]>", p_);
        if (end == std::string::npos) Fail("unterminated CDATA");
        node.Text += t_.substr(p_, end - p_);
        p_ = end + 3;
      } else if (Starts("<")) {
        node.Children.emplace_back();
        Element(node.Children.back());
      } else {
        size_t end = t_.find('<', p_);
        if (end == std::string::npos) end = t_.size();
        std::string text = Decode(t_.substr(p_, end - p_));
        if (text.find_first_not_of(" \t\r\n") != std::string::npos) node.Text += text;
        p_ = end;
      }
    }
  }

  const std::string& t_;
  size_t p_ = 0;
};

}  // namespace

bool ParseXml(const std::string& text, XmlNode& root, std::string& error) {
  root = XmlNode();
  return Reader(text).Document(root, error);
}

}  // namespace emu
