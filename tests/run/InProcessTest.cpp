// The stages run inside this program, whose own folder is the medium (UNZDLL.DLL is copied
// beside it): the status lines as the window painted them, and what only a direct call can
// bring about.
#include <gtest/gtest.h>

#include <windows.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "Driver.h"
#include "Scenario.h"
#include "tests/TestThread.h"
#include "app/UMain.h"
#include "unzip/InfoZip.h"
#include "update/Stages.h"
#include "update/UpdateState.h"

namespace {

// The status lines at one paint of the window, as UTF-8.
struct Painted {
  std::string action, file;
};
std::vector<Painted> Paints;
WNDPROC FormProc = nullptr;

std::string Utf8Of1251(const char* text) {
  wchar_t wide[512] = L"";
  MultiByteToWideChar(1251, 0, text, -1, wide, 512);
  return ui::Utf8(wide);
}

LRESULT CALLBACK RecordPaint(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT)
    Paints.push_back({Utf8Of1251(FMain->LblAction->Caption()), Utf8Of1251(FMain->LblFile->Caption())});
  return CallWindowProcW(FormProc, wnd, msg, wp, lp);
}

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.rfind(L'\\'));
}

class InProcess : public ::testing::Test {
protected:
  void SetUp() override {
    for (const auto& [name, entries] : archives)
      ASSERT_TRUE(ui::WriteZip(ui::Join(OwnFolder(), name), entries));

    product = t.Sub(L"WinTalvo");
    t.Sub(L"WinTalvo\\Blanks");
    form = new TFMain;
    FMain = form;
    form->Show();
    FormProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordPaint)));
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);

    UpdateState.Aborted = false;
    const std::string target = ui::Narrow(product, CP_ACP);
    ASSERT_LT(target.size() + 6, size_t(MAX_PATH));
    strcpy(UpdateState.TargetDir, target.c_str());
    strcpy(UpdateState.WorkDir, (target + "\\Temp1").c_str());
    ASSERT_TRUE(CreateDirectoryA(UpdateState.WorkDir, nullptr));
    UpdateState.Unpacker = new CInfoZip;
    ASSERT_TRUE(UpdateState.Unpacker->LoadUnzDll());
  }

  void TearDown() override {
    ReleaseUnpacker();
    if (!form) return;
    SetWindowLongPtrW(form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FormProc));
    delete form;
    FMain = nullptr;
    for (const auto& archive : archives) DeleteFileW(ui::Join(OwnFolder(), archive.first).c_str());
  }

  // Runs a stage; checks that it painted its name, then each of these files in turn.
  void ExpectStage(bool (*stage)(), const char* action, std::vector<std::string> files) {
    Paints.clear();
    const DWORD start = GetTickCount();
    EXPECT_TRUE(stage());
    const DWORD took = GetTickCount() - start;
    ASSERT_EQ(Paints.size(), files.size() + 1) << "one paint for the stage, one per file";
    std::vector<std::string> shown;
    for (const Painted& p : Paints) {
      EXPECT_EQ(p.action, action);
      shown.push_back(p.file);
    }
    // Listing order is the file system's: compare as sets.
    shown.erase(shown.begin());
    std::sort(shown.begin(), shown.end());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(shown, files);
    EXPECT_GE(took + 10, 100 * files.size()) << "each file is shown for 100 ms";
  }

  const std::vector<std::pair<std::wstring, std::vector<ui::ZipEntry>>> archives = {
      {L"a.zip", {{"one.txt", "1"}, {"forms/FORM.RTF", "f"}}},
      {L"b.zip", {{"two.txt", "2"}}},
      {L"WinTalvo.zip", {{"setup.txt", "s"}}},
  };
  TApplication application;
  TFMain* form = nullptr;
  ui::TempDir t;
  std::wstring product;
};

// Answers every message box of this process with OK and keeps their texts, until stopped.
class BoxAnswerer {
public:
  BoxAnswerer() : thread_([this] { Run(); }) {}
  ~BoxAnswerer() { Stop(); }
  std::vector<std::string> Stop() {
    done_ = true;
    thread_.Join();
    return texts_;
  }

private:
  void Run() {
    while (!done_) {
      EnumWindows(Visit, reinterpret_cast<LPARAM>(this));
      Sleep(20);
    }
  }
  static BOOL CALLBACK Visit(HWND w, LPARAM self) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(w) || ui::ClassName(w) != L"#32770")
      return TRUE;
    auto* me = reinterpret_cast<BoxAnswerer*>(self);
    me->texts_.push_back(ui::Utf8(ui::Text(GetDlgItem(w, 0xFFFF))));
    SendMessageW(w, WM_COMMAND, IDOK, 0);
    return FALSE;
  }
  std::atomic<bool> done_{false};
  std::vector<std::string> texts_;
  TTestThread thread_;
};

TEST_F(InProcess, StatusLinesNameEachStageAndEachFileInHand) {
  ExpectStage(FetchArchives, u8"Копиране на файлове...", {"a.zip", "b.zip"});
  ExpectStage(UnpackArchives, u8"Разархивиране на файлове...", {"a.zip", "b.zip"});
  ExpectStage(DistributeFiles, u8"Копиране на файлове...", {"FORM.RTF", "one.txt", "two.txt"});
  EXPECT_FALSE(UpdateState.Aborted);
  EXPECT_TRUE(ui::Exists(ui::Join(product, L"Blanks\\FORM.RTF")));
  EXPECT_TRUE(ui::Exists(ui::Join(product, L"two.txt")));
}

// An unpacker that refuses (its library gone) stops the stage at the first archive and
// leaves every archive where it was.
TEST_F(InProcess, AnUnpackerThatRefusesStopsTheUnpackingAtTheFirstArchive) {
  ASSERT_TRUE(FetchArchives());
  UpdateState.Unpacker->FreeUnzDll();
  BoxAnswerer answerer;
  EXPECT_FALSE(UnpackArchives());
  const std::vector<std::string> boxes = answerer.Stop();
  ASSERT_EQ(boxes.size(), 1u);
  const std::string work = ui::Utf8(ui::Join(product, L"Temp1"));
  EXPECT_TRUE(boxes[0] == u8"Грешка при разархивиране на файл\r\n" + work +
                              u8"\\a.zip\r\nПродуктът не може да се актуализира." ||
              boxes[0] == u8"Грешка при разархивиране на файл\r\n" + work +
                              u8"\\b.zip\r\nПродуктът не може да се актуализира.")
      << boxes[0];
  EXPECT_TRUE(UpdateState.Aborted);
  EXPECT_TRUE(ui::Exists(ui::Join(product, L"Temp1\\a.zip")));
  EXPECT_TRUE(ui::Exists(ui::Join(product, L"Temp1\\b.zip")));
}

}  // namespace
