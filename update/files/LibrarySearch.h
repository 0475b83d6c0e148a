#pragma once
// Where the programs take their libraries from. A folder a program starts from (a share, a
// stick, a downloads folder) may hold anything, also a library named like one of the
// system's that the system's own libraries load by name. The updater and TalvoPack import
// statically only libraries that Windows takes from its KnownDLLs, and call this first.
#include <windows.h>

// Limits the search for libraries to the system folder (SetDefaultDllDirectories where the
// system has it). Where it has not (XP, Vista, 7 without its update), the current folder is
// taken out of the search and each library that the program or the system loads by name
// later is loaded now from the system folder, so that the later load finds it in memory.
void LimitLibrarySearch();

// A library of the system folder, loaded by its full path, its own imports from there too;
// null when there is none.
HMODULE LoadSystemLibrary(const char* name);
