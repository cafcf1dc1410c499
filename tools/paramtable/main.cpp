// Prints the device parameter table of the integrators' guide from the
// device's own list of parameters, or checks or rewrites the table in the
// guide:
//
//   paramtable                 the table in Markdown
//   paramtable --check FILE    exit 1 when FILE's table differs from the list
//   paramtable --update FILE   rewrite FILE's table from the list
//
// The table stands in FILE between the lines kBegin and kEnd.
#include <cstdio>
#include <string>

#include "io/printer/zefor/zefor.h"
#include "platform/platform.h"

namespace {

const char kBegin[] = "<!-- parameter table: printed by tools/paramtable from the device's list; do not edit -->\n";
const char kEnd[] = "<!-- end of parameter table -->\n";

std::string Cell(std::string text) {
  for (size_t at = 0; (at = text.find('|', at)) != std::string::npos; at += 2) text.insert(at, "\\");
  return text;
}

std::string Table() {
  std::string table = "| Index | Type | Name | Default | What it changes |\n|---|---|---|---|---|\n";
  for (const tZeforParamInfo& p : ZeforParamList())
    table += "| " + std::to_string(p.Index) + " | " + tZeforParamInfo::KindName(p.Kind) + " | " + Cell(p.Name) +
             " | " + Cell(p.DefaultText()) + " | " + Cell(p.Meaning) + " |\n";
  return table;
}

// The positions of the table in the guide's text: after kBegin, up to kEnd.
bool FindTable(const std::string& text, size_t& from, size_t& to) {
  from = text.find(kBegin);
  if (from == std::string::npos) return false;
  from += sizeof kBegin - 1;
  to = text.find(kEnd, from);
  return to != std::string::npos;
}

int CheckOrUpdate(const std::string& mode, const std::string& file) {
  std::string text;
  size_t from = 0, to = 0;
  if (!platform::ReadWholeFile(file, text) || !FindTable(text, from, to)) {
    std::fprintf(stderr, "paramtable: no parameter table in %s\n", file.c_str());
    return 2;
  }
  std::string table = Table();
  if (text.compare(from, to - from, table) == 0) return 0;
  if (mode == "--update") {
    text.replace(from, to - from, table);
    if (platform::ReplaceWholeFile(file, text)) return 0;
    std::fprintf(stderr, "paramtable: cannot write %s\n", file.c_str());
    return 2;
  }
  std::fprintf(stderr,
               "paramtable: the parameter table in %s differs from the device's list of parameters; "
               "run paramtable --update %s\nThe list gives:\n%s",
               file.c_str(), file.c_str(), table.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) {
    std::fputs(Table().c_str(), stdout);
    return 0;
  }
  std::string mode = argv[1];
  if (argc == 3 && (mode == "--check" || mode == "--update")) return CheckOrUpdate(mode, argv[2]);
  std::fprintf(stderr, "usage: paramtable [--check FILE | --update FILE]\n");
  return 2;
}
