#include "update/WorkDir.h"

#include <string.h>
#include <strsafe.h>

#include "update/FileUtils.h"
#include "update/FindFiles.h"
#include "update/Placement.h"

namespace {

// The first free TempN in target, in name (a buffer larger than a path, so that a name
// that no longer fits a path is seen whole); false when it does not fit.
bool NextWorkDir(const char* target, char* name, size_t size) {
  for (unsigned n = 1;; ++n) {
    if (FAILED(StringCchPrintfA(name, size, "%s\\Temp%u", target, n)) ||
        strlen(name) >= MAX_PATH)
      return false;
    if (!PathExists(name)) return true;
  }
}

// The tree deletion leaves names that begin with a dot, but an archive may bring such a
// file into the work folder, which is wholly ours: it must not keep the folder on disk.
void DeleteDotFiles(const char* folder) {
  FindFiles files(folder, "*.*");
  if (!files.Found()) return;
  char path[MAX_PATH];
  do {
    const char* name = files.Name();
    bool dotFile = name[0] == '.' && !(files.Entry().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (dotFile && JoinPath(folder, name, path)) DeleteFileRetry(path);
  } while (files.Next());
}

}  // namespace

bool IsWorkFolderName(const char* name) {
  if (strncmp(name, "Temp", 4) != 0 || !name[4]) return false;
  for (const char* c = name + 4; *c; ++c)
    if (*c < '0' || *c > '9') return false;
  return true;
}

bool TWorkDir::Make(const char* target) {
  Remove();
  Name[0] = '\0';
  if (!NextWorkDir(target, Name, sizeof Name)) return false;
  Made = CreateDirectoryA(Name, nullptr) != FALSE;
  return Made;
}

void TWorkDir::Remove() {
  if (!Made) return;
  Made = false;
  if (PathExists(Name)) RemoveWorkFolder(Name);
}

void RemoveWorkFolder(const char* path) {
  // There is nobody to tell when a file stays.
  char backup[MAX_PATH];
  if (BackupFolder(path, backup)) {
    DeleteTree(backup);
    RemoveDirectoryA(backup);
  }
  DeleteDotFiles(path);
  DeleteTree(path);
  RemoveDirectoryA(path);
}
