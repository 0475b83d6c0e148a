#include "update/transaction/Placement.h"

#include <stdlib.h>
#include <string.h>

#include <memory>
#include <new>

#include "update/files/FileUtils.h"
#include "update/files/FolderAccess.h"
#include "update/files/ProductNames.h"

namespace {

// The backups lie in shelves of a few hundred each: a folder of thousands of entries is slow
// to add to on FAT, and under Wine.
const unsigned ShelfSize = 256;
// The largest numbers a file of a run can reach stand in for every real one.
const char LongestName[] = "16777215\\4294967295.part";

// The name of backup number index in the backup folder: its shelf and its number.
void ShelvedName(unsigned index, const char* tail, char* name /* 32 */) {
  wsprintfA(name, "%u\\%u%s", index / ShelfSize, index, tail);
}

bool BackupPath(const TFolder& backup, unsigned index, const char* tail, char* path) {
  char name[32];
  ShelvedName(index, tail, name);
  return JoinPath(backup.Path(), name, path);
}

// Makes the bytes of a file of the folder durable and tells its size; false when it is no
// plain file of it.
bool FlushEntry(const TFolder& folder, const char* name, unsigned long long* size) {
  HANDLE file = OpenEntry(folder, name, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  *size = (static_cast<unsigned long long>(high) << 32) | low;
  const bool flushed = FlushFileBuffers(file) != FALSE;
  const DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  return flushed;
}

// Makes the bytes of every file of a pass durable, several files at a time: the disk takes a
// batch of flushes in about the time of one.
class TFlushSweep {
public:
  TFlushSweep(const TFolder& work, TPass& pass) : Work(work), Pass(pass) {}

  // False when a file could not be flushed: *failed is the first such file, and GetLastError
  // tells why.
  bool Run(int* failed) {
    enum { Threads = 8, StackBytes = 64 * 1024 };
    HANDLE threads[Threads];
    int started = 0;
    for (int k = 0; k < Threads && k < Pass.Count(); ++k) {
      threads[started] = CreateThread(nullptr, StackBytes, Worker, this,
                                      STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
      if (threads[started]) ++started;
    }
    if (!started) Worker(this);  // no thread to be had: all on this one
    WaitForMultipleObjects(started, threads, TRUE, INFINITE);
    for (int k = 0; k < started; ++k) CloseHandle(threads[k]);
    if (Failed == NoFailure) return true;
    *failed = Failed;
    SetLastError(Error);
    return false;
  }

private:
  static const LONG NoFailure = 0x7fffffff;

  static DWORD WINAPI Worker(void* self) {
    TFlushSweep& sweep = *static_cast<TFlushSweep*>(self);
    for (LONG i; (i = InterlockedIncrement(&sweep.Next)) < sweep.Pass.Count();) {
      unsigned long long bytes;
      if (FlushEntry(sweep.Work, sweep.Pass.Name(i), &bytes)) {
        sweep.Pass.SetBytes(i, bytes);
        continue;
      }
      const DWORD error = GetLastError();
      // The first file that failed is the one named.
      for (LONG seen = sweep.Failed; i < seen;) {
        const LONG was = InterlockedCompareExchange(&sweep.Failed, i, seen);
        if (was == seen) {
          sweep.Error = error;
          break;
        }
        seen = was;
      }
    }
    return 0;
  }

  const TFolder& Work;
  TPass& Pass;
  volatile LONG Next = -1;
  volatile LONG Failed = NoFailure;
  volatile DWORD Error = 0;
};

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
  char name[32];
  ShelvedName(index, ".part", name);
  unsigned long long size;
  return CopyFileA(dest, part, TRUE) && FlushEntry(backup, name, &size) &&
         MoveFileExA(part, path, 0);
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
  // Until Examine says otherwise, a file has an original to keep: never one lost.
  Items[Used++] = {NamesUsed, static_cast<unsigned>(forms), 0, TChange::Replace, false, 0};
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
  return JoinPath(Backup.Path(), LongestName, path);
}

TDestination TPlacement::Examine(TPass& pass, int i) const {
  const TFolder& folder = FolderOf(pass, i);
  if (!folder.IsOpen()) {
    SetLastError(ERROR_PATH_NOT_FOUND);  // the product has no forms folder
    return TDestination::Foreign;
  }
  // No sharing at all: any open of another program, even one that shares reading and
  // writing, makes this fail.
  HANDLE file = OpenEntry(folder, pass.Name(i), GENERIC_READ, 0, OPEN_EXISTING);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    char dest[MAX_PATH];
    const DWORD attributes = Destination(pass, i, dest) ? GetFileAttributesA(dest) : 0;
    pass.Items[i].Change = TChange::Replace;
    pass.Items[i].ReadOnly =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    return TDestination::Plain;
  }
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND: pass.Items[i].Change = TChange::New; return TDestination::Free;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return TDestination::Held;
    default: return TDestination::Foreign;
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
  // The new bytes must be on the disk before the files take their places: once the run
  // commits, nothing brings back what a power cut lost.
  if (!TFlushSweep(Work, pass).Run(failed)) return false;
  int count = 0;
  for (int i = 0; i < pass.Count(); ++i) {
    // What Examine found at the destination, unless an earlier disk of this run put it there.
    TPass::TItem& item = pass.Items[i];
    if (Placed.Contains(pass.Relative(i))) item.Change = TChange::Again;
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
  if (change == TChange::Replace) {
    const unsigned index = pass.Items[i].Index;
    if (!Step() || !ShelfFor(index)) return false;
    // Where it can, the product's file keeps its name while a second name of it goes into
    // the backup folder: the update's file then replaces a name that exists, which costs no
    // search through the product folder. A read-only file cannot be replaced so; it moves.
    char backup[MAX_PATH];
    if (!pass.Items[i].ReadOnly && BackupPath(Backup, index, "", backup) &&
        CreateHardLinkA(backup, dest, nullptr))
      return Step() && MoveTo(source, dest, MOVEFILE_REPLACE_EXISTING) && Inherit(pass, i);
    if (!MoveAside(dest, Backup, index)) return false;
    // Across volumes the product's file was copied aside and is still there: the update's
    // replaces it.
    if (pass.Items[i].ReadOnly) MakeWritable(dest);
  }
  return Step() && MoveTo(source, dest, change == TChange::New ? 0 : MOVEFILE_REPLACE_EXISTING) &&
         Inherit(pass, i);
}

// The file just placed takes the access list of its folder, not the work folder's (never a
// reason for the update to fail: the file is in place, only for fewer users).
bool TPlacement::Inherit(const TPass& pass, int i) const {
  InheritAccess(FolderOf(pass, i), pass.Name(i));
  return true;
}

// The shelf of backup number index: made new by this run, so that it is no link.
bool TPlacement::ShelfFor(unsigned index) {
  if (index / ShelfSize == Shelf) return true;
  char name[16], path[MAX_PATH];
  wsprintfA(name, "%u", index / ShelfSize);
  if (!JoinPath(Backup.Path(), name, path) || !CreateDirectoryA(path, nullptr)) return false;
  Shelf = index / ShelfSize;
  return true;
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

// The file's identity on its volume; false when it is no plain entry of the folder.
bool IdentityOf(const TFolder& folder, const char* name, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE file = OpenEntry(folder, name, FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool known = GetFileInformationByHandle(file, info) != FALSE;
  CloseHandle(file);
  return known;
}

// Whether the backup is a second name of the product's file still in place: the run stopped
// before the update's file took that place, and nothing is to be put back.
bool StillInPlace(const TFolder& backup, const char* name, const TTarget& t) {
  BY_HANDLE_FILE_INFORMATION kept, there;
  return IdentityOf(backup, name, &kept) && IdentityOf(*t.Folder, t.Name, &there) &&
         kept.dwVolumeSerialNumber == there.dwVolumeSerialNumber &&
         kept.nFileIndexHigh == there.nFileIndexHigh && kept.nFileIndexLow == there.nFileIndexLow;
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
  DWORD firstError = ERROR_SUCCESS;
  // The system's reason of the first step that failed stays for the caller to tell.
  const auto failed = [&firstError](bool ok) {
    if (!ok && firstError == ERROR_SUCCESS) firstError = GetLastError();
    return !ok;
  };
  for (int i = records.Count() - 1; i >= 0; --i) {
    const TRecord& r = records[i];
    TTarget t;
    if (!TargetOf(r, product, forms, &t)) {
      // Without a forms folder, no form of the update can have reached it.
      whole = whole && strchr(r.Name, '\\') && !forms.IsOpen();
      continue;
    }
    if (r.Step == TStep::Original) {
      char name[32], path[MAX_PATH];
      ShelvedName(r.Index, "", name);
      if (!backup.IsOpen() || !IsEntry(backup, name)) continue;  // never moved aside
      if (StillInPlace(backup, name, t)) continue;
      changed = true;
      if (failed(JoinPath(backup.Path(), name, path) && PutBack(path, t))) whole = false;
    } else if (r.Step == TStep::New && Exists(t.Path)) {
      // What is there is the update's file, unless it is not a file of the folder at all.
      changed = true;
      if (failed(DeleteEntry(*t.Folder, t.Name) && !Exists(t.Path))) whole = false;
    }
  }
  if (!whole) {
    SetLastError(firstError);
    return TUndo::Incomplete;
  }
  return changed ? TUndo::Restored : TUndo::Nothing;
}
