// The three stages of one pass over a disk of the update medium.
#include "update/UpdateRun.h"

#include <string.h>

#include "update/FileUtils.h"
#include "update/FindFiles.h"
#include "update/HeldFiles.h"
#include "update/Messages.h"
#include "update/ProductNames.h"
#include "update/RunRecord.h"

// Archives that cannot be taken before anything of the product changed leave it as it
// was, and the window open to try again; later, the update is undone.
TUpdateRun::TOutcome TUpdateRun::FetchArchives() {
  Ui.ShowStage(TxtCopyingFiles);
  Fetched.Clear();
  FindFiles archives(Medium.Folder, "*.zip");
  if (!archives.Found()) {
    Say(MsgError, TxtMissingZip, TxtCannotUpdate);
    return Placing.Started() ? Fail() : TRunEnd::NotFetched;
  }
  do {
    const char* name = archives.Name();
    if (!IsUpdateArchive(name)) continue;
    Ui.ShowFile({name});
    char from[MAX_PATH], to[MAX_PATH];
    bool joined = JoinPath(Medium.Folder, name, from) && JoinPath(WorkDir(), name, to);
    if (!joined || !CopyFileA(from, to, FALSE) || !Fetched.Add(name)) {
      LogFailure();
      Say(MsgError, TxtCopyError, AnsiText{joined ? from : name}, TxtCannotUpdate);
      return Placing.Started() ? Fail() : TRunEnd::NotFetched;
    }
    Log.Line(TxtLogFetched, AnsiText{name});
  } while (archives.Next());
  return {};
}

TUpdateRun::TOutcome TUpdateRun::UnpackArchives() {
  Ui.ShowStage(TxtUnpackingFiles);
  bool reported = false;
  // Only what stage 1 brought is an archive of the update: a file of the product that
  // happens to end in .zip (unpacked by an earlier disk) goes in place like any other.
  for (const char* name = Fetched.First(); name; name = Fetched.Next(name)) {
    Ui.ShowFile({name});
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

template <typename Visit>
bool TUpdateRun::ForEachFile(Visit visit) {
  FindFiles files(WorkDir(), "*.*");
  if (!files.Found()) return true;
  do {
    const char* name = files.Name();
    if (!IsProductFile(name)) continue;
    char source[MAX_PATH] = "", dest[MAX_PATH] = "";
    if (JoinPath(WorkDir(), name, source) && !DestinationOf(Target, name, dest))
      dest[0] = '\0';
    if (!visit(name, source, dest)) return false;
  } while (files.Next());
  return true;
}

TUpdateRun::TOutcome TUpdateRun::CheckPlacing() {
  // Every name this pass puts in place fits a path, its temporary and backup names too:
  // checked before anything changes, so that a folder too deep is refused, not half updated.
  const bool fit = ForEachFile([this](const char* name, const char* source, const char* dest) {
    if (source[0] && dest[0] && Placing.Fits(dest)) return true;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    LogFailure();
    Say(MsgError, TxtCopyError, AnsiText{source[0] ? source : name}, AnsiText{dest[0] ? dest : name});
    return false;
  });
  if (!fit) return Fail();
  // No file this pass replaces is open in another program (the product, running): the user
  // closes it and tries again, or gives the update up.
  for (;;) {
    char held[MAX_PATH] = "";
    ForEachFile([&held](const char*, const char*, const char* dest) {
      if (!IsHeld(dest)) return true;
      strcpy(held, dest);
      return false;
    });
    if (!held[0]) return {};
    wchar_t line[300];
    const int n = MultiByteToWideChar(1251, 0, TxtProgram.Str, -1, line, 300);
    const bool named = n > 0 && HolderName(held, line + n - 1, 300 - n);
    if (Ask(TAsk::HeldFile, MsgHeld, TxtFile, AnsiText{held}, TxtUsedByAnother,
            TxtCloseItAndPressOk, named ? TMsgLine(line) : TMsgLine()) != IDOK)
      return Fail();
  }
}

TUpdateRun::TOutcome TUpdateRun::DistributeFiles() {
  Ui.ShowStage(TxtCopyingFiles);
  if (TOutcome end = CheckPlacing()) return end;
  const bool placed = ForEachFile([this](const char* name, const char* source, const char* dest) {
    Ui.ShowFile({name});
    const bool replaced = Exists(dest);
    if (Placing.Place(source, dest)) {
      LogPlaced(Log, dest, replaced);
      return true;
    }
    LogFailure();
    Say(MsgError, TxtCopyError, AnsiText{source}, AnsiText{dest});
    return false;
  });
  if (!placed) return Fail();
  return {};
}
