// The text form of every node kind.
#include <cstring>

#include "xml/xmldocument.h"
#include "xml/xmlelement.h"

namespace {

// What each byte becomes in escaped text: nullptr keeps it, "" drops it.
struct tEscapeTable {
  const char* Replacement[256];
  tEscapeTable() {
    for (int c = 0; c < 256; ++c) Replacement[c] = c < 0x20 ? "" : nullptr;
    Replacement[uint8_t('&')] = "&amp;";
    Replacement[uint8_t('<')] = "&lt;";
    Replacement[uint8_t('>')] = "&gt;";
    Replacement[uint8_t('"')] = "&quot;";
    Replacement[uint8_t('\t')] = "&#9;";
    Replacement[uint8_t('\n')] = "&#10;";
    Replacement[uint8_t('\r')] = "&#13;";
  }
};

const tEscapeTable kEscapes;

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

void Indent(std::string& out, int level) {
  out += "\r\n";
  out.append(size_t(level), '\t');
}

bool EndsWithCrLf(const std::string& out, size_t contentStart) {
  return out.size() >= contentStart + 2 && out[out.size() - 2] == '\r' && out[out.size() - 1] == '\n';
}

}  // namespace

void TXmlNode::WriteEscaped(std::string& out, const std::string& text) {
  const char* run = text.data();
  const char* end = run + text.size();
  for (const char* p = run; p != end; ++p) {
    const char* replacement = kEscapes.Replacement[uint8_t(*p)];
    if (!replacement) continue;
    out.append(run, size_t(p - run));
    out += replacement;
    run = p + 1;
  }
  out.append(run, size_t(end - run));
}

void TXmlNode::WriteAttrs(std::string& out, const std::vector<tXmlAttr>& attrs, const tWriteContext& context) const {
  for (const tXmlAttr& attr : attrs) {
    out += ' ';
    out += names_->Name(attr.NameId);
    out += "=\"";
    if (attr.Value.IsString()) WriteEscaped(out, attr.Value.Data());
    else WriteEscaped(out, attr.Value.Text(context.CodePage));
    out += '"';
  }
}

bool TXmlNode::WriteChildren(std::string& out, int level, const tWriteContext& context) const {
  bool lineBreaks = false;
  if (const auto* childs = Childs())
    for (const TXmlNode* child : *childs) lineBreaks |= child->WriteXml(out, level, context);
  return lineBreaks;
}

bool TXmlElement::WriteXml(std::string& out, int level, const tWriteContext& context) const {
  const std::string& name = NodeName();
  const bool layout = !context.PreserveWhiteSpace;
  if (layout) Indent(out, level);
  out += '<';
  out += name;
  WriteAttrs(out, attrs_, context);
  out += '>';
  const size_t contentStart = out.size();
  bool lineBreaks = false;
  if (!value_.IsNull()) WriteEscaped(out, value_.IsString() ? value_.Data() : value_.Text(context.CodePage));
  else lineBreaks = WriteChildren(out, level + 1, context);
  if (out.size() == contentStart) {
    out.back() = '/';
    out += '>';
    return layout;
  }
  if (layout && lineBreaks) {
    if (EndsWithCrLf(out, contentStart)) out.append(size_t(level), '\t');
    else Indent(out, level);
  }
  out += "</";
  out += name;
  out += '>';
  return layout || lineBreaks;
}

bool TXmlText::WriteXml(std::string& out, int, const tWriteContext& context) const {
  const std::string text = value_.IsString() ? std::string() : value_.Text(context.CodePage);
  const std::string& data = value_.IsString() ? value_.Data() : text;
  if (raw_) {
    out += data;
    return HasLineBreak(data);
  }
  WriteEscaped(out, data);
  return false;
}

bool TXmlCDATASection::WriteXml(std::string& out, int, const tWriteContext&) const {
  // A "]]>" inside the text ends a section after its first "]"; the rest
  // goes on in a new section.
  size_t start = 0;
  for (;;) {
    size_t end = data_.find("]]>", start);
    size_t stop = end == std::string::npos ? data_.size() : end + 1;
    out += "<![CDATA[";
    out.append(data_, start, stop - start);
    out += "]]>";
    if (end == std::string::npos) break;
    start = stop;
  }
  return HasLineBreak(data_);
}

bool TXmlComment::WriteXml(std::string& out, int, const tWriteContext&) const {
  out += "<!--";
  out += data_;
  out += "-->";
  return HasLineBreak(data_);
}

bool TXmlProcessingInstruction::WriteXml(std::string& out, int, const tWriteContext& context) const {
  out += "<?";
  out += NodeName();
  if (!data_.empty()) {
    out += ' ';
    out += data_;
  } else {
    WriteAttrs(out, attrs_, context);
  }
  out += "?>";
  return HasLineBreak(data_);
}

bool TXmlDocument::WriteXml(std::string& out, int level, const tWriteContext& context) const {
  return WriteChildren(out, level, context);
}
