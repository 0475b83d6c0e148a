// The adapter to UNZDLL.DLL with stand-in libraries (libs\<shape>\UNZDLL.DLL beside this
// program) and, when it is built, the real one (libs\real).
#include "tests/fileutils/Scratch.h"
#include "unzip/InfoZip.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Reads the library fields that the adapter keeps to itself.
class AdapterProbe : public CInfoZip {
public:
  HMODULE Handle() const { return UnzDllHandle; }
  bool AnyFieldSet() const {
    return UnzDllHandle != nullptr || UnzDllExecEntry != nullptr ||
           GetUnzDllVersionEntry != nullptr;
  }
};

template <typename Fn>
Fn LibraryEntry(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

HMODULE LoadedUnzDll() { return GetModuleHandleA("UNZDLL.DLL"); }

// Makes the bare name UNZDLL.DLL find the library of the given shape; "" finds none.
void UseLibrary(const std::string& shape) {
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  auto setDllDirectory =
      LibraryEntry<SetDllDirectoryFn>(GetModuleHandleA("kernel32.dll"), "SetDllDirectoryA");
  const std::string folder = shape.empty() ? "" : Join(Join(OwnFolder(), "libs"), shape);
  ASSERT_TRUE(setDllDirectory(folder.c_str()));
}

int RecorderExecCalls() {
  using CallsFn = int32_t(__stdcall*)();
  auto calls = LibraryEntry<CallsFn>(LoadedUnzDll(), "RecorderExecCalls");
  return calls ? calls() : -1;
}

std::map<std::string, std::string> ReadRequest(const std::string& path) {
  std::map<std::string, std::string> fields;
  const std::string text = ReadText(path);
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

// What a message box of this process showed before the watcher pressed its OK.
struct SeenBox {
  std::wstring Caption;
  std::wstring Text;
  HWND Owner;
  int Buttons;
  bool HasOk;
  bool HasIcon;
};

// Watches, on a thread of its own, for the message boxes this process shows, notes what
// each one showed and presses its OK.
class BoxWatcher {
public:
  BoxWatcher() : Stop(0) {
    InitializeCriticalSection(&Lock);
    Thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  }
  ~BoxWatcher() {
    InterlockedExchange(&Stop, 1);
    WaitForSingleObject(Thread, 5000);
    CloseHandle(Thread);
    DeleteCriticalSection(&Lock);
  }
  std::vector<SeenBox> Seen() {
    EnterCriticalSection(&Lock);
    std::vector<SeenBox> boxes = Boxes;
    LeaveCriticalSection(&Lock);
    return boxes;
  }

private:
  static DWORD WINAPI Run(void* self) {
    BoxWatcher* watcher = static_cast<BoxWatcher*>(self);
    while (!watcher->Stop) {
      EnumWindows(OnWindow, reinterpret_cast<LPARAM>(watcher));
      Sleep(20);
    }
    return 0;
  }

  static BOOL CALLBACK OnWindow(HWND window, LPARAM self) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t cls[64];
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window) ||
        !GetClassNameW(window, cls, 64) || wcscmp(cls, L"#32770") != 0)
      return TRUE;
    BoxWatcher* watcher = reinterpret_cast<BoxWatcher*>(self);
    for (HWND done : watcher->Answered)
      if (done == window) return TRUE;
    SeenBox box = {};
    wchar_t text[2048];
    GetWindowTextW(window, text, 2048);
    box.Caption = text;
    GetWindowTextW(GetDlgItem(window, 0xFFFF), text, 2048);
    box.Text = text;
    box.Owner = GetWindow(window, GW_OWNER);
    EnumChildWindows(window, OnControl, reinterpret_cast<LPARAM>(&box));
    box.HasOk = GetDlgItem(window, IDOK) != nullptr && IsWindowVisible(GetDlgItem(window, IDOK));
    watcher->Answered.push_back(window);
    EnterCriticalSection(&watcher->Lock);
    watcher->Boxes.push_back(box);
    LeaveCriticalSection(&watcher->Lock);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
    return TRUE;
  }

  static BOOL CALLBACK OnControl(HWND control, LPARAM boxPtr) {
    SeenBox* box = reinterpret_cast<SeenBox*>(boxPtr);
    wchar_t cls[64];
    if (!IsWindowVisible(control) || !GetClassNameW(control, cls, 64)) return TRUE;
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (_wcsicmp(cls, L"Button") == 0) ++box->Buttons;
    if (_wcsicmp(cls, L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON &&
        SendMessageW(control, STM_GETICON, 0, 0) != 0)
      box->HasIcon = true;
    return TRUE;
  }

  volatile LONG Stop;
  HANDLE Thread;
  CRITICAL_SECTION Lock;
  std::vector<SeenBox> Boxes;
  std::vector<HWND> Answered;
};

// A loaded recorder and a work folder to unpack into.
class RecorderTest : public ::testing::Test {
protected:
  void SetUp() override {
    UseLibrary("recorder");
    Work = Scratch / "Temp1";
    CreateDirectoryA(Work.c_str(), nullptr);
    ASSERT_TRUE(Zip.LoadUnzDll());
  }

  ScratchFolder Scratch;
  std::string Work;
  CInfoZip Zip;
};

// ---- Loading the library

TEST(LoadUnzDll, NoLibraryGivesCode1AndLeavesEveryFieldNull) {
  UseLibrary("");
  ASSERT_EQ(nullptr, LoadedUnzDll());
  AdapterProbe zip;

  EXPECT_FALSE(zip.LoadUnzDll());

  EXPECT_EQ(1, zip.GetErrorCode());
  EXPECT_FALSE(zip.AnyFieldSet());
  EXPECT_FALSE(zip.IsUnzDllLoaded());
}

TEST(LoadUnzDll, LibraryLackingAnEntryGivesCode2AndIsLetGo) {
  for (const char* shape : {"no_exec", "no_version"}) {
    UseLibrary(shape);
    AdapterProbe zip;

    EXPECT_FALSE(zip.LoadUnzDll()) << shape;

    EXPECT_EQ(2, zip.GetErrorCode()) << shape;
    EXPECT_FALSE(zip.AnyFieldSet()) << shape;
    EXPECT_EQ(nullptr, LoadedUnzDll()) << shape;
  }
}

TEST(LoadUnzDll, LoadsOnceAndIsReleasedAtDestruction) {
  UseLibrary("recorder");
  AdapterProbe* zip = new AdapterProbe;

  ASSERT_TRUE(zip->LoadUnzDll());
  const HMODULE first = zip->Handle();
  EXPECT_TRUE(zip->LoadUnzDll());

  EXPECT_EQ(first, zip->Handle());
  EXPECT_EQ(first, LoadedUnzDll());
  EXPECT_EQ(0, zip->GetErrorCode());
  CInfoZip* base = zip;
  delete base;  // the way its users destroy it
  EXPECT_EQ(nullptr, LoadedUnzDll());  // one load, one release
}

TEST(LoadUnzDll, ErrorCodeIsNeverReset) {
  CInfoZip zip;
  UseLibrary("");
  EXPECT_FALSE(zip.LoadUnzDll());
  UseLibrary("recorder");

  EXPECT_TRUE(zip.LoadUnzDll());

  EXPECT_EQ(1, zip.GetErrorCode());
}

// ---- Version

TEST(GetUnzVersion, UnloadedGivesZeroAndCode3) {
  AdapterProbe zip;

  EXPECT_EQ(0, zip.GetUnzVersion());

  EXPECT_EQ(3, zip.GetErrorCode());
  EXPECT_FALSE(zip.AnyFieldSet());
}

// ---- Unpacking

TEST(ExtractArchive, UnloadedTouchesNeitherCurrentDirectoryNorLibrary) {
  ScratchFolder scratch;
  const std::string before = CurrentDir();
  CInfoZip zip;

  EXPECT_FALSE(zip.ExtractArchive((scratch / "a.zip").c_str(), scratch.Path().c_str()));

  EXPECT_EQ(before, CurrentDir());
  EXPECT_EQ(nullptr, LoadedUnzDll());
  EXPECT_EQ(0, zip.GetErrorCode());
}

TEST_F(RecorderTest, SendsTheFixedRequestAskingForEveryMember) {
  const std::string before = CurrentDir();
  const std::string archive = Join(Work, "Update1.zip");
  const int32_t version = Zip.GetUnzVersion();

  EXPECT_TRUE(Zip.ExtractArchive(archive.c_str(), Work.c_str()));

  EXPECT_EQ(before, CurrentDir());
  std::map<std::string, std::string> request = ReadRequest(Join(Work, "request.txt"));
  const std::vector<unsigned long> w = Words(request["header"]);
  ASSERT_EQ(19u, w.size());
  const std::vector<unsigned long> fixed = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1};
  const std::vector<unsigned long> sent = {w[0], w[1], w[4], w[5],  w[6],  w[7],  w[8], w[9],
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

  std::map<std::string, std::string> request = ReadRequest(Join(Work, "request.txt"));
  EXPECT_EQ(archive, request["archive"]);
  EXPECT_EQ(std::to_string(archive.size() + 1), request["archivesize"]);
}

TEST_F(RecorderTest, UnreachableTargetUnpacksNothing) {
  CurrentDirGuard keep;
  ASSERT_TRUE(SetCurrentDirectoryA(Scratch.Path().c_str()));
  const int calls = RecorderExecCalls();

  EXPECT_FALSE(Zip.ExtractArchive(Join(Work, "a.zip").c_str(), (Scratch / "gone").c_str()));
  EXPECT_FALSE(Zip.ExtractArchive(Join(Work, "a.zip").c_str(), ""));

  EXPECT_EQ(calls, RecorderExecCalls());
  EXPECT_FALSE(Exists(Scratch / "request.txt"));
  EXPECT_EQ(Scratch.Path(), CurrentDir());
}

TEST_F(RecorderTest, RemembersWhetherTheLibraryReportedAnError) {
  BoxWatcher boxes;

  EXPECT_TRUE(Zip.ExtractArchive(Join(Work, "quiet.zip").c_str(), Work.c_str()));
  EXPECT_FALSE(Zip.LibraryReportedError());
  EXPECT_TRUE(Zip.ExtractArchive(Join(Work, "report.zip").c_str(), Work.c_str()));
  EXPECT_TRUE(Zip.LibraryReportedError());
  EXPECT_TRUE(Zip.ExtractArchive(Join(Work, "next.zip").c_str(), Work.c_str()));
  EXPECT_FALSE(Zip.LibraryReportedError());

  const std::vector<SeenBox> seen = boxes.Seen();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(L"Zip error -7:\nBad member in report.zip", seen[0].Text);
}

// ---- The library's reports

TEST(UnzMessageProc, NumberZeroShowsNothing) {
  BoxWatcher boxes;
  UnzCallbackInfo info = {};
  strcpy(info.MessageText, "All well");

  EXPECT_EQ(0, UnzMessageProc(&info));

  Sleep(200);
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST(UnzMessageProc, ShowsNegativeNumberInAPlainBoxOwnedByTheActiveWindow) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               200, 100, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(owner);
  SetActiveWindow(owner);
  ASSERT_EQ(owner, GetActiveWindow());
  BoxWatcher boxes;
  UnzCallbackInfo info = {};
  info.ErrorNumber = -3;
  strcpy(info.MessageText, "Cannot write Бланка.rtf");  // names come in the ANSI code page

  EXPECT_EQ(0, UnzMessageProc(&info));

  DestroyWindow(owner);
  const std::vector<SeenBox> seen = boxes.Seen();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(L"Zip error -3:\nCannot write Бланка.rtf", seen[0].Text);
  EXPECT_EQ(L"", seen[0].Caption);
  EXPECT_EQ(owner, seen[0].Owner);
  EXPECT_EQ(1, seen[0].Buttons);
  EXPECT_TRUE(seen[0].HasOk);
  EXPECT_FALSE(seen[0].HasIcon);
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
TEST(RealUnzDll, UnpacksEveryMemberFlatIntoTheTargetAndIsReleased) {
  UseLibrary("real");
  ScratchFolder scratch;
  const std::string before = CurrentDir();
  const std::string archive = scratch / "Update1.zip";
  ASSERT_TRUE(CopyFileA(Join(OwnFolder(), "sample.zip").c_str(), archive.c_str(), FALSE));
  BoxWatcher boxes;
  CInfoZip* zip = new CInfoZip;
  ASSERT_TRUE(zip->LoadUnzDll());
  EXPECT_NE(0, zip->GetUnzVersion());

  EXPECT_TRUE(zip->ExtractArchive(archive.c_str(), scratch.Path().c_str()));

  EXPECT_EQ("hello\r\n", ReadText(scratch / "readme.txt"));
  EXPECT_EQ("{\\rtf1 form}", ReadText(scratch / "form.rtf"));
  EXPECT_EQ(before, CurrentDir());
  EXPECT_FALSE(zip->LibraryReportedError());
  EXPECT_TRUE(boxes.Seen().empty());
  delete zip;
  EXPECT_EQ(nullptr, LoadedUnzDll());
}

TEST(RealUnzDll, ReportOfABrokenArchiveIsShownAndRemembered) {
  UseLibrary("real");
  ScratchFolder scratch;
  const std::string archive = scratch / "broken.zip";
  ASSERT_TRUE(WriteText(archive, "this is not an archive"));
  BoxWatcher boxes;
  CInfoZip zip;
  ASSERT_TRUE(zip.LoadUnzDll());

  EXPECT_TRUE(zip.ExtractArchive(archive.c_str(), scratch.Path().c_str()));

  EXPECT_TRUE(zip.LibraryReportedError());
  const std::vector<SeenBox> seen = boxes.Seen();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(0u, seen[0].Text.find(L"Zip error "));
}
#endif

}  // namespace
