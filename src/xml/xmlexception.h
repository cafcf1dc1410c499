// The exception raised by the XML model for malformed documents, bad
// attribute values and misuse of nodes.
#pragma once
#include <string>

#include "standart/errors.h"

class SimpleXMLException : public tInterfacedException {
 public:
  using tInterfacedException::tInterfacedException;
  const char* ClassName() const override { return "SimpleXMLException"; }
};

// Throws SimpleXMLException with the message.
[[noreturn]] void RaiseXmlError(const std::string& message);

// A message written in UTF-8 in the source, in the bytes of code page 1251,
// the form in which this system keeps its Russian texts.
std::string RussianText(const char* utf8);
