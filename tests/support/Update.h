#pragma once
// A product folder, an update medium and the updater working on them, for the end-to-end
// scenarios: what the user does (start, type the folder, press, answer) and what is then
// on the disk.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "Driver.h"
#include "HeldFile.h"
#include "Scenario.h"
#include "Texts.h"
#include "Tree.h"
#include "UpdaterTest.h"

namespace run {

// The fake product of the build: records how it was started in vanto-ran.txt beside itself.
std::wstring FakeProduct();
// Its bytes, to ship it as the product's new version in an archive.
std::string FakeProductBytes();
// A stand-in UNZDLL.DLL that lacks UnzDllExec.
std::wstring LibraryWithoutExec();
// The trap that a start of the product by an unquoted path would run.
std::wstring TrapProgram();

// True when every one of want is among events, in this order.
bool InOrder(const std::vector<std::string>& events, const std::vector<std::string>& want);

class Update : public ui::UpdaterTest {
protected:
  // A product folder (WinTalvo, holding Vanto.exe and Blanks) and a medium folder (cd,
  // holding the updater and UNZDLL.DLL).
  void SetUp() override;

  // Starts the updater at exe, types the product folder and presses the update button.
  void Start(const std::wstring& exe);
  void Press();
  // The next box, read; fails the test when none comes.
  ui::Box NextBox(DWORD timeoutMs = ui::kWaitMs);
  // True when no box comes within the time.
  bool NoBox(DWORD timeoutMs = 1500);
  // The box was a stop box of the update with these lines.
  void ExpectError(const ui::Box& box, const std::string& utf8Text);
  void ExpectSuccessQuestion(const ui::Box& box);
  // A warning of the update with OK alone: how an update that did not complete ended.
  void ExpectWarning(const ui::Box& box, const std::string& utf8Text);
  // The box that names a product file in use, with OK to try again and Cancel.
  void ExpectHeldFile(const ui::Box& box, const std::wstring& path);
  // The window closed, the process ended with this code (0: updated; 2: the update did not
  // complete), and no TempN remains in the product.
  void ExpectClosedAndClean(DWORD exitCode = 0);
  void ExpectStillOpen();
  // Every way a user or the system asks the window to close (the task bar's close of the
  // application window, the system menu, WM_CLOSE) while this box of the run is up: the
  // run must not notice, and the box stays.
  void AskToCloseDuring(const ui::Box& box);
  // No TempN folder in the product folder.
  void ExpectNoWorkFolder();
  // Waits for the product's record of its start; empty when it did not start.
  std::string ProductRun(DWORD timeoutMs = ui::kWaitMs);
  // Runs the updater with these switches to its end, looking at the top-level windows of its
  // process all the while: the exit code (99 when it does not end), and whether one was seen.
  DWORD RunToEnd(const std::wstring& args, bool* windowSeen = nullptr);

  std::wstring Product(const std::wstring& name) const { return support::Join(product, name); }
  std::wstring Medium(const std::wstring& name) const { return support::Join(cd, name); }
  std::wstring Work(const std::wstring& name) const {
    return support::Join(Product(L"Temp1"), name);
  }

  std::wstring product, cd, updater;
};

}  // namespace run
