// The update button checks the folder text before anything else: a wrong folder is refused
// with one box and stays selected for correcting; a good one gets a fresh work folder, which
// closing the window takes away again. The medium has no archive, so a run that passes the
// check stops at "Липсващ ZIP файл." with its work folder in place and the window open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Check.h"
#include "Driver.h"
#include "Scenario.h"
#include "Texts.h"
#include "UpdaterTest.h"

namespace {

const char kCannotMake[] = u8"Грешка при създаване на директория\r\n";

using Names = std::vector<std::wstring>;
using check::TempEntries;

class FolderCheck : public ui::UpdaterTest {
protected:
  void SetUp() override {
    product = t.Sub(L"WinTalvo");
    ASSERT_TRUE(support::WriteFile(support::Join(product, L"Vanto.exe"), "MZ"));
    ui::UpdaterTest::SetUp();
  }

  // Types the folder text, presses Актуализация and reads the box that comes up.
  ui::Box Update(const std::wstring& text) {
    EXPECT_TRUE(ui::SetText(edit, text));
    ui::Click(install);
    ui::Box box = ui::ReadBox(app.WaitBox());
    EXPECT_NE(box.hwnd, nullptr) << "no box after Актуализация";
    return box;
  }

  // One error box with the window's caption and these lines; OK closes it.
  void ExpectError(const ui::Box& box, const std::string& text) {
    EXPECT_EQ(ui::Utf8(box.caption), texts::kCaption);
    EXPECT_EQ(ui::Utf8(box.text), text);
    EXPECT_EQ(box.icon, ui::Icon::Error);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(ui::Answer(box, IDOK));
  }

  // After a refusal: the window is open, its folder text whole selected and focused, so the
  // user can type the right one; no second box follows.
  void ExpectReadyToCorrect() {
    EXPECT_TRUE(ui::WaitUntil([&] { return ui::Focus(w) == edit; })) << "focus not on the folder";
    int start = -1, end = -1;
    EXPECT_TRUE(ui::Selection(edit, &start, &end));
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, static_cast<int>(ui::Text(edit).size())) << "folder text not all selected";
    EXPECT_EQ(app.WaitBox(300), nullptr) << "a second box";
    EXPECT_TRUE(IsWindow(w));
  }

  // After the check passed: the run stops for want of an archive, window open.
  void ExpectPassed(const ui::Box& box) {
    EXPECT_EQ(ui::Utf8(box.text), texts::kNoArchive) << "the folder check did not pass";
    EXPECT_TRUE(ui::Answer(box, IDOK));
  }

  // By the Отказ button, or by the title bar's close box.
  void CloseWindow(bool closeBox = false) {
    if (closeBox) {
      ui::Close(w);
    } else {
      ui::Click(cancel);
    }
    ExpectClosed();
  }

  std::wstring product;
};

// ---- Refusals ------------------------------------------------------------------------------

TEST_F(FolderCheck, AnEmptyOrBlankTextAsksForAFolder) {
  for (const wchar_t* text : {L"", L"  \t  "}) {
    SCOPED_TRACE(ui::Utf8(L"text \"" + std::wstring(text) + L"\""));
    ExpectError(Update(text), texts::kEnterFolder);
    ExpectReadyToCorrect();
  }
}

TEST_F(FolderCheck, AFolderThatDoesNotExistIsRefused) {
  ExpectError(Update(support::Join(t.Path(), L"NoSuchFolder")), texts::kMissing);
  ExpectReadyToCorrect();
}

TEST_F(FolderCheck, APathEndingInABackslashCountsAsMissing) {
  ExpectError(Update(product + L"\\"), texts::kMissing);
  ExpectReadyToCorrect();
  EXPECT_EQ(TempEntries(product), Names{}) << "a refusal made a work folder";
}

TEST_F(FolderCheck, ABareDriveRootCountsAsMissing) {
  for (const wchar_t* root : {L"C:\\", L"Z:\\"}) {
    SCOPED_TRACE(ui::Utf8(root));
    ExpectError(Update(root), texts::kMissing);
    ExpectReadyToCorrect();
  }
}

TEST_F(FolderCheck, AFolderWithoutTheProgramIsNotTheProductFolder) {
  const std::wstring other = t.Sub(L"Other");
  ASSERT_TRUE(support::WriteFile(support::Join(other, L"Vanto.ex"), "MZ"));
  ExpectError(Update(other), texts::kNotProduct);
  ExpectReadyToCorrect();
  EXPECT_EQ(TempEntries(other), Names{}) << "a refusal made a work folder";
}

TEST_F(FolderCheck, WildcardsNeverStandForTheFolder) {
  // Each pattern matches the product folder or its program by a directory search.
  const std::wstring parent = t.Path();
  for (const std::wstring& text : {support::Join(parent, L"WinTalv?"),
                                   support::Join(parent, L"Win*"), support::Join(product, L"*")}) {
    SCOPED_TRACE(ui::Utf8(text));
    ui::Box box = Update(text);
    EXPECT_NE(ui::Utf8(box.text), texts::kNoArchive) << "a pattern was taken for the folder";
    EXPECT_EQ(box.icon, ui::Icon::Error);
    EXPECT_TRUE(ui::Answer(box, IDOK));
    ExpectReadyToCorrect();
  }
  EXPECT_EQ(TempEntries(product), Names{});
}

TEST_F(FolderCheck, TheBoxTakesTheWindowsCaptionAsItIsAtThatMoment) {
  for (const wchar_t* caption : {L"Друго заглавие", L""}) {
    SCOPED_TRACE(ui::Utf8(L"caption \"" + std::wstring(caption) + L"\""));
    ASSERT_TRUE(ui::SetText(w, caption));
    ui::Box box = Update(L"");
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(ui::Utf8(box.text), texts::kEnterFolder);
    EXPECT_TRUE(ui::Answer(box, IDOK));
  }
}

// ---- What counts as the folder ----------------------------------------------------------------

TEST_F(FolderCheck, BlanksAroundTheFolderAreTrimmed) {
  ExpectPassed(Update(L"  \t " + product + L"   "));
  EXPECT_EQ(TempEntries(product), Names{L"Temp1\\"});
  EXPECT_TRUE(support::IsDir(support::Join(product, L"Temp1")));
}

TEST_F(FolderCheck, TheProgramNameIsMatchedWithoutRegardToCase) {
  const std::wstring lower = t.Sub(L"Lower");
  ASSERT_TRUE(support::WriteFile(support::Join(lower, L"vanto.EXE"), "MZ"));
  ExpectPassed(Update(lower));
  EXPECT_EQ(TempEntries(lower), Names{L"Temp1\\"});
}

// A cut text may name another folder, even another product's: the box names the folder as
// it was typed.
TEST_F(FolderCheck, AnOverlongTextIsRefusedAsTooLongAndNamedAsTyped) {
  // The first 259 characters name a folder that exists; the whole text names nothing.
  const std::wstring deep = check::MakeDeepFolder(t.Sub(L"deep"), 259);
  ASSERT_EQ(deep.size(), 259u);
  const std::wstring typed = deep + L"\\" + std::wstring(40, L'x');
  ExpectError(Update(L"  " + typed), texts::TooLong(ui::Utf8(typed)));
  ExpectReadyToCorrect();
}

// The program is there, but the folder is too deep for the paths an update needs: the box
// says so and names the folder as the system spells it (é and ü under 1252).
TEST_F(FolderCheck, AProductFolderTooDeepForItsProgramsPathIsRefusedAsTooLong) {
  const bool western = GetACP() == 1252;
  const std::wstring base = t.Sub(western ? L"B\u00FCro\\Caf\u00E9" : L"Фирма\\Талво");
  const std::wstring deep = check::MakeDeepFolder(base, 252);
  ASSERT_EQ(deep.size(), 252u);
  ASSERT_TRUE(support::WriteFile(L"\\\\?\\" + support::Join(deep, L"Vanto.exe"), "MZ"));
  ExpectError(Update(deep), texts::TooLong(ui::Utf8(deep)));
  ExpectReadyToCorrect();
}

// ---- The work folder -------------------------------------------------------------------------

TEST_F(FolderCheck, TakenTempNamesAreSkippedWhetherFoldersOrFiles) {
  ASSERT_TRUE(support::WriteFile(support::Join(t.Sub(L"WinTalvo\\Temp1"), L"keep.txt"), "theirs"));
  ASSERT_TRUE(support::WriteFile(support::Join(product, L"Temp2"), "a file"));
  ExpectPassed(Update(product));
  EXPECT_EQ(TempEntries(product), (Names{L"Temp1\\", L"Temp2", L"Temp3\\"}));
  EXPECT_TRUE(support::IsDir(support::Join(product, L"Temp3")));

  CloseWindow();
  // Only the folder this run made goes; what was there before stays as it was.
  EXPECT_EQ(TempEntries(product), (Names{L"Temp1\\", L"Temp2"}));
  std::string bytes;
  EXPECT_TRUE(support::ReadFile(support::Join(product, L"Temp1\\keep.txt"), &bytes));
  EXPECT_EQ(bytes, "theirs");
  EXPECT_TRUE(support::ReadFile(support::Join(product, L"Temp2"), &bytes));
  EXPECT_EQ(bytes, "a file");
}

// The folder takes no new entry; its lock file was there from an earlier run, so the run may
// go on, and the work folder is what cannot be made.
TEST_F(FolderCheck, AWorkFolderThatCannotBeMadeIsNamedInTheBox) {
  ASSERT_TRUE(support::WriteFile(support::Join(product, L"TalvoUpdate.lck"), ""));
  check::ReadOnlyFolder readOnly(product);
  if (!readOnly.Ok()) GTEST_SKIP() << "this file system cannot make a folder read-only for root";
  ui::Box box = Update(product);
  // While the box is up the status lines say what was being done, the file line empty; each
  // runs from x 16 to the frame's right edge.
  ui::Shot seen;
  EXPECT_TRUE(
      ui::Shows(w, 16, 176, ui::RenderLabel(L"Създаване на временна поддиректория...", 450), &seen))
      << "the status line does not show the work folder's creation";
  EXPECT_TRUE(ui::Shows(w, 16, 190, ui::RenderLabel(L"", 450), &seen))
      << "the file line is not empty";
  ExpectError(box, kCannotMake + ui::Utf8(support::Join(product, L"Temp1")));
  ExpectReadyToCorrect();
  EXPECT_EQ(TempEntries(product), Names{});
  CloseWindow();
  EXPECT_TRUE(support::Exists(support::Join(product, L"Vanto.exe")));
}

// No lock and none can be made: the folder cannot be written, which is no other run. Refused
// as the work folder would be, and nothing is made.
TEST_F(FolderCheck, AFolderWhereNoLockCanBeMadeIsRefusedAndNothingIsMade) {
  check::ReadOnlyFolder readOnly(product);
  if (!readOnly.Ok()) GTEST_SKIP() << "this file system cannot make a folder read-only for root";
  ExpectError(Update(product), kCannotMake + ui::Utf8(support::Join(product, L"Temp1")));
  EXPECT_EQ(TempEntries(product), Names{});
  ui::Click(cancel);
  EXPECT_TRUE(ui::WaitGone(w));
  DWORD code = 0;
  ASSERT_TRUE(app.WaitExit(&code));
  EXPECT_EQ(code, 2u) << "not busy: trying again later does not help";
}

TEST_F(FolderCheck, ClosingTheWindowDeletesTheWorkFolderWithEverythingInIt) {
  ExpectPassed(Update(product));
  const std::wstring work = support::Join(product, L"Temp1");
  ASSERT_TRUE(support::IsDir(work));
  // What a run leaves there: files, a subfolder, a read-only file.
  ASSERT_TRUE(support::WriteFile(support::Join(work, L"new.dll"), "new"));
  ASSERT_TRUE(support::WriteFile(support::Join(t.Sub(L"WinTalvo\\Temp1\\Blanks"), L"FORM.RTF"),
                                 "{\\rtf1}"));
  const std::wstring readOnly = support::Join(work, L"locked.txt");
  ASSERT_TRUE(support::WriteFile(readOnly, "ro"));
  ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));

  CloseWindow();
  EXPECT_FALSE(support::Exists(work)) << "work folder left behind";
  EXPECT_TRUE(support::Exists(support::Join(product, L"Vanto.exe")));
}

TEST_F(FolderCheck, ClosingBeforeAnyRunTouchesNothing) {
  ASSERT_TRUE(support::WriteFile(support::Join(t.Sub(L"WinTalvo\\Temp1"), L"old.txt"), "old"));
  ASSERT_TRUE(ui::SetText(edit, product));
  CloseWindow();
  EXPECT_TRUE(support::Exists(support::Join(product, L"Temp1\\old.txt")));
  EXPECT_TRUE(support::Exists(support::Join(product, L"Vanto.exe")));
}

TEST_F(FolderCheck, ARefusedFolderTouchesNothingAndClosingAfterItNeither) {
  ASSERT_TRUE(support::WriteFile(support::Join(t.Sub(L"WinTalvo\\Temp1"), L"old.txt"), "old"));
  ExpectError(Update(product + L"\\"), texts::kMissing);
  CloseWindow();
  EXPECT_EQ(TempEntries(product), Names{L"Temp1\\"});
  EXPECT_TRUE(support::Exists(support::Join(product, L"Temp1\\old.txt")));
}

TEST_F(FolderCheck, ASecondPressLeavesOnlyOneWorkFolder) {
  // Temp1 is someone else's: the runs use Temp2 and must never touch Temp1.
  ASSERT_TRUE(support::WriteFile(support::Join(t.Sub(L"WinTalvo\\Temp1"), L"old.txt"), "old"));
  ExpectPassed(Update(product));
  ASSERT_EQ(TempEntries(product), (Names{L"Temp1\\", L"Temp2\\"}));
  ASSERT_TRUE(support::WriteFile(support::Join(product, L"Temp2\\first.txt"), "first run"));

  ExpectPassed(Update(product));
  EXPECT_EQ(TempEntries(product), (Names{L"Temp1\\", L"Temp2\\"}));
  EXPECT_FALSE(support::Exists(support::Join(product, L"Temp2\\first.txt")))
      << "the first run's work folder was not taken away";
  EXPECT_TRUE(support::Exists(support::Join(product, L"Temp1\\old.txt")));

  CloseWindow();
  EXPECT_EQ(TempEntries(product), Names{L"Temp1\\"});
}

TEST_F(FolderCheck, ARunInAnotherFolderTakesAwayTheFirstRunsWorkFolder) {
  const std::wstring second = t.Sub(L"Second");
  ASSERT_TRUE(support::WriteFile(support::Join(second, L"Vanto.exe"), "MZ"));
  ExpectPassed(Update(product));
  ASSERT_EQ(TempEntries(product), Names{L"Temp1\\"});

  ExpectPassed(Update(second));
  EXPECT_EQ(TempEntries(product), Names{});
  EXPECT_EQ(TempEntries(second), Names{L"Temp1\\"});

  CloseWindow();
  EXPECT_EQ(TempEntries(second), Names{});
}

TEST_F(FolderCheck, ARefusalAfterAGoodRunKeepsItsWorkFolderUntilClose) {
  ExpectPassed(Update(product));
  ExpectError(Update(L""), texts::kEnterFolder);
  ExpectReadyToCorrect();
  EXPECT_EQ(TempEntries(product), Names{L"Temp1\\"});
  CloseWindow(/*closeBox=*/true);
  EXPECT_EQ(TempEntries(product), Names{});
}

}  // namespace

// ---- A whole run from a folder text relative to where the updater was started ----------------

TEST(RelativeFolder, IsTheFolderWhereTheUpdaterWasStarted) {
  support::TempDir t;
  const std::wstring product = t.Sub(L"WinTalvo");
  ASSERT_TRUE(CopyFileW(support::WindowsPath(TALVO_FAKE_VANTO).c_str(),
                        support::Join(product, L"Vanto.exe").c_str(), FALSE));
  const std::wstring medium = t.Sub(L"medium");
  const std::wstring exe = ui::MakeMedium(medium);
  ASSERT_FALSE(exe.empty());
  ASSERT_TRUE(support::WriteZip(support::Join(medium, L"new.zip"), {{"readme.txt", "new"}}));
  ui::App app;
  ASSERT_TRUE(app.Start(exe, t.Path()));  // started in the product folder's parent
  HWND w = app.MainWindow();
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(ui::SetText(ui::Control(w, ui::kEditFolder), L"WinTalvo"));
  ui::Click(ui::Control(w, ui::kBtnInstall));

  ui::Box box = ui::ReadBox(app.WaitBox());
  ASSERT_EQ(ui::Utf8(box.text), texts::kSucceeded);
  EXPECT_TRUE(support::Exists(support::Join(product, L"readme.txt")));
  ASSERT_TRUE(ui::Answer(box, IDOK));
  DWORD code = 1;
  ASSERT_TRUE(app.WaitExit(&code));
  std::string record;
  // Both lines: the product may still be writing its record when it first shows.
  EXPECT_TRUE(ui::WaitUntil([&] {
    size_t first;
    return support::ReadFile(support::Join(product, L"vanto-ran.txt"), &record) &&
           (first = record.find("\r\n")) != record.npos &&
           record.find("\r\n", first + 2) != record.npos;
  })) << "the product was not started";
  // Its second line is the product's current directory: the product folder itself.
  std::wstring lines = ui::Wide(record), want = product + L"\r\n";
  CharLowerBuffW(&lines[0], static_cast<DWORD>(lines.size()));
  CharLowerBuffW(&want[0], static_cast<DWORD>(want.size()));
  EXPECT_NE(lines.find(L"\r\n" + want), std::wstring::npos) << record;
  EXPECT_EQ(TempEntries(product), Names{}) << "work folder left behind";
}
