#include "xml/xmldocument.h"

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
  bool PreserveWhiteSpace = false;
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

void SetXmlDefaultPreserveWhiteSpace(bool value) {
  std::lock_guard<std::mutex> guard(Defaults().Lock);
  Defaults().PreserveWhiteSpace = value;
}

bool XmlDefaultPreserveWhiteSpace() {
  std::lock_guard<std::mutex> guard(Defaults().Lock);
  return Defaults().PreserveWhiteSpace;
}

// ---- TXmlDocument ---------------------------------------------------------------

TXmlDocument::TXmlDocument(TXmlNameTable* names)
    : TXmlNode(names, TXmlNameTable::kDocument), preserveWhiteSpace_(XmlDefaultPreserveWhiteSpace()) {}

TXmlDocument::~TXmlDocument() { RemoveAllChilds(); }

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
  IXmlDocument loaded(new TXmlDocument(names_));
  loaded->preserveWhiteSpace_ = preserveWhiteSpace_;
  TXmlParser::Parse(text, *loaded);
  RemoveAllChilds();
  childs_.swap(loaded->childs_);
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
