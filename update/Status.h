#pragma once
// The two status lines of the main window during a run. The run does not pump messages,
// so each change is painted at once.

// Shows the stage in hand.
void ShowStage(const char* text);

// Shows the file in hand, then pauses 100 ms so that its name can be read.
void ShowFile(const char* name);
