#include "update/medium/Installed.h"

#include <string.h>

TInstalledFiles::TInstalledFiles(const char* productFolder) {
  Known = MultiByteToWideChar(CP_ACP, 0, productFolder, -1, Folder, MAX_PATH) > 0;
}

TInstalled TInstalledFiles::Compare(const char* name, ULONGLONG size, const BYTE* hash) {
  HANDLE held;
  const TInstalled state = Hold(name, size, hash, &held);
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  return state;
}

TInstalled TInstalledFiles::Hold(const char* name, ULONGLONG size, const BYTE* hash,
                                 HANDLE* held) {
  *held = INVALID_HANDLE_VALUE;
  wchar_t path[2 * MAX_PATH];
  int n = lstrlenW(Folder);
  if (!Known || n + 2 >= 2 * MAX_PATH) return TInstalled::Other;
  memcpy(path, Folder, n * sizeof(wchar_t));
  path[n++] = L'\\';
  if (!MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, path + n, 2 * MAX_PATH - n))
    return TInstalled::Other;
  const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? TInstalled::Missing
                                                                          : TInstalled::Other;
  }
  BY_HANDLE_FILE_INFORMATION info;
  ULONGLONG found = 0;
  BYTE got[HashBytes];
  const bool plain = GetFileInformationByHandle(file, &info) &&
                     !(info.dwFileAttributes &
                       (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
                     (ULONGLONG(info.nFileSizeHigh) << 32 | info.nFileSizeLow) == size;
  const bool same = plain && HashFile(Crypto, file, &found, got) && found == size &&
                    memcmp(got, hash, HashBytes) == 0 &&
                    SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0;
  if (!same) {
    CloseHandle(file);
    return TInstalled::Other;
  }
  *held = file;
  return TInstalled::Same;
}
