#include "update/UpdateState.h"

#include "unzip/InfoZip.h"
#include "update/FileUtils.h"

TUpdateState UpdateState;

void ReleaseUnpacker() {
  delete UpdateState.Unpacker;
  UpdateState.Unpacker = nullptr;
}

void RemoveWorkDir() {
  if (!UpdateState.WorkDirMade || !PathExists(UpdateState.WorkDir)) return;
  // A file that cannot be deleted leaves the folder on disk; there is nobody to tell.
  DeleteTree(UpdateState.WorkDir);
  RemoveDirectoryA(UpdateState.WorkDir);
  UpdateState.WorkDirMade = false;
}
