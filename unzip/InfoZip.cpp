#include "unzip/InfoZip.h"

#include "crypto/ImageHash.h"

#include <strsafe.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <new>

namespace {

const int kBoxTextSize = 1024;
const int kFileSpecSize = 261;
const int kSavedDirSize = 261;

// The adapter whose library call is under way: the callback gets no pointer to it. The
// library is called from one thread at a time.
CInfoZip* Calling = nullptr;

template <typename Fn>
Fn Entry(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

int FormatZipError(int32_t number, const char* text, char* out) {
  // A text that does not fit is cut; the result is always terminated.
  StringCchPrintfA(out, kBoxTextSize, "Zip error %d:\n%.*s", static_cast<int>(number),
                   static_cast<int>(sizeof(UnzCallbackInfo::MessageText)), text);
  return static_cast<int>(strlen(out));
}

int32_t __stdcall UnzMessageProc(UnzCallbackInfo* info) {
  if (info == nullptr || info->ErrorNumber == 0 || !Calling) return 0;
  char text[kBoxTextSize];
  FormatZipError(info->ErrorNumber, info->MessageText, text);
  Calling->Report(text);
  return 0;
}

void CInfoZip::Report(const char* text) {
  LibraryError = true;
  if (Reporter) Reporter->LibraryReport(text);
}

CInfoZip::CInfoZip(const BYTE* expected) : Expecting(expected != nullptr) {
  if (expected) memcpy(Expected, expected, HashBytes);
}

CInfoZip::~CInfoZip() {
  if (Library) FreeLibrary(Library);
}

TUnzLoad CInfoZip::LoadUnzDll(const char* fullPath) {
  if (Library) return TUnzLoad::Loaded;
  const HANDLE file = CreateFileA(fullPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return TUnzLoad::NoLibrary;
  const bool ours = ImageHash(file, Found) && Expecting && memcmp(Found, Expected, HashBytes) == 0;
  HMODULE library = ours ? LoadLibraryA(fullPath) : nullptr;
  const DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(ours ? error : 577 /* ERROR_INVALID_IMAGE_HASH */);
  if (!ours) return TUnzLoad::NotOurs;
  if (!library) return TUnzLoad::NoLibrary;
  Version = Entry<GetUnzDllVersionFn>(library, "GetUnzDllVersion");
  Exec = Entry<UnzDllExecFn>(library, "UnzDllExec");
  if (!Version || !Exec) {
    const DWORD error = GetLastError();
    FreeLibrary(library);
    Version = nullptr;
    Exec = nullptr;
    SetLastError(error);
    return TUnzLoad::NoEntry;
  }
  Library = library;
  return TUnzLoad::Loaded;
}

bool CInfoZip::ExtractArchive(const char* archive, const char* target) {
  LibraryError = false;
  if (!Library) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return false;
  }

  char saved[kSavedDirSize] = "";
  const DWORD savedLen = GetCurrentDirectoryA(kSavedDirSize, saved);
  if (savedLen == 0 || savedLen >= kSavedDirSize) return false;  // could not be put back
  // Never unpack into whatever folder happens to be current.
  if (target == nullptr || target[0] == '\0' || !SetCurrentDirectoryA(target)) return false;

  // The strings go to the library in blocks of their own, made just before the call.
  const size_t archiveLen = strlen(archive);
  std::unique_ptr<char[]> name(new (std::nothrow) char[archiveLen + 1]);
  std::unique_ptr<char[]> spec(new (std::nothrow) char[kFileSpecSize]());
  const bool called = name && spec;
  if (called) {
    memcpy(name.get(), archive, archiveLen + 1);
    strcpy(spec.get(), "*.*");
    UnzParams params;  // only the header and the used entries are set: the library reads no more
    params.Reserved0[0] = 0;
    params.Reserved0[1] = 0;
    params.Version = Version();
    params.Callback = UnzMessageProc;
    memset(params.Reserved16, 0, sizeof params.Reserved16);
    params.Word60 = 1;
    params.FileSpecCount = 1;
    params.ArchiveName = name.get();
    params.Word72 = 7;
    params.FileSpecs[0] = spec.get();
    CInfoZip* outer = Calling;
    Calling = this;
    Exec(&params);
    Calling = outer;
  }
  SetCurrentDirectoryA(saved);
  // The reason stands where it is read, not whatever the last call left.
  if (!called) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return called;
}
