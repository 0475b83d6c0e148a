// The folder check: the folder text becomes the target folder, which must be the product's,
// and a fresh work folder is made in it.
#include "update/UpdateRun.h"

#include <string.h>

#include "update/FileUtils.h"
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

}  // namespace

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
  if (Work.Make(Target)) return true;
  Say(MsgError, TxtCreateDirError, AnsiText{Work.Path()});
  return false;
}
