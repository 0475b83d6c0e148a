#pragma once
// The folder check: the folder text becomes the product folder the run works in, locked
// against other runs, with what an interrupted run left undone, and a fresh work folder with
// its journal in it.
#include <windows.h>

#include "update/files/ProductLock.h"
#include "update/files/SafeFiles.h"
#include "update/transaction/WorkDir.h"
#include "update/run/Talk.h"
#include "update/transaction/Journal.h"

class TProductFolder {
public:
  TProductFolder() = default;
  TProductFolder(const TProductFolder&) = delete;
  TProductFolder& operator=(const TProductFolder&) = delete;

  // Checks the folder text (ANSI), makes the work folder and its journal; tells the user why
  // when it refuses. Nothing of the product changes but what the recovery puts back.
  TOutcome Check(TRunTalk& talk, TWorkDir& work, TJournal& journal, const char* folderText);
  // No other run is kept out any more.
  void Release() { Lock.Release(); }

  char Path[MAX_PATH] = "";  // the folder as the check accepted it
  TFolder Folder;            // held while the run lasts
  TFolder Forms;             // its forms folder, closed when it has none

private:
  TOutcome RecoverEarlierRuns(TRunTalk& talk);

  TProductLock Lock;
};
