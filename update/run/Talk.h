#pragma once
// The run's voice: every box it shows and every system reason it logs go through here. A box
// is composed, logged, shown and its answer logged. When the work folder was swapped while a
// box was up, the answer is the one that stops the update, whatever was pressed: no step has
// to look again after a box.
#include <windows.h>

#include "update/transaction/WorkDir.h"
#include "update/log/RunLog.h"
#include "update/run/Outcome.h"
#include "update/run/RunUi.h"

class TRunTalk {
public:
  TRunTalk(TRunUi& ui, TRunLog& log, const TWorkDir& work) : Ui(ui), Log(log), Work(work) {}
  TRunTalk(const TRunTalk&) = delete;
  TRunTalk& operator=(const TRunTalk&) = delete;

  // The one route of every box: the lines composed, logged, shown, the answer returned.
  int Ask(TAsk ask, unsigned style, const TMsgLine& line1, const TMsgLine& line2 = {},
          const TMsgLine& line3 = {}, const TMsgLine& line4 = {}, const TMsgLine& line5 = {});
  void Say(unsigned style, const TMsgLine& line1, const TMsgLine& line2 = {},
           const TMsgLine& line3 = {}, const TMsgLine& line4 = {}) {
    Ask(TAsk::Nothing, style, line1, line2, line3, line4);
  }
  // A failed system call that ends the run: its reason into the log, the error box with
  // these lines, and how the run ends. A failure the user need not act on (the product not
  // started, a restore step whose outcome a later box tells) only logs its reason.
  TOutcome Failed(TOutcome how, const TMsgLine& line1, const TMsgLine& line2 = {},
                  const TMsgLine& line3 = {});
  // The system's reason for the call that just failed, into the log.
  void LogFailure();
  // Whether the work folder is still the one this run made; the log says when it is not.
  bool WorkIntact();
  // The previous files that could not be put back are in the backup folder of workDir.
  void SayNotRestored(const char* workDir);

  TRunUi& Ui;
  TRunLog& Log;

private:
  const TWorkDir& Work;
};
