// Process entry: the application, its one window, the message loop.
#include <memory>

#include "app/LibrarySearch.h"
#include "app/UMain.h"

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
