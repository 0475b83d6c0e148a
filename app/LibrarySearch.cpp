#include "app/LibrarySearch.h"

#include "update/files/SystemEntry.h"

void KeepCurrentFolderOutOfLibrarySearch() {
  const DWORD searchDefaultDirs = 0x1000;  // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
  auto setDefault = SystemEntry<BOOL(WINAPI*)(DWORD)>("kernel32.dll", "SetDefaultDllDirectories");
  if (setDefault && setDefault(searchDefaultDirs)) return;
  auto setDirectory = SystemEntry<BOOL(WINAPI*)(LPCSTR)>("kernel32.dll", "SetDllDirectoryA");
  if (setDirectory) setDirectory("");
}
