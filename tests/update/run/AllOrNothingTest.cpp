// An update is all or nothing: whatever stops it (a full disk, a file in use, a kill, an abort
// at the disk question, a zip bomb, a second updater), the product folder ends exactly as it
// was before the press or with every file of the update, and nothing of the run stays in it.
#include <algorithm>
#include <functional>

#include "Update.h"

namespace run {
namespace {

// Kills the Windows program started from exe in this test's Wine prefix with SIGKILL from
// Linux, as a crash or the task manager would end it: no code of its own runs any more.
bool KillFromLinux(const std::wstring& exe) {
  const std::string prefix = ui::WinePrefix();
  if (prefix.empty()) return false;
  return ui::RunUnix("n=0; for f in $(grep -ilF '" + ui::Utf8(exe) +
                     "' /proc/[0-9]*/cmdline 2>/dev/null); do p=${f%/cmdline}; "
                     // This shell's own command line names the program too.
                     "test ${p#/proc/} != $$ && "
                     "tr '\\0' '\\n' <$p/environ 2>/dev/null | grep -qxF 'WINEPREFIX=" +
                     prefix + "' && kill -9 ${p#/proc/} && n=1; done; test $n = 1");
}

// The product's tree after an update that brought these files, from the tree before.
support::Tree Updated(support::Tree tree, const std::vector<support::ZipEntry>& files) {
  for (const support::ZipEntry& f : files) tree[f.name] = support::TreeEntry(f.data);
  return tree;
}

class AllOrNothing : public Update {
protected:
  // The success question, answered Cancel: the window closes with the update in place.
  void ExpectUpdated(const support::Tree& before, const std::vector<support::ZipEntry>& update) {
    ui::Box done = NextBox();
    ExpectSuccessQuestion(done);
    ASSERT_TRUE(ui::Answer(done, IDCANCEL));
    ExpectClosedAndClean();
    EXPECT_EQ(support::Snapshot(product), Updated(before, update));
  }
};

// The product as a user has it: the program, an old form, a data file the update replaces
// (read-only, as an installer may leave it) and a file of the user's own that no update
// brings, read-only by the user's choice.
void MakeProduct(const std::wstring& product) {
  ASSERT_TRUE(support::WriteFile(support::Join(product, L"Blanks\\OLD.RTF"), "old form"));
  for (const wchar_t* name : {L"data.dat", L"users.db"}) {
    const std::wstring path = support::Join(product, name);
    ASSERT_TRUE(support::WriteFile(path, name[0] == L'd' ? "old data" : "the user's own"));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  }
}

// Held by another program: OK asks again while it is held, Cancel gives the update up with
// the product untouched; a second try where the program lets go before OK completes.
TEST_F(AllOrNothing, AFileInUseIsNamedCancelChangesNothingAndLettingGoCompletesTheUpdate) {
  ASSERT_NO_FATAL_FAILURE(MakeProduct(product));
  const std::vector<support::ZipEntry> update = {{"data.dat", "new data"}, {"one.txt", "1"}};
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), update));
  const support::Tree before = support::Snapshot(product);
  support::HeldFile holder;
  ASSERT_TRUE(holder.Hold(Product(L"data.dat")));
  Start(updater);

  ui::Box held = NextBox();
  ExpectHeldFile(held, Product(L"data.dat"));
  ASSERT_TRUE(ui::Answer(held, IDOK));
  held = NextBox();
  ExpectHeldFile(held, Product(L"data.dat"));
  ASSERT_TRUE(ui::Answer(held, IDCANCEL));
  ui::Box end = NextBox();
  ExpectWarning(end, texts::kNotChanged);
  ASSERT_TRUE(ui::Answer(end, IDOK));
  ExpectClosedAndClean(2);
  EXPECT_TRUE(holder.Release()) << "still held after its holder ended";
  EXPECT_EQ(support::Snapshot(product), before);

  ASSERT_TRUE(holder.Hold(Product(L"data.dat")));
  Start(updater);
  held = NextBox();
  ExpectHeldFile(held, Product(L"data.dat"));
  EXPECT_TRUE(holder.Release()) << "still held after its holder ended";
  ASSERT_TRUE(ui::Answer(held, IDOK));
  ExpectUpdated(before, update);
}

// Both press at once; the one that came second is told so, keeps its window open and
// makes nothing in the folder, not even a work folder.
TEST_F(AllOrNothing, TwoUpdatersOnOneFolderOneUpdatesTheOtherIsToldAndChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(MakeProduct(product));
  std::vector<support::ZipEntry> update;
  for (int i = 0; i < 10; ++i) update.push_back({"f" + std::to_string(i) + ".dat", "new"});
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), update));
  const support::Tree before = support::Snapshot(product);
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
  EXPECT_FALSE(support::Exists(Product(L"Temp2"))) << "the refused updater made a work folder";

  ui::Box done = ui::ReadBox(updating.WaitBox());
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  EXPECT_TRUE(ui::WaitGone(w));
  DWORD code = 9;
  EXPECT_TRUE(updating.WaitExit(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(refused->Running());
  EXPECT_TRUE(IsWindowVisible(refusedWindow)) << "the refused updater's window closed";
  EXPECT_EQ(support::Snapshot(product), Updated(before, update));
  ui::Click(ui::Control(refusedWindow, ui::kBtnCancel));
  EXPECT_TRUE(refused->WaitExit(&code));
  EXPECT_EQ(code, 4u) << "busy: try again later";
  EXPECT_EQ(support::Snapshot(product), Updated(before, update));
}

// Killed in the middle of putting files in place: the folder is left mixed, old and new. The
// next run restores it first, says so, and then updates as usual.
TEST_F(AllOrNothing, KilledInTheMiddleTheNextRunRestoresAndCompletesTheUpdate) {
  ASSERT_NO_FATAL_FAILURE(MakeProduct(product));
  std::vector<support::ZipEntry> update;
  for (int i = 10; i < 50; ++i) {
    const std::string name = "f" + std::to_string(i) + ".dat";
    ASSERT_TRUE(support::WriteFile(Product(ui::Wide(name)), "old " + name));
    update.push_back({name, "new " + name});
  }
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), update));
  const support::Tree before = support::Snapshot(product);
  Start(updater);

  // Each replaced file leaves its original in the backup folder; the count is read from the
  // listing, as opening a file would hold it against the updater.
  ASSERT_TRUE(ui::WaitUntil([&] { return support::List(Work(L".backup\\0")).size() >= 5; }));
  ASSERT_TRUE(KillFromLinux(updater));
  DWORD code = 0;
  ASSERT_TRUE(app.WaitExit(&code));
  int replaced = 0;
  for (const support::ZipEntry& f : update)
    replaced += support::Read(Product(ui::Wide(f.name))) == f.data;
  EXPECT_GT(replaced, 0);
  EXPECT_LT(replaced, int(update.size())) << "the kill came too late to leave a mixed folder";

  Start(updater);
  ui::Box recovered = NextBox();
  EXPECT_EQ(ui::Utf8(recovered.caption), texts::kCaption);
  EXPECT_EQ(ui::Utf8(recovered.text), texts::kRecovered);
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
    const std::string prefix = ui::WinePrefix();
    mountPoint = support::UnixPath(t.Sub(L"small"));
    ASSERT_FALSE(prefix.empty() || mountPoint.empty());
    link = prefix + "/dosdevices/t:";
    ASSERT_TRUE(ui::RunUnix("mount -t tmpfs -o size=2m tmpfs '" + mountPoint + "' && ln -sfn '" +
                            mountPoint + "' '" + link + "'"));
    mounted = true;
    product = L"T:\\WinTalvo";
    ASSERT_TRUE(support::MakeDir(product) && support::MakeDir(Product(L"Blanks")));
    ASSERT_TRUE(support::CopyInto(FakeProduct(), product));
  }

  void TearDown() override {
    // A program of the test still running there holds it: detached all the same.
    if (!mounted) return;
    EXPECT_TRUE(ui::RunUnix("rm -f '" + link + "'; umount '" + mountPoint + "' || umount -l '" +
                            mountPoint + "'"));
  }

  // The log of the product folder has the system's reason, with its text, before the first box.
  void ExpectReasonLogged(const std::string& head) {
    const std::vector<std::string> log = ui::LogEvents(support::Read(Product(L"TalvoUpdate.log")));
    const auto reason = std::find_if(log.begin(), log.end(),
                                     [&](const std::string& e) { return e.rfind(head, 0) == 0; });
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
    ASSERT_TRUE(support::WriteFile(L"T:\\filler", std::string(free.QuadPart - bytes, 'x')));
  }

  std::string mountPoint, link;
  bool mounted = false;
};

// The update's files reach their places by renaming, which takes no room; forms kept on a
// drive of their own (the forms folder a mount there) are copied. Of two new forms only the
// first fits: the second fails, and what was put in place is undone.
TEST_F(SmallDrive, TheDiskFullWhilePuttingFilesInPlaceRollsTheProductBack) {
  ASSERT_NO_FATAL_FAILURE(MakeProduct(product));
  ASSERT_TRUE(support::WriteFile(Product(L"data3.dat"), "old data 3"));
  const std::string blanks = mountPoint + "/WinTalvo/Blanks";
  ASSERT_TRUE(ui::RunUnix("mount -t tmpfs -o size=64k tmpfs '" + blanks + "'"));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"data.dat", std::string(96 * 1024, 'A')},
                                                   {"data3.dat", std::string(96 * 1024, 'C')},
                                                   {"x1.rtf", std::string(40 * 1024, 'f')},
                                                   {"x2.rtf", std::string(40 * 1024, 'g')}}));
  const support::Tree before = support::Snapshot(product);
  Start(updater);

  ui::Box copy = NextBox();
  ExpectError(copy,
              texts::CopyError(ui::Utf8(Work(L"x2.rtf")), ui::Utf8(Product(L"Blanks\\x2.rtf"))));
  ASSERT_TRUE(ui::Answer(copy, IDOK));
  ui::Box end = NextBox();
  ExpectWarning(end, texts::kRolledBack);
  ASSERT_TRUE(ui::Answer(end, IDOK));
  ExpectClosedAndClean(2);
  EXPECT_EQ(support::Snapshot(product), before);
  EXPECT_TRUE(ui::RunUnix("umount '" + blanks + "'"));
  EXPECT_EQ(support::List(L"T:\\"), (std::vector<std::wstring>{L"WinTalvo\\"}));
  ExpectReasonLogged(u8"Системна грешка 112: ");
}

// A forms folder that cannot be written (a read-only file system mounted there): the copy of
// the form fails, and the log says why.
TEST_F(SmallDrive, AReadOnlyFormsFolderIsACopyErrorWithTheSystemsReasonInTheLog) {
  ASSERT_NO_FATAL_FAILURE(MakeProduct(product));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}, {"FORM.RTF", "form"}}));
  const std::string blanks = mountPoint + "/WinTalvo/Blanks";
  ASSERT_TRUE(ui::RunUnix("mount -t tmpfs -o ro,size=64k tmpfs '" + blanks + "'"));
  Start(updater);
  ui::Box copy = NextBox();
  ExpectError(
      copy, texts::CopyError(ui::Utf8(Work(L"FORM.RTF")), ui::Utf8(Product(L"Blanks\\FORM.RTF"))));
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
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}, {"data.dat", "new data"}}));
  // Members of zeros, deflated: a megabyte shrinks to about a kilobyte.
  std::vector<support::ZipEntry> bomb;
  for (int i = 0; i < 24; ++i)
    bomb.push_back({"zeros" + std::to_string(i) + ".dat", std::string(1024 * 1024, '\0'), true});
  ASSERT_TRUE(support::WriteZip(Medium(L"b.zip"), bomb));
  ASSERT_TRUE(support::WriteZip(Medium(L"c.zip"), {{"FORM.RTF", "new form"}}));
  const support::Tree before = support::Snapshot(product);
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
  ExpectWarning(box, texts::kNotChanged);
  ASSERT_TRUE(ui::Answer(box, IDOK));
  ExpectClosedAndClean(2);
  EXPECT_EQ(support::Snapshot(product), before);
  EXPECT_EQ(support::List(L"T:\\"), (std::vector<std::wstring>{L"WinTalvo\\", L"filler"}));
}

// Forms kept on a drive of their own (the forms folder a mount there) are replaced like any
// other file; a run stopped among them is restored by the next.
TEST_F(SmallDrive, FormsOnADriveOfTheirOwnAreReplaced) {
  const std::string blanks = mountPoint + "/WinTalvo/Blanks";
  ASSERT_TRUE(ui::RunUnix("mount -t tmpfs -o size=64k tmpfs '" + blanks + "'"));
  std::vector<support::ZipEntry> update;
  for (const char* name : {"A.RTF", "B.RTF", "C.RTF"}) {
    ASSERT_TRUE(support::WriteFile(Product(L"Blanks\\" + ui::Wide(name)), "old form"));
    update.push_back({name, std::string("new ") + name});
  }
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), update));
  EXPECT_EQ(RunToEnd(L"/SILENT /DIR=" + product), 0u);
  for (const support::ZipEntry& f : update)
    EXPECT_EQ(support::Read(Product(L"Blanks\\" + ui::Wide(f.name.c_str()))), f.data);
  ExpectNoWorkFolder();
  EXPECT_TRUE(ui::RunUnix("umount '" + blanks + "'"));
}

// A product folder that cannot be written: no lock can be made there, which is no other run.
TEST_F(SmallDrive, AReadOnlyDriveIsRefusedAsAFolderThatCannotBeWritten) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
  ASSERT_TRUE(ui::RunUnix("mount -o remount,ro '" + mountPoint + "'"));
  const support::Tree before = support::Snapshot(product);
  EXPECT_EQ(RunToEnd(L"/SILENT /DIR=" + product), 2u);
  Start(updater);
  ui::Box box = NextBox();
  ExpectError(box, u8"Грешка при създаване на директория\r\n" + ui::Utf8(Product(L"Temp1")));
  ASSERT_TRUE(ui::Answer(box, IDOK));
  ExpectStillOpen();
  EXPECT_EQ(support::Snapshot(product), before);
}

// From a floppy: disk 1's files are in place when the question for disk 2 comes.
class FloppyAllOrNothing : public AllOrNothing {
protected:
  void SetUp() override {
    AllOrNothing::SetUp();
    ASSERT_NO_FATAL_FAILURE(MakeProduct(product));
    disk1 = t.Sub(L"disk1");
    ASSERT_FALSE(ui::MakeMedium(disk1).empty());
    ASSERT_TRUE(support::WriteZip(support::Join(disk1, L"d1.zip"),
                                  {{"data.dat", "disk 1"}, {"one.txt", "1"}}));
    ASSERT_TRUE(drive.SwapDisk(disk1));
    before = support::Snapshot(product);
  }

  // Up to the question for disk 2, which is declined, and the abort confirmed.
  void AbortAtTheSecondDisk(const std::function<void()>& meanwhile) {
    Start(L"A:\\TalvoUpdate.exe");
    ui::Box ask = NextBox();
    ASSERT_EQ(ui::Utf8(ask.text), texts::Disk(2));
    EXPECT_EQ(support::Read(Product(L"data.dat")), "disk 1");
    EXPECT_EQ(support::Read(Product(L"one.txt")), "1");
    meanwhile();
    ASSERT_TRUE(ui::Answer(ask, IDCANCEL));
    ui::Box abort = NextBox();
    EXPECT_EQ(ui::Utf8(abort.text), texts::kReallyAbort);
    ASSERT_TRUE(ui::Answer(abort, IDOK));
  }

  ui::Floppy drive;
  std::wstring disk1;
  support::Tree before;
};

// Read-only marks come back with the files: the replaced one's, and the user's own.
TEST_F(FloppyAllOrNothing, CancelThenOkAtTheSecondDiskPutsTheProductBackAsItWas) {
  AbortAtTheSecondDisk([] {});
  ui::Box end = NextBox();
  ExpectWarning(end, texts::kRolledBack);
  ASSERT_TRUE(ui::Answer(end, IDOK));
  ExpectClosedAndClean(2);
  EXPECT_EQ(support::Snapshot(product), before);
}

// A replaced file that another program opens before the rollback cannot be put back: the user
// is told where the previous files are, and they stay there until the next run, with the file
// let go, restores the product and updates it.
TEST_F(FloppyAllOrNothing, ARestoreThatCannotCompleteKeepsTheBackupForTheNextRun) {
  support::HeldFile holder;
  AbortAtTheSecondDisk([&] { ASSERT_TRUE(holder.Hold(Product(L"data.dat"))); });
  ui::Box end = NextBox();
  ExpectError(end,
              u8"Продуктът не можа да бъде възстановен напълно.\r\n"
              u8"Предишните файлове са запазени в\r\n" +
                  ui::Utf8(Work(L".backup")));
  ASSERT_TRUE(ui::Answer(end, IDOK));
  EXPECT_TRUE(ui::WaitGone(w));
  DWORD code = 9;
  ASSERT_TRUE(app.WaitExit(&code));
  EXPECT_EQ(code, 3u);
  // All but the held file is back; its original waits in the backup folder.
  EXPECT_FALSE(support::Exists(Product(L"one.txt")));
  EXPECT_EQ(support::Read(Product(L"users.db")), "the user's own");
  const std::vector<std::wstring> kept = support::List(Work(L".backup\\0"));
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(support::Read(support::Join(Work(L".backup\\0"), kept[0])), "old data");
  EXPECT_TRUE(holder.Release()) << "still held after its holder ended";

  const std::vector<support::ZipEntry> update = {{"data.dat", "from the cd"}, {"two.txt", "2"}};
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), update));
  Start(updater);
  ui::Box recovered = NextBox();
  EXPECT_EQ(ui::Utf8(recovered.text), texts::kRecovered);
  EXPECT_EQ(recovered.icon, ui::Icon::Information);
  ASSERT_TRUE(ui::Answer(recovered, IDOK));
  ExpectUpdated(before, update);
}

}  // namespace
}  // namespace run
