// The adapter to UNZDLL.DLL with stand-in libraries (libs\<shape>\UNZDLL.DLL beside this
// program) and, when it is built, the real one (libs\real), signed too (libs\signed).
#include "unzip/InfoZip.h"
#include "crypto/ImageHash.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "Files.h"

namespace {

template <typename Fn>
Fn LibraryEntry(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

HMODULE LoadedUnzDll() { return GetModuleHandleA("UNZDLL.DLL"); }

// The full path of the library of the given shape; "" names none.
std::string Library(const std::string& shape) {
  return support::Join(support::Join(support::OwnFolder(), "libs"),
                       shape.empty() ? "none" : shape) +
         "\\UNZDLL.DLL";
}

// The hash a stand-in is expected with: its own.
struct Expected {
  explicit Expected(const std::string& shape) {
    const HANDLE file = CreateFileA(Library(shape).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) ImageHash(file, Hash);
    CloseHandle(file);
  }
  BYTE Hash[HashBytes] = {};
};

// Takes the library at path and loads it from a new folder of its own, as the updater does;
// the folders outlive every test.
TUnzLoad Load(CInfoZip& zip, const std::string& path) {
  static support::TempDir copies;
  static int made = 0;
  const TUnzLoad taken = zip.ReadUnzDll(path.c_str());
  if (taken != TUnzLoad::Taken) return taken;
  return zip.LoadUnzDll(copies.Sub(std::to_wstring(++made)).c_str());
}

int RecorderExecCalls() {
  using CallsFn = int32_t(__stdcall*)();
  auto calls = LibraryEntry<CallsFn>(LoadedUnzDll(), "RecorderExecCalls");
  return calls ? calls() : -1;
}

std::map<std::string, std::string> ReadRequest(const std::string& path) {
  std::map<std::string, std::string> fields;
  const std::string text = support::Read(path);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const size_t eq = line.find('=');
    if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
    start = end + 1;
  }
  return fields;
}

std::vector<unsigned long> Words(const std::string& text) {
  std::vector<unsigned long> words;
  const char* p = text.c_str();
  char* end;
  for (unsigned long w = strtoul(p, &end, 10); end != p; w = strtoul(p, &end, 10)) {
    words.push_back(w);
    p = end;
  }
  return words;
}

// Takes the library's reports as the run does, and keeps their first lines.
class Reports : public TUnzReporter {
public:
  std::vector<std::string> Seen;
  void LibraryReport(const char* text) override { Seen.push_back(text); }
};

int32_t LibraryVersion() {
  using VersionFn = int32_t(__stdcall*)();
  auto version = LibraryEntry<VersionFn>(LoadedUnzDll(), "GetUnzDllVersion");
  return version ? version() : -1;
}

// A loaded recorder and a work folder to unpack into.
class RecorderTest : public ::testing::Test {
protected:
  void SetUp() override {
    Work = Scratch / "Temp1";
    CreateDirectoryA(Work.c_str(), nullptr);
    ASSERT_EQ(TUnzLoad::Loaded, Load(Zip, Library("recorder")));
  }

  support::TempDir Scratch;
  std::string Work;
  CInfoZip Zip{Expected("recorder").Hash};
};

// ---- Loading the library

TEST(LoadUnzDll, NoLibraryLeavesNothingLoaded) {
  ASSERT_EQ(nullptr, LoadedUnzDll());
  CInfoZip zip(Expected("recorder").Hash);

  EXPECT_EQ(TUnzLoad::NoLibrary, zip.ReadUnzDll(Library("").c_str()));

  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
  EXPECT_EQ(TUnzLoad::NoLibrary, zip.LoadUnzDll(L"C:\\")) << "nothing taken";
  EXPECT_FALSE(zip.ExtractArchive("a.zip", "C:\\"));
}

TEST(LoadUnzDll, LibraryLackingAnEntryIsLetGo) {
  for (const char* shape : {"no_exec", "no_version"}) {
    CInfoZip zip(Expected(shape).Hash);

    EXPECT_EQ(TUnzLoad::NoEntry, Load(zip, Library(shape))) << shape;

    EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError()) << shape;
    EXPECT_EQ(nullptr, LoadedUnzDll()) << shape;
  }
}

TEST(LoadUnzDll, LoadsOnceAndIsReleasedAtDestruction) {
  CInfoZip* zip = new CInfoZip(Expected("recorder").Hash);

  ASSERT_EQ(TUnzLoad::Loaded, Load(*zip, Library("recorder")));
  const HMODULE first = LoadedUnzDll();
  EXPECT_EQ(TUnzLoad::Loaded, zip->LoadUnzDll(L"C:\\"));

  EXPECT_EQ(first, LoadedUnzDll());
  delete zip;                          // the way its users destroy it
  EXPECT_EQ(nullptr, LoadedUnzDll());  // one load, one release
}

TEST(LoadUnzDll, AFailedLoadDoesNotStopALaterOne) {
  CInfoZip zip(Expected("recorder").Hash);
  EXPECT_EQ(TUnzLoad::NoLibrary, Load(zip, Library("")));

  EXPECT_EQ(TUnzLoad::Loaded, Load(zip, Library("recorder")));
}

// ---- Unpacking

TEST(ExtractArchive, UnloadedTouchesNeitherCurrentDirectoryNorLibrary) {
  support::TempDir scratch;
  const std::string before = support::CurrentDir();
  CInfoZip zip(nullptr);

  EXPECT_FALSE(zip.ExtractArchive((scratch / "a.zip").c_str(), scratch.Ansi().c_str()));

  EXPECT_EQ(before, support::CurrentDir());
  EXPECT_EQ(nullptr, LoadedUnzDll());
}

TEST_F(RecorderTest, SendsTheFixedRequestAskingForEveryMember) {
  const std::string before = support::CurrentDir();
  const std::string archive = support::Join(Work, "Update1.zip");
  const int32_t version = LibraryVersion();

  EXPECT_TRUE(Zip.ExtractArchive(archive.c_str(), Work.c_str()));

  EXPECT_EQ(before, support::CurrentDir());
  std::map<std::string, std::string> request = ReadRequest(support::Join(Work, "request.txt"));
  const std::vector<unsigned long> w = Words(request["header"]);
  ASSERT_EQ(19u, w.size());
  const std::vector<unsigned long> fixed = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1};
  const std::vector<unsigned long> sent = {w[0],  w[1],  w[4],  w[5],  w[6],  w[7],  w[8], w[9],
                                           w[10], w[11], w[12], w[13], w[14], w[15], w[16]};
  EXPECT_EQ(fixed, sent);  // zeros, the word 1 at 60, FileSpecCount 1
  EXPECT_EQ(7u, w[18]);
  EXPECT_EQ(static_cast<unsigned long>(version + 1), w[2]);  // asked again for this record
  EXPECT_EQ(reinterpret_cast<unsigned long>(&UnzMessageProc), w[3]);
  EXPECT_EQ(archive, request["archive"]);
  EXPECT_EQ(std::to_string(archive.size() + 1), request["archivesize"]);
  EXPECT_EQ("*.*", request["spec"]);
  EXPECT_EQ("261", request["specsize"]);
  EXPECT_EQ("258", request["speczeros"]);
  EXPECT_EQ(Work, request["cwd"]);
  EXPECT_FALSE(Zip.LibraryReportedError());
}

TEST_F(RecorderTest, CopiesAnArchivePathOfAnyLength) {
  const std::string archive = "C:\\" + std::string(3000, 'x') + ".zip";

  EXPECT_TRUE(Zip.ExtractArchive(archive.c_str(), Work.c_str()));

  std::map<std::string, std::string> request = ReadRequest(support::Join(Work, "request.txt"));
  EXPECT_EQ(archive, request["archive"]);
  EXPECT_EQ(std::to_string(archive.size() + 1), request["archivesize"]);
}

TEST_F(RecorderTest, UnreachableTargetUnpacksNothing) {
  support::CurrentDirGuard keep;
  ASSERT_TRUE(SetCurrentDirectoryA(Scratch.Ansi().c_str()));
  const int calls = RecorderExecCalls();

  EXPECT_FALSE(
      Zip.ExtractArchive(support::Join(Work, "a.zip").c_str(), (Scratch / "gone").c_str()));
  EXPECT_FALSE(Zip.ExtractArchive(support::Join(Work, "a.zip").c_str(), ""));

  EXPECT_EQ(calls, RecorderExecCalls());
  EXPECT_FALSE(support::Exists(Scratch / "request.txt"));
  EXPECT_EQ(Scratch.Ansi(), support::CurrentDir());
}

TEST_F(RecorderTest, RemembersWhetherTheLibraryReportedAnErrorAndPassesItOn) {
  Reports reports;
  Zip.SetReporter(&reports);

  EXPECT_TRUE(Zip.ExtractArchive(support::Join(Work, "quiet.zip").c_str(), Work.c_str()));
  EXPECT_FALSE(Zip.LibraryReportedError());
  EXPECT_TRUE(Zip.ExtractArchive(support::Join(Work, "report.zip").c_str(), Work.c_str()));
  EXPECT_TRUE(Zip.LibraryReportedError());
  EXPECT_TRUE(Zip.ExtractArchive(support::Join(Work, "next.zip").c_str(), Work.c_str()));
  EXPECT_FALSE(Zip.LibraryReportedError());

  EXPECT_EQ(reports.Seen, std::vector<std::string>{"Zip error -7:\nBad member in report.zip"});
}

// ---- The library's reports

TEST(UnzMessageProc, NumberZeroOrNoUnpackingUnderWayReportsNothing) {
  UnzCallbackInfo info = {};
  strcpy(info.MessageText, "All well");
  EXPECT_EQ(0, UnzMessageProc(&info));
  info.ErrorNumber = -3;
  EXPECT_EQ(0, UnzMessageProc(&info));
  EXPECT_EQ(0, UnzMessageProc(nullptr));
}

TEST(UnzMessageProc, TextIsReadNoFurtherThanTheRecordAndNeverOverflows) {
  struct {
    UnzCallbackInfo info;
    char after[64];
  } record;
  memset(&record, 'y', sizeof record);
  memset(record.info.MessageText, 'x', sizeof record.info.MessageText);  // no terminator
  char out[1024 + 32];
  memset(out, 'Z', sizeof out);

  const int n = FormatZipError(INT32_MIN, record.info.MessageText, out);

  const std::string head = "Zip error -2147483648:\n";
  EXPECT_EQ(head.size() + sizeof record.info.MessageText, static_cast<size_t>(n));
  EXPECT_EQ(static_cast<size_t>(n), strlen(out));
  EXPECT_EQ(head + "xxx", std::string(out, head.size() + 3));
  EXPECT_EQ(nullptr, strchr(out, 'y'));
  for (size_t i = 1024; i < sizeof out; ++i) ASSERT_EQ('Z', out[i]) << i;
}

// ---- The real library

#ifdef HAVE_REAL_UNZDLL
// The hash the build put into the updater.
std::vector<BYTE> BuiltHash() {
  const std::string bytes = support::Read(TALVO_UNZDLL_HASH);
  return std::vector<BYTE>(bytes.begin(), bytes.end());
}

// A path for a changed copy of the library in a folder of its own, under the library's name.
std::string Copy(const support::TempDir& scratch, const char* folder) {
  CreateDirectoryA((scratch / folder).c_str(), nullptr);
  return support::Join(scratch / folder, "UNZDLL.DLL");
}

// Only the library the program was built with is loaded, signed or not, and only by a
// hash of what was read through a handle nobody could write meanwhile.
TEST(RealUnzDll, OnlyTheBuiltLibraryIsLoaded) {
  support::TempDir scratch;
  const std::string real = support::Read(Library("real"));
  ASSERT_EQ(HashBytes, BuiltHash().size());
  const size_t pe = *reinterpret_cast<const DWORD*>(real.data() + 0x3c);
  std::string checksum = real, code = real, grown = real + std::string(512, '\0');
  checksum[pe + 24 + 64] ^= 0x5a;  // the header's checksum is no part of the image's hash
  code[0x600] ^= 0x01;
  struct Case {
    const char* what;
    std::string path, bytes;
    TUnzLoad load;
  } cases[] = {
      {"as built", Library("real"), "", TUnzLoad::Loaded},
      {"signed", Library("signed"), "", TUnzLoad::Loaded},
      {"another checksum", Copy(scratch, "sum"), checksum, TUnzLoad::Loaded},
      {"a byte of code changed", Copy(scratch, "code"), code, TUnzLoad::NotOurs},
      {"bytes appended", Copy(scratch, "grown"), grown, TUnzLoad::NotOurs},
      {"another library", Library("recorder"), "", TUnzLoad::NotOurs},
      {"no image", Copy(scratch, "text"), "MZ not a library", TUnzLoad::NotOurs},
  };
  for (const Case& c : cases) {
    if (!c.bytes.empty()) {
      ASSERT_TRUE(support::WriteFile(c.path, c.bytes));
    }
    CInfoZip zip(BuiltHash().data());

    EXPECT_EQ(c.load, Load(zip, c.path)) << c.what;

    EXPECT_EQ(c.load == TUnzLoad::Loaded, LoadedUnzDll() != nullptr) << c.what;
    EXPECT_EQ(0, memcmp(zip.ExpectedHash(), BuiltHash().data(), HashBytes)) << c.what;
    EXPECT_EQ(c.load == TUnzLoad::Loaded,
              memcmp(zip.FoundHash(), BuiltHash().data(), HashBytes) == 0)
        << c.what;
  }
  CInfoZip none(nullptr);
  EXPECT_EQ(TUnzLoad::NotOurs, Load(none, Library("real")));
  // A writer that holds the file open: what would be loaded may not be what was hashed.
  HANDLE writer =
      CreateFileA(Library("real").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, writer);
  CInfoZip held(BuiltHash().data());
  EXPECT_EQ(TUnzLoad::NoLibrary, Load(held, Library("real")));
  CloseHandle(writer);
  EXPECT_EQ(nullptr, LoadedUnzDll());
}

// What runs is what was read: the library at its path swapped for another after it was
// taken, the bytes taken run, from a copy nobody can write while it is loaded.
TEST(RealUnzDll, TheBytesTakenAreTheBytesThatRunWhateverHappensToThePath) {
  support::TempDir scratch;
  const std::string path = Copy(scratch, "medium"), real = support::Read(Library("real"));
  ASSERT_TRUE(support::WriteFile(path, real));
  CInfoZip zip(BuiltHash().data());
  ASSERT_EQ(TUnzLoad::Taken, zip.ReadUnzDll(path.c_str()));
  ASSERT_TRUE(support::WriteFile(path, support::Read(Library("recorder"))));

  ASSERT_EQ(TUnzLoad::Loaded, zip.LoadUnzDll(scratch.Sub(L"own").c_str()));

  EXPECT_EQ(100, LibraryVersion());
  EXPECT_EQ(-1, RecorderExecCalls()) << "the recorder runs";
  const std::string copy = support::Join(scratch / "own", "UNZDLL.DLL");
  EXPECT_EQ(real, support::Read(copy));
  EXPECT_FALSE(support::WriteFile(copy, "changed")) << "the copy is writable while loaded";
}

TEST(RealUnzDll, UnpacksEveryMemberFlatIntoTheTargetAndIsReleased) {
  support::TempDir scratch;
  const std::string before = support::CurrentDir();
  const std::string archive = scratch / "Update1.zip";
  ASSERT_TRUE(
      CopyFileA(support::Join(support::OwnFolder(), "sample.zip").c_str(), archive.c_str(), FALSE));
  Reports reports;
  CInfoZip* zip = new CInfoZip(BuiltHash().data());
  zip->SetReporter(&reports);
  ASSERT_EQ(TUnzLoad::Loaded, Load(*zip, Library("real")));
  EXPECT_EQ(100, LibraryVersion());

  EXPECT_TRUE(zip->ExtractArchive(archive.c_str(), scratch.Ansi().c_str()));

  EXPECT_EQ("hello\r\n", support::Read(scratch / "readme.txt"));
  EXPECT_EQ("{\\rtf1 form}", support::Read(scratch / "form.rtf"));
  EXPECT_EQ(before, support::CurrentDir());
  EXPECT_FALSE(zip->LibraryReportedError());
  EXPECT_TRUE(reports.Seen.empty());
  delete zip;
  EXPECT_EQ(nullptr, LoadedUnzDll());
}

TEST(RealUnzDll, ReportOfABrokenArchiveIsPassedOnAndRemembered) {
  support::TempDir scratch;
  const std::string archive = scratch / "broken.zip";
  ASSERT_TRUE(support::WriteFile(archive, "this is not an archive"));
  Reports reports;
  CInfoZip zip(BuiltHash().data());
  zip.SetReporter(&reports);
  ASSERT_EQ(TUnzLoad::Loaded, Load(zip, Library("real")));

  EXPECT_TRUE(zip.ExtractArchive(archive.c_str(), scratch.Ansi().c_str()));

  EXPECT_TRUE(zip.LibraryReportedError());
  ASSERT_FALSE(reports.Seen.empty());
  EXPECT_EQ(0u, reports.Seen[0].find("Zip error "));
}
#endif

}  // namespace
