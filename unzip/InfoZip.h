#pragma once
// The adapter to the unpacking library UNZDLL.DLL: loads it for one update run, hands it
// one request per archive, and shows the errors it reports.
#include "unzip/UnzRecords.h"

#include <windows.h>

// Values of CInfoZip::GetErrorCode. Nothing resets them to 0.
enum {
  kUnzErrorNone = 0,
  kUnzErrorNoLibrary = 1,  // UNZDLL.DLL could not be loaded
  kUnzErrorNoEntry = 2,    // it lacks GetUnzDllVersion or UnzDllExec
  kUnzErrorNotLoaded = 3,  // the version was asked for while not loaded
};

// Takes the library's reports during an unpacking, instead of the plain box.
class TUnzReporter {
public:
  // text: "Zip error N:", a line break and the library's words (ANSI code page).
  virtual void LibraryReport(const char* text) = 0;

protected:
  ~TUnzReporter() = default;
};

// The library's callback: a report with a non-zero number goes to the reporter of the
// adapter whose unpacking is under way, or else into a plain box ("Zip error N:" and the
// library's text), owned by the thread's active window. Returns 0.
int32_t __stdcall UnzMessageProc(UnzCallbackInfo* info);

// The text of that box, cut to fit out (1,024 bytes); returns its length.
int FormatZipError(int32_t number, const char* text, char* out /* 1024 */);

// The plain box of a library report.
void ShowZipError(const char* text);

class CInfoZip {
public:
  CInfoZip();
  virtual ~CInfoZip();
  CInfoZip(const CInfoZip&) = delete;
  CInfoZip& operator=(const CInfoZip&) = delete;

  // Loads UNZDLL.DLL by the system's library search, or the library at this path, and finds
  // both entries. A library that lacks an entry is released again at once.
  bool LoadUnzDll(const char* path = "UNZDLL.DLL");
  bool IsUnzDllLoaded() const;
  bool FreeUnzDll();  // always true

  int32_t GetUnzVersion();  // 0 and error 3 when not loaded
  int32_t GetErrorCode() const;
  void SetErrorCode(int32_t code);

  void FillUnzParams(UnzParams& params);
  void FreeUnzParams(UnzParams& params);

  // Unpacks every member of the archive into the target folder, which is the current
  // directory for the length of the call only. False when not loaded, or when the target
  // cannot be made current (nothing is unpacked then).
  bool ExtractArchive(const char* archive, const char* target);

  // Whether the library reported an error during the latest ExtractArchive.
  bool LibraryReportedError() const;

  // Where the library's reports go; null (the default) shows each in the plain box.
  void SetReporter(TUnzReporter* reporter) { Reporter = reporter; }

protected:
  typedef int32_t(__stdcall* GetUnzDllVersionFn)();
  typedef int32_t(__stdcall* UnzDllExecFn)(UnzParams* params);

  int32_t ErrorCode;
  HMODULE UnzDllHandle;
  UnzDllExecFn UnzDllExecEntry;
  GetUnzDllVersionFn GetUnzDllVersionEntry;
  bool LibraryError;
  TUnzReporter* Reporter = nullptr;

  friend int32_t __stdcall UnzMessageProc(UnzCallbackInfo* info);
};
