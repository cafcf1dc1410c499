// How the emulated register prints non-fiscal markup on its paper tape: the
// tape's width, double width as spaced letters, barcodes and QR codes as a
// labelled line, cuts as a dashed line, and the slip station apart.
#pragma once
#include <string>

#include "emu_xml.h"

namespace emu {

struct PrintResult {
  std::string Tape;         // the lines to add to the tape
  int32_t DrawerOpens = 0;  // Drawer elements met
};

// Renders an "Unfiscal" element `width` columns wide; false with the reason
// when the register would refuse it (another root element, an unknown
// encoding, bad Base64).
bool RenderUnfiscal(const XmlNode& root, int width, PrintResult& result, std::string& error);

// The bytes of a customer display document (an "Unfiscal" root with one
// Base64 "RawBlock"); false with the reason when the display refuses it.
bool DisplayBytes(const XmlNode& root, std::string& bytes, std::string& error);

}  // namespace emu
