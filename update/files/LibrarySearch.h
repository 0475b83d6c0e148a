#pragma once
// Where the programs take their libraries from. A folder a program starts from (a share, a
// stick, a downloads folder) may hold anything, also a library named like one of the
// system's. The updater and TalvoPack import only kernel32 and msvcrt, and call
// TakeSystemLibraries first (LibrarySearch.cpp says what is loaded when).
#include <windows.h>

// Limits the search, then loads by name the system libraries the program calls besides
// kernel32 and msvcrt (its delay-load table) and fills their slots: before it, a call into one
// of them fails. False when one of them or one of their functions is missing.
bool TakeSystemLibraries();

// Limits the search for libraries to the system folder (SetDefaultDllDirectories where the
// system has it). Where it has not (XP, Vista, 7 without its update), the current folder is
// taken out of the search and each library that the program or the system loads by name
// later is loaded now from the system folder, so that the later load finds it in memory.
void LimitLibrarySearch();

// A library of the system folder, loaded by its full path, its own imports from there too;
// null when there is none.
HMODULE LoadSystemLibrary(const char* name);
