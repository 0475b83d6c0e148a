// Puts the folder browser on screen over the main window for a screenshot (see
// folder-browser-shot.sh): starts the updater in this program's desktop, presses "...",
// selects the product folder in the tree, says so in a marker file and holds the scene until
// a second marker appears.
//
//   talvo_browser_shot UPDATER FOLDER READY QUIT
#include <windows.h>

#include <stdio.h>

#include <string>

#include "Browser.h"
#include "Driver.h"
#include "Scenario.h"

namespace {

int Fail(const char* why) {
  fprintf(stderr, "browser shot: %s\n", why);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return Fail("usage: UPDATER FOLDER READY QUIT");
  const std::wstring updater = argv[1], folder = argv[2], ready = argv[3], quit = argv[4];
  std::wstring cmd = L"\"" + updater + L"\"";
  const std::wstring dir = updater.substr(0, updater.find_last_of(L'\\'));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(updater.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                      &si, &pi)) {
    return Fail("the updater does not start");
  }
  CloseHandle(pi.hThread);
  HWND w = ui::WaitTop(pi.dwProcessId, L"TFMain");
  if (!w) return Fail("no main window");
  ui::SetText(ui::Control(w, ui::kEditFolder), folder);
  ui::Click(ui::Control(w, ui::kBtnBrowse));
  HWND dialog = ui::WaitTop(pi.dwProcessId, L"#32770");
  if (!dialog) return Fail("no folder browser");
  {
    ui::BrowserTree tree(dialog);
    HTREEITEM item = tree.Folder(folder);
    if (!item) return Fail("the folder is not in the tree");
    // Only the way to the folder stays open.
    for (HTREEITEM top : tree.Children(tree.Root()))
      SendMessageW(tree.Handle(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(top));
    tree.Select(item);
    SendMessageW(tree.Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    // The selection shows in colour only while the tree has the focus, as after a click.
    for (int i = 0; i < 4 && ui::Focus(dialog) != tree.Handle(); ++i) {
      ui::Press(dialog, VK_TAB);
      ui::WaitUntil([&] { return ui::Focus(dialog) == tree.Handle(); }, 500);
    }
  }
  Sleep(500);  // let both windows finish painting
  support::WriteFile(ready, "");
  ui::WaitUntil([&] { return support::Exists(quit); }, 60000);
  ui::Answer(ui::ReadBox(dialog), IDCANCEL);
  ui::Close(w);
  if (WaitForSingleObject(pi.hProcess, ui::kWaitMs) != WAIT_OBJECT_0)
    TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  return 0;
}
