#include "update/files/FindFiles.h"

#include "update/files/FileUtils.h"

FindFiles::FindFiles(const char* path) { handle_ = FindFirstFileA(path, &data_); }

FindFiles::FindFiles(const char* folder, const char* pattern) {
  char path[MAX_PATH];
  if (folder && folder[0] != '\0' && JoinPath(folder, pattern, path))
    handle_ = FindFirstFileA(path, &data_);
  else
    SetLastError(ERROR_BAD_PATHNAME);
}

FindFiles::~FindFiles() {
  if (Found()) FindClose(handle_);
}
