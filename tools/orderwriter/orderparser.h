// Reads the text form of an order description (see README.md).
#pragma once
#include <stdexcept>
#include <string>

#include "orderdesc.h"

namespace orderwriter {

class DescriptionError : public std::runtime_error {
 public:
  DescriptionError(int line, const std::string& message)
      : std::runtime_error("line " + std::to_string(line) + ": " + message) {}
};

OrderDesc ParseOrderDescription(const std::string& text);

}  // namespace orderwriter
