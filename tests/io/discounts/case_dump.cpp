// Prints what the preparation makes of one case file (an order description
// with a settings line), for looking into a failing reproducer:
//   CASE=path/to/case.txt discount_case_dump
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "discount_testing.h"
#include "order_checker.h"
#include "platform/platform.h"

using namespace discount_testing;

TEST(CaseDump, PrintsThePreparedCase) {
  const char* path = std::getenv("CASE");
  if (!path) GTEST_SKIP() << "set CASE to a case file";
  std::string text;
  ASSERT_TRUE(platform::ReadWholeFile(path, text)) << path;
  tReferenceAnswers answers;
  const tCaseSettings s = ParseSettings(text);
  tTestRegister reg(s.MaxPayType, s.TaxCount);
  reg.KeepLog();
  const tRunResult run = RunCase(reg, text);
  std::printf("%s", DumpPrepared(reg).c_str());
  if (!run.Error.empty()) std::printf("error: %s\n", run.Error.c_str());
  for (const std::string& line : reg.LogLines()) std::printf("log: %s\n", line.c_str());
  for (const std::string& problem : CheckPrepared(reg, run)) std::printf("problem: %s\n", problem.c_str());
}
