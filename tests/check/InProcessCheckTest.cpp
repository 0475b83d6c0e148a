// The folder check inside the updater's own process: what it makes of the folder text, and
// the status line it shows while it makes the work folder.
#include <gtest/gtest.h>

#include <string.h>

#include <memory>
#include <string>

#include "Scenario.h"
#include "app/UMain.h"
#include "update/CheckTarget.h"
#include "update/UpdateState.h"

namespace {

// The application and its window, not shown; the update state as at start-up.
class InProcessCheck : public ::testing::Test {
protected:
  void SetUp() override {
    memset(&UpdateState, 0, sizeof UpdateState);
    form.reset(new TFMain);
    FMain = form.get();
    const std::wstring folder = t.Sub(L"WinTalvo");
    product = ui::Narrow(folder, CP_ACP);
    ASSERT_TRUE(ui::WriteFile(ui::Join(folder, L"Vanto.exe"), "MZ"));
  }
  void TearDown() override {
    if (form) form->FormClose();  // takes the work folder away, as closing does
    FMain = nullptr;
  }

  ui::TempDir t;
  TApplication application;
  std::unique_ptr<TFMain> form;
  std::string product;  // ANSI, as the updater holds paths
};

TEST_F(InProcessCheck, AGoodFolderShowsTheWorkFolderStatusLine) {
  form->EditFolder->SetText(product.c_str());
  ASSERT_TRUE(CheckTargetFolder());
  EXPECT_STREQ(form->LblAction->Caption(), "Създаване на временна поддиректория...");
  EXPECT_STREQ(form->LblFile->Caption(), "");
  EXPECT_EQ(std::string(UpdateState.WorkDir), product + "\\Temp1");
  EXPECT_NE(GetFileAttributesA(UpdateState.WorkDir) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST_F(InProcessCheck, TheTargetIsTheTrimmedFolderText) {
  form->EditFolder->SetText((" \t\r\n " + product + " \x01  ").c_str());
  ASSERT_TRUE(CheckTargetFolder());
  EXPECT_EQ(std::string(UpdateState.TargetDir), product);
}

TEST_F(InProcessCheck, ARelativeFolderTextBecomesTheWholePath) {
  char before[MAX_PATH];
  ASSERT_TRUE(GetCurrentDirectoryA(MAX_PATH, before));
  ASSERT_TRUE(SetCurrentDirectoryW(t.Path().c_str()));
  form->EditFolder->SetText("WinTalvo");
  const bool ok = CheckTargetFolder();
  SetCurrentDirectoryA(before);
  ASSERT_TRUE(ok);
  EXPECT_EQ(std::string(UpdateState.TargetDir), product);
  EXPECT_EQ(std::string(UpdateState.WorkDir), product + "\\Temp1");
}

}  // namespace
