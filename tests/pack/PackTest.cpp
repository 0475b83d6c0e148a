// TalvoPack as the publisher runs it: every refusal once, the same archives from the same
// edition, and a floppy medium made from two editions that the real updater applies.
#include <functional>

#include "Publisher.h"

namespace {

using namespace pack;

struct Refusal {
  const char* rule;
  std::function<void(Files& edition, Files& previous, const std::string& unixEdition,
                     const std::wstring& kit)>
      set;
  const wchar_t* args;  // after EDITION OUT
  DWORD code;
  const char* named;           // what the message names
  const char* also = nullptr;  // and another line of it, when the row breaks two rules
};

TEST(Refusals, EachNamesWhatItRefusesWithItsExitCodeAndMakesNothing) {
  const auto touch = [](const std::string& file) {
    ASSERT_TRUE(ui::RunUnix("touch '" + file + "'")) << file;
  };
  // One row a refusal, kept as rows.
  // clang-format off
  const std::vector<Refusal> cases = {
      {"a switch twice", [](Files&, Files&, const std::string&, const std::wstring&) {},
       L"/FLOPPY /floppy", 1, "/PREVIOUS"},
      {"one file on floppies", [](Files&, Files&, const std::string&, const std::wstring&) {},
       L"/ONEFILE /FLOPPY", 1, "/ONEFILE"},
      {"OUT not empty", nullptr, L"", 1, "out:"},
      {"no program", [](Files& e, Files&, const std::string&, const std::wstring&) {
         e.erase(L"Vanto.exe"); }, L"", 2, "Vanto.exe"},
      {"a program without version", [](Files& e, Files&, const std::string&, const std::wstring&) {
         e[L"Vanto.exe"] = run::FakeProductBytes(); }, L"", 2, "Vanto.exe"},
      {"not newer than the previous", [](Files& e, Files& p, const std::string&, const std::wstring&) {
         e[L"Vanto.exe"] = Vanto(TALVO_FAKE_VANTO_2025); p = e; p[L"Vanto.exe"] = Vanto(TALVO_FAKE_VANTO_2026);
         e[L"нов.txt"] = "new"; }, L"/PREVIOUS=previous", 2, "Vanto.exe: "},
      {"another folder", [](Files&, Files&, const std::string& u, const std::wstring&) {
         ASSERT_TRUE(ui::RunUnix("mkdir '" + u + u8"/Данни'")); }, L"", 2, u8"Данни"},
      {"a form at the top", [](Files& e, Files&, const std::string&, const std::wstring&) {
         e[L"Договор.rtf"] = "{\\rtf1}"; }, L"", 2, u8"Договор.rtf"},
      {"no form in Blanks", [](Files& e, Files&, const std::string&, const std::wstring&) {
         e[L"Blanks\\бележка.txt"] = "x"; }, L"", 2, u8"бележка.txt"},
      {"a letter outside 1251", [](Files& e, Files&, const std::string&, const std::wstring&) {
         e[L"café.txt"] = "x"; }, L"", 2, u8"café.txt"},
      {"a device name", [&](Files&, Files&, const std::string& u, const std::wstring&) {
         touch(u + "/aux.txt"); }, L"", 2, u8"aux.txt: име, което Windows не приема"},
      {"a name ending in a dot", [&](Files&, Files&, const std::string& u, const std::wstring&) {
         touch(u + u8"/точка."); }, L"", 2, u8"точка.: име, което Windows не приема"},
      {"a control character, said escaped", [&](Files&, Files&, const std::string& u, const std::wstring&) {
         touch(u + "/esc\x1b[31mred.txt"); }, L"", 2, u8"esc\\x1b[31mred.txt: име, което Windows не приема"},
      {"a name twice", [&](Files&, Files&, const std::string& u, const std::wstring&) {
         touch(u + u8"/Отчет.txt"); touch(u + u8"/ОТЧЕТ.TXT"); }, L"", 2, u8"Отчет.txt"},
      {"a long name", [](Files& e, Files&, const std::string&, const std::wstring&) {
         e[std::wstring(62, L'д') + L".txt"] = "x"; }, L"", 2, u8"ддд.txt"},
      {"the updater's log", [](Files& e, Files&, const std::string&, const std::wstring&) {
         e[L"talvoupdate.log"] = "x"; }, L"", 2, "talvoupdate.log"},
      {"an archive's name", [](Files& e, Files&, const std::string&, const std::wstring&) {
         e[L"talvo2.zip"] = "x"; }, L"/FLOPPY", 2, "talvo2.zip"},
      {"a file no disk holds", [](Files& e, Files&, const std::string&, const std::wstring&) {
         e[L"голям.bin"] = Noise(1460000, 1); }, L"/FLOPPY", 3, u8"голям.bin"},
      {"more than three disks", [](Files& e, Files&, const std::string&, const std::wstring&) {
         for (uint32_t i = 0; i < 4; ++i) e[L"част" + std::to_wstring(i)] = Noise(1300000, i); },
       L"/FLOPPY", 3, u8"три дискети"},
      {"a library not the kit updater's", [](Files&, Files&, const std::string&, const std::wstring& kit) {
         const std::wstring recorder = support::WindowsPath(TALVO_UNZDLL_RECORDER);
         ASSERT_TRUE(CopyFileW(recorder.c_str(), support::Join(kit, L"UNZDLL.DLL").c_str(), FALSE)); },
       L"", 4, u8"UNZDLL.DLL: не е библиотеката, с която е компилиран TalvoUpdate.exe (SHA-256 "},
      {"a link to a file", [&](Files&, Files&, const std::string& u, const std::wstring&) {
         ASSERT_TRUE(ui::RunUnix("echo secret >'" + u + "/../outside.txt' && ln -s '" + u +
                                 "/../outside.txt' '" + u + "/link.txt'")); }, L"", 2, "link.txt: "},
      {"a linked folder", [&](Files&, Files&, const std::string& u, const std::wstring&) {
         ASSERT_TRUE(ui::RunUnix("mkdir '" + u + "/../forms' && ln -s '" + u + "/../forms' '" + u +
                                 "/Blanks2'")); }, L"", 2, "Blanks2: "},
      {"a hard link, and every other rule", [&](Files& e, Files&, const std::string& u, const std::wstring&) {
         e[L"Договор.rtf"] = "{\\rtf1}";
         ASSERT_TRUE(ui::RunUnix("echo secret >'" + u + "/../outside.txt' && ln '" + u +
                                 "/../outside.txt' '" + u + "/hard.txt'")); }, L"", 2,
       u8"hard.txt: файлът има и други имена", u8"Договор.rtf: бланка"},
      {"OUT a link", [&](Files&, Files&, const std::string& u, const std::wstring&) {
         ASSERT_TRUE(ui::RunUnix("mkdir '" + u + "/../elsewhere' && ln -s '" + u + "/../elsewhere' '" +
                                 u + "/../out'")); }, L"", 2, u8"out: е връзка към друго място"},
  };
  // clang-format on
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.rule);
    support::TempDir t;
    const std::wstring exe = Kit(t), kit = t.Sub(L"kit");
    Files edition = {{L"Vanto.exe", Vanto(TALVO_FAKE_VANTO_2026)},
                     {L"readme.txt", "readme"},
                     {L"Blanks\\Фактура.rtf", "{\\rtf1}"}},
          previous;
    const std::wstring dir = t.Sub(L"edition"), out = support::Join(t.Path(), L"out");
    if (c.set)
      c.set(edition, previous, support::UnixPath(dir), kit);
    else
      t.Sub(L"out\\old");
    Lay(dir, edition);
    if (!previous.empty()) Lay(t.Sub(L"previous"), previous);

    const bool had = support::Exists(out);
    const std::vector<std::wstring> inOut = had ? support::List(out) : std::vector<std::wstring>();

    std::string said;
    EXPECT_EQ(RunPack(exe, t.Path(), Quoted(dir) + L" " + Quoted(out) + L" " + c.args, &said),
              c.code);
    EXPECT_NE(said.find(c.named), said.npos) << said;
    if (c.also) {
      EXPECT_NE(said.find(c.also), said.npos) << said;
    }
    EXPECT_EQ(said.find('\x1b'), said.npos) << "a control character said raw";
    EXPECT_EQ(support::Exists(out), had) << "the medium's folder was made";
    if (had) {
      EXPECT_EQ(support::List(out), inOut) << "written into OUT";
    }
  }
}

TEST(Archives, TheSameEditionGivesTheSameBytesAndAnImageThatHoldsThem) {
  support::TempDir t;
  const std::wstring exe = Kit(t);
  Files edition = {{L"Vanto.exe", Vanto(TALVO_FAKE_VANTO_2026)},
                   {L"Тарифи.dat", Noise(40000, 7) + Words(4000, 7)},
                   {L"Blanks\\Платежно нареждане.rtf", Words(300, 8)},
                   {L"Blanks\\Протокол.RTF", "{\\rtf1}"}};
  Lay(t.Sub(L"a"), edition);
  Lay(t.Sub(L"b"), edition);
  std::string said;
  EXPECT_EQ(RunPack(exe, t.Path(), L"a out-a", &said), 0u) << said;
  EXPECT_EQ(RunPack(exe, t.Path(), L"b out-b", &said), 0u) << said;
  // A CD medium: the programs, one archive and its description, the same from each copy.
  EXPECT_EQ(support::List(t.Path() + L"\\out-a"),
            (std::vector<std::wstring>{L"MANIFEST.TXT", L"TALVO.ZIP", L"TalvoUpdate.exe",
                                       L"UNZDLL.DLL"}));
  for (const wchar_t* name : {L"\\TALVO.ZIP", L"\\MANIFEST.TXT"}) {
    const std::string made = support::Read(t.Path() + L"\\out-a" + name);
    EXPECT_GT(made.size(), 0u);
    EXPECT_EQ(made, support::Read(t.Path() + L"\\out-b" + name)) << ui::Utf8(name);
  }

  const std::string out = support::UnixPath(t.Path() + L"\\out-a");
  EXPECT_TRUE(ui::RunUnix("bash '" TALVO_MEDIUM_IMAGES "' '" + out + "' && osirrox -indev '" + out +
                          "/TALVO.ISO' -extract / '" + out + ".iso' && diff -r -x TALVO.ISO '" +
                          out + "' '" + out + ".iso'"));
}

// The floppy scenario of the updater's own tests, on a medium that TalvoPack made.
class PackedFloppy : public run::Update {
protected:
  ui::Floppy drive;
};

TEST_F(PackedFloppy, AFloppyMediumBringsAProductOfThePreviousEditionExactlyToTheNew) {
  // Some two hundred and sixty files with Cyrillic names, forms and a large one.
  Files previous = {{L"Vanto.exe", Vanto(TALVO_FAKE_VANTO_2025)},
                    {L"Тарифи.dat", Noise(700000, 1) + Words(50000, 1)}};
  for (uint32_t i = 0; i < 240; ++i)
    previous[L"Документ " + std::to_wstring(i) + L".txt"] = Words(200 + i * 7, i);
  for (uint32_t i = 0; i < 20; ++i)
    previous[L"Blanks\\Бланка " + std::to_wstring(i) + L".rtf"] = Words(100, 1000 + i);
  Files edition = previous;
  edition[L"Vanto.exe"] = Vanto(TALVO_FAKE_VANTO_2026);
  edition[L"Тарифи.dat"] = Noise(700000, 2) + Words(50000, 2);
  edition.erase(L"Документ 239.txt");
  for (uint32_t i = 0; i < 240; i += 4) edition[L"Документ " + std::to_wstring(i) + L".txt"] += "*";
  for (uint32_t i = 0; i < 20; ++i) edition[L"Нов " + std::to_wstring(i) + L".txt"] = Words(300, i);
  edition[L"Blanks\\Бланка 0.rtf"] = Words(120, 7);
  edition[L"Blanks\\Пълномощно.rtf"] = Words(100, 8);
  Lay(t.Sub(L"previous"), previous);
  Lay(t.Sub(L"edition"), edition);
  Lay(product, previous);

  std::string said;
  const std::wstring out = support::Join(t.Path(), L"medium");
  ASSERT_EQ(RunPack(Kit(t), t.Path(), L"edition medium /FLOPPY /PREVIOUS=previous", &said), 0u)
      << said;
  EXPECT_NE(said.find(u8"Документ 239.txt го няма в новото издание"), said.npos) << said;
  EXPECT_EQ(support::List(out + L"\\DISK1"),
            (std::vector<std::wstring>{L"MANIFEST.TXT", L"TALVO1.ZIP", L"TalvoUpdate.exe",
                                       L"UNZDLL.DLL"}));
  EXPECT_EQ(support::List(out + L"\\DISK2"),
            (std::vector<std::wstring>{L"MANIFEST.TXT", L"TALVO2.ZIP"}));
  EXPECT_EQ(support::List(out + L"\\DISK3"),
            (std::vector<std::wstring>{L"MANIFEST.TXT", L"TALVO3.ZIP"}));
  // The images hold exactly the disks' folders.
  const std::string unix = support::UnixPath(out);
  EXPECT_TRUE(ui::RunUnix(
      "cd '" + unix +
      "' && bash '" TALVO_MEDIUM_IMAGES
      "' . && for d in 1 2 3; "
      "do test $(stat -c %s DISK$d.IMG) = 1474560 && mdir -i DISK$d.IMG :: >/dev/null && "
      "mkdir back$d && mcopy -i DISK$d.IMG '::*' back$d && diff -r DISK$d back$d "
      "|| exit 1; done"));

  ASSERT_TRUE(drive.SwapDisk(out + L"\\DISK1"));
  Start(L"A:\\TalvoUpdate.exe");
  for (int disk = 2; disk <= 3; ++disk) {
    ui::Box ask = NextBox(60000);
    EXPECT_NE(ui::Utf8(ask.text).find(u8"дискета No " + std::to_string(disk)), std::string::npos);
    ASSERT_TRUE(drive.SwapDisk(out + L"\\DISK" + std::to_wstring(disk)));
    ASSERT_TRUE(ui::Answer(ask, IDOK));
  }
  ui::Box done = NextBox(60000);
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();
  // The updater deletes nothing: the file the new edition dropped stays.
  Files expected = edition;
  expected[L"Документ 239.txt"] = previous[L"Документ 239.txt"];
  const Files got = FilesIn(product);
  EXPECT_EQ(got.size(), expected.size());
  for (const auto& f : expected)
    EXPECT_TRUE(got.count(f.first) && got.at(f.first) == f.second) << ui::Utf8(f.first);
}

}  // namespace
