#include "update/RunUpdate.h"

#include <windows.h>
#include <strsafe.h>

#include <new>

#include "app/Messages.h"
#include "app/ShowMsg.h"
#include "app/UMain.h"
#include "unzip/InfoZip.h"
#include "update/CheckTarget.h"
#include "update/FileUtils.h"
#include "update/Stages.h"
#include "update/UpdateState.h"

namespace {

// Creates and loads the adapter for this run; tells the user and returns false when the
// library cannot be used.
bool PrepareUnpacker() {
  UpdateState.Unpacker = new (std::nothrow) CInfoZip;
  if (!UpdateState.Unpacker) {
    ShowMsg(MsgError, TxtUnpackError, TxtCannotUpdate);
  } else if (!UpdateState.Unpacker->LoadUnzDll()) {
    bool missing = UpdateState.Unpacker->GetErrorCode() == 1;
    ShowMsg(MsgError, missing ? TxtMissingDll : TxtUnpackError, TxtCannotUpdate);
    ReleaseUnpacker();
  } else {
    return true;
  }
  UpdateState.Aborted = true;
  return false;
}

// Asks for disk number next; false when the user chooses to abort the update. Declining
// the disk but not the abort goes on with whatever is in the drive.
bool AskForDisk(int next) {
  char line[256];
  StringCchPrintfA(line, sizeof line, TxtInsertDisk, next);
  if (ShowMsg(MsgQuestion, nullptr, line, TxtIntoFloppyDrive) == IDOK) return true;
  return ShowMsg(MsgQuestion, nullptr, TxtNotFinished, TxtReallyAbort) != IDOK;
}

void StartProduct() {
  char program[MAX_PATH];
  SetCurrentDirectoryA(UpdateState.TargetDir);
  if (JoinPath(UpdateState.TargetDir, ProductProgram, program)) RunProgram(program);
}

}  // namespace

void RunUpdate() {
  if (!PrepareUnpacker()) return;
  if (!CheckTargetFolder()) {
    FMain->EditFolder->SelectAll();
    FMain->EditFolder->SetFocus();
    ReleaseUnpacker();
    return;
  }

  const int disks = UpdateState.FromRemovable ? 3 : 1;
  for (int disk = 1;;) {
    if (!FetchArchives()) {
      ReleaseUnpacker();
      return;
    }
    ClearReadOnlyTree(UpdateState.TargetDir);
    UnpackArchives();
    DistributeFiles();
    if (++disk > disks) break;
    if (!AskForDisk(disk)) {
      UpdateState.Aborted = true;
      break;
    }
  }
  ReleaseUnpacker();

  if (!UpdateState.Aborted && ShowMsg(MsgSuccess, TxtSucceeded, TxtStartProduct) == IDOK)
    StartProduct();
  FMain->Close();
}
