// The update run as the user sees it in the window: the two status lines, the boxes.
#include <windows.h>

#include "app/UMain.h"

namespace {

const DWORD FilePauseMs = 100;
const int ReportSize = 1024;

}  // namespace

void TFMain::ShowStage(Cp1251Text stage) {
  LblAction->SetCaption(stage.Str);
  Repaint();
}

void TFMain::ShowFile(AnsiText name) {
  // The pause is counted from the moment the name is set, so the painting is part of it
  // rather than added to every file of the run.
  const DWORD shown = GetTickCount();
  LblFile->SetCaption(CP_ACP, name.Str);
  Repaint();
  const DWORD spent = GetTickCount() - shown;
  SleepEx(spent < FilePauseMs ? FilePauseMs - spent : 0, TRUE);
}

void TFMain::ClearFile() { LblFile->SetCaption(""); }

int TFMain::ShowBox(TAsk, unsigned style, const wchar_t* text) {
  // The caption as it is at this moment, whoever set it.
  return MessageBoxW(Handle(), text, TWide(Handle()).c_str(), style);
}

// The library's own words in a plain box, as it reported them: English texts with names in
// the ANSI code page.
void TFMain::ShowLibraryReport(AnsiText text) {
  wchar_t wide[ReportSize];
  if (!MultiByteToWideChar(CP_ACP, 0, text.Str, -1, wide, ReportSize)) wide[0] = L'\0';
  MessageBoxW(GetActiveWindow(), wide, L"", MB_OK);
}

void TFMain::Ended(TRunEnd how) { LastEnd = how; }
