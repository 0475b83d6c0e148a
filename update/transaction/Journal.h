#pragma once
// The record of every change a run makes to the product folder. It lives in the run's work
// folder and names each file relative to the product folder. The changes of a pass are on
// the disk before the first of them is made, so that a run stopped at any point (killed,
// crashed, the power cut) can be undone from it and from what the disk holds.
#include <windows.h>

#include "update/files/SafeFiles.h"

// What a record says of file number Index of the run.
enum class TStep : char {
  Original = 'O',  // the product's file Name is replaced: it goes into the backup folder as
                   // Index, and the update's file takes its place
  New = 'N',       // Name does not exist yet: the update's file becomes it
  Commit = 'C',    // nothing is undone any more: every file is in place, or all was undone
};

struct TRecord {
  TStep Step;
  unsigned Index;
  char Name[MAX_PATH];
};

// A record to write.
struct TEntry {
  TStep Step;
  unsigned Index;
  const char* Name;
};

// The journal's file in a work folder; its first line marks the folder as one of ours.
inline constexpr char JournalName[] = ".journal";

class TJournal {
public:
  TJournal() = default;
  ~TJournal() { Close(); }
  TJournal(const TJournal&) = delete;
  TJournal& operator=(const TJournal&) = delete;

  // Starts the journal of a new work folder. It stays open, unshared, for the run.
  bool Create(const TFolder& work);
  // Opens the journal of an earlier run's work folder to add to it.
  bool Append(const TFolder& work);
  // Appends the records and flushes them to the disk in one write; false (and nothing may
  // be done) when they could not be written.
  bool Record(const TEntry* entries, int count);
  bool Record(TStep step, unsigned index, const char* name) {
    const TEntry entry = {step, index, name};
    return Record(&entry, 1);
  }
  void Close();

private:
  HANDLE File = INVALID_HANDLE_VALUE;
};

// What a work folder's journal says of the folder.
enum class TJournalState {
  NotOurs,  // no journal, or not one this program wrote: the folder is someone else's
  Damaged,  // ours, but a record before the last is damaged: what it held cannot be known
  Ours,     // ours, every record whole (a torn last record is a write the stop cut short)
};

// The records of the journal in a work folder, oldest first.
class TJournalRecords {
public:
  TJournalRecords() = default;
  ~TJournalRecords();
  TJournalRecords(const TJournalRecords&) = delete;
  TJournalRecords& operator=(const TJournalRecords&) = delete;

  TJournalState Read(const TFolder& work);
  // The same from the text of a journal file.
  TJournalState Parse(const char* text, size_t size);
  int Count() const { return Used; }
  const TRecord& operator[](int i) const { return Items[i]; }
  bool Committed() const { return Used > 0 && Items[Used - 1].Step == TStep::Commit; }

private:
  bool Add(const TRecord& record);
  TRecord* Items = nullptr;
  int Used = 0, Size = 0;
};
