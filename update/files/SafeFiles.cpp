#include "update/files/SafeFiles.h"

#include <string.h>

#include "update/files/FileUtils.h"
#include "update/files/FindFiles.h"
#include "update/files/ProductNames.h"
#include "update/files/SystemEntry.h"

namespace {

const DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const int FinalSize = 2 * MAX_PATH;

template <typename Fn>
Fn Ntdll(const char* name) {
  // In the ntdll of every Windows NT, XP's too; looked up, as no shipped file links ntdll.
  return reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

// The open file's or folder's name as the system reached it, links resolved, with its volume
// (ObjectNameInformation).
bool ObjectName(HANDLE handle, wchar_t* out) {
  using QueryFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  auto query = Ntdll<QueryFn>("NtQueryObject");
  struct {
    USHORT Length;
    USHORT MaximumLength;
    wchar_t* Buffer;
    wchar_t Name[FinalSize];
  } info;
  ULONG size = 0;
  const int objectNameInformation = 1;
  if (!query || query(handle, objectNameInformation, &info, sizeof info, &size) < 0 || !info.Buffer)
    return false;
  const USHORT n = info.Length / sizeof(wchar_t);
  if (n >= FinalSize) return false;
  memcpy(out, info.Buffer, n * sizeof(wchar_t));
  out[n] = L'\0';
  return true;
}

// The attributes of the open file, without a look at its volume.
bool AttributesOf(HANDLE file, DWORD* attributes) {
  using QueryFn = LONG(WINAPI*)(HANDLE, void*, void*, ULONG, int);
  auto query = Ntdll<QueryFn>("NtQueryInformationFile");
  struct {
    ULONG Attributes;
    ULONG ReparseTag;
  } info;
  struct {
    LONG_PTR Status;
    ULONG_PTR Information;
  } io;
  const int fileAttributeTagInformation = 35;
  if (!query || query(file, &io, &info, sizeof info, fileAttributeTagInformation) < 0) return false;
  *attributes = info.Attributes;
  return true;
}

bool IsFolderAttributes(DWORD attributes, bool mayBeLink) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         (mayBeLink || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT));
}

}  // namespace

bool TFolder::Open(const char* path, bool hold, bool mayBeLink) {
  Close();
  if (strlen(path) >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  if (!IsFolderAttributes(GetFileAttributesA(path), mayBeLink)) {
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) SetLastError(ErrorNotOurs);
    return false;
  }
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (mayBeLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  Handle =
      CreateFileA(path, FILE_LIST_DIRECTORY, hold ? FILE_SHARE_READ | FILE_SHARE_WRITE : ShareAll,
                  nullptr, OPEN_EXISTING, flags, nullptr);
  BY_HANDLE_FILE_INFORMATION info;
  // Looked at again once open: the name may have been swapped for a link in between.
  if (Handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(Handle, &info) ||
      !IsFolderAttributes(info.dwFileAttributes, mayBeLink) ||
      !IsFolderAttributes(GetFileAttributesA(path), mayBeLink)) {
    const DWORD error = Handle == INVALID_HANDLE_VALUE ? GetLastError() : ErrorNotOurs;
    Close();
    SetLastError(error);
    return false;
  }
  strcpy(Name, path);
  Volume = info.dwVolumeSerialNumber;
  IndexHigh = info.nFileIndexHigh;
  IndexLow = info.nFileIndexLow;
  if (!ObjectName(Handle, Final)) Final[0] = L'\0';
  return true;
}

void TFolder::Close() {
  if (Handle != INVALID_HANDLE_VALUE) CloseHandle(Handle);
  Handle = INVALID_HANDLE_VALUE;
  Name[0] = '\0';
  Final[0] = L'\0';
}

bool TFolder::Intact() const {
  if (!IsOpen() || !IsFolderAttributes(GetFileAttributesA(Name), false)) return false;
  HANDLE now = CreateFileA(Name, FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (now == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool same = GetFileInformationByHandle(now, &info) && info.dwVolumeSerialNumber == Volume &&
                    info.nFileIndexHigh == IndexHigh && info.nFileIndexLow == IndexLow;
  CloseHandle(now);
  return same;
}

bool TFolder::FinalPath(wchar_t* out) const {
  using FinalFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
  const auto final = SystemEntry<FinalFn>("kernel32.dll", "GetFinalPathNameByHandleW");
  if (!final) return IsOpen() && MultiByteToWideChar(CP_ACP, 0, Name, -1, out, MAX_PATH) > 0;
  wchar_t name[FinalSize];
  const DWORD n = IsOpen() ? final(Handle, name, FinalSize, 0 /* VOLUME_NAME_DOS */) : 0;
  if (n == 0 || n >= FinalSize) return false;
  // "\\?\C:\..." or "\\?\UNC\server\share\...": the same without the prefix, which
  // not every call takes.
  const wchar_t* path = name;
  if (wcsncmp(name, L"\\\\?\\UNC\\", 8) == 0) {
    path = name + 6;
    name[6] = L'\\';
  } else if (wcsncmp(name, L"\\\\?\\", 4) == 0) {
    path = name + 4;
  }
  if (lstrlenW(path) >= MAX_PATH) return false;
  lstrcpyW(out, path);
  return true;
}

bool TFolder::Holds(HANDLE file, const char* name) const {
  DWORD attributes;
  if (!AttributesOf(file, &attributes) ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
    return false;
  // Where the system cannot say where a file lies, it has no file links either: a hard link
  // is the file itself, which the name may well stand for.
  if (!Final[0]) return true;
  wchar_t expected[FinalSize], got[FinalSize];
  int n = lstrlenW(Final);
  memcpy(expected, Final, (n + 1) * sizeof(wchar_t));
  if (n > 0 && expected[n - 1] != L'\\') expected[n++] = L'\\';
  const int made = MultiByteToWideChar(CP_ACP, 0, name, -1, expected + n, FinalSize - n);
  return made > 0 && ObjectName(file, got) && lstrcmpiW(got, expected) == 0;
}

HANDLE OpenEntry(const TFolder& folder, const char* name, DWORD access, DWORD share,
                 DWORD disposition, DWORD attributes) {
  char path[MAX_PATH];
  if (!JoinPath(folder.Path(), name, path)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE file = CreateFileA(path, access, share, nullptr, disposition,
                            attributes | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file != INVALID_HANDLE_VALUE && !folder.Holds(file, name)) {
    CloseHandle(file);
    SetLastError(ErrorNotOurs);
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

bool IsEntry(const TFolder& folder, const char* name) {
  HANDLE file = OpenEntry(folder, name, FILE_READ_ATTRIBUTES, ShareAll, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool MarkDeleted(HANDLE file) {
  struct {
    BOOLEAN Delete;
  } disposition = {TRUE};
  struct {
    LONG_PTR Status;
    ULONG_PTR Information;
  } io;
  using SetInformationFn = LONG(WINAPI*)(HANDLE, void*, void*, ULONG, int);
  auto setInformation = Ntdll<SetInformationFn>("NtSetInformationFile");
  const int fileDispositionInformation = 13;
  return setInformation && setInformation(file, &io, &disposition, sizeof disposition,
                                          fileDispositionInformation) >= 0;
}

bool DeleteEntry(const TFolder& folder, const char* name) {
  // The very file found to be ours is the one deleted: through its own handle.
  const DWORD access = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
  HANDLE file = OpenEntry(folder, name, access, ShareAll, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  bool deleted = MarkDeleted(file);
  DWORD attributes;
  if (!deleted && AttributesOf(file, &attributes) && (attributes & FILE_ATTRIBUTE_READONLY)) {
    // A read-only file: its bit cleared first (the file is known to be ours).
    char path[MAX_PATH];
    if (JoinPath(folder.Path(), name, path))
      SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    deleted = MarkDeleted(file);
  }
  CloseHandle(file);
  return deleted;
}

bool RemoveTree(const TFolder& parent, const char* name) {
  char path[MAX_PATH];
  if (!IsSafeName(name) || !JoinPath(parent.Path(), name, path)) return false;
  TFolder folder;
  if (!folder.Open(path, true, false)) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  bool whole = true;
  {
    TFindFiles entries(path, "*");
    if (entries.Found()) {
      do {
        const char* entry = entries.Name();
        if (strcmp(entry, ".") == 0 || strcmp(entry, "..") == 0) continue;
        const bool isFolder = entries.Entry().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        whole = (isFolder ? RemoveTree(folder, entry) : DeleteEntry(folder, entry)) && whole;
      } while (entries.Next());
    }
  }
  folder.Close();
  return whole && RemoveDirectoryA(path);
}
