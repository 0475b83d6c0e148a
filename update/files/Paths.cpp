#include "update/files/FileUtils.h"

#include <windows.h>
#include <string.h>

#include "update/files/FindFiles.h"

namespace {

bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }

bool IsControlOrBlank(char c) {
  const signed char s = static_cast<signed char>(c);
  return s >= 1 && s <= 32;
}

}  // namespace

int TrimPath(char* path) {
  int n = static_cast<int>(strlen(path));
  while (n > 0 && IsControlOrBlank(path[n - 1])) path[--n] = '\0';
  int lead = 0;
  while (lead < n && IsControlOrBlank(path[lead])) ++lead;
  if (lead > 0) {
    memmove(path, path + lead, n - lead + 1);
    n -= lead;
  }
  return n;
}

bool JoinPath(const char* folder, const char* name, char* out) {
  const size_t folderLen = strlen(folder);
  const size_t nameLen = strlen(name);
  const size_t seam = (folderLen > 0 && folder[folderLen - 1] != '\\') ? 1 : 0;
  if (folderLen + seam + nameLen >= MAX_PATH) {
    out[0] = '\0';
    return false;
  }
  memcpy(out, folder, folderLen);
  if (seam) out[folderLen] = '\\';
  memcpy(out + folderLen + seam, name, nameLen + 1);
  return true;
}

bool PathExists(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  return TFindFiles(path).Found();
}

void FoldCapitalRuns(char* folder) {
  // From the end toward the start, so each test sees its left neighbour unchanged.
  for (int i = static_cast<int>(strlen(folder)) - 1; i >= 1; --i) {
    if (IsCapital(folder[i]) && IsCapital(folder[i - 1])) folder[i] = folder[i] - 'A' + 'a';
  }
}

int GetOwnDir(char* out) {
  const DWORD n = GetModuleFileNameA(nullptr, out, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {  // a cut module path would name the wrong folder
    out[0] = '\0';
    return 0;
  }
  int cut = static_cast<int>(n);
  while (cut > 0 && out[cut - 1] != '\\') --cut;
  if (cut == 0) {
    out[0] = '\0';
    return 0;
  }
  --cut;
  out[cut] = '\0';
  FoldCapitalRuns(out);
  return cut;
}
