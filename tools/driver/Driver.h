#pragma once
// The UI driver: works TalvoUpdate from another Wine process the way a person would.
//
//   ui::App app;
//   ASSERT_TRUE(app.Start(ui::UpdaterExe(), dir));           // dir: the working directory
//   HWND w = app.MainWindow();                               // the visible TFMain window
//   ui::SetText(ui::Control(w, ui::kEditFolder), L"C:\\x");
//   ui::Click(ui::Control(w, ui::kBtnInstall));              // posted: never blocks on a box
//   ui::Box box = ui::ReadBox(app.WaitBox());                // caption, text, icon, buttons
//   EXPECT_EQ(ui::Utf8(box.text), u8"Моля, въведете директория.");
//   EXPECT_EQ(box.icon, ui::Icon::Error);
//   ui::Answer(box, IDOK);
//   ui::Press(w, VK_ESCAPE);                                 // to the control with the focus
//   DWORD code;
//   ASSERT_TRUE(app.WaitExit(&code));
//
// Also: Focus and Selection (keyboard state read across processes), HoldKey (Shift+Tab),
// PressAlt (Alt+F4), Close (the close box), RectInParent and Style (layout), Capture (the
// window's pixels), RenderLabel and Shows (a status line's text, compared by its pixels:
// ui::Shows(w, 16, 176, ui::RenderLabel(L"Копиране на файлове...", 450))), and BoxAnswerer
// for a box that a call of the test's own thread puts up. Scenario.h has media and the floppy
// drive; Files.h, Tree.h and HeldFile.h what tests do with files.
//
// Texts are wide at this edge; compare them as UTF-8 (Utf8 and u8 literals), which GoogleTest
// prints readably. Every wait polls up to a timeout and then returns null or false, so a test
// fails with its own message instead of hanging. Messages to the target are posted, or sent
// with a timeout, so a modal box in the target never blocks the test.
//
// Programs started by App run in a Wine desktop of the test process's own (virtual, 1024 x
// 768), and the test's thread joins it at the first Start: tests running in parallel then
// cannot take each other's foreground and keyboard focus, and window searches see only this
// test's windows.
#include <windows.h>

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "TestThread.h"

namespace ui {

constexpr DWORD kWaitMs = 10000;

// Control ids of the main window.
constexpr int kEditFolder = 100;
constexpr int kBtnBrowse = 101;
constexpr int kBtnInstall = IDOK;
constexpr int kBtnCancel = IDCANCEL;
constexpr int kPanel = 102;

// Polls pred every 20 ms until it holds or timeoutMs has passed; returns its last answer.
bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs = kWaitMs);

// A started program. Ends the process on destruction if it still runs, so that a failed test
// leaves nothing behind for the next one.
class App {
public:
  App() = default;
  App(const App&) = delete;
  App& operator=(const App&) = delete;
  ~App();

  // Starts exe (quoted on its command line, then args) with dir as its working directory;
  // once the program started before has ended, the next one (a second run of the updater).
  bool Start(const std::wstring& exe, const std::wstring& dir, const std::wstring& args = L"");
  DWORD Pid() const { return pid_; }
  bool Running() const;
  // The visible top-level window of class TFMain of this process.
  HWND MainWindow(DWORD timeoutMs = kWaitMs) const;
  // A visible dialog window (class #32770: message boxes, the folder browser) of this process.
  HWND WaitBox(DWORD timeoutMs = kWaitMs) const;
  // True when the process has ended within the timeout; its exit code goes to *code.
  bool WaitExit(DWORD* code, DWORD timeoutMs = kWaitMs);

private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// The first visible top-level window of this class that the process owns, or null when none
// shows within the timeout.
HWND WaitTop(DWORD pid, const wchar_t* cls, DWORD timeoutMs = kWaitMs);

// Windows and controls (any process).
HWND Control(HWND parent, int id);
// The first visible descendant of this window class.
HWND FindChild(HWND parent, const wchar_t* cls);
std::wstring Text(HWND w);
bool SetText(HWND w, const std::wstring& text);
std::wstring ClassName(HWND w);
RECT ClientRect(HWND w);
// The window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND w);
LONG Style(HWND w);
// True when w is gone (destroyed) within the timeout.
bool WaitGone(HWND w, DWORD timeoutMs = kWaitMs);

// Input, all posted.
void Click(HWND button);
void Close(HWND w);                  // WM_CLOSE: the title bar's close box
void PostKey(HWND target, UINT vk);  // WM_KEYDOWN then WM_KEYUP
// Posts the key to the control that has the focus in w's thread (to w if none has it).
void Press(HWND w, UINT vk);
// Alt+key, posted as a system key the same way (Alt+F4).
void PressAlt(HWND w, UINT vk);

// While alive, w's thread sees this key held down (Shift for Shift+Tab). The test's thread
// shares w's keyboard state meanwhile; wait for the key's effect before letting go.
class HoldKey {
public:
  HoldKey(HWND w, UINT vk);
  ~HoldKey();
  HoldKey(const HoldKey&) = delete;
  HoldKey& operator=(const HoldKey&) = delete;

private:
  DWORD thread_;
  UINT vk_;
  bool attached_;
};

// Keyboard state of w's thread: the window with the focus, or null.
HWND Focus(HWND w);
// The selection of an edit box; false if it does not answer.
bool Selection(HWND edit, int* start, int* end);

// Message boxes.
enum class Icon { None, Error, Warning, Information, Question, Other };
struct Box {
  HWND hwnd = nullptr;
  std::wstring caption;
  std::wstring text;  // the lines as shown, joined with CR LF
  Icon icon = Icon::None;
  std::vector<int> buttons;  // ids of the visible buttons, left to right (IDOK, IDCANCEL...)
};
Box ReadBox(HWND box);
// Presses the box's button with this id; true when the box then closes.
bool Answer(const Box& box, int id);

// Waits on a thread of its own for the first box of the process (this one, or a child), for
// a box that a call of the test's own thread puts up: reads it and presses OK.
class BoxAnswerer {
public:
  BoxAnswerer(DWORD pid, DWORD timeoutMs);
  ~BoxAnswerer() { Stop(); }
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  // Waits for the box or the timeout; true when a box was answered.
  bool Wait();
  // Stops waiting at once; true when a box was answered.
  bool Stop();
  // The box as it was read.
  const Box& Seen() const { return box_; }

private:
  void Run(DWORD pid, DWORD timeoutMs);

  volatile LONG stop_ = 0;
  bool answered_ = false;
  Box box_;
  TTestThread thread_;
};

// Pixels of a window's client area as its process painted them (read inside that process, so
// other windows above it on the screen do not matter). The picture catches up with the
// window's painting a moment later: wait for the pixels expected rather than take one look.
struct Shot {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;  // rows from the top
  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
Shot Capture(HWND w);
bool SaveBmp(const Shot& shot, const std::wstring& path);  // for looking at by eye
// A label of the window as it should look, drawn here with the same system fonts: the text
// in MS Sans Serif 8 pt (Cyrillic set), window-text colour on the button face, 13 pixels
// high and width wide (0: as wide as the text), at its left or, for right, at its right.
Shot RenderLabel(const std::wstring& text, int width = 0, bool right = false, bool bold = false);
// Waits until w's client area shows part at (left, top); the last look goes to *seen.
bool Shows(HWND w, int left, int top, const Shot& part, Shot* seen = nullptr,
           DWORD timeoutMs = 3000);

const char* IconName(Icon icon);
void PrintTo(Icon icon, std::ostream* os);  // for GoogleTest's messages
std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);
// A text in a single-byte code page (866 for Cyrillic names inside archives, 1251 for the
// updater's own texts, CP_ACP for paths); characters the code page lacks become "?".
std::string Narrow(const std::wstring& text, UINT codePage);

}  // namespace ui
