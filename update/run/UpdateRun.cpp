#include "update/run/UpdateRun.h"

#include <new>

#include "update/files/FileUtils.h"
#include "update/log/RunRecord.h"
#include "update/medium/OneFile.h"
#include "update/files/ProductNames.h"
#include "update/log/Messages.h"
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
    case TUndo::Incomplete: break;
  }
  // What is left of the product's own files stays in the backup folder for good.
  Work.Keep();
  Talk.SayNotRestored(WorkDir());
  return TRunEnd::RestoreIncomplete;
}

namespace {

// The hash of the library the program was built with (its resource); null without one.
const BYTE* BuiltLibraryHash() {
  const HRSRC found = FindResourceA(nullptr, UnzDllHashResource, RT_RCDATA);
  return found && SizeofResource(nullptr, found) == HashBytes
             ? static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)))
             : nullptr;
}

}  // namespace

TOutcome TUpdateRun::ReadUnpacker() {
  // The library beside the program, by its full path: never where the system would look.
  char folder[MAX_PATH];
  const bool named = GetOwnDir(folder) && JoinPath(folder, LibraryName, LibraryPath);
  const TUnzLoad taken = named ? Unzip->ReadUnzDll(LibraryPath) : TUnzLoad::NoLibrary;
  return taken == TUnzLoad::Taken ? TOutcome() : RefuseLibrary(taken);
}

TOutcome TUpdateRun::LoadUnpacker() {
  // By where the run's own folder lies, links resolved: a link above it that is moved
  // meanwhile leads the load nowhere else.
  wchar_t folder[MAX_PATH];
  const TUnzLoad load =
      Work.LibraryFolder().FinalPath(folder) ? Unzip->LoadUnzDll(folder) : TUnzLoad::NoLibrary;
  if (load != TUnzLoad::Loaded) return RefuseLibrary(load);
  Unzip->SetReporter(this);
  return {};
}

TOutcome TUpdateRun::RefuseLibrary(TUnzLoad load) {
  if (load != TUnzLoad::NotOurs) {
    Unzip.reset();
    return Talk.Failed(TRunEnd::NoLibrary,
                       load == TUnzLoad::NoLibrary ? TxtMissingDll : TxtUnpackError,
                       TxtCannotUpdate);
  }
  // Another library than the build's: never loaded. The log has both hashes.
  char found[2 * HashBytes + 1], built[2 * HashBytes + 1];
  HexText(Unzip->FoundHash(), HashBytes, found);
  HexText(Unzip->ExpectedHash(), HashBytes, built);
  Unzip.reset();
  const TMsgLine from =
      Medium.OwnFile ? TMsgLine(Medium.OwnFile->Path()) : TMsgLine(AnsiText{LibraryPath});
  Talk.Log.Line(TxtLogLibrary, from, TxtLogLibraryHash, Cp1251Text{found});
  Talk.Log.Line(TxtLogLibraryBuilt, Cp1251Text{built});
  // What a one-file medium carries is the file's: the file is damaged.
  if (Medium.OwnFile) return Disks.Damaged(Talk, nullptr, nullptr);
  Talk.Say(MsgError, TxtLibrary, AnsiText{LibraryPath}, TMsgLine(TxtLibraryChanged));
  Talk.Say(MsgWarning, TxtNotFinished, TxtNotChanged);
  return TRunEnd::NoLibrary;
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
  if (TOutcome end = Editions.AcceptBrought(Talk, WorkDir())) return end;
  return DistributeFiles();
}

TOutcome TUpdateRun::Run(const char* folderText) {
  // A missing or foreign library is refused before the folder is looked at; what a one-file
  // medium carries is read from the file once the folder is accepted. The bytes read are the
  // bytes loaded, from the run's own work folder.
  Unzip.reset(new (std::nothrow) CInfoZip(BuiltLibraryHash()));
  if (!Unzip) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return Talk.Failed(TRunEnd::NoLibrary, TxtUnpackError, TxtCannotUpdate);
  }
  if (!Medium.OwnFile)
    if (TOutcome end = ReadUnpacker()) return end;
  if (TOutcome end = Product.Check(Talk, Work, Journal, folderText)) return end;
  if (Medium.OwnFile)
    if (TOutcome end = TakeCarriedUnpacker()) return end;
  if (TOutcome end = LoadUnpacker()) return end;
  Editions.NoteInstalled(Talk.Log, Product.Path);
  if (TOutcome end = Disks.First(Talk)) return end;
  if (TOutcome end = Editions.AcceptNamed(Talk, Disks)) return end;
  for (int disk = 1;; ++disk) {
    if (TOutcome end = Pass()) return end;
    if (disk == Disks.DiskCount()) break;
    if (TOutcome end = Disks.Next(Talk, disk + 1)) return end;
  }
  Unzip.reset();
  if (!Placing.Commit()) {
    Talk.LogFailure();
    return UndoRun;
  }
  if (Talk.Ask(TAsk::Start, MsgQuestionOkCancel, TxtSucceeded, TxtStartProduct) == IDOK) StartProduct();
  return TRunEnd::Succeeded;
}

void TUpdateRun::RunUpdate(const char* folderText) {
  LogStart(Talk.Log,
           Medium.OwnFile ? TMsgLine(Medium.OwnFile->Path()) : TMsgLine(AnsiText{Medium.Folder}),
           Medium.Drive, Medium.Key.Fingerprint);
  const TOutcome end = Run(folderText);
  End(end.Undoes() ? Fail() : end.How());
}
