#include <windows.h>
// After windows.h, which it needs.
#include <delayimp.h>
#include <stddef.h>

#include "update/files/LibrarySearch.h"
#include "update/files/SystemEntry.h"

// What the programs load, when, and why. Windows takes a library that is loaded by name from
// the program's folder before the system folder, unless it is one of its KnownDLLs or the
// search is limited; that folder may hold anything.
//
// 1. Before any code of ours runs, only the two libraries the programs import: kernel32 and
//    msvcrt (KnownDLLs, with what the system itself brings). On Windows 10 (1607) and later the
//    image also asks the loader to take its imports from the system folder only (the load
//    configuration below), as a second lock.
// 2. The entry calls TakeSystemLibraries first: it limits the search to the system folder, then
//    loads by name every other system library the programs call (user32, gdi32, comctl32,
//    shell32, ole32, advapi32: cmake/DelayLoad.cmake keeps them out of the imports, in the
//    delay-load table) and fills their slots. So those and all they import come from the system
//    folder, and comctl32 is the manifest's version 6 (by full path it would be version 5).
//    No code of ours calls into them before: nothing calls them in a static constructor.
// 3. crypt32 and rstrtmgr are loaded by full path (LoadSystemLibrary, SystemEntry); UNZDLL.DLL
//    by full path once its hash holds (unzip/InfoZip.cpp).
// 4. The system's libraries load others by name on their own (LoadedLater): from the system
//    folder once the search is limited. Where the system cannot limit it (XP, Vista, 7 without
//    its update), those are loaded by full path before the libraries of step 2, so that the
//    later load by name finds them in memory.

namespace {

// What is loaded after the start and is no KnownDLL on every system: by the programs
// themselves or by the system's libraries on their behalf, by name.
const char* const LoadedLater[] = {
    "crypt32.dll",    // TalvoPack: the publisher's key in PEM and DER (by full path)
    "msasn1.dll",     // crypt32's own import
    "rsaenh.dll",     // CryptoAPI's provider: SHA-256 and RSA, by the name the registry gives
    "rstrtmgr.dll",   // the programs that hold a product file open (Vista on; by full path)
    "version.dll",    // the shell's and the common controls' file versions
    "uxtheme.dll",    // themes of the common controls 6 (the manifest asks for them)
    "dwmapi.dll",     // the desktop's compositor, asked by user32 and uxtheme (Vista on)
    "cryptbase.dll",  // advapi32's base of cryptography (7 on)
    "imm32.dll",      // the input methods, which user32 loads (no KnownDLL on XP)
    "shlwapi.dll",    // shell32's own import (no KnownDLL on XP)
};

// IMAGE_LOAD_CONFIG_DIRECTORY32 up to its SecurityCookie, the structure as XP knows it: 64
// bytes, the size the header must name for an i386 image. XP takes the safe exception handler
// table (the fields after these) only from a structure that reaches them, so it sees none, as
// without a load configuration, and uses the other fields only where they are not zero; it
// never read DependentLoadFlags (then "Reserved1"). Nothing else is set. The header names it
// after the link (scripts/set-directories.py), as the linker does not.
struct TLoadConfig {
  DWORD Size;
  DWORD TimeDateStamp;
  WORD MajorVersion, MinorVersion;
  DWORD Unset[10];  // global flags, heap and critical section settings, lock prefixes
  WORD CSDVersion;
  WORD DependentLoadFlags;  // how the loader resolves this image's imports (Windows 10 1607 on)
  DWORD EditList;
  DWORD SecurityCookie;
};
static_assert(sizeof(TLoadConfig) == 64 && offsetof(TLoadConfig, DependentLoadFlags) == 0x36,
              "the load configuration's layout");

// Loads each library of the program's delay-load table by name and fills its slots; false when
// a library or one of its functions is missing.
bool LoadDeferredLibraries() {
  BYTE* const image = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
      image + reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
  const DWORD table =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress;
  if (!table) return true;
  for (auto* library = reinterpret_cast<const ImgDelayDescr*>(image + table); library->rvaDLLName;
       ++library) {
    const HMODULE module = LoadLibraryA(reinterpret_cast<const char*>(image + library->rvaDLLName));
    if (!module) return false;
    auto* slot = reinterpret_cast<FARPROC*>(image + library->rvaIAT);
    for (auto* entry = reinterpret_cast<const IMAGE_THUNK_DATA32*>(image + library->rvaINT);
         entry->u1.AddressOfData; ++entry, ++slot) {
      const DWORD what = entry->u1.AddressOfData;
      *slot = GetProcAddress(
          module, IMAGE_SNAP_BY_ORDINAL32(what)
                      ? MAKEINTRESOURCEA(IMAGE_ORDINAL32(what))
                      : reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(image + what)->Name);
      if (!*slot) return false;
    }
  }
  return true;
}

}  // namespace

// The post-link step finds it in the link's map (the link keeps it by name).
extern "C" __attribute__((used)) const TLoadConfig _load_config_used = {
    sizeof(TLoadConfig), 0, 0, 0, {}, 0, LOAD_LIBRARY_SEARCH_SYSTEM32, 0, 0};

HMODULE LoadSystemLibrary(const char* name) {
  char path[MAX_PATH];
  const UINT n = GetSystemDirectoryA(path, MAX_PATH);
  if (n == 0 || n + 1 + lstrlenA(name) >= MAX_PATH) return nullptr;
  lstrcatA(lstrcatA(path, "\\"), name);
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void LimitLibrarySearch() {
  auto setDefault = SystemEntry<BOOL(WINAPI*)(DWORD)>("kernel32.dll", "SetDefaultDllDirectories");
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  auto setDirectory = SystemEntry<BOOL(WINAPI*)(LPCSTR)>("kernel32.dll", "SetDllDirectoryA");
  if (setDirectory) setDirectory("");
  for (const char* name : LoadedLater) LoadSystemLibrary(name);
}

bool TakeSystemLibraries() {
  LimitLibrarySearch();
  return LoadDeferredLibraries();
}
