// The updater as an administrator runs it: switches on the command line, no window with
// /SILENT, the exit code, and the log left for support.
#include "Update.h"

#include <algorithm>

namespace run {
namespace {

using Names = std::vector<std::wstring>;
using Events = std::vector<std::string>;

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }
std::string Ansi(const std::wstring& text) { return ui::Utf8(ui::Wide(ui::Narrow(text, CP_ACP))); }
Events Log(const std::wstring& path) { return ui::LogEvents(support::Read(path)); }

class Unattended : public Update {
protected:
  const std::string kEndNotChanged =
      u8"Край: актуализацията не е завършена; продуктът не е променен (код на изход 2)";
};

TEST_F(Unattended, SilentFromAFixedDriveUpdatesWithoutAWindowAndLogsTheRun) {
  // A file of the log's name in an archive is not the product's: the log stays whole.
  ASSERT_TRUE(support::WriteZip(
      Medium(L"a.zip"),
      {{"one.txt", "1"}, {"FORM.RTF", "f"}, {"Vanto.exe", "new"}, {"TalvoUpdate.log", "junk"}}));
  const std::wstring args = L"/SILENT /DIR=" + Quoted(product);
  bool window;
  EXPECT_EQ(RunToEnd(args, &window), 0u);
  EXPECT_FALSE(window) << "a window of the updater appeared";
  EXPECT_EQ(support::Read(Product(L"one.txt")) + support::Read(Product(L"Blanks\\FORM.RTF")), "1f");
  EXPECT_EQ(support::Read(Product(L"Vanto.exe")), "new");
  ExpectNoWorkFolder();
  EXPECT_EQ(ProductRun(500), "") << "the product was started";

  Events log = Log(Product(L"TalvoUpdate.log"));
  // Files are put in place in the order the work folder lists them.
  const auto file = [](const std::string& e) {
    return e.rfind(u8"Добавен: ", 0) == 0 || e.rfind(u8"Заменен: ", 0) == 0;
  };
  const auto first = std::find_if(log.begin(), log.end(), file);
  std::sort(first, std::find_if_not(first, log.end(), file));
  EXPECT_EQ(
      log,
      (Events{u8"TalvoUpdate 1.0.0.0, команден ред: " + Ansi(Quoted(updater) + L" " + args),
              u8"Носител: " + Ansi(cd) + u8" (твърд диск)", u8"Папка на продукта: " + Ansi(product),
              u8"Инсталирано издание (Vanto.exe): без версия", u8"Копиран архив: a.zip",
              u8"Разархивиране: a.zip", u8"Издание от носителя (Vanto.exe): без версия",
              u8"Добавен: " + Ansi(Product(L"Blanks\\FORM.RTF")) + u8" (1 байта)",
              u8"Добавен: " + Ansi(Product(L"one.txt")) + u8" (1 байта)",
              u8"Заменен: " + Ansi(Product(L"Vanto.exe")) + u8" (3 байта)",
              u8"Съобщение: Актуализацията завърши успешно. | Искате ли да стартирате продукта?",
              u8"Отговор: Отказ", u8"Край: актуализацията завърши успешно (код на изход 0)"}));
}

TEST_F(Unattended, RefusalsEndWithTwoOrOneAndABoxOnlyWithoutSilent) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
  const std::wstring other = t.Sub(L"Other"), log = support::Join(t.Path(), L"update.log");
  bool window;
  EXPECT_EQ(RunToEnd(L"/SILENT /DIR=" + Quoted(other) + L" /LOG=" + Quoted(log), &window), 2u);
  EXPECT_FALSE(window);
  EXPECT_EQ(support::List(other), Names{})
      << "something was made in a folder that is not the product's";
  EXPECT_TRUE(InOrder(Log(log), {u8"Съобщение: Въведената папка не е | папката на Талво.",
                                 u8"Край: папката не е приета (код на изход 2)"}));

  for (const wchar_t* args : {L"/SILENT", L"/SILENT /DIR=C:\\WinTalvo /QUIET"}) {
    EXPECT_EQ(RunToEnd(args, &window), 1u) << ui::Utf8(args);
    EXPECT_FALSE(window) << ui::Utf8(args);
  }
  // Without /SILENT the switches are listed: an unknown one ends with 1, /? with 0.
  for (const wchar_t* args : {L"/QUIET", L"/?"}) {
    ui::App help;
    ASSERT_TRUE(help.Start(updater, t.Path(), args));
    ui::Box box = ui::ReadBox(help.WaitBox());
    EXPECT_EQ(ui::Utf8(box.caption), texts::kCaption);
    EXPECT_EQ(ui::Utf8(box.text).rfind(u8"TalvoUpdate.exe [/DIR=\"папка\"] [/SILENT]", 0), 0u);
    EXPECT_EQ(box.icon, ui::Icon::Information);
    ASSERT_TRUE(ui::Answer(box, IDOK));
    DWORD code = 99;
    ASSERT_TRUE(help.WaitExit(&code));
    EXPECT_EQ(code, args[1] == L'?' ? 0u : 1u) << ui::Utf8(args);
  }
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Vanto.exe"}));
}

// A product file in use: the user gives up at its box; an unattended run does not wait at
// all. Both end with 2, the product as it was, and the log has each box with its answer.
TEST_F(Unattended, AFileInUseEndsTheUpdateWithTwoAndTheLogNamesIt) {
  ASSERT_TRUE(support::WriteFile(Product(L"data.dat"), "old"));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}, {"data.dat", "new"}}));
  support::HeldFile held(Product(L"data.dat"));
  ASSERT_TRUE(held.Held());
  ASSERT_TRUE(app.Start(updater, t.Path(), L"/DIR=" + Quoted(product)));
  w = app.MainWindow();
  ASSERT_NE(w, nullptr);
  Press();
  ui::Box box = NextBox();
  ASSERT_TRUE(ui::Answer(box, IDCANCEL));
  ASSERT_TRUE(ui::Answer(NextBox(), IDOK));  // "not changed"
  ExpectClosedAndClean(2);

  bool window;
  EXPECT_EQ(RunToEnd(L"/SILENT /DIR=" + Quoted(product), &window), 2u);
  EXPECT_FALSE(window);
  held.Release();
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Vanto.exe", L"data.dat"}));
  EXPECT_EQ(support::Read(Product(L"data.dat")), "old");
  std::string heldBox = u8"Съобщение: " + ui::Utf8(box.text);
  for (size_t at; (at = heldBox.find("\r\n")) != std::string::npos;) heldBox.replace(at, 2, " | ");
  EXPECT_EQ(heldBox.rfind(u8"Съобщение: Файлът | " + Ansi(Product(L"data.dat")) + " | ", 0), 0u);
  const std::string notChanged =
      u8"Съобщение: Актуализацията не е завършена. | Продуктът не е променен.";
  const std::string cancel = u8"Отговор: Отказ";
  EXPECT_TRUE(InOrder(Log(Product(L"TalvoUpdate.log")),
                      {heldBox, cancel, notChanged, kEndNotChanged,     // with the window
                       heldBox, cancel, notChanged, kEndNotChanged}));  // silent
}

// A folder too deep for the lock's name: the box that says so, never "another update".
TEST_F(Unattended, AFolderTooDeepForTheLockIsALongPathNotABusyOne) {
  std::wstring deep = t.Path();
  for (size_t left; (left = 245 - deep.size()) > 0;) {
    deep += L"\\" + std::wstring(left > 100 ? 60 : left - 1, L'd');
    ASSERT_TRUE(support::MakeDir(deep));
  }
  ASSERT_TRUE(support::CopyInto(FakeProduct(), deep));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
  EXPECT_EQ(RunToEnd(L"/SILENT /DIR=" + Quoted(deep)), 2u);
  product = deep;
  Start(updater);
  ui::Box box = NextBox();
  ExpectError(box, u8"Въведената папка\r\n" + ui::Utf8(deep) + u8"\r\nе с твърде дълъг път.");
  ASSERT_TRUE(ui::Answer(box, IDOK));
  EXPECT_EQ(support::List(deep), (Names{L"Vanto.exe"}));
}

// /DIR only fills the folder box of the window: the user still presses the button.
TEST_F(Unattended, DirWithCyrillicAndABlankFillsTheWindowAndTheUpdateWorksFromThere) {
  ASSERT_EQ(GetACP(), 1251u) << "run this under LC_ALL=bg_BG.UTF-8";
  product = t.Sub(L"Програми\\Талво 2");
  t.Sub(L"Програми\\Талво 2\\Blanks");
  ASSERT_TRUE(support::CopyInto(FakeProduct(), product));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
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
  EXPECT_EQ(support::Read(Product(L"one.txt")), "1");
}

// An older medium: an unattended run refuses it unless told to allow it; the log has both
// editions at every run.
TEST_F(Unattended, AnOlderMediumEndsWithTwoUnlessAllowed) {
  const std::string v2025 = support::Read(support::WindowsPath(TALVO_FAKE_VANTO_2025));
  const std::string v2026 = support::Read(support::WindowsPath(TALVO_FAKE_VANTO_2026));
  ASSERT_TRUE(support::WriteFile(Product(L"Vanto.exe"), v2026));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"Vanto.exe", v2025}}));
  const std::wstring args = L"/SILENT /DIR=" + Quoted(product);
  bool window;
  EXPECT_EQ(RunToEnd(args, &window), 2u);
  EXPECT_EQ(support::Read(Product(L"Vanto.exe")), v2026);
  EXPECT_EQ(RunToEnd(args + L" /ALLOWDOWNGRADE", &window), 0u);
  EXPECT_EQ(support::Read(Product(L"Vanto.exe")), v2025);

  const std::string installed = u8"Инсталирано издание (Vanto.exe): 2026.1.2.3";
  const std::string brought = u8"Издание от носителя (Vanto.exe): 2025.4.5.6";
  EXPECT_TRUE(
      InOrder(Log(Product(L"TalvoUpdate.log")),
              {installed, brought, u8"Отговор: Отказ", kEndNotChanged, installed, brought,
               u8"Отговор: OK", u8"Край: актуализацията завърши успешно (код на изход 0)"}));
}

}  // namespace
}  // namespace run
