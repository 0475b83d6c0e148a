// Where the updater looks for UNZDLL.DLL: beside itself, never in the current folder.
#include <gtest/gtest.h>

#include "Driver.h"
#include "Scenario.h"

namespace {

TEST(LibrarySearch, ALibraryInTheCurrentFolderIsNeverLoaded) {
  support::TempDir t;
  const std::wstring product = t.Sub(L"WinTalvo");
  ASSERT_TRUE(support::WriteFile(product + L"\\Vanto.exe", "MZ"));
  const std::wstring medium = t.Sub(L"cd");
  ASSERT_TRUE(support::CopyInto(ui::UpdaterExe(), medium));
  const std::wstring elsewhere = t.Sub(L"elsewhere");
  ASSERT_TRUE(support::CopyInto(ui::UnzDll(), elsewhere));

  ui::App app;
  ASSERT_TRUE(app.Start(support::Join(medium, L"TalvoUpdate.exe"), elsewhere));
  HWND main = app.MainWindow();
  ASSERT_TRUE(main);
  ui::SetText(ui::Control(main, ui::kEditFolder), product);
  ui::Click(ui::Control(main, ui::kBtnInstall));

  ui::Box box = ui::ReadBox(app.WaitBox());
  EXPECT_EQ(u8"Липсващ DLL.\r\nПродуктът не може да се актуализира.", ui::Utf8(box.text));
  EXPECT_EQ(ui::Icon::Error, box.icon);
  ui::Answer(box, IDOK);
  EXPECT_FALSE(support::Exists(product + L"\\Temp1")) << "the folder must not be examined";
  ui::Close(main);
  DWORD code = 1;
  EXPECT_TRUE(app.WaitExit(&code));
}

}  // namespace
