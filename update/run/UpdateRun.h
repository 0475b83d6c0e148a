#pragma once
// One update run: what a press of the update button does, from the unpacking library and
// the folder check through one pass per disk to the success question. It reaches the user
// only through the TRunUi it is given. The product folder ends either as it was or with
// every file of the update: a step that fails says so and the run undoes its changes here.
#include <windows.h>

#include <memory>

#include "unzip/InfoZip.h"
#include "update/transaction/WorkDir.h"
#include "update/log/RunLog.h"
#include "update/run/Disks.h"
#include "update/medium/Medium.h"
#include "update/medium/OneFile.h"
#include "update/run/ProductFolder.h"
#include "update/run/EditionCheck.h"
#include "update/run/NameList.h"
#include "update/run/Outcome.h"
#include "update/run/RunUi.h"
#include "update/run/Talk.h"
#include "update/transaction/Journal.h"
#include "update/transaction/Placement.h"

class TUpdateRun : private TUnzReporter {
public:
  // work is the work folder of this process, which outlives the run; medium is where the
  // archives come from; log records what the run does and every box it shows.
  TUpdateRun(TRunUi& ui, TWorkDir& work, const TMedium& medium, TRunLog& log);
  TUpdateRun(const TUpdateRun&) = delete;
  TUpdateRun& operator=(const TUpdateRun&) = delete;

  // The whole run over the text of the folder box (ANSI); ends by telling the ui how it
  // ended.
  void RunUpdate(const char* folderText);

private:
  TOutcome Run(const char* folderText);
  // The adapter with the bytes of the library beside the program, checked.
  TOutcome ReadUnpacker();
  // A one-file medium: the adapter with the bytes of the library it carries, checked.
  TOutcome TakeCarriedUnpacker();
  // The library's bytes taken, written into the work folder and loaded from there.
  TOutcome LoadUnpacker();
  // The library cannot be used as load says: told to the user; how the run ends.
  TOutcome RefuseLibrary(TUnzLoad load);
  // A one-file medium: the member written into the work folder as to.
  TOutcome TakeOut(const TCarried& member, const char* to);
  // Copies the archives that a one-file medium carries into the work folder, each checked.
  TOutcome FetchCarried();
  // One disk: its archives fetched, unpacked and put in place.
  TOutcome Pass();
  // Copies the archives of the disk in hand into the work folder.
  TOutcome FetchArchives();
  // Unpacks the archives that FetchArchives copied, each deleted after.
  TOutcome UnpackArchives();
  // Puts every file of the work folder in place in the product folder, rich-text files in
  // its Blanks subfolder.
  TOutcome DistributeFiles();
  // The files of this pass: every name fits a path, no file it replaces is open in another
  // program, and none is a folder or a link.
  TOutcome ListPass(TPass& pass);
  void StartProduct();
  // Undoes the run's changes, tells the user how that went; how the run ends.
  TRunEnd Fail();
  TUndo Undo();
  void End(TRunEnd how);
  void LibraryReport(const char* text) override;

  const char* WorkDir() const { return Work.Path(); }

  TRunTalk Talk;
  TWorkDir& Work;
  TMedium Medium;
  TDisks Disks;
  TProductFolder Product;
  TEditions Editions;
  std::unique_ptr<CInfoZip> Unzip;
  char LibraryPath[MAX_PATH] = "";  // the library beside the program
  TNameList Fetched;                // the archives the latest stage 1 copied
  TJournal Journal;
  TPlacement Placing;
};
