#include "update/files/FileUtils.h"

#include <windows.h>
#include <string.h>

#include "update/files/FindFiles.h"

namespace {

bool IsDotName(const WIN32_FIND_DATAA& e) { return e.cFileName[0] == '.'; }

bool IsFolder(const WIN32_FIND_DATAA& e) {
  return (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Junctions and symbolic links: their targets lie outside the tree being walked.
bool IsLink(const WIN32_FIND_DATAA& e) {
  return (e.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Elapsed milliseconds since a tick reading; unsigned difference survives the wrap.
DWORD TicksSince(DWORD start) { return GetTickCount() - start; }

}  // namespace

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

void MakeWritable(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
}

void ClearReadOnlyTree(const char* folder) {
  TFindFiles search(folder, "*.*");
  if (!search.Found()) return;
  char path[MAX_PATH];
  do {
    const WIN32_FIND_DATAA& e = search.Entry();
    if (IsDotName(e) || IsLink(e)) continue;
    if (!JoinPath(folder, e.cFileName, path)) continue;
    if (IsFolder(e)) {
      ClearReadOnlyTree(path);
    } else if (e.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
      SetFileAttributesA(path, e.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
    }
  } while (search.Next());
}

bool DeleteFileRetry(const char* path) {
  const DWORD budgetMs = 10000;
  const DWORD pauseMs = 100;
  const DWORD start = GetTickCount();
  do {
    if (DeleteFileA(path)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
    if (error == ERROR_ACCESS_DENIED) {
      const DWORD attributes = GetFileAttributesA(path);
      if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    Sleep(pauseMs);
  } while (TicksSince(start) < budgetMs);
  return false;
}
