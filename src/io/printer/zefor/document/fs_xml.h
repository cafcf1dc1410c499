// The fiscal document builder of the universal register: one XML document
// ("FiscalDocument") per document operation, its envelope and header (the
// restaurant, operator, station, custom order properties and the text
// printed in the receipt's head), the footer texts, the dump file and the
// send step. The receipt body is added by the receipt builders
// (receipt_*.h) between header and footer.
#pragma once
#include <cstdint>
#include <string>

#include "io/printer/zefor/status/zef_status_record.h"
#include "xml/xmldocument.h"

class TZefor;

class TFSXml {
 public:
  static constexpr const char* kDumpFile = "ZefFiscDoc.xml";
  static constexpr const char* kCustomFlagName = "{2A8EF470-821B-43B6-B16E-2517DDD1F768}";
  static constexpr const char* kPhoneProperty = "{A598C6FD-E347-414C-8E40-E5B846973ACF}";

  explicit TFSXml(TZefor& owner);
  ~TFSXml();
  TFSXml(const TFSXml&) = delete;
  TFSXml& operator=(const TFSXml&) = delete;

  // A new document with the root "FiscalDocument" and its "Options".
  bool NewDocument(const std::string& options);
  // Replaces the document being built (an answer prepared elsewhere).
  void Load(const IXmlDocument& document) { document_ = document; }
  // "DocType" of the root from the document kind (see DocTypeName).
  bool SetDocType(uint8_t kind, int32_t seatNo, int32_t docTypeIdent, bool lastBill);
  // Appends "Header" to the root (the first child, right after SetDocType).
  IXmlElement AppendHeader();
  // Fills "Header": restaurant, operator, station, custom properties and the
  // ToPrint text as markup; false when that text cannot be printed.
  bool FillHeader(bool unfiscalOnly, const std::string& toPrint);
  // Copies the pending receipt inserts (a "PRINTUNFISCAL" document, may be
  // nil) into "Footer/Unfiscal".
  void AddFooterText(const IXmlDocument& pendingInserts);
  void AddSavingsLine(const std::string& templateText);
  void MarkCustomFlag();
  bool IsFiscalDocument() const;
  // Dumps (when configured) and sends the document; false when the driver
  // refused it (the device's last result says why).
  bool Send(TZefStatus& status, int32_t& filled);

  IXmlDocument Document() const { return document_; }
  IXmlElement Root() const;
  // The "Receipt" element, nil when there is none yet.
  IXmlElement Receipt() const;
  // The document's text as it goes to the driver.
  std::string Text() const;

  // A POS text as UTF-8: names with the effective UseAltNames setting as
  // character-set number, other texts with 0.
  std::string Utf8(const std::string& text, bool isName = false) const;
  // An "Operator" element for a POS user: Id, Code, Name (given),
  // TaxPayerIdNum when not empty.
  IXmlElement AppendOperator(const IXmlElement& parent, int32_t userId, const std::string& name) const;
  // The user of the document: fixed user, the call's operator, the author
  // of the printed check, or the user registered at the station.
  int32_t DocumentUserId() const;
  // "OfficialName" of a user, or the POS's name of the user.
  static std::string UserName(int32_t userId);

  TZefor& Owner() const { return owner_; }

  // The DocType text of a kind; empty for kinds without a document.
  static std::string DocTypeName(uint8_t kind, uint64_t options, int32_t seatNo, int32_t docTypeIdent, bool lastBill);
  // Keeps the digits and a leading "+", and writes Russian numbers as +7...
  static std::string PhoneRule(const std::string& value);
  // yyyy-mm-ddThh:nn:ss of a POS moment (milliseconds since 1899-12-30).
  static std::string DateTimeText(int64_t ms);

 private:
  void AppendObject(const IXmlElement& header, const char* element, int32_t cls, int32_t id, bool required);
  void AppendCustomProperties(const IXmlElement& header);
  bool AppendToPrint(bool unfiscalOnly, const std::string& toPrint);

  TZefor& owner_;
  IXmlDocument document_;
  std::string options_;
};

// Appends a copy of every child of `from` to `to`, in order.
void AppendChildrenOf(const IXmlElement& from, const IXmlElement& to);

// An internal error of a document build: raised with the source path.
[[noreturn]] void ZefAssertion(const std::string& what);
