// Puts the main window on screen for a screenshot (see main-window-shot.sh): starts the
// updater in this program's desktop, writes the window's screen rectangle ("left top width
// height") to a marker file once it has painted, and holds the scene until a second marker
// appears.
//
//   talvo_window_shot UPDATER READY QUIT
#include <windows.h>

#include <stdio.h>

#include <string>

#include "Driver.h"
#include "Scenario.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: UPDATER READY QUIT\n");
    return 1;
  }
  const std::wstring updater = argv[1], ready = argv[2], quit = argv[3];
  std::wstring cmd = L"\"" + updater + L"\"";
  const std::wstring dir = updater.substr(0, updater.find_last_of(L'\\'));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(updater.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                      &si, &pi)) {
    fprintf(stderr, "the updater does not start\n");
    return 1;
  }
  CloseHandle(pi.hThread);
  HWND w = ui::WaitTop(pi.dwProcessId, L"TFMain");
  if (w) {
    Sleep(500);  // let the window finish painting
    RECT r;
    GetWindowRect(w, &r);
    char line[64];
    snprintf(line, sizeof line, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left,
             r.bottom - r.top);
    support::WriteFile(ready, line);
    ui::WaitUntil([&] { return support::Exists(quit); }, 60000);
    ui::Close(w);
  } else {
    fprintf(stderr, "no main window\n");
  }
  if (WaitForSingleObject(pi.hProcess, ui::kWaitMs) != WAIT_OBJECT_0)
    TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  return w ? 0 : 1;
}
