#pragma once
// What an update run tells the user and how the user answers: the run's one way out. The
// run never names a window; the main window implements this, and so can anything that
// drives a run without one.
#include "update/log/RunEnd.h"
#include "update/log/Text.h"

// What a box asks, so that whoever answers for the user (an unattended run) knows which
// answer keeps the product safe.
enum class TAsk {
  Nothing,    // a message with OK alone
  Disk,       // the next disk of the update: OK when it is in the drive
  Abort,      // whether to abort the update: OK aborts
  HeldFile,   // a product file is in use: OK to try again, Cancel ends the update
  Downgrade,  // the medium holds an older edition: OK goes on, Cancel ends the update
  Start,      // the update succeeded; OK starts the product
};

// No call of this interface lets an exception out: the run is built without them and must
// end through its own rollback. Whatever fails on the window's side comes back as an answer
// that ends the run.
class TRunUi {
public:
  // The status lines: the stage in hand (shown at once), the file in hand (shown, then
  // left for a moment so that it can be read), and an empty file line for the next stage.
  // False when the window could not show it: the run fails.
  virtual bool ShowStage(Cp1251Text stage) = 0;
  virtual bool ShowFile(AnsiText name) = 0;
  virtual bool ClearFile() = 0;
  // A message box with this composed text and style; IDOK or IDCANCEL (to Abort: IDOK
  // when the box could not be shown).
  virtual int ShowBox(TAsk ask, unsigned style, const wchar_t* text) = 0;
  // A report of the unpacking library in its own words ("Zip error N:" and its text).
  virtual void ShowLibraryReport(AnsiText text) = 0;
  // The run is over; nothing of it is shown after this.
  virtual void Ended(TRunEnd how) = 0;

protected:
  ~TRunUi() = default;
};
