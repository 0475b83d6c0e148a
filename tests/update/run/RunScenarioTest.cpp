// The whole update from a fixed drive: the library, the folder check, one pass, the
// success question and the start of the product.
#include "Update.h"

namespace run {
namespace {

using UpdateRun = Update;
using Names = std::vector<std::wstring>;

// The product's record of its start: its command line, then its current directory.
std::string StartedAs(const std::wstring& program, const std::wstring& dir) {
  return "\"" + ui::Narrow(program, CP_ACP) + "\"\r\n" + ui::Narrow(dir, CP_ACP) + "\r\n";
}

TEST_F(UpdateRun, FromAFixedDriveOnePassThenOkStartsTheProductInItsFolder) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
  Start(updater);

  // No disk question: the first box is the success question.
  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  EXPECT_EQ(support::Read(Product(L"one.txt")), "1");
  ASSERT_TRUE(ui::Answer(done, IDOK));
  ExpectClosedAndClean();
  EXPECT_EQ(ProductRun(), StartedAs(Product(L"Vanto.exe"), product));
}

TEST_F(UpdateRun, CancelAtTheSuccessQuestionClosesWithoutStartingTheProduct) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
  Start(updater);

  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();
  EXPECT_EQ(ProductRun(1000), "");
}

TEST_F(UpdateRun, WithoutTheLibraryTheFolderIsNotExaminedAndTheWindowStays) {
  ASSERT_TRUE(DeleteFileW(Medium(L"UNZDLL.DLL").c_str()));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
  Start(updater);

  ui::Box box = NextBox();
  ExpectError(box, u8"Липсващ DLL.\r\nПродуктът не може да се актуализира.");
  ASSERT_TRUE(ui::Answer(box, IDOK));
  EXPECT_TRUE(NoBox());
  ExpectStillOpen();
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Vanto.exe"}));

  // The same again with a library that is not the build's (one that lacks an entry).
  ASSERT_TRUE(CopyFileW(LibraryWithoutExec().c_str(), Medium(L"UNZDLL.DLL").c_str(), TRUE));
  Press();
  box = NextBox();
  ExpectError(box, u8"Библиотеката\r\n" + ui::Utf8(Medium(L"UNZDLL.DLL")) +
                       u8"\r\nна носителя е повредена или е променена след издаването ѝ.");
  ASSERT_TRUE(ui::Answer(box, IDOK));
  box = NextBox();
  ExpectWarning(box, texts::kNotChanged);
  ASSERT_TRUE(ui::Answer(box, IDOK));
  EXPECT_TRUE(NoBox());
  ExpectStillOpen();
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Vanto.exe"}));

  ui::Click(ui::Control(w, ui::kBtnCancel));
  ExpectClosedAndClean(2);
}

TEST_F(UpdateRun, ARefusedFolderIsSelectedForCorrectionAndASecondPressWorks) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
  ASSERT_TRUE(app.Start(updater, t.Path()));
  w = app.MainWindow();
  ASSERT_NE(w, nullptr);
  HWND edit = ui::Control(w, ui::kEditFolder);
  const std::wstring wrong = support::Join(t.Path(), L"Nowhere");
  ASSERT_TRUE(ui::SetText(edit, wrong));
  Press();

  ui::Box box = NextBox();
  ExpectError(box, u8"Въведената папка\r\nне съществува.");
  ASSERT_TRUE(ui::Answer(box, IDOK));
  EXPECT_TRUE(ui::WaitUntil([&] { return ui::Focus(w) == edit; })) << "the folder lost focus";
  int start = -1, end = -1;
  EXPECT_TRUE(ui::WaitUntil([&] {
    return ui::Selection(edit, &start, &end) && start == 0 && end == int(wrong.size());
  })) << "selected "
      << start << ".." << end;
  EXPECT_FALSE(support::Exists(wrong));

  // A folder without the product is refused too, and nothing is made in it.
  ASSERT_TRUE(ui::SetText(edit, t.Path()));
  Press();
  box = NextBox();
  ExpectError(box, u8"Въведената папка не е\r\nпапката на Талво.");
  ASSERT_TRUE(ui::Answer(box, IDOK));
  EXPECT_EQ(support::List(t.Path()), (Names{L"WinTalvo\\", L"cd\\"}));

  ASSERT_TRUE(ui::SetText(edit, product));
  Press();
  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();
  EXPECT_EQ(support::Read(Product(L"one.txt")), "1");
}

// A read-only product file is replaced all the same: it is renamed away, never written over.
// A user's file that no archive brings keeps its read-only mark. Wine keeps no read-only bit
// on folders; a hidden one shows that folder attributes are left alone.
TEST_F(UpdateRun, ReadOnlyFilesAreReplacedAndFolderAttributesStay) {
  t.Sub(L"WinTalvo\\Data\\Old");
  const std::wstring readOnly[] = {Product(L"old.txt"), Product(L"Blanks\\FORM.RTF"),
                                   Product(L"Data\\Old\\kept.dat")};
  for (const std::wstring& file : readOnly) {
    ASSERT_TRUE(support::WriteFile(file, "old"));
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  }
  const std::wstring blanks = Product(L"Blanks");
  ASSERT_TRUE(SetFileAttributesW(blanks.c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
  const DWORD marked = GetFileAttributesW(blanks.c_str());
  ASSERT_EQ(marked & FILE_ATTRIBUTE_HIDDEN, DWORD(FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"old.txt", "new"}, {"FORM.RTF", "new"}}));
  Start(updater);

  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();
  EXPECT_EQ(support::Read(readOnly[0]), "new");
  EXPECT_EQ(support::Read(readOnly[1]), "new");
  EXPECT_EQ(support::Read(readOnly[2]), "old");
  EXPECT_EQ(GetFileAttributesW(readOnly[2].c_str()) & FILE_ATTRIBUTE_READONLY,
            DWORD(FILE_ATTRIBUTE_READONLY))
      << "a user's file that no archive brings keeps its mark";
  EXPECT_EQ(GetFileAttributesW(blanks.c_str()), marked);
}

// Each press is a run of its own: after a run that failed in fetching, the next run in the
// same window updates and says so. Neither run leaves its work folder.
TEST_F(UpdateRun, AfterARunThatFailedInFetchingAGoodRunEndsWithTheSuccessQuestion) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
  support::HeldFile held(Medium(L"a.zip"));
  ASSERT_TRUE(held.Held());
  Start(updater);

  ui::Box box = NextBox();
  ExpectError(box, texts::CopyError(ui::Utf8(Medium(L"a.zip")), texts::kCannotUpdate));
  ASSERT_TRUE(ui::Answer(box, IDOK));
  ExpectStillOpen();
  EXPECT_TRUE(support::Exists(Product(L"Temp1")));

  held.Release();
  Press();
  ui::Box success = NextBox();
  ExpectSuccessQuestion(success);
  ASSERT_TRUE(ui::Answer(success, IDCANCEL));
  ExpectClosedAndClean();
  EXPECT_EQ(support::Read(Product(L"one.txt")), "1");
  EXPECT_EQ(ProductRun(500), "");
}

// The trap stands where an unquoted start of ...\Програми\Талво 2\Vanto.exe would go.
TEST_F(UpdateRun, AProductFolderWithCyrillicAndBlanksIsUpdatedAndTheProductStarts) {
  ASSERT_EQ(GetACP(), 1251u) << "run this under LC_ALL=bg_BG.UTF-8";
  product = t.Sub(L"Програми\\Талво 2");
  t.Sub(L"Програми\\Талво 2\\Blanks");
  ASSERT_TRUE(support::WriteFile(Product(L"Vanto.exe"), "MZ old version"));
  ASSERT_TRUE(CopyFileW(TrapProgram().c_str(),
                        support::Join(t.Sub(L"Програми"), L"Талво.exe").c_str(), FALSE));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"Vanto.exe", FakeProductBytes()},
                                                   {ui::Narrow(L"Бланка.rtf", 866), "b"}}));
  Start(updater);

  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDOK));
  ExpectClosedAndClean();
  EXPECT_EQ(ProductRun(), StartedAs(Product(L"Vanto.exe"), product));
  EXPECT_EQ(support::Read(Product(L"Blanks\\Бланка.rtf")), "b");
  EXPECT_FALSE(support::Exists(support::Join(t.Sub(L"Програми"), L"trap-ran.txt")));
}

// An older medium over a newer product: the warning names both editions, and Cancel leaves
// the product exactly as it was.
TEST_F(UpdateRun, AnOlderMediumWarnsWithBothEditionsAndCancelLeavesTheProductAsItWas) {
  ASSERT_TRUE(CopyFileW(support::WindowsPath(TALVO_FAKE_VANTO_2026).c_str(),
                        Product(L"Vanto.exe").c_str(), FALSE));
  const std::string installed = support::Read(Product(L"Vanto.exe"));
  const std::string older = support::Read(support::WindowsPath(TALVO_FAKE_VANTO_2025));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"Vanto.exe", older}, {"one.txt", "1"}}));
  Start(updater);

  ui::Box box = NextBox();
  EXPECT_EQ(ui::Utf8(box.text),
            u8"Носителят съдържа по-старо издание на Талво (2025.4.5.6)\r\n"
            u8"от инсталираното (2026.1.2.3).\r\nНаистина ли искате да продължите?");
  EXPECT_EQ(box.icon, ui::Icon::Warning);
  EXPECT_EQ(box.buttons, (std::vector<int>{IDOK, IDCANCEL}));
  ASSERT_TRUE(ui::Answer(box, IDCANCEL));
  ASSERT_TRUE(ui::Answer(NextBox(), IDOK));  // "not changed"
  ExpectClosedAndClean(2);
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Vanto.exe"}));
  EXPECT_EQ(support::Read(Product(L"Vanto.exe")), installed);
}

}  // namespace
}  // namespace run
