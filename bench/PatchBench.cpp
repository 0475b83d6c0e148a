// PatchBench make BASE RESULT PATCH: makes the patch (pack/PatchMaker) and prints the time.
// PatchBench apply BASE PATCH RESULT (the Windows build): applies it as the updater does
// (update/patch/Patch) and prints the time and the process's peak memory. See patch-peers.sh.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "pack/PatchMaker.h"
#ifdef _WIN32
#include <windows.h>
#include <psapi.h>

#include "update/patch/Patch.h"
#endif

namespace {

// Reads the whole file into data, which is allocated once at its size.
bool Load(const char* path, std::vector<uint8_t>& data) {
  FILE* f = fopen(path, "rb");
  if (!f) return false;
  fseek(f, 0, SEEK_END);
  const long size = ftell(f);
  fseek(f, 0, SEEK_SET);
  data.resize(size > 0 ? size_t(size) : 0);
  const bool read = fread(data.data(), 1, data.size(), f) == data.size();
  fclose(f);
  return size >= 0 && read;
}

double Since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

int Make(const char* basePath, const char* resultPath, const char* patchPath) {
  std::vector<uint8_t> base, result, patch;
  if (!Load(basePath, base) || !Load(resultPath, result)) return 1;
  const auto t0 = std::chrono::steady_clock::now();
  if (!MakePatch(base.data(), base.size(), result.data(), result.size(), patch)) return 1;
  const double seconds = Since(t0);
  FILE* f = fopen(patchPath, "wb");
  if (!f || fwrite(patch.data(), 1, patch.size(), f) != patch.size() || fclose(f)) return 1;
  printf("make seconds %.3f patch %zu\n", seconds, patch.size());
  return 0;
}

#ifdef _WIN32
int Apply(const char* basePath, const char* patchPath, const char* resultPath) {
  std::vector<uint8_t> base;
  if (!Load(basePath, base)) return 1;
  const HANDLE patch =
      CreateFileA(patchPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  const HANDLE result =
      CreateFileA(resultPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (patch == INVALID_HANDLE_VALUE || result == INVALID_HANDLE_VALUE) return 1;
  const auto t0 = std::chrono::steady_clock::now();
  const TPatchResult r = ApplyPatch(patch, base.data(), DWORD(base.size()), result);
  const double seconds = Since(t0);
  CloseHandle(patch);
  CloseHandle(result);
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  printf("apply seconds %.3f peak_kb %lu private_peak_kb %lu result %d\n", seconds,
         static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024),
         static_cast<unsigned long>(memory.PeakPagefileUsage / 1024), int(r));
  return r == TPatchResult::Ok ? 0 : 1;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && !strcmp(argv[1], "make")) return Make(argv[2], argv[3], argv[4]);
#ifdef _WIN32
  if (argc == 5 && !strcmp(argv[1], "apply")) return Apply(argv[2], argv[3], argv[4]);
#endif
  fprintf(stderr, "usage: PatchBench make BASE RESULT PATCH | apply BASE PATCH RESULT\n");
  return 2;
}
