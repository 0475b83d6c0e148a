// The command line is outside input: what it may say, and that nothing else gets through.
#include <gtest/gtest.h>

#include <string>

#include "app/CommandLine.h"

namespace {

TEST(CommandLine, SwitchesInAnyCaseWithValuesQuotedWholeOrInPart) {
  TCommandLine line = ParseCommandLine(
      " /dir=\"C:\\Program Files\\Talvo 2\"  /Silent\t/LOG=C:\\t.log /AllowDowngrade ");
  EXPECT_FALSE(line.Refused);
  EXPECT_STREQ(line.Dir, "C:\\Program Files\\Talvo 2");
  EXPECT_STREQ(line.Log, "C:\\t.log");
  EXPECT_TRUE(line.Silent && line.AllowDowngrade);
  EXPECT_FALSE(line.Help);

  line = ParseCommandLine("\"/DIR=C:\\a b\" /LOG=\"C:\\my logs\"\\x.log");
  EXPECT_FALSE(line.Refused);
  EXPECT_STREQ(line.Dir, "C:\\a b");
  EXPECT_STREQ(line.Log, "C:\\my logs\\x.log");
  EXPECT_FALSE(line.Silent);

  EXPECT_TRUE(ParseCommandLine("/?").Help && ParseCommandLine("/help").Help);
  line = ParseCommandLine("");
  EXPECT_FALSE(line.Refused || line.Help || line.Silent || line.Dir[0] || line.Log[0]);

  const std::string longest(MAX_PATH - 1, 'a');
  EXPECT_STREQ(ParseCommandLine(("/DIR=" + longest).c_str()).Dir, longest.c_str());
}

TEST(CommandLine, AnythingElseIsRefusedAndSilentStillCounts) {
  for (const char* bad :
       {"/FOO", "DIR=C:\\x", "-SILENT", "/SILENT=1", "/HELP=", "/DIR", "/DIR=", "/DIR=\"\"",
        "/DIR=a /DIR=b", "/SILENT /silent", "/DIR=\"C:\\x", "/DIRECTORY=C:\\x", "/D=C:\\x"})
    EXPECT_TRUE(ParseCommandLine(bad).Refused) << bad;
  // Values longer than a path, and a token longer than anything, never overrun a buffer.
  EXPECT_TRUE(ParseCommandLine(("/DIR=" + std::string(MAX_PATH, 'a')).c_str()).Refused);
  EXPECT_TRUE(ParseCommandLine(("/LOG=" + std::string(100000, 'a')).c_str()).Refused);

  const TCommandLine line = ParseCommandLine("/FOO /SILENT");
  EXPECT_TRUE(line.Refused && line.Silent);
}

}  // namespace
