#include "update/UpdateRun.h"

#include <strsafe.h>

#include <new>

#include "update/Compose.h"
#include "update/FileUtils.h"
#include "update/Messages.h"
#include "update/RunRecord.h"

TUpdateRun::TUpdateRun(TRunUi& ui, TWorkDir& work, const TMedium& medium, TRunLog& log)
    : Ui(ui), Log(log), Work(work), Medium(medium) {}

int TUpdateRun::Ask(TAsk ask, unsigned style, TMsgLine line1, TMsgLine line2, TMsgLine line3,
                    TMsgLine line4, TMsgLine line5) {
  const TMsgLine lines[5] = {line1, line2, line3, line4, line5};
  wchar_t text[MsgTextSize];
  ComposeMsg(text, MsgTextSize, lines);
  Log.Text(text);
  const int answer = Ui.ShowBox(ask, style, text);
  if (ask != TAsk::Nothing) LogAnswer(Log, answer);
  return answer;
}

void TUpdateRun::LibraryReport(const char* text) {
  Log.Line(TxtLogLibrary, AnsiText{text});
  Ui.ShowLibraryReport({text});
}

void TUpdateRun::End(TRunEnd how) {
  Unzip.reset();  // no library stays loaded between runs
  LogEnd(Log, how);
  Ui.Ended(how);
}

bool TUpdateRun::PrepareUnpacker() {
  Unzip.reset(new (std::nothrow) CInfoZip);
  if (!Unzip) {
    Say(MsgError, TxtUnpackError, TxtCannotUpdate);
  } else if (!Unzip->LoadUnzDll()) {
    bool missing = Unzip->GetErrorCode() == kUnzErrorNoLibrary;
    Say(MsgError, missing ? TxtMissingDll : TxtUnpackError, TxtCannotUpdate);
    Unzip.reset();
  } else {
    Unzip->SetReporter(this);
    return true;
  }
  Abort = true;
  return false;
}

// Asks for disk number next; false when the user chooses to abort the update. Declining
// the disk but not the abort goes on with whatever is in the drive.
bool TUpdateRun::AskForDisk(int next) {
  char line[256];
  StringCchPrintfA(line, sizeof line, TxtInsertDisk.Str, next);
  if (Ask(TAsk::Disk, MsgQuestion, {}, Cp1251Text{line}, TxtIntoFloppyDrive) == IDOK) return true;
  return Ask(TAsk::Abort, MsgQuestion, {}, TxtNotFinished, TxtReallyAbort) != IDOK;
}

void TUpdateRun::StartProduct() {
  char program[MAX_PATH];
  SetCurrentDirectoryA(Target);
  if (JoinPath(Target, ProductProgram, program)) RunProgram(program);
}

void TUpdateRun::RunUpdate(const char* folderText) {
  LogStart(Log, Medium);
  if (!PrepareUnpacker()) return End(TRunEnd::NoLibrary);
  if (!CheckTargetFolder(folderText)) return End(TRunEnd::FolderRefused);

  const int disks = Medium.Removable ? 3 : 1;
  for (int disk = 1;;) {
    if (!FetchArchives()) return End(TRunEnd::NotFetched);
    ClearReadOnlyTree(Target);
    UnpackArchives();
    DistributeFiles();
    if (++disk > disks) break;
    if (!AskForDisk(disk)) {
      Abort = true;
      break;
    }
  }
  Unzip.reset();

  if (Abort) return End(TRunEnd::NotChanged);
  if (Ask(TAsk::Start, MsgSuccess, TxtSucceeded, TxtStartProduct) == IDOK) StartProduct();
  End(TRunEnd::Succeeded);
}
