// The main window as a person meets it: its frame and layout, the keyboard, and closing.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Driver.h"
#include "Scenario.h"
#include "Texts.h"
#include "UpdaterTest.h"

namespace {

const wchar_t kStartFolder[] = L"C:\\WinTalvo";

::testing::AssertionResult SameRect(const RECT& r, int left, int top, int width, int height) {
  if (r.left == left && r.top == top && r.right - r.left == width && r.bottom - r.top == height) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "(" << r.left << ", " << r.top << ") " << r.right - r.left << " x " << r.bottom - r.top
         << ", expected (" << left << ", " << top << ") " << width << " x " << height;
}

// The window as it first shows, the folder text focused.
class MainWindow : public ui::UpdaterTest {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ui::UpdaterTest::SetUp());
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
};

TEST_F(MainWindow, IsAFixedDialogWithItsCaption) {
  EXPECT_EQ(ui::Utf8(ui::Text(w)), texts::kCaption);
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
  ASSERT_TRUE(ui::SetText(edit, L"   "));
  ui::Press(w, VK_RETURN);
  ui::Box box = ui::ReadBox(app.WaitBox());
  ASSERT_NE(box.hwnd, nullptr) << "no box after Enter";
  EXPECT_EQ(ui::Utf8(box.caption), texts::kCaption);
  EXPECT_EQ(ui::Utf8(box.text), u8"Моля, въведете директория.");
  EXPECT_EQ(box.icon, ui::Icon::Error);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  ASSERT_TRUE(ui::Answer(box, IDOK));
  EXPECT_TRUE(FocusMovesTo(edit));
  EXPECT_TRUE(WholeTextSelected(edit)) << "so that typing replaces the refused text";
  EXPECT_TRUE(IsWindow(w)) << "a refused folder leaves the window open";
}

TEST_F(MainWindow, EnterOnTheBrowseButtonPressesBrowse) {
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

// The window's face as the screen shows it.

// Waits until the window's pixels pass the check; keeps the last shot for a failure report,
// saved in the test's working folder to be looked at.
::testing::AssertionResult ShowsOnScreen(HWND w, const char* name,
                                         const std::function<std::string(const ui::Shot&)>& check) {
  ui::Shot shot;
  std::string why = "no pixels";
  if (ui::WaitUntil(
          [&] {
            shot = ui::Capture(w);
            why = shot.width ? check(shot) : "no pixels";
            return why.empty();
          },
          3000)) {
    return ::testing::AssertionSuccess();
  }
  const std::wstring file = L"ui-" + ui::Wide(name) + L".bmp";
  ui::SaveBmp(shot, file);
  return ::testing::AssertionFailure() << why << " (screen saved as " << ui::Utf8(file) << ")";
}

// Waits until the window shows the label's pixels at (left, top); saves the last look on failure.
::testing::AssertionResult LabelShows(HWND w, const char* name, int left, int top,
                                      const ui::Shot& label) {
  ui::Shot seen;
  if (ui::Shows(w, left, top, label, &seen)) return ::testing::AssertionSuccess();
  const std::wstring file = L"ui-" + ui::Wide(name) + L".bmp";
  ui::SaveBmp(seen, file);
  return ::testing::AssertionFailure()
         << name << " does not show what it should (window saved as " << ui::Utf8(file) << ")";
}

std::string Hex(COLORREF c) {
  char text[16];
  wsprintfA(text, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

// The banner picture as its file holds it, rows from the top.
ui::Shot Banner() {
  ui::Shot shot;
  HBITMAP bitmap =
      static_cast<HBITMAP>(LoadImageW(nullptr, support::WindowsPath(TALVO_BANNER_BMP).c_str(),
                                      IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  BITMAP b{};
  if (!bitmap || !GetObjectW(bitmap, sizeof b, &b)) return shot;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = b.bmWidth;
  info.bmiHeader.biHeight = -b.bmHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<DWORD> bits(static_cast<size_t>(b.bmWidth) * b.bmHeight);
  HDC dc = GetDC(nullptr);
  if (GetDIBits(dc, bitmap, 0, b.bmHeight, bits.data(), &info, DIB_RGB_COLORS) == b.bmHeight) {
    shot.width = b.bmWidth;
    shot.height = b.bmHeight;
    for (DWORD p : bits) shot.pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
  }
  ReleaseDC(nullptr, dc);
  DeleteObject(bitmap);
  return shot;
}

TEST_F(MainWindow, ShowsTheBannerCentredOnTheWhitePanel) {
  const ui::Shot banner = Banner();
  ASSERT_EQ(banner.width, 360);
  ASSERT_EQ(banner.height, 62);
  const RECT panel{8, 8, 464, 98}, image{56, 22, 416, 84};
  EXPECT_TRUE(ShowsOnScreen(w, "banner", [&](const ui::Shot& s) -> std::string {
    for (int y = panel.top; y < panel.bottom; ++y) {
      for (int x = panel.left; x < panel.right; ++x) {
        const POINT p{x, y};
        const COLORREF want =
            PtInRect(&image, p) ? banner.At(x - image.left, y - image.top) : RGB(255, 255, 255);
        if (s.At(x, y) != want) {
          return "(" + std::to_string(x) + ", " + std::to_string(y) + ") is " + Hex(s.At(x, y)) +
                 ", not " + Hex(want) + " of the picture on the white panel";
        }
      }
    }
    return "";
  }));
}

TEST_F(MainWindow, DrawsTheThreeEtchedFrames) {
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const RECT frames[] = {{4, 4, 468, 102}, {4, 106, 468, 162}, {4, 166, 468, 252}};
  EXPECT_TRUE(ShowsOnScreen(w, "frames", [&](const ui::Shot& s) -> std::string {
    for (const RECT& f : frames) {
      const int midX = (f.left + f.right) / 2, midY = (f.top + f.bottom) / 2;
      // The shadow outline runs one pixel inside the highlight one, on top of it.
      const struct {
        int x, y;
        COLORREF colour;
      } expected[] = {{f.left, midY, shadow},       {f.left + 1, midY, light},
                      {f.right - 2, midY, shadow},  {f.right - 1, midY, light},
                      {midX, f.top, shadow},        {midX, f.top + 1, light},
                      {midX, f.bottom - 2, shadow}, {midX, f.bottom - 1, light}};
      for (const auto& e : expected) {
        if (s.At(e.x, e.y) != e.colour) {
          return "(" + std::to_string(e.x) + ", " + std::to_string(e.y) + ") is " +
                 Hex(s.At(e.x, e.y)) + ", expected " + Hex(e.colour);
        }
      }
    }
    return "";
  }));
}

TEST_F(MainWindow, DrawsItsTextsInCyrillic) {
  const struct {
    const char* name;
    const wchar_t* text;
    int left, top, width;  // width 0: sized to the text
    bool right;
  } labels[] = {
      {"Lbl1", L"Фирма Велмор, София", 16, 116, 0, false},
      {"Lbl2", L"тел.", 16, 136, 22, true},
      {"Lbl4", L"E-mail:", 300, 116, 34, true},
      {"LblAction", L"Моля, въведете точното име на папката,", 16, 176, 0, false},
      {"LblFile", L"в която е инсталиран продуктът.", 16, 190, 0, false},
      {"LblFolder", L"Директория", 10, 217, 70, true},
  };
  EXPECT_EQ(ui::RenderLabel(labels[3].text).width, 208) << "not the design's font";
  EXPECT_EQ(ui::RenderLabel(labels[4].text).width, 167) << "not the design's font";
  for (const auto& l : labels) {
    EXPECT_TRUE(LabelShows(w, l.name, l.left, l.top, ui::RenderLabel(l.text, l.width, l.right)));
  }
}

// The status lines while an update run shows a box. Each label runs from x 16 to the frame's
// right edge (466) and beyond: what was drawn there before must be gone.
constexpr int kStatusLeft = 16, kActionTop = 176, kFileTop = 190, kToFrame = 466 - 16;

TEST_F(MainWindow, ShorterStatusTextsLeaveNoRemains) {
  const std::wstring product = t.Sub(L"WinTalvo");
  ASSERT_TRUE(support::WriteFile(support::Join(product, L"Vanto.exe"), "MZ"));
  ASSERT_TRUE(ui::SetText(edit, product));
  ui::Click(install);  // the medium has no archive: stage 1 stops with a box

  ui::Box box = ui::ReadBox(app.WaitBox());
  EXPECT_EQ(ui::Utf8(box.text), texts::kNoArchive);
  // "Копиране на файлове..." replaced the longer texts before it; the file line is empty.
  EXPECT_TRUE(LabelShows(w, "LblAction", kStatusLeft, kActionTop,
                         ui::RenderLabel(L"Копиране на файлове...", kToFrame)));
  EXPECT_TRUE(LabelShows(w, "LblFile", kStatusLeft, kFileTop, ui::RenderLabel(L"", kToFrame)));
  ASSERT_TRUE(ui::Answer(box, IDOK));
}

TEST_F(MainWindow, ALongFileNameRunsOverTheFrameToTheWindowEdge) {
  const std::wstring product = t.Sub(L"WinTalvo");
  ASSERT_TRUE(support::WriteFile(support::Join(product, L"Vanto.exe"), "MZ"));
  const std::wstring name =
      L"update-archive-with-a-name-far-longer-than-the-status-line-can-show-in-one-line-"
      L"so-that-it-runs-past-the-frame.zip";
  const std::wstring archive = support::Join(t.Sub(L"medium"), name);
  ASSERT_TRUE(support::WriteZip(archive, {{"readme.txt", "1"}}));
  // Held open without sharing, the archive cannot be copied: stage 1 stops with a box while
  // the file line still names it.
  HANDLE held = CreateFileW(archive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(ui::SetText(edit, product));
  ui::Click(install);

  ui::Box box = ui::ReadBox(app.WaitBox());
  EXPECT_EQ(ui::Utf8(box.text).rfind(texts::kCopyError, 0), 0u) << ui::Utf8(box.text);
  ASSERT_GT(ui::RenderLabel(name).width, 472 - kStatusLeft) << "the name must be wider";
  // One line, over the frame's edge (its opaque ground covers the frame line), cut off at the
  // window's edge.
  EXPECT_TRUE(
      LabelShows(w, "LblFile", kStatusLeft, kFileTop, ui::RenderLabel(name, 472 - kStatusLeft)));
  EXPECT_TRUE(ui::Answer(box, IDOK));
  CloseHandle(held);
}

}  // namespace
