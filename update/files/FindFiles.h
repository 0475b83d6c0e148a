#pragma once
#include <windows.h>

// One directory search, closed when it goes out of scope.
class FindFiles {
public:
  // Searches exactly this path or pattern.
  explicit FindFiles(const char* path);
  // Lists folder\pattern. An empty folder or a pattern path that does not fit finds
  // nothing: a listing never falls back to the current directory.
  FindFiles(const char* folder, const char* pattern);
  ~FindFiles();
  FindFiles(const FindFiles&) = delete;
  FindFiles& operator=(const FindFiles&) = delete;

  bool Found() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Next() { return FindNextFileA(handle_, &data_) != FALSE; }
  const char* Name() const { return data_.cFileName; }
  const WIN32_FIND_DATAA& Entry() const { return data_; }

private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA data_ = {};
};
