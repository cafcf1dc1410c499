// Every corpus document survives writing and parsing, and is written into
// corpus/ for the libxml2 differential check of the 64-bit build.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "corpus.h"
#include "platform/platform.h"

namespace {

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << data;
  ASSERT_TRUE(file.good()) << path;
}

TEST(Corpus, ParsingTheTextFormGivesTheBuiltTree) {
  for (const tCorpusDocument& entry : BuildCorpus()) {
    SCOPED_TRACE(entry.Name);
    std::string xml = entry.Document->Xml();
    IXmlDocument parsed = ParseXmlDocument(xml);
    EXPECT_EQ(DumpModel(parsed), DumpModel(entry.Document, true));
  }
}

// Text next to child elements picks up the layout's line break on every
// reading, and a parsed Base64 text is no longer raw, so those documents
// change their bytes (not their trimmed texts) when read and written again.
bool ChangesWhenRewritten(const std::string& name) {
  return name == "mixed" || name == "layout" || name == "base64";
}

TEST(Corpus, WritingAParsedDocumentGivesTheSameBytes) {
  for (const tCorpusDocument& entry : BuildCorpus()) {
    if (ChangesWhenRewritten(entry.Name)) continue;
    SCOPED_TRACE(entry.Name);
    std::string xml = entry.Document->Xml();
    std::string once = ParseXmlDocument(xml)->Xml();
    EXPECT_EQ(ParseXmlDocument(once)->Xml(), once);
    if (entry.Name.rfind("random", 0) != 0) {
      EXPECT_EQ(once, xml);
    }
  }
}

TEST(Corpus, IsWrittenForTheDifferentialCheck) {
  const std::string dir = ZEF_XML_CORPUS_DIR;
  std::filesystem::create_directories(dir);
  int written = 0;
  for (const tCorpusDocument& entry : BuildCorpus()) {
    std::string xml = entry.Document->Xml();
    WriteFile(dir + "/" + entry.Name + ".xml", xml);
    WriteFile(dir + "/" + entry.Name + ".dump", DumpModel(ParseXmlDocument(xml)));
    ++written;
  }
  EXPECT_GE(written, 50);
}

}  // namespace
