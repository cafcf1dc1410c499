// The text form of every node kind.
#include <cstring>

#include "xml/xmldocument.h"
#include "xml/xmlelement.h"
#include "xml/xmloutput.h"
#include "xml/xmlscan.h"

namespace {

// What each escaped byte becomes (xmlscan::SkipUnescaped tells them); an
// empty replacement drops the byte.
struct tEscapeTable {
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
    Replacement[c] = replacement;
    Length[c] = uint8_t(replacement ? std::strlen(replacement) : 0);
  }
};

const tEscapeTable kEscapes;

// The first byte from p on, before end, that is escaped; end when there is
// none. Reads nothing from end on.
const char* SkipUnescaped(const char* p, const char* end) {
  using namespace xmlscan;
  if (size_t(end - p) < kWordSize) {
    while (p != end && !kEscapes.Replacement[uint8_t(*p)]) ++p;
    return p;
  }
  for (; size_t(end - p) > kWordSize; p += kWordSize)
    if (const tWord stops = EscapedBytes(Load(p))) return p + FirstByte(stops);
  // The last word ends at the end (over bytes already looked at).
  p = end - kWordSize;
  if (const tWord stops = EscapedBytes(Load(p))) return p + FirstByte(stops);
  return end;
}

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
  const char* p = text.data();
  const char* const end = p + text.size();
  for (;;) {
    const char* run = p;
    p = SkipUnescaped(p, end);
    out.Put(run, size_t(p - run));
    if (p == end) return;
    const uint8_t c = uint8_t(*p++);
    out.Put(kEscapes.Replacement[c], kEscapes.Length[c]);
  }
}

void TXmlNode::WriteAttrs(tXmlOutput& out, const tXmlAttrVector& attrs, const tWriteContext& context) const {
  for (const tXmlAttr& attr : attrs) {
    out.PutAttrStart(names_->Name(attr.NameId));
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
