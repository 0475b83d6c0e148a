#include "update/files/ProductLock.h"

TLockTake TProductLock::Take(const TFolder& product) {
  Release();
  const DWORD access = GENERIC_READ | GENERIC_WRITE | DELETE;
  File = OpenEntry(product, LockFileName, access, 0, OPEN_EXISTING, FILE_ATTRIBUTE_HIDDEN);
  const bool none = File == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND;
  if (none) File = OpenEntry(product, LockFileName, access, 0, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN);
  if (File == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILENAME_EXCED_RANGE) return TLockTake::TooLong;
    // Made by another run in the meantime, or there as no entry of ours: busy all the same.
    const bool raced =
        error == ERROR_FILE_EXISTS || error == ERROR_SHARING_VIOLATION || error == ErrorNotOurs;
    return none && !raced ? TLockTake::Unwritable : TLockTake::Busy;
  }
  // Marked only once known as ours: the flag given at opening would delete what a link led to.
  MarkDeleted(File);
  return TLockTake::Taken;
}

void TProductLock::Release() {
  if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
  File = INVALID_HANDLE_VALUE;
}
