// Stand-ins for UNZDLL.DLL, built in three shapes: one without UnzDllExec, one without
// GetUnzDllVersion, and a recorder that writes each request it receives to request.txt
// in the current directory. An archive name containing "report" makes the recorder call
// back with error -7, one containing "quiet" with number 0.
#include "unzdll/UnzRecords.h"

#include <windows.h>
#include <malloc.h>
#include <stdio.h>
#include <string.h>

#ifdef WITH_VERSION
static int32_t VersionCalls = 0;

extern "C" __declspec(dllexport) int32_t __stdcall GetUnzDllVersion() {
  return 500 + ++VersionCalls;
}
#endif

#ifdef WITH_EXEC
static int32_t ExecCalls = 0;

static void Report(UnzParams* params, int32_t number, const char* text) {
  UnzCallbackInfo info;
  memset(&info, 0, sizeof info);
  info.ErrorNumber = number;
  snprintf(info.MessageText, sizeof info.MessageText, "%s", text);
  params->Callback(&info);
}

extern "C" __declspec(dllexport) int32_t __stdcall UnzDllExec(UnzParams* params) {
  ++ExecCalls;
  FILE* f = fopen("request.txt", "wb");
  if (!f) return 1;
  const uint32_t* words = reinterpret_cast<const uint32_t*>(params);
  fputs("header=", f);
  for (int i = 0; i < 19; ++i) fprintf(f, i ? " %lu" : "%lu", static_cast<unsigned long>(words[i]));
  const char* spec = params->FileSpecs[0];
  unsigned zeros = 0;
  for (size_t i = strlen(spec); i < 261; ++i) zeros += spec[i] == '\0';
  char cwd[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, cwd);
  fprintf(f, "\narchive=%s\narchivesize=%u\nspec=%s\nspecsize=%u\nspeczeros=%u\ncwd=%s\n",
          params->ArchiveName, static_cast<unsigned>(_msize(params->ArchiveName)), spec,
          static_cast<unsigned>(_msize(const_cast<char*>(spec))), zeros, cwd);
  fclose(f);
  if (strstr(params->ArchiveName, "report")) Report(params, -7, "Bad member in report.zip");
  if (strstr(params->ArchiveName, "quiet")) Report(params, 0, "All well");
  return 0;
}

extern "C" __declspec(dllexport) int32_t __stdcall RecorderExecCalls() { return ExecCalls; }
#endif
