#include "io/printer/device/char_map.h"

uint8_t Cp1251ToCp866(uint8_t c) {
  if (c >= 0xC0 && c <= 0xEF) return uint8_t(c - 0xC0 + 0x80);  // А..п
  if (c >= 0xF0) return uint8_t(c - 0xF0 + 0xE0);                // р..я
  switch (c) {
    case 0xA8: return 0xF0;  // Ё
    case 0xB8: return 0xF1;  // ё
    case 0xAA: return 0xF2;  // Є
    case 0xBA: return 0xF3;  // є
    case 0xAF: return 0xF4;  // Ї
    case 0xBF: return 0xF5;  // ї
    case 0xA1: return 0xF6;  // Ў
    case 0xA2: return 0xF7;  // ў
    case 0xB9: return 0xFC;  // №
    case 0xB2: return 0x49;  // І has no place of its own in 866
    case 0xB3: return 0x69;  // і
    default: return c;
  }
}
