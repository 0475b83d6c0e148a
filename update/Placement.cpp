#include "update/Placement.h"

#include <stdlib.h>
#include <string.h>
#include <strsafe.h>

#include <memory>
#include <new>

#include "update/FileUtils.h"
#include "update/ProductNames.h"

namespace {

// The largest number a file of a run can reach stands in for every real one.
const char LongestIndex[] = "4294967295.part";

bool BackupPath(const TFolder& backup, unsigned index, const char* tail, char* path) {
  return SUCCEEDED(StringCchPrintfA(path, MAX_PATH, "%s\\%u%s", backup.Path(), index, tail));
}

// Makes the bytes of a file of the folder durable; false when it is no plain file of it.
bool FlushEntry(const TFolder& folder, const char* name) {
  HANDLE file = OpenEntry(folder, name, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(file) != FALSE;
  const DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  return flushed;
}

// Renames a file to its new place. Across volumes (a forms folder linked elsewhere) the
// system copies it, and returns only once the copy is on the disk.
bool MoveTo(const char* from, const char* to, DWORD flags) {
  if (MoveFileExA(from, to, flags)) return true;
  if (GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
  return MoveFileExA(from, to, flags | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) != FALSE;
}

// Moves the product's file at dest into the backup folder as number index. The backup
// appears under its number only whole: across volumes it is copied under another name,
// flushed, then renamed, and the product's file stays until the update's replaces it.
bool MoveAside(const char* dest, const TFolder& backup, unsigned index) {
  char path[MAX_PATH], part[MAX_PATH];
  if (!BackupPath(backup, index, "", path) || !BackupPath(backup, index, ".part", part)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  if (MoveFileExA(dest, path, 0)) return true;
  if (GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
  char name[24];
  wsprintfA(name, "%u.part", index);
  return CopyFileA(dest, part, TRUE) && FlushEntry(backup, name) && MoveFileExA(part, path, 0);
}

}  // namespace

TPass::~TPass() {
  free(Names);
  free(Items);
}

bool TPass::Add(const char* name) {
  const size_t forms = IsRichText(name) ? strlen(FormsFolder) + 1 : 0;
  const size_t n = forms + strlen(name) + 1;
  if (NamesSize - NamesUsed < n) {
    size_t grown = NamesSize ? NamesSize * 2 : 4096;
    while (grown - NamesUsed < n) grown *= 2;
    char* names = static_cast<char*>(realloc(Names, grown));
    if (!names) return false;
    Names = names;
    NamesSize = grown;
  }
  if (Used == Size) {
    const int grown = Size ? Size * 2 : 256;
    TItem* items = static_cast<TItem*>(realloc(Items, grown * sizeof(TItem)));
    if (!items) return false;
    Items = items;
    Size = grown;
  }
  char* relative = Names + NamesUsed;
  if (forms) wsprintfA(relative, "%s\\", FormsFolder);
  strcpy(relative + forms, name);
  Items[Used++] = {NamesUsed, static_cast<unsigned>(forms), 0, TChange::New};
  NamesUsed += n;
  return true;
}

const TFolder& TPlacement::FolderOf(const TPass& pass, int i) const {
  return pass.Name(i) == pass.Relative(i) ? Product : Forms;
}

bool TPlacement::Destination(const TPass& pass, int i, char* dest) const {
  return JoinPath(Product.Path(), pass.Relative(i), dest);
}

bool TPlacement::Fits() const {
  char path[MAX_PATH];
  return SUCCEEDED(StringCchPrintfA(path, MAX_PATH, "%s\\%s", Backup.Path(), LongestIndex));
}

TDestination TPlacement::Examine(const TPass& pass, int i) const {
  const TFolder& folder = FolderOf(pass, i);
  if (!folder.IsOpen()) return TDestination::Foreign;
  // No sharing at all: any open of another program, even one that shares reading and
  // writing, makes this fail.
  HANDLE file = OpenEntry(folder, pass.Name(i), GENERIC_READ, 0, OPEN_EXISTING);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return TDestination::Plain;
  }
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
      return TDestination::Free;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return TDestination::Held;
    default:
      return TDestination::Foreign;
  }
}

bool TPlacement::Step() {
  if (Left == 0) return false;
  if (Left > 0) --Left;
  return true;
}

bool TPlacement::Announce(TPass& pass, int* failed) {
  *failed = -1;
  std::unique_ptr<TEntry[]> entries(new (std::nothrow) TEntry[pass.Count() + 1]);
  if (!entries) return false;
  int count = 0;
  for (int i = 0; i < pass.Count(); ++i) {
    TPass::TItem& item = pass.Items[i];
    char dest[MAX_PATH];
    if (!Destination(pass, i, dest)) return false;
    item.Change = Placed.Contains(pass.Relative(i)) ? TChange::Again
                  : Exists(dest)                    ? TChange::Replace
                                                    : TChange::New;
    // The new bytes must be on the disk before the file takes its place: once the run
    // commits, nothing brings back what a power cut lost.
    if (!FlushEntry(Work, pass.Name(i))) {
      *failed = i;
      return false;
    }
    if (item.Change == TChange::Again) continue;
    item.Index = Next++;
    entries[count++] = {item.Change == TChange::Replace ? TStep::Original : TStep::New, item.Index,
                        pass.Relative(i)};
  }
  const int written = Left < 0 || Left >= count ? count : Left;
  if (Left > 0) Left -= written;
  if (!Journal.Record(entries.get(), written) || written < count) return false;
  for (int i = 0; i < pass.Count(); ++i)
    if (!Placed.Add(pass.Relative(i))) return false;
  return true;
}

bool TPlacement::Place(const TPass& pass, int i) {
  char source[MAX_PATH], dest[MAX_PATH];
  if (!JoinPath(Work.Path(), pass.Name(i), source) || !Destination(pass, i, dest)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  const TChange change = pass.Change(i);
  if (change == TChange::Replace && (!Step() || !MoveAside(dest, Backup, pass.Items[i].Index)))
    return false;
  return Step() && MoveTo(source, dest, change == TChange::Again ? MOVEFILE_REPLACE_EXISTING : 0);
}

bool TPlacement::Commit() { return Step() && Journal.Record(TStep::Commit, 0, ""); }

namespace {

// The file a record names, in its folder, and the whole path of it.
struct TTarget {
  const TFolder* Folder;
  const char* Name;
  char Path[MAX_PATH];
};

bool TargetOf(const TRecord& r, const TFolder& product, const TFolder& forms, TTarget* t) {
  const char* slash = strchr(r.Name, '\\');
  t->Folder = slash ? &forms : &product;
  t->Name = slash ? slash + 1 : r.Name;
  return t->Folder->IsOpen() && JoinPath(t->Folder->Path(), t->Name, t->Path);
}

// Moves a backup back over what is at the destination now. A read-only file there is the
// product's: the backup takes its place all the same.
bool PutBack(const char* backup, const TTarget& t) {
  const DWORD flags = MOVEFILE_REPLACE_EXISTING;
  if (MoveTo(backup, t.Path, flags)) return true;
  if (GetLastError() != ERROR_ACCESS_DENIED || !IsEntry(*t.Folder, t.Name)) return false;
  MakeWritable(t.Path);
  return MoveTo(backup, t.Path, flags);
}

}  // namespace

TUndo RollBack(const TJournalRecords& records, const TFolder& product, const TFolder& forms,
               const TFolder& backup) {
  if (records.Committed()) return TUndo::Nothing;
  bool changed = false, whole = true;
  for (int i = records.Count() - 1; i >= 0; --i) {
    const TRecord& r = records[i];
    TTarget t;
    if (!TargetOf(r, product, forms, &t)) {
      // Without a forms folder, no form of the update can have reached it.
      whole = whole && strchr(r.Name, '\\') && !forms.IsOpen();
      continue;
    }
    if (r.Step == TStep::Original) {
      char name[16], path[MAX_PATH];
      wsprintfA(name, "%u", r.Index);
      if (!backup.IsOpen() || !IsEntry(backup, name)) continue;  // never moved aside
      changed = true;
      whole = JoinPath(backup.Path(), name, path) && PutBack(path, t) && whole;
    } else if (r.Step == TStep::New && Exists(t.Path)) {
      // What is there is the update's file, unless it is not a file of the folder at all.
      changed = true;
      whole = DeleteEntry(*t.Folder, t.Name) && !Exists(t.Path) && whole;
    }
  }
  if (!whole) return TUndo::Incomplete;
  return changed ? TUndo::Restored : TUndo::Nothing;
}
