// Base64 of RFC 4648 (alphabet A-Z a-z 0-9 + /, "=" fill).
#pragma once
#include <string>

// Encodes a byte block. With lineLength 4 or more, CRLF follows every
// lineLength characters (lowered to a multiple of 4), but not the last line;
// with 3 or less the text is one line.
std::string Base64Encode(const std::string& bytes, int lineLength = 0);

// Decodes Base64 text; bytes up to 0x20 (blanks, line breaks) are ignored.
// Text that is not Base64 raises SimpleXMLException "Bad Base64 format".
std::string Base64Decode(const std::string& text);
