// Process entry: the command line, then either the application with its one window and the
// message loop, or an update without a window.
#include <memory>

#include "app/CommandLine.h"
#include "app/Silent.h"
#include "app/UMain.h"
#include "forms/Application.h"
#include "forms/Exception.h"
#include "update/files/LibrarySearch.h"
#include "update/log/RunRecord.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR args, int) {
  if (!TakeSystemLibraries()) return ExitNotUpdated;
  TCommandLine line = ParseCommandLine(args);
  // With /SILENT nobody may be there to close a box.
  // A log file that is not a log of ours is refused before anything is touched: it may be
  // any file of the machine, and stays as it is.
  if (line.Log[0] && !TRunLog::Accepts(line.Log)) line.Refused = true;
  if (line.Refused || line.Help) {
    if (!line.Silent) ShowCommandLineHelp();
    return line.Refused ? ExitCommandLineRefused : ExitUpdated;
  }
  if (line.Silent) return line.Dir[0] ? RunSilent(line) : ExitCommandLineRefused;

  // An update runs for many seconds without reading messages; the system must not swap the
  // window for a frozen ghost, or the progress it repaints would not be seen.
  DisableProcessWindowsGhosting();
  // A fault may come in the middle of an update: it never ends the process as updated.
  InstallFaultReport(ExitNotRestored);
  try {
    TApplication application;
    std::unique_ptr<TFMain> form(new TFMain(line.Log[0] ? line.Log : nullptr));
    if (line.Dir[0]) form->EditFolder->SetText(line.Dir);
    application.Run(*form);
    return form->ExitCode();
  } catch (...) {
    HandleException();
  }
  return ExitNotUpdated;
}
