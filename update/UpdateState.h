#pragma once
#include <windows.h>

class CInfoZip;

// The product's main program: its presence marks the product folder; the run starts it.
inline constexpr char ProductProgram[] = "Vanto.exe";

// The process-wide record of the update, zeroed at start-up.
struct TUpdateState {
  char TargetDir[MAX_PATH];  // the product folder being updated
  char WorkDir[MAX_PATH];    // the work folder of the latest run, or empty
  bool WorkDirMade;          // WorkDir names a folder this process created
  CInfoZip* Unpacker;        // the adapter of the run in progress, or null
  bool Aborted;              // a run failed or the user aborted; never cleared
  bool FromRemovable;        // the updater runs from a removable drive: three disks
};

extern TUpdateState UpdateState;

// Destroys the adapter left in UpdateState, if any.
void ReleaseUnpacker();

// Deletes the work folder this process made, with everything in it; folders it did
// not make are never touched.
void RemoveWorkDir();
