#pragma once
#include "forms/Form.h"
#include "update/medium/Medium.h"
#include "update/run/RunUi.h"
#include "update/transaction/WorkDir.h"

// The updater's one window. It holds the controls and the event handlers, and shows an
// update run to the user.
class TFMain : public TForm, public TRunUi {
public:
  // logFile: the log file of the command line (ANSI), or none.
  explicit TFMain(const char* logFile = nullptr);

  TLabel* LblAction;
  TEdit* EditFolder;
  TButton* BtnInstall;
  TButton* BtnCancel;
  TButton* BtnBrowse;
  TLabel* LblFile;

  void BtnCancelClick();
  void BtnBrowseClick();  // app/Browse.cpp
  void BtnInstallClick();
  bool FormCloseQuery();

  // The run as the user sees it (app/Progress.cpp).
  bool ShowStage(Cp1251Text stage) override;
  bool ShowFile(AnsiText name) override;
  bool ClearFile() override;
  int ShowBox(TAsk ask, unsigned style, const wchar_t* text) override;
  void ShowLibraryReport(AnsiText text) override;
  void Ended(TRunEnd how) override;

  // The process's exit code: how the latest run ended; closed before any run ended, the
  // update did not complete.
  int ExitCode() const;

private:
  const char* LogFile;
  TMedium Medium;
  // The work folder of the latest run. It goes with the window object, once the window has
  // closed: waiting there for a file that another program holds freezes nothing.
  TWorkDir Work;
  bool Running = false;
  TRunEnd LastEnd = TRunEnd::NotChanged;
};
