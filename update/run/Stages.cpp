// The three stages of one pass over a disk of the update medium.
#include "update/run/UpdateRun.h"

#include <string.h>

#include "update/files/FileUtils.h"
#include "update/files/FindFiles.h"
#include "update/run/HeldFiles.h"
#include "update/run/Messages.h"
#include "update/medium/ProductNames.h"
#include "update/log/RunRecord.h"

// Archives that cannot be taken before anything of the product changed leave it as it
// was, and the window open to try again; later, the update is undone. A disk with a
// description gives only the archives it lists, each as listed.
TUpdateRun::TOutcome TUpdateRun::FetchArchives() {
  if (!Ui.ShowStage(TxtCopyingFiles)) return Fail();
  Fetched.Clear();
  if (TOutcome end = CheckListing()) return end;
  if (Medium.One) return FetchCarried();
  FindFiles archives(DiskDir, "*.zip");
  if (!archives.Found()) {
    // The system tells an empty drive from a folder without archives.
    LogFailure();
    Say(MsgError, TxtMissingZip, TxtCannotUpdate);
    return Placing.Started() ? Fail() : TRunEnd::NotFetched;
  }
  do {
    const char* name = archives.Name();
    if (!IsUpdateArchive(name)) continue;
    if (!Ui.ShowFile({name})) return Fail();
    char from[MAX_PATH], to[MAX_PATH];
    bool joined = JoinPath(DiskDir, name, from) && JoinPath(WorkDir(), name, to);
    if (!joined || !CopyFileA(from, to, FALSE) || !Fetched.Add(name)) {
      LogFailure();
      Say(MsgError, TxtCopyError, AnsiText{joined ? from : name}, TxtCannotUpdate);
      return Placing.Started() ? Fail() : TRunEnd::NotFetched;
    }
    Log.Line(TxtLogFetched, AnsiText{name});
    if (TOutcome end = CheckArchive(name, to)) return end;
  } while (archives.Next());
  return {};
}

TUpdateRun::TOutcome TUpdateRun::UnpackArchives() {
  if (!Ui.ShowStage(TxtUnpackingFiles)) return Fail();
  bool reported = false;
  // Only what stage 1 brought is an archive of the update: a file of the product that
  // happens to end in .zip (unpacked by an earlier disk) goes in place like any other.
  for (const char* name = Fetched.First(); name; name = Fetched.Next(name)) {
    if (!Ui.ShowFile({name})) return Fail();
    Log.Line(TxtLogUnpacking, AnsiText{name});
    char path[MAX_PATH];
    bool joined = JoinPath(WorkDir(), name, path);
    if (!joined || !Unzip->ExtractArchive(path, WorkDir())) {
      LogFailure();
      Say(MsgError, TxtUnpackFileError, AnsiText{joined ? path : name}, TxtCannotUpdate);
      return Fail();
    }
    // The library has told the user what went wrong; the other archives are still
    // unpacked, as they were, but none of this pass goes into the product.
    reported = reported || Unzip->LibraryReportedError();
    DeleteFileRetry(path);
  }
  if (reported) return Fail();
  return {};
}

// Lists the files of the work folder that go into the product, and makes sure of each before
// anything changes: its names fit a path (a folder too deep is refused, not half updated),
// its destination is no folder or link, and no other program has it open (the product,
// running: the user closes it and tries again, or gives the update up).
TUpdateRun::TOutcome TUpdateRun::ListPass(TPass& pass) {
  FindFiles files(WorkDir(), "*.*");
  if (files.Found()) {
    do {
      if (IsProductFile(files.Name()) && !pass.Add(files.Name())) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        LogFailure();
        Say(MsgError, TxtCopyError, AnsiText{files.Name()}, AnsiText{Target});
        return Fail();
      }
    } while (files.Next());
  }
  for (int i = 0; i < pass.Count(); ++i) {
    char source[MAX_PATH], dest[MAX_PATH];
    const bool sourceFits = JoinPath(WorkDir(), pass.Name(i), source);
    const bool destFits = Placing.Destination(pass, i, dest);
    if (sourceFits && destFits && Placing.Fits()) continue;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    LogFailure();
    Say(MsgError, TxtCopyError, AnsiText{sourceFits ? source : pass.Name(i)},
        AnsiText{destFits ? dest : pass.Name(i)});
    return Fail();
  }
  for (int i = 0; i < pass.Count();) {
    char source[MAX_PATH], dest[MAX_PATH];
    JoinPath(WorkDir(), pass.Name(i), source);
    Placing.Destination(pass, i, dest);
    switch (Placing.Examine(pass, i)) {
      case TDestination::Free:
      case TDestination::Plain:
        ++i;
        continue;
      case TDestination::Foreign:
        LogFailure();
        Say(MsgError, TxtCopyError, AnsiText{source}, AnsiText{dest});
        return Fail();
      case TDestination::Held:
        break;
    }
    wchar_t line[300];
    const int n = MultiByteToWideChar(1251, 0, TxtProgram.Str, -1, line, 300);
    const bool named = n > 0 && HolderName(dest, line + n - 1, 300 - n);
    if (Ask(TAsk::HeldFile, MsgHeld, TxtFile, AnsiText{dest}, TxtUsedByAnother,
            TxtCloseItAndPressOk, named ? TMsgLine(line) : TMsgLine()) != IDOK)
      return Fail();
    i = 0;  // everything again: time has passed
  }
  return {};
}

TUpdateRun::TOutcome TUpdateRun::DistributeFiles() {
  if (!Ui.ShowStage(TxtCopyingFiles)) return Fail();
  TPass pass;
  if (TOutcome end = ListPass(pass)) return end;
  // A box may have been up: the work folder must still be the one made.
  if (!WorkIntact()) return Fail();
  int failed = 0;
  if (!Placing.Announce(pass, &failed)) {
    LogFailure();
    char source[MAX_PATH], dest[MAX_PATH];
    const int i = failed < 0 ? 0 : failed;
    if (pass.Count() && JoinPath(WorkDir(), pass.Name(i), source) && Placing.Destination(pass, i, dest))
      Say(MsgError, TxtCopyError, AnsiText{source}, AnsiText{dest});
    return Fail();
  }
  for (int i = 0; i < pass.Count(); ++i) {
    char source[MAX_PATH], dest[MAX_PATH];
    JoinPath(WorkDir(), pass.Name(i), source);
    Placing.Destination(pass, i, dest);
    if (!Ui.ShowFile({pass.Name(i)})) return Fail();
    if (!Placing.Place(pass, i)) {
      LogFailure();
      Say(MsgError, TxtCopyError, AnsiText{source}, AnsiText{dest});
      return Fail();
    }
    LogPlaced(Log, dest, pass.Change(i) != TChange::New, pass.Bytes(i));
  }
  return {};
}
