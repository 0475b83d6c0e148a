// Stand-in until the file utilities are in the tree: the module's folder, unfolded.
#include <string.h>
#include <windows.h>

#include "update/FileUtils.h"

int GetOwnDir(char* out) {
  DWORD n = GetModuleFileNameA(nullptr, out, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) n = 0;
  out[n] = '\0';
  char* slash = strrchr(out, '\\');
  if (!slash) slash = out;
  *slash = '\0';
  return static_cast<int>(slash - out);
}
