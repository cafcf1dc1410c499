// The converter library through its real exports, loaded by path as the
// adapter loads it: the information record, both conversions with the
// blocks they hand over, the default character set, the single-byte
// procedure, and the failures that must not leave the library.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "io/printer/markup/quillet_api.h"
#include "nolvex32/nolvex32.h"
#include "platform/platform.h"
#include "support/test_files.h"

namespace {

using namespace QuilletApi;
using TInitDll = uint8_t(ZEF_REGCALL*)(int32_t, int32_t, int32_t, int32_t*, uint8_t*, int32_t);

std::string Bin() { return platform::DirectoryOf(platform::OwnModulePath()); }

class QuilletExports : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = folder_.Path() + "nolvex.log";
    NolvexSetLogPath(log_.c_str());
    library_ = platform::OpenLibrary(Bin() + platform::LibraryFileName(kLibraryBaseName));
    ASSERT_NE(library_, nullptr) << platform::LastLoadError();
    initDll_ = Bind<TInitDll>("INITDLL");
    toPrn_ = Bind<TConvertXMLToPRN>(kConvertXMLToPRN);
    toPrnLocale_ = Bind<TConvertXMLToPRNCharsetLocale>(kConvertXMLToPRNCharsetLocale);
    setCharset_ = Bind<TSetXMLToPRNCharset>(kSetXMLToPRNCharset);
    toXml_ = Bind<TConvertPRNToXML>(kConvertPRNToXML);
    toXmlEx_ = Bind<TConvertPRNToXMLEx>(kConvertPRNToXMLEx);
    setProc_ = Bind<TSetSingleByteToUNICODEProc>(kSetSingleByteToUNICODEProc);
  }
  void TearDown() override {
    if (setCharset_) setCharset_(-1);
    if (setProc_) setProc_(nullptr);
    NolvexSetLogPath(nullptr);
  }
  template <class F>
  F Bind(const char* name) {
    F function = reinterpret_cast<F>(platform::FindFunction(library_, name));
    EXPECT_NE(function, nullptr) << name;
    return function;
  }
  // The bytes of a handed-over block; the receiver frees it.
  static std::string Take(platform::MemHandle block, int32_t size) {
    EXPECT_NE(block, 0u);
    EXPECT_EQ(platform::MemSize(block), size_t(size)) << "the block is exactly as long as its content";
    std::string bytes(static_cast<const char*>(platform::MemLock(block)), size_t(size));
    platform::MemUnlock(block);
    platform::MemFree(block);
    return bytes;
  }
  std::string ToPrn(const std::string& markup) {
    platform::MemHandle block = 0;
    int32_t size = -1;
    EXPECT_TRUE(toPrn_(markup.c_str(), &block, &size));
    return Take(block, size);
  }
  std::string Log() const { return test_files::FileText(log_); }

  test_files::tTempDir folder_{"quillet_exports_"};
  std::string log_;
  platform::LibraryHandle library_ = nullptr;
  TInitDll initDll_ = nullptr;
  TConvertXMLToPRN toPrn_ = nullptr;
  TConvertXMLToPRNCharsetLocale toPrnLocale_ = nullptr;
  TSetXMLToPRNCharset setCharset_ = nullptr;
  TConvertPRNToXML toXml_ = nullptr;
  TConvertPRNToXMLEx toXmlEx_ = nullptr;
  TSetSingleByteToUNICODEProc setProc_ = nullptr;
};

const char kMarkup[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><Unfiscal CutAfter=\"1\"><TextLine Bold=\"1\" Text=\"Итого\"/>"
    "<BarCode Value=\"460123456789\"/></Unfiscal>";

TEST_F(QuilletExports, LoadingTheLibraryIgnoresTheExportTraceCode) { EXPECT_TRUE(NolvexIsIgnored(51)); }

TEST_F(QuilletExports, InitDllFillsOnlyItsFieldsOfTheRecord) {
  uint8_t record[600];
  std::memset(record, 0xAA, sizeof record);
  int32_t error = 0;
  EXPECT_FALSE(initDll_(0, 0, 1, &error, record, 0));
  EXPECT_EQ(error, 114);
  EXPECT_EQ(record[8], 0xAA) << "a refused mode writes nothing";

  ASSERT_TRUE(initDll_(0, 0, 2, &error, record, 0));
  int32_t two, release;
  std::memcpy(&two, record + 8, 4);
  std::memcpy(&release, record + 12, 4);
  EXPECT_EQ(two, 2);
  EXPECT_EQ(release, 52) << "the third part of version 7.0.52.0";
  const std::string description = "Quillet print markup converter";
  EXPECT_EQ(record[280], description.size());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 281), description.size()), description);
  EXPECT_EQ(record[7], 0xAA);
  EXPECT_EQ(record[16], 0xAA);
  EXPECT_EQ(record[279], 0xAA);
  EXPECT_EQ(record[281 + description.size()], 0xAA);
}

TEST_F(QuilletExports, MarkupToPrnWithTheDefaultCharacterSet) {
  EXPECT_EQ(ToPrn(kMarkup),
            "\x1b" "1" "\x1b" "6" "\x1b" "C" "\xD0\x98\xD1\x82\xD0\xBE\xD0\xB3\xD0\xBE\r\n"
            "\x1b" "Q460123456789" "\x1b" ";" "\x1b" "7")
      << "without a set character set and an answer of the POS, texts stay UTF-8";
  EXPECT_EQ(setCharset_(204), 204);
  EXPECT_EQ(ToPrn(kMarkup), "\x1b" "1" "\x1b" "6" "\x1b" "C" "\xC8\xF2\xEE\xE3\xEE\r\n"
                            "\x1b" "Q460123456789" "\x1b" ";" "\x1b" "7");
  EXPECT_EQ(ToPrn(""), "") << "an empty markup gives a block of size 0";
  EXPECT_EQ(ToPrn("<?xml version=\"1.0\"?><Unfiscal/>"), "");
}

TEST_F(QuilletExports, MarkupToPrnWithCharsetAndLocale) {
  platform::MemHandle block = 0;
  int32_t size = 0;
  std::string markup = "<Unfiscal><TextLine Text=\"Việt \u10D0\"/></Unfiscal>";
  ASSERT_TRUE(toPrnLocale_(markup.c_str(), 163, 0, &block, &size));
  EXPECT_EQ(Take(block, size), "\x1b" "1" "\x1b" "6" "Vi\x8Ct ?\r\n");
  ASSERT_TRUE(toPrnLocale_(markup.c_str(), 163, 0x437, &block, &size));
  EXPECT_EQ(Take(block, size), "\x1b" "1" "\x1b" "6" "Vi?t \xB8\r\n") << "Georgian";
}

TEST_F(QuilletExports, FailuresStayInsideTheLibrary) {
  platform::MemHandle block = 77;
  int32_t size = 77;
  EXPECT_FALSE(toPrn_("<Unfiscal><TextLine", &block, &size));
  EXPECT_EQ(block, 0u);
  EXPECT_EQ(size, 0);
  EXPECT_FALSE(toPrn_("<Unfiscal><Drawer Number=\"left\"/></Unfiscal>", &block, &size));
  EXPECT_FALSE(toPrn_(kMarkup, nullptr, &size)) << "no address for the block";
  EXPECT_FALSE(toXmlEx_(2, reinterpret_cast<const uint8_t*>("x\n"), 2, &block, &size));
  EXPECT_EQ(block, 0u);
  std::string log = Log();
  EXPECT_NE(log.find("Quillet.DLL ConvertPRNToXMLEx: Not implemented"), std::string::npos) << log;
  EXPECT_NE(log.find("Quillet.DLL ConvertXMLToPRN: "), std::string::npos) << log;
  EXPECT_FALSE(toXml_(2, nullptr, reinterpret_cast<const uint8_t*>("x\n"), 2, &block, &size));
  EXPECT_FALSE(toXml_(2, nullptr, nullptr, 5, &block, &size));
}

TEST_F(QuilletExports, PrnToMarkupHandsOverTheDocumentText) {
  const tBarCodeDefaults defaults{0, 2, 100, 0};
  const std::string prn = "\x1b" "C" "Total\n" "\x1b" "7";
  platform::MemHandle block = 0;
  int32_t size = 0;
  ASSERT_TRUE(toXml_(1, &defaults, reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()), &block, &size));
  EXPECT_EQ(Take(block, size),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<PRINTUNFISCAL>\r\n"
            "\t<Unfiscal Slip=\"0\" CutAfter=\"1\" Footer=\"0\">\r\n"
            "\t\t<TextLine Bold=\"1\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"2\" Text=\"Total\"/>\r\n"
            "\t</Unfiscal>\r\n</PRINTUNFISCAL>");
}

// A QR code read from PRN keeps its alignment in the markup, but going back
// to a printer it carries height and correction level only.
TEST_F(QuilletExports, QrCodeBackToPrnCarriesHeightAndCorrectionLevel) {
  const tBarCodeDefaults defaults{0, 2, 100, 0};
  const std::string prn = "\x1b" "Z7;30;Left;2" "\x1b" ";" "\x1b" "Xq" "\x1b" ";" "\x1b" "7";
  platform::MemHandle block = 0;
  int32_t size = 0;
  ASSERT_TRUE(toXml_(1, &defaults, reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()), &block, &size));
  const std::string document = Take(block, size);
  const size_t begin = document.find("<Unfiscal "), end = document.find("</Unfiscal>");
  ASSERT_NE(end, std::string::npos) << document;
  const std::string markup = document.substr(begin, end + 11 - begin);
  EXPECT_EQ(markup,
            "<Unfiscal Slip=\"0\" CutAfter=\"1\" Footer=\"0\">\r\n"
            "\t\t<BarCode Type=\"QRCode\" Height=\"7\" CorrectionLevel=\"30%\" Align=\"Left\" FlowTextLines=\"2\" "
            "Value=\"q\"/>\r\n\t</Unfiscal>");
  EXPECT_EQ(ToPrn(markup), "\x1b" "1" "\x1b" "6" "\x1b" "Z7;30" "\x1b" ";" "\x1b" "Xq" "\x1b" ";" "\x1b" "7");
}

// Single-byte text as the POS's procedure would give it: every byte one
// character of the Latin-1 range, upper case.
int32_t ZEF_STDCALL UpperLatin1(const char* source, char16_t* target, int32_t capacity, int32_t charset) {
  int32_t n = 0;
  for (; source[n] && n < capacity; ++n) {
    char c = source[n];
    target[n] = char16_t(uint8_t(c >= 'a' && c <= 'z' ? c - 32 : c));
  }
  return n;
}

TEST_F(QuilletExports, RegisteredProcedureConvertsTheTexts) {
  const tBarCodeDefaults defaults{0, 2, 100, 0};
  const std::string prn = "caf\xE9\n";
  auto convert = [&] {
    platform::MemHandle block = 0;
    int32_t size = 0;
    EXPECT_TRUE(toXml_(0, &defaults, reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()), &block,
                       &size));
    std::string text = Take(block, size);
    size_t at = text.find("Text=\"");
    return text.substr(at + 6, text.find('"', at + 6) - at - 6);
  };
  EXPECT_EQ(setProc_(&UpperLatin1), &UpperLatin1);
  EXPECT_EQ(convert(), "CAF\xC3\xA9");
  EXPECT_EQ(setProc_(nullptr), nullptr);
  EXPECT_EQ(convert(), "caf\xD0\xB9") << "without a procedure: the system code page (1251 here)";
}

}  // namespace
