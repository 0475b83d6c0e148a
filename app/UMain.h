#pragma once
#include "forms/Form.h"
#include "update/Medium.h"
#include "update/RunUi.h"
#include "update/WorkDir.h"

// The updater's one window. It holds the controls and the event handlers, and shows an
// update run to the user.
class TFMain : public TForm, public TRunUi {
public:
  // logFile: the log file of the command line (ANSI), or none.
  explicit TFMain(const char* logFile = nullptr);

  TLabel* Lbl2;
  TLabel* Lbl3;
  TLabel* Lbl4;
  TLabel* Lbl5;
  TLabel* Lbl6;
  TBevel* Bvl4;
  TLabel* LblAction;
  TLabel* LblFolder;
  TEdit* EditFolder;
  TButton* BtnInstall;
  TButton* BtnCancel;
  TBevel* Bvl1;
  TButton* BtnBrowse;
  TPanel* Panel;
  TImage* Image1;
  TBevel* Bvl2;
  TLabel* Lbl1;
  TLabel* LblFile;

  void BtnCancelClick();
  void BtnBrowseClick();  // app/Browse.cpp
  void BtnInstallClick();
  bool FormCloseQuery();
  void FormClose();

  // The run as the user sees it (app/Progress.cpp).
  void ShowStage(Cp1251Text stage) override;
  void ShowFile(AnsiText name) override;
  void ClearFile() override;
  int ShowBox(TAsk ask, unsigned style, const wchar_t* text) override;
  void ShowLibraryReport(AnsiText text) override;
  void Ended(TRunEnd how) override;

  // The process's exit code: how the latest run ended; closed before any run ended, the
  // update did not complete.
  int ExitCode() const;

private:
  const char* LogFile;
  TMedium Medium;
  TWorkDir Work;
  bool Running = false;
  TRunEnd LastEnd = TRunEnd::NotChanged;
};

extern TFMain* FMain;
