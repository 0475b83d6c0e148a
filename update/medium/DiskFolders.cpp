#include "update/medium/DiskFolders.h"

#include <windows.h>
#include <string.h>

#include "update/files/FileUtils.h"

bool IsFirstDiskFolder(const char* folder) {
  const char* name = strrchr(folder, '\\');
  return name && lstrcmpiA(name + 1, "DISK1") == 0;
}

bool DiskFolder(const char* folder, int number, char* out) {
  char parent[MAX_PATH], name[16];
  lstrcpynA(parent, folder, MAX_PATH);
  if (char* slash = strrchr(parent, '\\')) *slash = '\0';
  wsprintfA(name, "DISK%d", number);
  return JoinPath(parent, name, out);
}
