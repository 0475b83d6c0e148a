// The driver's own checks, on a stand-in program that shows one message box: the updater's
// scenarios rely on reading boxes and swapping disks being right.
#include <gtest/gtest.h>

#include <utility>

#include "Driver.h"
#include "Scenario.h"

namespace {

const wchar_t kCaption[] = L" Актуализация на Талво";

std::wstring BoxShow() { return support::WindowsPath(TALVO_BOXSHOW_EXE); }

// Starts the stand-in with a box of this style and these lines, from dir.
bool ShowBox(ui::App& app, const std::wstring& exe, const std::wstring& dir, UINT style,
             const std::wstring& lines) {
  return app.Start(exe, dir, std::to_wstring(style) + L" \"" + kCaption + L"\" " + lines);
}

struct BoxCase {
  UINT style;
  ui::Icon icon;
  std::vector<int> buttons;
};

class DriverBox : public ::testing::TestWithParam<BoxCase> {};

TEST_P(DriverBox, ReadsAndAnswersTheBoxesTheUpdaterShows) {
  const BoxCase& c = GetParam();
  support::TempDir t;
  ui::App app;
  ASSERT_TRUE(ShowBox(app, BoxShow(), t.Path(), c.style,
                      L"\"\" \"Моля, поставете дискета No 2\" \"във флопидисковото устройство.\""));
  ui::Box box = ui::ReadBox(app.WaitBox());
  ASSERT_NE(box.hwnd, nullptr);
  EXPECT_EQ(ui::Utf8(box.caption), u8" Актуализация на Талво");
  EXPECT_EQ(ui::Utf8(box.text),
            u8"\r\nМоля, поставете дискета No 2\r\nвъв флопидисковото устройство.");
  EXPECT_EQ(box.icon, c.icon);
  EXPECT_EQ(box.buttons, c.buttons);

  const int answer = c.buttons.back();
  ASSERT_TRUE(ui::Answer(box, answer));
  DWORD code = 0;
  ASSERT_TRUE(app.WaitExit(&code));
  EXPECT_EQ(code, static_cast<DWORD>(answer));
}

INSTANTIATE_TEST_SUITE_P(
    Styles, DriverBox,
    ::testing::Values(
        BoxCase{MB_ICONERROR | MB_OK, ui::Icon::Error, {IDOK}},
        BoxCase{MB_ICONINFORMATION | MB_OKCANCEL, ui::Icon::Information, {IDOK, IDCANCEL}},
        BoxCase{MB_ICONQUESTION | MB_OKCANCEL, ui::Icon::Question, {IDOK, IDCANCEL}},
        BoxCase{MB_ICONWARNING | MB_OK, ui::Icon::Warning, {IDOK}},
        BoxCase{MB_OK, ui::Icon::None, {IDOK}}));

// Keys reach a box through its own dialog loop: Enter presses the default button, Esc Cancel.
TEST(DriverKeys, EnterAndEscAnswerABox) {
  support::TempDir t;
  for (const auto& key : {std::make_pair(VK_RETURN, IDOK), std::make_pair(VK_ESCAPE, IDCANCEL)}) {
    ui::App app;
    ASSERT_TRUE(ShowBox(app, BoxShow(), t.Path(), MB_ICONQUESTION | MB_OKCANCEL, L"?"));
    HWND box = app.WaitBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(ui::WaitUntil([&] { return ui::Focus(box) != nullptr; }));
    ui::Press(box, key.first);
    DWORD code = 0;
    ASSERT_TRUE(app.WaitExit(&code));
    EXPECT_EQ(code, static_cast<DWORD>(key.second));
  }
}

TEST(DriverFloppy, SwapsDisksUnderAProgramRunningFromTheDrive) {
  support::TempDir t;
  const std::wstring disk1 = t.Sub(L"disk1"), disk2 = t.Sub(L"disk2");
  ASSERT_TRUE(support::CopyInto(BoxShow(), disk1));
  ASSERT_TRUE(support::WriteFile(support::Join(disk1, L"one.zip"), "1"));
  ASSERT_TRUE(support::WriteFile(support::Join(disk2, L"two.zip"), "2"));

  ui::Floppy a;
  ASSERT_TRUE(a.SwapDisk(disk1));
  EXPECT_EQ(GetDriveTypeW(L"A:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
  EXPECT_TRUE(support::Exists(L"A:\\one.zip"));

  ui::App app;
  ASSERT_TRUE(ShowBox(app, L"A:\\talvo_ui_boxshow.exe", L"A:\\", MB_ICONINFORMATION | MB_OKCANCEL,
                      L"\"\" \"Моля, поставете дискета No 2\""));
  ui::Box box = ui::ReadBox(app.WaitBox());
  ASSERT_NE(box.hwnd, nullptr);

  ASSERT_TRUE(a.SwapDisk(disk2));
  EXPECT_TRUE(support::Exists(L"A:\\two.zip"));
  EXPECT_FALSE(support::Exists(L"A:\\one.zip"));

  ASSERT_TRUE(ui::Answer(box, IDOK));
  DWORD code = 0;
  ASSERT_TRUE(app.WaitExit(&code));
  EXPECT_EQ(code, static_cast<DWORD>(IDOK));
}

}  // namespace
