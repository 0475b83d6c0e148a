#include "unzip/InfoZip.h"

#include "crypto/ImageHash.h"

#include <strsafe.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <new>
#include <utility>

namespace {

const int BoxTextSize = 1024;
const int FileSpecSize = 261;
const int SavedDirSize = 261;

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
  StringCchPrintfA(out, BoxTextSize, "Zip error %d:\n%.*s", static_cast<int>(number),
                   static_cast<int>(sizeof(UnzCallbackInfo::MessageText)), text);
  return static_cast<int>(strlen(out));
}

int32_t __stdcall UnzMessageProc(UnzCallbackInfo* info) {
  if (info == nullptr || info->ErrorNumber == 0 || !Calling) return 0;
  char text[BoxTextSize];
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
  if (Held != INVALID_HANDLE_VALUE) CloseHandle(Held);
}

TUnzLoad CInfoZip::ReadUnzDll(const char* fullPath) {
  const HANDLE file = CreateFileA(fullPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return TUnzLoad::NoLibrary;
  std::unique_ptr<BYTE[]> bytes;
  DWORD size = 0;
  const bool read = ReadImage(file, &bytes, &size);
  const DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  // Too large for any library of ours, or growing while read: not ours.
  return read || error == ERROR_BAD_EXE_FORMAT ? TakeUnzDll(std::move(bytes), size)
                                               : TUnzLoad::NoLibrary;
}

TUnzLoad CInfoZip::TakeUnzDll(std::unique_ptr<BYTE[]> bytes, DWORD size) {
  if (!ImageHash(bytes.get(), size, Found)) memset(Found, 0, HashBytes);
  if (!Expecting || memcmp(Found, Expected, HashBytes) != 0) {
    SetLastError(577 /* ERROR_INVALID_IMAGE_HASH */);
    return TUnzLoad::NotOurs;
  }
  Bytes = std::move(bytes);
  Size = size;
  return TUnzLoad::Taken;
}

TUnzLoad CInfoZip::LoadUnzDll(const wchar_t* folder) {
  if (Library) return TUnzLoad::Loaded;
  wchar_t path[MAX_PATH];
  const int n = lstrlenW(folder);
  if (!Bytes || n > MAX_PATH - 12) {
    SetLastError(Bytes ? ERROR_FILENAME_EXCED_RANGE : ERROR_MOD_NOT_FOUND);
    return TUnzLoad::NoLibrary;
  }
  lstrcpyW(path, folder);
  lstrcpyW(path + n, L"\\UNZDLL.DLL");
  const HANDLE copy =
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD wrote = 0;
  const bool written = copy != INVALID_HANDLE_VALUE &&
                       WriteFile(copy, Bytes.get(), Size, &wrote, nullptr) && wrote == Size;
  if (copy != INVALID_HANDLE_VALUE) CloseHandle(copy);
  if (!written) return TUnzLoad::NoLibrary;
  // Held from here until the library is let go: nobody writes, renames or deletes the file
  // between its check and its load, or while it runs.
  Held = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
  if (Held == INVALID_HANDLE_VALUE) return TUnzLoad::NoLibrary;
  if (!ImageHash(Held, Found) || memcmp(Found, Expected, HashBytes) != 0) {
    SetLastError(577 /* ERROR_INVALID_IMAGE_HASH */);
    return TUnzLoad::NotOurs;
  }
  const HMODULE library = LoadLibraryW(path);
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

  char saved[SavedDirSize] = "";
  const DWORD savedLen = GetCurrentDirectoryA(SavedDirSize, saved);
  if (savedLen >= SavedDirSize) SetLastError(ERROR_FILENAME_EXCED_RANGE);
  if (savedLen == 0 || savedLen >= SavedDirSize) return false;  // could not be put back
  // Never unpack into whatever folder happens to be current.
  if (target == nullptr || target[0] == '\0') {
    SetLastError(ERROR_BAD_PATHNAME);
    return false;
  }
  if (!SetCurrentDirectoryA(target)) return false;

  // The strings go to the library in blocks of their own, made just before the call.
  const size_t archiveLen = strlen(archive);
  std::unique_ptr<char[]> name(new (std::nothrow) char[archiveLen + 1]);
  std::unique_ptr<char[]> spec(new (std::nothrow) char[FileSpecSize]());
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
    params.AlwaysOne = 1;
    params.FileSpecCount = 1;
    params.ArchiveName = name.get();
    params.AlwaysSeven = 7;
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
