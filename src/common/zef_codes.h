// Result codes of the low-level driver calls and their texts: driver and
// port (1 to 9), communication (101 to 106), logical (200 to 205) and data
// (301 to 304) errors; 0 is success.
#pragma once
#include <cstdint>
#include <string>

namespace ZefCodes {

constexpr int32_t kOk = 0;
constexpr int32_t kNotSupported = 4;
constexpr int32_t kInternalError = 106;
constexpr int32_t kLogicError = 200;
constexpr int32_t kInitXmlError = 302;
constexpr int32_t kDocumentXmlError = 303;

// The text of a code as written in the table ("Unknown error" outside it).
const char* CodeText(int32_t code);
// The same text in the POS language.
std::string ErrorText(int32_t code);

}  // namespace ZefCodes
