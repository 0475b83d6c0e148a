// The log as support reads it: where its lines go, what a line looks like, and how it keeps
// its size.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "Driver.h"
#include "Scenario.h"
#include "update/RunLog.h"

namespace {

using Lines = std::vector<std::string>;
const std::string kBom = "\xEF\xBB\xBF";

// Where the lines of a run go is seen end to end; here what may come from outside.
TEST(RunLog, OutsideTextStaysOnItsLineAndAFileNotOursIsNeverWritten) {
  support::TempDir t;
  const std::wstring product = t.Sub(L"WinTalvo");
  {
    TRunLog log;
    log.Text(L"\r\nМоля, поставете дискета No 2\r\nвъв флопидисковото устройство.");
    log.Attach(ui::Narrow(product, CP_ACP).c_str());
    log.Line(Cp1251Text{"UNZDLL.DLL:"}, AnsiText{"Zip error 3:\nbad\r\n2026-01-01\x01 x"});
  }
  EXPECT_EQ(ui::LogEvents(support::Read(support::Join(product, L"TalvoUpdate.log"))),
            (Lines{u8"Съобщение: Моля, поставете дискета No 2 | във флопидисковото устройство.",
                   u8"UNZDLL.DLL: Zip error 3: bad 2026-01-01  x"}));

  const std::wstring program = support::Join(product, L"Vanto.exe");
  ASSERT_TRUE(support::WriteFile(program, "MZ program"));
  TRunLog(ui::Narrow(program, CP_ACP).c_str()).Line(Cp1251Text{"Край:"});
  EXPECT_EQ(support::Read(program), "MZ program");
}

// Lines of an earlier year, numbered, to a log just past the limit.
std::string OldLog(int* count) {
  std::string log = kBom;
  for (*count = 0; log.size() <= LogLimit; ++*count)
    log += "2025-01-01 00:00:00  line " + std::to_string(*count) + "\r\n";
  return log;
}

TEST(RunLog, PastTheLimitTheOldestHalfGoesWhenARunOpensTheLog) {
  support::TempDir t;
  const std::wstring product = t.Sub(L"WinTalvo");
  const std::wstring inProduct = support::Join(product, L"TalvoUpdate.log");
  const std::wstring given = support::Join(t.Path(), L"given.log");
  int count = 0;
  const std::string old = OldLog(&count);
  ASSERT_TRUE(support::WriteFile(inProduct, old));
  ASSERT_TRUE(support::WriteFile(given, old));

  {
    TRunLog runLog;
    runLog.Attach(ui::Narrow(product, CP_ACP).c_str());
    runLog.Line(Cp1251Text{"Папка на продукта:"});
  }
  TRunLog(ui::Narrow(given, CP_ACP).c_str());  // cut as it opens

  // Whole lines from the first kept on, to the newest; then the run's own.
  const std::string kept = support::Read(given);
  EXPECT_LE(kept.size(), LogLimit / 2 + 3);
  EXPECT_GE(kept.size(), LogLimit / 2 - 64);
  const size_t first = kept.find("line ", 3);
  ASSERT_NE(first, std::string::npos);
  std::string tail = kBom;
  for (int n = std::stoi(kept.substr(first + 5)); n < count; ++n)
    tail += "2025-01-01 00:00:00  line " + std::to_string(n) + "\r\n";
  EXPECT_EQ(kept, tail);
  const std::string cut = support::Read(inProduct);
  EXPECT_EQ(cut.substr(0, kept.size()), kept);
  EXPECT_EQ(ui::LogEvents(kBom + cut.substr(kept.size())), Lines{u8"Папка на продукта:"});
}

}  // namespace
