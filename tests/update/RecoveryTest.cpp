// What a run leaves when it is stopped at any step of putting files in place, and what the
// next run makes of it; files in use; one run at a time.
#include <gtest/gtest.h>

#include <windows.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "Driver.h"
#include "RecordingUi.h"
#include "Scenario.h"
#include "update/Journal.h"
#include "update/Placement.h"
#include "update/SystemEntry.h"
#include "update/UpdateRun.h"

namespace {

using Events = std::vector<std::string>;
// Every file under a folder: its bytes, and "(ro)" for a read-only one.
using Tree = std::map<std::wstring, std::string>;

void Collect(const std::wstring& dir, const std::wstring& prefix, Tree* tree) {
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW(ui::Join(dir, L"*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = d.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = ui::Join(dir, name);
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      (*tree)[prefix + name + L"\\"] = "";
      Collect(path, prefix + name + L"\\", tree);
    } else {
      std::string bytes;
      ui::ReadFile(path, &bytes);
      (*tree)[prefix + name] = bytes + (d.dwFileAttributes & FILE_ATTRIBUTE_READONLY ? "(ro)" : "");
    }
  } while (FindNextFileW(h, &d));
  FindClose(h);
}

// The product's files: the updater's log is none of them.
Tree TreeOf(const std::wstring& dir) {
  Tree tree;
  Collect(dir, L"", &tree);
  tree.erase(L"TalvoUpdate.log");
  return tree;
}

const std::string kRecovered =
    u8"box 0x40: Предишната актуализация е била прекъсната.|Продуктът е възстановен в предишното си състояние.";

class Recovery : public ::testing::Test {
protected:
  void SetUp() override {
    product = t.Sub(L"WinTalvo");
    t.Sub(L"WinTalvo\\Blanks");
    Write(L"Vanto.exe", "old");
    Write(L"users.db", "mine");
    Write(L"Blanks\\FORM.RTF", "form-old");
    Write(L"data.dat", "data-old");
    ASSERT_TRUE(SetFileAttributesW(Product(L"data.dat").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesW(Product(L"users.db").c_str(), FILE_ATTRIBUTE_READONLY));
    before = TreeOf(product);
    cd = t.Sub(L"cd");
  }

  void Write(const std::wstring& name, const std::string& bytes) {
    ASSERT_TRUE(ui::WriteFile(Product(name), bytes));
  }
  std::wstring Product(const std::wstring& name) const { return ui::Join(product, name); }
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

  ui::TempDir t;
  std::wstring product, cd;
  Tree before;
  TRecordingUi ui;
};

TEST_F(Recovery, AStopAfterAnyStepEndsInTheOldTreeOrOnceCommittedTheNew) {
  // Two disks: the second brings a file again, and one more.
  const std::vector<std::vector<std::pair<std::wstring, std::string>>> disks = {
      {{L"Vanto.exe", "new"}, {L"data.dat", "data-new"}, {L"FORM.RTF", "form-new"}},
      {{L"extra.txt", "x"}, {L"Vanto.exe", "newer"}}};
  Tree after = before;
  after[L"Vanto.exe"] = "newer";
  after[L"data.dat"] = "data-new";
  after[L"Blanks\\FORM.RTF"] = "form-new";
  after[L"extra.txt"] = "x";

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
          ASSERT_TRUE(ui::WriteFile(ui::Join(product, L"Temp1\\" + name), bytes));
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
    Tree stopped = TreeOf(product);
    for (auto it = stopped.begin(); it != stopped.end();)
      it = it->first.rfind(L"Temp1\\", 0) == 0 ? stopped.erase(it) : std::next(it);
    const bool mixed = stopped != before;

    CheckAgain();
    EXPECT_EQ(TreeOf(product), whole ? after : before);
    EXPECT_EQ(ui.Events.front() == kRecovered, mixed && !whole) << ui.Events.front();
    if (whole) break;
    ASSERT_TRUE(ui::RemoveTree(product));
    product = t.Sub(L"WinTalvo");
    t.Sub(L"WinTalvo\\Blanks");
    for (const auto& [name, bytes] : before) {
      if (name.back() == L'\\') continue;
      const bool ro = bytes.size() > 4 && bytes.compare(bytes.size() - 4, 4, "(ro)") == 0;
      Write(name, ro ? bytes.substr(0, bytes.size() - 4) : bytes);
      if (ro) SetFileAttributesW(Product(name).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    ASSERT_LT(steps, 40) << "the update never committed";
  }
}

// A folder of the user's that is named like ours has no journal of ours: never touched.
TEST_F(Recovery, AUsersTempFolderIsLeftAlone) {
  ASSERT_TRUE(ui::WriteFile(ui::Join(t.Sub(L"WinTalvo\\Temp1"), L"keep.txt"), "theirs"));
  ASSERT_TRUE(ui::WriteFile(Product(L"Temp1\\.journal"), "not ours"));
  const Tree mine = TreeOf(product);
  CheckAgain();
  Tree now = TreeOf(product);
  now.erase(L"Temp2\\");
  now.erase(L"Temp2\\.journal");
  EXPECT_EQ(now, mine);
}

class Held : public Recovery {
protected:
  void Press() {
    ASSERT_TRUE(ui::WriteZip(ui::Join(cd, L"a.zip"), {{"Vanto.exe", "new"}, {"data.dat", "data-new"}}));
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
    return u8"box 0x31: Файлът|" + ui::Utf8(Product(L"data.dat")) +
           u8"|се използва от друга програма.|Затворете я и натиснете OK.";
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
  EXPECT_EQ(ui.Only("box"), (Events{HeldBox(), u8"box 0x30: Актуализацията не е завършена.|Продуктът не е променен."}));
  EXPECT_EQ(ui.End, TRunEnd::NotChanged);
  EXPECT_EQ(TreeOf(product), before);

  ui.Answers = {IDOK, IDCANCEL};
  ui.BeforeAnswer = [&](const std::string&) { CloseHandle(held); };
  Press();
  ASSERT_EQ(ui.Only("box").size(), 2u);
  EXPECT_EQ(ui.Only("box")[0].substr(0, HeldBox().size()), HeldBox());
  EXPECT_EQ(ui.End, TRunEnd::Succeeded);
  EXPECT_EQ(TreeOf(product)[L"data.dat"], "data-new");
}

}  // namespace
