#include "update/UpdateRun.h"

#include <strsafe.h>
#include <string.h>

#include <new>

#include "update/Compose.h"
#include "update/FileUtils.h"
#include "update/Messages.h"
#include "update/ProductNames.h"
#include "update/RunRecord.h"
#include "update/StartProgram.h"
#include "update/WorkDir.h"

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

namespace {

// The hash of the library the program was built with (its resource); null without one.
const BYTE* BuiltLibraryHash() {
  const HRSRC found = FindResourceA(nullptr, UnzDllHashResource, RT_RCDATA);
  return found && SizeofResource(nullptr, found) == HashBytes
             ? static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)))
             : nullptr;
}

// UNZDLL.DLL beside the running program, never where the system's search would find one.
bool LibraryBesideProgram(char (&path)[MAX_PATH]) {
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  char* slash = n && n < MAX_PATH ? strrchr(path, '\\') : nullptr;
  if (!slash || slash + sizeof "\\UNZDLL.DLL" > path + MAX_PATH) return false;
  strcpy(slash, "\\UNZDLL.DLL");
  return true;
}

}  // namespace

TUpdateRun::TOutcome TUpdateRun::PrepareUnpacker() {
  Unzip.reset(new (std::nothrow) CInfoZip(BuiltLibraryHash()));
  if (!Unzip) {
    Say(MsgError, TxtUnpackError, TxtCannotUpdate);
    return TRunEnd::NoLibrary;
  }
  char library[MAX_PATH];
  const TUnzLoad load =
      LibraryBesideProgram(library) ? Unzip->LoadUnzDll(library) : TUnzLoad::NoLibrary;
  if (load == TUnzLoad::NotOurs) {
    char found[2 * HashBytes + 1], expected[2 * HashBytes + 1];
    HexText(Unzip->FoundHash(), HashBytes, found);
    HexText(Unzip->ExpectedHash(), HashBytes, expected);
    Log.Line(TxtLogLibrary, AnsiText{library}, TxtLogLibraryHash, Cp1251Text{found});
    Log.Line(TxtLogLibraryBuilt, Cp1251Text{expected});
    Say(MsgError, TxtLibrary, AnsiText{library}, TMsgLine(TxtLibraryChanged), TxtNotFinished,
        TxtNotChanged);
  } else if (load != TUnzLoad::Loaded) {
    LogFailure();
    Say(MsgError, load == TUnzLoad::NoLibrary ? TxtMissingDll : TxtUnpackError, TxtCannotUpdate);
  }
  if (load != TUnzLoad::Loaded) {
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
  if (TOutcome end = AcceptEdition()) return end;
  return DistributeFiles();
}

TRunEnd TUpdateRun::Run(const char* folderText) {
  if (TOutcome end = PrepareUnpacker()) return *end;
  if (TOutcome end = CheckTargetFolder(folderText)) return *end;
  NoteInstalledEdition();
  bool wrong;
  if (TOutcome end = TakeDisk(1, &wrong)) return *end;
  if (wrong) return Fail();
  // A removable medium that says how many disks it has is asked for no more.
  const int disks = !Medium.Removable ? 1 : Disk.Valid() ? Disk.Disks : 3;
  for (int disk = 1;; ++disk) {
    if (TOutcome end = Pass()) return *end;
    if (disk == disks) break;
    if (TOutcome end = ChangeDisk(disk + 1)) return *end;
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
