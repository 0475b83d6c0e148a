// The demo's walk through an update for a screen without a person in front of it. It runs
// inside the Wine desktop, starts the updater from the medium, presses what a user would,
// takes a picture of the desktop at each step and writes what it saw to a log.
//
//   DemoWalk MEDIUM SHOTS LOG      (MEDIUM and LOG Windows paths, SHOTS a Linux folder)
#include <windows.h>
#include <stdio.h>

#include <string>

#include "Driver.h"
#include "Scenario.h"

namespace {

FILE* Log = nullptr;

void Say(const std::string& utf8) {
  fprintf(Log, "%s\n", utf8.c_str());
  fflush(Log);
}

// A picture of the whole X screen, taken from the Linux side as the user would see it
// (GDI cannot read back what other processes drew).
bool SaveScreen(const std::string& unixPng) {
  const std::string part = unixPng + ".part";
  std::wstring cmd = ui::Wide("Z:\\bin\\sh -c \"import -window root png:'" + part + "' && mv '" +
                              part + "' '" + unixPng + "'\"");
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return ui::WaitUntil([&] { return support::Exists(support::WindowsPath(unixPng)); });
}

std::string Shots;  // a Linux folder

// settleMs lets the desktop finish painting first.
void Shoot(const char* name, const std::string& what, DWORD settleMs = 800) {
  Sleep(settleMs);
  const std::string path = Shots + "/" + name + ".png";
  Say((SaveScreen(path) ? path : "(no picture) " + path) + ": " + what);
}

struct Found {
  const wchar_t* cls;
  HWND window;
};

BOOL CALLBACK TakeIfVisible(HWND w, LPARAM param) {
  Found* f = reinterpret_cast<Found*>(param);
  if (!IsWindowVisible(w) || ui::ClassName(w) != f->cls) return TRUE;
  f->window = w;
  return FALSE;
}

// A visible top-level window of this class, in any process of the desktop.
HWND WaitVisible(const wchar_t* cls, DWORD timeoutMs) {
  Found found = {cls, nullptr};
  ui::WaitUntil(
      [&] {
        EnumWindows(TakeIfVisible, reinterpret_cast<LPARAM>(&found));
        return found.window != nullptr;
      },
      timeoutMs);
  return found.window;
}

std::string OneLine(const std::wstring& text) {
  std::string line = ui::Utf8(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

int Walk(const std::wstring& medium) {
  ui::App updater;
  if (!updater.Start(support::Join(medium, L"TalvoUpdate.exe"), medium))
    return Say("cannot start"), 1;
  HWND main = updater.MainWindow(30000);
  if (!main) return Say("no updater window"), 1;
  Shoot("1-window", "the updater as the user finds it");

  ui::Click(ui::Control(main, ui::kBtnInstall));
  Shoot("2-running", "the update in progress: the stage and the file in the status lines", 400);

  HWND box = updater.WaitBox(60000);
  if (!box) return Say("no question after the update"), 1;
  ui::Box question = ui::ReadBox(box);
  Shoot("3-question", "the updater asks: " + OneLine(question.text));
  ui::Answer(question, IDOK);

  HWND product = WaitVisible(L"DemoVanto", 30000);
  if (!product) return Say("the product did not start"), 1;
  HWND edition = FindWindowExW(product, nullptr, L"STATIC", nullptr);
  Shoot("4-product", "the product, started by the updater: " + ui::Utf8(ui::Text(edition)));
  ui::Close(product);
  DWORD code = 0;
  updater.WaitExit(&code);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  Shots = ui::Utf8(argv[2]);
  Log = _wfopen(argv[3], L"w");
  if (!Log) return 2;
  int result = Walk(argv[1]);
  fclose(Log);
  return result;
}
