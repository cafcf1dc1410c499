// Base64 against Python's encoder, line lengths and the decoder's checks.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "xml/simplexml.h"

namespace {

const int kLineLengths[] = {0, 3, 4, 7, 76, 80};

// Python's base64 of every block, broken into lines of L characters (L
// lowered to a multiple of 4) joined by CRLF, one result per line.
const char kReference[] = R"(
import base64, struct, sys
data = open(sys.argv[1], 'rb').read()
out = open(sys.argv[2], 'w', newline='')
pos = 0
while pos < len(data):
    (n,) = struct.unpack_from('<I', data, pos)
    block = data[pos + 4:pos + 4 + n]
    pos += 4 + n
    text = base64.b64encode(block).decode()
    for length in (0, 3, 4, 7, 76, 80):
        step = length // 4 * 4
        if step >= 4:
            lines = [text[i:i + step] for i in range(0, len(text), step)]
            out.write('\r\n'.join(lines).replace('\r\n', '|') + '\n')
        else:
            out.write(text + '\n')
)";

std::string Escaped(const std::string& text) {
  std::string out = text;
  for (size_t p; (p = out.find("\r\n")) != std::string::npos;) out.replace(p, 2, "|");
  return out;
}

TEST(Base64, AgreesWithPythonForEveryLengthUpTo4096) {
  const std::string dir = ZEF_XML_TEST_DIR;
  const std::string blocksPath = dir + "/base64_blocks.bin";
  const std::string resultPath = dir + "/base64_python.txt";
  const std::string scriptPath = dir + "/base64_reference.py";
  std::mt19937 random(4648);
  std::vector<std::string> blocks;
  {
    std::ofstream file(blocksPath, std::ios::binary | std::ios::trunc);
    for (uint32_t n = 0; n <= 4096; ++n) {
      std::string block(n, '\0');
      for (char& c : block) c = char(random());
      char length[4] = {char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
      file.write(length, 4);
      file << block;
      blocks.push_back(block);
    }
    std::ofstream(scriptPath, std::ios::trunc) << kReference;
  }
  std::remove(resultPath.c_str());
  ASSERT_EQ(std::system(("python3 '" + scriptPath + "' '" + blocksPath + "' '" + resultPath + "'").c_str()), 0);
  std::ifstream results(resultPath, std::ios::binary);
  std::string expected;
  for (const std::string& block : blocks)
    for (int length : kLineLengths) {
      ASSERT_TRUE(std::getline(results, expected)) << "python output ends early";
      std::string ours = Base64Encode(block, length);
      ASSERT_EQ(Escaped(ours), expected) << "block of " << block.size() << " bytes, line length " << length;
      ASSERT_EQ(Base64Decode(ours), block) << "block of " << block.size() << " bytes, line length " << length;
    }
}

TEST(Base64, EdgeCases) {
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Decode(""), "");
  EXPECT_EQ(Base64Decode(" \r\n\t"), "");
  EXPECT_EQ(Base64Decode("QQ=="), "A");
  EXPECT_EQ(Base64Decode("QUI="), "AB");
  EXPECT_EQ(Base64Decode(" QU\r\nJD "), "ABC");
  for (const char* bad : {"Q", "QQ", "QQQ", "QQ=Q", "Q===", "====", "QQ==QQ==", "QQ!=", "QUJDR"})
    EXPECT_THROW(Base64Decode(bad), SimpleXMLException) << bad;
  try {
    Base64Decode("Q");
  } catch (const SimpleXMLException& e) {
    EXPECT_STREQ(e.what(), "Bad Base64 format");
  }
}

TEST(Base64, LineLength80BreaksAfterEvery80Characters) {
  std::string bytes(200, '\x5A');  // 200 bytes: 268 characters
  std::string text = Base64Encode(bytes, 80);
  EXPECT_EQ(text.size(), 268u + 3 * 2);
  EXPECT_EQ(text.substr(80, 2), "\r\n");
  EXPECT_EQ(text.substr(162, 2), "\r\n");
  EXPECT_EQ(text.substr(244, 2), "\r\n");
  EXPECT_NE(text.substr(text.size() - 2), "\r\n");
  // 60 bytes make exactly one full line: no break after the last group.
  EXPECT_EQ(Base64Encode(std::string(60, 'x'), 80).size(), 80u);
  EXPECT_EQ(Base64Encode("ABCDEFG", 6), "QUJD\r\nREVG\r\nRw==");  // 6 lowered to 4
}

}  // namespace
