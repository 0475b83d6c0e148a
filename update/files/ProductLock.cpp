#include "update/files/ProductLock.h"

bool TProductLock::Take(const TFolder& product) {
  Release();
  const DWORD access = GENERIC_READ | GENERIC_WRITE | DELETE;
  File = OpenEntry(product, LockFileName, access, 0, OPEN_EXISTING, FILE_ATTRIBUTE_HIDDEN);
  if (File == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND)
    File = OpenEntry(product, LockFileName, access, 0, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN);
  if (File == INVALID_HANDLE_VALUE) return false;
  // Marked only once known as ours: the flag given at opening would delete what a link led to.
  MarkDeleted(File);
  return true;
}

void TProductLock::Release() {
  if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
  File = INVALID_HANDLE_VALUE;
}
