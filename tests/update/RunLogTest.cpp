// The log as support reads it: where its lines go, what a line looks like, and how it keeps
// its size.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "Scenario.h"
#include "update/RunLog.h"

namespace {

using Lines = std::vector<std::string>;
const std::string kBom = "\xEF\xBB\xBF";

std::string Read(const std::wstring& path) {
  std::string bytes;
  return ui::ReadFile(path, &bytes) ? bytes : "<missing>";
}

TEST(RunLog, LinesWaitForTheProductFolderAndAGivenFileGetsThemAll) {
  ui::TempDir t;
  const std::wstring product = t.Sub(L"WinTalvo"), other = t.Sub(L"Other");
  const std::wstring log = ui::Join(product, L"TalvoUpdate.log");
  for (int run = 0; run < 2; ++run) {
    TRunLog runLog;
    runLog.Line(Cp1251Text{"Носител:"}, AnsiText{"C:\\cd"}, Cp1251Text{"(твърд диск)"});
    EXPECT_EQ(ui::Exists(log), run == 1);
    runLog.Attach(ui::Narrow(product, CP_ACP).c_str());
    runLog.Text(L"\r\nМоля, поставете дискета No 2\r\nвъв флопидисковото устройство.");
    // The library's words may hold anything: they must not start lines of their own.
    runLog.Line(Cp1251Text{"UNZDLL.DLL:"}, AnsiText{"Zip error 3:\nbad\r\n2026-01-01\x01 x"});
  }
  const Lines oneRun = {u8"Носител: C:\\cd (твърд диск)",
                        u8"Съобщение: Моля, поставете дискета No 2 | във флопидисковото устройство.",
                        u8"UNZDLL.DLL: Zip error 3: bad 2026-01-01  x"};
  Lines twoRuns = oneRun;
  twoRuns.insert(twoRuns.end(), oneRun.begin(), oneRun.end());
  EXPECT_EQ(ui::LogEvents(Read(log)), twoRuns) << "appended at every run";

  // A file of the command line has every line from the first; the product folder has none.
  const std::wstring given = ui::Join(other, L"update.log");
  {
    TRunLog runLog(ui::Narrow(given, CP_ACP).c_str());
    runLog.Line(Cp1251Text{"Край:"});
    runLog.Attach(ui::Narrow(other, CP_ACP).c_str());
  }
  EXPECT_EQ(ui::LogEvents(Read(given)), Lines{u8"Край:"});
  EXPECT_FALSE(ui::Exists(ui::Join(other, L"TalvoUpdate.log")));

  // A file that is not a log of ours is never written to, whatever the command line says.
  const std::wstring program = ui::Join(other, L"Vanto.exe");
  ASSERT_TRUE(ui::WriteFile(program, "MZ program"));
  TRunLog(ui::Narrow(program, CP_ACP).c_str()).Line(Cp1251Text{"Край:"});
  EXPECT_EQ(Read(program), "MZ program");
}

// Lines of an earlier year, numbered, to a log just past the limit.
std::string OldLog(int* count) {
  std::string log = kBom;
  for (*count = 0; log.size() <= LogLimit; ++*count)
    log += "2025-01-01 00:00:00  line " + std::to_string(*count) + "\r\n";
  return log;
}

TEST(RunLog, PastTheLimitTheOldestHalfGoesWhenARunOpensTheLog) {
  ui::TempDir t;
  const std::wstring product = t.Sub(L"WinTalvo");
  const std::wstring inProduct = ui::Join(product, L"TalvoUpdate.log");
  const std::wstring given = ui::Join(t.Path(), L"given.log");
  int count = 0;
  const std::string old = OldLog(&count);
  ASSERT_TRUE(ui::WriteFile(inProduct, old));
  ASSERT_TRUE(ui::WriteFile(given, old));

  {
    TRunLog runLog;
    runLog.Attach(ui::Narrow(product, CP_ACP).c_str());
    runLog.Line(Cp1251Text{"Папка на продукта:"});
  }
  TRunLog(ui::Narrow(given, CP_ACP).c_str());  // cut as it opens

  // Whole lines from the first kept on, to the newest; then the run's own.
  const std::string kept = Read(given);
  ASSERT_EQ(kept.compare(0, 3, kBom), 0);
  EXPECT_LE(kept.size(), LogLimit / 2 + 3);
  EXPECT_GE(kept.size(), LogLimit / 2 - 64);
  const size_t first = kept.find("line ", 3);
  ASSERT_NE(first, std::string::npos);
  std::string tail = kBom;
  for (int n = std::stoi(kept.substr(first + 5)); n < count; ++n)
    tail += "2025-01-01 00:00:00  line " + std::to_string(n) + "\r\n";
  EXPECT_EQ(kept, tail);
  const std::string cut = Read(inProduct);
  EXPECT_EQ(cut.substr(0, kept.size()), kept);
  EXPECT_EQ(ui::LogEvents(kBom + cut.substr(kept.size())), Lines{u8"Папка на продукта:"});

  // Under the limit nothing goes.
  const std::string small = kBom + "2025-01-01 00:00:00  line\r\n";
  ASSERT_TRUE(ui::WriteFile(given, small));
  TRunLog(ui::Narrow(given, CP_ACP).c_str()).Line(Cp1251Text{"x"});
  EXPECT_EQ(Read(given).compare(0, small.size(), small), 0);
}

}  // namespace
