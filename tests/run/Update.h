#pragma once
// A product folder, an update medium and the updater working on them, for the end-to-end
// scenarios: what the user does (start, type the folder, press, answer) and what is then
// on the disk.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "Driver.h"
#include "Scenario.h"

namespace run {

// Texts of the boxes as the user reads them (lines joined with CR LF).
extern const char* const kCaption;
extern const char* const kSucceeded;  // the success question
// How an update that did not complete ends: nothing of the product had been changed, or
// what had been was undone.
extern const char* const kNotChanged;
extern const char* const kRolledBack;

// The fake product of the build: records how it was started in vanto-ran.txt beside itself.
std::wstring FakeProduct();
// Its bytes, to ship it as the product's new version in an archive.
std::string FakeProductBytes();
// A stand-in UNZDLL.DLL that lacks UnzDllExec.
std::wstring LibraryWithoutExec();
// The trap that a start of the product by an unquoted path would run.
std::wstring TrapProgram();

// Names in a folder, sorted; folders end in "\". The updater's log is no product file and is
// left out (the scenarios of the log read it themselves).
std::vector<std::wstring> List(const std::wstring& dir);
std::string Read(const std::wstring& path);  // empty when missing
// True when every one of want is among events, in this order.
bool InOrder(const std::vector<std::string>& events, const std::vector<std::string>& want);

// Keeps a file open with no sharing, as another program that has it in use.
class HeldOpen {
public:
  explicit HeldOpen(const std::wstring& path);
  ~HeldOpen() { Release(); }
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;
  bool Held() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Release();

private:
  HANDLE handle_;
};

class Update : public ::testing::Test {
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

  std::wstring Product(const std::wstring& name) const { return ui::Join(product, name); }
  std::wstring Medium(const std::wstring& name) const { return ui::Join(cd, name); }
  std::wstring Work(const std::wstring& name) const {
    return ui::Join(Product(L"Temp1"), name);
  }

  ui::TempDir t;
  ui::App app;
  std::wstring product, cd, updater;
  HWND w = nullptr;
};

}  // namespace run
