// The text form of every node kind.
#include <cstring>

#include "xml/xmldocument.h"
#include "xml/xmlelement.h"
#include "xml/xmloutput.h"

namespace {

// What each byte becomes in escaped text: Special is false for the bytes
// written as they are; the others are replaced (an empty replacement drops
// the byte).
struct tEscapeTable {
  bool Special[256];
  const char* Replacement[256];
  uint8_t Length[256];
  tEscapeTable() {
    for (int c = 0; c < 256; ++c) Set(c, c < 0x20 ? "" : nullptr);
    Set('&', "&amp;");
    Set('<', "&lt;");
    Set('>', "&gt;");
    Set('"', "&quot;");
    Set('\t', "&#9;");
    Set('\n', "&#10;");
    Set('\r', "&#13;");
  }
  void Set(int c, const char* replacement) {
    Special[c] = replacement != nullptr;
    Replacement[c] = replacement;
    Length[c] = uint8_t(replacement ? std::strlen(replacement) : 0);
  }
};

const tEscapeTable kEscapes;

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

using tOutput = TXmlNode::tXmlOutput;

void Indent(tOutput& out, int level) {
  out.Put("\r\n", 2);
  out.PutRepeated('\t', size_t(level));
}

bool EndsWithCrLf(tOutput& out, size_t contentStart) {
  return out.Size() >= contentStart + 2 && out.Back(2) == '\r' && out.Back(1) == '\n';
}

}  // namespace

void TXmlNode::WriteEscaped(tXmlOutput& out, std::string_view text) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text.data());
  const uint8_t* end = p + text.size();
  for (;;) {
    const uint8_t* run = p;
    while (p != end && !kEscapes.Special[*p]) ++p;
    out.Put(reinterpret_cast<const char*>(run), size_t(p - run));
    if (p == end) return;
    out.Put(kEscapes.Replacement[*p], kEscapes.Length[*p]);
    ++p;
  }
}

void TXmlNode::WriteAttrs(tXmlOutput& out, const tXmlAttrVector& attrs, const tWriteContext& context) const {
  for (const tXmlAttr& attr : attrs) {
    out.Put(' ');
    out.Put(names_->Name(attr.NameId));
    out.Put("=\"", 2);
    if (attr.Value.IsString()) WriteEscaped(out, attr.Value.Data());
    else WriteEscaped(out, attr.Value.Text(context.CodePage));
    out.Put('"');
  }
}

bool TXmlNode::WriteChildren(tXmlOutput& out, int level, const tWriteContext& context) const {
  bool lineBreaks = false;
  if (const auto* childs = Childs())
    for (const TXmlNode* child : *childs) lineBreaks |= child->WriteXml(out, level, context);
  return lineBreaks;
}

bool TXmlElement::WriteXml(tXmlOutput& out, int level, const tWriteContext& context) const {
  const std::string& name = NodeName();
  const bool layout = !context.PreserveWhiteSpace;
  if (layout) Indent(out, level);
  out.Put('<');
  out.Put(name);
  WriteAttrs(out, attrs_, context);
  out.Put('>');
  const size_t contentStart = out.Size();
  bool lineBreaks = false;
  if (value_ && value_->IsString()) WriteEscaped(out, value_->Data());
  else if (value_) WriteEscaped(out, value_->Text(context.CodePage));
  else lineBreaks = WriteChildren(out, level + 1, context);
  if (out.Size() == contentStart) {
    out.Back(1) = '/';
    out.Put('>');
    return layout;
  }
  if (layout && lineBreaks) {
    if (EndsWithCrLf(out, contentStart)) out.PutRepeated('\t', size_t(level));
    else Indent(out, level);
  }
  out.Put("</", 2);
  out.Put(name);
  out.Put('>');
  return layout || lineBreaks;
}

bool TXmlText::WriteXml(tXmlOutput& out, int, const tWriteContext& context) const {
  const std::string text = value_.IsString() ? std::string() : value_.Text(context.CodePage);
  const std::string_view data = value_.IsString() ? value_.Data() : std::string_view(text);
  if (raw_) {
    out.Put(data.data(), data.size());
    return HasLineBreak(data);
  }
  WriteEscaped(out, data);
  return false;
}

bool TXmlCDATASection::WriteXml(tXmlOutput& out, int, const tWriteContext&) const {
  // A "]]>" inside the text ends a section after its first "]"; the rest
  // goes on in a new section.
  const std::string_view data = data_.Data();
  size_t start = 0;
  for (;;) {
    size_t end = data.find("]]>", start);
    size_t stop = end == std::string_view::npos ? data.size() : end + 1;
    out.Put("<![CDATA[", 9);
    out.Put(data.data() + start, stop - start);
    out.Put("]]>", 3);
    if (end == std::string_view::npos) break;
    start = stop;
  }
  return HasLineBreak(data);
}

bool TXmlComment::WriteXml(tXmlOutput& out, int, const tWriteContext&) const {
  const std::string_view data = data_.Data();
  out.Put("<!--", 4);
  out.Put(data.data(), data.size());
  out.Put("-->", 3);
  return HasLineBreak(data);
}

bool TXmlProcessingInstruction::WriteXml(tXmlOutput& out, int, const tWriteContext& context) const {
  const std::string_view data = data_.Data();
  out.Put("<?", 2);
  out.Put(NodeName());
  if (!data.empty()) {
    out.Put(' ');
    out.Put(data.data(), data.size());
  } else {
    WriteAttrs(out, attrs_, context);
  }
  out.Put("?>", 2);
  return HasLineBreak(data);
}

bool TXmlDocument::WriteXml(tXmlOutput& out, int level, const tWriteContext& context) const {
  return WriteChildren(out, level, context);
}
