#include <windows.h>

#include "update/files/LibrarySearch.h"
#include "update/files/SystemEntry.h"

namespace {

// What is loaded after the start and is no KnownDLL: by the programs themselves or by the
// system's libraries on their behalf, by name.
const char* const LoadedLater[] = {
    "crypt32.dll",    // TalvoPack: the publisher's key in PEM and DER (by full path)
    "msasn1.dll",     // crypt32's own import
    "rsaenh.dll",     // CryptoAPI's provider: SHA-256 and RSA, by the name the registry gives
    "rstrtmgr.dll",   // the programs that hold a product file open (Vista on; by full path)
    "version.dll",    // the shell's and the common controls' file versions
    "uxtheme.dll",    // themes of the common controls 6 (the manifest asks for them)
    "dwmapi.dll",     // the desktop's compositor, asked by user32 and uxtheme (Vista on)
    "cryptbase.dll",  // advapi32's base of cryptography (7 on)
    "wininet.dll",    // the updater: a publisher's server, as the browser reaches it (by full path)
    "jsproxy.dll",    // wininet's runner of an automatic proxy script
};

}  // namespace

HMODULE LoadSystemLibrary(const char* name) {
  char path[MAX_PATH];
  const UINT n = GetSystemDirectoryA(path, MAX_PATH);
  if (n == 0 || n + 1 + lstrlenA(name) >= MAX_PATH) return nullptr;
  lstrcatA(lstrcatA(path, "\\"), name);
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void LimitLibrarySearch() {
  const DWORD searchSystem32 = 0x800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  auto setDefault = SystemEntry<BOOL(WINAPI*)(DWORD)>("kernel32.dll", "SetDefaultDllDirectories");
  if (setDefault && setDefault(searchSystem32)) return;
  auto setDirectory = SystemEntry<BOOL(WINAPI*)(LPCSTR)>("kernel32.dll", "SetDllDirectoryA");
  if (setDirectory) setDirectory("");
  for (const char* name : LoadedLater) LoadSystemLibrary(name);
}
