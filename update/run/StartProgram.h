#pragma once

// Starts exactly the program at this path, its quoted path as the command line, in the
// caller's current directory; true when the system started it.
bool RunProgram(const char* program);

// Starts the product's program in its folder (both ANSI paths) with the rights of the user of
// the desktop, never with raised ones: where this process runs elevated, with the token of
// the desktop's shell (the way installers start a program as the user who started them), or
// else with the limited token linked to this process's own where the system lets it start a
// program; otherwise as RunProgram does.
// True when the system started it; false, and nothing started, when no such token is there.
bool StartAsDesktopUser(const char* program, const char* folder);
