// UNZDLL.DLL as a caller sees it: loaded by LoadLibrary, driven by a request record laid out
// byte by byte, its reports caught by a callback that reads the record at the fixed offsets.
// Each test unpacks fixture archives into a fresh folder and checks the disk afterwards.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Files.h"
#include "Tree.h"

namespace {

struct TReport {
  int Number;
  std::string Text;
};

typedef int(__stdcall* TVersionFn)();
typedef int(__stdcall* TExecFn)(void* params);

std::vector<TReport> Reports;

int __stdcall RecordReport(void* info) {
  const char* p = static_cast<const char*>(info);
  TReport r;
  memcpy(&r.Number, p + 20, 4);
  r.Text = p + 28;
  Reports.push_back(r);
  return 0;
}

typedef std::vector<std::string> Names;

const int AsManyAsGiven = INT_MIN;  // FileSpecCount: as many as given

class UnzDll : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    Dll = LoadLibraryA((support::OwnFolder() + "\\UNZDLL.DLL").c_str());
    ASSERT_NE(Dll, nullptr);
    Version = reinterpret_cast<TVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(Dll, "GetUnzDllVersion")));
    Exec = reinterpret_cast<TExecFn>(reinterpret_cast<void*>(GetProcAddress(Dll, "UnzDllExec")));
  }
  static void TearDownTestSuite() { FreeLibrary(Dll); }

  void SetUp() override {
    ASSERT_NE(Version, nullptr);
    ASSERT_NE(Exec, nullptr);
    const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string work = support::OwnFolder() + "\\work";
    CreateDirectoryA(work.c_str(), NULL);
    Root = work + "\\" + t->name();
    support::RemoveTree(Root);
    ASSERT_TRUE(CreateDirectoryA(Root.c_str(), NULL));
    Target = Root + "\\target";
    ASSERT_TRUE(CreateDirectoryA(Target.c_str(), NULL));
    ASSERT_TRUE(SetCurrentDirectoryA(Target.c_str()));
  }
  void TearDown() override { SetCurrentDirectoryA(support::OwnFolder().c_str()); }

  static std::string Fixture(const char* name) {
    return support::OwnFolder() + "\\fixtures\\" + name;
  }
  std::string Out(const std::string& name) const { return Target + "\\" + name; }

  // Unpacks into the current folder with a record laid out as the updater lays it: the header
  // words, then the table of file specs, whose unused entries hold garbage.
  std::vector<TReport> Extract(const std::string& archive, std::vector<const char*> specs = {"*.*"},
                               int count = AsManyAsGiven, bool callback = true) {
    std::vector<uint32_t> rec(16460 / 4, 0xCDCDCDCD);
    for (int i = 0; i < 19; ++i) rec[i] = 0;
    rec[2] = uint32_t(Version());
    rec[3] = callback ? uint32_t(reinterpret_cast<uintptr_t>(&RecordReport)) : 0;
    rec[15] = 1;
    rec[16] = uint32_t(count == AsManyAsGiven ? int(specs.size()) : count);
    rec[17] = uint32_t(reinterpret_cast<uintptr_t>(archive.c_str()));
    rec[18] = 7;
    for (size_t i = 0; i < specs.size(); ++i)
      rec[19 + i] = uint32_t(reinterpret_cast<uintptr_t>(specs[i]));
    Reports.clear();
    Exec(rec.data());
    return Reports;
  }

  static HMODULE Dll;
  static TVersionFn Version;
  static TExecFn Exec;
  std::string Root, Target;
};

HMODULE UnzDll::Dll;
TVersionFn UnzDll::Version;
TExecFn UnzDll::Exec;

// For EXPECT_TRUE: no reports, or the reports that came.
::testing::AssertionResult None(const std::vector<TReport>& reports) {
  if (reports.empty()) return ::testing::AssertionSuccess();
  ::testing::AssertionResult r = ::testing::AssertionFailure();
  for (const TReport& x : reports) r << x.Number << " " << x.Text << "\n";
  return r;
}

std::vector<int> Numbers(const std::vector<TReport>& reports) {
  std::vector<int> n;
  for (const TReport& r : reports) n.push_back(r.Number);
  return n;
}

std::string Payload() {
  std::string s;
  char line[64];
  for (int i = 0; i < 12000; ++i)
    s.append(line, size_t(wsprintfA(line, "line %06d of the payload\n", i)));
  return s;
}

const Names TreeNames = {"one.txt", "three.txt", "two.bin"};

std::string TwoBin() {
  std::string s;
  for (int k = 0; k < 800; ++k)
    for (int i = 0; i < 256; ++i) s += char(i);
  return s;
}

TEST_F(UnzDll, ExportsTheTwoEntries) { EXPECT_EQ(Version(), 100); }

TEST_F(UnzDll, FlattensFoldersLaterDuplicateWinsAndReplacesExistingFiles) {
  support::WriteFile(Out("top.txt"), "an older top that is longer than the new one\n");
  EXPECT_TRUE(None(Extract(Fixture("nested.zip"))));
  EXPECT_EQ(support::List(Target),
            (Names{"Readme.TXT", "deep.txt", "noext", "payload.txt", "same.txt", "top.txt"}));
  EXPECT_EQ(support::Read(Out("top.txt")), "top\n");
  EXPECT_EQ(support::Read(Out("deep.txt")), "deep\n");
  EXPECT_EQ(support::Read(Out("same.txt")), "second\n");
  EXPECT_EQ(support::Read(Out("payload.txt")), Payload());
  EXPECT_EQ(support::List(Root), Names{"target\\"});

  // Stamped with the member's time, which the archive holds as local time.
  WIN32_FILE_ATTRIBUTE_DATA attr;
  FILETIME local;
  SYSTEMTIME t;
  ASSERT_TRUE(GetFileAttributesExA(Out("deep.txt").c_str(), GetFileExInfoStandard, &attr));
  FileTimeToLocalFileTime(&attr.ftLastWriteTime, &local);
  FileTimeToSystemTime(&local, &t);
  EXPECT_EQ(std::vector<int>({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute}),
            std::vector<int>({2024, 3, 15, 12, 30}));
}

// A name that cannot be replaced (a read-only file, a folder) is reported and left as it was.
TEST_F(UnzDll, NamesThatCannotBeReplacedKeepWhatWasThere) {
  support::WriteFile(Out("top.txt"), "older\n");
  SetFileAttributesA(Out("top.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  CreateDirectoryA(Out("deep.txt").c_str(), NULL);
  std::vector<TReport> r = Extract(Fixture("nested.zip"));
  EXPECT_EQ(Numbers(r), (std::vector<int>{18, 18}));
  EXPECT_EQ(support::Read(Out("top.txt")), "older\n");
  EXPECT_EQ(support::List(Target),
            (Names{"Readme.TXT", "deep.txt\\", "noext", "payload.txt", "same.txt", "top.txt"}));
  EXPECT_EQ(support::List(Out("deep.txt")), Names{});
  SetFileAttributesA(Out("top.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Paths past MAX_PATH are refused, counting the temporary name as well.
TEST_F(UnzDll, LongPathsAreRefusedCleanly) {
  std::string deep = Target + "\\" + std::string(240 - Target.size() - 1, 'd');
  ASSERT_EQ(deep.size(), 240u);
  ASSERT_TRUE(CreateDirectoryA(deep.c_str(), NULL));
  SetCurrentDirectoryA(deep.c_str());
  EXPECT_TRUE(None(Extract(Fixture("nested.zip"))));
  EXPECT_EQ(support::List(deep).size(), 6u);

  std::string deeper = Target + "\\" + std::string(245 - Target.size() - 1, 'e');
  ASSERT_TRUE(CreateDirectoryA(deeper.c_str(), NULL));
  SetCurrentDirectoryA(deeper.c_str());
  EXPECT_EQ(Numbers(Extract(Fixture("nested.zip"))), std::vector<int>(7, 19));  // same.txt twice
  EXPECT_EQ(support::List(deeper), Names{});
}

// The same tree from 7z, bsdtar (to a file, into a pipe with data descriptors, with ZIP64
// records) and from our writer (data descriptors, ZIP64 extras and end records, both, and
// ZIP64 behind a self-extractor stub).
TEST_F(UnzDll, ReadsArchivesOfEveryWriter) {
  for (const char* name : {"seven.zip", "bsd.zip", "bsd_stream.zip", "zip64_bsd.zip",
                           "descriptor.zip", "zip64.zip", "sfx_zip64.exe"}) {
    SCOPED_TRACE(name);
    std::string dir = Target + "\\" + name + ".out";
    CreateDirectoryA(dir.c_str(), NULL);
    SetCurrentDirectoryA(dir.c_str());
    EXPECT_TRUE(None(Extract(Fixture(name))));
    EXPECT_EQ(support::List(dir), TreeNames);
    EXPECT_EQ(support::Read(dir + "\\one.txt"), "one\n");
    EXPECT_EQ(support::Read(dir + "\\two.bin"), TwoBin());
    EXPECT_EQ(support::Read(dir + "\\three.txt"), Payload());
  }
  SetCurrentDirectoryA(Target.c_str());
  EXPECT_TRUE(None(Extract(Fixture("zip64_descriptor.zip"))));
  EXPECT_EQ(support::Read(Out("three.txt")), Payload());
}

TEST_F(UnzDll, SelfExtractorPrefixCommentAndTrailingJunk) {
  for (const char* name : {"sfx_cat.exe", "sfx_adjusted.exe"}) {
    SCOPED_TRACE(name);
    std::string dir = Target + "\\" + name + ".out";
    CreateDirectoryA(dir.c_str(), NULL);
    SetCurrentDirectoryA(dir.c_str());
    EXPECT_TRUE(None(Extract(Fixture(name))));
    EXPECT_EQ(support::List(dir),
              (Names{"Readme.TXT", "deep.txt", "noext", "payload.txt", "same.txt", "top.txt"}));
    EXPECT_EQ(support::Read(dir + "\\payload.txt"), Payload());
  }
  SetCurrentDirectoryA(Target.c_str());
  EXPECT_TRUE(None(Extract(Fixture("comment_junk.zip"))));
  EXPECT_EQ(support::Read(Out("commented.txt")), "comment\n");
}

// Under a Bulgarian Windows: ANSI 1251, OEM 866.
TEST_F(UnzDll, CyrillicNamesLandInTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 1251u);
  ASSERT_EQ(GetOEMCP(), 866u);
  EXPECT_TRUE(None(Extract(Fixture("cyr_utf8.zip"))));
  EXPECT_TRUE(None(Extract(Fixture("cyr_866.zip"))));
  EXPECT_TRUE(None(Extract(Fixture("cyr_7075.zip"))));
  EXPECT_EQ(support::List(Target),
            (Names{"Ёлка.txt", "Данни.txt", "Отчет.txt", "Стар.txt", "Файл.txt"}));
  EXPECT_EQ(support::Read(Out("Файл.txt")),
            "\xd1\x83\xd1\x82\xd1\x84\n");  // the UTF-8 bytes of the text, untouched
  EXPECT_EQ(support::Read(Out("Отчет.txt")), "866\n");
  EXPECT_EQ(support::Read(Out("Ёлка.txt")), "yolka\n");
  EXPECT_EQ(support::Read(Out("Данни.txt")),
            "unicode\n");  // the Unicode path field wins when its CRC fits
  EXPECT_EQ(support::Read(Out("Стар.txt")), "stale\n");  // and is ignored when it does not
}

// The updater's folders and archives may have Cyrillic names too.
TEST_F(UnzDll, CyrillicArchiveAndFolder) {
  std::string dir = Target + "\\Папка";
  ASSERT_TRUE(CreateDirectoryA(dir.c_str(), NULL));
  ASSERT_TRUE(CopyFileA(Fixture("cyr_866.zip").c_str(), (dir + "\\Архив.zip").c_str(), FALSE));
  SetCurrentDirectoryA(dir.c_str());
  EXPECT_TRUE(None(Extract(dir + "\\Архив.zip")));
  EXPECT_EQ(support::List(dir), (Names{"Ёлка.txt", "Архив.zip", "Отчет.txt"}));
}

TEST_F(UnzDll, NamesWithoutAnExactAnsiFormAreRefused) {
  std::vector<TReport> r = Extract(Fixture("names_bad.zip"));
  EXPECT_EQ(Numbers(r), (std::vector<int>{16, 16}));
  EXPECT_EQ(support::List(Target), Names{"ok.txt"});
}

TEST_F(UnzDll, HostileNamesStayInsideTheTarget) {
  std::vector<TReport> r = Extract(Fixture("hostile.zip"));
  EXPECT_EQ(support::List(Target), (Names{"evil1.txt", "evil2.txt", "evil3.txt", "safe.txt"}));
  EXPECT_EQ(support::Read(Out("evil3.txt")), "3\n");
  EXPECT_EQ(Numbers(r), std::vector<int>(8, 15));
  std::string texts;
  for (const TReport& x : r) texts += x.Text + "|";
  EXPECT_EQ(texts,
            "Unsafe name refused: CON|Unsafe name refused: aux.txt|Unsafe name refused: a:b|"
            "Unsafe name refused: ..|Unsafe name refused: sub/..|Unsafe name refused: bad?.txt|"
            "Unsafe name refused: trail.|Unsafe name refused: lpt1|");
  EXPECT_EQ(support::List(Root), Names{"target\\"});
  EXPECT_EQ(GetFileAttributesA("C:\\evil3.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((support::OwnFolder() + "\\work\\evil1.txt").c_str()),
            INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA("\\abs"), INVALID_FILE_ATTRIBUTES);
}

// Twenty reports at most, then one that counts the rest.
TEST_F(UnzDll, ManyProblemsEndInOneSummary) {
  std::vector<TReport> r = Extract(Fixture("many_bad.zip"));
  ASSERT_EQ(r.size(), 21u);
  EXPECT_EQ(r[19].Text, "Unsafe name refused: bad19?.txt");
  EXPECT_EQ(r[20].Number, 7);
  EXPECT_EQ(r[20].Text, "10 more problems in " + Fixture("many_bad.zip"));
  EXPECT_EQ(support::List(Target), Names{"good.txt"});
}

// A bad member is reported, leaves no partial or temporary file, and an older file of its name
// stays as it was; the good members around it are unpacked.
TEST_F(UnzDll, DamagedMembersLeaveOlderFilesAlone) {
  struct TCase {
    const char* Archive;
    const char* Member;
    int Number;
  } cases[] = {{"crc.zip", "bad.txt", 12},
               {"size.zip", "bad.txt", 13},
               {"size_stored.zip", "stored.txt", 13},
               {"damaged.zip", "bad.txt", 14}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Archive);
    std::string dir = Target + "\\" + c.Archive + ".out";
    CreateDirectoryA(dir.c_str(), NULL);
    SetCurrentDirectoryA(dir.c_str());
    support::WriteFile(dir + "\\" + c.Member, "older\n");
    std::vector<TReport> r = Extract(Fixture(c.Archive));
    ASSERT_EQ(Numbers(r), std::vector<int>{c.Number});
    EXPECT_NE(r[0].Text.find(c.Member), std::string::npos) << r[0].Text;
    Names want = {c.Member, "good.txt"};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(support::List(dir), want);
    EXPECT_EQ(support::Read(dir + "\\" + c.Member), "older\n");
    EXPECT_EQ(support::Read(dir + "\\good.txt"), "good\n");
  }
}

// An archive that cannot be read at all gets one report naming it and writes nothing.
TEST_F(UnzDll, UnreadableArchivesGetOneReportAndWriteNothing) {
  struct TCase {
    const char* Archive;
    int Number;
  } cases[] = {{"truncated.zip", 3},
               {"notzip.zip", 3},
               {"cdcut.zip", 4},
               {"cdcount.zip", 4},
               {"missing.zip", 2}};
  support::WriteFile(Out("top.txt"), "older\n");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Archive);
    std::vector<TReport> r = Extract(Fixture(c.Archive));
    ASSERT_EQ(Numbers(r), std::vector<int>{c.Number});
    EXPECT_NE(r[0].Text.find(Fixture(c.Archive)), std::string::npos) << r[0].Text;
  }
  EXPECT_EQ(support::List(Target), Names{"top.txt"});
  EXPECT_EQ(support::Read(Out("top.txt")), "older\n");
  EXPECT_TRUE(None(Extract(Fixture("empty.zip"))));
  EXPECT_EQ(support::List(Target), Names{"top.txt"});
}

TEST_F(UnzDll, EncryptedAndOtherMethodsAreReportedOthersExtracted) {
  std::vector<TReport> r = Extract(Fixture("methods.zip"));
  ASSERT_EQ(r.size(), 2u);
  if (r[0].Number == 11) std::swap(r[0], r[1]);  // 7z puts its member where it likes
  EXPECT_EQ(r[0].Number, 10);
  EXPECT_EQ(r[0].Text, "Encrypted member skipped: secret.txt");
  EXPECT_EQ(r[1].Number, 11);
  EXPECT_EQ(r[1].Text, "Unsupported compression method: bz.txt");
  EXPECT_EQ(support::List(Target), Names{"plain.txt"});
  EXPECT_EQ(support::Read(Out("plain.txt")), "plain\n");

  r = Extract(Fixture("methods_py.zip"));
  EXPECT_EQ(Numbers(r), (std::vector<int>{11, 11}));
  EXPECT_EQ(support::List(Target), (Names{"plain.txt", "st.txt"}));
}

TEST_F(UnzDll, FileSpecificationsSelectByBaseNameIgnoringCase) {
  EXPECT_TRUE(None(Extract(Fixture("nested.zip"), {"*.TXT"})));
  EXPECT_EQ(support::List(Target),
            (Names{"Readme.TXT", "deep.txt", "payload.txt", "same.txt", "top.txt"}));
  support::RemoveTree(Target);
  CreateDirectoryA(Target.c_str(), NULL);

  // Only FileSpecCount entries are read: the third would match everything.
  EXPECT_TRUE(None(Extract(Fixture("nested.zip"), {"readme.txt", "NOEXT", "*"}, 2)));
  EXPECT_EQ(support::List(Target), (Names{"Readme.TXT", "noext"}));
  EXPECT_TRUE(None(Extract(Fixture("nested.zip"), {"t?p.*", nullptr})));
  EXPECT_EQ(support::List(Target), (Names{"Readme.TXT", "noext", "top.txt"}));
  EXPECT_TRUE(None(Extract(Fixture("cyr_866.zip"), {"отчет.TXT"})));
  EXPECT_EQ(support::List(Target), (Names{"Readme.TXT", "noext", "top.txt", "Отчет.txt"}));
}

TEST_F(UnzDll, DistrustsTheRequestRecord) {
  std::vector<TReport> r = Extract(Fixture("nested.zip"), {}, 4097);
  EXPECT_EQ(Numbers(r), std::vector<int>{1});
  r = Extract(Fixture("nested.zip"), {}, -5);
  EXPECT_EQ(Numbers(r), std::vector<int>{1});
  EXPECT_EQ(support::List(Target), Names{});

  // No archive name; no callback; no record at all.
  std::vector<uint32_t> rec(16460 / 4, 0);
  rec[3] = uint32_t(reinterpret_cast<uintptr_t>(&RecordReport));
  Reports.clear();
  Exec(rec.data());
  EXPECT_EQ(Numbers(Reports), std::vector<int>{1});
  Exec(nullptr);
  EXPECT_TRUE(None(Extract(Fixture("methods.zip"), {"*.*"}, AsManyAsGiven, false)));
  EXPECT_EQ(support::List(Target), Names{"plain.txt"});
}

// Unpacked in its own folder, an archive that holds a member of its own name stays intact.
TEST_F(UnzDll, MemberNamedLikeTheArchiveDoesNotReplaceIt) {
  std::string original = support::Read(Fixture("self.zip"));
  ASSERT_TRUE(CopyFileA(Fixture("self.zip").c_str(), Out("self.zip").c_str(), FALSE));
  std::vector<TReport> r = Extract(Out("self.zip"));
  ASSERT_EQ(Numbers(r), std::vector<int>{18});
  EXPECT_EQ(r[0].Text, "Cannot replace file: self.zip");
  EXPECT_EQ(support::Read(Out("self.zip")), original);
  EXPECT_EQ(support::List(Target), (Names{"other.txt", "self.zip"}));
}

TEST_F(UnzDll, BigMemberStreamsInBoundedMemory) {
  PROCESS_MEMORY_COUNTERS before = {}, after = {};
  before.cb = after.cb = sizeof(before);
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before)));
  ASSERT_GT(before.WorkingSetSize, 1024u * 1024);  // the figures are real
  EXPECT_TRUE(None(Extract(Fixture("big.zip"))));
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after)));
  EXPECT_LT(after.PeakWorkingSetSize, before.WorkingSetSize + 8 * 1024 * 1024);
  printf("working set %lu KB before, peak %lu KB after\n", ULONG(before.WorkingSetSize / 1024),
         ULONG(after.PeakWorkingSetSize / 1024));

  HANDLE h = CreateFileA(Out("big.bin").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(h, NULL), 100u * 1024 * 1024);
  for (DWORD line : {0u, 5000000u, 10485759u}) {
    char got[11] = {}, want[11];
    wsprintfA(want, "%09lu\n", line);
    DWORD n;
    SetFilePointer(h, LONG(line * 10), NULL, FILE_BEGIN);
    ReadFile(h, got, 10, &n, NULL);
    EXPECT_STREQ(got, want);
  }
  CloseHandle(h);
}

}  // namespace
