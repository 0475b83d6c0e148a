#include "update/run/ProductFolder.h"

#include <string.h>

#include <memory>
#include <new>

#include "update/files/FileUtils.h"
#include "update/log/Messages.h"
#include "update/files/ProductNames.h"
#include "update/log/RunRecord.h"
#include "update/transaction/Placement.h"

namespace {

// The folder text with blanks and control characters taken off both ends, whole; null when
// memory runs out.
std::unique_ptr<char[]> TrimmedText(const char* text) {
  const size_t n = strlen(text);
  std::unique_ptr<char[]> trimmed(new (std::nothrow) char[n + 1]);
  if (!trimmed) return trimmed;
  memcpy(trimmed.get(), text, n + 1);
  TrimPath(trimmed.get());
  return trimmed;
}

bool FullyQualified(const char* path) {
  const bool drive =
      ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':' && path[2] == '\\';
  return drive || (path[0] == '\\' && path[1] == '\\');
}

// A folder text relative to the current directory (or to the current drive) is made whole:
// the run changes the current directory before it starts the product, and the unpacking
// library resolves names its own way. False when the whole path does not fit.
bool MakeFullPath(char* target) {
  if (FullyQualified(target)) return true;
  char full[MAX_PATH];
  DWORD n = GetFullPathNameA(target, MAX_PATH, full, nullptr);
  if (n >= MAX_PATH) SetLastError(ERROR_FILENAME_EXCED_RANGE);
  if (n == 0 || n >= MAX_PATH) return false;
  memcpy(target, full, n + 1);
  return true;
}

}  // namespace

// A work folder that an earlier run of ours left behind is undone and removed: the product
// first gets back what an interrupted run changed. Folders that are not ours stay as they
// are; one whose journal is damaged stays too, with every backup, and the update goes no
// further.
TOutcome TProductFolder::RecoverEarlierRuns(TRunTalk& talk) {
  TOutcome end;
  ForEachWorkFolder(Path, [&](const char* path, DWORD attributes) {
    TFolder work, backup;
    TJournalRecords records;
    char journal[MAX_PATH], backupPath[MAX_PATH];
    switch (ReadWorkFolder(path, attributes, &work, &records)) {
      case TJournalState::NotOurs:
        // A folder of the user's, named like ours: said only when it looks like one of ours.
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            (JoinPath(path, JournalName, journal) && Exists(journal)))
          talk.Log.Line(TxtLogNotOurs, AnsiText{path});
        return true;
      case TJournalState::Damaged:
        talk.Log.Line(TxtLogRecovering, AnsiText{path});
        talk.SayNotRestored(path);
        end = TRunEnd::RestoreIncomplete;
        return false;
      case TJournalState::Ours: break;
    }
    if (JoinPath(path, BackupName, backupPath) && Exists(backupPath) &&
        !backup.Open(backupPath, true, false)) {
      talk.Log.Line(TxtLogNotOurs, AnsiText{backupPath});
      return true;
    }
    const TUndo undone = RollBack(records, Folder, Forms, backup);
    if (undone == TUndo::Incomplete) talk.LogFailure();
    if (undone != TUndo::Nothing) talk.Log.Line(TxtLogRecovering, AnsiText{path});
    if (undone == TUndo::Incomplete) {
      talk.SayNotRestored(path);
      end = TRunEnd::RestoreIncomplete;
      return false;
    }
    // Marked undone before it goes: what cannot be removed now is removed by a later run,
    // and never undone again.
    TJournal mark;
    if (records.Committed() || (mark.Append(work) && mark.Record(TStep::Commit, 0, ""))) {
      mark.Close();
      backup.Close();
      RemoveWorkFolder(work);
    }
    if (undone == TUndo::Restored) talk.Say(MsgInfo, TxtInterrupted, TxtRestored);
    return true;
  });
  return end;
}

TOutcome TProductFolder::Check(TRunTalk& talk, TWorkDir& work, TJournal& journal,
                               const char* folderText) {
  const std::unique_ptr<char[]> text = TrimmedText(folderText);
  const size_t length = text ? strlen(text.get()) : MAX_PATH;
  if (length == 0) {
    talk.Say(MsgError, TxtEnterFolder);
    return TRunEnd::FolderRefused;
  }
  if (length >= MAX_PATH) {
    // Named as typed: cut to what a path holds, the text may well name another folder.
    talk.Say(MsgError, TxtFolderEntered, AnsiText{text ? text.get() : ""}, TxtPathTooLong);
    return TRunEnd::FolderRefused;
  }
  memcpy(Path, text.get(), length + 1);
  if (!MakeFullPath(Path) || !PathExists(Path))
    return talk.Failed(TRunEnd::FolderRefused, TxtFolderEntered, TxtDoesNotExist);
  char program[MAX_PATH];
  if (!JoinPath(Path, ProductProgram, program)) {
    // The program may well be there; the folder is only too deep for the update's paths.
    talk.Say(MsgError, TxtFolderEntered, AnsiText{Path}, TxtPathTooLong);
    return TRunEnd::FolderRefused;
  }
  // A run stopped while the program itself was being replaced leaves it in its backup: the
  // folder is still the product's, and the recovery brings the program back.
  if (!PathExists(program) && !HasWorkFolder(Path)) {
    talk.Say(MsgError, TxtFolderIsNot, TxtNotProductFolder);
    return TRunEnd::FolderRefused;
  }
  if (!Folder.Open(Path, false, true))
    return talk.Failed(TRunEnd::FolderRefused, TxtFolderEntered, TxtDoesNotExist);
  switch (Lock.Take(Folder)) {
    case TLockTake::Taken: break;
    case TLockTake::TooLong:
      talk.Say(MsgError, TxtFolderEntered, AnsiText{Path}, TxtPathTooLong);
      return TRunEnd::FolderRefused;
    case TLockTake::Unwritable:
      // Refused as the work folder would be: its name and the system's reason.
      talk.LogFailure();
      if (work.Make(Path)) work.Remove();
      talk.Say(MsgError, TxtCreateDirError, AnsiText{work.Path()});
      return TRunEnd::FolderRefused;
    case TLockTake::Busy: return talk.Failed(TRunEnd::Busy, TxtBusy);
  }
  // The forms folder may be a link an administrator made (the forms kept on a share): the
  // update's forms go through it, and nothing else does.
  char forms[MAX_PATH];
  if (!JoinPath(Path, FormsFolder, forms) || !Exists(forms) || !Forms.Open(forms, false, true))
    Forms.Close();
  if (TOutcome end = RecoverEarlierRuns(talk)) return end;
  if (!PathExists(program)) {
    talk.Say(MsgError, TxtFolderIsNot, TxtNotProductFolder);
    return TRunEnd::FolderRefused;
  }
  talk.Log.Attach(Folder);
  talk.Log.Line(TxtLogProduct, AnsiText{Path});

  // Nothing is changed yet: a window that cannot show the run ends it here.
  if (!talk.Ui.ClearFile() || !talk.Ui.ShowStage(TxtMakingWorkDir)) return TRunEnd::NotChanged;
  // A run stopped earlier with the window open leaves its work folder: Make takes it away
  // rather than leave TempN litter in the product folder.
  if (work.Make(Path) && journal.Create(work.Folder())) return {};
  return talk.Failed(TRunEnd::FolderRefused, TxtCreateDirError, AnsiText{work.Path()});
}
