#include "update/StartProgram.h"

#include <windows.h>
#include <string.h>

bool RunProgram(const char* program) {
  if (program == nullptr || program[0] == '\0') return false;
  // The quoted path is only what the program sees as its command line; the system
  // starts the application name, so blanks in it can never pick another program.
  char commandLine[MAX_PATH + 2];
  const size_t n = strlen(program);
  if (n >= MAX_PATH) return false;
  commandLine[0] = '"';
  memcpy(commandLine + 1, program, n);
  commandLine[n + 1] = '"';
  commandLine[n + 2] = '\0';

  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  memset(&process, 0, sizeof process);
  if (!CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}
