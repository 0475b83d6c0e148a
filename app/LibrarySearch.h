#pragma once

// UNZDLL.DLL is loaded by its bare name: it must come from beside the updater or the system,
// never from whatever folder is current. Where the system has SetDefaultDllDirectories,
// libraries are searched for only there; else (XP SP1 on) the current folder is taken out of
// the search with SetDllDirectoryA("").
void KeepCurrentFolderOutOfLibrarySearch();
