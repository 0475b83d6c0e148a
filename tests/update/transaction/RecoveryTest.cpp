// What a run leaves when it is stopped at any step of putting files in place, and what the
// next run makes of it; files in use; one run at a time.
#include <gtest/gtest.h>

#include <windows.h>
#include <string.h>

#include <string>
#include <vector>

#include "Driver.h"
#include "RecordingUi.h"
#include "Scenario.h"
#include "Texts.h"
#include "Tree.h"
#include "update/transaction/Journal.h"
#include "update/transaction/Placement.h"
#include "update/files/SystemEntry.h"
#include "update/run/UpdateRun.h"

namespace {

using Events = std::vector<std::string>;
const std::string kRecovered = TRecordingUi::BoxEvent(0x40, texts::kRecovered);

class Recovery : public ::testing::Test {
protected:
  void SetUp() override {
    MakeProduct();
    before = support::Snapshot(product);
    cd = t.Sub(L"cd");
  }

  void MakeProduct() {
    product = t.Sub(L"WinTalvo");
    t.Sub(L"WinTalvo\\Blanks");
    Write(L"Vanto.exe", "old");
    Write(L"users.db", "mine");
    Write(L"Blanks\\FORM.RTF", "form-old");
    Write(L"data.dat", "data-old");
    ASSERT_TRUE(SetFileAttributesW(Product(L"data.dat").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesW(Product(L"users.db").c_str(), FILE_ATTRIBUTE_READONLY));
  }

  void Write(const std::wstring& name, const std::string& bytes) {
    ASSERT_TRUE(support::WriteFile(Product(name), bytes));
  }
  std::wstring Product(const std::wstring& name) const { return support::Join(product, name); }
  std::string Ansi(const std::wstring& path) const { return ui::Narrow(path, CP_ACP); }

  // A new run from a medium without archives: its folder check undoes what an earlier run
  // left, then it ends before anything else.
  void CheckAgain() {
    ui.Events.clear();
    ui.HasEnded = false;
    ui.Answers = {IDOK, IDOK};
    TMedium medium = {};
    TWorkDir work;
    TRunLog log;
    TUpdateRun run(ui, work, medium, log);
    run.RunUpdate(Ansi(product).c_str());
    EXPECT_EQ(ui.End, TRunEnd::NotFetched);
    ui.Answers.clear();
  }

  support::TempDir t;
  std::wstring product, cd;
  support::Tree before;
  TRecordingUi ui;
};

TEST_F(Recovery, AStopAfterAnyStepEndsInTheOldTreeOrOnceCommittedTheNew) {
  // Two disks: the second brings a file again, and one more.
  const std::vector<std::vector<std::pair<std::wstring, std::string>>> disks = {
      {{L"Vanto.exe", "new"}, {L"data.dat", "data-new"}, {L"FORM.RTF", "form-new"}},
      {{L"extra.txt", "x"}, {L"Vanto.exe", "newer"}}};
  support::Tree after = before;
  after["Vanto.exe"] = support::TreeEntry("newer");
  after["data.dat"] = support::TreeEntry("data-new");
  after["Blanks\\FORM.RTF"] = support::TreeEntry("form-new");
  after["extra.txt"] = support::TreeEntry("x");

  for (int steps = 0;; ++steps) {
    SCOPED_TRACE("stopped after " + std::to_string(steps) + " steps");
    bool whole = true;
    {
      TFolder folder, forms;
      ASSERT_TRUE(folder.Open(Ansi(product).c_str(), false, true));
      ASSERT_TRUE(forms.Open(Ansi(Product(L"Blanks")).c_str(), false, true));
      TWorkDir work;
      ASSERT_TRUE(work.Make(Ansi(product).c_str()));
      TJournal journal;
      ASSERT_TRUE(journal.Create(work.Folder()));
      TPlacement placing(journal, folder, forms, work.Folder(), work.BackupFolder());
      placing.StopAfter(steps);
      for (const auto& disk : disks) {
        TPass pass;
        for (const auto& [name, bytes] : disk) {
          ASSERT_TRUE(support::WriteFile(support::Join(product, L"Temp1\\" + name), bytes));
          ASSERT_TRUE(pass.Add(Ansi(name).c_str()));
        }
        for (int i = 0; i < pass.Count(); ++i) placing.Examine(pass, i);
        int failed;
        whole = whole && placing.Announce(pass, &failed);
        for (int i = 0; i < pass.Count(); ++i) whole = whole && placing.Place(pass, i);
      }
      whole = whole && placing.Commit();
      work.Keep();  // the process stopped: its work folder stays as it is
    }
    // Every other stop also tears the record it was writing.
    if (steps % 2) {
      HANDLE f = CreateFileW(Product(L"Temp1\\.journal").c_str(), FILE_APPEND_DATA, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(f, INVALID_HANDLE_VALUE);
      DWORD n;
      WriteFile(f, "9c0ffee1 O 7 dat", 16, &n, nullptr);
      CloseHandle(f);
    }
    // Changed, beyond the work folder: what the recovery box speaks of.
    support::Tree stopped = support::Snapshot(product);
    for (auto it = stopped.begin(); it != stopped.end();)
      it = it->first.rfind("Temp1\\", 0) == 0 ? stopped.erase(it) : std::next(it);
    const bool mixed = stopped != before;

    CheckAgain();
    EXPECT_EQ(support::Snapshot(product), whole ? after : before);
    EXPECT_EQ(ui.Events.front() == kRecovered, mixed && !whole) << ui.Events.front();
    if (whole) break;
    ASSERT_TRUE(support::RemoveTree(product));
    ASSERT_NO_FATAL_FAILURE(MakeProduct());
    ASSERT_LT(steps, 40) << "the update never committed";
  }
}

// A folder of the user's that is named like ours has no journal of ours: never touched.
TEST_F(Recovery, AUsersTempFolderIsLeftAlone) {
  ASSERT_TRUE(support::WriteFile(support::Join(t.Sub(L"WinTalvo\\Temp1"), L"keep.txt"), "theirs"));
  ASSERT_TRUE(support::WriteFile(Product(L"Temp1\\.journal"), "not ours"));
  const support::Tree mine = support::Snapshot(product);
  CheckAgain();
  support::Tree now = support::Snapshot(product);
  now.erase("Temp2\\");
  now.erase("Temp2\\.journal");
  EXPECT_EQ(now, mine);
}

class Held : public Recovery {
protected:
  void Press() {
    ASSERT_TRUE(support::WriteZip(support::Join(cd, L"a.zip"),
                                  {{"Vanto.exe", "new"}, {"data.dat", "data-new"}}));
    ui.Events.clear();
    ui.HasEnded = false;
    TMedium medium = {};
    strcpy(medium.Folder, Ansi(cd).c_str());
    TWorkDir work;
    TRunLog log;
    TUpdateRun run(ui, work, medium, log);
    run.RunUpdate(Ansi(product).c_str());
  }
  std::string HeldBox() const {
    return TRecordingUi::BoxEvent(0x31, texts::HeldFile(ui::Utf8(Product(L"data.dat"))));
  }
};

FARPROC NoSystemEntry(const char*, const char*) { return nullptr; }

// Shared reading and writing still count: the data file would be swapped under the program.
// Where the system cannot name the program (XP), the box goes without that line.
TEST_F(Held, AFileInUseIsWaitedForAndCancelLeavesTheProductUnchanged) {
  HANDLE held = CreateFileW(Product(L"data.dat").c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  SystemEntryLookup = NoSystemEntry;
  ui.Answers = {IDCANCEL, IDOK};
  Press();
  SystemEntryLookup = LoadedSystemEntry;
  EXPECT_EQ(ui.Only("box"), (Events{HeldBox(), TRecordingUi::BoxEvent(0x30, texts::kNotChanged)}));
  EXPECT_EQ(ui.End, TRunEnd::NotChanged);
  EXPECT_EQ(support::Snapshot(product), before);

  ui.Answers = {IDOK, IDCANCEL};
  ui.BeforeAnswer = [&](const std::string&) { CloseHandle(held); };
  Press();
  ASSERT_EQ(ui.Only("box").size(), 2u);
  EXPECT_EQ(ui.Only("box")[0].substr(0, HeldBox().size()), HeldBox());
  EXPECT_EQ(ui.End, TRunEnd::Succeeded);
  EXPECT_EQ(support::Snapshot(product)["data.dat"], support::TreeEntry("data-new"));
}

}  // namespace
