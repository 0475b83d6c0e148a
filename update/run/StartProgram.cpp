#include "update/run/StartProgram.h"

#include <windows.h>
#include <string.h>

#include "update/files/SystemEntry.h"

bool RunProgram(const char* program) {
  if (program == nullptr || program[0] == '\0') return false;
  // The quoted path is only what the program sees as its command line; the system
  // starts the application name, so blanks in it can never pick another program.
  char commandLine[MAX_PATH + 2];
  const size_t n = strlen(program);
  if (n >= MAX_PATH) return false;
  commandLine[0] = '"';
  memcpy(commandLine + 1, program, n);
  commandLine[n + 1] = '"';
  commandLine[n + 2] = '\0';

  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  memset(&process, 0, sizeof process);
  if (!CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

namespace {

const TOKEN_INFORMATION_CLASS TokenLinked = static_cast<TOKEN_INFORMATION_CLASS>(19);
const TOKEN_INFORMATION_CLASS TokenIsElevated = static_cast<TOKEN_INFORMATION_CLASS>(20);

using TokenInformationFn = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, void*, DWORD, DWORD*);

// One token handle, closed on every path.
class TToken {
public:
  TToken() = default;
  ~TToken() {
    if (Handle) CloseHandle(Handle);
  }
  TToken(const TToken&) = delete;
  TToken& operator=(const TToken&) = delete;
  HANDLE Handle = nullptr;
};

// Whether this process runs with raised rights. Windows before Vista cannot say: there the
// process has the user's own rights, whatever they are.
bool Elevated(const TToken& own) {
  auto information = SystemEntry<TokenInformationFn>("advapi32.dll", "GetTokenInformation");
  DWORD elevated = 0, size = 0;
  return information &&
         information(own.Handle, TokenIsElevated, &elevated, sizeof elevated, &size) &&
         elevated != 0;
}

// A primary token that starts programs as the token's user.
bool PrimaryOf(HANDLE token, TToken* primary) {
  const DWORD access = TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT |
                       TOKEN_ADJUST_SESSIONID;
  return DuplicateTokenEx(token, access, nullptr, SecurityImpersonation, TokenPrimary,
                          &primary->Handle) != FALSE;
}

// The token of the user of the desktop: its shell's; without a shell, the limited token
// that the system linked to this process's elevated one.
bool DesktopUserToken(const TToken& own, TToken* user) {
  auto shellWindow = SystemEntry<HWND(WINAPI*)()>("user32.dll", "GetShellWindow");
  const HWND shell = shellWindow ? shellWindow() : nullptr;
  DWORD pid = 0;
  if (shell && GetWindowThreadProcessId(shell, &pid) && pid) {
    TToken process;
    HANDLE shellProcess = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    const bool opened =
        shellProcess && OpenProcessToken(shellProcess, TOKEN_DUPLICATE, &process.Handle);
    if (shellProcess) CloseHandle(shellProcess);
    if (opened) return PrimaryOf(process.Handle, user);
  }
  auto information = SystemEntry<TokenInformationFn>("advapi32.dll", "GetTokenInformation");
  TToken linked;
  DWORD size = 0;
  return information &&
         information(own.Handle, TokenLinked, &linked.Handle, sizeof linked.Handle, &size) &&
         PrimaryOf(linked.Handle, user);
}

}  // namespace

bool StartAsDesktopUser(const char* program, const char* folder) {
  TToken own;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own.Handle) || !Elevated(own)) {
    SetCurrentDirectoryA(folder);
    return RunProgram(program);
  }
  using StartFn = BOOL(WINAPI*)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR,
                                LPSTARTUPINFOW, LPPROCESS_INFORMATION);
  auto start = SystemEntry<StartFn>("advapi32.dll", "CreateProcessWithTokenW");
  TToken user;
  wchar_t path[MAX_PATH], commandLine[MAX_PATH + 2], directory[MAX_PATH];
  if (!start || !DesktopUserToken(own, &user) ||
      !MultiByteToWideChar(CP_ACP, 0, program, -1, path, MAX_PATH) ||
      !MultiByteToWideChar(CP_ACP, 0, folder, -1, directory, MAX_PATH))
    return false;
  wsprintfW(commandLine, L"\"%s\"", path);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!start(user.Handle, 0, path, commandLine, 0, nullptr, directory, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}
