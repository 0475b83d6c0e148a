#include "update/run/UpdateRun.h"

#include <strsafe.h>

#include <new>

#include "update/run/Compose.h"
#include "update/files/FileUtils.h"
#include "update/run/Messages.h"
#include "update/medium/ProductNames.h"
#include "update/log/RunRecord.h"
#include "update/run/StartProgram.h"
#include "update/files/WorkDir.h"

TUpdateRun::TUpdateRun(TRunUi& ui, TWorkDir& work, const TMedium& medium, TRunLog& log)
    : Ui(ui),
      Log(log),
      Work(work),
      Medium(medium),
      Placing(Journal, Product, Forms, work.Folder(), work.BackupFolder()) {}

int TUpdateRun::Ask(TAsk ask, unsigned style, const TMsgLine& line1, const TMsgLine& line2,
                    const TMsgLine& line3, const TMsgLine& line4, const TMsgLine& line5) {
  const TMsgLine lines[5] = {line1, line2, line3, line4, line5};
  wchar_t text[MsgTextSize];
  ComposeMsg(text, MsgTextSize, lines);
  Log.Text(text);
  const int answer = Ui.ShowBox(ask, style, text);
  if (ask != TAsk::Nothing) LogAnswer(Log, answer);
  return answer;
}

void TUpdateRun::LogFailure() { Log.SystemError(GetLastError()); }

void TUpdateRun::LibraryReport(const char* text) {
  Log.Line(TxtLogLibrary, AnsiText{text});
  Ui.ShowLibraryReport({text});
}

void TUpdateRun::End(TRunEnd how) {
  Unzip.reset();  // no library stays loaded between runs
  Journal.Close();
  Lock.Release();
  Work.Done();
  LogEnd(Log, how);
  Ui.Ended(how);
}

bool TUpdateRun::WorkIntact() {
  if (Work.Intact()) return true;
  Log.Line(TxtLogNotOurs, AnsiText{WorkDir()});
  return false;
}

// Undoes what the journal says changed: only through the work folder this run made, as a
// link in its place would lead the backups' moves elsewhere.
TUndo TUpdateRun::Undo() {
  TJournalRecords records;
  if (records.Read(Work.Folder()) != TJournalState::Ours) return TUndo::Incomplete;
  if (!records.Count()) return TUndo::Nothing;
  if (!WorkIntact()) return TUndo::Incomplete;
  const TUndo undone = RollBack(records, Product, Forms, Work.BackupFolder());
  if (undone == TUndo::Incomplete) LogFailure();
  // Undone in full: a later recovery must not undo it again.
  if (undone != TUndo::Incomplete && !records.Committed() && !Journal.Record(TStep::Commit, 0, ""))
    LogFailure();
  return undone;
}

TRunEnd TUpdateRun::Fail() {
  Unzip.reset();
  Log.Line(TxtLogRollingBack, AnsiText{WorkDir()});
  switch (Undo()) {
    case TUndo::Nothing:
      Say(MsgWarning, TxtNotFinished, TxtNotChanged);
      return TRunEnd::NotChanged;
    case TUndo::Restored:
      Say(MsgWarning, TxtNotFinished, TxtRestored);
      return TRunEnd::RolledBack;
    case TUndo::Incomplete:
      break;
  }
  // What is left of the product's own files stays in the backup folder for good.
  Work.Keep();
  SayNotRestored(WorkDir());
  return TRunEnd::RestoreIncomplete;
}

void TUpdateRun::SayNotRestored(const char* workDir) {
  char backup[MAX_PATH];
  JoinPath(workDir, BackupName, backup);
  Say(MsgError, TxtNotRestored, TxtKeptIn, AnsiText{backup});
}

TUpdateRun::TOutcome TUpdateRun::PrepareUnpacker(const char* path) {
  Unzip.reset(new (std::nothrow) CInfoZip);
  if (!Unzip) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    LogFailure();
    Say(MsgError, TxtUnpackError, TxtCannotUpdate);
    return TRunEnd::NoLibrary;
  }
  const TUnzLoad load = Unzip->LoadUnzDll(path);
  if (load != TUnzLoad::Loaded) {
    LogFailure();
    Say(MsgError, load == TUnzLoad::NoLibrary ? TxtMissingDll : TxtUnpackError, TxtCannotUpdate);
    Unzip.reset();
    return TRunEnd::NoLibrary;
  }
  Unzip->SetReporter(this);
  return {};
}

// Asks for disk number next. Declining the disk but not the abort goes on with whatever is
// in the drive.
TUpdateRun::TOutcome TUpdateRun::AskForDisk(int next) {
  char line[256];
  StringCchPrintfA(line, sizeof line, TxtInsertDisk.Str, next);
  if (Ask(TAsk::Disk, MsgQuestion, {}, Cp1251Text{line}, TxtIntoFloppyDrive) == IDOK) return {};
  if (Ask(TAsk::Abort, MsgQuestion, {}, TxtNotFinished, TxtReallyAbort) != IDOK) return {};
  return Fail();
}

void TUpdateRun::StartProduct() {
  char program[MAX_PATH];
  if (!JoinPath(Target, ProductProgram, program) || !StartAsDesktopUser(program, Target)) {
    LogFailure();
    Log.Line(TxtLogNotStarted, AnsiText{program});
  }
}

TUpdateRun::TOutcome TUpdateRun::Pass() {
  // A box was up before this pass: the work folder must still be the one made.
  if (!WorkIntact()) return Fail();
  if (TOutcome end = FetchArchives()) return end;
  // Only the work folder is ours to change: an archive from a CD is read-only, and a file
  // that the library unpacks again must be writable.
  ClearReadOnlyTree(WorkDir());
  if (TOutcome end = UnpackArchives()) return end;
  if (Medium.One) {
    // The library of a one-file medium goes before the work folder's files go in place.
    Unzip.reset();
    char library[MAX_PATH];
    if (!JoinPath(WorkDir(), LibraryName, library) || !DeleteFileRetry(library)) {
      LogFailure();
      return Fail();
    }
  }
  if (TOutcome end = AcceptEdition()) return end;
  return DistributeFiles();
}

TRunEnd TUpdateRun::Run(const char* folderText) {
  // A one-file medium's library can only be written once the work folder is made.
  if (!Medium.One)
    if (TOutcome end = PrepareUnpacker("UNZDLL.DLL")) return *end;
  if (TOutcome end = CheckTargetFolder(folderText)) return *end;
  if (Medium.One)
    if (TOutcome end = PrepareCarriedUnpacker()) return *end;
  NoteInstalledEdition();
  lstrcpynA(DiskDir, Medium.Folder, MAX_PATH);
  bool wrong;
  if (TOutcome end = TakeDisk(1, &wrong)) return *end;
  if (wrong) return Fail();
  if (TOutcome end = PlanDisks()) return *end;
  if (TOutcome end = AcceptMediumEdition()) return *end;
  for (int disk = 1;; ++disk) {
    if (TOutcome end = Pass()) return *end;
    if (disk == Disks) break;
    if (TOutcome end = NextDisk(disk + 1)) return *end;
  }
  Unzip.reset();
  if (!Placing.Commit()) {
    LogFailure();
    return Fail();
  }
  if (Ask(TAsk::Start, MsgSuccess, TxtSucceeded, TxtStartProduct) == IDOK) StartProduct();
  return TRunEnd::Succeeded;
}

void TUpdateRun::RunUpdate(const char* folderText) {
  LogStart(Log, Medium);
  End(Run(folderText));
}
