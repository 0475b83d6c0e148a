#include "update/FileUtils.h"

#include <windows.h>
#include <string.h>

#include "update/FindFiles.h"

namespace {

bool IsControlOrBlank(char c) {
  const signed char s = static_cast<signed char>(c);
  return s >= 1 && s <= 32;
}

bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }

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
  return FindFiles(path).Found();
}

void ClearReadOnlyTree(const char* folder) {
  FindFiles search(folder, "*.*");
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
    // A busy pause: the run holds the UI thread anyway, and no messages are pumped here.
    const DWORD pauseStart = GetTickCount();
    while (TicksSince(pauseStart) < pauseMs) {
    }
  } while (TicksSince(start) < budgetMs);
  return false;
}

bool DeleteTree(const char* folder) {
  FindFiles search(folder, "*.*");
  if (!search.Found()) return true;
  char path[MAX_PATH];
  do {
    const WIN32_FIND_DATAA& e = search.Entry();
    if (IsDotName(e)) continue;
    if (!JoinPath(folder, e.cFileName, path)) continue;
    if (IsFolder(e)) {
      // A linked folder goes as the link alone; what it points to is not ours.
      if (!IsLink(e)) DeleteTree(path);
      RemoveDirectoryA(path);
    } else if (!DeleteFileRetry(path)) {
      return false;
    }
  } while (search.Next());
  return true;
}

bool RunProgram(const char* program) {
  if (program == nullptr || program[0] == '\0') return false;
  // The quoted path is only what the program sees as its command line; the system
  // starts the application name, so blanks in it can never pick another program.
  char commandLine[MAX_PATH + 2];
  const size_t n = strlen(program);
  if (n >= MAX_PATH) return false;
  commandLine[0] = '"';
  memcpy(commandLine + 1, program, n);
  commandLine[n + 1] = '"';
  commandLine[n + 2] = '\0';

  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  memset(&process, 0, sizeof process);
  if (!CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}
