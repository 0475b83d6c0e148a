#include "Update.h"

#include <algorithm>

namespace run {

std::wstring FakeProduct() { return support::WindowsPath(TALVO_FAKE_VANTO); }
std::wstring LibraryWithoutExec() { return support::WindowsPath(TALVO_UNZDLL_NO_EXEC); }
std::wstring TrapProgram() { return support::WindowsPath(TALVO_TRAP_PROGRAM); }

std::string FakeProductBytes() { return support::Read(FakeProduct()); }

bool InOrder(const std::vector<std::string>& events, const std::vector<std::string>& want) {
  auto at = events.begin();
  for (const std::string& e : want) {
    at = std::find(at, events.end(), e);
    if (at == events.end()) return false;
    ++at;
  }
  return true;
}

void Update::SetUp() {
  product = t.Sub(L"WinTalvo");
  t.Sub(L"WinTalvo\\Blanks");
  ASSERT_TRUE(support::CopyInto(FakeProduct(), product));
  cd = t.Sub(L"cd");
  updater = ui::MakeMedium(cd);
  ASSERT_FALSE(updater.empty());
}

void Update::Start(const std::wstring& exe) {
  Launch(exe);
  if (HasFatalFailure()) return;
  ASSERT_TRUE(ui::SetText(edit, product));
  Press();
}

void Update::Press() { ui::Click(ui::Control(w, ui::kBtnInstall)); }

ui::Box Update::NextBox(DWORD timeoutMs) {
  HWND box = app.WaitBox(timeoutMs);
  EXPECT_NE(box, nullptr) << "no message box came";
  return ui::ReadBox(box);
}

bool Update::NoBox(DWORD timeoutMs) { return app.WaitBox(timeoutMs) == nullptr; }

void Update::ExpectError(const ui::Box& box, const std::string& utf8Text) {
  EXPECT_EQ(ui::Utf8(box.caption), texts::kCaption);
  EXPECT_EQ(ui::Utf8(box.text), utf8Text);
  EXPECT_EQ(box.icon, ui::Icon::Error);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
}

void Update::ExpectWarning(const ui::Box& box, const std::string& utf8Text) {
  EXPECT_EQ(ui::Utf8(box.caption), texts::kCaption);
  EXPECT_EQ(ui::Utf8(box.text), utf8Text);
  EXPECT_EQ(box.icon, ui::Icon::Warning);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
}

void Update::ExpectHeldFile(const ui::Box& box, const std::wstring& path) {
  const std::string lines = texts::HeldFile(ui::Utf8(path));
  const std::string text = ui::Utf8(box.text);
  EXPECT_EQ(text.substr(0, lines.size()), lines);
  // Where the system can tell, the program that holds it is named last.
  const std::string program = u8"\r\nПрограма: ";
  if (text.size() > lines.size()) {
    EXPECT_EQ(text.compare(lines.size(), program.size(), program), 0) << text;
  }
  EXPECT_EQ(ui::Utf8(box.caption), texts::kCaption);
  EXPECT_EQ(box.icon, ui::Icon::Warning);
  EXPECT_EQ(box.buttons, (std::vector<int>{IDOK, IDCANCEL}));
}

void Update::ExpectSuccessQuestion(const ui::Box& box) {
  EXPECT_EQ(ui::Utf8(box.caption), texts::kCaption);
  EXPECT_EQ(ui::Utf8(box.text), texts::kSucceeded);
  EXPECT_EQ(box.icon, ui::Icon::Question);
  EXPECT_EQ(box.buttons, (std::vector<int>{IDOK, IDCANCEL}));
}

void Update::ExpectClosedAndClean(DWORD exitCode) {
  EXPECT_TRUE(ui::WaitGone(w)) << "the window stayed open";
  DWORD code = 9;
  ASSERT_TRUE(app.WaitExit(&code)) << "the updater still runs";
  EXPECT_EQ(code, exitCode);
  ExpectNoWorkFolder();
}

void Update::AskToCloseDuring(const ui::Box& box) {
  const HWND application = GetWindow(w, GW_OWNER);
  ASSERT_NE(application, nullptr);
  DWORD_PTR result;
  SendMessageTimeoutW(application, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, ui::kWaitMs, &result);
  SendMessageTimeoutW(w, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_ABORTIFHUNG, ui::kWaitMs, &result);
  SendMessageTimeoutW(w, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, ui::kWaitMs, &result);
  Sleep(300);  // the application window posts its request on
  EXPECT_TRUE(IsWindowVisible(box.hwnd)) << "the box went away";
  EXPECT_TRUE(IsWindow(w)) << "the window closed under the run";
}

void Update::ExpectStillOpen() {
  EXPECT_TRUE(app.Running());
  EXPECT_TRUE(IsWindowVisible(w)) << "the window closed";
}

void Update::ExpectNoWorkFolder() {
  for (const std::wstring& name : support::List(product))
    EXPECT_NE(name.compare(0, 4, L"Temp"), 0) << "work folder left: " << ui::Utf8(name);
}

namespace {

BOOL CALLBACK FirstWindowOf(HWND w, LPARAM lp) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  auto* seen = reinterpret_cast<std::pair<DWORD, HWND>*>(lp);
  if (pid == seen->first) seen->second = w;
  return pid != seen->first;
}

}  // namespace

DWORD Update::RunToEnd(const std::wstring& args, bool* windowSeen) {
  ui::App run;
  DWORD code = 99;
  bool seenAny = false;
  if (!run.Start(updater, t.Path(), args)) return code;
  for (const DWORD start = GetTickCount();
       !run.WaitExit(&code, 10) && GetTickCount() - start < 30000;) {
    std::pair<DWORD, HWND> seen(run.Pid(), nullptr);
    EnumWindows(FirstWindowOf, reinterpret_cast<LPARAM>(&seen));
    seenAny = seenAny || seen.second;
  }
  if (windowSeen) *windowSeen = seenAny;
  return code;
}

std::string Update::ProductRun(DWORD timeoutMs) {
  const std::wstring record = Product(L"vanto-ran.txt");
  std::string text;
  // Two lines: the command line and the current directory.
  ui::WaitUntil(
      [&] {
        size_t first;
        return support::ReadFile(record, &text) && (first = text.find("\r\n")) != text.npos &&
               text.find("\r\n", first + 2) != text.npos;
      },
      timeoutMs);
  return text;
}

}  // namespace run
