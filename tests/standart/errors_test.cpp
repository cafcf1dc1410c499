// The error service over the real nolvex32 stand-in: what is logged, what is
// raised, and what the current-error record holds.
#include <gtest/gtest.h>

#include <string>

#include "nolvex32/nolvex32.h"
#include "platform/platform.h"
#include "support/test_files.h"
#include "standart/errors.h"

namespace {

class ErrorService : public ::testing::Test {
 protected:
  void SetUp() override {
    NolvexReset();
    dir_ = test_files::UniqueTempDir("errors_test_");
    logPath_ = dir_ + "errors.log";
    NolvexSetLogPath(logPath_.c_str());
  }
  void TearDown() override { test_files::RemoveTree(dir_); }
  std::string dir_;

  std::string Log() {
    std::string text;
    platform::ReadWholeFile(logPath_, text);
    return text;
  }
  size_t LogLines() {
    std::string text = Log();
    size_t n = 0;
    for (char c : text) n += c == '\n';
    return n;
  }

  std::string logPath_;
};

std::string MessageOf(void (*report)()) {
  try {
    report();
  } catch (const ProcessErrorException& e) {
    return e.what();
  }
  return "<no exception>";
}

TEST_F(ErrorService, DescriptorWithoutRaiseAndUnwantedCodeDoesNothing) {
  NolvexSetSilent(3700, 1);
  tErrorDescriptor d = ErrorDescriptor(3700, "quiet %d", false);
  EXPECT_NO_THROW(RaiseDescribedError(d, 5));
  EXPECT_EQ(LogLines(), 0u);
  NolvexSetSilent(3700, 0);
}

TEST_F(ErrorService, RaisedDescriptorCarriesCodeInMessage) {
  static tErrorDescriptor d = ErrorDescriptor(3485, "Attribute \"%s\" is not found");
  EXPECT_EQ(MessageOf([] { RaiseDescribedError(d, "Name"); }), "KVTERR(3485):Attribute \"Name\" is not found");
  EXPECT_TRUE(NolvexIsRaised(3485));
  EXPECT_NE(Log().find("3485: Attribute \"Name\" is not found"), std::string::npos);
}

TEST_F(ErrorService, LeadingByteOneDropsThePrefix) {
  static tErrorDescriptor d = ErrorDescriptor(3486, "\x01" "plain text");
  EXPECT_EQ(MessageOf([] { RaiseDescribedError(d); }), "plain text");
  EXPECT_EQ(ProcessErrorException::MessageFor(7, "\x01"), "");
}

TEST_F(ErrorService, LongTextGetsAFullTextLine) {
  tErrorDescriptor d = ErrorDescriptor(3701, "%s", false);
  RaiseDescribedError(d, std::string(256, 'a'));
  EXPECT_EQ(Log().find("Full text for"), std::string::npos);
  RaiseDescribedError(d, std::string(257, 'b'));
  EXPECT_NE(Log().find("Full text for 3701: " + std::string(257, 'b') + "\n"), std::string::npos);
}

TEST_F(ErrorService, RepeatCountEndsInIgnore) {
  tErrorDescriptor d = ErrorDescriptor(3702, "repeated", false, 3);
  RaiseDescribedError(d);
  RaiseDescribedError(d);
  EXPECT_FALSE(NolvexIsIgnored(3702));
  RaiseDescribedError(d);
  EXPECT_TRUE(NolvexIsIgnored(3702));
  EXPECT_EQ(d.RepeatCount, 1);
  size_t lines = LogLines();
  RaiseDescribedError(d);  // ignored from now on: nothing more is logged
  EXPECT_EQ(LogLines(), lines);
  EXPECT_EQ(lines, 3u);
}

TEST_F(ErrorService, MinorCodeIsNeverRaisedAndCarriesNoContext) {
  tErrorDescriptor d = ErrorDescriptor(51, "trace %d");
  platform::SetLastOSError(5);
  try {
    throw std::runtime_error("current");
  } catch (...) {
    EXPECT_NO_THROW(RaiseDescribedError(d, 1));
  }
  const tNewErrorInfo* rec = GetErrorInfoPtr();
  EXPECT_EQ(rec->Code, 51);
  EXPECT_EQ(rec->Kind, 6);
  EXPECT_EQ(rec->OSError, 0u);
  EXPECT_EQ(rec->ReturnAddress, 0u);
  EXPECT_EQ(rec->ExceptionAddress, 0u);
  EXPECT_EQ(rec->ExceptionText[0], 0);
  EXPECT_EQ(rec->Flags, 0x08);
}

TEST_F(ErrorService, ReportInsideAnExceptionTakesItsMessage) {
  try {
    throw std::runtime_error("disk full");
  } catch (...) {
    RaiseErrorFmt(3703, "write failed %s", "log");
  }
  const tNewErrorInfo* rec = GetErrorInfoPtr();
  EXPECT_EQ(ShortStringValue(rec->Text), "write failed log");
  EXPECT_EQ(ShortStringValue(rec->ExceptionText), "disk full");
  EXPECT_EQ(std::string(rec->FullMessage, size_t(rec->FullMessageLength)), "disk full");
  EXPECT_GT(rec->ExceptionAddress, 1u);
  EXPECT_EQ(rec->Kind, 3);
}

TEST_F(ErrorService, AbortIsStoredAsNoException) {
  try {
    throw EAbort();
  } catch (...) {
    RaiseError(3704, "while aborting");
  }
  const tNewErrorInfo* rec = GetErrorInfoPtr();
  EXPECT_EQ(rec->ExceptionAddress, 1u);
  EXPECT_EQ(rec->ExceptionText[0], 0);
}

TEST_F(ErrorService, RaiseErrorFollowsTheServicesAnswer) {
  EXPECT_NO_THROW(RaiseError(3705, "not excepted"));
  ExceptErrorCodes({3705});
  EXPECT_EQ(MessageOf([] { RaiseError(3705, "now 100%% raised"); }), "KVTERR(3705):now 100%% raised");
  EXPECT_EQ(MessageOf([] { RaiseErrorFmt(3705, "%d%%", 50); }), "KVTERR(3705):50%");
}

TEST_F(ErrorService, BadFormatLeavesTheTextEmpty) {
  ExceptErrorCodes({3706});
  EXPECT_EQ(MessageOf([] { RaiseErrorFmt(3706, "%d and %s", "text"); }), "KVTERR(3706):");
}

TEST_F(ErrorService, LogIsCutAfterAHundredChecks) {
  int32_t before = NolvexCutCount();
  for (int i = 0; i < 101; ++i) RaiseErrorFmt(3707, "entry %d", i);
  EXPECT_GE(NolvexCutCount(), before + 1);
}

TEST_F(ErrorService, ErrorContextTravelsWithItsException) {
  ErrorContextBlock block;
  try {
    throw std::logic_error("from another task");
  } catch (...) {
    RaiseError(3708, "saved");
    block = SaveErrorContext();
  }
  RaiseError(3709, "overwritten");
  try {
    RestoreErrorContext(std::move(block), true);
    FAIL() << "no rethrow";
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "from another task");
  }
  EXPECT_EQ(GetErrorInfoPtr()->Code, 3708);
  EXPECT_NO_THROW(RestoreErrorContext(SaveErrorContext(), false));
}

TEST_F(ErrorService, ExceptionNamesAndMessages) {
  auto abort = std::make_exception_ptr(EAbort());
  EXPECT_TRUE(IsExceptionNamed(abort, "eabort"));
  EXPECT_FALSE(IsExceptionNamed(abort, "ProcessErrorException"));
  EXPECT_EQ(ExceptionMessage(std::make_exception_ptr(ProcessErrorException(3, "x"))), "KVTERR(3):x");
  EXPECT_EQ(ExceptionMessage(std::make_exception_ptr(42)), "Unknown exception");
  EXPECT_EQ(ExceptionMessage(), "Unknown exception");
}

TEST_F(ErrorService, DataHandleIsFreedWithTheLastCopy) {
  platform::MemHandle h = platform::MemAlloc(platform::kMemMovable, 16);
  {
    ProcessErrorException e(100, "x");
    e.SetDataHandle(h);
    ProcessErrorException copy = e;
    EXPECT_EQ(copy.DataHandle(), h);
  }
  EXPECT_EQ(platform::MemSize(h), 0u);  // freed: the handle no longer names a block
}

TEST_F(ErrorService, ShortStringsAreCutAt255) {
  uint8_t buf[256];
  StoreShortString(buf, std::string(300, 'z'));
  EXPECT_EQ(buf[0], 255);
  EXPECT_EQ(ShortStringValue(buf), std::string(255, 'z'));
}

}  // namespace
