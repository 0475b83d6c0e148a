// The records that the caller and this library share: 32-bit little-endian words and
// pointers at fixed offsets. Only the fields named here carry meaning for the library.
#pragma once

#include <cstddef>
#include <cstdint>

const int kMaxFileSpecs = 4096;

struct UnzCallbackInfo;
typedef int(__stdcall* UnzCallback)(UnzCallbackInfo* info);

struct UnzParams {
  uint32_t Reserved0[2];
  int32_t Version;
  UnzCallback Callback;
  uint32_t Reserved16[11];
  uint32_t Word60;
  int32_t FileSpecCount;
  const char* ArchiveName;
  uint32_t Word72;
  const char* FileSpecs[kMaxFileSpecs];
};

// Owned by the library; the caller reads ErrorNumber and the text stored in the record.
struct UnzCallbackInfo {
  uint32_t StructSize;         // sizeof(UnzCallbackInfo)
  uint32_t Reserved4[4];
  int32_t ErrorNumber;         // one of the numbers in UnzReports.h; never 0 in a report
  uint32_t Reserved24;
  char MessageText[512];       // zero-terminated, ANSI code page
};

static_assert(sizeof(void*) == 4, "the records are a 32-bit wire format");
static_assert(sizeof(UnzParams) == 16460, "UnzParams size");
static_assert(offsetof(UnzParams, Version) == 8, "Version");
static_assert(offsetof(UnzParams, Callback) == 12, "Callback");
static_assert(offsetof(UnzParams, Word60) == 60, "word 60");
static_assert(offsetof(UnzParams, FileSpecCount) == 64, "FileSpecCount");
static_assert(offsetof(UnzParams, ArchiveName) == 68, "ArchiveName");
static_assert(offsetof(UnzParams, Word72) == 72, "word 72");
static_assert(offsetof(UnzParams, FileSpecs) == 76, "FileSpecs");
static_assert(offsetof(UnzCallbackInfo, ErrorNumber) == 20, "ErrorNumber");
static_assert(offsetof(UnzCallbackInfo, MessageText) == 28, "MessageText");
