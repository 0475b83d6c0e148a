// The updater as an administrator runs it: switches on the command line, no window with
// /SILENT, the exit code, and the log left for support.
#include "Update.h"

#include <algorithm>
#include <utility>

namespace run {
namespace {

using Names = std::vector<std::wstring>;
using Events = std::vector<std::string>;

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

BOOL CALLBACK FindWindowOf(HWND w, LPARAM lp) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  auto* seen = reinterpret_cast<std::pair<DWORD, HWND>*>(lp);
  if (pid != seen->first) return TRUE;
  seen->second = w;
  return FALSE;
}

class Unattended : public Update {
protected:
  // Starts the updater with these switches and waits for its end, looking at the top-level
  // windows of its process all the while. The exit code, or 99 when it does not end.
  DWORD RunToEnd(const std::wstring& args) {
    ui::App run;
    if (!run.Start(updater, t.Path(), args)) return 99;
    window.clear();
    DWORD code = 99;
    const DWORD start = GetTickCount();
    while (!run.WaitExit(&code, 10) && GetTickCount() - start < 30000) {
      std::pair<DWORD, HWND> seen(run.Pid(), nullptr);
      EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&seen));
      if (seen.second && window.empty()) window = ui::ClassName(seen.second) + L" " + ui::Text(seen.second);
    }
    return code;
  }

  Events Log(const std::wstring& path) { return ui::LogEvents(Read(path)); }

  std::string Ansi(const std::wstring& text) { return ui::Utf8(ui::Wide(ui::Narrow(text, CP_ACP))); }

  // The first lines of every run: the updater, its command line, the medium.
  Events Opening(const std::wstring& args) {
    return {u8"TalvoUpdate 1.0.0.0, команден ред: " + Ansi(Quoted(updater) + L" " + args),
            u8"Носител: " + Ansi(cd) + u8" (твърд диск)"};
  }

  std::wstring window;  // the first window of the updater's process seen, if any
};

TEST_F(Unattended, SilentFromAFixedDriveUpdatesWithoutAWindowAndLogsTheRun) {
  // A file of the log's name in an archive is not the product's: the log stays whole.
  ASSERT_TRUE(ui::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"},
                                              {"FORM.RTF", "f"},
                                              {"Vanto.exe", "new"},
                                              {"TalvoUpdate.log", "junk"}}));
  const std::wstring args = L"/SILENT /DIR=" + Quoted(product);
  EXPECT_EQ(RunToEnd(args), 0u);

  EXPECT_EQ(window, L"") << "a window of the updater appeared";
  EXPECT_EQ(Read(Product(L"one.txt")), "1");
  EXPECT_EQ(Read(Product(L"Blanks\\FORM.RTF")), "f");
  EXPECT_EQ(Read(Product(L"Vanto.exe")), "new");
  ExpectNoWorkFolder();
  EXPECT_EQ(ProductRun(500), "") << "the product was started";
  Events expected = Opening(args);
  const Events rest = {
      u8"Папка на продукта: " + Ansi(product),
      u8"Копиран архив: a.zip",
      u8"Разархивиране: a.zip",
      u8"Добавен: " + Ansi(Product(L"Blanks\\FORM.RTF")) + u8" (1 байта)",
      u8"Добавен: " + Ansi(Product(L"one.txt")) + u8" (1 байта)",
      u8"Заменен: " + Ansi(Product(L"Vanto.exe")) + u8" (3 байта)",
      u8"Съобщение: Актуализацията завърши успешно. | Искате ли да стартирате продукта?",
      u8"Отговор: Отказ",
      u8"Край: актуализацията завърши успешно (код на изход 0)"};
  expected.insert(expected.end(), rest.begin(), rest.end());
  // Files are put in place in the order the folder lists them.
  Events log = Log(Product(L"TalvoUpdate.log"));
  const auto file = [](const std::string& e) { return e.rfind(u8"Добавен: ", 0) == 0 || e.rfind(u8"Заменен: ", 0) == 0; };
  const auto first = std::find_if(log.begin(), log.end(), file);
  std::sort(first, std::find_if_not(first, log.end(), file));
  EXPECT_EQ(log, expected);
}

// Nobody is there to close the program that holds a product file: the update ends at once,
// the product as it was, and the log names the file.
TEST_F(Unattended, SilentWithAProductFileInUseEndsWithTwoAndNamesItInTheLog) {
  ASSERT_TRUE(ui::WriteFile(Product(L"data.dat"), "old"));
  ASSERT_TRUE(ui::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}, {"data.dat", "new"}}));
  HeldOpen held(Product(L"data.dat"));
  ASSERT_TRUE(held.Held());
  EXPECT_EQ(RunToEnd(L"/SILENT /DIR=" + Quoted(product)), 2u);
  held.Release();

  EXPECT_EQ(window, L"");
  EXPECT_EQ(List(product), (Names{L"Blanks\\", L"Vanto.exe", L"data.dat"}));
  EXPECT_EQ(Read(Product(L"data.dat")), "old");
  const Events log = Log(Product(L"TalvoUpdate.log"));
  const std::string box = u8"Съобщение: Файлът | " + Ansi(Product(L"data.dat")) +
                          u8" | се използва от друга програма. | Затворете я и натиснете OK.";
  const auto named = std::find_if(log.begin(), log.end(),
                                  [&](const std::string& e) { return e.rfind(box, 0) == 0; });
  ASSERT_NE(named, log.end()) << "the held file is not named";
  EXPECT_TRUE(InOrder(Events(named + 1, log.end()),
                      {u8"Отговор: Отказ",
                       u8"Край: актуализацията не е завършена; продуктът не е променен (код на изход 2)"}));
}

// The user gives the update up at the box of a file in use: 2, and the log has each box
// with the answer.
TEST_F(Unattended, AnUpdateTheUserGivesUpEndsWithTwoAndTheLogHasTheBoxesAndAnswers) {
  ASSERT_TRUE(ui::WriteFile(Product(L"data.dat"), "old"));
  ASSERT_TRUE(ui::WriteZip(Medium(L"a.zip"), {{"data.dat", "new"}}));
  HeldOpen held(Product(L"data.dat"));
  ASSERT_TRUE(held.Held());
  ASSERT_TRUE(app.Start(updater, t.Path(), L"/DIR=" + Quoted(product)));
  w = app.MainWindow();
  ASSERT_NE(w, nullptr);
  Press();
  ui::Box box = NextBox();
  const std::string heldBox = ui::Utf8(box.text);
  ASSERT_EQ(heldBox.rfind(u8"Файлът\r\n", 0), 0u) << heldBox;
  ASSERT_TRUE(ui::Answer(box, IDOK));   // tried again: still held
  box = NextBox();
  ASSERT_TRUE(ui::Answer(box, IDCANCEL));
  box = NextBox();
  EXPECT_EQ(ui::Utf8(box.text), u8"Актуализацията не е завършена.\r\nПродуктът не е променен.");
  ASSERT_TRUE(ui::Answer(box, IDOK));
  ExpectClosedAndClean(2);

  std::string logged = u8"Съобщение: " + heldBox;
  for (size_t at; (at = logged.find("\r\n")) != std::string::npos;) logged.replace(at, 2, " | ");
  EXPECT_TRUE(InOrder(Log(Product(L"TalvoUpdate.log")),
                      {logged, u8"Отговор: OK", logged, u8"Отговор: Отказ",
                       u8"Съобщение: Актуализацията не е завършена. | Продуктът не е променен.",
                       u8"Край: актуализацията не е завършена; продуктът не е променен (код на изход 2)"}));
}

TEST_F(Unattended, SilentWithAFolderThatIsNotTheProductsEndsWithTwoAndLogsWhy) {
  const std::wstring other = t.Sub(L"Other"), log = ui::Join(t.Path(), L"update.log");
  ASSERT_TRUE(ui::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
  const std::wstring args = L"/SILENT /DIR=" + Quoted(other) + L" /LOG=" + Quoted(log);
  EXPECT_EQ(RunToEnd(args), 2u);

  EXPECT_EQ(window, L"");
  EXPECT_EQ(List(other), Names{});
  EXPECT_FALSE(ui::Exists(ui::Join(other, L"TalvoUpdate.log")));
  Events expected = Opening(args);
  expected.push_back(u8"Съобщение: Въведената папка не е | папката на Талво.");
  expected.push_back(u8"Край: папката не е приета (код на изход 2)");
  EXPECT_EQ(Log(log), expected);
}

TEST_F(Unattended, ARefusedCommandLineEndsWithOneAndShowsTheSwitchesUnlessSilent) {
  for (const wchar_t* args : {L"/SILENT", L"/SILENT /DIR=C:\\WinTalvo /QUIET", L"/DIR:C:\\x /SILENT"}) {
    EXPECT_EQ(RunToEnd(args), 1u) << ui::Utf8(args);
    EXPECT_EQ(window, L"") << ui::Utf8(args);
  }
  EXPECT_EQ(List(product), (Names{L"Blanks\\", L"Vanto.exe"}));

  // Without /SILENT, the box that lists the switches: an unknown one ends with 1, a request
  // for help with 0.
  for (const wchar_t* args : {L"/QUIET", L"/?"}) {
    ui::App help;
    ASSERT_TRUE(help.Start(updater, t.Path(), args));
    ui::Box box = ui::ReadBox(help.WaitBox());
    EXPECT_EQ(ui::Utf8(box.caption), kCaption);
    EXPECT_EQ(ui::Utf8(box.text).rfind(u8"TalvoUpdate.exe [/DIR=\"папка\"] [/SILENT] [/LOG=\"файл\"]", 0), 0u)
        << ui::Utf8(box.text);
    EXPECT_EQ(box.icon, ui::Icon::Information);
    EXPECT_EQ(help.MainWindow(300), nullptr);
    ASSERT_TRUE(ui::Answer(box, IDOK));
    DWORD code = 99;
    ASSERT_TRUE(help.WaitExit(&code));
    EXPECT_EQ(code, args[1] == L'?' ? 0u : 1u) << ui::Utf8(args);
  }
}

// /DIR only fills the folder box of the window: the user still presses the button.
TEST_F(Unattended, DirWithCyrillicAndABlankFillsTheWindowAndTheUpdateWorksFromThere) {
  ASSERT_EQ(GetACP(), 1251u) << "run this under LC_ALL=bg_BG.UTF-8";
  product = t.Sub(L"Програми\\Талво 2");
  t.Sub(L"Програми\\Талво 2\\Blanks");
  ASSERT_TRUE(ui::CopyInto(FakeProduct(), product));
  ASSERT_TRUE(ui::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
  ASSERT_TRUE(app.Start(updater, t.Path(), L"/DIR=" + Quoted(product)));
  w = app.MainWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(ui::Text(ui::Control(w, ui::kEditFolder)), product);
  EXPECT_TRUE(NoBox(500));

  Press();
  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean(0);
  EXPECT_EQ(Read(Product(L"one.txt")), "1");
  EXPECT_TRUE(InOrder(Log(Product(L"TalvoUpdate.log")),
                      {u8"Папка на продукта: " + ui::Utf8(product), u8"Отговор: Отказ",
                       u8"Край: актуализацията завърши успешно (код на изход 0)"}));
}

}  // namespace
}  // namespace run
