// The form layer inside a process: labels, edit box, caption, and the exception reports.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "Driver.h"
#include "TestForm.h"
#include "forms/Text.h"

namespace {

std::string Caption(const TLabel* label) {
  char text[512];
  Narrow(1251, label->Caption(), text, sizeof text);
  return text;
}

}  // namespace

TEST(Label, AutoSizedLabelFollowsItsTextBothWays) {
  TTestForm form;
  int shortWidth = form.Auto->Width();
  EXPECT_GT(shortWidth, 0);

  form.Auto->SetCaption("Копиране на файл C:\\WinTalvo\\Temp1\\Blanks\\Договор.rtf");
  EXPECT_GT(form.Auto->Width(), 3 * shortWidth);
  EXPECT_EQ(Caption(form.Auto), "Копиране на файл C:\\WinTalvo\\Temp1\\Blanks\\Договор.rtf");

  form.Auto->SetCaption("Кратък");
  EXPECT_EQ(form.Auto->Width(), shortWidth);
  form.Auto->SetCaption("");
  EXPECT_EQ(form.Auto->Width(), 0);
  EXPECT_EQ(Caption(form.Auto), "");
}

namespace {

// Pixels other than the button face in a band of the form's surface, as it is on screen.
int InkIn(HWND form, int left, int right, int top, int bottom) {
  HDC dc = GetDC(form);
  COLORREF face = GetPixel(dc, 1, 1);  // the form's own background
  int ink = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) ink += GetPixel(dc, x, y) != face;
  ReleaseDC(form, dc);
  return ink;
}

}  // namespace

TEST(Label, AShorterTextLeavesNothingOfALongerOne) {
  TTestForm form;
  form.Show();
  form.Auto->SetCaption("Разархивиране на файл C:\\WinTalvo\\Temp1\\Обновяване.zip");
  UpdateWindow(form.Handle());
  int longRight = form.Auto->Left() + form.Auto->Width();
  int top = form.Auto->Top(), bottom = top + form.Auto->Height();

  form.Auto->SetCaption("Край");
  UpdateWindow(form.Handle());  // paints only what the label made invalid
  int shortRight = form.Auto->Left() + form.Auto->Width();
  ASSERT_LT(shortRight + 10, longRight);
  EXPECT_GT(InkIn(form.Handle(), form.Auto->Left(), shortRight, top, bottom), 0);
  EXPECT_EQ(InkIn(form.Handle(), shortRight + 4, longRight, top, bottom), 0);
}

TEST(Label, FixedLabelKeepsItsWidth) {
  TTestForm form;
  RECT before = {form.Fixed->Left(), 0, form.Fixed->Width(), 0};
  form.Fixed->SetCaption("Много по-дълъг текст от полето си");
  EXPECT_EQ(form.Fixed->Left(), before.left);
  EXPECT_EQ(form.Fixed->Width(), before.right);
}

TEST(Bevel, IsTheLoweredEtchedFrame) {
  TTestForm form;
  form.Show();
  UpdateWindow(form.Handle());
  HDC dc = GetDC(form.Handle());
  int x = form.Frame->Left(), y = form.Frame->Top();
  int w = form.Frame->Width(), h = form.Frame->Height();
  auto at = [&](int dx, int dy) { return GetPixel(dc, x + dx, y + dy); };
  COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  // The shadow outline from (0, 0) to (w-2, h-2), over the highlight one from (1, 1) to
  // (w-1, h-1); the inside and the two far corners stay the form's.
  EXPECT_EQ(at(0, 0), shadow);
  EXPECT_EQ(at(w - 2, 1), shadow);
  EXPECT_EQ(at(1, h - 2), shadow);
  EXPECT_EQ(at(w - 2, h - 2), shadow);
  EXPECT_EQ(at(1, 1), light);
  EXPECT_EQ(at(w - 1, h - 1), light);
  EXPECT_EQ(at(w - 1, 1), light);
  EXPECT_EQ(at(1, h - 1), light);
  EXPECT_EQ(at(w / 2, h - 1), light);
  EXPECT_EQ(at(w - 1, 0), face);
  EXPECT_EQ(at(0, h - 1), face);
  EXPECT_EQ(at(w / 2, h / 2), face);
  ReleaseDC(form.Handle(), dc);
}

TEST(Edit, TextRoundTripsAndIsCutToFitWithItsWholeLength) {
  TTestForm form;
  char buf[260];
  EXPECT_EQ(form.Edit->GetText(buf, sizeof buf), 11);
  EXPECT_STREQ(buf, "C:\\WinTalvo");

  form.Edit->SetText("D:\\Program Files\\Talvo");
  EXPECT_EQ(form.Edit->GetText(buf, sizeof buf), 22);
  EXPECT_STREQ(buf, "D:\\Program Files\\Talvo");

  char small[6];
  memset(small, 'x', sizeof small);
  EXPECT_EQ(form.Edit->GetText(small, sizeof small), 22);  // cut: the caller can tell
  EXPECT_STREQ(small, "D:\\Pr");
}

TEST(Edit, LongerThanAPathIsKeptWhole) {
  TTestForm form;
  std::string longText = "C:\\" + std::string(400, 'a');
  form.Edit->SetText(longText.c_str());
  char buf[MAX_PATH];
  EXPECT_EQ(form.Edit->GetText(buf, sizeof buf), 403);
  EXPECT_EQ(strlen(buf), size_t(MAX_PATH - 1));
}

TEST(Form, CaptionComesBackAsWindows1251) {
  TTestForm form;
  char buf[64];
  EXPECT_EQ(form.GetCaption(buf, sizeof buf), 6);
  EXPECT_STREQ(buf, " Проба");  // this source is compiled to Windows-1251
  char small[4];
  form.GetCaption(small, sizeof small);
  EXPECT_STREQ(small, " Пр");
}

TEST(ExceptionReport, AHandlerThatThrowsIsReportedAndTheFormGoesOn) {
  TTestForm form;
  form.Show();
  ui::BoxAnswerer answerer(GetCurrentProcessId(), 10000);
  SendMessageW(form.Throw->Handle(), BM_CLICK, 0, 0);
  ASSERT_TRUE(answerer.Stop());
  EXPECT_EQ(answerer.Seen().caption, L"forms_tests");
  EXPECT_EQ(answerer.Seen().text,
            L"\x0413\x0440\x0435\x0448\x043A\x0430 \x0432 \x043E\x0431\x0440\x0430\x0431\x043E"
            L"\x0442\x0447\x0438\x043A\x0430.");  // "Грешка в обработчика."
  EXPECT_EQ(answerer.Seen().icon, ui::Icon::Error);

  SendMessageW(form.Ok->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(form.Clicks, 1);
}

TEST(ExceptionReport, TheSilentAbortShowsNothing) {
  TTestForm form;
  form.Show();
  ui::BoxAnswerer answerer(GetCurrentProcessId(), 1500);
  SendMessageW(form.Abort->Handle(), BM_CLICK, 0, 0);
  Sleep(1000);
  EXPECT_FALSE(answerer.Stop());
  SendMessageW(form.Ok->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(form.Clicks, 1);
}

TEST(ExceptionReport, AFaultInAHandlerIsReportedAndTheProcessEndsWithTheCodeGiven) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  wcscpy(wcsrchr(path, L'\\') + 1, L"forms_fault.exe");
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(
      CreateProcessW(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  ui::BoxAnswerer answerer(pi.dwProcessId, 20000);
  bool seen = answerer.Wait();
  bool ended = WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(pi.hProcess, 99);
  EXPECT_TRUE(ended);
  DWORD code = 99;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);

  ASSERT_TRUE(seen);
  EXPECT_EQ(answerer.Seen().caption, L"forms_fault");
  // "Нарушение на достъпа при запис в адрес 00000000 (...)."
  EXPECT_EQ(
      answerer.Seen().text.rfind(L"\x041D\x0430\x0440\x0443\x0448\x0435\x043D\x0438\x0435", 0), 0u)
      << std::string(answerer.Seen().text.begin(), answerer.Seen().text.end());
  EXPECT_NE(answerer.Seen().text.find(L" 00000000 "), std::wstring::npos);
  EXPECT_EQ(answerer.Seen().icon, ui::Icon::Error);
  EXPECT_EQ(code, 7u);
}
