#pragma once
#include <windows.h>

// One directory listing over folder\pattern, closed when it goes out of scope.
// An empty folder or a pattern path that does not fit finds nothing: a listing never
// falls back to the current directory.
class FindFiles {
public:
  FindFiles(const char* folder, const char* pattern);
  ~FindFiles();
  FindFiles(const FindFiles&) = delete;
  FindFiles& operator=(const FindFiles&) = delete;

  bool Found() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Next() { return FindNextFileA(handle_, &data_) != FALSE; }
  const char* Name() const { return data_.cFileName; }
  DWORD Attributes() const { return data_.dwFileAttributes; }

private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA data_ = {};
};
