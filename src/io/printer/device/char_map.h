// Code-page conversion of the printer's text: Windows Cyrillic (1251) to DOS
// Cyrillic (866), as the port printers expect it.
#pragma once
#include <cstdint>

uint8_t Cp1251ToCp866(uint8_t character);
