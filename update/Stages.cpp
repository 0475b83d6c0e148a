#include "update/Stages.h"

#include <string.h>
#include <windows.h>
#include <strsafe.h>

#include "app/Messages.h"
#include "app/ShowMsg.h"
#include "unzip/InfoZip.h"
#include "update/FileUtils.h"
#include "update/FindFiles.h"
#include "update/Status.h"
#include "update/UpdateState.h"

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
bool DestinationOf(const char* source, const char* name, char* dest) {
  const char* format = IsRichText(source) ? "%s\\Blanks\\%s" : "%s\\%s";
  return SUCCEEDED(StringCchPrintfA(dest, MAX_PATH, format, UpdateState.TargetDir, name));
}

}  // namespace

bool FetchArchives() {
  ShowStage(TxtCopyingFiles);
  char source[MAX_PATH];
  GetOwnDir(source);
  FindFiles archives(source, "*.zip");
  if (!archives.Found()) {
    ShowMsg(MsgError, TxtMissingZip, TxtCannotUpdate);
    return false;
  }
  do {
    const char* name = archives.Name();
    if (!IsUpdateArchive(name)) continue;
    ShowFile(name);
    char from[MAX_PATH], to[MAX_PATH];
    bool joined = JoinPath(source, name, from) && JoinPath(UpdateState.WorkDir, name, to);
    if (!joined || !CopyFileA(from, to, FALSE)) {
      UpdateState.Aborted = true;
      ShowMsg(MsgError, TxtCopyError, joined ? from : name, TxtCannotUpdate);
      return false;
    }
  } while (archives.Next());
  return true;
}

bool UnpackArchives() {
  ShowStage(TxtUnpackingFiles);
  FindFiles archives(UpdateState.WorkDir, "*.zip");
  if (!archives.Found()) return true;
  do {
    const char* name = archives.Name();
    ShowFile(name);
    char path[MAX_PATH];
    bool joined = JoinPath(UpdateState.WorkDir, name, path);
    if (!joined || !UpdateState.Unpacker->ExtractArchive(path, UpdateState.WorkDir)) {
      UpdateState.Aborted = true;
      ShowMsg(MsgError, TxtUnpackFileError, joined ? path : name, TxtCannotUpdate);
      return false;
    }
    // The library has told the user what went wrong; the good files still go in place,
    // but the run must not end by claiming success.
    if (UpdateState.Unpacker->LibraryReportedError()) UpdateState.Aborted = true;
    DeleteFileRetry(path);
  } while (archives.Next());
  return true;
}

bool DistributeFiles() {
  ShowStage(TxtCopyingFiles);
  FindFiles files(UpdateState.WorkDir, "*.*");
  if (!files.Found()) return true;
  do {
    const char* name = files.Name();
    if (name[0] == '.') continue;
    ShowFile(name);
    char source[MAX_PATH], dest[MAX_PATH];
    if (!JoinPath(UpdateState.WorkDir, name, source)) {
      ShowMsg(MsgError, TxtCopyError, name);
      continue;
    }
    bool fits = DestinationOf(source, name, dest);
    if (!fits || !CopyFileA(source, dest, FALSE)) ShowMsg(MsgError, TxtCopyError, source, dest);
  } while (files.Next());
  return true;
}
