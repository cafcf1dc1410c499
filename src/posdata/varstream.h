// The encoding of one value inside the records of the datasets stream.
#pragma once
#include "posdata/pdstream.h"
#include "posdata/vartype.h"

VarType ReadValue(TPDReadStream& stream);
void WriteValue(TPDWriteStream& stream, const VarType& value);
