// Where the updater starts from decides how many disks it asks for: one pass from a fixed
// drive, a question for the next disk after each pass from a floppy.
#include <gtest/gtest.h>

#include "Driver.h"
#include "Scenario.h"
#include "Texts.h"

namespace {

class RemovableFloppy : public ::testing::Test {
protected:
  void SetUp() override {
    product = t.Sub(L"WinTalvo");
    ASSERT_TRUE(support::WriteFile(support::Join(product, L"Vanto.exe"), "MZ"));
  }

  // A disk with the updater, its library and one archive.
  std::wstring MakeDisk(const std::wstring& name) {
    const std::wstring disk = t.Sub(name);
    EXPECT_FALSE(ui::MakeMedium(disk).empty());
    EXPECT_TRUE(support::WriteZip(support::Join(disk, L"new.zip"), {{"readme.txt", "disk 1"}}));
    return disk;
  }

  // Starts the updater and presses the update button for the product folder.
  void StartUpdate(const std::wstring& exe) {
    ASSERT_TRUE(app.Start(exe, t.Path()));
    w = app.MainWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(ui::SetText(ui::Control(w, ui::kEditFolder), product));
    ui::Click(ui::Control(w, ui::kBtnInstall));
  }

  // After the first pass: the archive's file is in the product folder.
  void ExpectFirstPassDone() {
    std::string readme;
    EXPECT_TRUE(support::ReadFile(support::Join(product, L"readme.txt"), &readme));
    EXPECT_EQ(readme, "disk 1");
  }

  // exitCode: 0 after an update, 2 when it did not complete.
  void ExpectClosedAndClean(DWORD exitCode) {
    EXPECT_TRUE(ui::WaitGone(w));
    DWORD code = 9;
    ASSERT_TRUE(app.WaitExit(&code));
    EXPECT_EQ(code, exitCode);
    EXPECT_FALSE(support::Exists(support::Join(product, L"Temp1"))) << "work folder left behind";
  }

  support::TempDir t;
  ui::App app;
  std::wstring product;
  HWND w = nullptr;
};

TEST_F(RemovableFloppy, FixedDriveMeansOnePassAndNoDiskQuestion) {
  StartUpdate(support::Join(MakeDisk(L"cd"), L"TalvoUpdate.exe"));

  ui::Box box = ui::ReadBox(app.WaitBox());
  EXPECT_EQ(ui::Utf8(box.text), texts::kSucceeded);
  EXPECT_EQ(box.icon, ui::Icon::Question);
  ExpectFirstPassDone();
  ASSERT_TRUE(ui::Answer(box, IDCANCEL));
  ExpectClosedAndClean(0);
}

TEST_F(RemovableFloppy, FloppyMeansAQuestionForTheNextDisk) {
  ui::Floppy a;
  ASSERT_TRUE(a.SwapDisk(MakeDisk(L"disk1")));
  StartUpdate(L"A:\\TalvoUpdate.exe");

  ui::Box disk = ui::ReadBox(app.WaitBox());
  EXPECT_EQ(ui::Utf8(disk.caption), texts::kCaption);
  EXPECT_EQ(ui::Utf8(disk.text), texts::Disk(2));
  EXPECT_EQ(disk.icon, ui::Icon::Information);
  EXPECT_EQ(disk.buttons, (std::vector<int>{IDOK, IDCANCEL}));
  ExpectFirstPassDone();

  // Declining the disk and confirming the abort ends the run without the success question,
  // and the first pass is undone.
  ASSERT_TRUE(ui::Answer(disk, IDCANCEL));
  ui::Box abort = ui::ReadBox(app.WaitBox());
  EXPECT_EQ(ui::Utf8(abort.text), texts::kReallyAbort);
  EXPECT_EQ(abort.icon, ui::Icon::Information);
  ASSERT_TRUE(ui::Answer(abort, IDOK));
  ui::Box end = ui::ReadBox(app.WaitBox());
  EXPECT_EQ(ui::Utf8(end.text), texts::kRolledBack);
  EXPECT_EQ(end.icon, ui::Icon::Warning);
  ASSERT_TRUE(ui::Answer(end, IDOK));
  ExpectClosedAndClean(2);
  EXPECT_FALSE(support::Exists(support::Join(product, L"readme.txt")));
}

}  // namespace
