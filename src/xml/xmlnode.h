// The node of the XML model and the node list. Every node kind derives from
// TXmlNode; users hold nodes through the counted references IXmlNode,
// IXmlElement, IXmlDocument and IXmlNodeList. A node lives as long as a
// reference or its parent's child list holds it; the parent link is weak.
//
// Names: every element, attribute and instruction name is interned in the
// node's name table. Reading by name (attributes, children) uses the table's
// read lookup, which tolerates a different case of the first letter when the
// table holds no exact match; creating and setting use the exact name. Each
// name-taking operation also exists with a name identifier of that table.
//
// Errors are raised as SimpleXMLException, except NeedAttr and NeedChild,
// which report errors 3485 and 3486 through the error service
// (ProcessErrorException "KVTERR(...)").
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "xml/xmlarena.h"
#include "xml/xmlbase.h"
#include "xml/xmlnametable.h"
#include "xml/xmlvalue.h"

class TXmlNode;
class TXmlElement;
class TXmlDocument;
class TXmlNodeList;
using IXmlNode = tXmlRef<TXmlNode>;
using IXmlElement = tXmlRef<TXmlElement>;
using IXmlDocument = tXmlRef<TXmlDocument>;
using IXmlNodeList = tXmlRef<TXmlNodeList>;

// Kind numbers returned by NodeType.
enum : int32_t {
  NODE_ELEMENT = 1,
  NODE_TEXT = 3,
  NODE_CDATA_SECTION = 4,
  NODE_PROCESSING_INSTRUCTION = 7,
  NODE_COMMENT = 8,
  NODE_DOCUMENT = 9,
};

// One attribute: the name identifier and the typed value.
struct tXmlAttr {
  int32_t NameId;
  TXmlValue Value;
};

// Child and attribute lists; those of parsed nodes live in the arena.
using tXmlNodeVector = tXmlList<TXmlNode*>;
using tXmlAttrVector = tXmlList<tXmlAttr>;

// A list of nodes: either the live child list of a node (ChildNodes) or a
// selection that holds its own references (SelectNodes).
class TXmlNodeList : public TXmlBase {
 public:
  int32_t Count() const;
  // Raises SimpleXMLException when the index is outside the list.
  IXmlNode Item(int32_t index) const;

 private:
  friend class TXmlNode;
  explicit TXmlNodeList(TXmlNode* owner);
  ~TXmlNodeList() override;
  const tXmlNodeVector* Items() const;

  IXmlNode owner_;        // set for a live child list
  tXmlNodeVector items_;  // counted references of a selection
};

class TXmlNode : public TXmlBase {
 public:
  // ---- References -------------------------------------------------------------
  // The counted references of users; a parent's link to its child is
  // counted apart from them (AddLink, ReleaseLink), so that a parsed tree
  // knows when no node of it is held.
  void AddRef() const {
    TXmlBase::AddRef();
    if (arena_) arena_->AddHeldRef();
  }
  void Release() const {
    if (arena_) arena_->ReleaseHeldRef();
    ReleaseLink();
  }

  // ---- Identity -------------------------------------------------------------
  int32_t NodeType() const { return type_; }
  // The element or instruction name; "#text", "#cdata-section", "#comment",
  // "#document" for the other kinds.
  const std::string& NodeName() const;
  int32_t NodeNameId() const { return nameId_; }
  TXmlNameTable* NameTable() const { return names_; }

  // ---- Text -----------------------------------------------------------------
  // Element: its held value, or the texts of its text and CDATA children
  // joined (one blank before each text part after the first unless the
  // document keeps its layout). Character data: the string, trimmed unless
  // the layout is kept (CDATA never). Instruction: its data.
  virtual std::string NodeText() const;
  // Element: removes the children and holds the text as its value; other
  // kinds: replaces their content. Raises for a document.
  virtual void SetNodeText(const std::string& text);
  // The node's text form (see the document for the layout rules).
  std::string Xml() const;

  // ---- Navigation -------------------------------------------------------------
  IXmlNode ParentNode() const { return IXmlNode(parent_); }
  // The document at the top of the node's tree; nil for a detached tree.
  IXmlDocument OwnerDocument() const;
  // The live list of children (empty for kinds without children).
  IXmlNodeList ChildNodes() const;
  int32_t ChildCount() const;
  // The child at an index, nil outside the list.
  IXmlNode ChildAt(int32_t index) const;
  // This node as an element, nil for other kinds.
  IXmlElement AsElement() const;

  // ---- Editing the child list ----------------------------------------------------
  // A node that has a parent is first removed from it; names are re-interned
  // when the node comes from another name table. Inserting a document, or a
  // node into itself or its own subtree, raises SimpleXMLException.
  IXmlNode AppendChild(const IXmlNode& child);
  // Inserts before `before` (appends when nil); returns the child.
  IXmlNode InsertBefore(const IXmlNode& child, const IXmlNode& before);
  // Puts newChild in the place of oldChild; returns oldChild.
  IXmlNode ReplaceChild(const IXmlNode& newChild, const IXmlNode& oldChild);
  // Removes a child and clears its parent link; returns it.
  IXmlNode RemoveChild(const IXmlNode& child);
  void RemoveAllChilds();

  IXmlElement AppendElement(const std::string& name);
  IXmlElement AppendElement(int32_t nameId);
  IXmlNode AppendText(const std::string& text);
  IXmlNode AppendCDATA(const std::string& text);
  IXmlNode AppendComment(const std::string& text);
  // An instruction with a target and optional data.
  IXmlNode AppendInstruction(const std::string& target, const std::string& data = std::string());

  // ---- Selecting children ------------------------------------------------------
  // The child elements of a name; a name that is not a plain name raises
  // "Select node by expression is not implemented in SimpleXML".
  IXmlNodeList SelectNodes(const std::string& name) const;
  IXmlNodeList SelectNodes(int32_t nameId) const;
  // The first child element of a name, or a path of plain names separated by
  // "/" followed from this node; nil when a step is missing or not plain.
  IXmlElement SelectSingleNode(const std::string& path) const;
  IXmlElement SelectSingleNode(int32_t nameId) const;
  // The first child element of a name whose attribute has the value.
  IXmlElement FindElement(const std::string& elementName, const std::string& attrName,
                          const std::string& value) const;
  // The first child element of a name, appended when missing.
  IXmlElement EnsureChild(const std::string& name);
  IXmlElement EnsureChild(int32_t nameId);
  // The first child element of a name; error 3486 "Error: child element
  // \"%s\" not found" when missing.
  IXmlElement NeedChild(const std::string& name) const;
  IXmlElement NeedChild(int32_t nameId) const;
  // The text of the named child, or the default when there is none.
  std::string ChildText(const std::string& name, const std::string& defaultValue = std::string()) const;
  void SetChildText(const std::string& name, const std::string& value);

  // ---- Attributes (elements and instructions; setting one on another kind
  // raises SimpleXMLException) ------------------------------------------------
  bool AttrExists(const std::string& name) const;
  bool AttrExists(int32_t nameId) const;
  int32_t AttrCount() const;
  std::string AttrName(int32_t index) const;    // empty outside the list
  int32_t AttrNameId(int32_t index) const;      // -1 outside the list
  // The typed value of an attribute; nullptr when absent.
  const TXmlValue* AttrValue(const std::string& name) const;
  const TXmlValue* AttrValue(int32_t nameId) const;
  const TXmlValue* AttrValueAt(int32_t index) const;
  // Replaces the value of an existing attribute in place, else appends it.
  void SetAttrValue(const std::string& name, TXmlValue value);
  void SetAttrValue(int32_t nameId, TXmlValue value);
  void RemoveAttr(const std::string& name);
  void RemoveAttr(int32_t nameId);
  void RemoveAllAttrs();

  std::string AttrText(const std::string& name, const std::string& defaultValue = std::string()) const;
  std::string AttrText(int32_t nameId, const std::string& defaultValue = std::string()) const;
  // The attribute's text; error 3485 "Attribute \"%s\" is not found" with
  // the element path ("Root/Child/@name") when absent.
  std::string NeedAttr(const std::string& name) const;
  std::string NeedAttr(int32_t nameId) const;
  void SetAttr(const std::string& name, const std::string& text);
  void SetAttr(int32_t nameId, const std::string& text);

  // A boolean: stored booleans and numbers, or the texts "true"/"false"
  // (any case) and integers; other texts raise SimpleXMLException.
  bool BoolAttr(const std::string& name, bool defaultValue = false) const;
  void SetBoolAttr(const std::string& name, bool value);
  // An integer from the value's text (decimal, or hexadecimal after "$" or
  // "0x"); a text that is no integer raises "Bad integer attribute %s
  // value: \"%s\"". Stored as decimal text.
  int64_t IntAttr(const std::string& name, int64_t defaultValue = 0) const;
  void SetIntAttr(const std::string& name, int64_t value);
  // A double; texts are read with "." as decimal separator.
  double FloatAttr(const std::string& name, double defaultValue = 0) const;
  void SetFloatAttr(const std::string& name, double value);
  // A date: a stored text is read as year-month-dayThh:mm:ss.ms, every part
  // optional; year 0 gives a pure time.
  tXmlDateTime DateTimeAttr(const std::string& name, tXmlDateTime defaultValue = tXmlDateTime()) const;
  void SetDateTimeAttr(const std::string& name, tXmlDateTime value);
  // A hexadecimal integer (the text without "$"); stored as upper-case hex
  // text of at least `digits` digits.
  int64_t HexAttr(const std::string& name, int64_t defaultValue = 0) const;
  void SetHexAttr(const std::string& name, int64_t value, int digits = 0);
  // The index of the value among `values`, compared case-insensitively; the
  // default when absent; another value raises SimpleXMLException.
  int EnumAttr(const std::string& name, const std::vector<std::string>& values, int defaultValue = 0) const;

  // "@name" reads or writes an attribute; another path the text of the child
  // element found by SelectSingleNode (created on write).
  std::string PathValue(const std::string& path, const std::string& defaultValue = std::string()) const;
  void SetPathValue(const std::string& path, const std::string& value);

  // A copy with the same name and attributes (and value); the children too
  // when deep. The copy has no parent.
  IXmlNode CloneNode(bool deep) const;

  ~TXmlNode() override;

  // The buffer of the text form (xml/xmloutput.h).
  class tXmlOutput;

  // Nodes come from the heap, or from an arena (which they keep alive).
  static void* operator new(size_t size) { return ::operator new(size); }
  static void* operator new(size_t size, TXmlArena* arena) {
    void* block = arena->Allocate(size);
    arena->NoteNodeRef();
    return block;
  }
  static void operator delete(void* block) { ::operator delete(block); }
  static void operator delete(void* block, TXmlArena* arena);

 protected:
  struct tWriteContext {
    bool PreserveWhiteSpace;
    uint32_t CodePage;
  };

  // arena: the arena the node is allocated from, if any.
  TXmlNode(int32_t type, TXmlNameTable* names, int32_t nameId, TXmlArena* arena = nullptr)
      : nameId_(nameId), names_(names ? names : GlobalXmlNameTable()), arena_(arena), type_(uint8_t(type)) {
    // The arena keeps the table alive for its nodes.
    countsNames_ = !arena || arena->NameTable() != names_;
    if (countsNames_) names_->AddRef();
  }

  void AddLink() const { TXmlBase::AddRef(); }
  void ReleaseLink() const {
    if (ReleaseRefs(1)) Destroy();
  }
  // Notes a change of the node (or of the tree under a document) that keeps
  // its parsed tree from going at once.
  void MarkEdited() const;

  // The child list, or nullptr for kinds without children.
  virtual tXmlNodeVector* Childs() const { return nullptr; }
  // The attribute list, or nullptr for kinds without attributes.
  virtual tXmlAttrVector* Attrs() const { return nullptr; }
  // Appends the text form; true when it wrote a CR or LF.
  virtual bool WriteXml(tXmlOutput& out, int level, const tWriteContext& context) const = 0;
  // A new node of the same kind with the same name, attributes and content
  // but no children.
  virtual TXmlNode* CloneShallow() const = 0;

  bool PreserveWhiteSpace() const;
  uint32_t CodePage() const;
  tWriteContext WriteContext() const;
  // The texts of the text and CDATA children joined as NodeText says.
  std::string JoinedChildText() const;
  // Writes the children one level deeper; true when any wrote a line break.
  bool WriteChildren(tXmlOutput& out, int level, const tWriteContext& context) const;
  tXmlNodeVector& NeedChilds() const;
  tXmlAttrVector& NeedAttrs() const;
  // Appends a new child node (the list takes the reference).
  void AdoptChild(TXmlNode* child);
  TXmlElement* FirstChildElement(int32_t nameId) const;
  std::string ElementPath() const;

  void WriteAttrs(tXmlOutput& out, const tXmlAttrVector& attrs, const tWriteContext& context) const;
  static void WriteEscaped(tXmlOutput& out, std::string_view text);

  // nameId_ comes first, to fill the space after the reference count.
  int32_t nameId_;
  TXmlNameTable* names_;  // counted here, or by the node's arena
  TXmlNode* parent_ = nullptr;
  TXmlArena* arena_;  // nullptr for a node on the heap
  uint8_t type_;
  bool countsNames_;

 private:
  friend class TXmlNodeList;
  friend class TXmlParser;
  friend class TXmlDocument;

  // Runs the destructor and gives the memory back (to the heap, or to the
  // arena as one node less).
  void Destroy() const;
  void CheckInsertable(TXmlNode* child) const;
  void Detach(TXmlNode* child);
  void Reintern(TXmlNameTable* names);
  int32_t IndexOfChild(const TXmlNode* child) const;
  IXmlNode CloneDeep() const;
};
