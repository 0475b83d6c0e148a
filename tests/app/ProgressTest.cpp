// The window's side of a run: the status lines read each text in its own code page.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/UMain.h"
#include "forms/Application.h"

namespace {

TEST(Progress, TheFileLineReadsAPathInTheSystemsCodePageTheStageLineAsWindows1251) {
  ASSERT_EQ(GetACP(), 1252u) << "run this under LC_ALL=C.UTF-8";
  TApplication application;
  TFMain form;
  form.ShowStage(Cp1251Text{"Копиране на файлове..."});
  form.ShowFile(AnsiText{"C:\\B\xFCro\\Caf\xE9.txt"});
  EXPECT_STREQ(form.LblAction->Caption(), L"Копиране на файлове...");
  EXPECT_STREQ(form.LblFile->Caption(), L"C:\\B\u00FCro\\Caf\u00E9.txt");
}

}  // namespace
