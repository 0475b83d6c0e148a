#include "update/UpdateRun.h"

#include <strsafe.h>

#include <new>

#include "update/Compose.h"
#include "update/FileUtils.h"
#include "update/Messages.h"
#include "update/RunRecord.h"

TUpdateRun::TUpdateRun(TRunUi& ui, TWorkDir& work, const TMedium& medium, TRunLog& log)
    : Ui(ui), Log(log), Work(work), Medium(medium), Placing(Journal, work.Path()) {}

int TUpdateRun::Ask(TAsk ask, unsigned style, TMsgLine line1, TMsgLine line2, TMsgLine line3,
                    TMsgLine line4, TMsgLine line5) {
  const TMsgLine lines[5] = {line1, line2, line3, line4, line5};
  wchar_t text[MsgTextSize];
  ComposeMsg(text, MsgTextSize, lines);
  Log.Text(text);
  const int answer = Ui.ShowBox(ask, style, text);
  if (ask != TAsk::Nothing) LogAnswer(Log, answer);
  return answer;
}

void TUpdateRun::LibraryReport(const char* text) {
  Log.Line(TxtLogLibrary, AnsiText{text});
  Ui.ShowLibraryReport({text});
}

void TUpdateRun::End(TRunEnd how) {
  Unzip.reset();  // no library stays loaded between runs
  Journal.Close();
  Lock.Release();
  LogEnd(Log, how);
  Ui.Ended(how);
}

void TUpdateRun::Fail() {
  Unzip.reset();
  Log.Line(TxtLogRollingBack, AnsiText{WorkDir()});
  switch (RollBack(WorkDir(), &Journal)) {
    case TUndo::Nothing:
      Say(MsgWarning, TxtNotFinished, TxtNotChanged);
      return End(TRunEnd::NotChanged);
    case TUndo::Restored:
      Say(MsgWarning, TxtNotFinished, TxtRestored);
      return End(TRunEnd::RolledBack);
    case TUndo::Incomplete:
      break;
  }
  // What is left of the product's own files stays in the backup folder for good.
  Work.Keep();
  SayNotRestored(WorkDir());
  End(TRunEnd::RestoreIncomplete);
}

void TUpdateRun::SayNotRestored(const char* workDir) {
  char backup[MAX_PATH];
  BackupFolder(workDir, backup);
  Say(MsgError, TxtNotRestored, TxtKeptIn, AnsiText{backup});
}

bool TUpdateRun::PrepareUnpacker() {
  Unzip.reset(new (std::nothrow) CInfoZip);
  if (!Unzip) {
    Say(MsgError, TxtUnpackError, TxtCannotUpdate);
  } else if (!Unzip->LoadUnzDll()) {
    bool missing = Unzip->GetErrorCode() == kUnzErrorNoLibrary;
    Say(MsgError, missing ? TxtMissingDll : TxtUnpackError, TxtCannotUpdate);
    Unzip.reset();
  } else {
    Unzip->SetReporter(this);
    return true;
  }
  return false;
}

// Asks for disk number next; false when the user chooses to abort the update. Declining
// the disk but not the abort goes on with whatever is in the drive.
bool TUpdateRun::AskForDisk(int next) {
  char line[256];
  StringCchPrintfA(line, sizeof line, TxtInsertDisk.Str, next);
  if (Ask(TAsk::Disk, MsgQuestion, {}, Cp1251Text{line}, TxtIntoFloppyDrive) == IDOK) return true;
  return Ask(TAsk::Abort, MsgQuestion, {}, TxtNotFinished, TxtReallyAbort) != IDOK;
}

void TUpdateRun::StartProduct() {
  char program[MAX_PATH];
  SetCurrentDirectoryA(Target);
  if (JoinPath(Target, ProductProgram, program)) RunProgram(program);
}

void TUpdateRun::RunUpdate(const char* folderText) {
  LogStart(Log, Medium);
  if (!PrepareUnpacker()) return End(TRunEnd::NoLibrary);
  if (!CheckTargetFolder(folderText)) return End(Refusal);
  NoteInstalledEdition();

  const int disks = Medium.Removable ? 3 : 1;
  for (int disk = 1;;) {
    // The first disk's archives that cannot be taken leave the product as it was, and the
    // window open to try again.
    if (!FetchArchives()) return disk == 1 ? End(TRunEnd::NotFetched) : Fail();
    // Only the work folder is ours to change: an archive from a CD is read-only, and a file
    // that the library unpacks again must be writable.
    ClearReadOnlyTree(WorkDir());
    if (!UnpackArchives() || !AcceptEdition() || !DistributeFiles()) return Fail();
    if (++disk > disks) break;
    if (!AskForDisk(disk)) return Fail();
  }
  Unzip.reset();
  if (!Placing.Commit()) return Fail();

  if (Ask(TAsk::Start, MsgSuccess, TxtSucceeded, TxtStartProduct) == IDOK) StartProduct();
  End(TRunEnd::Succeeded);
}
