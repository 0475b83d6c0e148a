// The update run without a window: what it shows, in which order, and what it leaves on the
// disk, driven through a recording stand-in for the window.
#include <gtest/gtest.h>

#include <windows.h>
#include <string.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "Driver.h"
#include "RecordingUi.h"
#include "Scenario.h"
#include "Texts.h"
#include "Tree.h"
#include "update/run/UpdateRun.h"

namespace {

using Events = std::vector<std::string>;

const std::string kMakingWorkDir = u8"stage: Създаване на временна поддиректория...";
const std::string kCopying = u8"stage: Копиране на файлове...";
const std::string kUnpacking = u8"stage: Разархивиране на файлове...";
const std::string kSuccess = TRecordingUi::BoxEvent(0x21, texts::kSucceeded);
const std::string kNoArchive = TRecordingUi::BoxEvent(0x10, texts::kNoArchive);
std::string Disk(int n) { return TRecordingUi::BoxEvent(0x41, texts::Disk(n)); }
const std::string kReallyAbort = TRecordingUi::BoxEvent(0x41, texts::kReallyAbort);
const std::string kRestored = TRecordingUi::BoxEvent(0x30, texts::kRolledBack);
const std::string kNotChanged = TRecordingUi::BoxEvent(0x30, texts::kNotChanged);

class Run : public ::testing::Test {
protected:
  void SetUp() override {
    product = t.Sub(L"WinTalvo");
    t.Sub(L"WinTalvo\\Blanks");
    ASSERT_TRUE(support::WriteFile(Product(L"Vanto.exe"), "old"));
    cd = t.Sub(L"cd");
  }

  std::wstring Product(const std::wstring& name) const { return support::Join(product, name); }
  std::wstring Medium(const std::wstring& name) const { return support::Join(cd, name); }

  // One press of the button: a run of its own over the product folder.
  void Press(bool removable = false) {
    ui.Events.clear();
    ui.HasEnded = false;
    TMedium medium = {};
    strcpy(medium.Folder, ui::Narrow(cd, CP_ACP).c_str());
    medium.Removable = removable;
    TRunLog log;
    TUpdateRun run(ui, work, medium, log);
    run.RunUpdate(ui::Narrow(product, CP_ACP).c_str());
    EXPECT_TRUE(ui.HasEnded);
    EXPECT_TRUE(ui.Answers.empty()) << "answers left over";
  }

  // The events, with each run of file lines sorted: listings come in the file system's order.
  Events Sorted() const {
    Events e = ui.Events;
    for (auto it = e.begin(); it != e.end();) {
      auto end =
          std::find_if(it, e.end(), [](const std::string& s) { return s.rfind("file: ", 0) != 0; });
      std::sort(it, end);
      it = end == it ? it + 1 : end;
    }
    return e;
  }

  support::TempDir t;
  std::wstring product, cd;
  TWorkDir work;
  TRecordingUi ui;
};

TEST_F(Run, OnePassShowsEachStageAndFileThenAsksAboutTheProduct) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}, {"forms/FORM.RTF", "f"}}));
  ASSERT_TRUE(support::WriteZip(Medium(L"b.zip"), {{"Vanto.exe", "new"}}));
  ASSERT_TRUE(support::WriteZip(Medium(L"WinTalvo.zip"), {{"setup.txt", "s"}}));
  ui.Answers = {IDCANCEL};
  Press();

  EXPECT_EQ(Sorted(), (Events{"clear", kMakingWorkDir, kCopying, "file: a.zip", "file: b.zip",
                              kUnpacking, "file: a.zip", "file: b.zip", kCopying, "file: FORM.RTF",
                              "file: Vanto.exe", "file: one.txt", kSuccess}));
  EXPECT_EQ(ui.End, TRunEnd::Succeeded);
  EXPECT_EQ(support::Read(Product(L"Vanto.exe")), "new");
  EXPECT_EQ(support::Read(Product(L"Blanks\\FORM.RTF")), "f");
  EXPECT_FALSE(support::Exists(Product(L"setup.txt")));
  work.Remove();
  EXPECT_FALSE(support::Exists(Product(L"Temp1")));
}

// The disk in the drive is the medium folder; the questions swap it.
TEST_F(Run, ThreeDisksAskForTheSecondAndThirdAndEveryDiskLands) {
  ASSERT_TRUE(support::WriteZip(Medium(L"d1.zip"), {{"one.txt", "1"}}));
  ui.BeforeAnswer = [&](const std::string& box) {
    for (int n : {2, 3}) {
      if (box.find("No " + std::to_string(n)) == std::string::npos) continue;
      ASSERT_TRUE(support::RemoveTree(cd));
      cd = t.Sub(L"cd");
      const std::wstring disk = L"d" + std::to_wstring(n);
      ASSERT_TRUE(support::WriteZip(Medium(disk + L".zip"),
                                    {{"file" + std::to_string(n), disk == L"d2" ? "2" : "3"}}));
    }
  };
  ui.Answers = {IDOK, IDOK, IDCANCEL};
  Press(true);

  EXPECT_EQ(ui.Only("box"), (Events{Disk(2), Disk(3), kSuccess}));
  EXPECT_EQ(ui.Only("stage"), (Events{kMakingWorkDir, kCopying, kUnpacking, kCopying, kCopying,
                                      kUnpacking, kCopying, kCopying, kUnpacking, kCopying}));
  EXPECT_EQ(support::Read(Product(L"one.txt")) + support::Read(Product(L"file2")) +
                support::Read(Product(L"file3")),
            "123");
}

// Cancel, then Cancel again, goes on with the disk in the drive; Cancel, then OK, undoes
// what the earlier disks changed.
TEST_F(Run, CancelCancelAtTheDiskQuestionGoesOnCancelOkRollsBack) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}, {"Vanto.exe", "new"}}));
  ui.Answers = {IDCANCEL, IDCANCEL, IDCANCEL, IDOK, IDOK};
  Press(true);

  EXPECT_EQ(ui.Only("box"), (Events{Disk(2), kReallyAbort, Disk(3), kReallyAbort, kRestored}));
  EXPECT_EQ(ui.Only(kUnpacking).size(), 2u) << "the same disk ran a second pass";
  EXPECT_EQ(ui.End, TRunEnd::RolledBack);
  EXPECT_EQ(support::Read(Product(L"Vanto.exe")), "old");
  EXPECT_FALSE(support::Exists(Product(L"one.txt")));
}

// The other archives are still unpacked, but nothing of that pass goes into the product.
TEST_F(Run, ALibraryErrorLeavesTheProductUnchanged) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
  ASSERT_TRUE(support::WriteFile(Medium(L"bad.zip"), "PK\x03\x04 this is no archive at all"));
  ui.Answers = {IDOK};
  Press();

  EXPECT_EQ(ui.Only("library"), Events{"library: Zip error 3:"});
  EXPECT_EQ(ui.Only("box"), Events{kNotChanged});
  EXPECT_EQ(ui.Only(kCopying).size(), 1u) << "stage 3 ran";
  EXPECT_EQ(ui.End, TRunEnd::NotChanged);
  EXPECT_FALSE(support::Exists(Product(L"one.txt")));
}

TEST_F(Run, NoArchiveEndsBeforeTheProductIsTouched) {
  ui.Answers = {IDOK};
  Press();
  EXPECT_EQ(ui.Events, (Events{"clear", kMakingWorkDir, kCopying, kNoArchive}));
  EXPECT_EQ(ui.End, TRunEnd::NotFetched);
}

TEST_F(Run, AFormWithoutBlanksIsAFailedCopyAndEverythingIsUndone) {
  ASSERT_TRUE(support::RemoveTree(Product(L"Blanks")));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"),
                                {{"A.txt", "a"}, {"FORM.RTF", "f"}, {"Vanto.exe", "new"}}));
  ui.Answers = {IDOK, IDOK};
  Press();
  const std::string work = ui::Utf8(Product(L"Temp1"));
  ASSERT_EQ(ui.Only("box").size(), 2u);
  EXPECT_EQ(ui.Only("box")[0],
            "box 0x10: " + texts::Lines(texts::CopyError(work + "\\FORM.RTF",
                                                         ui::Utf8(Product(L"Blanks\\FORM.RTF"))),
                                        "|"));
  EXPECT_TRUE(ui.Only("box")[1] == kRestored || ui.Only("box")[1] == kNotChanged);
  EXPECT_EQ(support::Read(Product(L"Vanto.exe")), "old");
  EXPECT_FALSE(support::Exists(Product(L"A.txt")));
}

// A product file named like an archive is a file of the product, not an archive of the
// update: it lands as it is, and nothing in it is unpacked.
TEST_F(Run, AnArchiveInsideAnArchiveLandsWhole) {
  ASSERT_TRUE(support::WriteZip(Medium(L"inner.zip"), {{"inner.txt", "i"}}));
  const std::string help = support::Read(Medium(L"inner.zip"));
  ASSERT_TRUE(DeleteFileW(Medium(L"inner.zip").c_str()));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"Help.zip", help}, {"Vanto.exe", "new"}}));
  ui.Answers = {IDCANCEL};
  Press();

  EXPECT_EQ(support::Read(Product(L"Help.zip")), help);
  EXPECT_FALSE(support::Exists(Product(L"inner.txt")));
  const Events e = Sorted();
  auto unpacking = std::find(e.begin(), e.end(), kUnpacking);
  ASSERT_NE(unpacking, e.end());
  EXPECT_EQ(Events(unpacking + 1, unpacking + 3), (Events{"file: a.zip", kCopying}));
  EXPECT_EQ(ui.End, TRunEnd::Succeeded);
}

// Every press is a run of its own: a failure in the first says nothing of the second.
TEST_F(Run, AfterAFailedFetchASecondPressEndsWithTheSuccessQuestion) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
  HANDLE held =
      CreateFileW(Medium(L"a.zip").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ui.Answers = {IDOK};
  Press();
  EXPECT_EQ(ui.End, TRunEnd::NotFetched);
  CloseHandle(held);

  ui.Answers = {IDCANCEL};
  Press();
  EXPECT_EQ(ui.Only("box"), Events{kSuccess});
  EXPECT_EQ(support::Read(Product(L"one.txt")), "1");
  EXPECT_FALSE(support::Exists(Product(L"Temp2"))) << "the first press's work folder stays";
}

// The folder text is trimmed and, when relative, taken from the current folder: the run
// changes the current folder later and the library resolves names its own way.
TEST_F(Run, TheFolderTextIsTrimmedAndMadeWhole) {
  TMedium medium = {};
  TRunLog log;
  const Events accepted = {"clear", kMakingWorkDir, kCopying, kNoArchive};
  ui.Answers = {IDOK, IDOK};
  {
    TUpdateRun first(ui, work, medium, log);
    first.RunUpdate((" \t\r\n " + ui::Narrow(product, CP_ACP) + " \x01 ").c_str());
    EXPECT_EQ(std::string(work.Path()), ui::Narrow(product, CP_ACP) + "\\Temp1");
  }
  ui.HasEnded = false;
  TUpdateRun run(ui, work, medium, log);
  char before[MAX_PATH];
  ASSERT_TRUE(GetCurrentDirectoryA(MAX_PATH, before));
  ASSERT_TRUE(SetCurrentDirectoryW(t.Path().c_str()));
  run.RunUpdate("WinTalvo");
  SetCurrentDirectoryA(before);
  EXPECT_EQ(std::string(work.Path()), ui::Narrow(product, CP_ACP) + "\\Temp1");
  Events twice = accepted;
  twice.insert(twice.end(), accepted.begin(), accepted.end());
  EXPECT_EQ(ui.Events, twice);
}

// A folder text longer than a path is refused as it was typed: cut short, it may name
// another folder, even another product's.
TEST_F(Run, ATooLongFolderTextIsNamedWhole) {
  const std::string typed = ui::Narrow(product, CP_ACP) + "\\" + std::string(300, 'x');
  TMedium medium = {};
  TRunLog log;
  TUpdateRun run(ui, work, medium, log);
  ui.Answers = {IDOK};
  run.RunUpdate(("  " + typed).c_str());
  EXPECT_EQ(ui.Events,
            Events{u8"box 0x10: Въведената папка|" + typed + u8"|е с твърде дълъг път."});
  EXPECT_EQ(ui.End, TRunEnd::FolderRefused);
}

// The window fails in the middle of placing the files and then closes: it says so, and the
// run rolls back; or it throws against its word, and the work folder keeps its journal and
// every backup for the next run, which restores the product.
TEST_F(Run, AWindowThatFailsWhilePlacingFilesNeverCostsABackup) {
  struct TFailingUi : TRecordingUi {
    bool Throws = false;
    int Files = 0;
    bool ShowFile(AnsiText name) override {
      if (++Files < 4) return TRecordingUi::ShowFile(name);
      if (Throws) throw std::bad_alloc();
      return false;
    }
  };
  for (const bool throws : {false, true}) {
    SCOPED_TRACE(throws ? "throws" : "fails");
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"})
      ASSERT_TRUE(support::WriteFile(Product(name), "old"));
    ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"),
                                  {{"a.txt", "new"}, {"b.txt", "new"}, {"c.txt", "new"}}));
    TFailingUi failing;
    failing.Throws = throws;
    failing.Answers = {IDOK};
    TMedium medium = {};
    strcpy(medium.Folder, ui::Narrow(cd, CP_ACP).c_str());
    {
      TWorkDir window;
      TRunLog log;
      TUpdateRun run(failing, window, medium, log);
      if (throws)
        EXPECT_THROW(run.RunUpdate(ui::Narrow(product, CP_ACP).c_str()), std::bad_alloc);
      else
        run.RunUpdate(ui::Narrow(product, CP_ACP).c_str());
    }
    EXPECT_EQ(failing.HasEnded, !throws);
    if (!throws) {
      EXPECT_EQ(failing.End, TRunEnd::RolledBack);
      EXPECT_FALSE(support::Exists(Product(L"Temp1")));
    } else {
      EXPECT_TRUE(support::Exists(Product(L"Temp1\\.journal")));
      EXPECT_EQ(support::List(Product(L"Temp1\\.backup\\0")).size(), 1u);
      ASSERT_TRUE(DeleteFileW(Medium(L"a.zip").c_str()));
      ui.Answers = {IDOK, IDOK};
      Press();
      EXPECT_EQ(ui.Only("box").front(),
                u8"box 0x40: Предишната актуализация е била прекъсната.|"
                u8"Продуктът е възстановен в предишното си състояние.");
    }
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"})
      EXPECT_EQ(support::Read(Product(name)), "old");
  }
}

// Never a step back: the editions are the file versions of the product's program.
const std::string kOlder =
    u8"box 0x31: Носителят съдържа по-старо издание на Талво (2025.4.5.6)|"
    u8"от инсталираното (2026.1.2.3).|Наистина ли искате да продължите?";

std::string Program(const char* path) {
  std::string bytes;
  EXPECT_TRUE(support::ReadFile(support::WindowsPath(path), &bytes));
  return bytes;
}

// OK goes back; the same medium again is the same edition, and a product program without
// its version is never compared: neither asks.
TEST_F(Run, AnOlderEditionIsAskedAboutOnceAndOkPutsItInPlace) {
  const std::string v2025 = Program(TALVO_FAKE_VANTO_2025);
  ASSERT_TRUE(support::WriteFile(Product(L"Vanto.exe"), Program(TALVO_FAKE_VANTO_2026)));
  ASSERT_TRUE(
      support::WriteZip(Medium(L"a.zip"), {{"Program/Vanto.exe", v2025}, {"one.txt", "1"}}));
  ui.Answers = {IDOK, IDCANCEL};
  Press();
  EXPECT_EQ(ui.Only("box"), (Events{kOlder, kSuccess}));
  EXPECT_EQ(support::Read(Product(L"Vanto.exe")), v2025);

  ui.Answers = {IDCANCEL};
  Press();
  EXPECT_EQ(ui.Only("box"), Events{kSuccess});

  ASSERT_TRUE(support::WriteFile(Product(L"Vanto.exe"), Program(TALVO_FAKE_VANTO)));
  ui.Answers = {IDCANCEL};
  Press();
  EXPECT_EQ(ui.Only("box"), Events{kSuccess});
}

// The disk that brings the older program asks; the later disks, which find it still in the
// work folder, do not ask again.
TEST_F(Run, OnFloppiesTheDiskThatBringsTheOlderProgramAsks) {
  ASSERT_TRUE(support::WriteFile(Product(L"Vanto.exe"), Program(TALVO_FAKE_VANTO_2026)));
  ASSERT_TRUE(support::WriteZip(Medium(L"d1.zip"), {{"one.txt", "1"}}));
  const std::string v2025 = Program(TALVO_FAKE_VANTO_2025);
  ui.BeforeAnswer = [&](const std::string& box) {
    if (box.find("No 2") == std::string::npos) return;
    ASSERT_TRUE(support::WriteZip(Medium(L"d1.zip"), {{"Vanto.exe", v2025}}));
  };
  ui.Answers = {IDOK, IDOK, IDOK, IDCANCEL};
  Press(true);
  EXPECT_EQ(ui.Only("box"), (Events{Disk(2), kOlder, Disk(3), kSuccess}));
}

}  // namespace
