// Processes, windows, input and keyboard state of the program under test.
#include "Driver.h"

#include <ostream>

namespace ui {

namespace {

constexpr UINT kSendMs = 5000;

// Sends with a timeout: a hung or busy target must not hang the test.
bool SendTimeout(HWND w, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR* result) {
  return SendMessageTimeoutW(w, msg, wp, lp, SMTO_NORMAL, kSendMs, result) != 0;
}

struct FindTop {
  DWORD pid;
  const wchar_t* cls;
  HWND found;
};

BOOL CALLBACK FindTopProc(HWND w, LPARAM lp) {
  FindTop* f = reinterpret_cast<FindTop*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != f->pid || !IsWindowVisible(w) || ClassName(w) != f->cls) return TRUE;
  f->found = w;
  return FALSE;
}

// Each test process works in a Wine desktop of its own, a virtual one (an X window of its
// own): a test running beside it, whose programs take the foreground and the X focus as their
// windows come and go, would otherwise take the keyboard focus from this test's window.
class TestDesktop {
public:
  TestDesktop() : name_(L"talvo-ui-" + std::to_wstring(GetCurrentProcessId())) {
    // Wine makes a desktop virtual when its size is configured.
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSizes, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
      const wchar_t size[] = L"1024x768";
      RegSetValueExW(key, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(size),
                     sizeof size);
      RegCloseKey(key);
    }
    HDESK desk = CreateDesktopW(name_.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (desk) SetThreadDesktop(desk);
  }
  ~TestDesktop() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSizes, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueW(key, name_.c_str());
      RegCloseKey(key);
    }
  }
  const wchar_t* Name() const { return name_.c_str(); }

private:
  static constexpr const wchar_t* kSizes = L"Software\\Wine\\Explorer\\Desktops";
  std::wstring name_;
};

// Made at the first start, so that the test's thread joins it before it looks for windows.
const wchar_t* DesktopName() {
  static TestDesktop desktop;
  return desktop.Name();
}

}  // namespace

HWND WaitTop(DWORD pid, const wchar_t* cls, DWORD timeoutMs) {
  FindTop f{pid, cls, nullptr};
  WaitUntil(
      [&] {
        EnumWindows(FindTopProc, reinterpret_cast<LPARAM>(&f));
        return f.found != nullptr;
      },
      timeoutMs);
  return f.found;
}

bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(20);
  }
}

App::~App() {
  if (!process_) return;
  if (Running()) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, kWaitMs);
  }
  CloseHandle(process_);
}

bool App::Start(const std::wstring& exe, const std::wstring& dir, const std::wstring& args) {
  if (process_) {
    if (Running()) return false;
    CloseHandle(process_);
    process_ = nullptr;
  }
  std::wstring cmd = L"\"" + exe + L"\"";
  if (!args.empty()) cmd += L" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.lpDesktop = const_cast<wchar_t*>(DesktopName());
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                      &pi)) {
    return false;
  }
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
  return true;
}

bool App::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

HWND App::MainWindow(DWORD timeoutMs) const { return WaitTop(pid_, L"TFMain", timeoutMs); }

HWND App::WaitBox(DWORD timeoutMs) const { return WaitTop(pid_, L"#32770", timeoutMs); }

bool App::WaitExit(DWORD* code, DWORD timeoutMs) {
  if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(process_, code) != 0;
}

HWND Control(HWND parent, int id) { return GetDlgItem(parent, id); }

namespace {

BOOL CALLBACK FindChildProc(HWND w, LPARAM lp) {
  FindTop* f = reinterpret_cast<FindTop*>(lp);
  if (!IsWindowVisible(w) || ClassName(w) != f->cls) return TRUE;
  f->found = w;
  return FALSE;
}

}  // namespace

HWND FindChild(HWND parent, const wchar_t* cls) {
  FindTop f{0, cls, nullptr};
  EnumChildWindows(parent, FindChildProc, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

std::wstring Text(HWND w) {
  DWORD_PTR len = 0;
  if (!SendTimeout(w, WM_GETTEXTLENGTH, 0, 0, &len)) return L"";
  std::wstring text(len + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendTimeout(w, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), &got)) {
    return L"";
  }
  text.resize(got < len ? got : len);
  return text;
}

bool SetText(HWND w, const std::wstring& text) {
  DWORD_PTR ok = 0;
  return SendTimeout(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &ok) && ok;
}

std::wstring ClassName(HWND w) {
  wchar_t name[256];
  int n = GetClassNameW(w, name, 256);
  return std::wstring(name, n > 0 ? n : 0);
}

RECT ClientRect(HWND w) {
  RECT r{};
  GetClientRect(w, &r);
  return r;
}

RECT RectInParent(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

LONG Style(HWND w) { return GetWindowLongW(w, GWL_STYLE); }

bool WaitGone(HWND w, DWORD timeoutMs) {
  return WaitUntil([w] { return !IsWindow(w); }, timeoutMs);
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void Close(HWND w) { PostMessageW(w, WM_CLOSE, 0, 0); }

namespace {

// A key stroke as the system posts it: repeat count 1, scan code, context (Alt) bit, and on
// release the previous-state and transition bits.
void PostStroke(HWND target, UINT down, UINT up, UINT vk, LPARAM context) {
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(target, down, vk, 1 | scan | context);
  PostMessageW(target, up, vk, 1 | scan | context | (1L << 30) | (1UL << 31));
}

HWND FocusOr(HWND w) {
  HWND focus = Focus(w);
  return focus ? focus : w;
}

}  // namespace

void PostKey(HWND target, UINT vk) { PostStroke(target, WM_KEYDOWN, WM_KEYUP, vk, 0); }

void Press(HWND w, UINT vk) { PostKey(FocusOr(w), vk); }

void PressAlt(HWND w, UINT vk) { PostStroke(FocusOr(w), WM_SYSKEYDOWN, WM_SYSKEYUP, vk, 1L << 29); }

HoldKey::HoldKey(HWND w, UINT vk)
    : thread_(GetWindowThreadProcessId(w, nullptr)),
      vk_(vk),
      attached_(AttachThreadInput(GetCurrentThreadId(), thread_, TRUE) != 0) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[vk_] |= 0x80;
  SetKeyboardState(keys);
}

HoldKey::~HoldKey() {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[vk_] &= ~0x80;
  SetKeyboardState(keys);
  if (attached_) AttachThreadInput(GetCurrentThreadId(), thread_, FALSE);
}

HWND Focus(HWND w) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

bool Selection(HWND edit, int* start, int* end) {
  DWORD_PTR sel = 0;
  if (!SendTimeout(edit, EM_GETSEL, 0, 0, &sel)) return false;
  *start = LOWORD(sel);
  *end = HIWORD(sel);
  return true;
}

const char* IconName(Icon icon) {
  switch (icon) {
    case Icon::None: return "none";
    case Icon::Error: return "error";
    case Icon::Warning: return "warning";
    case Icon::Information: return "information";
    case Icon::Question: return "question";
    case Icon::Other: return "other";
  }
  return "?";
}

void PrintTo(Icon icon, std::ostream* os) { *os << IconName(icon); }

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                      nullptr);
  return out;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
  return out;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
  if (text.empty()) return std::string();
  const int len = static_cast<int>(text.size());
  int n = WideCharToMultiByte(codePage, 0, text.data(), len, nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(codePage, 0, text.data(), len, &out[0], n, nullptr, nullptr);
  return out;
}

}  // namespace ui
