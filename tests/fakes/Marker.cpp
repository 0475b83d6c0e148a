// A library that anyone could leave beside a program under the name of one the program or
// the system loads. Loaded after the process started, it leaves "<its path>.loaded" beside
// itself; loaded as an import resolved before the program ran (the system's doing, not the
// program's), "<its path>.imported".
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void* reserved) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH + 16];
  const DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return TRUE;
  // The system passes no context to a library that LoadLibrary loads.
  lstrcatA(path, reserved ? ".imported" : ".loaded");
  CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  return TRUE;
}
