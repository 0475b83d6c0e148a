#pragma once
// Files and folders through the wide calls, so that any name works whatever the code page.
#include <windows.h>

#include <string>
#include <vector>

std::wstring Join(const std::wstring& folder, const std::wstring& name);
// The full path, without a trailing backslash; the path itself when the system cannot tell.
std::wstring FullPath(const std::wstring& path);
bool IsFolder(const std::wstring& path);

struct TFound {
  std::wstring Name;
  bool Folder;
  ULONGLONG Size;
  FILETIME Written;
  bool Link;  // a reparse point: a junction, a symbolic link, a mount point
};
// The entries of a folder; false when it cannot be listed.
bool ListFolder(const std::wstring& folder, std::vector<TFound>* out);

// True when both files can be read and hold the same bytes.
bool SameBytes(const std::wstring& a, const std::wstring& b);

// A small file whole (a key, a description): false when it cannot be read or is larger
// than limit.
bool ReadWhole(const std::wstring& path, size_t limit, std::string* bytes);
// Writes a new file (never over one) with these bytes.
bool WriteNew(const std::wstring& path, const std::string& bytes);

// What this run made: a new folder, a new copy (never over a file). Each one made, and each
// file TWriteFile makes, is noted, so that a failed run removes only what it made itself.
bool MakeFolder(const std::wstring& path);
bool CopyNew(const std::wstring& from, const std::wstring& to);
// Removes what this run made, the latest first; a folder only when it is empty.
void RemoveMade();

// What folder\name is when it is opened.
enum class TEntry {
  Own,        // that very entry (where the system cannot tell, Windows XP, any entry)
  Elsewhere,  // what a link leads to (a file link shows as a plain file under Wine)
  Unopened,   // it cannot be opened: GetLastError tells why
};
// names: how many names the file has (a hard link gives it more than one).
TEntry OpenAsEntry(const std::wstring& folder, const std::wstring& name, DWORD* names);

// Deletes the folder with everything in it; true when nothing of it is left.
bool RemoveTree(const std::wstring& path);

// A file opened for reading, shared with readers, closed with the object.
class TReadFile {
public:
  explicit TReadFile(const std::wstring& path);
  ~TReadFile();
  TReadFile(const TReadFile&) = delete;
  TReadFile& operator=(const TReadFile&) = delete;

  bool Opened() const { return File != INVALID_HANDLE_VALUE; }
  HANDLE Handle() const { return File; }
  // Up to size bytes; *got 0 at the end of the file.
  bool Read(void* buffer, DWORD size, DWORD* got);

private:
  HANDLE File;
};

// A new file, written from the start; false from Write or Close once anything failed.
class TWriteFile {
public:
  explicit TWriteFile(const std::wstring& path);
  ~TWriteFile();
  TWriteFile(const TWriteFile&) = delete;
  TWriteFile& operator=(const TWriteFile&) = delete;

  bool Opened() const { return File != INVALID_HANDLE_VALUE; }
  bool Write(const void* data, size_t size);
  ULONGLONG Offset() const { return Written; }
  bool Close();

private:
  HANDLE File;
  ULONGLONG Written = 0;
  bool Failed = false;
};
