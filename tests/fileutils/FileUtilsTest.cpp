// The file and path helpers on real files in a scratch folder.
#include "tests/fileutils/Scratch.h"
#include "app/OwnMedium.h"
#include "update/FileUtils.h"
#include "update/SafeFiles.h"
#include "update/StartProgram.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

DWORD MsSince(DWORD start) { return GetTickCount() - start; }

bool IsReadOnly(const std::string& path) {
  return (Attributes(path) & FILE_ATTRIBUTE_READONLY) != 0 && Exists(path);
}

bool IsLink(const std::string& path) {
  return Exists(path) && (Attributes(path) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

template <typename Fn>
Fn Kernel32Entry(const char* name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

bool RunAndWait(std::string commandLine, DWORD timeoutMs = 10000) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi))
    return false;
  const bool done = WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return done;
}

// Makes link a link to the folder target: the system's symbolic link where that works,
// otherwise (Wine) a Linux symbolic link, which Wine presents as a reparse point.
bool MakeFolderLink(const std::string& link, const std::string& target) {
  using CreateLinkFn = BOOLEAN(WINAPI*)(LPCSTR, LPCSTR, DWORD);
  if (auto createLink = Kernel32Entry<CreateLinkFn>("CreateSymbolicLinkA")) {
    if (createLink(link.c_str(), target.c_str(), 1 /* directory */) && IsLink(link)) return true;
  }
  using UnixNameFn = char*(CDECL*)(LPCWSTR);
  auto unixName = Kernel32Entry<UnixNameFn>("wine_get_unix_file_name");
  if (!unixName) return false;
  auto toUnix = [&](const std::string& path) {
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return std::string();
    char* name = unixName(wide);
    if (!name) return std::string();
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
  };
  // Wine hands a Linux program off without waiting for it: wait for the link instead.
  RunAndWait("Z:\\bin\\ln -s \"" + toUnix(target) + "\" \"" + toUnix(link) + "\"");
  const DWORD start = GetTickCount();
  while (!IsLink(link) && MsSince(start) < 5000) Sleep(20);
  return IsLink(link);
}

void LetGo(HANDLE holder) {
  TerminateProcess(holder, 0);
  WaitForSingleObject(holder, 5000);
  CloseHandle(holder);
}

// Starts hold_file, which keeps path open with no sharing for holdMs, and returns once
// the file is really held; null when it never was.
HANDLE HoldOpen(const std::string& path, int holdMs) {
  std::string commandLine =
      "\"" + Join(OwnFolder(), "hold_file.exe") + "\" \"" + path + "\" " + std::to_string(holdMs);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi))
    return nullptr;
  CloseHandle(pi.hThread);
  const DWORD start = GetTickCount();
  while (MsSince(start) < 15000 && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
    HANDLE probe = CreateFileA(path.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
      return pi.hProcess;
    if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
    Sleep(20);
  }
  LetGo(pi.hProcess);
  return nullptr;
}

// ---- TrimPath

TEST(TrimPath, RemovesControlCharactersAndBlanksFromBothEnds) {
  char path[MAX_PATH] = "\t\r\n \x01 C:\\Program Files\\WinTalvo \x1f\r\n ";
  EXPECT_EQ(25, TrimPath(path));
  EXPECT_STREQ("C:\\Program Files\\WinTalvo", path);

  char blanks[MAX_PATH] = " \t \r\n";
  EXPECT_EQ(0, TrimPath(blanks));
  EXPECT_STREQ("", blanks);
}

TEST(TrimPath, KeepsNoBreakSpaceCyrillicAndPunctuationAtBothEnds) {
  char nbsp[MAX_PATH] = "\xA0" "C:\\WinTalvo\xA0";
  EXPECT_EQ(13, TrimPath(nbsp));
  EXPECT_STREQ("\xA0" "C:\\WinTalvo\xA0", nbsp);

  char cyrillic[MAX_PATH] = " Талво\\Бланки ";
  EXPECT_EQ(12, TrimPath(cyrillic));
  EXPECT_STREQ("Талво\\Бланки", cyrillic);

  char edges[MAX_PATH] = "!x\x7f";
  EXPECT_EQ(3, TrimPath(edges));
}

// ---- GetOwnDir

TEST(GetOwnDir, FoldsRunsOfCapitalsKeepingEachRunsFirstLetter) {
  struct Case {
    const char* folder;
    const char* folded;
  } cases[] = {
      {"D:\\UPDATE", "D:\\Update"},
      {"C:\\Program Files\\NEW CD", "C:\\Program Files\\New Cd"},
      {"E:\\ABC2DEF", "E:\\Abc2Def"},
      {"A:", "A:"},
      {"C:\\ТАЛВО\\UPD", "C:\\ТАЛВО\\Upd"},  // only ASCII capitals fold
  };
  for (const Case& c : cases) {
    char folder[MAX_PATH];
    strcpy(folder, c.folder);
    FoldCapitalRuns(folder);
    EXPECT_STREQ(c.folded, folder) << c.folder;
  }
}

TEST(GetOwnDir, RealCallGivesFoldedFolderWithoutBackslash) {
  ScratchFolder scratch;
  const std::string medium = scratch / "NEW CD";
  ASSERT_TRUE(CreateDirectoryA(medium.c_str(), nullptr));
  const std::string program = Join(medium, "TALVOUPDATE.EXE");
  ASSERT_TRUE(CopyFileA(Join(OwnFolder(), "own_dir.exe").c_str(), program.c_str(), FALSE));
  const std::string result = scratch / "own-dir.txt";

  ASSERT_TRUE(RunAndWait("\"" + program + "\" \"" + result + "\""));

  char expected[MAX_PATH];
  strcpy(expected, medium.c_str());
  FoldCapitalRuns(expected);
  ASSERT_NE(std::string::npos, std::string(expected).find("\\New Cd"));
  EXPECT_EQ(std::to_string(strlen(expected)) + "|" + expected, ReadText(result));
}

// ---- JoinPath

TEST(JoinPath, PutsExactlyOneBackslashAtTheSeam) {
  char out[MAX_PATH];
  EXPECT_TRUE(JoinPath("A:", "*.zip", out));
  EXPECT_STREQ("A:\\*.zip", out);
  EXPECT_TRUE(JoinPath("C:\\WinTalvo\\", "a.zip", out));
  EXPECT_STREQ("C:\\WinTalvo\\a.zip", out);
  EXPECT_TRUE(JoinPath("C:\\WinTalvo", "\\a.zip", out));
  EXPECT_STREQ("C:\\WinTalvo\\\\a.zip", out);
  EXPECT_TRUE(JoinPath("", "a.zip", out));
  EXPECT_STREQ("a.zip", out);
}

TEST(JoinPath, RefusesWhatWouldNotFitAndNeverWritesPastTheBuffer) {
  const std::string folder(250, 'f');
  char out[MAX_PATH + 16];
  memset(out, 'X', sizeof out);

  EXPECT_TRUE(JoinPath(folder.c_str(), "12345678", out));  // 250 + 1 + 8 = 259
  EXPECT_EQ(259u, strlen(out));

  EXPECT_FALSE(JoinPath(folder.c_str(), "123456789", out));  // one too many
  EXPECT_STREQ("", out);
  EXPECT_FALSE(JoinPath(folder.c_str(), std::string(400, 'n').c_str(), out));
  EXPECT_STREQ("", out);
  for (size_t i = MAX_PATH; i < sizeof out; ++i) ASSERT_EQ('X', out[i]) << i;

  const std::string slashed = std::string(258, 'f') + "\\";  // no seam needed
  EXPECT_TRUE(JoinPath(slashed.c_str(), "", out));
  EXPECT_FALSE(JoinPath(slashed.c_str(), "a", out));
}

// ---- PathExists

TEST(PathExists, FindsFilesFoldersAndWildcardMatchesOnly) {
  ScratchFolder scratch;
  ASSERT_TRUE(WriteText(scratch / "a.zip", "zip"));

  EXPECT_FALSE(PathExists(nullptr));
  EXPECT_FALSE(PathExists(""));
  EXPECT_FALSE(PathExists("C:\\"));
  EXPECT_FALSE(PathExists((scratch.Path() + "\\").c_str()));
  EXPECT_FALSE(PathExists((scratch / "missing").c_str()));
  EXPECT_TRUE(PathExists(scratch.Path().c_str()));
  EXPECT_TRUE(PathExists((scratch / "a.zip").c_str()));
  EXPECT_TRUE(PathExists((scratch / "*.zip").c_str()));
  EXPECT_FALSE(PathExists((scratch / "*.rtf").c_str()));
}

// ---- ClearReadOnlyTree

TEST(ClearReadOnlyTree, ClearsFilesOnlyAndLeavesDotNamesAndFolderAttributes) {
  ScratchFolder scratch;
  const std::string sub = scratch / "Blanks";
  const std::string dotDir = scratch / ".svn";
  CreateDirectoryA(sub.c_str(), nullptr);
  CreateDirectoryA(dotDir.c_str(), nullptr);
  for (const std::string& f : {scratch / "Vanto.exe", Join(sub, "form.rtf"), scratch / ".keep",
                               Join(dotDir, "entries"), scratch / "plain.txt"})
    ASSERT_TRUE(WriteText(f, "x"));
  SetFileAttributesA((scratch / "Vanto.exe").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(Join(sub, "form.rtf").c_str(),
                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesA((scratch / ".keep").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(Join(dotDir, "entries").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(sub.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  const DWORD subAttributes = Attributes(sub);
  const DWORD plainAttributes = Attributes(scratch / "plain.txt");

  ClearReadOnlyTree(scratch.Path().c_str());

  EXPECT_FALSE(IsReadOnly(scratch / "Vanto.exe"));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN),
            Attributes(Join(sub, "form.rtf")) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(subAttributes, Attributes(sub));
  EXPECT_TRUE(IsReadOnly(scratch / ".keep"));
  EXPECT_TRUE(IsReadOnly(Join(dotDir, "entries")));
  EXPECT_EQ(plainAttributes, Attributes(scratch / "plain.txt"));
}

TEST(ClearReadOnlyTree, NeverWalksTheCurrentDirectoryForAnEmptyFolder) {
  ScratchFolder scratch;
  CurrentDirGuard keep;
  ASSERT_TRUE(WriteText(scratch / "a.txt", "x"));
  SetFileAttributesA((scratch / "a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(SetCurrentDirectoryA(scratch.Path().c_str()));

  ClearReadOnlyTree("");
  ClearReadOnlyTree((scratch / "missing").c_str());

  EXPECT_TRUE(IsReadOnly(scratch / "a.txt"));
}

TEST(ClearReadOnlyTree, DoesNotFollowLinks) {
  ScratchFolder scratch, outside;
  ASSERT_TRUE(WriteText(outside / "data.dat", "x"));
  SetFileAttributesA((outside / "data.dat").c_str(), FILE_ATTRIBUTE_READONLY);
  if (!MakeFolderLink(scratch / "link", outside.Path())) GTEST_SKIP() << "no folder links here";

  ClearReadOnlyTree(scratch.Path().c_str());

  EXPECT_TRUE(IsReadOnly(outside / "data.dat"));
}

// ---- DeleteFileRetry

TEST(DeleteFileRetry, MissingFileOrFolderCountsAsDeletedAtOnce) {
  ScratchFolder scratch;
  const DWORD start = GetTickCount();
  EXPECT_TRUE(DeleteFileRetry((scratch / "missing.zip").c_str()));
  EXPECT_TRUE(DeleteFileRetry((scratch / "no\\such\\folder.zip").c_str()));
  EXPECT_LT(MsSince(start), 500u);
}

TEST(DeleteFileRetry, ReadOnlyFileGoesOnTheSecondTry) {
  ScratchFolder scratch;
  const std::string file = scratch / "a.zip";
  ASSERT_TRUE(WriteText(file, "x"));
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);

  const DWORD start = GetTickCount();
  EXPECT_TRUE(DeleteFileRetry(file.c_str()));
  const DWORD elapsed = MsSince(start);

  EXPECT_FALSE(Exists(file));
  EXPECT_GE(elapsed, 90u);
  EXPECT_LT(elapsed, 1000u);
}

TEST(DeleteFileRetry, FileLetGoInTimeIsDeleted) {
  ScratchFolder scratch;
  const std::string file = scratch / "a.zip";
  ASSERT_TRUE(WriteText(file, "x"));
  HANDLE holder = HoldOpen(file, 1500);
  ASSERT_NE(nullptr, holder);

  const DWORD start = GetTickCount();
  EXPECT_TRUE(DeleteFileRetry(file.c_str()));
  const DWORD elapsed = MsSince(start);
  LetGo(holder);

  EXPECT_FALSE(Exists(file));
  EXPECT_GE(elapsed, 500u);
  EXPECT_LT(elapsed, 9000u);
}

TEST(DeleteFileRetrySlow, FileHeldOpenFailsOnlyAfterTheBudget) {
  ScratchFolder scratch;
  const std::string file = scratch / "a.zip";
  ASSERT_TRUE(WriteText(file, "x"));
  HANDLE holder = HoldOpen(file, 60000);
  ASSERT_NE(nullptr, holder);

  const DWORD start = GetTickCount();
  const bool deleted = DeleteFileRetry(file.c_str());
  const DWORD elapsed = MsSince(start);
  LetGo(holder);

  EXPECT_FALSE(deleted);
  EXPECT_TRUE(Exists(file));
  EXPECT_GE(elapsed, 10000u);
  EXPECT_LT(elapsed, 12000u);
}

// ---- RemoveTree: a work folder's subfolders go whole, and nothing through a link

TEST(RemoveTree, MissingEmptyAndNestedFoldersGoWholeReadOnlyAndDotNamesToo) {
  ScratchFolder scratch;
  TFolder parent;
  ASSERT_TRUE(parent.Open(scratch.Path().c_str(), false, false));
  const std::string work = scratch / "Temp1";
  const std::string deep = Join(Join(work, "a"), "b");
  CreateDirectoryA(work.c_str(), nullptr);
  CreateDirectoryA(Join(work, "a").c_str(), nullptr);
  CreateDirectoryA(deep.c_str(), nullptr);
  CreateDirectoryA((scratch / "empty").c_str(), nullptr);
  for (const std::string& f : {Join(work, "Vanto.exe"), Join(deep, "deep.dat"), Join(work, ".keep")})
    ASSERT_TRUE(WriteText(f, "x"));
  SetFileAttributesA(Join(deep, "deep.dat").c_str(), FILE_ATTRIBUTE_READONLY);

  EXPECT_TRUE(RemoveTree(parent, "missing"));
  EXPECT_TRUE(RemoveTree(parent, "empty"));
  EXPECT_TRUE(RemoveTree(parent, "Temp1"));
  EXPECT_FALSE(RemoveTree(parent, ""));  // never the parent itself

  EXPECT_FALSE(Exists(work));
  EXPECT_FALSE(Exists(scratch / "empty"));
  EXPECT_TRUE(Exists(scratch.Path()));
}

TEST(RemoveTree, ALinkInsideStaysWithItsTargetAndSoDoesEverythingAboveIt) {
  ScratchFolder scratch, outside;
  TFolder parent;
  ASSERT_TRUE(parent.Open(scratch.Path().c_str(), false, false));
  const std::string work = scratch / "Temp1";
  CreateDirectoryA(work.c_str(), nullptr);
  ASSERT_TRUE(WriteText(outside / "Vanto.exe", "product"));
  ASSERT_TRUE(WriteText(Join(work, "a.dat"), "x"));
  if (!MakeFolderLink(Join(work, "link"), outside.Path())) GTEST_SKIP() << "no folder links here";

  EXPECT_FALSE(RemoveTree(parent, "Temp1"));

  EXPECT_EQ("product", ReadText(outside / "Vanto.exe"));
  EXPECT_TRUE(IsLink(Join(work, "link")));
  EXPECT_FALSE(Exists(Join(work, "a.dat")));
}

TEST(RemoveTree, AFileHeldOpenStaysWithItsFolderAndTheRestGoes) {
  ScratchFolder scratch;
  TFolder parent;
  ASSERT_TRUE(parent.Open(scratch.Path().c_str(), false, false));
  const std::string work = scratch / "Temp1";
  const std::string sub = Join(work, "sub");
  CreateDirectoryA(work.c_str(), nullptr);
  CreateDirectoryA(sub.c_str(), nullptr);
  CreateDirectoryA(Join(work, "other").c_str(), nullptr);
  for (const std::string& f : {Join(sub, "locked.dat"), Join(sub, "free.dat"),
                               Join(work, "other\\x.dat"), Join(work, "top.dat")})
    ASSERT_TRUE(WriteText(f, "x"));
  HANDLE holder = HoldOpen(Join(sub, "locked.dat"), 60000);
  ASSERT_NE(nullptr, holder);

  const bool result = RemoveTree(parent, "Temp1");
  LetGo(holder);

  EXPECT_FALSE(result);
  EXPECT_TRUE(Exists(Join(sub, "locked.dat")));
  EXPECT_FALSE(Exists(Join(sub, "free.dat")));
  EXPECT_FALSE(Exists(Join(work, "top.dat")));
  EXPECT_FALSE(Exists(Join(work, "other")));
}

// ---- RunProgram

TEST(RunProgram, NothingToStartGivesFalse) {
  ScratchFolder scratch;
  EXPECT_FALSE(RunProgram(nullptr));
  EXPECT_FALSE(RunProgram(""));
  EXPECT_FALSE(RunProgram((scratch / "Vanto.exe").c_str()));
}

TEST(RunProgram, StartsExactlyTheProgramWhosePathHasBlanks) {
  ScratchFolder scratch;
  CurrentDirGuard keep;
  const std::string product = scratch / "Program Files\\Talvo";
  CreateDirectoryA((scratch / "Program Files").c_str(), nullptr);
  CreateDirectoryA(product.c_str(), nullptr);
  const std::string vanto = Join(product, "Vanto.exe");
  ASSERT_TRUE(CopyFileA(Join(OwnFolder(), "Vanto.exe").c_str(), vanto.c_str(), FALSE));
  // Where an unquoted start of the path above would look first.
  ASSERT_TRUE(CopyFileA(Join(OwnFolder(), "trap_program.exe").c_str(),
                        (scratch / "Program.exe").c_str(), FALSE));
  ASSERT_TRUE(SetCurrentDirectoryA(product.c_str()));

  ASSERT_TRUE(RunProgram(vanto.c_str()));

  const std::string record = Join(product, "vanto-ran.txt");
  const DWORD start = GetTickCount();
  while (ReadText(record).empty() && MsSince(start) < 15000) Sleep(50);
  Sleep(200);  // let the record be written out whole
  EXPECT_EQ("\"" + vanto + "\"\r\n" + product + "\r\n", ReadText(record));
  EXPECT_FALSE(Exists(scratch / "trap-ran.txt"));
}

}  // namespace
