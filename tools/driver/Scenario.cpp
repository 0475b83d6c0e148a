// Scenario support: the built programs, media, the log and the floppy drive.
#include "Scenario.h"

#include "Driver.h"

namespace ui {

namespace {

// A Linux path quoted for /bin/sh; empty if it cannot be quoted simply.
std::string ShellQuoted(const std::string& path) {
  if (path.empty() || path.find_first_of("'\"") != std::string::npos) return std::string();
  return "'" + path + "'";
}

// Points the prefix's drive a: at a Linux folder.
bool PointDriveA(const std::string& target) {
  const std::string prefix = WinePrefix();
  const std::string link = ShellQuoted(prefix + "/dosdevices/a:");
  const std::string to = ShellQuoted(target);
  if (prefix.empty() || link.empty() || to.empty()) return false;
  return RunUnix("ln -sfn " + to + " " + link);
}

}  // namespace

std::string WinePrefix() {
  wchar_t value[MAX_PATH * 2];
  DWORD n = GetEnvironmentVariableW(L"WINEPREFIX", value, MAX_PATH * 2);
  return n && n < MAX_PATH * 2 ? Utf8(std::wstring(value, n)) : std::string();
}

std::vector<std::string> LogEvents(const std::string& log) {
  std::vector<std::string> events;
  if (log.compare(0, 3, "\xEF\xBB\xBF") != 0) events.push_back("<malformed> no byte-order mark");
  const auto digits = [&](size_t at, size_t n) {
    for (size_t i = at; i < at + n; ++i)
      if (log[i] < '0' || log[i] > '9') return false;
    return true;
  };
  for (size_t at = 3, end; at < log.size(); at = end + 2) {
    end = log.find("\r\n", at);
    if (end == std::string::npos) end = log.size();
    const bool dated = end - at >= 21 && digits(at, 4) && log[at + 4] == '-' && digits(at + 5, 2) &&
                       log[at + 7] == '-' && digits(at + 8, 2) && log[at + 10] == ' ' &&
                       digits(at + 11, 2) && log[at + 13] == ':' && digits(at + 14, 2) &&
                       log[at + 16] == ':' && digits(at + 17, 2) &&
                       log.compare(at + 19, 2, "  ") == 0;
    if (!dated || end == log.size())
      events.push_back("<malformed> " + log.substr(at, end - at));
    else
      events.push_back(log.substr(at + 21, end - at - 21));
  }
  return events;
}

bool RunUnix(const std::string& command) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int count = 0;
  const std::wstring marker =
      support::Join(temp, L"talvo-unix-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++count));
  const std::string status = support::UnixPath(marker);
  if (status.empty() || command.find('"') != std::string::npos) return false;
  // Wine starts a Linux program that a Windows program starts by its Z:\ path, but gives no
  // handle to wait on: the shell leaves its exit status in a marker file, written under
  // another name first so that it is seen whole.
  std::wstring cmd = L"Z:\\bin\\sh -c \"" + Wide(command) + L"; echo $? >'" + Wide(status) +
                     L".part' && mv '" + Wide(status) + L".part' '" + Wide(status) + L"'\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  // No handles come back for a Linux program, though the thread's field may hold a stale
  // value: closing it would close a handle of the test's own.
  if (pi.hProcess) {
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  std::string code;
  const bool done = WaitUntil([&] { return support::ReadFile(marker, &code); });
  DeleteFileW(marker.c_str());
  return done && code.compare(0, 1, "0") == 0 && (code.size() == 1 || code[1] == '\n');
}

std::wstring UpdaterExe() {
#ifdef TALVO_UPDATER_EXE
  return support::WindowsPath(TALVO_UPDATER_EXE);
#else
  return std::wstring();
#endif
}

std::wstring UnzDll() {
#ifdef TALVO_UNZDLL
  return support::WindowsPath(TALVO_UNZDLL);
#else
  return std::wstring();
#endif
}

std::wstring ProbeDll() { return support::WindowsPath(TALVO_UIPROBE_DLL); }

std::wstring MakeMedium(const std::wstring& dir) {
  if (!support::MakeDir(dir) || !support::CopyInto(UpdaterExe(), dir) ||
      !support::CopyInto(UnzDll(), dir)) {
    return std::wstring();
  }
  return support::Join(dir, L"TalvoUpdate.exe");
}

Floppy::~Floppy() {
  const std::string prefix = WinePrefix();
  const size_t slash = prefix.find_last_of('/');
  if (slash != std::string::npos) PointDriveA(prefix.substr(0, slash) + "/floppy");
}

bool Floppy::SwapDisk(const std::wstring& folder) {
  return support::IsDir(folder) && PointDriveA(support::UnixPath(folder));
}

}  // namespace ui
