#include "orderparser.h"

#include <cstdlib>
#include <map>
#include <sstream>

#include "platform/codepage.h"
#include "posdata/pddatetime.h"
#include "posdata/pdtext.h"
#include "standart/text.h"

namespace orderwriter {
namespace {

struct Token {
  std::string Text;
  bool Quoted = false;
  size_t Equals = std::string::npos;  // first '=' outside quotes
  size_t Unquoted = 0;                 // length of the text before the first quote
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class LineParser {
 public:
  LineParser(int lineNo, const std::string& line) : lineNo_(lineNo) { Split(line); }
  const std::vector<Token>& Tokens() const { return tokens_; }
  [[noreturn]] void Fail(const std::string& message) const { throw DescriptionError(lineNo_, message); }

 private:
  void Split(const std::string& line);
  char Escape(const std::string& line, size_t& i) const;
  int lineNo_;
  std::vector<Token> tokens_;
};

char LineParser::Escape(const std::string& line, size_t& i) const {
  if (i + 1 >= line.size()) Fail("escape at the end of the line");
  const char c = line[++i];
  switch (c) {
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case 'x': {
      const int hi = i + 2 < line.size() ? HexDigit(line[i + 1]) : -1;
      const int lo = hi >= 0 ? HexDigit(line[i + 2]) : -1;
      if (lo < 0) Fail("\\x needs two hex digits");
      i += 2;
      return char(hi * 16 + lo);
    }
    default: return c;
  }
}

void LineParser::Split(const std::string& line) {
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    Token t;
    for (; i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r'; ++i) {
      if (line[i] == '"') {
        if (!t.Quoted) t.Unquoted = t.Text.size();
        t.Quoted = true;
        for (++i; i < line.size() && line[i] != '"'; ++i)
          t.Text += line[i] == '\\' ? Escape(line, i) : line[i];
        if (i >= line.size()) Fail("unterminated quote");
      } else {
        if (line[i] == '=' && t.Equals == std::string::npos && !t.Quoted) t.Equals = t.Text.size();
        t.Text += line[i];
      }
    }
    if (!t.Quoted) t.Unquoted = t.Text.size();
    tokens_.push_back(t);
  }
}

class DescriptionParser {
 public:
  OrderDesc Parse(const std::string& text);

 private:
  void Line(const LineParser& line);
  std::map<std::string, std::string> Attributes(const LineParser& line, size_t first,
                                                std::initializer_list<const char*> allowed);
  void Source(const LineParser& line);
  void Link(const LineParser& line);
  void DataSet(const LineParser& line);
  void Column(const LineParser& line);
  void Row(const LineParser& line);
  VarType Cell(const LineParser& line, const Token& token, TVarType columnType);
  VarType Typed(const LineParser& line, TVarType type, const std::string& text);
  DataSetDesc& Current(const LineParser& line);
  std::string Text(const std::string& utf8) const;

  OrderDesc order_;
  bool cp1251_ = true;
};

std::string DescriptionParser::Text(const std::string& utf8) const {
  return cp1251_ ? platform::WideToSingleByte(platform::kCodePageCyrillic, platform::Utf8ToWide(utf8)) : utf8;
}

int32_t Integer(const LineParser& line, const std::string& text) {
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != 0 || v < INT32_MIN || v > INT32_MAX) line.Fail("not a 32-bit integer: " + text);
  return int32_t(v);
}

bool Flag(const LineParser& line, const std::string& text) {
  if (text == "true" || text == "1") return true;
  if (text == "false" || text == "0") return false;
  line.Fail("not a Boolean: " + text);
}

std::map<std::string, std::string> DescriptionParser::Attributes(
    const LineParser& line, size_t first, std::initializer_list<const char*> allowed) {
  std::map<std::string, std::string> out;
  const auto& tokens = line.Tokens();
  for (size_t i = first; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.Equals == std::string::npos) line.Fail("key=value expected: " + t.Text);
    const std::string key = t.Text.substr(0, t.Equals);
    bool known = false;
    for (const char* a : allowed) known = known || key == a;
    if (!known) line.Fail("unknown attribute: " + key);
    out[key] = t.Text.substr(t.Equals + 1);
  }
  return out;
}

TVarType ColumnType(const LineParser& line, const std::string& name) {
  static const std::map<std::string, TVarType> kNames = {
      {"none", vtNone},       {"string", vtString}, {"integer", vtInteger}, {"float", vtFloat},
      {"boolean", vtBoolean}, {"frac", vtFrac},     {"datetime", vtDateTime}};
  const auto it = kNames.find(name);
  if (it != kNames.end()) return it->second;
  TVarType type;
  if (VarTypeFromName(name, type)) return type;
  line.Fail("unknown column type: " + name);
}

OrderDesc DescriptionParser::Parse(const std::string& text) {
  std::istringstream in(text);
  std::string s;
  for (int lineNo = 1; std::getline(in, s); ++lineNo) {
    LineParser line(lineNo, s);
    if (!line.Tokens().empty()) Line(line);
  }
  return order_;
}

void DescriptionParser::Line(const LineParser& line) {
  const auto& t = line.Tokens();
  const std::string& word = t[0].Text;
  if (word == "row") return Row(line);
  if (word == "column") return Column(line);
  if (word == "dataset") return DataSet(line);
  if (word == "link") return Link(line);
  if (word == "source") return Source(line);
  if (word == "resource" && t.size() == 2) {
    order_.ResourceName = t[1].Text;
    return;
  }
  if (word == "charset" && t.size() == 2 && (t[1].Text == "cp1251" || t[1].Text == "raw")) {
    cp1251_ = t[1].Text == "cp1251";
    return;
  }
  line.Fail("unknown line: " + word);
}

void DescriptionParser::Source(const LineParser& line) {
  if (line.Tokens().size() < 2) line.Fail("source needs a name");
  order_.ObjectName = Text(line.Tokens()[1].Text);
  auto a = Attributes(line, 2, {"class", "tag", "version"});
  if (a.count("class")) order_.ClassName = a["class"];
  if (a.count("tag")) order_.Tag = Integer(line, a["tag"]);
  if (a.count("version")) order_.StreamVersion = Integer(line, a["version"]);
}

void DescriptionParser::Link(const LineParser& line) {
  auto a = Attributes(line, 1, {"master", "child", "masterfield", "childfield"});
  order_.Links.push_back({Text(a["master"]), Text(a["child"]), Text(a["masterfield"]), Text(a["childfield"])});
}

void DescriptionParser::DataSet(const LineParser& line) {
  if (line.Tokens().size() < 2) line.Fail("dataset needs a name");
  DataSetDesc d;
  d.Name = Text(line.Tokens()[1].Text);
  auto a = Attributes(line, 2, {"caption", "refcolnum", "aliasinfo", "version", "onerow", "objclass"});
  d.Caption = Text(a["caption"]);
  if (a.count("refcolnum")) d.RefColNum = Integer(line, a["refcolnum"]);
  if (a.count("aliasinfo")) d.AliasInfo = Integer(line, a["aliasinfo"]);
  if (a.count("version")) d.StreamVersion = Integer(line, a["version"]);
  if (a.count("onerow")) d.OneRowDataset = Flag(line, a["onerow"]);
  if (a.count("objclass")) d.ObjClass = a["objclass"];
  order_.DataSets.push_back(d);
}

DataSetDesc& DescriptionParser::Current(const LineParser& line) {
  if (order_.DataSets.empty()) line.Fail("no dataset started");
  return order_.DataSets.back();
}

void DescriptionParser::Column(const LineParser& line) {
  DataSetDesc& d = Current(line);
  if (!d.Records.empty()) line.Fail("columns must come before the rows");
  const auto& t = line.Tokens();
  if (t.size() < 3) line.Fail("column needs a name and a type");
  ColumnDesc c;
  c.FieldName = Text(t[1].Text);
  c.VarType = ColumnType(line, t[2].Text);
  auto a = Attributes(line, 3, {"caption", "ref", "link", "visible", "alias", "desc", "user", "expr"});
  c.Caption = Text(a["caption"]);
  if (a.count("ref")) c.RefColNum = Integer(line, a["ref"]);
  if (a.count("link")) c.LinkTable = Integer(line, a["link"]);
  if (a.count("visible")) c.Visible = Flag(line, a["visible"]);
  c.AliasInfo = Text(a["alias"]);
  c.Desc = Text(a["desc"]);
  c.UserName = Text(a["user"]);
  c.Expression = Text(a["expr"]);
  d.Columns.push_back(c);
}

void DescriptionParser::Row(const LineParser& line) {
  DataSetDesc& d = Current(line);
  const auto& t = line.Tokens();
  std::vector<VarType> record;
  std::vector<std::string> names;
  bool inNames = false;
  for (size_t i = 1; i < t.size(); ++i) {
    if (!t[i].Quoted && t[i].Text == "|") {
      if (inNames) line.Fail("second '|' in a row");
      inNames = true;
    } else if (inNames) {
      names.push_back(Text(t[i].Text));
    } else {
      if (record.size() >= d.Columns.size()) line.Fail("more values than columns");
      record.push_back(Cell(line, t[i], d.Columns[record.size()].VarType));
    }
  }
  if (record.size() != d.Columns.size()) line.Fail("fewer values than columns");
  if (inNames != d.AliasesReady && !d.Records.empty())
    line.Fail("reference names must be given for every row or for none");
  d.AliasesReady = inNames;
  d.Records.push_back(record);
  if (inNames) d.AliasNames.push_back(names);
}

VarType DescriptionParser::Cell(const LineParser& line, const Token& token, TVarType columnType) {
  if (!token.Quoted && token.Text == "~") return VarType::OfType(columnType);
  if (!token.Quoted && token.Text == "null") return VarType::Null();
  static const std::map<std::string, TVarType> kPrefixes = {
      {"str", vtString}, {"int", vtInteger}, {"float", vtFloat}, {"bool", vtBoolean},
      {"frac", vtFrac},  {"date", vtDateTime}};
  const size_t colon = token.Text.find(':');
  if (colon != std::string::npos && colon < token.Unquoted) {
    const std::string prefix = token.Text.substr(0, colon), rest = token.Text.substr(colon + 1);
    const auto it = kPrefixes.find(prefix);
    if (it != kPrefixes.end()) return Typed(line, it->second, rest);
    if (prefix == "ms") {
      VarType v;
      v.SetDateTimeMs(std::strtoll(rest.c_str(), nullptr, 10));
      return v;
    }
    if (prefix == "tag") {  // a raw tag without payload, as only a broken stream has
      VarType v;
      v.Type = TVarType(Integer(line, rest));
      return v;
    }
  }
  return Typed(line, columnType == vtNone ? vtString : columnType, token.Text);
}

bool StrictFrac(const std::string& text, int64_t& frac) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  int64_t whole = 0, fraction = 0;
  int wholeDigits = 0, decimals = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++wholeDigits) {
    if (wholeDigits >= 12) return false;
    whole = whole * 10 + (text[i] - '0');
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++decimals) {
      if (decimals >= 6) return false;
      fraction = fraction * 10 + (text[i] - '0');
    }
  }
  if (i != text.size() || wholeDigits + decimals == 0) return false;
  for (int k = decimals; k < 6; ++k) fraction *= 10;
  frac = whole * FracScale + fraction;
  if (negative) frac = -frac;
  return true;
}

bool IsoDateTime(const std::string& text, int64_t& ms) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, z = 0;
  char tail = 0;
  const int n = std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d%c", &y, &mo, &d, &h, &mi, &s, &z, &tail);
  if (n != 3 && n != 5 && n != 6 && n != 7) return false;
  return EncodeDateTimeMs(y, mo, d, h, mi, s, z, ms);
}

VarType DescriptionParser::Typed(const LineParser& line, TVarType type, const std::string& text) {
  VarType v;
  switch (type) {
    case vtString: v.SetString(Text(text)); break;
    case vtInteger: {
      int64_t i;
      if (!ParseDecimalAfterSpaces(text, i)) line.Fail("not an integer: " + text);
      v.SetInteger(i);
      break;
    }
    case vtFloat: {
      char* end = nullptr;
      const double d = std::strtod(text.c_str(), &end);
      if (text.empty() || *end != 0) line.Fail("not a number: " + text);
      v.SetFloatBits(d);
      break;
    }
    case vtBoolean: v.SetBoolean(Flag(line, text)); break;
    case vtFrac: {
      int64_t f;
      if (!StrictFrac(text, f)) line.Fail("not a decimal with at most 6 decimals: " + text);
      v.SetFrac(f);
      break;
    }
    case vtDateTime: {
      int64_t ms;
      if (!IsoDateTime(text, ms)) line.Fail("not a date yyyy-mm-dd[Thh:mm[:ss[.zzz]]]: " + text);
      v.SetDateTimeMs(ms);
      break;
    }
    default: line.Fail("a column of type vtNone needs typed values");
  }
  return v;
}

}  // namespace

OrderDesc ParseOrderDescription(const std::string& text) { return DescriptionParser().Parse(text); }

}  // namespace orderwriter
