// Vietnamese text for printers of character set 163: the letters written
// in code page 1258 with the tone as a separate byte (the byte step), and
// the printer's composition of such letter-and-tone pairs into its own
// single bytes.
#pragma once
#include <string>

namespace PrinterCharsets {

// Ă Â Đ Ê Ô Ơ Ư and their small forms as their code page 1258 byte; a
// toned vowel as its untoned code page 1258 byte and the tone byte; other
// characters below U+0100 as their Latin-1 value; the rest through code
// page 1258.
std::string VietnameseByteStep(const std::u16string& text);

// The bytes of the byte step with every letter key replaced by the
// printer's byte: a two-byte key is tried before a one-byte key, and bytes
// of no key are copied.
std::string VietnameseComposition(const std::string& bytes);

}  // namespace PrinterCharsets
