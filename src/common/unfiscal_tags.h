// The tag model into which a markup document is read: one tag per print
// element, in a list that stands for the "Unfiscal" element. Each tag and
// the list keep a reference to the element they were read from, so that a
// reader can still look at attributes the model does not hold.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/unfiscal_markup.h"
#include "xml/simplexml.h"

// An object read from an XML element.
class TObject_SimpleXml {
 public:
  virtual ~TObject_SimpleXml() = default;
  IXmlElement Element;
};

// The text attributes of a text tag; an attribute not given in the markup
// leaves that property of the printer as it was.
struct tUnfiscalTextAttrs {
  int32_t FontNum = 0;
  bool FontNumGiven = false;
  uint8_t Bold = 0;
  bool BoldGiven = false;
  uint8_t BigHeight = 0;
  bool BigHeightGiven = false;
  uint8_t BigWidth = 0;
  bool BigWidthGiven = false;
  uint8_t Inverted = 0;
  bool InvertedGiven = false;
  int32_t Tapes = 0;  // values 4 and above are read as 8
  bool TapesGiven = false;
};

class TKvt_UnfiscalTag : public TObject_SimpleXml {
 public:
  std::vector<std::string> Lines;       // text kinds and RawBlock
  uint8_t Kind = Unfiscal::ukUnknown;
  std::string Value;                    // BarCode Value, Logo Number
  std::string Name, Data;               // AddInfo
  tUnfiscalTextAttrs Text;              // text kinds
  int32_t Encoding = Unfiscal::encPlain;  // RawBlock
  int32_t Width = 0;                    // BarCode
  int32_t Height = 0;
  uint8_t BarCodeType = Unfiscal::bcEAN13;
  uint8_t TextPosition = Unfiscal::tpNo;
  int32_t Number = 0;                   // Drawer Number, Pass Lines, Wait MSecs
};

// A list of objects read from the children of an XML element.
class TList_SimpleXml {
 public:
  virtual ~TList_SimpleXml() = default;
  IXmlElement Element;
};

class TKvt_UnfiscalTagList : public TList_SimpleXml {
 public:
  // Flags of the "Unfiscal" element.
  uint8_t Slip = 0, CutAfter = 0, Footer = 0, ReceiptInsert = 0;
  // Text tags (kinds 0 to 2), and each text kind apart.
  int32_t TextTagCount = 0;
  int32_t TextBlockCount = 0, TextLineCount = 0, TextPartCount = 0;

  // Counts a text tag and appends the tag; the list owns it.
  void AddTag(uint8_t kind, std::unique_ptr<TKvt_UnfiscalTag> tag);
  // Frees the tags and resets the flags and counters.
  void Clear();
  size_t Count() const { return tags_.size(); }
  const TKvt_UnfiscalTag& operator[](size_t index) const { return *tags_[index]; }
  auto begin() const { return tags_.begin(); }
  auto end() const { return tags_.end(); }

 private:
  std::vector<std::unique_ptr<TKvt_UnfiscalTag>> tags_;
};
