#pragma once
// Files for tests: paths, reading and writing, a folder of the test's own, the test
// program's folder, and Wine's view of Linux paths.
//
//   support::TempDir t;                               // fresh folder, removed afterwards
//   std::wstring product = t.Sub(L"WinTalvo");        // made; a Windows path (C:\...)
//   support::WriteFile(support::Join(product, L"Vanto.exe"), "MZ");
//   support::WriteZip(t.Sub(L"cd") + L"\\a.zip", {{"Blanks/FORM.RTF", "{\\rtf1}"}});
//
// Paths are wide, or narrow in the ANSI code page for the tests of code that takes the A
// calls' paths (std::string); every helper takes either.
#include <windows.h>

#include <string>
#include <vector>

#include "Zip.h"

namespace support {

// A path as a test holds it, for the W calls.
class FilePath {
public:
  FilePath(const std::wstring& path) : path_(path) {}
  FilePath(const wchar_t* path) : path_(path) {}
  FilePath(const std::string& ansi);
  FilePath(const char* ansi) : FilePath(std::string(ansi)) {}
  const wchar_t* c_str() const { return path_.c_str(); }
  const std::wstring& wide() const { return path_; }

private:
  std::wstring path_;
};

// dir and name with one backslash between them.
std::wstring Join(const std::wstring& dir, const std::wstring& name);
std::string Join(const std::string& dir, const std::string& name);

DWORD Attributes(const FilePath& path);  // INVALID_FILE_ATTRIBUTES when missing
bool Exists(const FilePath& path);
bool IsDir(const FilePath& path);
bool WriteFile(const FilePath& path, const std::string& bytes);
bool WriteZip(const FilePath& path, const std::vector<ZipEntry>& entries);
bool ReadFile(const FilePath& path, std::string* bytes);
// The file's bytes, or "<missing>" when it cannot be read.
std::string Read(const FilePath& path);
bool MakeDir(const FilePath& path);
// Copies a file into a folder under its own name.
bool CopyInto(const FilePath& file, const FilePath& dir);
// Deletes a tree, read-only files included, never entering a linked folder (the link itself
// goes); true when nothing of it is left.
bool RemoveTree(const FilePath& path);

// Conversions between this Wine's Windows paths and Linux paths.
std::wstring WindowsPath(const std::string& unixPath);
std::string UnixPath(const FilePath& windowsPath);

// Copies the library at unixPath into dir under each name that TALVO_WINE_OVERRIDES tells
// Wine to prefer ("version,uxtheme=n,b" gives version.dll, uxtheme.dll); those names.
std::vector<std::wstring> PlantLibraries(const std::wstring& dir, const std::string& unixPath);

// The folder of the running test program, and the current folder (ANSI).
std::string OwnFolder();
std::string CurrentDir();

// Puts the current folder back at the end of a test that changes it.
class CurrentDirGuard {
public:
  CurrentDirGuard() : saved_(CurrentDir()) {}
  ~CurrentDirGuard() { SetCurrentDirectoryA(saved_.c_str()); }
  CurrentDirGuard(const CurrentDirGuard&) = delete;
  CurrentDirGuard& operator=(const CurrentDirGuard&) = delete;

private:
  std::string saved_;
};

// A fresh folder under the Windows temp folder (C:\...), removed with its contents at the end.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::wstring& Path() const { return path_; }
  // Makes the subfolder (and its parents inside this folder) and returns its path.
  std::wstring Sub(const std::wstring& relative) const;
  // The same folder for the A calls, and the ANSI path of a name inside it (not made).
  const std::string& Ansi() const { return ansi_; }
  std::string operator/(const std::string& name) const { return Join(ansi_, name); }

private:
  std::wstring path_;
  std::string ansi_;
};

}  // namespace support
