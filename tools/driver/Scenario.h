#pragma once
// Scenario support: the built programs, update media, the updater's log, the floppy drive.
//
//   support::TempDir t;
//   std::wstring cd = t.Sub(L"cd");
//   std::wstring exe = ui::MakeMedium(cd);            // updater + UNZDLL.DLL copied there
//
//   ui::Floppy a;                                     // test takes RESOURCE_LOCK floppy
//   ASSERT_TRUE(a.SwapDisk(t.Sub(L"disk1")));         // A:\ now shows that folder
//   ... a.SwapDisk(t.Sub(L"disk2")) while the disk question is on screen ...
#include <windows.h>

#include <string>
#include <vector>

#include "Files.h"

namespace ui {

// The programs of this build, as Windows paths.
std::wstring UpdaterExe();
std::wstring UnzDll();
std::wstring ProbeDll();

// The Linux folder of the test's Wine prefix; empty when it is not named.
std::string WinePrefix();

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
