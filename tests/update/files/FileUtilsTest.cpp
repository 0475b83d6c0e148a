// The file and path helpers on real files in a scratch folder.
#include "update/files/FileUtils.h"
#include "update/files/SafeFiles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Driver.h"
#include "Files.h"
#include "HeldFile.h"
#include "Scenario.h"

namespace {

bool IsReadOnly(const std::string& path) {
  return (support::Attributes(path) & FILE_ATTRIBUTE_READONLY) != 0 && support::Exists(path);
}

bool IsLink(const std::string& path) {
  return support::Exists(path) && (support::Attributes(path) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
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
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi))
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
  return ui::RunUnix("ln -s '" + support::UnixPath(target) + "' '" + support::UnixPath(link) +
                     "'") &&
         IsLink(link);
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
  char nbsp[MAX_PATH] =
      "\xA0"
      "C:\\WinTalvo\xA0";
  EXPECT_EQ(13, TrimPath(nbsp));
  EXPECT_STREQ(
      "\xA0"
      "C:\\WinTalvo\xA0",
      nbsp);

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
  support::TempDir scratch;
  const std::string medium = scratch / "NEW CD";
  ASSERT_TRUE(CreateDirectoryA(medium.c_str(), nullptr));
  const std::string program = support::Join(medium, "TALVOUPDATE.EXE");
  ASSERT_TRUE(CopyFileA(support::Join(support::OwnFolder(), "own_dir.exe").c_str(), program.c_str(),
                        FALSE));
  const std::string result = scratch / "own-dir.txt";

  ASSERT_TRUE(RunAndWait("\"" + program + "\" \"" + result + "\""));

  char expected[MAX_PATH];
  strcpy(expected, medium.c_str());
  FoldCapitalRuns(expected);
  ASSERT_NE(std::string::npos, std::string(expected).find("\\New Cd"));
  EXPECT_EQ(std::to_string(strlen(expected)) + "|" + expected, support::Read(result));
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
  support::TempDir scratch;
  ASSERT_TRUE(support::WriteFile(scratch / "a.zip", "zip"));

  EXPECT_FALSE(PathExists(nullptr));
  EXPECT_FALSE(PathExists(""));
  EXPECT_FALSE(PathExists("C:\\"));
  EXPECT_FALSE(PathExists((scratch.Ansi() + "\\").c_str()));
  EXPECT_FALSE(PathExists((scratch / "missing").c_str()));
  EXPECT_TRUE(PathExists(scratch.Ansi().c_str()));
  EXPECT_TRUE(PathExists((scratch / "a.zip").c_str()));
  EXPECT_TRUE(PathExists((scratch / "*.zip").c_str()));
  EXPECT_FALSE(PathExists((scratch / "*.rtf").c_str()));
}

// ---- ClearReadOnlyTree

TEST(ClearReadOnlyTree, ClearsFilesOnlyAndLeavesDotNamesAndFolderAttributes) {
  support::TempDir scratch;
  const std::string sub = scratch / "Blanks";
  const std::string dotDir = scratch / ".svn";
  CreateDirectoryA(sub.c_str(), nullptr);
  CreateDirectoryA(dotDir.c_str(), nullptr);
  for (const std::string& f :
       {scratch / "Vanto.exe", support::Join(sub, "form.rtf"), scratch / ".keep",
        support::Join(dotDir, "entries"), scratch / "plain.txt"})
    ASSERT_TRUE(support::WriteFile(f, "x"));
  SetFileAttributesA((scratch / "Vanto.exe").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(support::Join(sub, "form.rtf").c_str(),
                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesA((scratch / ".keep").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(support::Join(dotDir, "entries").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(sub.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  const DWORD subAttributes = support::Attributes(sub);
  const DWORD plainAttributes = support::Attributes(scratch / "plain.txt");

  ClearReadOnlyTree(scratch.Ansi().c_str());

  EXPECT_FALSE(IsReadOnly(scratch / "Vanto.exe"));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN),
            support::Attributes(support::Join(sub, "form.rtf")) &
                (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(subAttributes, support::Attributes(sub));
  EXPECT_TRUE(IsReadOnly(scratch / ".keep"));
  EXPECT_TRUE(IsReadOnly(support::Join(dotDir, "entries")));
  EXPECT_EQ(plainAttributes, support::Attributes(scratch / "plain.txt"));
}

TEST(ClearReadOnlyTree, NeverWalksTheCurrentDirectoryForAnEmptyFolder) {
  support::TempDir scratch;
  support::CurrentDirGuard keep;
  ASSERT_TRUE(support::WriteFile(scratch / "a.txt", "x"));
  SetFileAttributesA((scratch / "a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(SetCurrentDirectoryA(scratch.Ansi().c_str()));

  ClearReadOnlyTree("");
  ClearReadOnlyTree((scratch / "missing").c_str());

  EXPECT_TRUE(IsReadOnly(scratch / "a.txt"));
}

TEST(ClearReadOnlyTree, DoesNotFollowLinks) {
  support::TempDir scratch, outside;
  ASSERT_TRUE(support::WriteFile(outside / "data.dat", "x"));
  SetFileAttributesA((outside / "data.dat").c_str(), FILE_ATTRIBUTE_READONLY);
  if (!MakeFolderLink(scratch / "link", outside.Ansi())) GTEST_SKIP() << "no folder links here";

  ClearReadOnlyTree(scratch.Ansi().c_str());

  EXPECT_TRUE(IsReadOnly(outside / "data.dat"));
}

// ---- DeleteFileRetry: what it waits for, not how long (no test asserts a duration)

TEST(DeleteFileRetry, MissingFileOrFolderCountsAsDeleted) {
  support::TempDir scratch;
  EXPECT_TRUE(DeleteFileRetry((scratch / "missing.zip").c_str()));
  EXPECT_TRUE(DeleteFileRetry((scratch / "no\\such\\folder.zip").c_str()));
}

TEST(DeleteFileRetry, ReadOnlyFileGoesOnTheSecondTry) {
  support::TempDir scratch;
  const std::string file = scratch / "a.zip";
  ASSERT_TRUE(support::WriteFile(file, "x"));
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);

  EXPECT_TRUE(DeleteFileRetry(file.c_str()));
  EXPECT_FALSE(support::Exists(file));
}

TEST(DeleteFileRetry, FileLetGoInTimeIsDeleted) {
  support::TempDir scratch;
  const std::string file = scratch / "a.zip";
  ASSERT_TRUE(support::WriteFile(file, "x"));
  support::HeldFile holder(file, 1500);
  ASSERT_TRUE(holder.Held());

  EXPECT_TRUE(DeleteFileRetry(file.c_str()));
  holder.Release();
  EXPECT_FALSE(support::Exists(file));
}

TEST(DeleteFileRetrySlow, FileHeldOpenPastTheBudgetStays) {
  support::TempDir scratch;
  const std::string file = scratch / "a.zip";
  ASSERT_TRUE(support::WriteFile(file, "x"));
  support::HeldFile holder(file, 60000);
  ASSERT_TRUE(holder.Held());

  const bool deleted = DeleteFileRetry(file.c_str());
  holder.Release();
  EXPECT_FALSE(deleted);
  EXPECT_TRUE(support::Exists(file));
}

// ---- RemoveTree: a work folder's subfolders go whole, and nothing through a link

TEST(RemoveTree, MissingEmptyAndNestedFoldersGoWholeReadOnlyAndDotNamesToo) {
  support::TempDir scratch;
  TFolder parent;
  ASSERT_TRUE(parent.Open(scratch.Ansi().c_str(), false, false));
  const std::string work = scratch / "Temp1";
  const std::string deep = support::Join(support::Join(work, "a"), "b");
  CreateDirectoryA(work.c_str(), nullptr);
  CreateDirectoryA(support::Join(work, "a").c_str(), nullptr);
  CreateDirectoryA(deep.c_str(), nullptr);
  CreateDirectoryA((scratch / "empty").c_str(), nullptr);
  for (const std::string& f : {support::Join(work, "Vanto.exe"), support::Join(deep, "deep.dat"),
                               support::Join(work, ".keep")})
    ASSERT_TRUE(support::WriteFile(f, "x"));
  SetFileAttributesA(support::Join(deep, "deep.dat").c_str(), FILE_ATTRIBUTE_READONLY);

  EXPECT_TRUE(RemoveTree(parent, "missing"));
  EXPECT_TRUE(RemoveTree(parent, "empty"));
  EXPECT_TRUE(RemoveTree(parent, "Temp1"));
  EXPECT_FALSE(RemoveTree(parent, ""));  // never the parent itself

  EXPECT_FALSE(support::Exists(work));
  EXPECT_FALSE(support::Exists(scratch / "empty"));
  EXPECT_TRUE(support::Exists(scratch.Ansi()));
}

TEST(RemoveTree, ALinkInsideStaysWithItsTargetAndSoDoesEverythingAboveIt) {
  support::TempDir scratch, outside;
  TFolder parent;
  ASSERT_TRUE(parent.Open(scratch.Ansi().c_str(), false, false));
  const std::string work = scratch / "Temp1";
  CreateDirectoryA(work.c_str(), nullptr);
  ASSERT_TRUE(support::WriteFile(outside / "Vanto.exe", "product"));
  ASSERT_TRUE(support::WriteFile(support::Join(work, "a.dat"), "x"));
  if (!MakeFolderLink(support::Join(work, "link"), outside.Ansi()))
    GTEST_SKIP() << "no folder links here";

  EXPECT_FALSE(RemoveTree(parent, "Temp1"));

  EXPECT_EQ("product", support::Read(outside / "Vanto.exe"));
  EXPECT_TRUE(IsLink(support::Join(work, "link")));
  EXPECT_FALSE(support::Exists(support::Join(work, "a.dat")));
}

TEST(RemoveTree, AFileHeldOpenStaysWithItsFolderAndTheRestGoes) {
  support::TempDir scratch;
  TFolder parent;
  ASSERT_TRUE(parent.Open(scratch.Ansi().c_str(), false, false));
  const std::string work = scratch / "Temp1";
  const std::string sub = support::Join(work, "sub");
  CreateDirectoryA(work.c_str(), nullptr);
  CreateDirectoryA(sub.c_str(), nullptr);
  CreateDirectoryA(support::Join(work, "other").c_str(), nullptr);
  for (const std::string& f : {support::Join(sub, "locked.dat"), support::Join(sub, "free.dat"),
                               support::Join(work, "other\\x.dat"), support::Join(work, "top.dat")})
    ASSERT_TRUE(support::WriteFile(f, "x"));
  support::HeldFile holder(support::Join(sub, "locked.dat"), 60000);
  ASSERT_TRUE(holder.Held());

  const bool result = RemoveTree(parent, "Temp1");
  holder.Release();

  EXPECT_FALSE(result);
  EXPECT_TRUE(support::Exists(support::Join(sub, "locked.dat")));
  EXPECT_FALSE(support::Exists(support::Join(sub, "free.dat")));
  EXPECT_FALSE(support::Exists(support::Join(work, "top.dat")));
  EXPECT_FALSE(support::Exists(support::Join(work, "other")));
}

}  // namespace
