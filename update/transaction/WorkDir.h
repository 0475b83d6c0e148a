#pragma once
// The work folders of the updater in a product folder: how one is made, how one is known as
// ours, how one is removed. A run makes its work folder new and holds it open while it lives,
// so that nobody can swap it, or its backup folder, for a link.
#include <windows.h>

#include "update/files/FileUtils.h"
#include "update/files/FindFiles.h"
#include "update/transaction/Journal.h"
#include "update/files/SafeFiles.h"

// The work folder's subfolder of the run's own copy of UNZDLL.DLL, which it loads from there:
// a dot name, never put into the product.
inline constexpr char LibraryFolderName[] = ".library";

class TWorkDir {
public:
  // How long the removal at the end waits for a file that another program holds.
  enum : DWORD { PatienceMs = 10000 };

  TWorkDir() = default;
  ~TWorkDir() { Release(PatienceMs); }
  TWorkDir(const TWorkDir&) = delete;
  TWorkDir& operator=(const TWorkDir&) = delete;

  // Lets the folder made before go (see Release), then makes the first free TempN in target
  // with its backup and library folders, all new and held. False when they cannot be made; Path()
  // then names what failed, even a name too long for a path.
  bool Make(const char* target);
  // Removes the folder with everything in it while it is still the one made here; its
  // journal goes last, so that what stays is known as ours by the next run.
  void Remove(DWORD patienceMs = 0);
  // Leaves the folder on the disk for good: it holds what could not be restored.
  void Keep();
  // The run in it ended through its own end: rolled back, committed, or kept. Until then
  // the folder is never removed: a run cut short leaves its journal and every backup for
  // the next run's recovery.
  void Done() { Ended = true; }
  // Removes the folder when its run ended, keeps it otherwise.
  void Release(DWORD patienceMs = 0) { Ended ? Remove(patienceMs) : Keep(); }
  // Whether the folder and its backup folder are still those made here, not links.
  bool Intact() const { return Work.Intact() && Backup.Intact(); }
  const char* Path() const { return Name; }
  const TFolder& Folder() const { return Work; }
  const TFolder& BackupFolder() const { return Backup; }
  const TFolder& LibraryFolder() const { return Library; }

private:
  char Name[MAX_PATH + 16] = "";
  TFolder Work, Backup, Library;
  bool Ended = false;
};

// "Temp" and digits: the names of our work folders.
bool IsWorkFolderName(const char* name);

// Calls visit(path) for each folder of target named as a work folder of ours until it returns
// false; a link of such a name is not one of ours and is never visited. False when a visit
// returned false.
template <typename Visit>
bool ForEachWorkFolder(const char* target, Visit visit) {
  TFindFiles folders(target, "Temp*");
  if (!folders.Found()) return true;
  do {
    const DWORD attributes = folders.Entry().dwFileAttributes;
    char path[MAX_PATH];
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && IsWorkFolderName(folders.Name()) &&
        JoinPath(target, folders.Name(), path) && !visit(path, attributes))
      return false;
  } while (folders.Next());
  return true;
}

// What the journal of a folder named like a work folder (path, with the attributes its
// listing gave) says of it, the folder opened and held in work. A link is never ours.
TJournalState ReadWorkFolder(const char* path, DWORD attributes, TFolder* work,
                             TJournalRecords* records);

// Whether target holds a work folder of ours: an interrupted run may have moved the product's
// program into it.
bool HasWorkFolder(const char* target);

// Removes a work folder of ours: everything but its journal first, the journal last, then
// the folder (closed). Nothing is followed through a link. True when it is gone.
bool RemoveWorkFolder(TFolder& work);
