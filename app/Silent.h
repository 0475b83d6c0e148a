#pragma once
#include "app/CommandLine.h"

// An update without a window and without a box (/SILENT): every box goes to the log with
// the answer that keeps the product safe. Returns the exit code.
int RunSilent(const TCommandLine& line);
