// Media that TalvoPack signs with the publisher's key, as the updater built with its public
// key takes them; each way of damaging or forging one, refused before the product changes,
// with its boxes and exit code; the keys as OpenSSL reads and writes them; and disks of
// another medium at the disk question.
#include "Publisher.h"
#include "TestThread.h"

namespace {

using namespace pack;

std::wstring KeyFile(const char* name) {
  return support::WindowsPath(std::string(TALVO_KEYS) + "/" + name);
}
std::wstring KeyedUpdater() { return support::WindowsPath(TALVO_KEYED_UPDATER); }

// The files of a folder medium copied into to, with this updater.
void CopyMedium(const std::wstring& from, const std::wstring& to, const std::wstring& updater) {
  support::MakeDir(to);
  for (const std::wstring& name : support::List(from))
    ASSERT_TRUE(
        CopyFileW(support::Join(from, name).c_str(), support::Join(to, name).c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(updater.c_str(), support::Join(to, L"TalvoUpdate.exe").c_str(), FALSE));
}

// The line of a text that begins with head, with its CR LF.
std::string LineOf(const std::string& text, const std::string& head) {
  const size_t at = text.find(head);
  return at == text.npos ? "" : text.substr(at, text.find("\r\n", at) + 2 - at);
}

// The text after head.
std::string After(const std::string& text, const std::string& head) {
  const size_t at = text.find(head);
  return at == text.npos ? "" : text.substr(at + head.size(), 64);
}

class Signed : public run::Update {
protected:
  // The previous edition in the product, and the editions of two media.
  void SetUp() override {
    Update::SetUp();
    previous = {{L"Vanto.exe", Vanto(TALVO_FAKE_VANTO_2025)},
                {L"Тарифи.dat", Words(3000, 1)},
                {L"Blanks\\Фактура.rtf", Words(100, 2)}};
    edition = previous;
    edition[L"Vanto.exe"] = Vanto(TALVO_FAKE_VANTO_2026);
    edition[L"Тарифи.dat"] = Words(3000, 3);
    edition[L"нов.txt"] = Noise(5000, 4);
    other = edition;
    other[L"друг.txt"] = Words(50, 5);
    Lay(t.Sub(L"previous"), previous);
    Lay(t.Sub(L"edition"), edition);
    Lay(t.Sub(L"other"), other);
    Lay(product, previous);
  }

  // TalvoPack of the kit makes a medium of edition in t's folder out.
  void Make(const std::wstring& pack, const wchar_t* edition, const wchar_t* out,
            const std::wstring& more, std::string* said = nullptr) {
    std::string output;
    ASSERT_EQ(RunPack(pack, t.Path(),
                      std::wstring(edition) + L" " + out + L" /PREVIOUS=previous " + more, &output),
              0u)
        << output;
    if (said) *said = output;
  }

  // The success question, answered without starting the product, and the product as files.
  void ExpectUpdatedTo(const Files& files) {
    ui::Box done = NextBox(60000);
    ExpectSuccessQuestion(done);
    ASSERT_TRUE(ui::Answer(done, IDCANCEL));
    ExpectClosedAndClean();
    EXPECT_EQ(FilesIn(product), files);
  }

  void RestoreProduct() {
    ASSERT_TRUE(support::RemoveTree(product));
    Lay(product, previous);
  }

  Files previous, edition, other;
};

struct Case {
  const char* what;
  const wchar_t* from;     // the medium the case starts from
  bool keyed;              // to the updater built with the publisher's key
  const wchar_t* flip;     // a file of which a byte is changed
  const wchar_t* drop;     // a file taken away
  const wchar_t* taken;    // the other medium's archive put there under this name
  bool redescribed;        // its line put into the description too
  const wchar_t* damaged;  // the archive the first box names; null: the box of no signature
  bool updates;            // no box: the update completes
};

TEST_F(Signed, EachDamageOrForgeryIsRefusedBeforeTheProductChanges) {
  const std::wstring keyed = Kit(t, L"keyed-kit", KeyedUpdater()), plain = Kit(t);
  const std::wstring publisher = L"/KEY=" + Quoted(KeyFile("publisher.pem"));
  std::string said;
  Make(keyed, L"edition", L"signed", publisher, &said);
  Make(keyed, L"other", L"other-medium", publisher);
  Make(plain, L"edition", L"other-key", L"/KEY=" + Quoted(KeyFile("other.pem")));
  Make(plain, L"edition", L"unsigned", L"");
  const std::wstring hand = t.Sub(L"hand");
  ASSERT_FALSE(ui::MakeMedium(hand).empty());
  ASSERT_TRUE(support::WriteZip(support::Join(hand, L"a.zip"), {{"readme.txt", "made by hand"}}));

  const wchar_t* const zip = L"TALVO.ZIP";
  const Case cases[] = {
      {"a byte of the archive changed", L"signed", true, zip, nullptr, nullptr, false, zip, false},
      {"the archive of another medium", L"signed", true, nullptr, nullptr, zip, false, zip, false},
      {"an archive more", L"signed", true, nullptr, nullptr, L"EXTRA.ZIP", false, L"EXTRA.ZIP",
       false},
      {"the archive taken away", L"signed", true, nullptr, zip, nullptr, false, zip, false},
      {"the description taken away", L"signed", true, nullptr, L"MANIFEST.TXT", nullptr, false,
       nullptr, false},
      {"the signature taken away", L"signed", true, nullptr, L"MANIFEST.SIG", nullptr, false,
       nullptr, false},
      {"another archive, described", L"signed", true, nullptr, nullptr, zip, true, nullptr, false},
      {"signed with another key", L"other-key", true, nullptr, nullptr, nullptr, false, nullptr,
       false},
      {"not signed", L"unsigned", true, nullptr, nullptr, nullptr, false, nullptr, false},
      {"the signed medium", L"signed", true, nullptr, nullptr, nullptr, false, nullptr, true},
      // Built without a key: the description still tells a damaged archive.
      {"damaged, without a key", L"unsigned", false, zip, nullptr, nullptr, false, zip, false},
      {"signed, without a key", L"other-key", false, nullptr, nullptr, nullptr, false, nullptr,
       true},
      {"made by hand, without a key", L"hand", false, nullptr, nullptr, nullptr, false, nullptr,
       true},
  };
  const auto in = [](const std::wstring& dir, const wchar_t* name) {
    return support::Join(dir, name);
  };
  const std::wstring otherMedium = t.Sub(L"other-medium");
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring medium = t.Sub(L"case" + std::to_wstring(++n));
    CopyMedium(in(t.Path(), c.from), medium, c.keyed ? KeyedUpdater() : ui::UpdaterExe());
    if (c.flip) {
      std::string bytes = support::Read(in(medium, c.flip));
      bytes[bytes.size() / 2] ^= 1;
      ASSERT_TRUE(support::WriteFile(in(medium, c.flip), bytes));
    }
    ASSERT_TRUE(!c.drop || DeleteFileW(in(medium, c.drop).c_str()));
    ASSERT_TRUE(!c.taken ||
                CopyFileW(in(otherMedium, zip).c_str(), in(medium, c.taken).c_str(), FALSE));
    if (c.redescribed) {
      std::string text = support::Read(in(medium, L"MANIFEST.TXT"));
      const std::string line = LineOf(text, "archive ");
      text.replace(text.find(line), line.size(),
                   LineOf(support::Read(in(otherMedium, L"MANIFEST.TXT")), "archive "));
      ASSERT_TRUE(support::WriteFile(in(medium, L"MANIFEST.TXT"), text));
    }
    const bool byHand = std::wstring(c.from) == L"hand";
    Files expected = c.updates && !byHand ? edition : previous;
    if (c.updates && byHand) expected[L"readme.txt"] = "made by hand";
    const std::string first =
        c.damaged ? texts::Damaged(ui::Utf8(in(medium, c.damaged))) : texts::kNotSigned;

    // With the window: the box that says why, then how the update ended.
    RestoreProduct();
    Start(in(medium, L"TalvoUpdate.exe"));
    if (c.updates) {
      ExpectUpdatedTo(expected);
    } else {
      ui::Box box = NextBox(60000);
      ExpectError(box, first);
      ASSERT_TRUE(ui::Answer(box, IDOK));
      ui::Box end = NextBox();
      ExpectWarning(end, texts::kNotChanged);
      ASSERT_TRUE(ui::Answer(end, IDOK));
      ExpectClosedAndClean(2);
      EXPECT_EQ(FilesIn(product), expected);
    }

    // Unattended: the exit code, and the log says why.
    RestoreProduct();
    ui::App silent;
    DWORD code = 99;
    ASSERT_TRUE(
        silent.Start(in(medium, L"TalvoUpdate.exe"), t.Path(), L"/SILENT /DIR=" + Quoted(product)));
    ASSERT_TRUE(silent.WaitExit(&code, 60000));
    EXPECT_EQ(code, c.updates ? 0u : 2u);
    EXPECT_EQ(FilesIn(product), expected);
    const auto log = ui::LogEvents(support::Read(Product(L"TalvoUpdate.log")));
    if (!c.updates) {
      EXPECT_TRUE(run::InOrder(log, {u8"Съобщение: " + texts::Lines(first, " | ")}));
    }
    if (c.keyed && c.updates) {
      // The key the updater was built with is the one TalvoPack signed with (each
      // fingerprint made by its own code), and each step of the check is in the log.
      const std::string manifest = support::Read(in(medium, L"MANIFEST.TXT"));
      EXPECT_TRUE(run::InOrder(
          log, {u8"Ключ на издателя (SHA-256): " + After(said, u8"с ключа SHA-256 ").substr(0, 64),
                u8"Описание на носителя: " + ui::Utf8(in(medium, L"MANIFEST.TXT")) + " " +
                    texts::Lines(manifest.substr(0, manifest.size() - 2), " "),
                u8"Подписът на издателя е проверен: " + ui::Utf8(in(medium, L"MANIFEST.SIG")),
                u8"Архив: TALVO.ZIP " + manifest.substr(manifest.size() - 66, 64) +
                    u8" (SHA-256) съответства на описанието"}))
          << ::testing::PrintToString(log);
    }
  }
}

TEST(Keys, TalvoPackMakesAndReadsKeysAsOpenSslDoesAndSignsOnlyWithTheKitUpdatersKey) {
  support::TempDir t;
  const std::wstring plain = Kit(t), keyed = Kit(t, L"keyed-kit", KeyedUpdater());
  std::string said;
  // A new pair that OpenSSL reads, with the fingerprint the updater's build gives it; never
  // made over an earlier one.
  ASSERT_EQ(RunPack(plain, t.Path(), L"/NEWKEY=keys", &said), 0u) << said;
  const std::string keys = support::UnixPath(support::Join(t.Path(), L"keys"));
  ASSERT_TRUE(ui::RunUnix(
      "cd '" + keys +
      "' && openssl rsa -in private.pem -check -noout >/dev/null && "
      "openssl rsa -in private.pem -text -noout | grep -q '(3072 bit' && "
      "openssl pkey -pubin -in public.pem -outform DER | sha256sum | cut -c1-64 >print"));
  const std::string print = support::Read(support::Join(t.Path(), L"keys\\print"));
  EXPECT_NE(said.find(print.substr(0, 64)), said.npos) << said;
  EXPECT_EQ(RunPack(plain, t.Path(), L"/NEWKEY=keys", &said), 1u);
  EXPECT_NE(said.find(u8"вече съществува"), said.npos) << said;

  // Signatures OpenSSL verifies: with TalvoPack's key (PKCS#1) and with OpenSSL's (PKCS#8).
  Lay(t.Sub(L"edition"), {{L"Vanto.exe", Vanto(TALVO_FAKE_VANTO_2026)}, {L"a.txt", "a"}});
  const std::string own = keys + "/private.pem", openssl = support::UnixPath(KeyFile("other.pem"));
  int n = 0;
  for (const std::string& key : {own, openssl}) {
    const std::wstring out = L"out" + std::to_wstring(++n);
    ASSERT_EQ(
        RunPack(plain, t.Path(), L"edition " + out + L" /KEY=" + support::WindowsPath(key), &said),
        0u)
        << said;
    const std::string dir = support::UnixPath(support::Join(t.Path(), out));
    EXPECT_TRUE(ui::RunUnix(
        "cd '" + dir + "' && openssl pkey -in '" + key +
        "' -pubout -out pub && "
        "openssl dgst -sha256 -verify pub -signature MANIFEST.SIG MANIFEST.TXT >/dev/null"))
        << key;
  }

  // Refused, with nothing made: a public key; the kit's updater takes media of one key only.
  const struct {
    const std::wstring pack;
    std::wstring args;
    const char* named;
  } refusals[] = {
      {plain, L"/KEY=keys\\public.pem", u8"не е частен ключ"},
      {keyed, L"", u8"дайте частния му ключ с /KEY"},
      {keyed, L"/KEY=keys\\private.pem", u8"/KEY е друг ключ"},
      {plain, L"/NEWKEY=more", "/NEWKEY"},
  };
  for (const auto& r : refusals) {
    EXPECT_EQ(RunPack(r.pack, t.Path(), L"edition refused " + r.args, &said), 1u)
        << ui::Utf8(r.args);
    EXPECT_NE(said.find(r.named), said.npos) << said;
    EXPECT_FALSE(support::Exists(support::Join(t.Path(), L"refused")));
  }
}

// Two runs at once into one folder: each key file is made by one of them, and a run that
// says it made a pair leaves that very pair.
TEST(Keys, TwoNewKeyRunsAtOnceNeverLeaveASuccessWithoutItsPair) {
  support::TempDir t;
  const std::wstring plain = Kit(t);
  std::string said[2];
  DWORD code[2];
  {
    TTestThread other([&] { code[1] = RunPack(plain, t.Path(), L"/NEWKEY=keys", &said[1]); });
    code[0] = RunPack(plain, t.Path(), L"/NEWKEY=keys", &said[0]);
  }
  const std::string keys = support::UnixPath(support::Join(t.Path(), L"keys"));
  ASSERT_TRUE(ui::RunUnix("cd '" + keys +
                          "' && openssl pkey -in private.pem -pubout -outform DER >a && "
                          "openssl pkey -pubin -in public.pem -outform DER >b && cmp -s a b && "
                          "sha256sum <b | cut -c1-64 >print"))
      << said[0] << said[1];
  const std::string print = support::Read(support::Join(t.Path(), L"keys\\print")).substr(0, 64);
  EXPECT_EQ(1, (code[0] == 0) + (code[1] == 0)) << said[0] << said[1];
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(code[i] == 0, said[i].find(print) != said[i].npos) << said[i];
}

// Libraries named like the system's in the kit, with Wine told to prefer them as Windows'
// search would (TALVO_WINE_OVERRIDES): TalvoPack makes a key and a signed medium and loads
// none of them.
TEST(PlantedLibraries, NamedLikeTheSystemsInTheKitNoneIsLoaded) {
  support::TempDir t;
  const std::wstring plain = Kit(t), kit = support::Join(t.Path(), L"kit");
  const std::vector<std::wstring> names = support::PlantLibraries(kit, TALVO_PLANTED_LIBRARY);
  ASSERT_FALSE(names.empty()) << "TALVO_WINE_OVERRIDES names none";
  Lay(t.Sub(L"edition"), {{L"Vanto.exe", Vanto(TALVO_FAKE_VANTO_2026)}, {L"a.txt", "a"}});
  std::string said;

  EXPECT_EQ(RunPack(plain, t.Path(), L"/NEWKEY=keys", &said), 0u) << said;
  EXPECT_EQ(RunPack(plain, t.Path(), L"edition out /KEY=keys\\private.pem", &said), 0u) << said;

  for (const std::wstring& name : names)
    EXPECT_FALSE(support::Exists(support::Join(kit, name + L".loaded")) ||
                 support::Exists(support::Join(kit, name + L".imported")))
        << ui::Utf8(name);
}

class SignedFloppy : public Signed {
protected:
  ui::Floppy drive;

  void ExpectDiskQuestion(int disk) {
    ask = NextBox(60000);
    EXPECT_EQ(ui::Utf8(ask.text), texts::Disk(disk));
  }
  void Insert(const std::wstring& disk) {
    ASSERT_TRUE(drive.SwapDisk(support::Join(t.Path(), disk)));
    ASSERT_TRUE(ui::Answer(ask, IDOK));
  }
  void ExpectNotDisk(int disk) {
    ui::Box box = NextBox();
    ExpectWarning(box, texts::NotDisk(disk));
    ASSERT_TRUE(ui::Answer(box, IDOK));
  }

  ui::Box ask;
};

TEST_F(SignedFloppy, ADiskOfAnotherMediumOrNumberIsAskedForAgain) {
  const std::wstring keyed = Kit(t, L"keyed-kit", KeyedUpdater());
  const std::wstring publisher = L"/FLOPPY /KEY=" + Quoted(KeyFile("publisher.pem"));
  Make(keyed, L"edition", L"a", publisher);
  Make(keyed, L"other", L"b", publisher);

  ASSERT_TRUE(drive.SwapDisk(support::Join(t.Path(), L"a\\DISK1")));
  Start(L"A:\\TalvoUpdate.exe");
  ExpectDiskQuestion(2);
  Insert(L"b\\DISK2");  // another medium's
  ExpectNotDisk(2);
  ExpectDiskQuestion(2);
  Insert(L"a\\DISK3");  // another number
  ExpectNotDisk(2);
  // Cancel, then no abort: the run goes on with the disk in the drive, still the wrong one.
  ExpectDiskQuestion(2);
  ASSERT_TRUE(ui::Answer(ask, IDCANCEL));
  ui::Box abort = NextBox();
  ASSERT_TRUE(ui::Answer(abort, IDCANCEL));
  ExpectNotDisk(2);
  ExpectDiskQuestion(2);
  Insert(L"a\\DISK2");
  ExpectDiskQuestion(3);
  Insert(L"a\\DISK3");
  ExpectUpdatedTo(edition);
}

// A medium of one disk on a removable drive (a CD's folder on a memory stick) is asked for
// no second one.
TEST_F(SignedFloppy, AMediumOfOneDiskOnARemovableDriveIsOnePass) {
  Make(Kit(t), L"edition", L"stick", L"");
  ASSERT_TRUE(drive.SwapDisk(support::Join(t.Path(), L"stick")));
  Start(L"A:\\TalvoUpdate.exe");
  ExpectUpdatedTo(edition);
}

const std::string kOlderMedium =
    u8"Носителят съдържа по-старо издание на Талво (2025.4.5.6)\r\nот инсталираното "
    u8"(2026.1.2.3).\r\nНаистина ли искате да продължите?";

std::string Missing(int disk, const std::wstring& folder) {
  return u8"Носителят е от 3 диска, а диск No " + std::to_string(disk) + u8" липсва:\r\n" +
         ui::Utf8(folder);
}

// A floppy medium kept as its three folders side by side (a share, a stick, a hard disk):
// every disk is taken from its folder without a question, or the run is refused before
// anything changes.
class Folders : public Signed {
protected:
  DWORD Silent(const std::wstring& disk1) {
    updater = support::Join(disk1, L"TalvoUpdate.exe");
    return RunToEnd(L"/SILENT /DIR=" + Quoted(product));
  }
  // With the window: the first box has this text and icon; the product has not changed.
  void ExpectRefused(const std::wstring& disk1, const std::string& first, ui::Icon icon) {
    Start(support::Join(disk1, L"TalvoUpdate.exe"));
    ui::Box box = NextBox(60000);
    EXPECT_EQ(ui::Utf8(box.text), first);
    EXPECT_EQ(box.icon, icon);
    for (const auto& f : before)  // the run's own files lie beside them meanwhile
      EXPECT_EQ(support::Read(Product(f.first)), f.second) << ui::Utf8(f.first);
    ASSERT_TRUE(ui::Answer(box, icon == ui::Icon::Error ? IDOK : IDCANCEL));
    ui::Box end = NextBox();
    ExpectWarning(end, texts::kNotChanged);
    ASSERT_TRUE(ui::Answer(end, IDOK));
    ExpectClosedAndClean(2);
    EXPECT_EQ(FilesIn(product), before);
  }

  Files before;
};

TEST_F(Folders, FromAFixedDriveEveryDiskIsTakenOrTheMediumIsRefusedWhole) {
  Make(Kit(t), L"edition", L"m", L"/FLOPPY");
  const std::wstring m = support::Join(t.Path(), L"m"), disk1 = support::Join(m, L"DISK1");
  Start(support::Join(disk1, L"TalvoUpdate.exe"));
  ExpectUpdatedTo(edition);
  RestoreProduct();
  EXPECT_EQ(Silent(disk1), 0u);
  EXPECT_EQ(FilesIn(product), edition);

  RestoreProduct();
  before = previous;
  ASSERT_TRUE(MoveFileW(support::Join(m, L"DISK3").c_str(), support::Join(m, L"three").c_str()));
  ASSERT_NO_FATAL_FAILURE(
      ExpectRefused(disk1, Missing(3, support::Join(m, L"DISK3")), ui::Icon::Error));
  EXPECT_EQ(Silent(disk1), 2u);
  EXPECT_EQ(FilesIn(product), previous);
  EXPECT_TRUE(run::InOrder(
      ui::LogEvents(support::Read(Product(L"TalvoUpdate.log"))),
      {u8"Липсва диск No 3: " + ui::Utf8(support::Join(m, L"DISK3")),
       u8"Край: актуализацията не е завършена; продуктът не е променен (код на изход 2)"}));
}

// The edition the description names is the medium's, whichever disk brings the program.
TEST_F(Folders, AnOlderSignedMediumAsksBeforeAnythingChangesAndItsFirstDiskAloneIsRefused) {
  std::string said;
  ASSERT_EQ(RunPack(Kit(t, L"keyed-kit", KeyedUpdater()), t.Path(),
                    L"previous old /FLOPPY /KEY=" + Quoted(KeyFile("publisher.pem")), &said),
            0u)
      << said;
  const std::wstring old = support::Join(t.Path(), L"old"), disk1 = support::Join(old, L"DISK1");
  ASSERT_TRUE(support::RemoveTree(product));
  Lay(product, edition);
  before = edition;
  ASSERT_NO_FATAL_FAILURE(ExpectRefused(disk1, kOlderMedium, ui::Icon::Warning));
  EXPECT_EQ(Silent(disk1), 2u);
  EXPECT_EQ(FilesIn(product), edition);

  for (const wchar_t* disk : {L"DISK2", L"DISK3"})
    ASSERT_TRUE(support::RemoveTree(support::Join(old, disk)));
  ASSERT_NO_FATAL_FAILURE(
      ExpectRefused(disk1, Missing(2, support::Join(old, L"DISK2")), ui::Icon::Error));
  EXPECT_EQ(Silent(disk1), 2u);
  EXPECT_EQ(FilesIn(product), edition);
}

// A medium is the one its first disk's description named when it was read: the folders of
// all three disks swapped for those of another medium of the same publisher while a box of
// the first pass is up, the run never applies them and the product ends as it was.
TEST_F(Folders, DisksOfAnotherMediumSwappedInDuringTheRunAreNeverApplied) {
  const std::wstring keyed = Kit(t, L"keyed-kit", KeyedUpdater());
  const std::wstring publisher = L"/FLOPPY /KEY=" + Quoted(KeyFile("publisher.pem"));
  Make(keyed, L"edition", L"m", publisher);
  Make(keyed, L"other", L"o", publisher);
  // Every file of the medium replaces one of the product, each held: disk 1's waits.
  ASSERT_TRUE(support::WriteFile(Product(L"нов.txt"), "old"));
  before = FilesIn(product);
  std::vector<std::unique_ptr<support::HeldFile>> held;
  for (const wchar_t* name : {L"Vanto.exe", L"Тарифи.dat", L"нов.txt"}) {
    held.push_back(std::make_unique<support::HeldFile>(Product(name)));
    ASSERT_TRUE(held.back()->Held()) << ui::Utf8(name);
  }
  const std::string m = support::UnixPath(support::Join(t.Path(), L"m")),
                    o = support::UnixPath(support::Join(t.Path(), L"o"));
  Start(support::Join(t.Path(), L"m\\DISK1\\TalvoUpdate.exe"));
  ui::Box box = NextBox(60000);
  EXPECT_NE(ui::Utf8(box.text).find(u8"се използва"), std::string::npos) << ui::Utf8(box.text);
  ASSERT_TRUE(ui::RunUnix("for d in DISK1 DISK2 DISK3; do mv '" + m + "'/$d '" + m +
                          "'/$d.was && mv '" + o + "'/$d '" + m + "'/$d || exit 1; done"));
  held.clear();
  ASSERT_TRUE(ui::Answer(box, IDOK));

  ui::Box wrong = NextBox(60000);
  ExpectWarning(wrong, texts::NotDisk(2));
  ASSERT_TRUE(ui::Answer(wrong, IDOK));
  ui::Box end = NextBox();
  ExpectWarning(end, texts::kRolledBack);
  ASSERT_TRUE(ui::Answer(end, IDOK));
  ExpectClosedAndClean(2);
  EXPECT_EQ(FilesIn(product), before);
}

class FloppyFolders : public Folders {
protected:
  ui::Floppy drive;
};

// Nobody to change the disks: a medium of three floppies in the drive is refused unattended.
TEST_F(FloppyFolders, AFloppyMediumUnattendedIsRefusedBeforeAnythingChanges) {
  Make(Kit(t), L"edition", L"m", L"/FLOPPY");
  ASSERT_TRUE(drive.SwapDisk(support::Join(t.Path(), L"m\\DISK1")));
  EXPECT_EQ(Silent(L"A:"), 2u);
  EXPECT_EQ(FilesIn(product), previous);
  EXPECT_TRUE(run::InOrder(ui::LogEvents(support::Read(Product(L"TalvoUpdate.log"))),
                           {u8"Съобщение: " + texts::Lines(Missing(2, L"A:\\DISK2"), " | ")}));
}

}  // namespace
