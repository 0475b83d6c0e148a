#pragma once
// Never a step back: an update that brings an older edition of the product than the
// installed one goes on only when the user says so, asked once a run. The edition is the file
// version of the product's program; a description names the medium's. The log has both.
#include "update/run/Disks.h"
#include "update/medium/Edition.h"
#include "update/run/Talk.h"

class TEditions {
public:
  // The edition of the product in target as the run found it, before anything changes.
  void NoteInstalled(TRunLog& log, const char* target);
  // Before the first pass: the edition the medium's description names.
  TOutcome AcceptNamed(TRunTalk& talk, const TDisks& disks);
  // Before a pass puts its files in place: the program it brings, unpacked in workDir.
  TOutcome AcceptBrought(TRunTalk& talk, const char* workDir);

private:
  TOutcome AcceptOlder(TRunTalk& talk, TVersion brought);

  TVersion Installed;
  bool HasInstalled = false;  // false when the installed program carries none
  bool GoingBack = false;     // the user agreed to an older edition
};
