// The three stages of one pass over a disk of the update medium.
#include "update/run/UpdateRun.h"

#include <string.h>

#include "update/files/FileUtils.h"
#include "update/files/FindFiles.h"
#include "update/run/HeldFiles.h"
#include "update/log/Messages.h"
#include "update/files/ProductNames.h"
#include "update/log/RunRecord.h"

// Archives that cannot be taken before anything of the product changed leave it as it
// was, and the window open to try again; later, the update is undone. A disk with a
// description gives only the archives it lists, each as listed.
TOutcome TUpdateRun::FetchArchives() {
  if (!Talk.Ui.ShowStage(TxtCopyingFiles)) return UndoRun;
  Fetched.Clear();
  if (TOutcome end = Disks.CheckListing(Talk)) return end;
  if (Medium.OwnFile) return FetchCarried();
  // Before anything of the product changed, the window stays open to try again.
  const TOutcome untaken = Placing.Started() ? UndoRun : TOutcome(TRunEnd::NotFetched);
  TFindFiles archives(Disks.Folder(), "*.zip");
  // The system's reason tells an empty drive from a folder without archives.
  if (!archives.Found()) return Talk.Failed(untaken, TxtMissingZip, TxtCannotUpdate);
  do {
    const char* name = archives.Name();
    if (!IsUpdateArchive(name)) continue;
    if (!Talk.Ui.ShowFile({name})) return UndoRun;
    char from[MAX_PATH], to[MAX_PATH];
    bool joined = JoinPath(Disks.Folder(), name, from) && JoinPath(WorkDir(), name, to);
    if (!joined || !CopyFileA(from, to, FALSE) || !Fetched.Add(name))
      return Talk.Failed(untaken, TxtCopyError, AnsiText{joined ? from : name}, TxtCannotUpdate);
    Talk.Log.Line(TxtLogFetched, AnsiText{name});
    if (TOutcome end = Disks.CheckArchive(Talk, name, to)) return end;
  } while (archives.Next());
  return {};
}

TOutcome TUpdateRun::UnpackArchives() {
  if (!Talk.Ui.ShowStage(TxtUnpackingFiles)) return UndoRun;
  bool reported = false;
  // Only what stage 1 brought is an archive of the update: a file of the product that
  // happens to end in .zip (unpacked by an earlier disk) goes in place like any other.
  for (const char* name = Fetched.First(); name; name = Fetched.Next(name)) {
    if (!Talk.Ui.ShowFile({name})) return UndoRun;
    Talk.Log.Line(TxtLogUnpacking, AnsiText{name});
    char path[MAX_PATH];
    bool joined = JoinPath(WorkDir(), name, path);
    if (!joined || !Unzip->ExtractArchive(path, WorkDir()))
      return Talk.Failed(UndoRun, TxtUnpackFileError, AnsiText{joined ? path : name},
                         TxtCannotUpdate);
    // The library has told the user what went wrong; the other archives are still
    // unpacked, as they were, but none of this pass goes into the product.
    reported = reported || Unzip->LibraryReportedError();
    DeleteFileRetry(path);
  }
  if (reported) return UndoRun;
  return {};
}

// Lists the files of the work folder that go into the product, and makes sure of each before
// anything changes: its names fit a path (a folder too deep is refused, not half updated),
// its destination is no folder or link, and no other program has it open (the product,
// running: the user closes it and tries again, or gives the update up).
TOutcome TUpdateRun::ListPass(TPass& pass) {
  TFindFiles files(WorkDir(), "*.*");
  if (files.Found()) {
    do {
      if (IsProductFile(files.Name()) && !pass.Add(files.Name())) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return Talk.Failed(UndoRun, TxtCopyError, AnsiText{files.Name()}, AnsiText{Product.Path});
      }
    } while (files.Next());
  }
  for (int i = 0; i < pass.Count(); ++i) {
    char source[MAX_PATH], dest[MAX_PATH];
    const bool sourceFits = JoinPath(WorkDir(), pass.Name(i), source);
    const bool destFits = Placing.Destination(pass, i, dest);
    if (sourceFits && destFits && Placing.Fits()) continue;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return Talk.Failed(UndoRun, TxtCopyError, AnsiText{sourceFits ? source : pass.Name(i)},
                       AnsiText{destFits ? dest : pass.Name(i)});
  }
  for (int i = 0; i < pass.Count();) {
    char source[MAX_PATH], dest[MAX_PATH];
    JoinPath(WorkDir(), pass.Name(i), source);
    Placing.Destination(pass, i, dest);
    switch (Placing.Examine(pass, i)) {
      case TDestination::Free:
      case TDestination::Plain: ++i; continue;
      case TDestination::Foreign:
        return Talk.Failed(UndoRun, TxtCopyError, AnsiText{source}, AnsiText{dest});
      case TDestination::Held: break;
    }
    wchar_t line[300];
    const int n = MultiByteToWideChar(1251, 0, TxtProgram.Str, -1, line, 300);
    const bool named = n > 0 && HolderName(dest, line + n - 1, 300 - n);
    if (Talk.Ask(TAsk::HeldFile, MsgWarningOkCancel, TxtFile, AnsiText{dest}, TxtUsedByAnother,
                 TxtCloseItAndPressOk, named ? TMsgLine(line) : TMsgLine()) != IDOK)
      return UndoRun;
    i = 0;  // everything again: time has passed
  }
  return {};
}

TOutcome TUpdateRun::DistributeFiles() {
  if (!Talk.Ui.ShowStage(TxtCopyingFiles)) return UndoRun;
  TPass pass;
  if (TOutcome end = ListPass(pass)) return end;
  int failed = 0;
  if (!Placing.Announce(pass, &failed)) {
    const DWORD error = GetLastError();
    char source[MAX_PATH], dest[MAX_PATH];
    const int i = failed < 0 ? 0 : failed;
    const bool named = pass.Count() && JoinPath(WorkDir(), pass.Name(i), source) &&
                       Placing.Destination(pass, i, dest);
    SetLastError(error);
    if (named) return Talk.Failed(UndoRun, TxtCopyError, AnsiText{source}, AnsiText{dest});
    Talk.LogFailure();
    return UndoRun;
  }
  for (int i = 0; i < pass.Count(); ++i) {
    char source[MAX_PATH], dest[MAX_PATH];
    JoinPath(WorkDir(), pass.Name(i), source);
    Placing.Destination(pass, i, dest);
    if (!Talk.Ui.ShowFile({pass.Name(i)})) return UndoRun;
    if (!Placing.Place(pass, i))
      return Talk.Failed(UndoRun, TxtCopyError, AnsiText{source}, AnsiText{dest});
    LogPlaced(Talk.Log, dest, pass.Change(i) != TChange::New, pass.Bytes(i));
  }
  return {};
}
