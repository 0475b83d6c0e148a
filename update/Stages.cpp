// The three stages of one pass over a disk of the update medium.
#include "update/UpdateRun.h"

#include <string.h>
#include <strsafe.h>

#include "update/FileUtils.h"
#include "update/FindFiles.h"
#include "update/Messages.h"
#include "update/RunRecord.h"

namespace {

// The one archive on a medium that is never part of an update.
const char InstallerArchive[] = "WinTalvo.zip";

bool EqualsAsciiNoCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    char ca = (*a >= 'A' && *a <= 'Z') ? *a + 32 : *a;
    char cb = (*b >= 'A' && *b <= 'Z') ? *b + 32 : *b;
    if (ca != cb) return false;
  }
  return *a == *b;
}

bool EndsWithAsciiNoCase(const char* name, const char* tail) {
  size_t n = strlen(name), t = strlen(tail);
  return n >= t && EqualsAsciiNoCase(name + n - t, tail);
}

// "*.zip" also matches a longer extension through the file's short name (a.zipx is
// A~1.ZIP); only real archives are taken.
bool IsUpdateArchive(const char* name) {
  return name[0] != '.' && EndsWithAsciiNoCase(name, ".zip") &&
         !EqualsAsciiNoCase(name, InstallerArchive);
}

// Rich-text forms go to the product's Blanks subfolder.
bool IsRichText(const char* path) {
  size_t len = strlen(path);
  return len >= 5 && path[len - 4] == '.' && EqualsAsciiNoCase(path + len - 3, "rtf");
}

// The destination of an unpacked file; false when it would not fit a path.
bool DestinationOf(const char* target, const char* source, const char* name, char* dest) {
  const char* format = IsRichText(source) ? "%s\\Blanks\\%s" : "%s\\%s";
  return SUCCEEDED(StringCchPrintfA(dest, MAX_PATH, format, target, name));
}

}  // namespace

bool TUpdateRun::FetchArchives() {
  Ui.ShowStage(TxtCopyingFiles);
  Fetched.Clear();
  FindFiles archives(Medium.Folder, "*.zip");
  if (!archives.Found()) {
    Say(MsgError, TxtMissingZip, TxtCannotUpdate);
    return false;
  }
  do {
    const char* name = archives.Name();
    if (!IsUpdateArchive(name)) continue;
    Ui.ShowFile({name});
    char from[MAX_PATH], to[MAX_PATH];
    bool joined = JoinPath(Medium.Folder, name, from) && JoinPath(WorkDir(), name, to);
    if (!joined || !CopyFileA(from, to, FALSE) || !Fetched.Add(name)) {
      Abort = true;
      Say(MsgError, TxtCopyError, AnsiText{joined ? from : name}, TxtCannotUpdate);
      return false;
    }
    Log.Line(TxtLogFetched, AnsiText{name});
  } while (archives.Next());
  return true;
}

bool TUpdateRun::UnpackArchives() {
  Ui.ShowStage(TxtUnpackingFiles);
  // Only what stage 1 brought is an archive of the update: a file of the product that
  // happens to end in .zip (unpacked by an earlier disk) goes in place like any other.
  for (const char* name = Fetched.First(); name; name = Fetched.Next(name)) {
    Ui.ShowFile({name});
    Log.Line(TxtLogUnpacking, AnsiText{name});
    char path[MAX_PATH];
    bool joined = JoinPath(WorkDir(), name, path);
    if (!joined || !Unzip->ExtractArchive(path, WorkDir())) {
      Abort = true;
      Say(MsgError, TxtUnpackFileError, AnsiText{joined ? path : name}, TxtCannotUpdate);
      return false;
    }
    // The library has told the user what went wrong; the good files still go in place,
    // but the run must not end by claiming success.
    if (Unzip->LibraryReportedError()) Abort = true;
    DeleteFileRetry(path);
  }
  return true;
}

bool TUpdateRun::DistributeFiles() {
  Ui.ShowStage(TxtCopyingFiles);
  FindFiles files(WorkDir(), "*.*");
  if (!files.Found()) return true;
  do {
    const char* name = files.Name();
    if (name[0] == '.' || EqualsAsciiNoCase(name, LogFileName)) continue;
    Ui.ShowFile({name});
    char source[MAX_PATH], dest[MAX_PATH];
    if (!JoinPath(WorkDir(), name, source)) {
      Say(MsgError, TxtCopyError, AnsiText{name});
      continue;
    }
    bool fits = DestinationOf(Target, source, name, dest);
    if (!fits || !CopyFileA(source, dest, FALSE))
      Say(MsgError, TxtCopyError, AnsiText{source}, AnsiText{dest});
  } while (files.Next());
  return true;
}
