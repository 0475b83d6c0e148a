// The "..." button: pick the product folder in the system's folder browser.
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include "app/UMain.h"

namespace {

const char BrowseTitle[] = " Директория на Талво";

// The shell's browser needs COM on the calling thread for as long as it is shown.
class ComScope {
public:
  ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (ok_) CoUninitialize();
  }

private:
  bool ok_;
};

// The chosen folder's path in the ANSI code page, as the rest of the updater uses paths;
// false for an item with no file-system path or one that code page cannot name.
bool AnsiPathOf(PCIDLIST_ABSOLUTE item, char* path) {
  wchar_t wide[MAX_PATH];
  if (!SHGetPathFromIDListW(item, wide)) return false;
  BOOL lossy = FALSE;
  int n =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, path, MAX_PATH, nullptr, &lossy);
  return n > 0 && !lossy;
}

}  // namespace

void TFMain::BtnBrowseClick() {
  ComScope com;
  TWide title = Widen1251(BrowseTitle);
  wchar_t display[MAX_PATH];
  BROWSEINFOW request = {};
  request.hwndOwner = Handle();
  request.pszDisplayName = display;
  request.lpszTitle = title.c_str();
  request.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&request);
  if (!item) return;
  char path[MAX_PATH];
  if (AnsiPathOf(item, path)) {
    EditFolder->SetText(path);
    EditFolder->SelectAll();
    EditFolder->SetFocus();
  }
  CoTaskMemFree(item);
}
