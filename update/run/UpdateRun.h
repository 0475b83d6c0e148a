#pragma once
// One update run: what a press of the update button does, from the unpacking library and
// the folder check through one pass per disk to the success question. It owns its state
// and reaches the user only through the TRunUi it is given. The product folder ends either
// as it was or with every file of the update: a run that fails undoes its changes.
#include <windows.h>

#include <memory>
#include <optional>

#include "unzip/InfoZip.h"
#include "update/medium/Crypto.h"
#include "update/medium/Edition.h"
#include "update/transaction/Journal.h"
#include "update/medium/Manifest.h"
#include "update/medium/Medium.h"
#include "update/medium/OneFile.h"
#include "update/run/NameList.h"
#include "update/transaction/Placement.h"
#include "update/files/ProductLock.h"
#include "update/log/RunLog.h"
#include "update/run/RunUi.h"
#include "update/run/Text.h"
#include "update/files/WorkDir.h"

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
  // How a step of the run ended: the run goes on (no value), or it ends this way.
  using TOutcome = std::optional<TRunEnd>;

  TRunEnd Run(const char* folderText);
  // Creates and loads the adapter with the library at path; tells the user when it cannot be
  // used.
  TOutcome PrepareUnpacker(const char* path);
  // A one-file medium: its library written into the work folder and loaded from there.
  TOutcome PrepareCarriedUnpacker();
  // A one-file medium: the member written into the work folder as to; the copy error told
  // when it cannot be.
  TOutcome TakeOut(const TCarried& member, const char* to);
  // Copies the archives that a one-file medium carries into the work folder, each checked.
  TOutcome FetchCarried();
  // The description, or its signature, of the disk in hand or of the one file.
  TMediumFile ReadDiskFile(const char* name, void* buffer, DWORD capacity, DWORD* size);
  // Turns the folder text into the target folder, makes sure it is the product's folder and
  // that no other run updates it, undoes what an interrupted run left, and makes a fresh work
  // folder in it; tells the user why when it refuses.
  TOutcome CheckTargetFolder(const char* folderText);
  TOutcome RecoverEarlierRuns();
  // One disk: its archives fetched, unpacked and put in place.
  TOutcome Pass();
  // Copies the archives of the medium into the work folder.
  TOutcome FetchArchives();
  // Unpacks the archives that FetchArchives copied, each deleted after.
  TOutcome UnpackArchives();
  // Puts every file of the work folder in place in the product folder, rich-text files in
  // its Blanks subfolder.
  TOutcome DistributeFiles();
  // The files of this pass: every name fits a path, no file it replaces is open in another
  // program, and none is a folder or a link.
  TOutcome ListPass(TPass& pass);
  // How many disks the medium has and where the later ones come from: from their folders
  // beside the first, every one checked now, or from the drive on the user's word. A medium
  // whose later disks can come neither way is refused before anything changes.
  TOutcome PlanDisks();
  // Disk next in hand, from its folder or from the drive.
  TOutcome NextDisk(int next);
  TOutcome AskForDisk(int next);
  // Asks for disk next until the drive holds that disk of this medium.
  TOutcome ChangeDisk(int next);
  // The disk in the drive before anything of it is taken: its description read and, in a
  // program built with the publisher's key, its signature checked (the update ends when it
  // is not signed). *wrong, told to the user: the disk is not disk number of this medium.
  TOutcome TakeDisk(int number, bool* wrong);
  // With a description: every archive of the disk is listed in it and every one listed is
  // there.
  TOutcome CheckListing();
  // With a description: the archive just copied (copy, in the work folder) has the size and
  // hash listed for it.
  TOutcome CheckArchive(const char* name, const char* copy);
  // The archive is damaged or was changed (in a one-file medium: the file is): told, and the
  // update undone.
  TRunEnd Damaged(const char* folder, const char* name);
  // The edition of the product as the run found it, before anything changes.
  void NoteInstalledEdition();
  // Before a pass puts its files in place: it brings an older edition of the product's
  // program than the installed one, and the user does not want to go back.
  TOutcome AcceptEdition();
  // Before the first pass: the edition the description names is older than the installed
  // one, whichever disk brings the program, and the user does not want to go back.
  TOutcome AcceptMediumEdition();
  TOutcome AcceptOlder(TVersion brought);
  void StartProduct();
  // Undoes the run's changes, tells the user how that went; how the run ends.
  TRunEnd Fail();
  TUndo Undo();
  // Whether the work folder is still the one this run made; the log says when it is not.
  bool WorkIntact();
  // The previous files that could not be put back are in the backup folder of workDir.
  void SayNotRestored(const char* workDir);
  void End(TRunEnd how);

  // The one route of every box: the lines composed, logged, shown, the answer returned.
  int Ask(TAsk ask, unsigned style, const TMsgLine& line1, const TMsgLine& line2 = {},
          const TMsgLine& line3 = {}, const TMsgLine& line4 = {}, const TMsgLine& line5 = {});
  void Say(unsigned style, const TMsgLine& line1, const TMsgLine& line2 = {},
           const TMsgLine& line3 = {}, const TMsgLine& line4 = {}, const TMsgLine& line5 = {}) {
    Ask(TAsk::Nothing, style, line1, line2, line3, line4, line5);
  }
  // The system's reason for the call that just failed, into the log.
  void LogFailure();
  void LibraryReport(const char* text) override;

  const char* WorkDir() const { return Work.Path(); }

  TRunUi& Ui;
  TRunLog& Log;
  TWorkDir& Work;
  TMedium Medium;
  char DiskDir[MAX_PATH] = "";  // the folder of the disk in hand
  int Disks = 1;
  bool FromFolders = false;  // the later disks are folders beside the first
  char Target[MAX_PATH] = "";
  TFolder Product;  // the product folder, as the check accepted it
  TFolder Forms;    // its forms folder, closed when it has none
  std::unique_ptr<CInfoZip> Unzip;
  TNameList Fetched;  // the archives the latest stage 1 copied
  TCryptProvider Crypto;
  TManifest Disk;  // the description of the disk in hand, not Present() without one
  char MediumId[MediumIdChars + 1] = "";  // the medium of the first disk's description
  TProductLock Lock;
  TJournal Journal;
  TPlacement Placing;
  TVersion Installed;         // the product program's edition before the run
  bool HasInstalled = false;  // false when it carries none
  bool GoingBack = false;     // the user agreed to an older edition
};
