#include "update/Status.h"

#include <windows.h>

#include "app/UMain.h"

void ShowStage(const char* text) {
  FMain->LblAction->SetCaption(text);
  FMain->Repaint();
}

void ShowFile(const char* name) {
  FMain->LblFile->SetCaption(name);
  FMain->Repaint();
  SleepEx(100, TRUE);
}
