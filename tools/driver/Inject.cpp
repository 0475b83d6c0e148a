// Runs the probe inside the process that owns a window: a WH_CALLWNDPROC hook on the
// window's thread makes the system load the probe there and call it before the window
// procedure sees the message.
#include "Inject.h"

#include "Driver.h"
#include "Scenario.h"

namespace ui {

bool CallProbe(HWND target, const wchar_t* message, WPARAM wp, LPARAM lp) {
  HMODULE probe = LoadLibraryW(ProbeDll().c_str());
  if (!probe) return false;
  bool sent = false;
  HOOKPROC proc =
      reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(probe, "ProbeHook")));
  HHOOK hook = proc ? SetWindowsHookExW(WH_CALLWNDPROC, proc, probe,
                                        GetWindowThreadProcessId(target, nullptr))
                    : nullptr;
  if (hook) {
    DWORD_PTR unused = 0;
    sent = SendMessageTimeoutW(target, RegisterWindowMessageW(message), wp, lp, SMTO_NORMAL,
                               kWaitMs, &unused) != 0;
    UnhookWindowsHookEx(hook);
  }
  FreeLibrary(probe);
  return sent;
}

}  // namespace ui
