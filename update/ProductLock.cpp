#include "update/ProductLock.h"

namespace {

// Marks the open file to be deleted when its last handle closes: set on the handle only once
// the file is known to be ours, as the flag given at opening would delete whatever a link
// led to.
void DeleteOnClose(HANDLE file) {
  struct {
    BOOLEAN Delete;
  } disposition = {TRUE};
  struct {
    LONG_PTR Status;
    ULONG_PTR Information;
  } io;
  // In ntdll of every Windows NT, XP's too; looked up, as no shipped file links ntdll.
  using SetInformationFn = LONG(WINAPI*)(HANDLE, void*, void*, ULONG, int);
  auto setInformation = reinterpret_cast<SetInformationFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtSetInformationFile")));
  const int fileDispositionInformation = 13;
  if (setInformation)
    setInformation(file, &io, &disposition, sizeof disposition, fileDispositionInformation);
}

}  // namespace

bool TProductLock::Take(const TFolder& product) {
  Release();
  const DWORD access = GENERIC_READ | GENERIC_WRITE | DELETE;
  File = OpenEntry(product, LockFileName, access, 0, OPEN_EXISTING, FILE_ATTRIBUTE_HIDDEN);
  if (File == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND)
    File = OpenEntry(product, LockFileName, access, 0, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN);
  if (File == INVALID_HANDLE_VALUE) return false;
  DeleteOnClose(File);
  return true;
}

void TProductLock::Release() {
  if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
  File = INVALID_HANDLE_VALUE;
}
