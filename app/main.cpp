// Process entry: the application, its one window, the message loop.
#include <memory>

#include "app/UMain.h"

namespace {

template <typename Fn>
Fn Kernel32Entry(const char* name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

// UNZDLL.DLL is loaded by its bare name: it must come from beside the updater or the system,
// never from whatever folder is current. Where the system has the newer call, libraries are
// searched for only there; else the current folder is taken out of the search (XP SP1 on).
void KeepCurrentFolderOutOfLibrarySearch() {
  const DWORD searchDefaultDirs = 0x1000;  // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
  auto setDefault = Kernel32Entry<BOOL(WINAPI*)(DWORD)>("SetDefaultDllDirectories");
  if (setDefault && setDefault(searchDefaultDirs)) return;
  auto setDirectory = Kernel32Entry<BOOL(WINAPI*)(LPCSTR)>("SetDllDirectoryA");
  if (setDirectory) setDirectory("");
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // An update runs for many seconds without reading messages; the system must not swap the
  // window for a frozen ghost, or the progress it repaints would not be seen.
  DisableProcessWindowsGhosting();
  KeepCurrentFolderOutOfLibrarySearch();
  InstallFaultReport();
  try {
    TApplication application;
    std::unique_ptr<TFMain> form(new TFMain);
    FMain = form.get();
    application.Run(*form);
    FMain = nullptr;
  } catch (...) {
    FMain = nullptr;
    HandleException();
  }
  return 0;
}
