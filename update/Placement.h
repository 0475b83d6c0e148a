#pragma once
// Puts the files of an update in place so that every change can be undone: the new bytes go
// to a temporary file beside the destination and are flushed; the product's own file is
// renamed into the backup folder of the work folder (the same volume); then the temporary is
// renamed to the destination. The journal has each step before it is taken.
#include <windows.h>

#include "update/Journal.h"
#include "update/NameList.h"

// The backup folder in a work folder: the product's files that the update replaced.
inline constexpr char BackupName[] = ".backup";

class TPlacement {
public:
  TPlacement(TJournal& journal, const char* workDir) : Journal(journal), WorkDir(workDir) {}
  TPlacement(const TPlacement&) = delete;
  TPlacement& operator=(const TPlacement&) = delete;

  // Whether the temporary and backup names of a file put at dest fit a path.
  bool Fits(const char* dest) const;
  // Puts source at dest. A file replaced again (by a later disk) keeps its first backup,
  // the product's own. False when a step failed: nothing more is done then.
  bool Place(const char* source, const char* dest);
  // Whether any change of the product has been announced in the journal.
  bool Started() const { return Next > 1; }
  // Every file is in place: from now on nothing is undone.
  bool Commit() { return Journal.Record(TStep::Commit, 0, ""); }

private:
  bool TempFor(const char* dest, unsigned index, char* temp) const;

  TJournal& Journal;
  const char* WorkDir;
  unsigned Next = 1;
  TNameList Owned;  // destinations whose product file is already backed up or was new
};

// What undoing a run's changes came to.
enum class TUndo {
  Nothing,     // no file of the product had been changed
  Restored,    // the product is as it was before the run
  Incomplete,  // a step failed: the previous files that are left lie in the backup folder
};

// Undoes the changes the journal of workDir records, newest first: files new to the product
// are deleted, the product's files moved back from the backup folder, temporaries removed.
// Every step is tried, whatever failed before. A committed journal undoes nothing; a complete
// undo marks the open journal of the run, if given, so that it is never undone again.
TUndo RollBack(const char* workDir, TJournal* open = nullptr);

// The path of the backup folder of workDir.
bool BackupFolder(const char* workDir, char* path);
