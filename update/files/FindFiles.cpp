#include "update/files/FindFiles.h"

#include "update/files/FileUtils.h"

TFindFiles::TFindFiles(const char* path) { Handle = FindFirstFileA(path, &Data); }

TFindFiles::TFindFiles(const char* folder, const char* pattern) {
  char path[MAX_PATH];
  if (folder && folder[0] != '\0' && JoinPath(folder, pattern, path))
    Handle = FindFirstFileA(path, &Data);
  else
    SetLastError(ERROR_BAD_PATHNAME);
}

TFindFiles::~TFindFiles() {
  if (Found()) FindClose(Handle);
}
