#pragma once
// The one fixture that starts the updater: by default the test starts with the updater's main
// window on screen, started from a medium folder of the test's own (with its unpacking
// library beside it, no archive), in the test's folder, and the window's controls found.
// Scenarios that lay out a medium of their own first override SetUp and call Launch.
//
//   class FolderCheck : public ui::UpdaterTest { ... };
//   TEST_F(FolderCheck, ...) { ui::SetText(edit, L"..."); ui::Click(install); ... }
#include <gtest/gtest.h>

#include <string>

#include "Driver.h"
#include "Scenario.h"

namespace ui {

class UpdaterTest : public ::testing::Test {
protected:
  void SetUp() override {
    const std::wstring exe = MakeMedium(t.Sub(L"medium"));
    ASSERT_FALSE(exe.empty());
    Launch(exe);
  }

  // Starts the updater at exe in the test's folder and finds its window and controls.
  void Launch(const std::wstring& exe) {
    ASSERT_TRUE(app.Start(exe, t.Path()));
    w = app.MainWindow();
    ASSERT_NE(w, nullptr);
    edit = Control(w, kEditFolder);
    browse = Control(w, kBtnBrowse);
    install = Control(w, kBtnInstall);
    cancel = Control(w, kBtnCancel);
    ASSERT_TRUE(edit && browse && install && cancel);
  }

  // The window goes away and the process ends, with 2: it closed without an update.
  void ExpectClosed() {
    EXPECT_TRUE(WaitGone(w));
    DWORD code = 0;
    ASSERT_TRUE(app.WaitExit(&code));
    EXPECT_EQ(code, 2u);
  }

  support::TempDir t;
  App app;
  HWND w = nullptr, edit = nullptr, browse = nullptr, install = nullptr, cancel = nullptr;
};

}  // namespace ui
