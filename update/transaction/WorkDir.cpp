#include "update/transaction/WorkDir.h"

#include <string.h>
#include <strsafe.h>

#include "update/files/FileUtils.h"
#include "update/files/FolderAccess.h"
#include "update/transaction/Journal.h"
#include "update/transaction/Placement.h"

namespace {

// Deletes everything in a work folder of ours but its journal; true when nothing else is left.
bool Empty(const TFolder& work) {
  bool whole = true;
  TFindFiles entries(work.Path(), "*");
  if (!entries.Found()) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const char* name = entries.Name();
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0 || strcmp(name, JournalName) == 0)
      continue;
    const bool folder = entries.Entry().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    whole = (folder ? RemoveTree(work, name) : DeleteEntry(work, name)) && whole;
  } while (entries.Next());
  return whole;
}

}  // namespace

bool IsWorkFolderName(const char* name) {
  if (strncmp(name, "Temp", 4) != 0 || !name[4]) return false;
  for (const char* c = name + 4; *c; ++c)
    if (*c < '0' || *c > '9') return false;
  return true;
}

TJournalState ReadWorkFolder(const char* path, DWORD attributes, TFolder* work,
                             TJournalRecords* records) {
  // Held, the folder stays the one opened while its access list is read.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !work->Open(path, true, false) ||
      !IsPrivateFolder(path))
    return TJournalState::NotOurs;
  return records->Read(*work);
}

bool HasWorkFolder(const char* target) {
  return !ForEachWorkFolder(target, [](const char* path, DWORD attributes) {
    TFolder work;
    TJournalRecords records;
    return ReadWorkFolder(path, attributes, &work, &records) == TJournalState::NotOurs;
  });
}

bool RemoveWorkFolder(TFolder& work) {
  if (!Empty(work) || !DeleteEntry(work, JournalName)) return false;
  char path[MAX_PATH];
  strcpy(path, work.Path());
  work.Close();
  return RemoveDirectoryA(path) != FALSE;
}

bool TWorkDir::Make(const char* target) {
  Release();
  Ended = false;
  for (unsigned n = 1;; ++n) {
    // A buffer larger than a path, so that a name that no longer fits is seen whole.
    if (FAILED(StringCchPrintfA(Name, sizeof Name, "%s\\Temp%u", target, n)) ||
        strlen(Name) >= MAX_PATH) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return false;
    }
    if (PathExists(Name)) continue;
    if (MakePrivateFolder(Name)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  char backup[MAX_PATH] = "", library[MAX_PATH] = "";
  if (Work.Open(Name, true, false) && JoinPath(Name, BackupName, backup) &&
      CreateDirectoryA(backup, nullptr) && Backup.Open(backup, true, false) &&
      JoinPath(Name, LibraryFolderName, library) && CreateDirectoryA(library, nullptr) &&
      Library.Open(library, true, false))
    return true;
  // Made new a moment ago, and empty: what was made goes again.
  const DWORD error = GetLastError();
  Keep();
  if (library[0]) RemoveDirectoryA(library);
  if (backup[0]) RemoveDirectoryA(backup);
  RemoveDirectoryA(Name);
  SetLastError(error);
  return false;
}

void TWorkDir::Remove(DWORD patienceMs) {
  if (!Work.IsOpen()) return;
  if (!Intact()) return Keep();  // no longer what was made here: not ours to touch
  Backup.Close();                // the removal opens them again, and never through a link
  Library.Close();
  const DWORD start = GetTickCount();
  while (!RemoveWorkFolder(Work) && Work.IsOpen() && GetTickCount() - start < patienceMs)
    Sleep(100);
  Work.Close();
}

void TWorkDir::Keep() {
  Work.Close();
  Backup.Close();
  Library.Close();
}
