#pragma once
// The record of every change a run makes to the product folder. It lives in the run's work
// folder, and each record is on the disk before the change it names is made, so that a run
// stopped at any point (killed, crashed, the power cut) can be undone from it.
#include <windows.h>

// What a record says is about to happen to file number Index of the run.
enum class TStep : char {
  Temp = 'T',      // its new bytes go to the temporary file Path, beside the destination
  Original = 'O',  // the product's file Path moves into the backup folder as Index, and the
                   // temporary takes its place
  New = 'N',       // Path does not exist yet: the temporary becomes this new file
  Commit = 'C',    // every file of the update is in place: nothing is undone any more
};

struct TRecord {
  TStep Step;
  unsigned Index;
  char Path[MAX_PATH];
};

// A record to write.
struct TEntry {
  TStep Step;
  unsigned Index;
  const char* Path;
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
  bool Create(const char* workDir);
  // Appends the records and flushes them to the disk in one write; false (and nothing may
  // be done) when they could not be written.
  bool Record(const TEntry* entries, int count);
  bool Record(TStep step, unsigned index, const char* path) {
    const TEntry entry = {step, index, path};
    return Record(&entry, 1);
  }
  void Close();
  // As if the process stopped after this many more records: the next ones are not written
  // (of a write of several, those before the stop are). For tests of what a stop leaves.
  void StopAfter(int records) { Left = records; }

private:
  HANDLE File = INVALID_HANDLE_VALUE;
  int Left = -1;
};

// The records of the journal in workDir, oldest first.
class TJournalRecords {
public:
  TJournalRecords() = default;
  ~TJournalRecords();
  TJournalRecords(const TJournalRecords&) = delete;
  TJournalRecords& operator=(const TJournalRecords&) = delete;

  // False when workDir holds no journal of ours. A torn last record (the stop came while it
  // was written) is not read: the change it announced was never begun.
  bool Read(const char* workDir);
  int Count() const { return Used; }
  const TRecord& operator[](int i) const { return Items[i]; }
  bool Committed() const;

private:
  bool Add(const TRecord& record);
  TRecord* Items = nullptr;
  int Used = 0, Size = 0;
};
