// The start of the product: exactly the program named, whatever blanks its path has, and with
// which rights (a plain start or one with the desktop user's token, the system's newer calls
// replaced by stand-ins).
#include "update/run/StartProgram.h"
#include "update/files/SystemEntry.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "Driver.h"
#include "Files.h"
#include "Scenario.h"

namespace {

// What the stand-ins make of the system.
struct {
  bool Elevated, Shell, Linked, WithToken;
  int TokenStarts;
  std::wstring Program, Directory;
} System;

BOOL WINAPI FakeTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* out, DWORD size,
                                 DWORD* used) {
  if (kind == static_cast<TOKEN_INFORMATION_CLASS>(20)) {  // elevated?
    *static_cast<DWORD*>(out) = System.Elevated;
    return TRUE;
  }
  if (kind == static_cast<TOKEN_INFORMATION_CLASS>(19) && System.Linked)  // the linked token
    return OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, static_cast<HANDLE*>(out)) &&
           token;
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE && size && used;
}

// The shell stands in with a window of this process.
HWND WINAPI FakeShellWindow() {
  static HWND shell =
      CreateWindowExW(0, L"STATIC", L"shell", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  return System.Shell ? shell : nullptr;
}

BOOL WINAPI FakeStartWithToken(HANDLE, DWORD, LPCWSTR program, LPWSTR, DWORD, LPVOID,
                               LPCWSTR directory, LPSTARTUPINFOW, LPPROCESS_INFORMATION process) {
  ++System.TokenStarts;
  System.Program = program;
  System.Directory = directory;
  process->hProcess = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  process->hThread = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  return TRUE;
}

template <typename Fn>
FARPROC Entry(Fn fn) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fn));
}

FARPROC Fake(const char* dll, const char* name) {
  const std::string n = name;
  if (n == "GetTokenInformation") return Entry(FakeTokenInformation);
  if (n == "GetShellWindow") return Entry(FakeShellWindow);
  if (n == "CreateProcessWithTokenW") return System.WithToken ? Entry(FakeStartWithToken) : nullptr;
  return LoadedSystemEntry(dll, name);
}

// Elevated, the product never starts with raised rights: with the desktop shell's token, or
// the limited one linked to the updater's own; with neither, not at all. Otherwise (XP, or
// the user's own rights) it starts as ever.
TEST(StartAsDesktopUser, ElevatedItStartsWithTheDesktopUsersTokenOrNotAtAll) {
  support::TempDir scratch;
  support::CurrentDirGuard keep;
  const std::string vanto = scratch / "Vanto.exe";
  ASSERT_TRUE(
      CopyFileA(support::Join(support::OwnFolder(), "Vanto.exe").c_str(), vanto.c_str(), FALSE));
  struct {
    bool elevated, shell, linked, withToken;
    bool started;
    int tokenStarts;
  } cases[] = {
      {true, true, false, true, true, 1},   {true, false, true, true, true, 1},
      {true, false, false, true, false, 0}, {true, true, true, false, false, 0},
      {false, true, true, true, true, 0},
  };
  SystemEntryLookup = Fake;
  for (const auto& c : cases) {
    System = {c.elevated, c.shell, c.linked, c.withToken, 0, L"", L""};
    // The last row's program may still hold its record: each row reads its own.
    const std::string record = scratch / "vanto-ran.txt";
    ASSERT_TRUE(ui::WaitUntil(
        [&] { return DeleteFileA(record.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND; },
        15000));
    EXPECT_EQ(StartAsDesktopUser(vanto.c_str(), scratch.Ansi().c_str()), c.started);
    EXPECT_EQ(System.TokenStarts, c.tokenStarts);
    if (c.tokenStarts) {
      EXPECT_EQ(System.Program, std::wstring(vanto.begin(), vanto.end()));
      EXPECT_EQ(System.Directory, std::wstring(scratch.Ansi().begin(), scratch.Ansi().end()));
    }
    if (c.started && !c.tokenStarts) {
      std::string ran;
      ui::WaitUntil(
          [&] { return support::ReadFile(scratch / "vanto-ran.txt", &ran) && !ran.empty(); },
          15000);
      EXPECT_FALSE(ran.empty()) << "not started the plain way";
    }
  }
  SystemEntryLookup = LoadedSystemEntry;
}

TEST(RunProgram, NothingToStartGivesFalse) {
  support::TempDir scratch;
  EXPECT_FALSE(RunProgram(nullptr));
  EXPECT_FALSE(RunProgram(""));
  EXPECT_FALSE(RunProgram((scratch / "Vanto.exe").c_str()));
}

TEST(RunProgram, StartsExactlyTheProgramWhosePathHasBlanks) {
  support::TempDir scratch;
  support::CurrentDirGuard keep;
  const std::string product = scratch / "Program Files\\Talvo";
  CreateDirectoryA((scratch / "Program Files").c_str(), nullptr);
  CreateDirectoryA(product.c_str(), nullptr);
  const std::string vanto = support::Join(product, "Vanto.exe");
  ASSERT_TRUE(
      CopyFileA(support::Join(support::OwnFolder(), "Vanto.exe").c_str(), vanto.c_str(), FALSE));
  // Where an unquoted start of the path above would look first.
  ASSERT_TRUE(CopyFileA(support::Join(support::OwnFolder(), "trap_program.exe").c_str(),
                        (scratch / "Program.exe").c_str(), FALSE));
  ASSERT_TRUE(SetCurrentDirectoryA(product.c_str()));

  ASSERT_TRUE(RunProgram(vanto.c_str()));

  const std::string record = support::Join(product, "vanto-ran.txt");
  std::string text;
  // The record is written in pieces: whole once it holds both lines.
  const auto whole = [&] {
    return support::ReadFile(record, &text) && std::count(text.begin(), text.end(), '\n') == 2;
  };
  ASSERT_TRUE(ui::WaitUntil(whole, 15000));
  EXPECT_EQ("\"" + vanto + "\"\r\n" + product + "\r\n", support::Read(record));
  EXPECT_FALSE(support::Exists(scratch / "trap-ran.txt"));
}

}  // namespace
