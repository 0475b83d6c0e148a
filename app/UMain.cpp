#include "app/UMain.h"

#include <string.h>

#include <memory>

#include "app/OwnMedium.h"
#include "forms/Rules.h"
#include "update/log/RunRecord.h"
#include "update/run/UpdateRun.h"

namespace {

// Drawn controls in painting order, then the windowed ones; pixels at 96 pixels per inch.
// Auto-sized labels (no csFixed) take the width of their text; the widths given are those
// of the first texts in MS Sans Serif.
// Columns: kind, name, parent, left, top, width, height, text, style, tab order, id.
const TLayoutRow MainRows[] = {
    {ckBevel, "Bvl2", nullptr, 4, 106, 464, 56, nullptr, 0, 0, 0},
    {ckBevel, "Bvl1", nullptr, 4, 4, 464, 98, nullptr, 0, 0, 0},
    {ckLabel, "Lbl2", nullptr, 16, 136, 22, 13, "тел.", csFixed, 0, 0},
    {ckLabel, "Lbl3", nullptr, 44, 136, 178, 13, "(02) 943 17 50,  (02) 943 17 51", csBold, 0, 0},
    {ckLabel, "Lbl4", nullptr, 300, 116, 34, 13, "E-mail:", csFixed, 0, 0},
    {ckLabel, "Lbl5", nullptr, 340, 116, 99, 13, "office@velmor.bg", csBold, 0, 0},
    {ckLabel, "Lbl6", nullptr, 340, 136, 109, 13, "support@velmor.bg", csBold, 0, 0},
    {ckBevel, "Bvl4", nullptr, 4, 166, 464, 86, nullptr, 0, 0, 0},
    {ckLabel, "LblAction", nullptr, 16, 176, 208, 13, "Моля, въведете точното име на папката,", 0,
     0, 0},
    {ckLabel, "LblFolder", nullptr, 10, 217, 70, 13, "Директория", csFixed, 0, 0},
    {ckLabel, "Lbl1", nullptr, 16, 116, 118, 13, "Фирма Велмор, София", 0, 0, 0},
    {ckLabel, "LblFile", nullptr, 16, 190, 167, 13, "в която е инсталиран продуктът.", 0, 0, 0},
    {ckEdit, "EditFolder", nullptr, 86, 214, 258, 21, "C:\\WinTalvo", 0, 0, 100},
    {ckButton, "BtnBrowse", nullptr, 346, 213, 40, 23, "...", csBold, 1, 101},
    {ckButton, "BtnInstall", nullptr, 86, 264, 110, 27, "Актуализация", csBold | csDefault, 2,
     IDOK},
    {ckButton, "BtnCancel", nullptr, 276, 264, 110, 27, "Отказ", csBold | csCancel, 3, IDCANCEL},
    {ckPanel, "Panel", nullptr, 8, 8, 456, 90, nullptr, csWhite, 4, 102},
    {ckImage, "Image1", "Panel", 48, 14, 360, 62, "BANNER", 0, 0, 0},
};

const TFormLayout MainLayout = {
    L"TFMain", " Актуализация на Талво",      472, 306, L"MS Sans Serif", -11, 13,
    MainRows,     sizeof MainRows / sizeof MainRows[0]};

}  // namespace

TFMain::TFMain(const char* logFile) : TForm(MainLayout), LogFile(logFile) {
  LblAction = Find<TLabel>("LblAction");
  EditFolder = Find<TEdit>("EditFolder");
  BtnInstall = Find<TButton>("BtnInstall");
  BtnCancel = Find<TButton>("BtnCancel");
  BtnBrowse = Find<TButton>("BtnBrowse");
  LblFile = Find<TLabel>("LblFile");

  BtnCancel->OnClick = static_cast<TNotifyEvent>(&TFMain::BtnCancelClick);
  BtnBrowse->OnClick = static_cast<TNotifyEvent>(&TFMain::BtnBrowseClick);
  BtnInstall->OnClick = static_cast<TNotifyEvent>(&TFMain::BtnInstallClick);
  OnCloseQuery = static_cast<TCloseQueryEvent>(&TFMain::FormCloseQuery);

  // Three disks are expected only when the updater runs from a removable drive.
  Medium = OwnMedium();

  TPanel* panel = Find<TPanel>("Panel");
  TImage* image = Find<TImage>("Image1");
  image->SetPosition(CentreOffset(panel->Width(), image->Width()),
                     CentreOffset(panel->Height(), image->Height()));
}

void TFMain::BtnCancelClick() { Close(); }

namespace {

// The folder box's whole text (ANSI): it has no length limit of its own, and blanks before
// the path must not push the path out.
std::unique_ptr<char[]> FolderText(const TEdit& edit) {
  char probe[1];
  const int size = edit.GetText(probe, sizeof probe) + 1;
  std::unique_ptr<char[]> text(new char[size]);
  edit.GetText(text.get(), size);
  return text;
}

// Marks a run under way for as long as it lasts, whatever way it leaves.
class TRunning {
public:
  explicit TRunning(bool& flag) : Flag(flag) { Flag = true; }
  ~TRunning() { Flag = false; }
  TRunning(const TRunning&) = delete;
  TRunning& operator=(const TRunning&) = delete;

private:
  bool& Flag;
};

}  // namespace

void TFMain::BtnInstallClick() {
  // A click that reaches the button while a box of the run is up must not start another.
  if (Running) return;
  {
    TRunning running(Running);
    std::unique_ptr<char[]> folder = FolderText(*EditFolder);
    TRunLog log(LogFile);
    TUpdateRun run(*this, Work, Medium, log);
    run.RunUpdate(folder.get());
  }
  switch (LastEnd) {
    case TRunEnd::NoLibrary:
    case TRunEnd::Busy:
    case TRunEnd::NotFetched: break;  // nothing was changed: the user may try again
    case TRunEnd::FolderRefused:
      EditFolder->SelectAll();
      EditFolder->SetFocus();
      break;
    case TRunEnd::NotChanged:
    case TRunEnd::RolledBack:
    case TRunEnd::RestoreIncomplete:
    case TRunEnd::Unreachable:
    case TRunEnd::Current:
    case TRunEnd::Succeeded: Close(); break;
  }
}

// A close request while a run is under way (the task bar, Alt+F4 or WM_CLOSE while one of
// its boxes is up) would unload the library under its own call; the run ends first and
// closes the window itself where it should.
bool TFMain::FormCloseQuery() { return !Running; }

int TFMain::ExitCode() const { return ExitCodeOf(LastEnd); }
