// The update run as the user sees it in the window: the two status lines, the boxes. No
// exception of the window's gets into the run: a failure to show is an answer that ends it.
#include <windows.h>

#include "app/UMain.h"

namespace {

const DWORD FilePauseMs = 100;
const int ReportSize = 1024;

}  // namespace

bool TFMain::ShowStage(Cp1251Text stage) try {
  LblAction->SetCaption(stage.Str);
  Repaint();
  return true;
} catch (...) {
  return false;
}

bool TFMain::ShowFile(AnsiText name) try {
  // The pause is counted from the moment the name is set, so the painting is part of it
  // rather than added to every file of the run.
  const DWORD shown = GetTickCount();
  LblFile->SetCaption(CP_ACP, name.Str);
  Repaint();
  const DWORD spent = GetTickCount() - shown;
  SleepEx(spent < FilePauseMs ? FilePauseMs - spent : 0, TRUE);
  return true;
} catch (...) {
  return false;
}

bool TFMain::ClearFile() try {
  LblFile->SetCaption("");
  return true;
} catch (...) {
  return false;
}

int TFMain::ShowBox(TAsk ask, unsigned style, const wchar_t* text) try {
  // The caption as it is at this moment, whoever set it.
  return MessageBoxW(Handle(), text, TWide(Handle()).c_str(), style);
} catch (...) {
  return ask == TAsk::Abort ? IDOK : IDCANCEL;
}

// The library's own words in a plain box, as it reported them: English texts with names in
// the ANSI code page.
void TFMain::ShowLibraryReport(AnsiText text) {
  wchar_t wide[ReportSize];
  if (!MultiByteToWideChar(CP_ACP, 0, text.Str, -1, wide, ReportSize)) wide[0] = L'\0';
  MessageBoxW(GetActiveWindow(), wide, L"", MB_OK);
}

void TFMain::Ended(TRunEnd how) { LastEnd = how; }
