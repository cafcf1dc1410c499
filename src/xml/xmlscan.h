// Word-at-a-time scans of the parser: a machine word of text is tested for
// the bytes that end a run (blanks, text, attribute values) in a few
// operations instead of one test per byte. The text must be readable for a
// word past every place a scan may reach (the parser pads its copy).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the word scans take the first byte of a word as its lowest"
#endif

namespace xmlscan {

using tWord = uintptr_t;
constexpr tWord kOnes = ~tWord(0) / 0xFF;  // 0x0101...
constexpr tWord kHighs = kOnes << 7;       // 0x8080...
constexpr size_t kWordSize = sizeof(tWord);

inline tWord Load(const char* p) {
  tWord w;
  std::memcpy(&w, p, sizeof w);
  return w;
}
// The high bits of the zero bytes of w: exact up to the first zero byte,
// which is all a scan looks at.
inline tWord ZeroBytes(tWord w) { return (w - kOnes) & ~w & kHighs; }
inline tWord BytesEqual(tWord w, uint8_t c) { return ZeroBytes(w ^ (kOnes * c)); }
// The high bits of the bytes below n (n up to 0x80): exact up to the first
// such byte.
inline tWord BytesBelow(tWord w, uint8_t n) { return (w - kOnes * n) & ~w & kHighs; }
// The high bits of the bytes above 0x20 (from 0x80 on too).
inline tWord NonBlankBytes(tWord w) { return (((w & ~kHighs) + kOnes * (0x80 - 0x21)) | w) & kHighs; }
// The index of the first byte whose bit is set in `bits` (not zero).
inline size_t FirstByte(tWord bits) {
  if (sizeof(tWord) == 8) return size_t(__builtin_ctzll(uint64_t(bits))) / 8;
  return size_t(__builtin_ctz(uint32_t(bits))) / 8;
}

inline bool IsSkippedBlank(char c) { return uint8_t(c - 1) < 0x20; }

// The first byte from p on that is not from 1 to 0x20.
inline char* SkipBlankBytes(char* p) {
  if (!IsSkippedBlank(p[0])) return p;
  if (!IsSkippedBlank(p[1])) return p + 1;
  for (p += 2;; p += kWordSize) {
    const tWord w = Load(p);
    if (const tWord stops = NonBlankBytes(w) | ZeroBytes(w)) return p + FirstByte(stops);
  }
}

// The first "<", "&" or zero byte from p on.
inline char* SkipText(char* p) {
  for (;; p += kWordSize) {
    const tWord w = Load(p);
    if (const tWord stops = ZeroBytes(w) | BytesEqual(w, '<') | BytesEqual(w, '&')) return p + FirstByte(stops);
  }
}

// The first quote, "<", "&" or zero byte from p on. "&" (0x26) and either
// quote (0x22, 0x27) differ in one bit: one test finds both. quote: "\"" or
// "'".
inline char* SkipValue(char* p, char quote) {
  const tWord bit = quote == '"' ? kOnes * ('"' ^ '&') : kOnes * ('\'' ^ '&');
  for (;; p += kWordSize) {
    const tWord w = Load(p);
    if (const tWord stops = ZeroBytes(w) | BytesEqual(w, '<') | BytesEqual(w | bit, uint8_t(quote | '&')))
      return p + FirstByte(stops);
  }
}

// The high bits of the bytes that written text escapes: control bytes,
// "&", "<", ">" and quotes.
inline tWord EscapedBytes(tWord w) {
  return BytesBelow(w, 0x20) | BytesEqual(w, '&') | BytesEqual(w, '<') | BytesEqual(w, '>') | BytesEqual(w, '"');
}

}  // namespace xmlscan
