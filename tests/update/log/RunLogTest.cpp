// The log as support reads it: where its lines go, what a line looks like, and how it keeps
// its size.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "Driver.h"
#include "Scenario.h"
#include "update/log/RunLog.h"

namespace {

using Lines = std::vector<std::string>;
const std::string kBom = "\xEF\xBB\xBF";

// Where the lines of a run go is seen end to end; here what may come from outside.
TEST(RunLog, OutsideTextStaysOnItsLine) {
  support::TempDir t;
  const std::wstring product = t.Sub(L"WinTalvo");
  {
    TRunLog log;
    log.Text(L"\r\nМоля, поставете дискета No 2\r\nвъв флопидисковото устройство.");
    TFolder folder;
    ASSERT_TRUE(folder.Open(ui::Narrow(product, CP_ACP).c_str(), false, true));
    log.Attach(folder);
    log.Line(Cp1251Text{"UNZDLL.DLL:"}, AnsiText{"Zip error 3:\nbad\r\n2026-01-01\x01 x"});
  }
  EXPECT_EQ(ui::LogEvents(support::Read(support::Join(product, L"TalvoUpdate.log"))),
            (Lines{u8"Съобщение: Моля, поставете дискета No 2 | във флопидисковото устройство.",
                   u8"UNZDLL.DLL: Zip error 3: bad 2026-01-01  x"}));
}

// Runs of an earlier year, each a first line and numbered lines, to a log just past the limit.
std::string OldLog() {
  std::string log = kBom;
  for (int run = 0; log.size() <= LogLimit; ++run) {
    log += "2025-01-01 00:00:00  TalvoUpdate 1.0.0.0, run " + std::to_string(run) + "\r\n";
    for (int n = 0; n < 9; ++n) log += "2025-01-01 00:00:00  line " + std::to_string(n) + "\r\n";
  }
  return log;
}

TEST(RunLog, PastTheLimitTheOldestHalfGoesWhenARunOpensTheLogFromARunsFirstLine) {
  support::TempDir t;
  const std::wstring product = t.Sub(L"WinTalvo");
  const std::wstring inProduct = support::Join(product, L"TalvoUpdate.log");
  const std::wstring given = support::Join(t.Path(), L"given.log");
  const std::string old = OldLog();
  ASSERT_TRUE(support::WriteFile(inProduct, old));
  ASSERT_TRUE(support::WriteFile(given, old));

  {
    TFolder folder;
    ASSERT_TRUE(folder.Open(ui::Narrow(product, CP_ACP).c_str(), false, true));
    TRunLog runLog;
    runLog.Attach(folder);
    runLog.Line(Cp1251Text{"Папка на продукта:"});
  }
  TRunLog(ui::Narrow(given, CP_ACP).c_str());  // cut as it opens

  // From the first run that begins in the newest half on; then the run's own lines.
  const std::string first = "2025-01-01 00:00:00  TalvoUpdate ";
  const std::string kept = support::Read(given);
  EXPECT_EQ(kept, kBom + old.substr(old.find("\r\n" + first, old.size() - LogLimit / 2) + 2));
  EXPECT_GE(kept.size(), LogLimit / 2 - 600);
  const std::string cut = support::Read(inProduct);
  EXPECT_EQ(cut.substr(0, kept.size()), kept);
  EXPECT_EQ(ui::LogEvents(kBom + cut.substr(kept.size())), Lines{u8"Папка на продукта:"});
  EXPECT_TRUE(TRunLog::Accepts(ui::Narrow(given, CP_ACP).c_str())) << "still a log of ours";
}

// What the command line may name as the log: nothing yet, an empty file or a log of ours.
// Anything else stays byte for byte, however it begins.
TEST(RunLog, OnlyANewFileAnEmptyOneOrALogOfOursIsTaken) {
  support::TempDir t;
  struct Case {
    const wchar_t* name;
    std::string bytes;  // none: no such file
    bool taken;
  } cases[] = {
      {L"new.log", "", true},
      {L"empty.log", "", true},
      {L"ours.log", kBom + "2026-01-01 08:00:00  TalvoUpdate 1.0.0.0, run\r\n", true},
      {L"customers.txt", kBom + "2026-01-01 08:00:00  Иван Петров; София\r\n", false},
      {L"bom.txt", kBom, false},
      {L"Vanto.exe", "MZ program", false},
  };
  for (const Case& c : cases) {
    if (std::wstring(c.name) == L"new.log") continue;
    ASSERT_TRUE(support::WriteFile(support::Join(t.Path(), c.name), c.bytes));
  }
  for (const Case& c : cases) {
    const std::string path = ui::Narrow(support::Join(t.Path(), c.name), CP_ACP);
    EXPECT_EQ(TRunLog::Accepts(path.c_str()), c.taken) << ui::Narrow(c.name, CP_ACP);
    if (!c.taken) {
      TRunLog(path.c_str()).Line(Cp1251Text{"Край:"});
      EXPECT_EQ(support::Read(support::Join(t.Path(), c.name)), c.bytes)
          << ui::Narrow(c.name, CP_ACP);
    }
  }
  EXPECT_FALSE(TRunLog::Accepts(ui::Narrow(t.Path(), CP_ACP).c_str())) << "a folder";
  EXPECT_FALSE(TRunLog::Accepts((t / "gone\\new.log").c_str())) << "in no folder";
  EXPECT_FALSE(TRunLog::Accepts("NUL")) << "a device";
}

}  // namespace
