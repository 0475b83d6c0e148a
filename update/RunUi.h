#pragma once
// What an update run tells the user and how the user answers: the run's one way out. The
// run never names a window; the main window implements this, and so can anything that
// drives a run without one.
#include "update/Text.h"

// How a run ended.
enum class TRunEnd {
  NoLibrary,      // the unpacking library could not be used; the folder was not examined
  FolderRefused,  // the folder text does not name a product folder the run can work in
  NotFetched,     // the archives could not be taken from the medium; the product untouched
  Aborted,        // the passes ran, but something failed or the user aborted
  Succeeded,      // every pass ran and the success question was answered
};

class TRunUi {
public:
  // The status lines: the stage in hand (shown at once), the file in hand (shown, then
  // left for a moment so that it can be read), and an empty file line for the next stage.
  virtual void ShowStage(Cp1251Text stage) = 0;
  virtual void ShowFile(AnsiText name) = 0;
  virtual void ClearFile() = 0;
  // A message box with this composed text and style; IDOK or IDCANCEL.
  virtual int ShowBox(unsigned style, const wchar_t* text) = 0;
  // A report of the unpacking library in its own words ("Zip error N:" and its text).
  virtual void ShowLibraryReport(AnsiText text) = 0;
  // The run is over; nothing of it is shown after this.
  virtual void Ended(TRunEnd how) = 0;

protected:
  ~TRunUi() = default;
};
