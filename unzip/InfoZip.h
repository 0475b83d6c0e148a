#pragma once
// The adapter to the unpacking library UNZDLL.DLL: loads it for one update run, hands it
// one request per archive, and passes the errors it reports to whoever listens.
#include "unzdll/UnzRecords.h"
#include "crypto/Crypto.h"

#include <windows.h>

#include <memory>

// The resource of the updater that holds the SHA-256 of the UNZDLL.DLL it was built with
// (32 bytes, put in by the build; unzip/ImageHash tells how it is taken).
inline constexpr char UnzDllHashResource[] = "UNZDLLHASH";

// Takes the library's reports during an unpacking.
class TUnzReporter {
public:
  // text: "Zip error N:", a line break and the library's words (ANSI code page).
  virtual void LibraryReport(const char* text) = 0;

protected:
  ~TUnzReporter() = default;
};

// The library's callback: a report with a non-zero number is noted by the adapter whose
// unpacking is under way and goes to its reporter ("Zip error N:" and the library's text).
// Returns 0.
int32_t __stdcall UnzMessageProc(UnzCallbackInfo* info);

// The text of a report, cut to fit out (1,024 bytes); returns its length.
int FormatZipError(int32_t number, const char* text, char* out /* 1024 */);

// How taking and loading the library went.
enum class TUnzLoad {
  Loaded,
  Taken,      // its bytes are those of the library expected, kept to be loaded
  NoLibrary,  // UNZDLL.DLL could not be read, written or loaded
  NoEntry,    // it lacks GetUnzDllVersion or UnzDllExec, and was let go again
  NotOurs,    // its bytes are not those of the library expected: never loaded
};

class CInfoZip {
public:
  // expected: the hash of the one library this adapter loads (32 bytes); null loads none.
  explicit CInfoZip(const BYTE* expected);
  virtual ~CInfoZip();
  CInfoZip(const CInfoZip&) = delete;
  CInfoZip& operator=(const CInfoZip&) = delete;

  // The library is taken once and loaded from a copy of the very bytes taken, so that what
  // runs is what was hashed whatever a link or a rename on its path does meanwhile. Other
  // than Taken and Loaded, GetLastError tells the system's reason.
  //
  // Reads the library at this full path whole, through a handle nobody may write meanwhile,
  // and keeps its bytes when their image has the expected hash.
  TUnzLoad ReadUnzDll(const char* fullPath);
  // Keeps these bytes (size of them) when their image has the expected hash.
  TUnzLoad TakeUnzDll(std::unique_ptr<BYTE[]> bytes, DWORD size);
  // Writes the bytes taken into folder (wide, a path without links to a new folder of the
  // caller's that nobody else may change) as a new UNZDLL.DLL, holds it shared for reading
  // only until the adapter goes, checks its hash again through that handle and loads it by
  // that path, with both entries. Loading again keeps the first load.
  TUnzLoad LoadUnzDll(const wchar_t* folder);
  // The hash expected and, after NotOurs, the one found (32 bytes each).
  const BYTE* ExpectedHash() const { return Expected; }
  const BYTE* FoundHash() const { return Found; }

  // Unpacks every member of the archive into the target folder, which is the current
  // directory for the length of the call only. False when not loaded, or when the target
  // cannot be made current (nothing is unpacked then).
  bool ExtractArchive(const char* archive, const char* target);

  // Whether the library reported an error during the latest ExtractArchive.
  bool LibraryReportedError() const { return LibraryError; }

  // Where the library's reports go; none (the default) only notes them.
  void SetReporter(TUnzReporter* reporter) { Reporter = reporter; }

private:
  typedef int32_t(__stdcall* GetUnzDllVersionFn)();
  typedef int32_t(__stdcall* UnzDllExecFn)(UnzParams* params);

  void Report(const char* text);

  BYTE Expected[HashBytes] = {};
  BYTE Found[HashBytes] = {};
  bool Expecting = false;
  std::unique_ptr<BYTE[]> Bytes;  // taken
  DWORD Size = 0;
  HANDLE Held = INVALID_HANDLE_VALUE;  // the copy loaded, shared for reading only
  HMODULE Library = nullptr;
  UnzDllExecFn Exec = nullptr;
  GetUnzDllVersionFn Version = nullptr;
  bool LibraryError = false;
  TUnzReporter* Reporter = nullptr;

  friend int32_t __stdcall UnzMessageProc(UnzCallbackInfo* info);
};
