// The libxml2 differential check: every corpus document (NAME.xml) is parsed
// by libxml2 and its tree dumped as DumpModel dumps the model's parse of the
// same bytes (NAME.dump); the two must be equal.
//
//   xml_libxml2_check DIR              check the corpus the 32-bit tests wrote
//   xml_libxml2_check --generate DIR   write this build's corpus, then check it
//
// Exit code 77 when DIR holds no corpus.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "corpus.h"

namespace {

std::string Text(const xmlChar* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

// The name as written: libxml2 keeps a prefix apart.
std::string QualifiedName(xmlNodePtr node) {
  std::string name = Text(node->name);
  return node->ns && node->ns->prefix ? Text(node->ns->prefix) + ":" + name : name;
}

std::string Content(xmlNodePtr node) {
  xmlChar* content = xmlNodeGetContent(node);
  std::string text = Text(content);
  xmlFree(content);
  return text;
}

void DumpNodes(xmlNodePtr first, std::string& out) {
  std::string run;
  auto flush = [&] {
    std::string text = DumpTrim(run);
    if (!text.empty()) out += "T " + DumpEscape(text, true) + "\n";
    run.clear();
  };
  for (xmlNodePtr node = first; node; node = node->next) {
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
      run += Text(node->content);
      continue;
    }
    flush();
    if (node->type == XML_COMMENT_NODE) {
      out += "C " + DumpEscape(Text(node->content), true) + "\n";
    } else if (node->type == XML_PI_NODE) {
      out += "P " + Text(node->name) + " " + DumpEscape(Text(node->content), true) + "\n";
    } else if (node->type == XML_ELEMENT_NODE) {
      out += "E " + QualifiedName(node) + "\n";
      for (xmlAttrPtr attr = node->properties; attr; attr = attr->next)
        out += "A " + QualifiedName(reinterpret_cast<xmlNodePtr>(attr)) + "=" +
               DumpEscape(Content(reinterpret_cast<xmlNodePtr>(attr)), false) + "\n";
      DumpNodes(node->children, out);
      out += "/E\n";
    }
  }
  flush();
}

bool ReadFile(const std::string& path, std::string& data) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream text;
  text << file.rdbuf();
  data = text.str();
  return true;
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
}

std::vector<std::string> CorpusNames(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* entry = readdir(d)) {
      std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0) names.push_back(name.substr(0, name.size() - 4));
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// An empty string when libxml2 reads the document as the model did.
std::string Check(const std::string& dir, const std::string& name) {
  std::string xml, expected;
  if (!ReadFile(dir + "/" + name + ".xml", xml) || !ReadFile(dir + "/" + name + ".dump", expected))
    return "missing file";
  xmlDocPtr doc = xmlReadMemory(xml.data(), int(xml.size()), nullptr, nullptr, XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR);
  if (!doc) {
    const xmlError* error = xmlGetLastError();
    return "libxml2 rejects it: " + std::string(error && error->message ? error->message : "?");
  }
  std::string actual;
  DumpNodes(doc->children, actual);
  xmlFreeDoc(doc);
  if (actual == expected) return std::string();
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  size_t lineStart = expected.rfind('\n', at == 0 ? 0 : at - 1);
  lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
  auto line = [lineStart](const std::string& dump) {
    return dump.substr(lineStart, dump.find('\n', lineStart) - lineStart);
  };
  return "differs at byte " + std::to_string(at) + ":\n  model:   " + line(expected) + "\n  libxml2: " + line(actual);
}

void Generate(const std::string& dir) {
  mkdir(dir.c_str(), 0755);
  for (const tCorpusDocument& entry : BuildCorpus()) {
    std::string xml = entry.Document->Xml();
    WriteFile(dir + "/" + entry.Name + ".xml", xml);
    WriteFile(dir + "/" + entry.Name + ".dump", DumpModel(ParseXmlDocument(xml)));
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir;
  if (argc == 3 && std::string(argv[1]) == "--generate") {
    dir = argv[2];
    Generate(dir);
  } else if (argc == 2) {
    dir = argv[1];
  } else {
    std::fprintf(stderr, "usage: xml_libxml2_check [--generate] DIR\n");
    return 2;
  }
  // Both builds write the same corpus: a folder short of it checked too little.
  std::vector<std::string> names = CorpusNames(dir);
  const size_t expected = BuildCorpus().size();
  if (names.size() != expected) {
    std::printf("%zu documents in %s, %zu expected (run the 32-bit XML tests first)\n", names.size(), dir.c_str(),
                expected);
    return 1;
  }
  int passed = 0, failed = 0;
  for (const std::string& name : names) {
    std::string problem = Check(dir, name);
    if (problem.empty()) {
      ++passed;
    } else {
      ++failed;
      std::printf("FAILED %s: %s\n", name.c_str(), problem.c_str());
    }
  }
  xmlCleanupParser();
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed ? 1 : 0;
}
