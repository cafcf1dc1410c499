#include "params_config.h"

#include <cstdlib>
#include <sstream>

#include "platform/platform.h"

namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

bool ParseInteger(const std::string& s, int64_t& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtoll(s.c_str(), &end, 0);
  return end && *end == 0;
}

std::vector<int32_t> IntegerList(const std::string& s) {
  std::vector<int32_t> list;
  std::istringstream in(s);
  for (std::string item; in >> item;) {
    int64_t v;
    if (ParseInteger(item, v)) list.push_back(int32_t(v));
  }
  return list;
}

std::string HexBytes(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out += char(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16));
  return out;
}

// A reference property value may hold what a line of this file cannot:
// "\t" a tab, "\n" a line feed, "\r" a carriage return, "\\" a backslash.
// Any other backslash stays as written.
std::string Unescaped(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    const char next = i + 1 < value.size() ? value[i + 1] : 0;
    if (value[i] == '\\' && (next == 't' || next == 'n' || next == 'r' || next == '\\')) {
      out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
      ++i;
    } else {
      out += value[i];
    }
  }
  return out;
}

// "5 = text" in a device section; "-1 = host.so 0x0001"; "1 = @file name";
// "1 = @hex 3C3F..."; "7:value = 12" sets the 32-bit value apart from the text.
bool DeviceLine(const std::string& key, const std::string& value, const std::string& baseDir,
                std::map<int32_t, ParamEntry>& params, std::string& error) {
  bool valueOnly = key.size() > 6 && key.compare(key.size() - 6, 6, ":value") == 0;
  int64_t index;
  if (!ParseInteger(valueOnly ? key.substr(0, key.size() - 6) : key, index)) {
    error = "bad parameter index \"" + key + "\"";
    return false;
  }
  ParamEntry& e = params[int32_t(index)];
  int64_t number;
  if (valueOnly) {
    if (!ParseInteger(value, number)) {
      error = "bad value \"" + value + "\"";
      return false;
    }
    e.value = uint32_t(number);
    e.hasValue = true;
    return true;
  }
  if (value.rfind("@file ", 0) == 0) {
    e.blob = true;
    if (!platform::ReadWholeFile(baseDir + Trim(value.substr(6)), e.blobBytes)) {
      error = "cannot read blob file " + value.substr(6);
      return false;
    }
    return true;
  }
  if (value.rfind("@hex ", 0) == 0) {
    e.blob = true;
    e.blobBytes = HexBytes(Trim(value.substr(5)));
    return true;
  }
  if (value.rfind("@text ", 0) == 0) {
    e.blob = true;
    e.blobBytes = value.substr(6);
    return true;
  }
  e.text = value;
  if (index == -1) {
    // Port host: file name, then the port descriptor.
    size_t blank = value.find_last_of(' ');
    if (blank != std::string::npos && ParseInteger(value.substr(blank + 1), number)) {
      e.text = Trim(value.substr(0, blank));
      e.value = uint32_t(number);
      e.hasValue = true;
    }
  } else if (!e.hasValue && ParseInteger(value, number)) {
    e.value = uint32_t(number);
  }
  return true;
}

void AnswerLine(const std::string& key, const std::string& value, Answers& a) {
  if (key == "message") a.messages = IntegerList(value);
  else if (key == "question") a.questions = IntegerList(value);
  else if (key == "form") a.recordForm = value != "legacy";
  else if (key == "input") {
    a.input = value;
    a.hasInput = true;
  }
}

// "name = VAT", "parent = 1", "interface = none", "Status = 3",
// "GUIDString = {...}" (a value that is no integer is a text property).
void ObjectLine(const std::string& key, const std::string& value, PosObjectEntry& o) {
  int64_t v = 0;
  if (key == "name") o.name = value;
  else if (key == "parent") o.parent = std::atoi(value.c_str());
  else if (key == "interface") o.hasInterface = value != "none";
  else if (ParseInteger(value, v)) o.props[key] = v;
  else o.texts[key] = value;
}

}  // namespace

ParamsConfig ParamsConfig::Parse(const std::string& text, const std::string& baseDir, std::string& error) {
  ParamsConfig c;
  std::istringstream in(text);
  std::string section, line;
  std::vector<std::string> words;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    line = Trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      std::istringstream s(line.substr(1, line.size() - 2));
      words.clear();
      for (std::string w; s >> w;) words.push_back(w);
      section = words.empty() ? "" : words[0];
      if (section == "object" && words.size() > 2) {
        c.objects.emplace_back();
        c.objects.back().objectClass = std::atoi(words[1].c_str());
        c.objects.back().id = std::atoi(words[2].c_str());
      }
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
      error = "line " + std::to_string(lineNo) + ": '=' expected";
      return c;
    }
    // A text to translate may hold "=": such a line separates with " => ".
    const size_t arrow = section == "translate" ? line.find(" => ") : std::string::npos;
    const size_t valueAt = arrow != std::string::npos ? arrow + 4 : eq + 1;
    if (arrow != std::string::npos) eq = arrow;
    std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(valueAt));
    auto deviceKey = [&] {
      return DeviceKey{words.size() > 1 ? words[1] : "*", words.size() > 2 ? std::atoi(words[2].c_str()) : 0};
    };
    if (section == "device") {
      if (!DeviceLine(key, value, baseDir, c.devices[deviceKey()], error)) {
        error = "line " + std::to_string(lineNo) + ": " + error;
        return c;
      }
    } else if (section == "answers") {
      AnswerLine(key, value, c.answers[deviceKey()]);
    } else if (section == "translate") {
      c.translations[key] = value;
    } else if (section == "values") {
      int64_t v = 0;
      ParseInteger(value, v);
      c.values[key] = uint32_t(v);
    } else if (section == "system") {
      c.systemValues["#SYS#" + key] = value;
    } else if (section == "service") {
      if (key == "log") c.requestLog = value.empty() || value[0] == '/' ? value : baseDir + value;
      if (key == "known") c.knownKinds = IntegerList(value);
    } else if (section == "object" && !c.objects.empty()) {
      ObjectLine(key, value, c.objects.back());
    } else if (section == "host") {
      int64_t v = 0;
      ParseInteger(value, v);
      c.hostValues[key] = int32_t(v);
    } else if (section == "printer" && words.size() > 1) {
      if (key == "file") c.printers[words[1]] = value.empty() || value[0] == '/' ? value : baseDir + value;
    } else if (section == "xml") {
      c.hasXml = true;
      if (key == "answer" && value.rfind("@file ", 0) == 0) platform::ReadWholeFile(baseDir + Trim(value.substr(6)), c.xmlAnswer);
      else if (key == "answer") c.xmlAnswer = value;
    } else if (section == "ref" && words.size() > 1) {
      int32_t kind = std::atoi(words[1].c_str());
      if (key.find('.') == std::string::npos) c.refNames[kind][std::atoi(key.c_str())] = value;
      else c.refProps[kind][key] = Unescaped(value);
    } else {
      error = "line " + std::to_string(lineNo) + ": unknown section [" + section + "]";
      return c;
    }
  }
  return c;
}
