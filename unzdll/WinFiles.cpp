#include "WinFiles.h"

TArchiveFile::~TArchiveFile() {
  if (Handle != INVALID_HANDLE_VALUE) CloseHandle(Handle);
}

// Others may read the archive meanwhile but not change, replace or delete it.
bool TArchiveFile::Open(const char* path) {
  Handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, NULL);
  if (Handle == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(Handle, &size)) return false;
  Length = uint64_t(size.QuadPart);
  return true;
}

bool TArchiveFile::Read(uint64_t offset, void* buf, size_t n) {
  if (offset > Length || n > Length - offset) return false;
  char* p = static_cast<char*>(buf);
  while (n > 0) {
    OVERLAPPED at = {};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(Handle, p, DWORD(n), &got, &at) || got == 0) return false;
    p += got;
    offset += got;
    n -= got;
  }
  return true;
}

TMemberFile::~TMemberFile() {
  if (Handle != INVALID_HANDLE_VALUE) CloseHandle(Handle);
  if (TempName[0]) DeleteFileA(TempName);
}

bool TMemberFile::Create() {
  static const char Hex[] = "0123456789abcdef";
  DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
  for (DWORD i = 0; i < 4096; ++i) {
    DWORD v = seed + i;
    char name[] = "~unz00000000.tmp";
    for (int k = 0; k < 8; ++k) name[4 + k] = Hex[(v >> (28 - 4 * k)) & 15];
    Handle = CreateFileA(name, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (Handle != INVALID_HANDLE_VALUE) {
      lstrcpyA(TempName, name);
      return true;
    }
    DWORD err = GetLastError();
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool TMemberFile::Write(const uint8_t* data, size_t n) {
  while (n > 0) {
    DWORD put = 0;
    if (!WriteFile(Handle, data, DWORD(n), &put, NULL) || put == 0) return false;
    data += put;
    n -= put;
  }
  return true;
}

bool TMemberFile::Commit(const char* finalName, uint16_t dosDate, uint16_t dosTime) {
  FILETIME local, utc;
  if (DosDateTimeToFileTime(dosDate, dosTime, &local) && LocalFileTimeToFileTime(&local, &utc))
    SetFileTime(Handle, NULL, NULL, &utc);
  BOOL closed = CloseHandle(Handle);
  Handle = INVALID_HANDLE_VALUE;
  // Windows refuses to replace a read-only file, and so do we wherever we run.
  DWORD attr = GetFileAttributesA(finalName);
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY)) return false;
  if (!closed || !MoveFileExA(TempName, finalName, MOVEFILE_REPLACE_EXISTING)) return false;
  TempName[0] = 0;
  return true;
}
