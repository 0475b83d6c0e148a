#include "app/Silent.h"

#include <windows.h>

#include "app/OwnMedium.h"
#include "update/log/RunRecord.h"
#include "update/run/UpdateRun.h"

namespace {

// Nobody is there to answer: each question gets the answer that leaves the product as it
// was, unless the command line said otherwise.
class TSilentUi final : public TRunUi {
public:
  explicit TSilentUi(bool allowDowngrade) : AllowDowngrade(allowDowngrade) {}

  bool ShowStage(Cp1251Text) override { return true; }
  bool ShowFile(AnsiText) override { return true; }
  bool ClearFile() override { return true; }
  int ShowBox(TAsk ask, unsigned, const wchar_t*) override {
    switch (ask) {
      case TAsk::Nothing:
      case TAsk::Abort: return IDOK;
      case TAsk::Downgrade: return AllowDowngrade ? IDOK : IDCANCEL;
      case TAsk::Disk:
      case TAsk::HeldFile:
      case TAsk::Start: break;
    }
    return IDCANCEL;
  }
  void ShowLibraryReport(AnsiText) override {}  // the run has logged it
  void Ended(TRunEnd how) override { End = how; }

  TRunEnd End = TRunEnd::NotChanged;

private:
  bool AllowDowngrade;
};

// A fault must not leave a report box waiting for nobody; the product may be half done.
LONG WINAPI EndWithoutReport(EXCEPTION_POINTERS*) {
  TerminateProcess(GetCurrentProcess(), ExitNotRestored);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int RunSilent(const TCommandLine& line) {
  // No "insert a disk" or fault boxes of the system either.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndWithoutReport);
  try {
    TRunLog log(line.Log[0] ? line.Log : nullptr);
    TMedium medium = OwnMedium();
    medium.Removable = false;  // one pass: an unattended medium holds every archive
    TWorkDir work;
    TSilentUi ui(line.AllowDowngrade);
    TUpdateRun run(ui, work, medium, log);
    run.RunUpdate(line.Dir);
    return ExitCodeOf(ui.End);
  } catch (...) {
    return ExitNotRestored;  // cut short: what the run had done is not known
  }
}
