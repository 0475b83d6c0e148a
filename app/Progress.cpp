// The update run as the user sees it in the window: the two status lines, the boxes.
#include <windows.h>

#include "app/UMain.h"
#include "unzip/InfoZip.h"

namespace {

const DWORD FilePauseMs = 100;

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

void TFMain::ShowLibraryReport(AnsiText text) { ShowZipError(text.Str); }

void TFMain::Ended(TRunEnd how) { LastEnd = how; }
