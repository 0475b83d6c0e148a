// The form layer's rules that need no window: title, report text, centring, scaling.
#include <gtest/gtest.h>

#include <string>

#include "forms/Rules.h"

namespace {

std::wstring Title(const wchar_t* path, int size = MAX_PATH) {
  wchar_t title[MAX_PATH];
  TitleFromPath(path, title, size);
  return title;
}

std::wstring Report(const wchar_t* message, int size = 256) {
  wchar_t text[256];
  ReportText(message, text, size);
  return text;
}

}  // namespace

TEST(Title, IsTheFileNameWithoutFolderAndExtensionInLowerCaseAfterTheFirstLetter) {
  EXPECT_EQ(Title(L"C:\\WinTalvo\\TalvoUpdate.exe"), L"Talvoupdate");
  EXPECT_EQ(Title(L"A:\\UPD\\TALVOUPDATE.EXE"), L"Talvoupdate");
  EXPECT_EQ(Title(L"Z:\\home\\u\\talvoUpdate.exe"), L"talvoupdate");
  EXPECT_EQ(Title(L"\\\\server\\share\\Setup.New.exe"), L"Setup.new");
}

TEST(Title, DotsInFoldersAndCyrillicNames) {
  EXPECT_EQ(Title(L"C:\\v1.2\\UPDATE"), L"Update");
  EXPECT_EQ(Title(L"C:\\\x041F\x0410\x041F\x041A\x0410\\\x0422\x0410\x041B\x0412\x041E.EXE"),
            L"\x0422\x0430\x043B\x0432\x043E");  // ТАЛВО.EXE gives Талво
}

TEST(Title, IsCutToFit) { EXPECT_EQ(Title(L"C:\\TalvoUpdate.exe", 6), L"Talvo"); }

TEST(ReportText, AppendsAFullStopOnlyAfterCharactersThatSortAfterIt) {
  EXPECT_EQ(Report(L"\x0413\x0440\x0435\x0448\x043A\x0430"),
            L"\x0413\x0440\x0435\x0448\x043A\x0430.");
  EXPECT_EQ(Report(L"Access violation"), L"Access violation.");
  EXPECT_EQ(Report(L"Why?"), L"Why?.");  // '?' sorts after '.'
  EXPECT_EQ(Report(L"A/"), L"A/.");      // so does '/'
  EXPECT_EQ(Report(L"Done."), L"Done.");
  EXPECT_EQ(Report(L"Stop!"), L"Stop!");  // '!' sorts before '.'
  EXPECT_EQ(Report(L"a-"), L"a-");        // and '-'
  EXPECT_EQ(Report(L"trailing "), L"trailing ");
  EXPECT_EQ(Report(L""), L"");
}

TEST(ReportText, IsCutToFitAndStaysTerminated) {
  EXPECT_EQ(Report(L"abcdef", 4), L"abc");
  EXPECT_EQ(Report(L"abc", 4), L"abc");  // no room left for the stop
  EXPECT_EQ(Report(L"abc", 5), L"abc.");
}

TEST(CentreOffset, CentresThePictureInItsPanel) {
  EXPECT_EQ(CentreOffset(456, 360), 48);
  EXPECT_EQ(CentreOffset(90, 62), 14);
  EXPECT_EQ(CentreOffset(90, 61), 14);  // odd remainders go toward zero
}

TEST(CentreOffset, LargerPicturesGetNegativeOffsetsTruncatedTowardZero) {
  EXPECT_EQ(CentreOffset(456, 463), -3);  // not -4
  EXPECT_EQ(CentreOffset(90, 91), 0);     // not -1
  EXPECT_EQ(CentreOffset(90, 100), -5);
}

TEST(ScaleRect, DesignTextHeightChangesNothing) {
  RECT r = ScaleRect(RECT{86, 214, 344, 235}, 13, 13);
  EXPECT_EQ(r.left, 86);
  EXPECT_EQ(r.top, 214);
  EXPECT_EQ(r.right, 344);
  EXPECT_EQ(r.bottom, 235);
}

TEST(ScaleRect, LargerTextScalesEdgesWithRounding) {
  // The folder box at a text height of 16 (120 pixels per inch with a 16-pixel line).
  RECT r = ScaleRect(RECT{86, 214, 344, 235}, 16, 13);
  EXPECT_EQ(r.left, 106);    // 105.8
  EXPECT_EQ(r.top, 263);     // 263.4
  EXPECT_EQ(r.right, 423);   // 423.4
  EXPECT_EQ(r.bottom, 289);  // 289.2
}
