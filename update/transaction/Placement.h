#pragma once
// Puts the files of an update in place so that every change can be undone. The update's
// files lie unpacked in the work folder, on the product's volume: each is renamed into its
// place, and the product's file it replaces is first renamed into the backup folder of the
// work folder (in shelves of a few hundred, as .backup\<shelf>\<number>). Before the first change
// of a pass, the unpacked files' bytes are on the disk and the journal holds every change of the
// pass; a later run decides each file from the journal and from what it finds.
#include <windows.h>

#include "update/transaction/Journal.h"
#include "update/transaction/NameSet.h"
#include "update/files/SafeFiles.h"

// The backup folder in a work folder: the product's files that the update replaced.
inline constexpr char BackupName[] = ".backup";

// What becomes of the destination of a file.
enum class TChange : char {
  New,      // there was none
  Replace,  // the product's own file goes into the backup folder
  Again,    // an earlier disk of this run put a file there: it is replaced
};

// The files one pass puts in place, in the order they are listed in the work folder.
class TPass {
public:
  TPass() = default;
  ~TPass();
  TPass(const TPass&) = delete;
  TPass& operator=(const TPass&) = delete;

  // False when memory runs out.
  bool Add(const char* name);
  int Count() const { return Used; }
  // Its name in the work folder.
  const char* Name(int i) const { return Names + Items[i].Offset + Items[i].Base; }
  // Where it goes, relative to the product folder: the name, or Blanks\name for a form.
  const char* Relative(int i) const { return Names + Items[i].Offset; }
  TChange Change(int i) const { return Items[i].Change; }
  // Its size, once announced.
  unsigned long long Bytes(int i) const { return Items[i].Bytes; }
  void SetBytes(int i, unsigned long long bytes) { Items[i].Bytes = bytes; }

private:
  friend class TPlacement;
  struct TItem {
    size_t Offset;
    unsigned Base;
    unsigned Index;
    TChange Change;
    bool ReadOnly;  // the product's file it replaces is read-only
    unsigned long long Bytes;
  };
  char* Names = nullptr;
  size_t NamesUsed = 0, NamesSize = 0;
  TItem* Items = nullptr;
  int Used = 0, Size = 0;
};

// What the destination of a file holds before it is replaced.
enum class TDestination {
  Free,     // nothing: a new file
  Plain,    // a file of the product, which nobody holds
  Held,     // a file that another program has open
  Foreign,  // a folder, a link, or what cannot be opened: never replaced
};

class TPlacement {
public:
  // The folders of the run, open as long as it lasts: the product folder, its forms folder
  // (closed where it has none), the work folder and its backup folder.
  TPlacement(TJournal& journal, const TFolder& product, const TFolder& forms, const TFolder& work,
             const TFolder& backup)
      : Journal(journal), Product(product), Forms(forms), Work(work), Backup(backup) {}
  TPlacement(const TPlacement&) = delete;
  TPlacement& operator=(const TPlacement&) = delete;

  // Where file i of a pass goes (an ANSI path); false when it does not fit a path.
  bool Destination(const TPass& pass, int i, char* dest) const;
  // Whether the names a file gets in the work folder fit a path.
  bool Fits() const;
  // What the destination of file i holds now; a free or plain one is noted for Announce.
  TDestination Examine(TPass& pass, int i) const;
  // Announces the pass: what becomes of each destination, the unpacked files' bytes flushed to
  // the disk, the journal in one flushed write. False when that cannot be done, with *failed
  // the file that could not be flushed, or -1.
  bool Announce(TPass& pass, int* failed);
  // Puts file i of the announced pass in place. False when a step failed: nothing more of
  // the update may be done then.
  bool Place(const TPass& pass, int i);
  // Whether any change of the product has been announced.
  bool Started() const { return Next > 1; }
  // Every file is in place: from now on nothing is undone.
  bool Commit();
  // As if the process stopped after this many more steps (records written, files moved); of
  // a write of several records, those before the stop are written. For tests of what a stop
  // leaves.
  void StopAfter(int steps) { Left = steps; }

private:
  const TFolder& FolderOf(const TPass& pass, int i) const;
  bool Inherit(const TPass& pass, int i) const;
  bool ShelfFor(unsigned index);
  bool Step();

  TJournal& Journal;
  const TFolder& Product;
  const TFolder& Forms;
  const TFolder& Work;
  const TFolder& Backup;
  unsigned Next = 1;
  TNameSet Placed;       // destinations that a pass of this run has announced
  unsigned Shelf = ~0u;  // the latest shelf of the backup folder this run made
  int Left = -1;
};

// What undoing a run's changes came to.
enum class TUndo {
  Nothing,     // no file of the product had been changed
  Restored,    // the product is as it was before the run
  Incomplete,  // a step failed: the previous files that are left lie in the backup folder
};

// Undoes what the records say a run changed, newest first, each file as the disk holds it:
// a replaced file whose backup is there is moved back, a new file that is there is deleted.
// Every step is tried, whatever failed before; nothing is followed through a link. Committed
// records undo nothing. Incomplete leaves the system's reason of the first failed step in
// GetLastError. backup: the work folder's backup folder (closed when it has none).
TUndo RollBack(const TJournalRecords& records, const TFolder& product, const TFolder& forms,
               const TFolder& backup);
