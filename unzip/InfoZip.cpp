#include "unzip/InfoZip.h"

#include <strsafe.h>
#include <stdlib.h>
#include <string.h>

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
  if (info == nullptr || info->ErrorNumber == 0) return 0;
  char text[kBoxTextSize];
  FormatZipError(info->ErrorNumber, info->MessageText, text);
  if (Calling) Calling->LibraryError = true;
  if (Calling && Calling->Reporter)
    Calling->Reporter->LibraryReport(text);
  else
    ShowZipError(text);
  return 0;
}

void ShowZipError(const char* text) {
  // The library's texts are English, but the names in them are in the ANSI code page.
  wchar_t wide[kBoxTextSize];
  if (!MultiByteToWideChar(CP_ACP, 0, text, -1, wide, kBoxTextSize)) wide[0] = L'\0';
  MessageBoxW(GetActiveWindow(), wide, L"", MB_OK);
}

CInfoZip::CInfoZip()
    : ErrorCode(kUnzErrorNone),
      UnzDllHandle(nullptr),
      UnzDllExecEntry(nullptr),
      GetUnzDllVersionEntry(nullptr),
      LibraryError(false) {}

CInfoZip::~CInfoZip() { FreeUnzDll(); }

bool CInfoZip::LoadUnzDll(const char* path) {
  if (IsUnzDllLoaded()) return true;
  // The bare name by default: the system's library search finds the one beside the updater.
  UnzDllHandle = LoadLibraryA(path);
  if (UnzDllHandle == nullptr) {
    ErrorCode = kUnzErrorNoLibrary;
    return false;
  }
  GetUnzDllVersionEntry = Entry<GetUnzDllVersionFn>(UnzDllHandle, "GetUnzDllVersion");
  if (GetUnzDllVersionEntry != nullptr)
    UnzDllExecEntry = Entry<UnzDllExecFn>(UnzDllHandle, "UnzDllExec");
  if (GetUnzDllVersionEntry == nullptr || UnzDllExecEntry == nullptr) {
    ErrorCode = kUnzErrorNoEntry;
    FreeLibrary(UnzDllHandle);
    UnzDllHandle = nullptr;
    UnzDllExecEntry = nullptr;
    GetUnzDllVersionEntry = nullptr;
    return false;
  }
  return true;
}

bool CInfoZip::IsUnzDllLoaded() const {
  return UnzDllHandle != nullptr && UnzDllExecEntry != nullptr &&
         GetUnzDllVersionEntry != nullptr;
}

bool CInfoZip::FreeUnzDll() {
  if (IsUnzDllLoaded()) {
    FreeLibrary(UnzDllHandle);
    UnzDllHandle = nullptr;
    UnzDllExecEntry = nullptr;
    GetUnzDllVersionEntry = nullptr;
  }
  return true;
}

int32_t CInfoZip::GetUnzVersion() {
  if (!IsUnzDllLoaded()) {
    ErrorCode = kUnzErrorNotLoaded;
    return 0;
  }
  return GetUnzDllVersionEntry();
}

int32_t CInfoZip::GetErrorCode() const { return ErrorCode; }

void CInfoZip::SetErrorCode(int32_t code) { ErrorCode = code; }

bool CInfoZip::LibraryReportedError() const { return LibraryError; }

void CInfoZip::FillUnzParams(UnzParams& params) {
  params.Reserved0[0] = 0;
  params.Reserved0[1] = 0;
  params.Version = GetUnzVersion();
  params.Callback = UnzMessageProc;
  memset(params.Reserved16, 0, sizeof params.Reserved16);
  params.Word60 = 1;
  params.FileSpecCount = 0;
  params.ArchiveName = nullptr;
  params.Word72 = 7;
}

void CInfoZip::FreeUnzParams(UnzParams& params) {
  free(params.ArchiveName);
  params.ArchiveName = nullptr;
  for (int i = 0; i < params.FileSpecCount; ++i) {
    free(params.FileSpecs[i]);
    params.FileSpecs[i] = nullptr;
  }
  params.FileSpecCount = 0;
}

bool CInfoZip::ExtractArchive(const char* archive, const char* target) {
  LibraryError = false;
  if (!IsUnzDllLoaded()) return false;

  char saved[kSavedDirSize];
  memset(saved, 0, sizeof saved);
  const DWORD savedLen = GetCurrentDirectoryA(kSavedDirSize, saved);
  if (savedLen == 0 || savedLen >= kSavedDirSize) return false;  // could not be put back
  // Never unpack into whatever folder happens to be current.
  if (target == nullptr || target[0] == '\0' || !SetCurrentDirectoryA(target)) return false;

  UnzParams params;  // only the header and the used entries are set: the library reads no more
  FillUnzParams(params);
  const size_t archiveLen = strlen(archive);
  params.ArchiveName = static_cast<char*>(calloc(archiveLen + 1, 1));
  char* spec = static_cast<char*>(calloc(kFileSpecSize, 1));
  bool called = false;
  if (params.ArchiveName != nullptr && spec != nullptr) {
    memcpy(params.ArchiveName, archive, archiveLen);
    params.FileSpecCount = 1;
    params.FileSpecs[0] = spec;
    strcpy(spec, "*.*");
    CInfoZip* outer = Calling;
    Calling = this;
    UnzDllExecEntry(&params);
    Calling = outer;
    called = true;
  } else {
    free(spec);
  }
  FreeUnzParams(params);

  SetCurrentDirectoryA(saved);
  return called;
}
