// An update is all or nothing: whatever stops it (a full disk, a file in use, a kill, an abort
// at the disk question, a zip bomb, a second updater), the product folder ends exactly as it
// was before the press or with every file of the update, and nothing of the run stays in it.
#include <zlib.h>

#include <algorithm>
#include <functional>
#include <map>

#include "Update.h"

namespace run {
namespace {

// The product folder as the rule compares it: every file and folder by its path (UTF-8,
// folders end in "\"), with its read-only and hidden marks and its bytes (short ones as they
// are, longer ones by size and sum).
using Tree = std::map<std::string, std::string>;

std::string Entry(const std::string& bytes, DWORD attributes = 0) {
  std::string value = attributes & FILE_ATTRIBUTE_READONLY ? "R " : "";
  if (attributes & FILE_ATTRIBUTE_HIDDEN) value += "H ";
  if (bytes.size() <= 40) return value + "'" + bytes + "'";
  return value + std::to_string(bytes.size()) + " bytes, crc " +
         std::to_string(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

void Walk(const std::wstring& dir, const std::string& prefix, Tree* tree) {
  for (const std::wstring& name : List(dir)) {
    const std::wstring path = ui::Join(dir, name);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (name.back() == L'\\') {
      (*tree)[prefix + ui::Utf8(name)] = Entry("", attributes & FILE_ATTRIBUTE_HIDDEN);
      Walk(path.substr(0, path.size() - 1), prefix + ui::Utf8(name), tree);
    } else {
      (*tree)[prefix + ui::Utf8(name)] = Entry(Read(path), attributes);
    }
  }
}

Tree Snapshot(const std::wstring& dir) {
  Tree tree;
  Walk(dir, "", &tree);
  return tree;
}

std::string EnvUtf8(const wchar_t* name) {
  wchar_t value[MAX_PATH * 2];
  const DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
  return n && n < MAX_PATH * 2 ? ui::Utf8(std::wstring(value, n)) : std::string();
}

// Kills the Windows program started from exe in this test's Wine prefix with SIGKILL from
// Linux, as a crash or the task manager would end it: no code of its own runs any more.
bool KillFromLinux(const std::wstring& exe) {
  const std::string prefix = EnvUtf8(L"WINEPREFIX");
  if (prefix.empty()) return false;
  return ui::RunUnix("n=0; for f in $(grep -ilF '" + ui::Utf8(exe) +
                     "' /proc/[0-9]*/cmdline 2>/dev/null); do p=${f%/cmdline}; "
                     // This shell's own command line names the program too.
                     "test ${p#/proc/} != $$ && "
                     "tr '\\0' '\\n' <$p/environ 2>/dev/null | grep -qxF 'WINEPREFIX=" + prefix +
                     "' && kill -9 ${p#/proc/} && n=1; done; test $n = 1");
}

// Another program that has a file open with no sharing (the product itself, running): a
// process of its own, let go of by ending it.
class Holder {
public:
  ~Holder() { Release(); }

  // True once the file is really held.
  bool Hold(const std::wstring& path) {
    std::wstring cmd = L"\"" + ui::WindowsPath(TALVO_HOLD_FILE) + L"\" \"" + path + L"\" 120000";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      return false;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    path_ = path;
    return ui::WaitUntil([&] { return Held(); });
  }

  void Release() {
    if (!process_) return;
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, ui::kWaitMs);
    CloseHandle(process_);
    process_ = nullptr;
    EXPECT_TRUE(ui::WaitUntil([&] { return !Held(); })) << "still held after its holder ended";
  }

private:
  // Asked with every sharing allowed, so that the question itself holds nothing back.
  bool Held() const {
    HANDLE probe = CreateFileW(path_.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
    return probe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
  }

  HANDLE process_ = nullptr;
  std::wstring path_;
};

void Put16(std::string& out, unsigned v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, unsigned long v) {
  Put16(out, v & 0xFFFF);
  Put16(out, (v >> 16) & 0xFFFF);
}

// A zip bomb: members of zeros, deflated (a megabyte shrinks to about a kilobyte).
bool WriteZeroBomb(const std::wstring& path, int members, uLong memberBytes) {
  const std::string zeros(memberBytes, '\0');
  std::string packed(compressBound(memberBytes), '\0');
  uLongf packedSize = packed.size();
  if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
                reinterpret_cast<const Bytef*>(zeros.data()), memberBytes, 9) != Z_OK)
    return false;
  // A zip member holds the bare deflate data: the zlib stream without its header and check.
  packed = packed.substr(2, packedSize - 6);
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(zeros.data()), memberBytes);

  std::string zip, central;
  for (int i = 0; i < members; ++i) {
    const std::string name = "zeros" + std::to_string(i) + ".dat";
    const unsigned long offset = zip.size();
    for (std::string* out : {&zip, &central}) {
      Put32(*out, out == &zip ? 0x04034b50 : 0x02014b50);
      if (out == &central) Put16(*out, 20);  // made by
      Put16(*out, 20);                       // version needed
      Put16(*out, 0);                        // flags
      Put16(*out, 8);                        // deflated
      Put32(*out, 0x00210000);               // 1980-01-01 00:00
      Put32(*out, crc);
      Put32(*out, packed.size());
      Put32(*out, memberBytes);
      Put16(*out, name.size());
      Put16(*out, 0);  // extra field
      if (out == &central) {
        Put32(*out, 0);  // comment, disk
        Put16(*out, 0);  // internal attributes
        Put32(*out, 0);  // external attributes
        Put32(*out, offset);
      }
      *out += name;
    }
    zip += packed;
  }
  const unsigned long centralOffset = zip.size();
  zip += central;
  Put32(zip, 0x06054b50);
  Put32(zip, 0);  // disks
  Put16(zip, members);
  Put16(zip, members);
  Put32(zip, central.size());
  Put32(zip, centralOffset);
  Put16(zip, 0);  // comment
  return ui::WriteFile(path, zip);
}

// The product's tree after an update that brought these files, from the tree before.
Tree Updated(Tree tree, const std::vector<ui::ZipEntry>& files) {
  for (const ui::ZipEntry& f : files) tree[f.name] = Entry(f.data);
  return tree;
}

class AllOrNothing : public Update {
protected:
  // The success question, answered Cancel: the window closes with the update in place.
  void ExpectUpdated(const Tree& before, const std::vector<ui::ZipEntry>& update) {
    ui::Box done = NextBox();
    ExpectSuccessQuestion(done);
    ASSERT_TRUE(ui::Answer(done, IDCANCEL));
    ExpectClosedAndClean();
    EXPECT_EQ(Snapshot(product), Updated(before, update));
  }
};

// The product as a user has it: the program, an old form, a data file the update replaces
// (read-only, as an installer may leave it) and a file of the user's own that no update
// brings, read-only by the user's choice.
void MakeProduct(const std::wstring& product) {
  ASSERT_TRUE(ui::WriteFile(ui::Join(product, L"Blanks\\OLD.RTF"), "old form"));
  for (const wchar_t* name : {L"data.dat", L"users.db"}) {
    const std::wstring path = ui::Join(product, name);
    ASSERT_TRUE(ui::WriteFile(path, name[0] == L'd' ? "old data" : "the user's own"));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  }
}

// Held by another program: OK asks again while it is held, Cancel gives the update up with
// the product untouched; a second try where the program lets go before OK completes.
TEST_F(AllOrNothing, AFileInUseIsNamedCancelChangesNothingAndLettingGoCompletesTheUpdate) {
  ASSERT_NO_FATAL_FAILURE(MakeProduct(product));
  const std::vector<ui::ZipEntry> update = {{"data.dat", "new data"}, {"one.txt", "1"}};
  ASSERT_TRUE(ui::WriteZip(Medium(L"a.zip"), update));
  const Tree before = Snapshot(product);
  Holder holder;
  ASSERT_TRUE(holder.Hold(Product(L"data.dat")));
  Start(updater);

  ui::Box held = NextBox();
  ExpectHeldFile(held, Product(L"data.dat"));
  ASSERT_TRUE(ui::Answer(held, IDOK));
  held = NextBox();
  ExpectHeldFile(held, Product(L"data.dat"));
  ASSERT_TRUE(ui::Answer(held, IDCANCEL));
  ui::Box end = NextBox();
  ExpectWarning(end, kNotChanged);
  ASSERT_TRUE(ui::Answer(end, IDOK));
  ExpectClosedAndClean(2);
  holder.Release();
  EXPECT_EQ(Snapshot(product), before);

  ASSERT_TRUE(holder.Hold(Product(L"data.dat")));
  Start(updater);
  held = NextBox();
  ExpectHeldFile(held, Product(L"data.dat"));
  holder.Release();
  ASSERT_TRUE(ui::Answer(held, IDOK));
  ExpectUpdated(before, update);
}

// Both press at once; the one that came second is told so, keeps its window open and
// makes nothing in the folder, not even a work folder.
TEST_F(AllOrNothing, TwoUpdatersOnOneFolderOneUpdatesTheOtherIsToldAndChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(MakeProduct(product));
  std::vector<ui::ZipEntry> update;
  for (int i = 0; i < 10; ++i) update.push_back({"f" + std::to_string(i) + ".dat", "new"});
  ASSERT_TRUE(ui::WriteZip(Medium(L"a.zip"), update));
  const Tree before = Snapshot(product);
  ui::App second;
  ASSERT_TRUE(app.Start(updater, t.Path()));
  ASSERT_TRUE(second.Start(updater, t.Path()));
  w = app.MainWindow();
  const HWND w2 = second.MainWindow();
  ASSERT_TRUE(w && w2);
  ASSERT_TRUE(ui::SetText(ui::Control(w, ui::kEditFolder), product));
  ASSERT_TRUE(ui::SetText(ui::Control(w2, ui::kEditFolder), product));
  ui::Click(ui::Control(w, ui::kBtnInstall));
  ui::Click(ui::Control(w2, ui::kBtnInstall));

  // Whichever took the folder first updates; the other says so at once.
  HWND busyBox = nullptr;
  ui::App* refused = nullptr;
  ASSERT_TRUE(ui::WaitUntil([&] {
    if ((busyBox = app.WaitBox(0))) refused = &app;
    if (!busyBox && (busyBox = second.WaitBox(0))) refused = &second;
    return busyBox != nullptr;
  }));
  ui::App& updating = refused == &app ? second : app;
  const HWND refusedWindow = refused == &app ? w : w2;
  w = refused == &app ? w2 : w;
  ui::Box busy = ui::ReadBox(busyBox);
  ExpectError(busy, u8"Друга актуализация на този продукт е в ход.");
  ASSERT_TRUE(ui::Answer(busy, IDOK));
  EXPECT_FALSE(ui::Exists(Product(L"Temp2"))) << "the refused updater made a work folder";

  ui::Box done = ui::ReadBox(updating.WaitBox());
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  EXPECT_TRUE(ui::WaitGone(w));
  DWORD code = 9;
  EXPECT_TRUE(updating.WaitExit(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(refused->Running());
  EXPECT_TRUE(IsWindowVisible(refusedWindow)) << "the refused updater's window closed";
  EXPECT_EQ(Snapshot(product), Updated(before, update));
  ui::Click(ui::Control(refusedWindow, ui::kBtnCancel));
  EXPECT_TRUE(refused->WaitExit(&code));
  EXPECT_EQ(code, 4u) << "busy: try again later";
  EXPECT_EQ(Snapshot(product), Updated(before, update));
}

// Killed in the middle of putting files in place: the folder is left mixed, old and new. The
// next run restores it first, says so, and then updates as usual.
TEST_F(AllOrNothing, KilledInTheMiddleTheNextRunRestoresAndCompletesTheUpdate) {
  ASSERT_NO_FATAL_FAILURE(MakeProduct(product));
  std::vector<ui::ZipEntry> update;
  for (int i = 10; i < 50; ++i) {
    const std::string name = "f" + std::to_string(i) + ".dat";
    ASSERT_TRUE(ui::WriteFile(Product(ui::Wide(name)), "old " + name));
    update.push_back({name, "new " + name});
  }
  ASSERT_TRUE(ui::WriteZip(Medium(L"a.zip"), update));
  const Tree before = Snapshot(product);
  Start(updater);

  // Each replaced file leaves its original in the backup folder; the count is read from the
  // listing, as opening a file would hold it against the updater.
  ASSERT_TRUE(ui::WaitUntil([&] { return List(Work(L".backup\\0")).size() >= 5; }));
  ASSERT_TRUE(KillFromLinux(updater));
  DWORD code = 0;
  ASSERT_TRUE(app.WaitExit(&code));
  int replaced = 0;
  for (const ui::ZipEntry& f : update) replaced += Read(Product(ui::Wide(f.name))) == f.data;
  EXPECT_GT(replaced, 0);
  EXPECT_LT(replaced, int(update.size())) << "the kill came too late to leave a mixed folder";

  Start(updater);
  ui::Box recovered = NextBox();
  EXPECT_EQ(ui::Utf8(recovered.caption), kCaption);
  EXPECT_EQ(ui::Utf8(recovered.text), u8"Предишната актуализация е била прекъсната.\r\n"
                                      u8"Продуктът е възстановен в предишното си състояние.");
  EXPECT_EQ(recovered.icon, ui::Icon::Information);
  EXPECT_EQ(recovered.buttons, std::vector<int>{IDOK});
  ASSERT_TRUE(ui::Answer(recovered, IDOK));
  ExpectUpdated(before, update);
}

// A drive of its own that holds the product: a size-limited tmpfs mounted on a folder of the
// test and shown as drive T:, unmounted however the test ends.
class SmallDrive : public AllOrNothing {
protected:
  void SetUp() override {
    AllOrNothing::SetUp();
    const std::string prefix = EnvUtf8(L"WINEPREFIX");
    mountPoint = ui::UnixPath(t.Sub(L"small"));
    ASSERT_FALSE(prefix.empty() || mountPoint.empty());
    link = prefix + "/dosdevices/t:";
    ASSERT_TRUE(ui::RunUnix("mount -t tmpfs -o size=2m tmpfs '" + mountPoint + "' && ln -sfn '" +
                            mountPoint + "' '" + link + "'"));
    mounted = true;
    product = L"T:\\WinTalvo";
    ASSERT_TRUE(ui::MakeDir(product) && ui::MakeDir(Product(L"Blanks")));
    ASSERT_TRUE(ui::CopyInto(FakeProduct(), product));
  }

  void TearDown() override {
    // A program of the test still running there holds it: detached all the same.
    if (!mounted) return;
    EXPECT_TRUE(ui::RunUnix("rm -f '" + link + "'; umount '" + mountPoint + "' || umount -l '" +
                            mountPoint + "'"));
  }

  // The log of the product folder has the system's reason, with its text, before the first box.
  void ExpectReasonLogged(const std::string& head) {
    const std::vector<std::string> log = ui::LogEvents(Read(Product(L"TalvoUpdate.log")));
    const auto reason = std::find_if(log.begin(), log.end(), [&](const std::string& e) {
      return e.rfind(head, 0) == 0;
    });
    ASSERT_NE(reason, log.end()) << head;
    EXPECT_GT(reason->size(), head.size() + 3) << *reason;
    const auto box = std::find_if(log.begin(), log.end(), [](const std::string& e) {
      return e.rfind(u8"Съобщение:", 0) == 0;
    });
    EXPECT_LT(reason, box);
  }

  // Fills the drive outside the product folder until this much is free.
  void LeaveFree(ULONGLONG bytes) {
    ULARGE_INTEGER free{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(L"T:\\", &free, nullptr, nullptr));
    ASSERT_GT(free.QuadPart, bytes);
    ASSERT_TRUE(ui::WriteFile(L"T:\\filler", std::string(free.QuadPart - bytes, 'x')));
  }

  std::string mountPoint, link;
  bool mounted = false;
};

// The update's files reach their places by renaming, which takes no room; forms kept on a
// drive of their own (the forms folder a mount there) are copied. Of two new forms only the
// first fits: the second fails, and what was put in place is undone.
TEST_F(SmallDrive, TheDiskFullWhilePuttingFilesInPlaceRollsTheProductBack) {
  ASSERT_NO_FATAL_FAILURE(MakeProduct(product));
  ASSERT_TRUE(ui::WriteFile(Product(L"data3.dat"), "old data 3"));
  const std::string blanks = mountPoint + "/WinTalvo/Blanks";
  ASSERT_TRUE(ui::RunUnix("mount -t tmpfs -o size=64k tmpfs '" + blanks + "'"));
  ASSERT_TRUE(ui::WriteZip(Medium(L"a.zip"), {{"data.dat", std::string(96 * 1024, 'A')},
                                             {"data3.dat", std::string(96 * 1024, 'C')},
                                             {"x1.rtf", std::string(40 * 1024, 'f')},
                                             {"x2.rtf", std::string(40 * 1024, 'g')}}));
  const Tree before = Snapshot(product);
  Start(updater);

  ui::Box copy = NextBox();
  ExpectError(copy, u8"Грешка при копиране на файл.\r\n" + ui::Utf8(Work(L"x2.rtf")) + "\r\n" +
                        ui::Utf8(Product(L"Blanks\\x2.rtf")));
  ASSERT_TRUE(ui::Answer(copy, IDOK));
  ui::Box end = NextBox();
  ExpectWarning(end, kRolledBack);
  ASSERT_TRUE(ui::Answer(end, IDOK));
  ExpectClosedAndClean(2);
  EXPECT_EQ(Snapshot(product), before);
  EXPECT_TRUE(ui::RunUnix("umount '" + blanks + "'"));
  EXPECT_EQ(List(L"T:\\"), (std::vector<std::wstring>{L"WinTalvo\\"}));
  ExpectReasonLogged(u8"Системна грешка 112: ");
}

// A forms folder that cannot be written (a read-only file system mounted there): the copy of
// the form fails, and the log says why.
TEST_F(SmallDrive, AReadOnlyFormsFolderIsACopyErrorWithTheSystemsReasonInTheLog) {
  ASSERT_NO_FATAL_FAILURE(MakeProduct(product));
  ASSERT_TRUE(ui::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}, {"FORM.RTF", "form"}}));
  const std::string blanks = mountPoint + "/WinTalvo/Blanks";
  ASSERT_TRUE(ui::RunUnix("mount -t tmpfs -o ro,size=64k tmpfs '" + blanks + "'"));
  Start(updater);
  ui::Box copy = NextBox();
  ExpectError(copy, u8"Грешка при копиране на файл.\r\n" + ui::Utf8(Work(L"FORM.RTF")) + "\r\n" +
                        ui::Utf8(Product(L"Blanks\\FORM.RTF")));
  ASSERT_TRUE(ui::Answer(copy, IDOK));
  ASSERT_TRUE(ui::Answer(NextBox(), IDOK));
  ExpectClosedAndClean(2);
  EXPECT_TRUE(ui::RunUnix("umount '" + blanks + "'"));
  ExpectReasonLogged(u8"Системна грешка ");
}

// A few kilobytes that unpack to 24 MB, among good archives, on a drive with much less free:
// the library's reports (no more than its cap of twenty and a count), then one end box; nothing
// of the pass goes in, and nothing of it stays.
TEST_F(SmallDrive, AZipBombAmongGoodArchivesEndsInBoundedBoxesWithTheProductAsItWas) {
  ASSERT_NO_FATAL_FAILURE(MakeProduct(product));
  ASSERT_TRUE(ui::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}, {"data.dat", "new data"}}));
  ASSERT_TRUE(WriteZeroBomb(Medium(L"b.zip"), 24, 1024 * 1024));
  ASSERT_TRUE(ui::WriteZip(Medium(L"c.zip"), {{"FORM.RTF", "new form"}}));
  const Tree before = Snapshot(product);
  LeaveFree(512 * 1024);
  Start(updater);

  int reports = 0;
  ui::Box box = NextBox();
  for (; box.caption.empty() && reports <= 21; box = NextBox()) {
    EXPECT_EQ(ui::Utf8(box.text).rfind("Zip error ", 0), 0u) << ui::Utf8(box.text);
    ++reports;
    ASSERT_TRUE(ui::Answer(box, IDOK));
  }
  EXPECT_GE(reports, 1);
  EXPECT_LE(reports, 21);
  ExpectWarning(box, kNotChanged);
  ASSERT_TRUE(ui::Answer(box, IDOK));
  ExpectClosedAndClean(2);
  EXPECT_EQ(Snapshot(product), before);
  EXPECT_EQ(List(L"T:\\"), (std::vector<std::wstring>{L"WinTalvo\\", L"filler"}));
}

// From a floppy: disk 1's files are in place when the question for disk 2 comes.
class FloppyAllOrNothing : public AllOrNothing {
protected:
  void SetUp() override {
    AllOrNothing::SetUp();
    ASSERT_NO_FATAL_FAILURE(MakeProduct(product));
    disk1 = t.Sub(L"disk1");
    ASSERT_FALSE(ui::MakeMedium(disk1).empty());
    ASSERT_TRUE(
        ui::WriteZip(ui::Join(disk1, L"d1.zip"), {{"data.dat", "disk 1"}, {"one.txt", "1"}}));
    ASSERT_TRUE(drive.SwapDisk(disk1));
    before = Snapshot(product);
  }

  // Up to the question for disk 2, which is declined, and the abort confirmed.
  void AbortAtTheSecondDisk(const std::function<void()>& meanwhile) {
    Start(L"A:\\TalvoUpdate.exe");
    ui::Box ask = NextBox();
    ASSERT_EQ(ui::Utf8(ask.text),
              u8"\r\nМоля, поставете дискета No 2\r\nвъв флопидисковото устройство.");
    EXPECT_EQ(Read(Product(L"data.dat")), "disk 1");
    EXPECT_EQ(Read(Product(L"one.txt")), "1");
    meanwhile();
    ASSERT_TRUE(ui::Answer(ask, IDCANCEL));
    ui::Box abort = NextBox();
    EXPECT_EQ(ui::Utf8(abort.text),
              u8"\r\nАктуализацията не е завършена.\r\nНаистина ли искате да я прекъснете?");
    ASSERT_TRUE(ui::Answer(abort, IDOK));
  }

  ui::Floppy drive;
  std::wstring disk1;
  Tree before;
};

// Read-only marks come back with the files: the replaced one's, and the user's own.
TEST_F(FloppyAllOrNothing, CancelThenOkAtTheSecondDiskPutsTheProductBackAsItWas) {
  AbortAtTheSecondDisk([] {});
  ui::Box end = NextBox();
  ExpectWarning(end, kRolledBack);
  ASSERT_TRUE(ui::Answer(end, IDOK));
  ExpectClosedAndClean(2);
  EXPECT_EQ(Snapshot(product), before);
}

// A replaced file that another program opens before the rollback cannot be put back: the user
// is told where the previous files are, and they stay there until the next run, with the file
// let go, restores the product and updates it.
TEST_F(FloppyAllOrNothing, ARestoreThatCannotCompleteKeepsTheBackupForTheNextRun) {
  Holder holder;
  AbortAtTheSecondDisk([&] { ASSERT_TRUE(holder.Hold(Product(L"data.dat"))); });
  ui::Box end = NextBox();
  ExpectError(end, u8"Продуктът не можа да бъде възстановен напълно.\r\n"
                   u8"Предишните файлове са запазени в\r\n" +
                       ui::Utf8(Work(L".backup")));
  ASSERT_TRUE(ui::Answer(end, IDOK));
  EXPECT_TRUE(ui::WaitGone(w));
  DWORD code = 9;
  ASSERT_TRUE(app.WaitExit(&code));
  EXPECT_EQ(code, 3u);
  // All but the held file is back; its original waits in the backup folder.
  EXPECT_FALSE(ui::Exists(Product(L"one.txt")));
  EXPECT_EQ(Read(Product(L"users.db")), "the user's own");
  const std::vector<std::wstring> kept = List(Work(L".backup\\0"));
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(Read(ui::Join(Work(L".backup\\0"), kept[0])), "old data");
  holder.Release();

  const std::vector<ui::ZipEntry> update = {{"data.dat", "from the cd"}, {"two.txt", "2"}};
  ASSERT_TRUE(ui::WriteZip(Medium(L"a.zip"), update));
  Start(updater);
  ui::Box recovered = NextBox();
  EXPECT_EQ(ui::Utf8(recovered.text), u8"Предишната актуализация е била прекъсната.\r\n"
                                      u8"Продуктът е възстановен в предишното си състояние.");
  EXPECT_EQ(recovered.icon, ui::Icon::Information);
  ASSERT_TRUE(ui::Answer(recovered, IDOK));
  ExpectUpdated(before, update);
}

}  // namespace
}  // namespace run
