// The built-in PRN-to-markup converter: reads a PRN stream (prn_commands.h)
// and builds a "PRINTUNFISCAL" document of "Unfiscal" segments, cut where
// the stream changes station, cuts the paper, or starts a footer or a
// receipt insert. One object serves one conversion.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "io/printer/markup/uf_print_state.h"
#include "xml/simplexml.h"

class TUFXmlAbstract {
 public:
  virtual ~TUFXmlAbstract() = default;
  // Converts the bytes; true and the document on success.
  virtual bool ConvertPrn(const uint8_t* buffer, size_t size, IXmlDocument& document) = 0;
};

class TUFXmlBase : public TUFXmlAbstract {
 public:
  // initialFont -1: no font number.
  TUFXmlBase(uint8_t initialTapes, int32_t initialFont, const tBarCodeDefaults& defaults);

  // Always true; the caller owns the document. Exceptions of the XML model
  // pass on.
  bool ConvertPrn(const uint8_t* buffer, size_t size, IXmlDocument& document) override;

  // Texts written without code conversion.
  bool RawText = false;

  // True when a TextLine or TextPart of the segment has a Text that is not
  // blank.
  static bool SegmentHasText(const IXmlElement& segment);

 private:
  void StartSegment();
  void CloseSegment();
  void WriteSegmentFlags();
  void FinishDocument();
  void EmitTextLine() { EmitText(true); }
  void EmitTextPart() { EmitText(false); }
  void EmitText(bool line);
  // Returns the position after the command.
  size_t Command(const uint8_t* buffer, size_t size, size_t at);
  void ShortCommand(uint8_t command);
  void LongCommand(uint8_t command, const std::string& parameter);

  IXmlElement AppendElement(const char* name);
  void BarCode(const std::string& parameter);
  void QrSettings(const std::string& parameter);
  void QrCode(const std::string& parameter);
  void RawBytes(const std::string& parameter);
  void AddInfo(const std::string& parameter);
  void AppendError(const char* format, const std::string& parameter);

  tBarCodeDefaults defaults_;
  int32_t qrHeight_;
  int32_t qrCorrectionLevel_ = 0;
  int32_t qrAlignment_ = 0;
  int32_t qrFlowTextLines_ = 0;
  TKvt_UnfiscalPrint state_;
  IXmlDocument document_;
  IXmlElement segment_;
  int32_t segmentCount_ = 0;
  bool segmentHasText_ = false;
};

// Bytes of a raw-bytes command parameter: hexadecimal pairs, single digits
// before a separator, with blanks, "$", ",", ";", "H", "h" and "0x" skipped;
// reading stops at the first pair that is not hexadecimal.
std::string HexToBytes(const std::string& parameter);
