#include "xml/xmlelement.h"

#include "xml/base64.h"
#include "xml/xmlstrings.h"
#include "standart/text.h"

// ---- TXmlElement ----------------------------------------------------------------

TXmlElement::~TXmlElement() {
  value_.reset();
  RemoveAllChilds();
}

tXmlNodeVector* TXmlElement::Childs() const {
  if (value_) {
    // The held value becomes the text child.
    auto* text = new TXmlText(names_, std::move(*value_));
    value_.reset();
    const_cast<TXmlElement*>(this)->AdoptChild(text);
  }
  return &childs_;
}

std::string TXmlElement::NodeText() const {
  if (value_) return value_->Text(CodePage());
  return JoinedChildText();
}

void TXmlElement::SetNodeText(const std::string& text) { SetNodeValue(TXmlValue::String(text)); }

void TXmlElement::SetNodeValue(TXmlValue value) {
  MarkEdited();
  value_.reset();
  RemoveAllChilds();
  if (!value.IsNull()) value_.reset(new TXmlValue(std::move(value)));
}

void TXmlElement::RemoveTextChilds() {
  auto& childs = *Childs();
  for (size_t i = childs.size(); i-- > 0;) {
    int32_t type = childs[i]->NodeType();
    if (type == NODE_TEXT || type == NODE_CDATA_SECTION) RemoveChild(IXmlNode(childs[i]));
  }
}

void TXmlElement::ReplaceTextByCDATA(const std::string& text) {
  RemoveTextChilds();
  size_t start = 0;
  for (;;) {
    size_t end = text.find("]]>", start);
    size_t stop = end == std::string::npos ? text.size() : end + 1;
    AppendCDATA(text.substr(start, stop - start));
    if (end == std::string::npos) break;
    start = stop;
  }
}

void TXmlElement::ReplaceTextByBase64(const std::string& bytes, int lineLength) {
  RemoveTextChilds();
  AdoptChild(new TXmlText(names_, TXmlValue::String(Base64Encode(bytes, lineLength)), true));
}

std::string TXmlElement::Base64Text() const { return Base64Decode(NodeText()); }

TXmlNode* TXmlElement::CloneShallow() const {
  auto* copy = new TXmlElement(names_, nameId_);
  copy->attrs_.CopyFrom(attrs_, nullptr);
  if (value_) copy->value_.reset(new TXmlValue(*value_));
  return copy;
}

// ---- TXmlText ------------------------------------------------------------------------

std::string TXmlText::NodeText() const {
  std::string text = value_.Text(CodePage());
  return PreserveWhiteSpace() ? text : Trim(text);
}

void TXmlText::SetNodeText(const std::string& text) { SetValue(TXmlValue::StringCopy(text)); }

void TXmlText::SetValue(TXmlValue value) {
  MarkEdited();
  value_ = std::move(value);
}

TXmlNode* TXmlText::CloneShallow() const { return new TXmlText(names_, value_, raw_); }

// ---- Character data ---------------------------------------------------------------------

TXmlCharacterData::TXmlCharacterData(int32_t type, TXmlNameTable* names, int32_t nameId, TXmlValue data,
                                     TXmlArena* arena)
    : TXmlNode(type, names, nameId, arena), data_(std::move(data)) {}

std::string TXmlCharacterData::NodeText() const {
  return PreserveWhiteSpace() ? Data() : Trim(data_.Data());
}

void TXmlCharacterData::SetNodeText(const std::string& text) {
  MarkEdited();
  data_ = TXmlValue::StringCopy(text);
}

TXmlCDATASection::TXmlCDATASection(TXmlNameTable* names, std::string data)
    : TXmlCDATASection(names, TXmlValue::StringCopy(data), nullptr) {}

TXmlCDATASection::TXmlCDATASection(TXmlNameTable* names, TXmlValue data, TXmlArena* arena)
    : TXmlCharacterData(NODE_CDATA_SECTION, names, TXmlNameTable::kCDATASection, std::move(data), arena) {}

TXmlNode* TXmlCDATASection::CloneShallow() const { return new TXmlCDATASection(names_, data_, nullptr); }

TXmlComment::TXmlComment(TXmlNameTable* names, std::string data)
    : TXmlComment(names, TXmlValue::StringCopy(data), nullptr) {}

TXmlComment::TXmlComment(TXmlNameTable* names, TXmlValue data, TXmlArena* arena)
    : TXmlCharacterData(NODE_COMMENT, names, TXmlNameTable::kComment, std::move(data), arena) {}

TXmlNode* TXmlComment::CloneShallow() const { return new TXmlComment(names_, data_, nullptr); }

// ---- TXmlProcessingInstruction ----------------------------------------------------------

TXmlProcessingInstruction::TXmlProcessingInstruction(TXmlNameTable* names, int32_t targetId, std::string data)
    : TXmlProcessingInstruction(names, targetId, TXmlValue::StringCopy(data), nullptr) {}

TXmlProcessingInstruction::TXmlProcessingInstruction(TXmlNameTable* names, int32_t targetId, TXmlValue data,
                                                     TXmlArena* arena)
    : TXmlNode(NODE_PROCESSING_INSTRUCTION, names, targetId, arena), data_(std::move(data)) {}

void TXmlProcessingInstruction::SetNodeText(const std::string& text) {
  MarkEdited();
  data_ = TXmlValue::StringCopy(text);
}

TXmlNode* TXmlProcessingInstruction::CloneShallow() const {
  auto* copy = new TXmlProcessingInstruction(names_, nameId_, data_, nullptr);
  copy->attrs_.CopyFrom(attrs_, nullptr);
  return copy;
}
