#include "xml/xmlnode.h"

#include <charconv>
#include <cstddef>

#include "standart/errors.h"
#include "xml/xmldocument.h"
#include "xml/xmlelement.h"
#include "xml/xmlexception.h"
#include "xml/xmloutput.h"
#include "xml/xmlstrings.h"
#include "standart/text.h"

namespace {

const char kSelectByExpression[] = "Select node by expression is not implemented in SimpleXML";

[[noreturn]] void RaiseNoAttributes() { RaiseXmlError("This node kind has no attributes"); }

[[noreturn]] void RaiseBadValue(const char* kind, const std::string& name, const std::string& value) {
  RaiseXmlError(std::string("Bad ") + kind + " attribute " + name + " value: \"" + value + "\"");
}

// Reports a described error through the error service; should the service
// not raise, the exception is raised here all the same.
[[noreturn]] void RaiseDescribed(tErrorDescriptor& descriptor, const std::string& argument) {
  RaiseDescribedError(descriptor, argument);
  throw ProcessErrorException(descriptor.Code, Fmt(descriptor.Text, argument));
}

tErrorDescriptor& AttrNotFoundError() {
  static tErrorDescriptor descriptor = ErrorDescriptor(3485, "Attribute \"%s\" is not found");
  return descriptor;
}

tErrorDescriptor& ChildNotFoundError() {
  static tErrorDescriptor descriptor = ErrorDescriptor(3486, "Error: child element \"%s\" not found");
  return descriptor;
}

// Reads "year-month-dayThh:mm:ss.ms": each part is the digits found (0 when
// none), followed by its separator when that is there.
tXmlDateTime ParseDateTimeText(const std::string& name, const std::string& text) {
  size_t pos = 0;
  auto fetch = [&](char stop) {
    int64_t value = 0;
    while (pos < text.size() && xmlstr::IsDigit(uint8_t(text[pos])) && value < 100000)
      value = value * 10 + (text[pos++] - '0');
    while (pos < text.size() && xmlstr::IsDigit(uint8_t(text[pos]))) ++pos;
    if (pos < text.size() && text[pos] == stop) ++pos;
    return int(value);
  };
  int year = fetch('-'), month = fetch('-'), day = fetch('T');
  int hour = fetch(':'), minute = fetch(':'), second = fetch('.'), ms = fetch('\0');
  try {
    if (year == 0) return tXmlDateTime::EncodeTime(hour, minute, second, ms);
    return tXmlDateTime::Encode(year, month, day, hour, minute, second, ms);
  } catch (const SimpleXMLException&) {
    RaiseBadValue("date-time", name, text);
  }
}

double NumberOf(const TXmlValue& value, bool& ok) {
  ok = true;
  switch (value.Type()) {
    case tXmlValueType::Int: return double(value.IntData());
    case tXmlValueType::UInt: return double(value.UIntData());
    case tXmlValueType::Single:
    case tXmlValueType::Double:
    case tXmlValueType::Date: return value.DoubleData();
    case tXmlValueType::Currency: return double(value.IntData()) / 10000;
    case tXmlValueType::Boolean: return value.BoolData() ? 1 : 0;
    default: ok = false; return 0;
  }
}

bool ParseDouble(const std::string& text, double& value) {
  std::string trimmed = Trim(text);
  const char* begin = trimmed.data();
  const char* end = begin + trimmed.size();
  if (begin != end && *begin == '+') ++begin;
  if (begin == end) return false;
  auto result = std::from_chars(begin, end, value);
  return result.ec == std::errc() && result.ptr == end;
}

}  // namespace

// ---- TXmlNodeList ------------------------------------------------------------

TXmlNodeList::TXmlNodeList(TXmlNode* owner) : owner_(owner) {}

TXmlNodeList::~TXmlNodeList() {
  for (TXmlNode* node : items_) node->Release();
}

const tXmlNodeVector* TXmlNodeList::Items() const { return owner_ ? owner_->Childs() : &items_; }

int32_t TXmlNodeList::Count() const {
  const auto* items = Items();
  return items ? int32_t(items->size()) : 0;
}

IXmlNode TXmlNodeList::Item(int32_t index) const {
  const auto* items = Items();
  if (!items || index < 0 || size_t(index) >= items->size())
    RaiseXmlError(RussianText("Ошибка получения элемента списка: индекс выходит за пределы"));
  return IXmlNode((*items)[size_t(index)]);
}

// ---- TXmlNode: memory -----------------------------------------------------------

// Only reached when a constructor throws; the block stays in the arena and
// counts as a node that went.
void TXmlNode::operator delete(void*, TXmlArena* arena) {
  arena->CommitNodeRefs();
  arena->ReleaseNodes(1);
}

void TXmlNode::Destroy() const {
  TXmlArena* arena = arena_;
  auto* self = const_cast<TXmlNode*>(this);
  self->~TXmlNode();
  if (arena) arena->ReleaseNodes(1);
  else ::operator delete(self);
}

void TXmlNode::MarkEdited() const {
  if (arena_) arena_->MarkEdited();
  if (type_ == NODE_DOCUMENT) static_cast<const TXmlDocument*>(this)->MarkContentEdited();
}

// ---- TXmlNode: identity and text ----------------------------------------------

TXmlNode::~TXmlNode() {
  if (countsNames_) names_->Release();
}

const std::string& TXmlNode::NodeName() const { return names_->Name(nameId_); }

std::string TXmlNode::NodeText() const { return JoinedChildText(); }

void TXmlNode::SetNodeText(const std::string&) { RaiseXmlError("The text of this node can not be set"); }

std::string TXmlNode::Xml() const {
  std::string text;
  {
    tXmlOutput out(text);
    WriteXml(out, 0, WriteContext());
  }
  return text;
}

IXmlDocument TXmlNode::OwnerDocument() const {
  const TXmlNode* node = this;
  while (node->parent_) node = node->parent_;
  return IXmlDocument(node->NodeType() == NODE_DOCUMENT
                          ? static_cast<TXmlDocument*>(const_cast<TXmlNode*>(node))
                          : nullptr);
}

bool TXmlNode::PreserveWhiteSpace() const {
  IXmlDocument document = OwnerDocument();
  return document ? document->PreserveWhiteSpace() : XmlDefaultPreserveWhiteSpace();
}

uint32_t TXmlNode::CodePage() const {
  IXmlDocument document = OwnerDocument();
  return document ? document->CodePage() : 65001;
}

TXmlNode::tWriteContext TXmlNode::WriteContext() const { return {PreserveWhiteSpace(), CodePage()}; }

std::string TXmlNode::JoinedChildText() const {
  std::string text;
  const auto* childs = Childs();
  if (!childs) return text;
  const bool keepLayout = PreserveWhiteSpace();
  for (const TXmlNode* child : *childs) {
    int32_t type = child->NodeType();
    if (type != NODE_TEXT && type != NODE_CDATA_SECTION) continue;
    if (!text.empty() && !keepLayout && type == NODE_TEXT) text += ' ';
    text += child->NodeText();
  }
  return text;
}

// ---- TXmlNode: navigation and child list ----------------------------------------

IXmlNodeList TXmlNode::ChildNodes() const { return IXmlNodeList(new TXmlNodeList(const_cast<TXmlNode*>(this))); }

int32_t TXmlNode::ChildCount() const {
  const auto* childs = Childs();
  return childs ? int32_t(childs->size()) : 0;
}

IXmlNode TXmlNode::ChildAt(int32_t index) const {
  const auto* childs = Childs();
  if (!childs || index < 0 || size_t(index) >= childs->size()) return nullptr;
  return IXmlNode((*childs)[size_t(index)]);
}

IXmlElement TXmlNode::AsElement() const {
  return IXmlElement(NodeType() == NODE_ELEMENT ? static_cast<TXmlElement*>(const_cast<TXmlNode*>(this))
                                                : nullptr);
}

tXmlNodeVector& TXmlNode::NeedChilds() const {
  auto* childs = Childs();
  if (!childs) RaiseXmlError("This node kind has no children");
  return *childs;
}

tXmlAttrVector& TXmlNode::NeedAttrs() const {
  auto* attrs = Attrs();
  if (!attrs) RaiseNoAttributes();
  return *attrs;
}

int32_t TXmlNode::IndexOfChild(const TXmlNode* child) const {
  const auto* childs = Childs();
  if (!childs || !child) return -1;
  for (size_t i = 0; i < childs->size(); ++i)
    if ((*childs)[i] == child) return int32_t(i);
  return -1;
}

void TXmlNode::CheckInsertable(TXmlNode* child) const {
  NeedChilds();
  if (!child) RaiseXmlError("A nil node can not be inserted");
  if (child->NodeType() == NODE_DOCUMENT) RaiseXmlError("A document can not be a child node");
  for (const TXmlNode* node = this; node; node = node->parent_)
    if (node == child) RaiseXmlError("A node can not be inserted into itself");
}

void TXmlNode::Reintern(TXmlNameTable* names) {
  if (names_ == names) return;
  MarkEdited();
  if (NodeType() == NODE_ELEMENT || NodeType() == NODE_PROCESSING_INSTRUCTION)
    nameId_ = names->NameId(names_->Name(nameId_));
  if (auto* attrs = Attrs())
    for (tXmlAttr& attr : *attrs) attr.NameId = names->NameId(names_->Name(attr.NameId));
  names->AddRef();
  if (countsNames_) names_->Release();
  names_ = names;
  countsNames_ = true;
  if (auto* childs = Childs())
    for (TXmlNode* child : *childs) child->Reintern(names);
}

void TXmlNode::Detach(TXmlNode* child) {
  // Keeps the child alive for the caller while it leaves the list.
  MarkEdited();
  child->MarkEdited();
  Childs()->Erase(size_t(IndexOfChild(child)));
  child->parent_ = nullptr;
}

void TXmlNode::AdoptChild(TXmlNode* child) {
  MarkEdited();
  child->AddLink();
  child->parent_ = this;
  NeedChilds().Append(child, arena_);
}

IXmlNode TXmlNode::AppendChild(const IXmlNode& child) { return InsertBefore(child, nullptr); }

IXmlNode TXmlNode::InsertBefore(const IXmlNode& child, const IXmlNode& before) {
  CheckInsertable(child.get());
  if (before == child) return child;
  if (before && IndexOfChild(before.get()) < 0) RaiseXmlError("The reference node is not a child of this node");
  MarkEdited();
  if (child->parent_) child->parent_->Detach(child.get());
  else child->AddLink();
  child->MarkEdited();
  child->Reintern(names_);
  child->parent_ = this;
  auto& childs = NeedChilds();
  int32_t index = before ? IndexOfChild(before.get()) : int32_t(childs.size());
  childs.Insert(size_t(index), child.get(), arena_);
  return child;
}

IXmlNode TXmlNode::ReplaceChild(const IXmlNode& newChild, const IXmlNode& oldChild) {
  if (newChild == oldChild) return oldChild;
  InsertBefore(newChild, oldChild);
  return RemoveChild(oldChild);
}

IXmlNode TXmlNode::RemoveChild(const IXmlNode& child) {
  if (IndexOfChild(child.get()) < 0) RaiseXmlError("The node is not a child of this node");
  Detach(child.get());
  child->ReleaseLink();  // the list's reference; the caller's keeps it alive
  return child;
}

void TXmlNode::RemoveAllChilds() {
  auto* childs = Childs();
  if (!childs) return;
  MarkEdited();
  tXmlNodeVector old;
  old.Swap(*childs);
  for (TXmlNode* child : old) {
    child->parent_ = nullptr;
    child->ReleaseLink();
  }
}

IXmlElement TXmlNode::AppendElement(const std::string& name) { return AppendElement(names_->NameId(name)); }

IXmlElement TXmlNode::AppendElement(int32_t nameId) {
  NeedChilds();
  auto* element = new TXmlElement(names_, nameId);
  AdoptChild(element);
  return IXmlElement(element);
}

IXmlNode TXmlNode::AppendText(const std::string& text) {
  NeedChilds();
  auto* node = new TXmlText(names_, TXmlValue::String(text));
  AdoptChild(node);
  return IXmlNode(node);
}

IXmlNode TXmlNode::AppendCDATA(const std::string& text) {
  NeedChilds();
  auto* node = new TXmlCDATASection(names_, text);
  AdoptChild(node);
  return IXmlNode(node);
}

IXmlNode TXmlNode::AppendComment(const std::string& text) {
  NeedChilds();
  auto* node = new TXmlComment(names_, text);
  AdoptChild(node);
  return IXmlNode(node);
}

IXmlNode TXmlNode::AppendInstruction(const std::string& target, const std::string& data) {
  NeedChilds();
  auto* node = new TXmlProcessingInstruction(names_, names_->NameId(target), data);
  AdoptChild(node);
  return IXmlNode(node);
}

// ---- TXmlNode: selecting children ------------------------------------------------

TXmlElement* TXmlNode::FirstChildElement(int32_t nameId) const {
  const auto* childs = Childs();
  if (!childs) return nullptr;
  for (TXmlNode* child : *childs)
    if (child->NodeType() == NODE_ELEMENT && child->nameId_ == nameId) return static_cast<TXmlElement*>(child);
  return nullptr;
}

IXmlNodeList TXmlNode::SelectNodes(const std::string& name) const {
  if (!xmlstr::IsPlainName(name)) RaiseXmlError(kSelectByExpression);
  return SelectNodes(names_->ReadNameId(name));
}

IXmlNodeList TXmlNode::SelectNodes(int32_t nameId) const {
  IXmlNodeList list(new TXmlNodeList(nullptr));
  if (const auto* childs = Childs())
    for (TXmlNode* child : *childs)
      if (child->NodeType() == NODE_ELEMENT && child->nameId_ == nameId) {
        child->AddRef();
        list->items_.Append(child, nullptr);
      }
  return list;
}

IXmlElement TXmlNode::SelectSingleNode(const std::string& path) const {
  const TXmlNode* node = this;
  size_t start = 0;
  while (node) {
    size_t slash = path.find('/', start);
    std::string step = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (!xmlstr::IsPlainName(step)) return nullptr;
    node = node->FirstChildElement(names_->ReadNameId(step));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return IXmlElement(static_cast<TXmlElement*>(const_cast<TXmlNode*>(node)));
}

IXmlElement TXmlNode::SelectSingleNode(int32_t nameId) const { return IXmlElement(FirstChildElement(nameId)); }

IXmlElement TXmlNode::FindElement(const std::string& elementName, const std::string& attrName,
                                  const std::string& value) const {
  const auto* childs = Childs();
  if (!childs) return nullptr;
  int32_t elementId = names_->ReadNameId(elementName);
  int32_t attrId = names_->ReadNameId(attrName);
  for (TXmlNode* child : *childs) {
    if (child->NodeType() != NODE_ELEMENT || child->nameId_ != elementId) continue;
    const TXmlValue* attr = child->AttrValue(attrId);
    if (attr && attr->Text(child->CodePage()) == value) return IXmlElement(static_cast<TXmlElement*>(child));
  }
  return nullptr;
}

IXmlElement TXmlNode::EnsureChild(const std::string& name) {
  if (TXmlElement* found = FirstChildElement(names_->ReadNameId(name))) return IXmlElement(found);
  return AppendElement(name);
}

IXmlElement TXmlNode::EnsureChild(int32_t nameId) {
  if (TXmlElement* found = FirstChildElement(nameId)) return IXmlElement(found);
  return AppendElement(nameId);
}

IXmlElement TXmlNode::NeedChild(const std::string& name) const {
  TXmlElement* found = FirstChildElement(names_->ReadNameId(name));
  if (!found) RaiseDescribed(ChildNotFoundError(), name);
  return IXmlElement(found);
}

IXmlElement TXmlNode::NeedChild(int32_t nameId) const {
  TXmlElement* found = FirstChildElement(nameId);
  if (!found) RaiseDescribed(ChildNotFoundError(), names_->Name(nameId));
  return IXmlElement(found);
}

std::string TXmlNode::ChildText(const std::string& name, const std::string& defaultValue) const {
  TXmlElement* child = FirstChildElement(names_->ReadNameId(name));
  return child ? child->NodeText() : defaultValue;
}

void TXmlNode::SetChildText(const std::string& name, const std::string& value) {
  EnsureChild(name)->SetNodeText(value);
}

// ---- TXmlNode: attributes -----------------------------------------------------------

bool TXmlNode::AttrExists(const std::string& name) const { return AttrValue(name) != nullptr; }
bool TXmlNode::AttrExists(int32_t nameId) const { return AttrValue(nameId) != nullptr; }

int32_t TXmlNode::AttrCount() const {
  const auto* attrs = Attrs();
  return attrs ? int32_t(attrs->size()) : 0;
}

int32_t TXmlNode::AttrNameId(int32_t index) const {
  const auto* attrs = Attrs();
  if (!attrs || index < 0 || size_t(index) >= attrs->size()) return -1;
  return (*attrs)[size_t(index)].NameId;
}

std::string TXmlNode::AttrName(int32_t index) const {
  int32_t id = AttrNameId(index);
  return id < 0 ? std::string() : names_->Name(id);
}

const TXmlValue* TXmlNode::AttrValueAt(int32_t index) const {
  const auto* attrs = Attrs();
  if (!attrs || index < 0 || size_t(index) >= attrs->size()) return nullptr;
  return &(*attrs)[size_t(index)].Value;
}

const TXmlValue* TXmlNode::AttrValue(const std::string& name) const {
  if (!Attrs()) return nullptr;
  return AttrValue(names_->ReadNameId(name));
}

const TXmlValue* TXmlNode::AttrValue(int32_t nameId) const {
  const auto* attrs = Attrs();
  if (!attrs) return nullptr;
  for (const tXmlAttr& attr : *attrs)
    if (attr.NameId == nameId) return &attr.Value;
  return nullptr;
}

void TXmlNode::SetAttrValue(const std::string& name, TXmlValue value) {
  NeedAttrs();
  SetAttrValue(names_->NameId(name), std::move(value));
}

void TXmlNode::SetAttrValue(int32_t nameId, TXmlValue value) {
  auto& attrs = NeedAttrs();
  MarkEdited();
  for (tXmlAttr& attr : attrs)
    if (attr.NameId == nameId) {
      attr.Value = std::move(value);
      return;
    }
  attrs.Append(tXmlAttr{nameId, std::move(value)}, arena_);
}

void TXmlNode::RemoveAttr(const std::string& name) {
  if (Attrs()) RemoveAttr(names_->ReadNameId(name));
}

void TXmlNode::RemoveAttr(int32_t nameId) {
  auto* attrs = Attrs();
  if (!attrs) return;
  MarkEdited();
  for (size_t i = 0; i < attrs->size(); ++i)
    if ((*attrs)[i].NameId == nameId) {
      attrs->Erase(i);
      return;
    }
}

void TXmlNode::RemoveAllAttrs() {
  if (auto* attrs = Attrs()) {
    MarkEdited();
    attrs->Clear();
  }
}

std::string TXmlNode::AttrText(const std::string& name, const std::string& defaultValue) const {
  const TXmlValue* value = AttrValue(name);
  return value ? value->Text(CodePage()) : defaultValue;
}

std::string TXmlNode::AttrText(int32_t nameId, const std::string& defaultValue) const {
  const TXmlValue* value = AttrValue(nameId);
  return value ? value->Text(CodePage()) : defaultValue;
}

std::string TXmlNode::ElementPath() const {
  std::string path;
  for (const TXmlNode* node = this; node && node->NodeType() != NODE_DOCUMENT; node = node->parent_)
    path = path.empty() ? node->NodeName() : node->NodeName() + "/" + path;
  return path;
}

std::string TXmlNode::NeedAttr(const std::string& name) const {
  const TXmlValue* value = AttrValue(name);
  if (!value) RaiseDescribed(AttrNotFoundError(), ElementPath() + "/@" + name);
  return value->Text(CodePage());
}

std::string TXmlNode::NeedAttr(int32_t nameId) const { return NeedAttr(names_->Name(nameId)); }

void TXmlNode::SetAttr(const std::string& name, const std::string& text) {
  SetAttrValue(name, TXmlValue::StringCopy(text));
}

void TXmlNode::SetAttr(int32_t nameId, const std::string& text) {
  SetAttrValue(nameId, TXmlValue::StringCopy(text));
}

bool TXmlNode::BoolAttr(const std::string& name, bool defaultValue) const {
  const TXmlValue* value = AttrValue(name);
  if (!value) return defaultValue;
  bool numeric;
  double number = NumberOf(*value, numeric);
  if (numeric) return number != 0;
  std::string text = Trim(value->Text(CodePage()));
  if (xmlstr::SameTextIgnoringCase(text, "true")) return true;
  if (xmlstr::SameTextIgnoringCase(text, "false")) return false;
  int64_t integer;
  if (!xmlstr::ParseInt64(text, integer)) RaiseBadValue("boolean", name, text);
  return integer != 0;
}

void TXmlNode::SetBoolAttr(const std::string& name, bool value) { SetAttrValue(name, TXmlValue::Boolean(value)); }

int64_t TXmlNode::IntAttr(const std::string& name, int64_t defaultValue) const {
  const TXmlValue* value = AttrValue(name);
  if (!value) return defaultValue;
  std::string text = value->Text(CodePage());
  int64_t result;
  if (!xmlstr::ParseInt64(text, result)) RaiseBadValue("integer", name, text);
  return result;
}

void TXmlNode::SetIntAttr(const std::string& name, int64_t value) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  SetAttrValue(name, TXmlValue::StringCopy(std::string_view(digits, size_t(result.ptr - digits))));
}

double TXmlNode::FloatAttr(const std::string& name, double defaultValue) const {
  const TXmlValue* value = AttrValue(name);
  if (!value) return defaultValue;
  bool numeric;
  double number = NumberOf(*value, numeric);
  if (numeric) return number;
  std::string text = value->Text(CodePage());
  if (!ParseDouble(text, number)) RaiseBadValue("float", name, text);
  return number;
}

void TXmlNode::SetFloatAttr(const std::string& name, double value) { SetAttrValue(name, TXmlValue::Double(value)); }

tXmlDateTime TXmlNode::DateTimeAttr(const std::string& name, tXmlDateTime defaultValue) const {
  const TXmlValue* value = AttrValue(name);
  if (!value) return defaultValue;
  bool numeric;
  double number = NumberOf(*value, numeric);
  if (numeric) return {number};
  return ParseDateTimeText(name, value->Text(CodePage()));
}

void TXmlNode::SetDateTimeAttr(const std::string& name, tXmlDateTime value) {
  SetAttrValue(name, TXmlValue::Date(value));
}

int64_t TXmlNode::HexAttr(const std::string& name, int64_t defaultValue) const {
  const TXmlValue* value = AttrValue(name);
  if (!value) return defaultValue;
  std::string text = value->Text(CodePage());
  int64_t result;
  if (!xmlstr::ParseInt64("$" + text, result)) RaiseBadValue("integer", name, text);
  return result;
}

void TXmlNode::SetHexAttr(const std::string& name, int64_t value, int digits) {
  SetAttr(name, xmlstr::HexText(value, digits));
}

int TXmlNode::EnumAttr(const std::string& name, const std::vector<std::string>& values, int defaultValue) const {
  const TXmlValue* value = AttrValue(name);
  if (!value) return defaultValue;
  std::string text = value->Text(CodePage());
  for (size_t i = 0; i < values.size(); ++i)
    if (xmlstr::SameTextIgnoringCase(text, values[i])) return int(i);
  std::string allowed;
  for (size_t i = 0; i < values.size(); ++i) allowed += (i ? "\r\n" : "") + values[i];
  RaiseXmlError(RussianText("Неверное значение атрибута \"") + name + RussianText("\" элемента \"") + NodeName() +
                RussianText("\".\r\nДопустимые значения:\r\n") + allowed);
}

std::string TXmlNode::PathValue(const std::string& path, const std::string& defaultValue) const {
  if (!path.empty() && path[0] == '@') return AttrText(path.substr(1), defaultValue);
  IXmlElement child = SelectSingleNode(path);
  return child ? child->NodeText() : defaultValue;
}

void TXmlNode::SetPathValue(const std::string& path, const std::string& value) {
  if (!path.empty() && path[0] == '@') {
    SetAttr(path.substr(1), value);
    return;
  }
  IXmlNode node(this);
  size_t start = 0;
  for (;;) {
    size_t slash = path.find('/', start);
    std::string step = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (!xmlstr::IsPlainName(step)) RaiseXmlError(kSelectByExpression);
    node = node->EnsureChild(step);
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  node->SetNodeText(value);
}

// ---- TXmlNode: copies ------------------------------------------------------------------

IXmlNode TXmlNode::CloneDeep() const {
  IXmlNode copy(CloneShallow());
  if (const auto* childs = Childs())
    for (const TXmlNode* child : *childs) copy->AdoptChild(child->CloneDeep().get());
  return copy;
}

IXmlNode TXmlNode::CloneNode(bool deep) const { return deep ? CloneDeep() : IXmlNode(CloneShallow()); }
