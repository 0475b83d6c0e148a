#include "update/CheckTarget.h"

#include <string.h>

#include <windows.h>
#include <strsafe.h>

#include <memory>

#include "app/Messages.h"
#include "app/ShowMsg.h"
#include "app/UMain.h"
#include "update/FileUtils.h"
#include "update/UpdateState.h"

namespace {

// The folder text with characters up to the blank removed at both ends, cut to what a
// path buffer holds.
void ReadTargetDir(char* target) {
  // The box has no length limit of its own: blanks before the path must not push it out.
  int size = FMain->EditFolder->GetText(target, MAX_PATH) + 1;
  std::unique_ptr<char[]> text(new char[size]);
  FMain->EditFolder->GetText(text.get(), size);
  const unsigned char* begin = reinterpret_cast<const unsigned char*>(text.get());
  const unsigned char* end = begin + strlen(text.get());
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

// The first free TempN in TargetDir, in name (a buffer larger than a path, so that a name
// that no longer fits a path is seen whole); false when it does not fit.
bool NextWorkDir(char* name, size_t size) {
  for (unsigned n = 1;; ++n) {
    if (FAILED(StringCchPrintfA(name, size, "%s\\Temp%u", UpdateState.TargetDir, n)) ||
        strlen(name) >= MAX_PATH)
      return false;
    if (!PathExists(name)) return true;
  }
}

bool MakeWorkDir() {
  char name[MAX_PATH + 16];
  bool fits = NextWorkDir(name, sizeof name);
  UpdateState.WorkDir[0] = '\0';
  if (fits) {
    strcpy(UpdateState.WorkDir, name);
    if (CreateDirectoryA(UpdateState.WorkDir, nullptr)) {
      UpdateState.WorkDirMade = true;
      return true;
    }
  }
  ShowMsg(MsgError, TxtCreateDirError, name);
  return false;
}

}  // namespace

bool CheckTargetFolder() {
  ReadTargetDir(UpdateState.TargetDir);
  if (TrimPath(UpdateState.TargetDir) == 0) {
    ShowMsg(MsgError, TxtEnterFolder);
    FMain->EditFolder->SetFocus();
    return false;
  }
  if (!MakeFullPath(UpdateState.TargetDir) || !PathExists(UpdateState.TargetDir)) {
    ShowMsg(MsgError, TxtFolderEntered, TxtDoesNotExist);
    return false;
  }
  char program[MAX_PATH];
  if (!JoinPath(UpdateState.TargetDir, ProductProgram, program) || !PathExists(program)) {
    ShowMsg(MsgError, TxtFolderIsNot, TxtNotProductFolder);
    return false;
  }

  FMain->LblAction->SetCaption(TxtMakingWorkDir);
  FMain->LblFile->SetCaption("");
  FMain->Repaint();
  // A run stopped earlier with the window open leaves its work folder: take it away
  // rather than leave TempN litter in the product folder.
  RemoveWorkDir();
  return MakeWorkDir();
}
