#pragma once
#include <windows.h>

// One directory search, closed when it goes out of scope.
class TFindFiles {
public:
  // Searches exactly this path or pattern.
  explicit TFindFiles(const char* path);
  // Lists folder\pattern. An empty folder or a pattern path that does not fit finds
  // nothing: a listing never falls back to the current directory.
  TFindFiles(const char* folder, const char* pattern);
  ~TFindFiles();
  TFindFiles(const TFindFiles&) = delete;
  TFindFiles& operator=(const TFindFiles&) = delete;

  bool Found() const { return Handle != INVALID_HANDLE_VALUE; }
  bool Next() { return FindNextFileA(Handle, &Data) != FALSE; }
  const char* Name() const { return Data.cFileName; }
  const WIN32_FIND_DATAA& Entry() const { return Data; }

private:
  HANDLE Handle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA Data = {};
};
