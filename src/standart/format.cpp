#include "standart/format.h"

#include <cstdio>

namespace {

struct Placeholder {
  bool leftAlign = false;
  int width = -1;
  int precision = -1;
  char type = 0;
};

// Reads "[-][width][.prec]type" after '%'; '*' takes the width or precision
// from the argument list as Format does.
size_t ParseSpec(const std::string& f, size_t i, Placeholder& ph, const FmtArgs& args, size_t& next) {
  auto number = [&](int& out) {
    if (i < f.size() && f[i] == '*') {
      if (next >= args.size()) throw EFormatError("Format: missing argument");
      out = int(args[next++].integer());
      ++i;
      return;
    }
    if (i >= f.size() || f[i] < '0' || f[i] > '9') return;
    out = 0;
    while (i < f.size() && f[i] >= '0' && f[i] <= '9') out = out * 10 + (f[i++] - '0');
  };
  if (i < f.size() && f[i] == '-') {
    ph.leftAlign = true;
    ++i;
  }
  number(ph.width);
  if (i < f.size() && f[i] == '.') {
    ++i;
    ph.precision = 0;
    number(ph.precision);
  }
  if (i >= f.size()) throw EFormatError("Format: incomplete specifier");
  ph.type = f[i];
  return i + 1;
}

std::string Pad(std::string text, const Placeholder& ph) {
  if (ph.width > 0 && int(text.size()) < ph.width) {
    std::string fill(size_t(ph.width) - text.size(), ' ');
    text = ph.leftAlign ? text + fill : fill + text;
  }
  return text;
}

std::string FormatInteger(const FmtArg& arg, const Placeholder& ph) {
  if (arg.kind() != FmtArg::kInt && arg.kind() != FmtArg::kUInt && arg.kind() != FmtArg::kPointer)
    throw EFormatError("Format: integer expected");
  char buf[64];
  int64_t v = arg.integer();
  switch (ph.type) {
    case 'd': case 'D':
      snprintf(buf, sizeof buf, "%lld", (long long)v);
      break;
    case 'u': case 'U':
      snprintf(buf, sizeof buf, "%llu", (unsigned long long)(arg.kind() == FmtArg::kInt && v < 0 ? uint32_t(v) : uint64_t(v)));
      break;
    case 'x':
      snprintf(buf, sizeof buf, "%llx", (unsigned long long)(v < 0 && v >= INT32_MIN ? uint32_t(v) : uint64_t(v)));
      break;
    default:  // 'X', 'p'
      snprintf(buf, sizeof buf, ph.type == 'p' ? "%08llX" : "%llX",
               (unsigned long long)(v < 0 && v >= INT32_MIN ? uint32_t(v) : uint64_t(v)));
  }
  std::string digits = buf;
  // The precision of an integer is its minimum number of digits.
  if (ph.precision > 0) {
    bool negative = !digits.empty() && digits[0] == '-';
    std::string body = negative ? digits.substr(1) : digits;
    if (int(body.size()) < ph.precision) body.insert(0, size_t(ph.precision) - body.size(), '0');
    digits = (negative ? "-" : "") + body;
  }
  return Pad(digits, ph);
}

std::string FormatFloat(const FmtArg& arg, const Placeholder& ph) {
  double v;
  if (arg.kind() == FmtArg::kFloat) v = arg.number();
  else if (arg.kind() == FmtArg::kInt || arg.kind() == FmtArg::kUInt) v = double(arg.integer());
  else throw EFormatError("Format: number expected");
  int precision = ph.precision < 0 ? (ph.type == 'g' || ph.type == 'G' ? 15 : 2) : ph.precision;
  char buf[400];
  char type = ph.type == 'n' || ph.type == 'm' ? 'f' : char(ph.type | 0x20);
  char format[8] = {'%', '.', '*', type, 0};
  snprintf(buf, sizeof buf, format, precision, v);
  return Pad(buf, ph);
}

std::string FormatOne(const FmtArg& arg, const Placeholder& ph) {
  switch (ph.type) {
    case 's': case 'S': {
      if (arg.kind() != FmtArg::kText) throw EFormatError("Format: text expected");
      std::string text = arg.text();
      if (ph.precision >= 0 && int(text.size()) > ph.precision) text.resize(size_t(ph.precision));
      return Pad(text, ph);
    }
    case 'd': case 'D': case 'u': case 'U': case 'x': case 'X': case 'p':
      return FormatInteger(arg, ph);
    case 'f': case 'F': case 'g': case 'G': case 'e': case 'E': case 'n': case 'N': case 'm': case 'M':
      return FormatFloat(arg, ph);
    default:
      throw EFormatError(std::string("Format: unknown specifier '") + ph.type + "'");
  }
}

}  // namespace

std::string FormatText(const std::string& format, const FmtArgs& args) {
  std::string out;
  out.reserve(format.size() + 16 * args.size());
  size_t next = 0;
  for (size_t i = 0; i < format.size();) {
    char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    Placeholder ph;
    i = ParseSpec(format, i + 1, ph, args, next);
    if (next >= args.size()) throw EFormatError("Format: missing argument");
    out += FormatOne(args[next++], ph);
  }
  return out;
}
