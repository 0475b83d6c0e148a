// One pass from a fixed drive: the archives beside the updater are fetched into the work
// folder, unpacked there and deleted, and what they held is put in the product folder.
#include "Update.h"

namespace run {
namespace {

using Stages = Update;
using Names = std::vector<std::wstring>;

TEST_F(Stages, TwoArchivesLandFlattenedFormsInBlanksAndTheInstallerIsLeftAlone) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"readme.txt", "a1"},
                                                   {"data/deep/nested/x.dat", "a2"},
                                                   {"FORM.RTF", "a3"},
                                                   {"forms/a.rtf", "a4"}}));
  ASSERT_TRUE(support::WriteZip(Medium(L"b.zip"), {{"rtf", "b1"}, {"more/x.srtf", "b2"}}));
  ASSERT_TRUE(support::WriteZip(Medium(L"WinTalvo.zip"), {{"setup1.txt", "installer"}}));
  ASSERT_TRUE(support::WriteZip(Medium(L"WINTALVO.ZIP"), {{"setup2.txt", "installer"}}));
  Start(updater);

  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  // The archives were unpacked and deleted, and their members moved into the product: the
  // work folder holds the run's journal, its backup folder and its copy of the library.
  EXPECT_EQ(support::List(Product(L"Temp1")), (Names{L".backup\\", L".journal", L".library\\"}));
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();

  EXPECT_EQ(support::List(product),
            (Names{L"Blanks\\", L"Vanto.exe", L"readme.txt", L"rtf", L"x.dat", L"x.srtf"}));
  EXPECT_EQ(support::List(Product(L"Blanks")), (Names{L"FORM.RTF", L"a.rtf"}));
  EXPECT_EQ(support::Read(Product(L"x.dat")), "a2");
  EXPECT_EQ(support::Read(Product(L"Blanks\\a.rtf")), "a4");
  EXPECT_EQ(support::Read(Product(L"x.srtf")), "b2");
  EXPECT_EQ(ProductRun(500), "") << "the product started after Cancel";
}

// Files copied from a CD keep its read-only bit: the fetched archives must still be
// deleted after unpacking, so that none reaches the product and the work folder goes.
TEST_F(Stages, ReadOnlyArchivesFromACdAreUnpackedAndDeletedAllTheSame) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
  ASSERT_TRUE(SetFileAttributesW(Medium(L"a.zip").c_str(), FILE_ATTRIBUTE_READONLY));
  Start(updater);

  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  EXPECT_EQ(support::List(Product(L"Temp1")), (Names{L".backup\\", L".journal", L".library\\"}));
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Vanto.exe", L"one.txt"}));
  SetFileAttributesW(Medium(L"a.zip").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Names that begin with a dot are not put in place, but they must not keep the work
// folder in the product folder either.
TEST_F(Stages, AMemberNamedWithALeadingDotLeavesNoWorkFolderBehind) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{".hidden", "h"}, {"a.txt", "a"}}));
  Start(updater);

  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  EXPECT_EQ(support::List(Product(L"Temp1")),
            (Names{L".backup\\", L".hidden", L".journal", L".library\\"}));
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Vanto.exe", L"a.txt"}));
}

TEST_F(Stages, AMediumWithOnlyTheInstallerArchivePassesWithNothingCopied) {
  ASSERT_TRUE(support::WriteZip(Medium(L"WinTalvo.zip"), {{"setup.txt", "installer"}}));
  Start(updater);

  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  EXPECT_EQ(support::List(Product(L"Temp1")), (Names{L".backup\\", L".journal", L".library\\"}));
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Vanto.exe"}));
}

TEST_F(Stages, NoArchiveAtAllStopsTheUpdateWithTheWindowOpen) {
  Start(updater);

  ui::Box box = NextBox();
  ExpectError(box, texts::kNoArchive);
  ASSERT_TRUE(ui::Answer(box, IDOK));
  EXPECT_TRUE(NoBox());
  ExpectStillOpen();

  ui::Click(ui::Control(w, ui::kBtnCancel));
  ExpectClosedAndClean(2);
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Vanto.exe"}));
}

TEST_F(Stages, AnArchiveInUseStopsTheFetchingAndNothingIsUnpacked) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}}));
  ASSERT_TRUE(support::WriteZip(Medium(L"b.zip"), {{"two.txt", "2"}}));
  support::HeldFile held(Medium(L"b.zip"));
  ASSERT_TRUE(held.Held());
  Start(updater);

  ui::Box box = NextBox();
  ExpectError(box, texts::CopyError(ui::Utf8(Medium(L"b.zip")), texts::kCannotUpdate));
  EXPECT_FALSE(support::Exists(Work(L"b.zip")));
  ASSERT_TRUE(ui::Answer(box, IDOK));
  EXPECT_TRUE(NoBox());
  ExpectStillOpen();
  // The stage stopped there: nothing was unpacked, nothing reached the product.
  EXPECT_FALSE(support::Exists(Work(L"one.txt")));
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Temp1\\", L"Vanto.exe"}));

  ui::Click(ui::Control(w, ui::kBtnCancel));
  ExpectClosedAndClean(2);
}

// A close request while the library's box is up waits for the run: the library is never
// let go under its own call. An archive the library could not read means an update that did
// not complete: none of this pass goes into the product.
TEST_F(Stages, ACorruptArchiveIsReportedAndTheProductIsNotChanged) {
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}, {"FORM.RTF", "f"}}));
  ASSERT_TRUE(support::WriteFile(Medium(L"bad.zip"), "PK\x03\x04 this is no archive at all"));
  ASSERT_TRUE(support::WriteZip(Medium(L"c.zip"), {{"three.txt", "3"}}));
  Start(updater);

  ui::Box box = NextBox();
  EXPECT_EQ(ui::Utf8(box.text).rfind("Zip error ", 0), 0u) << ui::Utf8(box.text);
  EXPECT_EQ(box.caption, L"");
  EXPECT_EQ(box.icon, ui::Icon::None);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  EXPECT_FALSE(IsWindowEnabled(w)) << "the window takes input while the library's box is up";
  AskToCloseDuring(box);
  ASSERT_TRUE(ui::Answer(box, IDOK));

  ui::Box end = NextBox();
  ExpectWarning(end, texts::kNotChanged);
  ASSERT_TRUE(ui::Answer(end, IDOK));
  ExpectClosedAndClean(2);
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Vanto.exe"}));
  EXPECT_EQ(support::List(Product(L"Blanks")), Names{});
}

// The listing is in name order: the form is the first file and fails before anything of the
// product was changed.
TEST_F(Stages, WithoutBlanksAFormFailsToCopyAndNothingOfTheUpdateLands) {
  ASSERT_TRUE(support::RemoveTree(Product(L"Blanks")));
  ASSERT_TRUE(
      support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}, {"FORM.RTF", "f"}, {"two.txt", "2"}}));
  Start(updater);

  ui::Box box = NextBox();
  ExpectError(
      box, texts::CopyError(ui::Utf8(Work(L"FORM.RTF")), ui::Utf8(Product(L"Blanks\\FORM.RTF"))));
  ASSERT_TRUE(ui::Answer(box, IDOK));
  ui::Box end = NextBox();
  ExpectWarning(end, texts::kNotChanged);
  ASSERT_TRUE(ui::Answer(end, IDOK));
  ExpectClosedAndClean(2);
  EXPECT_EQ(support::List(product), Names{L"Vanto.exe"});
}

// A member named like a folder of the product cannot replace it: a copy error, and the file
// put in place before it is undone. The folder keeps what it holds.
TEST_F(Stages, AFileNamedLikeAProductFolderFailsToCopyAndTheUpdateIsUndone) {
  ASSERT_TRUE(
      support::WriteFile(support::Join(t.Sub(L"WinTalvo\\Reports"), L"2019.db"), "the user's"));
  ASSERT_TRUE(support::WriteZip(Medium(L"a.zip"), {{"one.txt", "1"}, {"Reports", "a file"}}));
  Start(updater);

  ui::Box box = NextBox();
  ExpectError(box, texts::CopyError(ui::Utf8(Work(L"Reports")), ui::Utf8(Product(L"Reports"))));
  ASSERT_TRUE(ui::Answer(box, IDOK));
  ui::Box end = NextBox();
  // Seen before any file of the pass was put in place.
  ExpectWarning(end, texts::kNotChanged);
  ASSERT_TRUE(ui::Answer(end, IDOK));
  ExpectClosedAndClean(2);
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Reports\\", L"Vanto.exe"}));
  EXPECT_EQ(support::Read(Product(L"Reports\\2019.db")), "the user's");
}

// The file in use is named before anything is changed; once it is let go, OK goes on and
// every file lands.
TEST_F(Stages, AProductFileInUseIsNamedAndOnceLetGoEveryFileLands) {
  ASSERT_TRUE(support::WriteFile(Product(L"data.dat"), "old"));
  ASSERT_TRUE(
      support::WriteZip(Medium(L"a.zip"), {{"a.txt", "1"}, {"data.dat", "new"}, {"z.txt", "2"}}));
  support::HeldFile held(Product(L"data.dat"));
  ASSERT_TRUE(held.Held());
  Start(updater);

  ui::Box box = NextBox();
  ExpectHeldFile(box, Product(L"data.dat"));
  EXPECT_FALSE(support::Exists(Product(L"a.txt")));
  held.Release();
  ASSERT_TRUE(ui::Answer(box, IDOK));
  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();
  EXPECT_EQ(support::Read(Product(L"data.dat")), "new");
  EXPECT_EQ(support::Read(Product(L"a.txt")), "1");
  EXPECT_EQ(support::Read(Product(L"z.txt")), "2");
}

// Names in archives are in the OEM code page (866); the updater works in the ANSI one (1251),
// here also on a medium whose folder and archive have Cyrillic names with blanks.
TEST_F(Stages, CyrillicNamesFromTheArchiveLandUnderTheirOwnNames) {
  ASSERT_EQ(GetACP(), 1251u) << "run this under LC_ALL=bg_BG.UTF-8";
  cd = t.Sub(L"Обновяване 2026");
  updater = ui::MakeMedium(cd);
  ASSERT_FALSE(updater.empty());
  ASSERT_TRUE(support::WriteZip(Medium(L"Заплати №2.zip"),
                                {{ui::Narrow(L"Справка за заплати.txt", 866), "s"},
                                 {ui::Narrow(L"Бланки/Договор №1.rtf", 866), "d"}}));
  Start(updater);

  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();
  EXPECT_EQ(support::Read(Product(L"Справка за заплати.txt")), "s");
  EXPECT_EQ(support::Read(Product(L"Blanks\\Договор №1.rtf")), "d");
}

}  // namespace
}  // namespace run
