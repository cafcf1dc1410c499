// Documents built through the XML model for the round-trip tests and the
// libxml2 differential check, and a canonical dump of a parsed tree that
// both sides can produce.
#pragma once
#include <string>
#include <vector>

#include "xml/simplexml.h"

struct tCorpusDocument {
  std::string Name;
  IXmlDocument Document;
};

std::vector<tCorpusDocument> BuildCorpus();

// One line per element ("E name"), attribute ("A name=value"), run of text
// and CDATA children ("T text", trimmed, skipped when empty), comment ("C
// text") and instruction other than the declaration ("P target data"), "/E"
// after an element's content. Texts are UTF-8 with line breaks as LF; bytes
// below 0x20 (other than LF) and backslashes are written as \xNN. With
// asWritten, the control bytes that the text form drops are left out.
std::string DumpModel(const IXmlDocument& document, bool asWritten = false);

// Helpers shared with the libxml2 side of the dump.
std::string DumpEscape(const std::string& utf8, bool normalizeLineBreaks);
std::string DumpTrim(const std::string& text);
