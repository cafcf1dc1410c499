// The PRN stream of non-fiscal printouts: single-byte text (bytes 0x20 and
// above), line feed ending a line, carriage return mattering only on an
// empty line, other control bytes ignored, and ESC starting a command. A
// command character up to "O" is a short command; a later one is a long
// command whose parameter runs up to the next ESC, which with exactly one
// byte after it (written ";") closes the command. Both conversion
// directions use this command set.
#pragma once
#include <cstdint>

namespace Prn {

constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kLineFeed = 0x0A;
constexpr uint8_t kCarriageReturn = 0x0D;
constexpr uint8_t kParameterEnd = ';';  // written after the closing ESC

constexpr bool IsLongCommand(uint8_t command) { return command > 'O'; }

// Short commands.
constexpr uint8_t cmdStart = '1';          // start of a printout
constexpr uint8_t cmdBigHeightOff = '2';
constexpr uint8_t cmdBigHeightOn = '3';
constexpr uint8_t cmdBigWidthOff = '4';
constexpr uint8_t cmdBigWidthOn = '5';
constexpr uint8_t cmdReceiptStation = '6';
constexpr uint8_t cmdCut = '7';
constexpr uint8_t cmdSlipStation = '8';
constexpr uint8_t cmdSlipEnd = '9';
constexpr uint8_t cmdBeep = ':';
constexpr uint8_t cmdDrawer0 = '<';
constexpr uint8_t cmdCutToo = '=';
constexpr uint8_t cmdInverseOff = '>';
constexpr uint8_t cmdInverseOn = '?';
constexpr uint8_t cmdBoldOff = 'B';
constexpr uint8_t cmdBoldOn = 'C';
constexpr uint8_t cmdReceiptInsert = 'E';
constexpr uint8_t cmdFooter = 'F';

// Long commands.
constexpr uint8_t cmdFeed = 'P';           // number of lines
constexpr uint8_t cmdBarCode = 'Q';        // code data, printed with the configured defaults
constexpr uint8_t cmdLogo = 'R';           // logo identifier
constexpr uint8_t cmdRawBytes = 'T';       // hexadecimal bytes
constexpr uint8_t cmdTapes = 'U';          // tape selection number
constexpr uint8_t cmdDrawer = 'V';         // drawer number
constexpr uint8_t cmdWait = 'W';           // milliseconds
constexpr uint8_t cmdQrCode = 'X';         // QR code data
constexpr uint8_t cmdAddInfo = 'Y';        // name "=" data
constexpr uint8_t cmdQrSettings = 'Z';     // height;level;alignment;flow text lines
constexpr uint8_t cmdFont = '[';           // font number

}  // namespace Prn
