#pragma once
// The work folders of the updater in a product folder: how one is made, how one is known
// as ours, how one is removed.
#include <windows.h>

#include "update/FileUtils.h"
#include "update/FindFiles.h"
#include "update/Journal.h"

// The work folder that this process made in a product folder for the archives and the
// unpacked files of a run. It outlives the run: the window removes it when it closes, and
// the next run that makes its own removes it first. Folders this process did not make are
// never touched.
class TWorkDir {
public:
  TWorkDir() = default;
  ~TWorkDir() { Remove(); }
  TWorkDir(const TWorkDir&) = delete;
  TWorkDir& operator=(const TWorkDir&) = delete;

  // Removes the folder made before, then makes the first free TempN in target. False when
  // it cannot be made; Path() then names what failed, even a name too long for a path.
  bool Make(const char* target);
  // Deletes the folder with everything in it, if this process made it.
  void Remove();
  // Leaves the folder on the disk for good: it holds what could not be restored.
  void Keep() { Made = false; }
  const char* Path() const { return Name; }

private:
  char Name[MAX_PATH + 16] = "";
  bool Made = false;
};

// Deletes a work folder of ours with everything in it: the unpacked files, the journal, the
// backups. A file that cannot be deleted leaves the folder on the disk.
void RemoveWorkFolder(const char* path);

// "Temp" and digits: the names of our work folders.
bool IsWorkFolderName(const char* name);

// Calls visit(path) for each work folder of ours in target until it returns false. Folders
// of the user's, even one named TempN, carry no journal of ours and are never visited.
template <typename Visit>
bool ForEachWorkFolder(const char* target, Visit visit) {
  FindFiles folders(target, "Temp*");
  if (!folders.Found()) return true;
  do {
    char path[MAX_PATH];
    TJournalRecords records;
    if ((folders.Entry().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        IsWorkFolderName(folders.Name()) && JoinPath(target, folders.Name(), path) &&
        records.Read(path) && !visit(path))
      return false;
  } while (folders.Next());
  return true;
}

// Whether target holds a work folder of ours.
inline bool HasWorkFolder(const char* target) {
  return !ForEachWorkFolder(target, [](const char*) { return false; });
}
