#pragma once
#include <windows.h>

// Calls newer than Windows XP are looked up at run time, so that the shipped files import only
// what XP exports; where the lookup finds nothing, the caller goes the older system's way.
// Tests replace the lookup to go that way.
using TSystemEntryLookup = FARPROC (*)(const char* dll, const char* name);

#include "update/files/LibrarySearch.h"

// An entry of a system DLL, or null. A DLL the process has not loaded yet is loaded from the
// system folder, never by the library search, which may look beside the program first.
inline FARPROC LoadedSystemEntry(const char* dll, const char* name) {
  HMODULE module = GetModuleHandleA(dll);
  if (!module) module = LoadSystemLibrary(dll);
  return module ? GetProcAddress(module, name) : nullptr;
}

inline TSystemEntryLookup SystemEntryLookup = LoadedSystemEntry;

template <typename Fn>
Fn SystemEntry(const char* dll, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(SystemEntryLookup(dll, name)));
}
