#include "update/Placement.h"

#include <string.h>
#include <strsafe.h>

#include "update/FileUtils.h"

namespace {

const DWORD Moved = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

bool BackupOf(const char* workDir, unsigned index, char* path) {
  return SUCCEEDED(StringCchPrintfA(path, MAX_PATH, "%s\\%s\\%u", workDir, BackupName, index)) &&
         strlen(path) < MAX_PATH - 1;
}

bool Flush(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    // A read-only copy cannot be opened for writing; its bytes were written all the same.
    return GetLastError() == ERROR_ACCESS_DENIED && Exists(path);
  }
  const bool ok = FlushFileBuffers(file) != FALSE;
  CloseHandle(file);
  return ok;
}

}  // namespace

bool BackupFolder(const char* workDir, char* path) { return JoinPath(workDir, BackupName, path); }

bool TPlacement::TempFor(const char* dest, unsigned index, char* temp) const {
  const char* slash = strrchr(dest, '\\');
  if (!slash) return false;
  const int dirLen = static_cast<int>(slash - dest);
  return SUCCEEDED(StringCchPrintfA(temp, MAX_PATH, "%.*s\\~tlv%u.tmp", dirLen, dest, index)) &&
         strlen(temp) < MAX_PATH - 1;
}

bool TPlacement::Fits(const char* dest) const {
  char temp[MAX_PATH], backup[MAX_PATH];
  // The largest numbers a run of this size can reach stand in for the real ones.
  return TempFor(dest, 999999, temp) && BackupOf(WorkDir, 999999, backup);
}

bool TPlacement::Place(const char* source, const char* dest) {
  // A folder of the product under a file's name is never moved aside: at the close it would
  // go with the work folder, and everything in it.
  const DWORD existing = GetFileAttributesA(dest);
  if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY)) return false;

  unsigned index;
  char temp[MAX_PATH];
  do {
    index = Next++;
    if (!TempFor(dest, index, temp)) return false;
  } while (Exists(temp));  // never a file that is not ours

  // One flushed write announces the temporary and what becomes of the destination; each
  // step after it can be undone from these two records alone.
  const bool owned = Owned.Contains(dest);
  const bool original = !owned && Exists(dest);
  const TEntry entries[2] = {{TStep::Temp, index, temp},
                             {original ? TStep::Original : TStep::New, index, dest}};
  if ((!owned && !Owned.Add(dest)) || !Journal.Record(entries, owned ? 1 : 2)) return false;
  if (!CopyFileA(source, temp, TRUE) || !Flush(temp)) return false;

  if (owned) {
    MakeWritable(dest);
  } else if (original) {
    char folder[MAX_PATH], backup[MAX_PATH];
    if (!BackupFolder(WorkDir, folder) || !BackupOf(WorkDir, index, backup)) return false;
    if (!Exists(folder) && !CreateDirectoryA(folder, nullptr)) return false;
    if (!MoveFileExA(dest, backup, MOVEFILE_WRITE_THROUGH)) return false;
  }
  return MoveFileExA(temp, dest, Moved) != FALSE;
}

TUndo RollBack(const char* workDir, TJournal* open) {
  TJournalRecords records;
  // A journal that cannot be read says nothing of what changed: nothing may be claimed.
  if (!records.Read(workDir)) return TUndo::Incomplete;
  if (records.Committed()) return TUndo::Nothing;
  bool changed = false, whole = true;
  for (int i = records.Count() - 1; i >= 0; --i) {
    const TRecord& r = records[i];
    char backup[MAX_PATH];
    switch (r.Step) {
      case TStep::Temp:
        if (Exists(r.Path)) {
          MakeWritable(r.Path);
          whole = DeleteFileA(r.Path) && whole;
        }
        break;
      case TStep::New:
        if (Exists(r.Path)) {
          changed = true;
          MakeWritable(r.Path);
          whole = DeleteFileA(r.Path) && whole;
        }
        break;
      case TStep::Original:
        if (BackupOf(workDir, r.Index, backup) && Exists(backup)) {
          changed = true;
          MakeWritable(r.Path);
          whole = MoveFileExA(backup, r.Path, Moved) && whole;
        }
        break;
      case TStep::Commit:
        break;
    }
  }
  if (!whole) return TUndo::Incomplete;
  // Nothing is left to undo: a later recovery must not undo it again.
  if (open) open->Record(TStep::Commit, 0, "");
  return changed ? TUndo::Restored : TUndo::Nothing;
}
