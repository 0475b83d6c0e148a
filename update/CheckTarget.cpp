// The folder check: the folder text becomes the target folder, which must be the product's,
// and a fresh work folder is made in it.
#include "update/UpdateRun.h"

#include <string.h>

#include "update/FileUtils.h"
#include "update/FindFiles.h"
#include "update/Messages.h"
#include "update/RunRecord.h"

namespace {

// The folder text with characters up to the blank removed at both ends, cut to what a
// path buffer holds.
void ReadTargetDir(const char* text, char* target) {
  const unsigned char* begin = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* end = begin + strlen(text);
  while (begin < end && *begin <= ' ') ++begin;
  while (end > begin && end[-1] <= ' ') --end;
  size_t n = end - begin;
  if (n > MAX_PATH - 1) n = MAX_PATH - 1;
  memset(target, 0, MAX_PATH);
  memcpy(target, begin, n);
}

bool FullyQualified(const char* path) {
  const bool drive = ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':' &&
                     path[2] == '\\';
  return drive || (path[0] == '\\' && path[1] == '\\');
}

// A folder text relative to the current directory (or to the current drive) is made whole:
// the run changes the current directory before it starts the product, and the unpacking
// library resolves names its own way. False when the whole path does not fit.
bool MakeFullPath(char* target) {
  if (FullyQualified(target)) return true;
  char full[MAX_PATH];
  DWORD n = GetFullPathNameA(target, MAX_PATH, full, nullptr);
  if (n == 0 || n >= MAX_PATH) return false;
  memcpy(target, full, n + 1);
  return true;
}

// "Temp" and digits: the names of our work folders.
bool IsWorkFolderName(const char* name) {
  if (strncmp(name, "Temp", 4) != 0 || !name[4]) return false;
  for (const char* c = name + 4; *c; ++c)
    if (*c < '0' || *c > '9') return false;
  return true;
}

// Calls visit(path) for each work folder of ours in target until it returns false. Folders
// of the user's, even one named TempN, carry no journal of ours and are never visited.
template <typename Visit>
bool ForEachWorkFolder(const char* target, Visit visit) {
  FindFiles folders(target, "Temp*");
  if (!folders.Found()) return true;
  do {
    char path[MAX_PATH];
    TJournalRecords records;
    if ((folders.Entry().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        IsWorkFolderName(folders.Name()) && JoinPath(target, folders.Name(), path) &&
        records.Read(path) && !visit(path))
      return false;
  } while (folders.Next());
  return true;
}

bool HasWorkFolder(const char* target) {
  return !ForEachWorkFolder(target, [](const char*) { return false; });
}

}  // namespace

// A work folder that an earlier run of ours left behind is undone and removed: the product
// first gets back what an interrupted run changed.
bool TUpdateRun::RecoverEarlierRuns() {
  return ForEachWorkFolder(Target, [this](const char* path) {
    const TUndo undone = RollBack(path);
    if (undone != TUndo::Nothing) Log.Line(TxtLogRecovering, AnsiText{path});
    if (undone == TUndo::Incomplete) {
      SayNotRestored(path);
      return false;
    }
    RemoveWorkFolder(path);
    if (undone == TUndo::Restored) Say(MsgInfo, TxtInterrupted, TxtRestored);
    return true;
  });
}

bool TUpdateRun::CheckTargetFolder(const char* folderText) {
  ReadTargetDir(folderText, Target);
  if (TrimPath(Target) == 0) {
    Say(MsgError, TxtEnterFolder);
    return false;
  }
  if (!MakeFullPath(Target) || !PathExists(Target)) {
    Say(MsgError, TxtFolderEntered, TxtDoesNotExist);
    return false;
  }
  char program[MAX_PATH];
  if (!JoinPath(Target, ProductProgram, program)) {
    // The program may well be there; the folder is only too deep for the update's paths.
    Say(MsgError, TxtFolderEntered, AnsiText{Target}, TxtPathTooLong);
    return false;
  }
  // A run stopped while the program itself was being replaced leaves it in its backup: the
  // folder is still the product's, and the recovery brings the program back.
  if (!PathExists(program) && !HasWorkFolder(Target)) {
    Say(MsgError, TxtFolderIsNot, TxtNotProductFolder);
    return false;
  }
  if (!Lock.Take(Target)) {
    Say(MsgError, TxtBusy);
    Refusal = TRunEnd::Busy;
    return false;
  }
  if (!RecoverEarlierRuns()) {
    Refusal = TRunEnd::RestoreIncomplete;
    return false;
  }
  if (!PathExists(program)) {
    Say(MsgError, TxtFolderIsNot, TxtNotProductFolder);
    return false;
  }
  Log.Attach(Target);
  Log.Line(TxtLogProduct, AnsiText{Target});

  Ui.ClearFile();
  Ui.ShowStage(TxtMakingWorkDir);
  // A run stopped earlier with the window open leaves its work folder: Make takes it away
  // rather than leave TempN litter in the product folder.
  if (Work.Make(Target) && Journal.Create(WorkDir())) return true;
  Say(MsgError, TxtCreateDirError, AnsiText{Work.Path()});
  return false;
}
