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

// The first visible top-level window of this class that the process owns.
HWND WaitTop(DWORD pid, const wchar_t* cls, DWORD timeoutMs) {
  FindTop f{pid, cls, nullptr};
  WaitUntil([&] {
    EnumWindows(FindTopProc, reinterpret_cast<LPARAM>(&f));
    return f.found != nullptr;
  }, timeoutMs);
  return f.found;
}

}  // namespace

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
  if (process_) return false;
  std::wstring cmd = L"\"" + exe + L"\"";
  if (!args.empty()) cmd += L" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                      dir.c_str(), &si, &pi)) {
    return false;
  }
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
  return true;
}

bool App::Running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

HWND App::MainWindow(DWORD timeoutMs) const { return WaitTop(pid_, L"TFMain", timeoutMs); }

HWND App::WaitBox(DWORD timeoutMs) const { return WaitTop(pid_, L"#32770", timeoutMs); }

bool App::WaitExit(DWORD* code, DWORD timeoutMs) {
  if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(process_, code) != 0;
}

HWND Control(HWND parent, int id) { return GetDlgItem(parent, id); }

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

void PostKey(HWND target, UINT vk) {
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(target, WM_KEYDOWN, vk, 1 | scan);
  PostMessageW(target, WM_KEYUP, vk, 1 | scan | (1L << 30) | (1UL << 31));
}

void Press(HWND w, UINT vk) {
  HWND focus = Focus(w);
  PostKey(focus ? focus : w, vk);
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
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                      nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
  return out;
}

}  // namespace ui
