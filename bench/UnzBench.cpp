// UnzBench ARCHIVE TARGET: unpacks through the updater's adapter and the real UNZDLL.DLL (beside
// this program) and prints the call's time and the process's memory before and at its peak.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <string.h>

#include "crypto/ImageHash.h"
#include "unzip/InfoZip.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: UnzBench ARCHIVE TARGET\n");
    return 2;
  }
  // The library beside this program, whatever its hash: a benchmark trusts its own build.
  char library[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, library, MAX_PATH);
  char* slash = n < MAX_PATH - 12 ? strrchr(library, '\\') : nullptr;
  if (slash) strcpy(slash, "\\UNZDLL.DLL");
  BYTE hash[HashBytes] = {};
  const HANDLE file =
      CreateFileA(library, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    ImageHash(file, hash);
    CloseHandle(file);
  }
  CInfoZip zip(hash);
  // Loaded as the updater loads it: a copy of the bytes taken, in a new folder of its own.
  wchar_t copy[MAX_PATH];
  const DWORD temp = GetTempPathW(MAX_PATH - 32, copy);
  if (temp) wsprintfW(copy + temp, L"UnzBench%lu", GetCurrentProcessId());
  if (!slash || !temp || !CreateDirectoryW(copy, nullptr) ||
      zip.ReadUnzDll(library) != TUnzLoad::Taken || zip.LoadUnzDll(copy) != TUnzLoad::Loaded) {
    fprintf(stderr, "UNZDLL.DLL not loaded\n");
    return 1;
  }
  PROCESS_MEMORY_COUNTERS before = {}, after = {};
  before.cb = after.cb = sizeof(before);
  GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before));
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  bool ok = zip.ExtractArchive(argv[1], argv[2]) && !zip.LibraryReportedError();
  QueryPerformanceCounter(&t1);
  GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after));
  printf("seconds %.4f working_set_kb %lu peak_kb %lu\n",
         double(t1.QuadPart - t0.QuadPart) / double(freq.QuadPart),
         static_cast<unsigned long>(before.WorkingSetSize / 1024),
         static_cast<unsigned long>(after.PeakWorkingSetSize / 1024));
  return ok ? 0 : 1;
}
