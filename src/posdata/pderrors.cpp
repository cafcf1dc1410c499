#include "posdata/pderrors.h"

const char* const kStreamReadError = "Stream read error";
const char* const kInvalidStreamFormat = "Invalid stream format";
const char* const kInvalidPropertyValue = "Invalid property value";
const char* const kErrorText = "Error!";

void ThrowReadError() { throw EReadError(kStreamReadError); }
void ThrowInvalidFormat() { throw EReadError(kInvalidStreamFormat); }
void ThrowPropertyError() { throw EPropertyError(kInvalidPropertyValue); }
