// A folder anyone can write to: what an ordinary user of the machine may leave in it, or do
// to it while a run waits, must never make the updater touch anything outside the product
// folder. Linux symbolic links stand in for junctions.
#include "Update.h"

#include "crypto/ImageHash.h"
#include "update/files/FolderAccess.h"
#include "update/medium/Manifest.h"
#include "update/transaction/Journal.h"

namespace run {
namespace {

using Names = std::vector<std::wstring>;

class Trust : public Update {
protected:
  void SetUp() override {
    Update::SetUp();
    victim = t.Sub(L"victim");
    for (const wchar_t* name : {L"important.txt", L"target.dll", L"rel.txt", L"log.txt"})
      ASSERT_TRUE(
          support::WriteFile(support::Join(victim, name), "the victim's " + ui::Utf8(name)));
    ASSERT_TRUE(support::WriteFile(support::Join(t.Sub(L"victim\\sub"), L"deep.txt"), "deep"));
    ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}, {"Vanto.exe", "new"}}));
    victimBefore = Victim();
  }

  // The victim's names and bytes.
  std::vector<std::string> Victim() const {
    std::vector<std::string> seen;
    for (const std::wstring& dir : {victim, support::Join(victim, L"sub")})
      for (const std::wstring& name : support::List(dir))
        seen.push_back(ui::Utf8(name) + "=" + support::Read(support::Join(dir, name)));
    return seen;
  }

  void Link(const std::wstring& link, const std::wstring& target) {
    ASSERT_TRUE(
        ui::RunUnix("ln -s '" + support::UnixPath(target) + "' '" + support::UnixPath(link) + "'"));
  }

  // A work folder in the product made as the updater makes its own.
  std::wstring OurFolder(const std::wstring& name) {
    const std::wstring path = Product(name);
    EXPECT_TRUE(MakePrivateFolder(ui::Narrow(path, CP_ACP).c_str()));
    return path;
  }

  // A journal in folder, written as the updater writes its own.
  void Journal(const std::wstring& folder, const std::vector<TEntry>& records) {
    TFolder work;
    ASSERT_TRUE(work.Open(ui::Narrow(folder, CP_ACP).c_str(), false, false));
    TJournal journal;
    ASSERT_TRUE(journal.Create(work));
    for (const TEntry& e : records) ASSERT_TRUE(journal.Record(&e, 1));
  }

  DWORD Silent(const std::wstring& more = L"") {
    return RunToEnd(L"/SILENT /DIR=\"" + product + L"\"" + more);
  }

  std::wstring victim;
  std::vector<std::string> victimBefore;
};

// Planted work folders, a linked work folder and backup folder, a log that is a link: none
// is ours, each stays as it is, and the update goes on in a folder of its own.
TEST_F(Trust, PlantedWorkFoldersAndLinksAreLeftAsTheyAreAndNothingOutsideChanges) {
  const std::wstring planted = t.Sub(L"WinTalvo\\Temp1");
  ASSERT_TRUE(support::WriteFile(support::Join(t.Sub(L"WinTalvo\\Temp1\\.backup"), L"7"),
                                 "the user's bytes"));
  const std::string victimPath = ui::Narrow(victim, CP_ACP);
  const std::string important = victimPath + "\\important.txt",
                    target = victimPath + "\\target.dll";
  Journal(planted, {{TStep::New, 1, important.c_str()},
                    {TStep::Original, 7, target.c_str()},
                    {TStep::New, 8, "..\\victim\\rel.txt"}});
  Link(Product(L"Temp2"), victim);
  const std::wstring ours = OurFolder(L"Temp3");
  Journal(ours, {{TStep::New, 1, "gone.txt"}});
  Link(support::Join(ours, L".backup"), support::Join(victim, L"sub"));
  // A folder of ours whose backup is a link to a file outside: never moved back, never deleted.
  const std::wstring linkedBackup = OurFolder(L"Temp6");
  Journal(linkedBackup, {{TStep::Original, 1, "data.dat"}});
  Link(support::Join(t.Sub(L"WinTalvo\\Temp6\\.backup\\0"), L"1"),
       support::Join(victim, L"target.dll"));
  Link(Product(L"TalvoUpdate.log"), support::Join(victim, L"log.txt"));
  const std::wstring log = support::Join(t.Path(), L"run.log");

  EXPECT_EQ(Silent(L" /LOG=\"" + log + L"\""), 0u);

  EXPECT_EQ(Victim(), victimBefore);
  EXPECT_EQ(support::Read(Product(L"one.txt")), "1");
  EXPECT_EQ(support::List(planted), (Names{L".backup\\", L".journal"}));
  EXPECT_EQ(support::Read(support::Join(planted, L".backup\\7")), "the user's bytes");
  EXPECT_EQ(support::List(ours), (Names{L".backup\\", L".journal"}));
  EXPECT_TRUE(support::Exists(Product(L"Temp2")));
  EXPECT_FALSE(support::Exists(Product(L"data.dat")));
  EXPECT_TRUE(support::Exists(support::Join(linkedBackup, L".journal")));
  EXPECT_FALSE(support::Exists(Product(L"Temp4"))) << "the run's own work folder stays";
  const std::string notOurs = u8"Не е на актуализацията и е оставено както е: ";
  EXPECT_TRUE(InOrder(ui::LogEvents(support::Read(log)),
                      {notOurs + ui::Utf8(planted), notOurs + ui::Utf8(Product(L"Temp2")),
                       notOurs + ui::Utf8(support::Join(ours, L".backup"))}));
}

// A lock that is no plain file of ours (a folder, a link) is another run's, or a trap: busy
// (4), nothing changed; a /LOG file that is not a log of ours, or lies in no folder, refuses
// the command line (1).
TEST_F(Trust, ALockOrALogThatIsNoFileOfOursChangesNothing) {
  const std::wstring customers = support::Join(t.Path(), L"customers.csv");
  const std::string list = "\xEF\xBB\xBF" + std::string(2 * 1024 * 1024, 'c');
  ASSERT_TRUE(support::WriteFile(customers, list));
  EXPECT_EQ(Silent(L" /LOG=\"" + customers + L"\""), 1u);
  EXPECT_EQ(support::Read(customers), list);
  EXPECT_EQ(Silent(L" /LOG=\"" + support::Join(t.Path(), L"gone\\run.log") + L"\""), 1u)
      << "a log in no folder";

  Link(Product(L"TalvoUpdate.lck"), support::Join(victim, L"important.txt"));
  EXPECT_EQ(Silent(), 4u);
  EXPECT_EQ(Victim(), victimBefore);
  // Under Wine a Windows delete of a file link deletes what it points to.
  ASSERT_TRUE(ui::RunUnix("rm '" + support::UnixPath(Product(L"TalvoUpdate.lck")) + "'"));
  ASSERT_TRUE(support::MakeDir(Product(L"TalvoUpdate.lck")));
  EXPECT_EQ(Silent(), 4u);
  EXPECT_EQ(Victim(), victimBefore);
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"TalvoUpdate.lck\\", L"Vanto.exe"}));
}

// A record damaged before the last: what the run changed cannot be known. The folder stays
// with every backup, run after run, and each says the product could not be restored.
TEST_F(Trust, ADamagedJournalKeepsTheWorkFolderAndItsBackupsRunAfterRun) {
  const std::wstring work = OurFolder(L"Temp1");
  ASSERT_TRUE(
      support::WriteFile(support::Join(t.Sub(L"WinTalvo\\Temp1\\.backup"), L"1"), "old data"));
  Journal(work, {{TStep::Original, 1, "data.dat"}, {TStep::New, 2, "one.txt"}});
  std::string journal = support::Read(support::Join(work, L".journal"));
  journal[journal.find("data.dat")] = 'D';
  ASSERT_TRUE(support::WriteFile(support::Join(work, L".journal"), journal));

  EXPECT_EQ(Silent(), 3u);
  EXPECT_EQ(Silent(), 3u);
  EXPECT_EQ(support::List(work), (Names{L".backup\\", L".journal"}));
  EXPECT_EQ(support::Read(support::Join(work, L".backup\\1")), "old data");
  EXPECT_EQ(support::Read(support::Join(work, L".journal")), journal);
  EXPECT_FALSE(support::Exists(Product(L"one.txt")));
}

// While a box is up the user swaps the backup folder for a link: the run notices before it
// moves anything and undoes what it did. A work folder the window keeps after a failed run,
// swapped for a link, is not emptied when the window closes.
TEST_F(Trust, WorkFoldersSwappedForLinksWhileTheWindowWaitsAreNeverFollowed) {
  ASSERT_TRUE(support::WriteFile(Product(L"data.dat"), "old"));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"data.dat", "new"}}));
  auto held = std::make_unique<support::HeldFile>(Product(L"data.dat"));
  ASSERT_TRUE(held->Held());
  Start(updater);
  ui::Box box = NextBox();
  ExpectHeldFile(box, Product(L"data.dat"));
  ASSERT_TRUE(ui::RunUnix("rm -rf '" + support::UnixPath(Work(L".backup")) + "'"));
  Link(Work(L".backup"), victim);
  held.reset();
  ASSERT_TRUE(ui::Answer(box, IDOK));
  ui::Box end = NextBox();
  ExpectWarning(end, texts::kNotChanged);
  ASSERT_TRUE(ui::Answer(end, IDOK));
  DWORD code = 0;
  ASSERT_TRUE(app.WaitExit(&code));
  EXPECT_EQ(code, 2u);
  EXPECT_EQ(support::Read(Product(L"data.dat")), "old");
  EXPECT_EQ(Victim(), victimBefore);
  ASSERT_TRUE(ui::RunUnix("rm -rf '" + support::UnixPath(Product(L"Temp1")) + "'"));

  // The archive in use: nothing fetched, the window stays open with its work folder.
  support::HeldFile archive(Medium(L"a.zip"));
  ASSERT_TRUE(archive.Held());
  Start(updater);
  ASSERT_TRUE(ui::Answer(NextBox(), IDOK));
  ASSERT_TRUE(ui::RunUnix("rm -rf '" + support::UnixPath(Product(L"Temp1")) + "'"));
  Link(Product(L"Temp1"), victim);
  ui::Click(ui::Control(w, ui::kBtnCancel));
  ASSERT_TRUE(app.WaitExit(&code));
  EXPECT_EQ(Victim(), victimBefore);
}

// Another program holds a file of the work folder when the window closes: the window goes at
// once, the folder stays known as ours (its journal goes last), and the next run removes it.
TEST_F(Trust, AWorkFolderHeldAtTheEndStaysOursAndTheNextRunRemovesIt) {
  ASSERT_TRUE(support::WriteFile(Product(L"data.dat"), "old"));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"data.dat", "new"}}));
  Start(updater);
  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  support::HeldFile held(Work(L".backup\\0\\1"), 60000);
  ASSERT_TRUE(held.Held());
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  EXPECT_TRUE(ui::WaitGone(w, 2000)) << "the window waits for the held file";
  DWORD code = 9;
  ASSERT_TRUE(app.WaitExit(&code, 30000));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(support::Exists(Work(L".journal")));
  held.Release();

  EXPECT_EQ(Silent(), 0u);
  ExpectNoWorkFolder();
  EXPECT_EQ(support::Read(Product(L"data.dat")), "new");
}

// What runs is the publisher's: a library beside the updater that is not the build's
// UNZDLL.DLL is never loaded (it would mark its loading), and nothing of the product changes.
TEST_F(Trust, ALibraryThatIsNotTheBuildsIsNeverLoaded) {
  const std::wstring library = Medium(L"UNZDLL.DLL");
  ASSERT_TRUE(
      CopyFileW(support::WindowsPath(TALVO_PLANTED_LIBRARY).c_str(), library.c_str(), FALSE));
  const support::Tree before = support::Snapshot(product);
  const std::wstring log = support::Join(t.Path(), L"run.log");

  EXPECT_EQ(Silent(L" /LOG=\"" + log + L"\""), 2u);

  EXPECT_FALSE(support::Exists(library + L".loaded"));
  EXPECT_EQ(support::Snapshot(product), before);
  char built[2 * HashBytes + 1], found[2 * HashBytes + 1];
  HexText(reinterpret_cast<const BYTE*>(support::Read(TALVO_UNZDLL_HASH).data()), HashBytes, built);
  BYTE hash[HashBytes] = {};
  const HANDLE file = CreateFileW(library.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  EXPECT_TRUE(ImageHash(file, hash));
  CloseHandle(file);
  HexText(hash, HashBytes, found);
  const std::string path = ui::Utf8(library);
  // Outside the check's macro, whose text of the call Windows-1251 cannot hold.
  const std::vector<std::string> said = {
      "UNZDLL.DLL: " + path + u8" има SHA-256 " + found,
      u8"Програмата е компилирана с UNZDLL.DLL със SHA-256 " + std::string(built),
      u8"Съобщение: Библиотеката | " + path +
          u8" | на носителя е повредена или е променена след издаването ѝ.",
      u8"Съобщение: Актуализацията не е завършена. | Продуктът не е променен."};
  EXPECT_TRUE(InOrder(ui::LogEvents(support::Read(log)), said)) << support::Read(log);
}

// The medium's folder reached through a link (a share's or a stick's junction, which its owner
// may move at any time), moved to another medium after the library was read, while the box of
// an interrupted run's recovery is up: the library that runs is the one read, never the other
// medium's (a planted one that marks its loading).
TEST_F(Trust, AMediumLinkMovedAfterTheLibraryWasReadNeverRunsAnotherLibrary) {
  const std::wstring other = t.Sub(L"other"), via = support::Join(t.Path(), L"via");
  for (const wchar_t* name : {L"TalvoUpdate.exe", L"a.zip"})
    ASSERT_TRUE(support::CopyInto(Medium(name), other));
  ASSERT_TRUE(CopyFileW(support::WindowsPath(TALVO_PLANTED_LIBRARY).c_str(),
                        support::Join(other, L"UNZDLL.DLL").c_str(), FALSE));
  Link(via, cd);
  Journal(OurFolder(L"Temp1"), {{TStep::New, 1, "gone.txt"}});
  ASSERT_TRUE(support::WriteFile(Product(L"gone.txt"), "the interrupted run's"));
  Start(support::Join(via, L"TalvoUpdate.exe"));
  ui::Box recovered = NextBox();
  EXPECT_EQ(ui::Utf8(recovered.text), texts::kRecovered);
  ASSERT_TRUE(
      ui::RunUnix("ln -sfn '" + support::UnixPath(other) + "' '" + support::UnixPath(via) + "'"));
  ASSERT_TRUE(ui::Answer(recovered, IDOK));

  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();
  EXPECT_FALSE(support::Exists(support::Join(other, L"UNZDLL.DLL.loaded")));
  EXPECT_EQ(support::Read(Product(L"one.txt")), "1");
}

// Libraries named like the system's beside the updater, with Wine told to prefer them as
// Windows' search would (the names in TALVO_WINE_OVERRIDES, which the test's entry sets): an
// update with the window, its fonts, themes and boxes, and one without, load none.
using PlantedLibraries = Trust;

TEST_F(PlantedLibraries, NamedLikeTheSystemsBesideTheUpdaterNoneIsLoaded) {
  const std::vector<std::wstring> names = support::PlantLibraries(cd, TALVO_PLANTED_LIBRARY);
  ASSERT_FALSE(names.empty()) << "TALVO_WINE_OVERRIDES names none";

  Start(updater);
  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();
  ASSERT_TRUE(support::WriteFile(Product(L"one.txt"), "old"));
  EXPECT_EQ(Silent(), 0u);

  EXPECT_EQ(support::Read(Product(L"one.txt")), "1");
  for (const std::wstring& name : names)
    EXPECT_FALSE(support::Exists(Medium(name + L".loaded")) ||
                 support::Exists(Medium(name + L".imported")))
        << ui::Utf8(name);
}

}  // namespace
}  // namespace run
