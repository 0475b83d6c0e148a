#include "update/Status.h"

#include <windows.h>

#include "app/UMain.h"

namespace {

const DWORD FilePauseMs = 100;

}  // namespace

void ShowStage(const char* text) {
  FMain->LblAction->SetCaption(text);
  FMain->Repaint();
}

void ShowFile(const char* name) {
  // The pause is counted from the moment the name is set, so the painting is part of it
  // rather than added to every file of the run.
  const DWORD shown = GetTickCount();
  FMain->LblFile->SetCaption(name);
  FMain->Repaint();
  const DWORD spent = GetTickCount() - shown;
  SleepEx(spent < FilePauseMs ? FilePauseMs - spent : 0, TRUE);
}
