#include "xml/xmldocument.h"

#include <atomic>
#include <mutex>
#include <sstream>

#include "platform/platform.h"
#include "xml/textconv.h"
#include "xml/xmlexception.h"
#include "xml/xmlparser.h"

namespace {

struct tXmlDefaults {
  std::mutex Lock;
  std::string Encoding = "utf-8";
  std::atomic<bool> PreserveWhiteSpace{false};  // read by every new document
};

tXmlDefaults& Defaults() {
  static tXmlDefaults defaults;
  return defaults;
}

}  // namespace

void SetXmlDefaultEncoding(const std::string& encoding) {
  std::lock_guard<std::mutex> guard(Defaults().Lock);
  Defaults().Encoding = encoding;
}

std::string XmlDefaultEncoding() {
  std::lock_guard<std::mutex> guard(Defaults().Lock);
  return Defaults().Encoding;
}


bool XmlDefaultPreserveWhiteSpace() { return Defaults().PreserveWhiteSpace.load(); }

// ---- TXmlDocument ---------------------------------------------------------------

TXmlDocument::TXmlDocument(TXmlNameTable* names)
    : TXmlNode(NODE_DOCUMENT, names, TXmlNameTable::kDocument), preserveWhiteSpace_(XmlDefaultPreserveWhiteSpace()) {}

TXmlDocument::~TXmlDocument() { ReleaseContent(); }

void TXmlDocument::ReleaseContent() {
  IXmlArena arena = std::move(contentArena_);
  if (arena && arena->TreeCanGoAtOnce()) {
    // No node of the tree is held or was changed: none needs its
    // destructor, and their memory goes with the arena.
    childs_.Clear();
    arena->ReleaseAllNodes();
    return;
  }
  RemoveAllChilds();
}

void TXmlDocument::SetNodeText(const std::string&) { RaiseXmlError("The text of a document can not be set"); }

IXmlElement TXmlDocument::DocumentElement() const {
  for (TXmlNode* child : childs_)
    if (child->NodeType() == NODE_ELEMENT) return IXmlElement(static_cast<TXmlElement*>(child));
  return nullptr;
}

uint32_t TXmlDocument::CodePage() const {
  if (codePage_ < 0) {
    const TXmlValue* encoding = childs_.empty() ? nullptr : childs_.front()->AttrValue("encoding");
    codePage_ = CodePageOfEncoding(encoding ? encoding->Text() : "utf-8");
  }
  return uint32_t(codePage_);
}

void TXmlDocument::LoadXml(const std::string& text) {
  if (childs_.empty()) {
    // Nothing to keep on failure: the text is read into this document.
    try {
      TXmlParser::Parse(text, *this);
    } catch (...) {
      ReleaseContent();
      throw;
    }
    codePage_ = -1;
    return;
  }
  IXmlDocument loaded(new TXmlDocument(names_));
  loaded->preserveWhiteSpace_ = preserveWhiteSpace_;
  TXmlParser::Parse(text, *loaded);
  ReleaseContent();
  childs_.Swap(loaded->childs_);
  contentArena_ = std::move(loaded->contentArena_);
  for (TXmlNode* child : childs_) child->parent_ = this;
  codePage_ = -1;
}

void TXmlDocument::LoadFrom(std::istream& stream) {
  std::ostringstream text;
  text << stream.rdbuf();
  if (stream.bad()) RaiseXmlError("The XML stream can not be read");
  LoadXml(text.str());
}

void TXmlDocument::LoadFrom(const std::string& fileName) {
  std::string text;
  if (!platform::ReadWholeFile(fileName, text)) RaiseXmlError("Can not read the file \"" + fileName + "\"");
  LoadXml(text);
}

void TXmlDocument::SaveTo(const std::string& fileName) const {
  if (!platform::WriteWholeFile(fileName, Xml())) RaiseXmlError("Can not write the file \"" + fileName + "\"");
}

IXmlNode TXmlDocument::NewDocumentDeclaration(const std::string& version, const std::string& encoding) {
  if (!childs_.empty() && childs_.front()->NodeType() == NODE_PROCESSING_INSTRUCTION &&
      childs_.front()->NodeNameId() == TXmlNameTable::kXml)
    RemoveChild(IXmlNode(childs_.front()));
  IXmlNode declaration(new TXmlProcessingInstruction(names_, TXmlNameTable::kXml, std::string()));
  declaration->SetAttr("version", version.empty() ? "1.0" : version);
  declaration->SetAttr("encoding", encoding.empty() ? XmlDefaultEncoding() : encoding);
  InsertBefore(declaration, ChildAt(0));
  codePage_ = -1;
  return declaration;
}

TXmlNode* TXmlDocument::CloneShallow() const {
  auto* copy = new TXmlDocument(names_);
  copy->preserveWhiteSpace_ = preserveWhiteSpace_;
  return copy;
}

// ---- Factories ---------------------------------------------------------------------

IXmlDocument NewXmlDocument(const std::string& rootName, const std::string& version, const std::string& encoding,
                            TXmlNameTable* names) {
  IXmlDocument document(new TXmlDocument(names));
  document->NewDocumentDeclaration(version, encoding);
  if (!rootName.empty()) document->AppendElement(rootName);
  return document;
}

IXmlElement NewXmlElement(const std::string& name, TXmlNameTable* names) {
  TXmlNameTable* table = names ? names : GlobalXmlNameTable();
  return IXmlElement(new TXmlElement(table, table->NameId(name)));
}

IXmlDocument ParseXmlDocument(const std::string& text) {
  IXmlDocument document(new TXmlDocument());
  document->LoadXml(text);
  return document;
}

IXmlDocument ReadXmlDocument(std::istream& stream) {
  IXmlDocument document(new TXmlDocument());
  document->LoadFrom(stream);
  return document;
}

IXmlDocument ReadXmlDocument(const std::string& fileName) {
  IXmlDocument document(new TXmlDocument());
  document->LoadFrom(fileName);
  return document;
}
