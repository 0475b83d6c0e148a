#pragma once
// One update run: what a press of the update button does, from the unpacking library and
// the folder check through one pass per disk to the success question. It owns its state
// and reaches the user only through the TRunUi it is given. The product folder ends either
// as it was or with every file of the update: a run that fails undoes its changes.
#include <windows.h>

#include <memory>

#include "unzip/InfoZip.h"
#include "update/Edition.h"
#include "update/Journal.h"
#include "update/Medium.h"
#include "update/NameList.h"
#include "update/Placement.h"
#include "update/ProductLock.h"
#include "update/ProductNames.h"
#include "update/RunLog.h"
#include "update/RunUi.h"
#include "update/Text.h"
#include "update/WorkDir.h"

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

  // The steps of the run, each true when the run may go on.
  // Creates and loads the adapter; tells the user when the library cannot be used.
  bool PrepareUnpacker();
  // Turns the folder text into TargetDir, makes sure it is the product's folder and that no
  // other run updates it, undoes what an interrupted run left, and makes a fresh work
  // folder in it; tells the user why when it refuses.
  bool CheckTargetFolder(const char* folderText);
  // Copies the archives of the medium into the work folder; false when a copy fails or
  // there is no archive at all.
  bool FetchArchives();
  // Unpacks the archives that FetchArchives copied, each deleted after; false when the
  // unpacker refused or the library reported an error (after the last archive).
  bool UnpackArchives();
  // Puts every file of the work folder in place in the product folder, rich-text files in
  // its Blanks subfolder; false at the first file that cannot be, or when the user gives up
  // waiting for a file in use.
  bool DistributeFiles();

  const char* TargetDir() const { return Target; }
  const char* WorkDir() const { return Work.Path(); }
  CInfoZip* Unpacker() const { return Unzip.get(); }

private:
  // The one route of every box: the lines composed, shown, the answer returned.
  int Ask(TAsk ask, unsigned style, TMsgLine line1, TMsgLine line2 = {}, TMsgLine line3 = {},
          TMsgLine line4 = {}, TMsgLine line5 = {});
  void Say(unsigned style, TMsgLine line1, TMsgLine line2 = {}, TMsgLine line3 = {},
           TMsgLine line4 = {}, TMsgLine line5 = {}) {
    Ask(TAsk::Nothing, style, line1, line2, line3, line4, line5);
  }
  bool AskForDisk(int next);
  // The edition of the product as the run found it, before anything changes.
  void NoteInstalledEdition();
  // Before a pass puts its files in place: false when it brings an older edition of the
  // product's program than the installed one and the user does not want to go back.
  bool AcceptEdition();
  bool RecoverEarlierRuns();
  bool AllFit();
  bool NothingHeld();
  void StartProduct();
  // Undoes the run's changes, tells the user how that went, and ends.
  void Fail();
  // The previous files that could not be put back are in the backup folder of workDir.
  void SayNotRestored(const char* workDir);
  void End(TRunEnd how);
  void LibraryReport(const char* text) override;

  // Calls visit(name, source, dest) for each file of the work folder that goes into the product,
  // until it returns false; source is empty when its path does not fit, dest when the
  // destination's does not. False when a visit returned false.
  template <typename Visit>
  bool ForEachFile(Visit visit);

  TRunUi& Ui;
  TRunLog& Log;
  TWorkDir& Work;
  TMedium Medium;
  char Target[MAX_PATH] = "";
  std::unique_ptr<CInfoZip> Unzip;
  TNameList Fetched;  // the archives the latest stage 1 copied
  TProductLock Lock;
  TJournal Journal;
  TPlacement Placing;
  TRunEnd Refusal = TRunEnd::FolderRefused;  // why the folder check said no
  TVersion Installed;         // the product program's edition before the run
  bool HasInstalled = false;  // false when it carries none
  bool GoingBack = false;     // the user agreed to an older edition
};
