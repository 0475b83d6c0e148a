#include "update/ProductLock.h"

#include "update/FileUtils.h"

bool TProductLock::Take(const char* target) {
  Release();
  char path[MAX_PATH];
  if (!JoinPath(target, LockFileName, path)) return true;
  File = CreateFileA(path, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  return File != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION;
}

void TProductLock::Release() {
  if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
  File = INVALID_HANDLE_VALUE;
}
