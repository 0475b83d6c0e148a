#pragma once
#include <windows.h>

// The switches the updater takes. Names are matched without regard to case; a value may be
// quoted, in whole or in part. Anything else refuses the whole line.
struct TCommandLine {
  char Dir[MAX_PATH];   // /DIR="folder": the product folder; empty when not given
  char Log[MAX_PATH];   // /LOG="file": the log goes there; empty when not given
  bool Silent;          // /SILENT: no window and no box at all
  bool Help;            // /? or /HELP
  bool AllowDowngrade;  // /ALLOWDOWNGRADE: an unattended run may go to an older edition
  bool Refused;         // an unknown or malformed switch, or one given twice
};

// The arguments after the program's name (ANSI). Values longer than a path are refused.
TCommandLine ParseCommandLine(const char* args);

// The box that lists the switches.
void ShowCommandLineHelp();
