#pragma once
// The records exchanged between the updater's adapter and UNZDLL.DLL: 32-bit little-endian
// words and 32-bit pointers at fixed offsets. The library is outside the updater; these
// layouts are the whole contract, declared once for both sides.
#include <stddef.h>
#include <stdint.h>

struct UnzCallbackInfo;

// The library reports through this; the value returned is ours to choose (always 0).
typedef int32_t(__stdcall* TUnzCallback)(UnzCallbackInfo* info);

const int UnzMaxFileSpecs = 4096;

// One request: unpack the members of ArchiveName that match the first FileSpecCount
// entries of FileSpecs into the current directory. The other words carry fixed values that the
// adapter always puts there and our library does not read.
struct UnzParams {
  uint32_t Reserved0[2];  // 0, 0
  int32_t Version;        // the library's own version number
  TUnzCallback Callback;
  uint32_t Reserved16[11];  // all 0
  uint32_t AlwaysOne;       // 1
  int32_t FileSpecCount;
  char* ArchiveName;
  uint32_t AlwaysSeven;  // 7
  char* FileSpecs[UnzMaxFileSpecs];
};

// A report from the library, owned by it and valid only during the callback. Only
// ErrorNumber and MessageText are the caller's to read.
struct UnzCallbackInfo {
  uint32_t StructSize;  // the library's own: the record's size
  uint32_t Reserved4[4];
  int32_t ErrorNumber;  // 0: nothing to show
  uint32_t Reserved24;
  char MessageText[996];  // zero-terminated, ANSI code page; read no further than this
};

static_assert(sizeof(void*) == 4, "the records are a 32-bit wire format");
static_assert(sizeof(UnzParams) == 16460, "UnzParams size");
static_assert(offsetof(UnzParams, Version) == 8, "Version");
static_assert(offsetof(UnzParams, Callback) == 12, "Callback");
static_assert(offsetof(UnzParams, Reserved16) == 16, "eleven zero words");
static_assert(offsetof(UnzParams, AlwaysOne) == 60, "word 60");
static_assert(offsetof(UnzParams, FileSpecCount) == 64, "FileSpecCount");
static_assert(offsetof(UnzParams, ArchiveName) == 68, "ArchiveName");
static_assert(offsetof(UnzParams, AlwaysSeven) == 72, "word 72");
static_assert(offsetof(UnzParams, FileSpecs) == 76, "FileSpecs");
static_assert(sizeof(UnzCallbackInfo) == 1024, "UnzCallbackInfo size");
static_assert(offsetof(UnzCallbackInfo, ErrorNumber) == 20, "ErrorNumber");
static_assert(offsetof(UnzCallbackInfo, MessageText) == 28, "MessageText");
