// The main window as a person meets it: its frame and layout, the keyboard, and closing.
#include <gtest/gtest.h>

#include "Driver.h"
#include "Scenario.h"

namespace {

const char kCaption[] = u8" Актуализация на Талво";
const wchar_t kStartFolder[] = L"C:\\WinTalvo";

::testing::AssertionResult SameRect(const RECT& r, int left, int top, int width, int height) {
  if (r.left == left && r.top == top && r.right - r.left == width && r.bottom - r.top == height) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "(" << r.left << ", " << r.top << ") " << r.right - r.left << " x "
         << r.bottom - r.top << ", expected (" << left << ", " << top << ") " << width << " x "
         << height;
}

// The updater started from a medium folder of the test's own (with the unpacking library
// beside it when this build has one), its window shown.
class MainWindow : public ::testing::Test {
protected:
  void SetUp() override {
    const std::wstring medium = t.Sub(L"medium");
    ASSERT_TRUE(ui::CopyInto(ui::UpdaterExe(), medium));
    if (!ui::UnzDll().empty()) {
      ASSERT_TRUE(ui::CopyInto(ui::UnzDll(), medium));
    }
    ASSERT_TRUE(app.Start(ui::Join(medium, L"TalvoUpdate.exe"), t.Path()));
    w = app.MainWindow();
    ASSERT_NE(w, nullptr);
    edit = ui::Control(w, ui::kEditFolder);
    browse = ui::Control(w, ui::kBtnBrowse);
    install = ui::Control(w, ui::kBtnInstall);
    cancel = ui::Control(w, ui::kBtnCancel);
    ASSERT_TRUE(edit && browse && install && cancel);
    ASSERT_TRUE(ui::WaitUntil([&] { return ui::Focus(w) == edit; }));
  }

  ::testing::AssertionResult FocusMovesTo(HWND control) {
    if (ui::WaitUntil([&] { return ui::Focus(w) == control; })) {
      return ::testing::AssertionSuccess();
    }
    HWND focus = ui::Focus(w);
    return ::testing::AssertionFailure()
           << "focus is on " << (focus ? ui::Utf8(ui::ClassName(focus)) : "nothing") << " \""
           << ui::Utf8(ui::Text(focus)) << "\", not on \"" << ui::Utf8(ui::Text(control)) << "\"";
  }

  bool WholeTextSelected(HWND control) {
    int start = -1, end = -1;
    return ui::Selection(control, &start, &end) && start == 0 &&
           end == static_cast<int>(ui::Text(control).size());
  }

  // The window goes away and the process ends normally.
  void ExpectClosed() {
    EXPECT_TRUE(ui::WaitGone(w));
    DWORD code = 1;
    ASSERT_TRUE(app.WaitExit(&code));
    EXPECT_EQ(code, 0u);
  }

  ui::TempDir t;
  ui::App app;
  HWND w = nullptr, edit = nullptr, browse = nullptr, install = nullptr, cancel = nullptr;
};

TEST_F(MainWindow, IsAFixedDialogWithItsCaption) {
  EXPECT_EQ(ui::Utf8(ui::Text(w)), kCaption);
  const LONG style = ui::Style(w);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU) << "close box";
  EXPECT_FALSE(style & WS_THICKFRAME) << "resizable";
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);

  RECT r{};
  GetWindowRect(w, &r);
  EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1) << "centred";
  EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1) << "centred";
}

TEST_F(MainWindow, LaysOutItsControlsAsDesigned) {
  EXPECT_TRUE(SameRect(ui::ClientRect(w), 0, 0, 472, 306));
  EXPECT_TRUE(SameRect(ui::RectInParent(edit), 86, 214, 258, 21));
  EXPECT_TRUE(SameRect(ui::RectInParent(browse), 346, 213, 40, 23));
  EXPECT_TRUE(SameRect(ui::RectInParent(install), 86, 264, 110, 27));
  EXPECT_TRUE(SameRect(ui::RectInParent(cancel), 276, 264, 110, 27));
  EXPECT_TRUE(SameRect(ui::RectInParent(ui::Control(w, ui::kPanel)), 8, 8, 456, 90));

  EXPECT_EQ(ui::Text(edit), kStartFolder);
  EXPECT_EQ(ui::Utf8(ui::Text(browse)), "...");
  EXPECT_EQ(ui::Utf8(ui::Text(install)), u8"Актуализация");
  EXPECT_EQ(ui::Utf8(ui::Text(cancel)), u8"Отказ");
  EXPECT_EQ(ui::Style(install) & BS_TYPEMASK, BS_DEFPUSHBUTTON) << "default button";
  for (HWND c : {edit, browse, install, cancel}) {
    EXPECT_TRUE(IsWindowVisible(c) && IsWindowEnabled(c)) << ui::Utf8(ui::Text(c));
  }
}

TEST_F(MainWindow, StartsWithTheWholeFolderTextSelected) {
  EXPECT_EQ(ui::Focus(w), edit);
  EXPECT_TRUE(WholeTextSelected(edit));
}

TEST_F(MainWindow, TabCyclesThroughFolderAndButtons) {
  ui::Press(w, VK_TAB);
  EXPECT_TRUE(FocusMovesTo(browse));
  ui::Press(w, VK_TAB);
  EXPECT_TRUE(FocusMovesTo(install));
  ui::Press(w, VK_TAB);
  EXPECT_TRUE(FocusMovesTo(cancel));
  ASSERT_TRUE(ui::SetText(edit, L"C:\\Other"));
  ui::Press(w, VK_TAB);
  ASSERT_TRUE(FocusMovesTo(edit));
  EXPECT_TRUE(WholeTextSelected(edit)) << "the edit box selects all on keyboard focus";
}

TEST_F(MainWindow, ShiftTabCyclesBackwards) {
  ui::HoldKey shift(w, VK_SHIFT);
  for (HWND next : {cancel, install, browse, edit}) {
    ui::Press(w, VK_TAB);
    EXPECT_TRUE(FocusMovesTo(next));
  }
}

TEST_F(MainWindow, EscClosesTheWindow) {
  ui::Press(w, VK_ESCAPE);
  ExpectClosed();
}

TEST_F(MainWindow, EscClosesTheWindowFromAButtonToo) {
  ui::Press(w, VK_TAB);
  ASSERT_TRUE(FocusMovesTo(browse));
  ui::Press(w, VK_ESCAPE);
  ExpectClosed();
}

TEST_F(MainWindow, CancelButtonClosesTheWindow) {
  ui::Click(cancel);
  ExpectClosed();
}

TEST_F(MainWindow, CloseBoxClosesTheWindow) {
  ui::Close(w);
  ExpectClosed();
}

TEST_F(MainWindow, AltF4ClosesTheWindow) {
  ui::PressAlt(w, VK_F4);
  ExpectClosed();
}

TEST_F(MainWindow, EnterInTheFolderBoxPressesUpdate) {
#ifndef TALVO_HAS_RUN_UPDATE
  GTEST_SKIP() << "the update run is not in the tree yet";
#endif
  ASSERT_FALSE(ui::UnzDll().empty()) << "the update checks the folder only with its library";
  ASSERT_TRUE(ui::SetText(edit, L"   "));
  ui::Press(w, VK_RETURN);
  ui::Box box = ui::ReadBox(app.WaitBox());
  ASSERT_NE(box.hwnd, nullptr) << "no box after Enter";
  EXPECT_EQ(ui::Utf8(box.caption), kCaption);
  EXPECT_EQ(ui::Utf8(box.text), u8"Моля, въведете директория.");
  EXPECT_EQ(box.icon, ui::Icon::Error);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  ASSERT_TRUE(ui::Answer(box, IDOK));
  EXPECT_TRUE(FocusMovesTo(edit));
  EXPECT_TRUE(IsWindow(w)) << "a refused folder leaves the window open";
}

TEST_F(MainWindow, EnterOnTheBrowseButtonPressesBrowse) {
#ifndef TALVO_HAS_BROWSE
  GTEST_SKIP() << "folder selection is not in the tree yet";
#endif
  ui::Press(w, VK_TAB);
  ASSERT_TRUE(FocusMovesTo(browse));
  ui::Press(w, VK_RETURN);
  HWND dialog = app.WaitBox();
  ASSERT_NE(dialog, nullptr);
  EXPECT_NE(ui::FindChild(dialog, L"SysTreeView32"), nullptr)
      << "not the folder browser: " << ui::Utf8(ui::ReadBox(dialog).text);
  ui::Close(dialog);
  ASSERT_TRUE(ui::WaitGone(dialog));
  EXPECT_EQ(ui::Text(edit), kStartFolder) << "a cancelled browse changes nothing";
  EXPECT_TRUE(FocusMovesTo(browse));
}

}  // namespace
