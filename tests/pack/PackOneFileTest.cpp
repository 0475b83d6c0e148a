// One file as the whole medium: renamed, signed with Authenticode after TalvoPack made it and
// saved among someone else's UNZDLL.DLL and TALVO.ZIP and libraries named like the system's
// (Wine told to prefer them: TALVO_WINE_OVERRIDES), it brings the product to the new edition
// with and without the window, taking nothing from beside it; damaged anywhere, cut short or
// signed with another key, it is refused before the product changes.
#include <string.h>

#include <functional>

#include "Publisher.h"

namespace {

using namespace pack;

std::string KeyFile(const char* name) { return std::string(TALVO_KEYS) + "/" + name; }

uint32_t Dword(const std::string& bytes, size_t at) {
  uint32_t value;
  memcpy(&value, bytes.data() + at, 4);
  return value;
}

// Where a member lies in a one file as TalvoPack writes it (the table at its end): its offset
// and size, or 0 and 0.
std::pair<size_t, size_t> Member(const std::string& file, const std::string& name) {
  const size_t count = Dword(file, file.size() - 16), table = file.size() - 16 - count * 24;
  for (size_t at = table; at < file.size() - 16; at += 24)
    if (name == file.c_str() + at) return {Dword(file, at + 16), Dword(file, at + 20)};
  return {0, 0};
}

class OneFile : public run::Update {
protected:
  void SetUp() override {
    Update::SetUp();
    previous = {{L"Vanto.exe", Vanto(TALVO_FAKE_VANTO_2025)}, {L"Тарифи.dat", Words(3000, 1)}};
    edition = previous;
    edition[L"Vanto.exe"] = Vanto(TALVO_FAKE_VANTO_2026);
    edition[L"нов.txt"] = Noise(5000, 4);
    edition[L"Blanks\\Фактура.rtf"] = Words(100, 2);
    Lay(t.Sub(L"previous"), previous);
    Lay(t.Sub(L"edition"), edition);
    Lay(product, previous);
    // A downloads folder that other sites wrote to as well.
    downloads = t.Sub(L"Изтеглени");
    const std::wstring foreign = support::WindowsPath(TALVO_UNZDLL_RECORDER);
    ASSERT_TRUE(CopyFileW(foreign.c_str(), Saved(L"UNZDLL.DLL").c_str(), FALSE));
    ASSERT_TRUE(support::WriteZip(Saved(L"TALVO.ZIP"), {{"чужд.txt", "someone else's"}}));
    planted = support::PlantLibraries(downloads, TALVO_PLANTED_LIBRARY);
    ASSERT_FALSE(planted.empty()) << "TALVO_WINE_OVERRIDES names none";
  }

  // The one file that TalvoPack of kit makes of the edition into out, alone there.
  std::string Make(const std::wstring& kit, const wchar_t* out, const std::wstring& more) {
    std::string said;
    EXPECT_EQ(
        RunPack(kit, t.Path(),
                L"edition " + std::wstring(out) + L" /PREVIOUS=previous /ONEFILE " + more, &said),
        0u)
        << said;
    EXPECT_EQ(support::List(t.Sub(out)), std::vector<std::wstring>{L"TalvoUpdate.exe"});
    return support::Read(support::Join(t.Sub(out), L"TalvoUpdate.exe"));
  }

  std::wstring Saved(const wchar_t* name) const { return support::Join(downloads, name); }

  // Saved into the downloads as the updater the scenario runs.
  void Save(const std::string& bytes) {
    updater = Saved(L"Талво 2026.exe");
    ASSERT_TRUE(support::WriteFile(updater, bytes));
  }

  // The product's files, the log aside.
  Files Now() const {
    Files now = FilesIn(product);
    now.erase(L"TalvoUpdate.log");
    return now;
  }

  // None of the libraries planted in the downloads was loaded.
  void ExpectNoneLoaded() const {
    for (const std::wstring& name : planted)
      EXPECT_FALSE(support::Exists(Saved((name + L".loaded").c_str())) ||
                   support::Exists(Saved((name + L".imported").c_str())))
          << ui::Utf8(name);
  }

  Files previous, edition;
  std::wstring downloads;
  std::vector<std::wstring> planted;
};

TEST_F(OneFile, RenamedSignedAndAmongForeignFilesItUpdatesWithAndWithoutTheWindow) {
  const std::wstring kit = Kit(t);
  const std::string made = Make(kit, L"one", L"");
  // The updater, the library and the archive, and hardly more.
  const size_t carried = support::Read(ui::UpdaterExe()).size() +
                         support::Read(support::Join(t.Sub(L"kit"), L"UNZDLL.DLL")).size() +
                         Member(made, "TALVO.ZIP").second;
  EXPECT_LE(made.size(), carried + 4096);
  EXPECT_EQ(made.size() % 8, 0u);

  // Signed afterwards with a throwaway certificate, as the publisher signs it.
  const std::string dir = support::UnixPath(t.Path()), file = dir + "/signed.exe";
  ASSERT_TRUE(support::WriteFile(support::Join(t.Path(), L"signed.exe"), made));
  ASSERT_TRUE(ui::RunUnix("cd '" + dir +
                          "' && openssl req -x509 -newkey rsa:2048 -nodes "
                          "-subj /CN=Throwaway -days 2 -keyout k.pem -out c.pem 2>/dev/null && "
                          "TALVO_SIGN_CERT=c.pem TALVO_SIGN_KEY=k.pem bash '" TALVO_SIGN_SCRIPT
                          "' signed.exe >/dev/null && "
                          "osslsigncode verify -CAfile c.pem -in signed.exe >/dev/null 2>&1"));
  Save(support::Read(support::Join(t.Path(), L"signed.exe")));

  Start(updater);
  ui::Box done = NextBox(60000);
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();
  EXPECT_EQ(Now(), edition);

  ASSERT_TRUE(support::RemoveTree(product));
  Lay(product, previous);
  EXPECT_EQ(RunToEnd(L"/SILENT /DIR=\"" + product + L"\""), 0u);
  EXPECT_EQ(Now(), edition);
  ExpectNoWorkFolder();
  ExpectNoneLoaded();
}

struct Case {
  const char* what;
  bool keyed;  // made and run by the updater built with the publisher's key
  std::function<void(std::string& file, const std::wstring& dir)> spoil;
  const char* told;  // the box, as the log has it
};

TEST_F(OneFile, DamagedCutShortOrSignedWithAnotherKeyIsRefusedBeforeTheProductChanges) {
  const std::string plain = Make(Kit(t), L"plain", L"");
  const std::string keyed =
      Make(Kit(t, L"keyed-kit", support::WindowsPath(TALVO_KEYED_UPDATER)), L"keyed",
           L"/KEY=" + support::WindowsPath(KeyFile("publisher.pem")));
  const auto flip = [](const char* member) {
    return [member](std::string& file, const std::wstring&) {
      const auto at = Member(file, member);
      ASSERT_NE(at.second, 0u);
      file[at.first + at.second / 2] ^= 1;
    };
  };
  const std::string damaged = u8"Файлът | " + ui::Utf8(Saved(L"Талво 2026.exe")) +
                              u8" | е повреден или непълен. Изтеглете го отново.";
  const Case cases[] = {
      {"a byte of the archive", false, flip("TALVO.ZIP"), damaged.c_str()},
      {"a byte of the description", false, flip("MANIFEST.TXT"), damaged.c_str()},
      {"a byte of the library", false, flip("UNZDLL.DLL"), damaged.c_str()},
      {"an offset of the table", false,
       [](std::string& file, const std::wstring&) { file[file.size() - 21] ^= 0x40; },
       damaged.c_str()},
      {"the last kilobytes cut off", false,
       [](std::string& file, const std::wstring&) { file.resize(file.size() - 2048); },
       damaged.c_str()},
      {"signed with another key", true,
       [](std::string& file, const std::wstring& dir) {
         const auto text = Member(file, "MANIFEST.TXT"), sig = Member(file, "MANIFEST.SIG");
         ASSERT_TRUE(support::WriteFile(support::Join(dir, L"m.txt"),
                                        file.substr(text.first, text.second)));
         const std::string unix = support::UnixPath(dir);
         ASSERT_TRUE(ui::RunUnix("openssl dgst -sha256 -sign '" + KeyFile("other.pem") +
                                 "' -out '" + unix + "/m.sig' '" + unix + "/m.txt'"));
         const std::string other = support::Read(support::Join(dir, L"m.sig"));
         ASSERT_EQ(other.size(), sig.second);
         file.replace(sig.first, sig.second, other);
       },
       u8"Носителят не е подписан от издателя на Талво."},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string file = c.keyed ? keyed : plain;
    c.spoil(file, t.Path());
    Save(file);
    const std::wstring log = support::Join(t.Path(), L"run" + std::to_wstring(++n) + L".log");
    EXPECT_EQ(RunToEnd(L"/SILENT /DIR=\"" + product + L"\" /LOG=\"" + log + L"\""), 2u);
    EXPECT_EQ(Now(), previous);
    EXPECT_TRUE(
        run::InOrder(ui::LogEvents(support::Read(log)),
                     {u8"Съобщение: " + std::string(c.told),
                      u8"Съобщение: Актуализацията не е завършена. | Продуктът не е променен."}))
        << support::Read(log);
  }
}

}  // namespace
