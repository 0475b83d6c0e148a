// Limiting the library search on systems with and without the newer call, the older ones
// made by a lookup that finds nothing.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "update/files/LibrarySearch.h"
#include "update/files/SystemEntry.h"

namespace {

std::vector<std::string> Present, Calls;
BOOL SetDefaultResult = TRUE;

BOOL WINAPI FakeSetDefault(DWORD flags) {
  Calls.push_back("SetDefaultDllDirectories " + std::to_string(flags));
  return SetDefaultResult;
}

BOOL WINAPI FakeSetDirectory(LPCSTR path) {
  Calls.push_back(std::string("SetDllDirectoryA \"") + path + "\"");
  return TRUE;
}

// The lookup of a system that has only the entries in Present, each recorded instead of called.
FARPROC FakeLookup(const char* dll, const char* name) {
  EXPECT_STREQ("kernel32.dll", dll);
  for (const std::string& entry : Present) {
    if (entry != name) continue;
    void* fake = entry == "SetDllDirectoryA" ? reinterpret_cast<void*>(FakeSetDirectory)
                                             : reinterpret_cast<void*>(FakeSetDefault);
    return reinterpret_cast<FARPROC>(fake);
  }
  return nullptr;
}

std::vector<std::string> RunOn(std::vector<std::string> present) {
  Present = std::move(present);
  Calls.clear();
  SystemEntryLookup = FakeLookup;
  LimitLibrarySearch();
  SystemEntryLookup = LoadedSystemEntry;
  return Calls;
}

using Seen = std::vector<std::string>;

TEST(LibrarySearch, TheSystemFolderAloneWhereItCanElseTheLibrariesNeededAreLoadedFromThere) {
  const Seen both = {"SetDefaultDllDirectories", "SetDllDirectoryA"};
  EXPECT_EQ(Seen({"SetDefaultDllDirectories 2048"}), RunOn(both)) << "Windows 8 on";
  EXPECT_EQ(nullptr, GetModuleHandleA("version.dll"));
  EXPECT_EQ(Seen({"SetDllDirectoryA \"\""}), RunOn({"SetDllDirectoryA"})) << "Windows XP SP1 on";
  EXPECT_EQ(Seen(), RunOn({})) << "Windows XP before SP1";
  SetDefaultResult = FALSE;
  EXPECT_EQ(Seen({"SetDefaultDllDirectories 2048", "SetDllDirectoryA \"\""}), RunOn(both))
      << "the newer call refused";
  SetDefaultResult = TRUE;
  // Loaded by full path before anything loads it by name.
  for (const wchar_t* name : {L"version.dll", L"uxtheme.dll", L"crypt32.dll", L"rsaenh.dll"}) {
    wchar_t path[MAX_PATH], system[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameW(GetModuleHandleW(name), path, MAX_PATH)) << name;
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(_wcsnicmp(path, system, wcslen(system)), 0) << name;
  }
}

// A DLL not loaded yet comes from the system folder, never from beside the program.
TEST(LibrarySearch, TheRealLookupFindsSystemEntriesInTheSystemFolderOnly) {
  EXPECT_TRUE(LoadedSystemEntry("kernel32.dll", "SetDllDirectoryA"));
  EXPECT_FALSE(LoadedSystemEntry("kernel32.dll", "NoSuchEntry"));
  EXPECT_FALSE(LoadedSystemEntry("no-such-system.dll", "Entry"));
  EXPECT_TRUE(LoadedSystemEntry("rstrtmgr.dll", "RmStartSession"));
  wchar_t path[MAX_PATH], system[MAX_PATH];
  ASSERT_TRUE(GetModuleFileNameW(GetModuleHandleW(L"rstrtmgr.dll"), path, MAX_PATH));
  GetSystemDirectoryW(system, MAX_PATH);
  EXPECT_EQ(_wcsnicmp(path, system, wcslen(system)), 0);
}

}  // namespace
