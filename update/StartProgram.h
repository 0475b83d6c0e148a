#pragma once

// Starts exactly the program at this path, its quoted path as the command line, in the
// caller's current directory; true when the system started it.
bool RunProgram(const char* program);
