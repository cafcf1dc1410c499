#include "standart/format.h"

#include <cstdio>

namespace {

struct Spec {
  bool leftAlign = false;
  int width = -1;
  int precision = -1;
  char type = 0;
};

// Reads "[-][width][.prec]type" after '%'; '*' takes the width or precision
// from the argument list as Format does.
size_t ParseSpec(const std::string& f, size_t i, Spec& spec, const FmtArgs& args, size_t& next) {
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
    spec.leftAlign = true;
    ++i;
  }
  number(spec.width);
  if (i < f.size() && f[i] == '.') {
    ++i;
    spec.precision = 0;
    number(spec.precision);
  }
  if (i >= f.size()) throw EFormatError("Format: incomplete specifier");
  spec.type = f[i];
  return i + 1;
}

std::string Pad(std::string text, const Spec& spec) {
  if (spec.width > 0 && int(text.size()) < spec.width) {
    std::string fill(size_t(spec.width) - text.size(), ' ');
    text = spec.leftAlign ? text + fill : fill + text;
  }
  return text;
}

std::string FormatInteger(const FmtArg& arg, const Spec& spec) {
  if (arg.kind() != FmtArg::kInt && arg.kind() != FmtArg::kUInt && arg.kind() != FmtArg::kPointer)
    throw EFormatError("Format: integer expected");
  char buf[64];
  int64_t v = arg.integer();
  switch (spec.type) {
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
      snprintf(buf, sizeof buf, spec.type == 'p' ? "%08llX" : "%llX",
               (unsigned long long)(v < 0 && v >= INT32_MIN ? uint32_t(v) : uint64_t(v)));
  }
  std::string digits = buf;
  // The precision of an integer is its minimum number of digits.
  if (spec.precision > 0) {
    bool negative = !digits.empty() && digits[0] == '-';
    std::string body = negative ? digits.substr(1) : digits;
    if (int(body.size()) < spec.precision) body.insert(0, size_t(spec.precision) - body.size(), '0');
    digits = (negative ? "-" : "") + body;
  }
  return Pad(digits, spec);
}

std::string FormatFloat(const FmtArg& arg, const Spec& spec) {
  double v;
  if (arg.kind() == FmtArg::kFloat) v = arg.number();
  else if (arg.kind() == FmtArg::kInt || arg.kind() == FmtArg::kUInt) v = double(arg.integer());
  else throw EFormatError("Format: number expected");
  int precision = spec.precision < 0 ? (spec.type == 'g' || spec.type == 'G' ? 15 : 2) : spec.precision;
  char buf[400];
  char type = spec.type == 'n' || spec.type == 'm' ? 'f' : char(spec.type | 0x20);
  char format[8] = {'%', '.', '*', type, 0};
  snprintf(buf, sizeof buf, format, precision, v);
  return Pad(buf, spec);
}

std::string FormatOne(const FmtArg& arg, const Spec& spec) {
  switch (spec.type) {
    case 's': case 'S': {
      if (arg.kind() != FmtArg::kText) throw EFormatError("Format: text expected");
      std::string text = arg.text();
      if (spec.precision >= 0 && int(text.size()) > spec.precision) text.resize(size_t(spec.precision));
      return Pad(text, spec);
    }
    case 'd': case 'D': case 'u': case 'U': case 'x': case 'X': case 'p':
      return FormatInteger(arg, spec);
    case 'f': case 'F': case 'g': case 'G': case 'e': case 'E': case 'n': case 'N': case 'm': case 'M':
      return FormatFloat(arg, spec);
    default:
      throw EFormatError(std::string("Format: unknown specifier '") + spec.type + "'");
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
    Spec spec;
    i = ParseSpec(format, i + 1, spec, args, next);
    if (next >= args.size()) throw EFormatError("Format: missing argument");
    out += FormatOne(args[next++], spec);
  }
  return out;
}
