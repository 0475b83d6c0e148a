#include "update/UpdateState.h"

#include "unzip/InfoZip.h"
#include "update/FileUtils.h"
#include "update/FindFiles.h"

TUpdateState UpdateState;

void ReleaseUnpacker() {
  delete UpdateState.Unpacker;
  UpdateState.Unpacker = nullptr;
}

namespace {

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

void RemoveWorkDir() {
  if (!UpdateState.WorkDirMade || !PathExists(UpdateState.WorkDir)) return;
  // A file that cannot be deleted leaves the folder on disk; there is nobody to tell.
  DeleteDotFiles(UpdateState.WorkDir);
  DeleteTree(UpdateState.WorkDir);
  RemoveDirectoryA(UpdateState.WorkDir);
  UpdateState.WorkDirMade = false;
}
