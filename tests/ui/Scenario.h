#pragma once
// Scenario support: the built programs, folders of a test's own, update media and the floppy.
//
//   ui::TempDir t;                                    // fresh folder, removed afterwards
//   std::wstring product = t.Sub(L"WinTalvo");        // made; a Windows path (C:\...)
//   ui::WriteFile(product + L"\\Vanto.exe", "MZ");
//   std::wstring cd = t.Sub(L"cd");
//   std::wstring exe = ui::MakeMedium(cd);            // updater + UNZDLL.DLL copied there
//   ui::WriteZip(cd + L"\\a.zip", {{"Blanks/FORM.RTF", "{\\rtf1}"}, {"readme.txt", "1"}});
//
//   ui::Floppy a;                                     // test takes RESOURCE_LOCK floppy
//   ASSERT_TRUE(a.SwapDisk(t.Sub(L"disk1")));         // A:\ now shows that folder
//   ... a.SwapDisk(t.Sub(L"disk2")) while the disk question is on screen ...
#include <windows.h>

#include <string>
#include <vector>

namespace ui {

// Conversions between this Wine's Windows paths and Linux paths.
std::wstring WindowsPath(const std::string& unixPath);
std::string UnixPath(const std::wstring& windowsPath);
std::wstring Join(const std::wstring& dir, const std::wstring& name);

// The programs of this build, as Windows paths.
std::wstring UpdaterExe();
std::wstring UnzDll();
std::wstring ProbeDll();

// Files.
bool Exists(const std::wstring& path);
bool IsDir(const std::wstring& path);
bool WriteFile(const std::wstring& path, const std::string& bytes);
bool ReadFile(const std::wstring& path, std::string* bytes);
bool MakeDir(const std::wstring& path);
// Copies a file into a folder under its own name.
bool CopyInto(const std::wstring& file, const std::wstring& dir);
// Deletes a tree, read-only files included; true when nothing of it is left.
bool RemoveTree(const std::wstring& path);

// A text in a single-byte code page (866 for Cyrillic names inside archives, 1251 for the
// updater's own texts); characters the code page lacks become "?".
std::string Narrow(const std::wstring& text, UINT codePage);

// An archive member: its name as stored (folders separated by "/"; a name ending in "/" is a
// folder entry) and its bytes.
struct ZipEntry {
  std::string name;
  std::string data;
};
// Writes a zip archive whose members are stored uncompressed.
bool WriteZip(const std::wstring& path, const std::vector<ZipEntry>& entries);

// The events of an updater's log (UTF-8): its lines after the byte-order mark with their
// leading date and time ("2026-03-05 14:07:31  ") taken off. A line that lacks its CR LF or
// its date and time, and a log without the mark, show as "<malformed> ..." events.
std::vector<std::string> LogEvents(const std::string& log);

// Runs a Linux shell command from this Wine process and waits until it has finished; true
// when it exited with status 0. The command holds no double quote.
bool RunUnix(const std::string& command);

// Copies the updater and UNZDLL.DLL into dir (made if missing); returns the updater's path
// there, or an empty text on failure.
std::wstring MakeMedium(const std::wstring& dir);

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

private:
  std::wstring path_;
};

// The floppy drive A: (a drive of type floppy in the test prefix). Tests that use it take
// ctest's RESOURCE_LOCK floppy. Puts the drive's own folder back on destruction.
class Floppy {
public:
  Floppy() = default;
  ~Floppy();
  Floppy(const Floppy&) = delete;
  Floppy& operator=(const Floppy&) = delete;

  // Puts the disk (a folder) into the drive: A:\ shows its contents from now on. Done from
  // the Linux side, so it works while a program runs from the disk in the drive.
  bool SwapDisk(const std::wstring& folder);
};

}  // namespace ui
