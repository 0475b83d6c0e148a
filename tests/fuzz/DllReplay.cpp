// Runs saved inputs through UNZDLL.DLL itself (beside this program), each in an empty folder,
// once for every member and once for "*.TXT": the library must come back, and leave behind
// only plain files, no temporary file and no folder.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "unzdll/UnzRecords.h"

namespace {

typedef int(__stdcall* TExecFn)(const UnzParams*);

int __stdcall Ignore(UnzCallbackInfo*) { return 0; }

// Empties the current folder; false if it held anything but plain files of the final kind.
bool CheckAndEmpty() {
  bool ok = true;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA("*", &fd);
  if (h == INVALID_HANDLE_VALUE) return true;
  do {
    if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
    if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !strncmp(fd.cFileName, "~unz", 4)) {
      fprintf(stderr, "left behind: %s\n", fd.cFileName);
      ok = false;
      RemoveDirectoryA(fd.cFileName);
    }
    DeleteFileA(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  HMODULE dll = LoadLibraryA("UNZDLL.DLL");
  TExecFn exec =
      dll ? reinterpret_cast<TExecFn>(reinterpret_cast<void*>(GetProcAddress(dll, "UnzDllExec")))
          : nullptr;
  if (!exec) {
    fprintf(stderr, "UNZDLL.DLL not loaded\n");
    return 1;
  }
  static UnzParams params;
  params.Callback = Ignore;
  static char spec[] = "*.TXT";
  params.FileSpecs[0] = spec;
  if (!CreateDirectoryA("dll-replay", NULL) && GetLastError() != ERROR_ALREADY_EXISTS) return 1;
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    char archive[MAX_PATH];
    DWORD n = GetFullPathNameA(argv[i], MAX_PATH, archive, NULL);
    if (n == 0 || n >= MAX_PATH || !SetCurrentDirectoryA("dll-replay")) return 1;
    params.ArchiveName = archive;
    for (int specs = 0; specs < 2; ++specs) {
      params.FileSpecCount = specs;
      exec(&params);
      if (!CheckAndEmpty()) {
        fprintf(stderr, "after %s\n", argv[i]);
        ok = false;
      }
    }
    SetCurrentDirectoryA("..");
  }
  RemoveDirectoryA("dll-replay");
  printf("%d inputs\n", argc - 1);
  return ok ? 0 : 1;
}
