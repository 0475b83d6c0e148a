#include "update/run/UpdateRun.h"

#include <new>

#include "update/files/FileUtils.h"
#include "update/log/RunRecord.h"
#include "update/medium/ProductNames.h"
#include "update/run/Messages.h"
#include "update/run/StartProgram.h"

TUpdateRun::TUpdateRun(TRunUi& ui, TWorkDir& work, const TMedium& medium, TRunLog& log)
    : Talk(ui, log, work),
      Work(work),
      Medium(medium),
      Disks(Medium),
      Placing(Journal, Product.Folder, Product.Forms, work.Folder(), work.BackupFolder()) {}

void TUpdateRun::LibraryReport(const char* text) {
  Talk.Log.Line(TxtLogLibrary, AnsiText{text});
  Talk.Ui.ShowLibraryReport({text});
}

void TUpdateRun::End(TRunEnd how) {
  Unzip.reset();  // no library stays loaded between runs
  Journal.Close();
  Product.Release();
  Work.Done();
  LogEnd(Talk.Log, how);
  Talk.Ui.Ended(how);
}

// Undoes what the journal says changed: only through the work folder this run made, as a
// link in its place would lead the backups' moves elsewhere.
TUndo TUpdateRun::Undo() {
  TJournalRecords records;
  if (records.Read(Work.Folder()) != TJournalState::Ours) return TUndo::Incomplete;
  if (!records.Count()) return TUndo::Nothing;
  if (!Talk.WorkIntact()) return TUndo::Incomplete;
  const TUndo undone = RollBack(records, Product.Folder, Product.Forms, Work.BackupFolder());
  if (undone == TUndo::Incomplete) Talk.LogFailure();
  // Undone in full: a later recovery must not undo it again.
  if (undone != TUndo::Incomplete && !records.Committed() && !Journal.Record(TStep::Commit, 0, ""))
    Talk.LogFailure();
  return undone;
}

TRunEnd TUpdateRun::Fail() {
  Unzip.reset();
  Talk.Log.Line(TxtLogRollingBack, AnsiText{WorkDir()});
  switch (Undo()) {
    case TUndo::Nothing:
      Talk.Say(MsgWarning, TxtNotFinished, TxtNotChanged);
      return TRunEnd::NotChanged;
    case TUndo::Restored:
      Talk.Say(MsgWarning, TxtNotFinished, TxtRestored);
      return TRunEnd::RolledBack;
    case TUndo::Incomplete:
      break;
  }
  // What is left of the product's own files stays in the backup folder for good.
  Work.Keep();
  Talk.SayNotRestored(WorkDir());
  return TRunEnd::RestoreIncomplete;
}

TOutcome TUpdateRun::PrepareUnpacker(const char* path) {
  Unzip.reset(new (std::nothrow) CInfoZip);
  if (!Unzip) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return Talk.Failed(TRunEnd::NoLibrary, TxtUnpackError, TxtCannotUpdate);
  }
  const TUnzLoad load = Unzip->LoadUnzDll(path);
  if (load != TUnzLoad::Loaded) {
    Unzip.reset();
    return Talk.Failed(TRunEnd::NoLibrary,
                       load == TUnzLoad::NoLibrary ? TxtMissingDll : TxtUnpackError,
                       TxtCannotUpdate);
  }
  Unzip->SetReporter(this);
  return {};
}

void TUpdateRun::StartProduct() {
  char program[MAX_PATH];
  if (!JoinPath(Product.Path, ProductProgram, program) ||
      !StartAsDesktopUser(program, Product.Path)) {
    Talk.LogFailure();
    Talk.Log.Line(TxtLogNotStarted, AnsiText{program});
  }
}

TOutcome TUpdateRun::Pass() {
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
      Talk.LogFailure();
      return UndoRun;
    }
  }
  if (TOutcome end = Editions.AcceptBrought(Talk, WorkDir())) return end;
  return DistributeFiles();
}

TOutcome TUpdateRun::Run(const char* folderText) {
  // A one-file medium's library can only be written once the work folder is made.
  if (!Medium.One)
    if (TOutcome end = PrepareUnpacker("UNZDLL.DLL")) return end;
  if (TOutcome end = Product.Check(Talk, Work, Journal, folderText)) return end;
  if (Medium.One)
    if (TOutcome end = PrepareCarriedUnpacker()) return end;
  Editions.NoteInstalled(Talk.Log, Product.Path);
  if (TOutcome end = Disks.First(Talk)) return end;
  if (TOutcome end = Editions.AcceptNamed(Talk, Disks)) return end;
  for (int disk = 1;; ++disk) {
    if (TOutcome end = Pass()) return end;
    if (disk == Disks.Count()) break;
    if (TOutcome end = Disks.Next(Talk, disk + 1)) return end;
  }
  Unzip.reset();
  if (!Placing.Commit()) {
    Talk.LogFailure();
    return UndoRun;
  }
  if (Talk.Ask(TAsk::Start, MsgSuccess, TxtSucceeded, TxtStartProduct) == IDOK) StartProduct();
  return TRunEnd::Succeeded;
}

void TUpdateRun::RunUpdate(const char* folderText) {
  LogStart(Talk.Log, Medium);
  const TOutcome end = Run(folderText);
  End(end.Undoes() ? Fail() : end.How());
}
