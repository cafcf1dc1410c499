// The requests made of the POS's parameter service that the POS does not
// answer fail the test that made them. Every test program links the guard:
// after each test it takes what the parameter service stand-in recorded and
// what the tests' own fakes of the service noted here, and fails the test
// naming each request; what comes after the last test fails the program.
#pragma once
#include <cstdint>

namespace params_guard {

// For a test's own fake of the service: true when the POS answers requests
// of this form; otherwise the request is noted for the guard.
bool Listed(const uint8_t* name, int32_t number, int32_t index);

}  // namespace params_guard
