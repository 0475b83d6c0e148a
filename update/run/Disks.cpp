#include "update/run/Disks.h"

#include <string.h>
#include <strsafe.h>

#include "update/files/FileUtils.h"
#include "update/files/FindFiles.h"
#include "update/medium/DiskFolders.h"
#include "update/log/Messages.h"
#include "update/files/ProductNames.h"
#include "update/log/RunRecord.h"
#include "update/medium/OneFile.h"

namespace {

// The edition a description names ("a.b.c.d"); false for any other text.
bool ParseVersion(const char* text, TVersion* out) {
  DWORD parts[4];
  for (int i = 0; i < 4; ++i, ++text) {
    const char* start = text;
    DWORD n = 0;
    while (*text >= '0' && *text <= '9' && n <= 0xFFFF) n = n * 10 + (*text++ - '0');
    if (text == start || n > 0xFFFF || *text != (i < 3 ? '.' : '\0')) return false;
    parts[i] = n;
  }
  out->Ms = MAKELONG(parts[1], parts[0]);
  out->Ls = MAKELONG(parts[3], parts[2]);
  return true;
}

}  // namespace

TDisks::TDisks(const TMedium& medium) : Medium(medium) {
  lstrcpynA(DiskDir, medium.Folder, MAX_PATH);
}

TMediumFile TDisks::ReadFile(const char* name, void* buffer, DWORD capacity, DWORD* size) {
  return Medium.OwnFile ? Medium.OwnFile->Read(name, buffer, capacity, size)
                    : ReadMediumFile(DiskDir, name, buffer, capacity, size);
}

bool TDisks::NamedEdition(TVersion* out) const {
  *out = Named;
  return HasNamed;
}

TOutcome TDisks::First(TRunTalk& talk) {
  bool wrong;
  if (TOutcome end = Take(talk, 1, &wrong)) return end;
  if (wrong) return UndoRun;
  HasNamed = FirstDisk.Valid() && ParseVersion(FirstDisk.Edition, &Named);
  return Plan(talk);
}

bool TDisks::OfThisMedium(const TManifest& later) const {
  return FirstDisk.Valid() && strcmp(later.Medium, FirstDisk.Medium) == 0 &&
         strcmp(later.Edition, FirstDisk.Edition) == 0 && later.Disks == FirstDisk.Disks;
}

TOutcome TDisks::Take(TRunTalk& talk, int number, bool* wrong) {
  *wrong = false;
  Disk = number == 1 ? &FirstDisk : &LaterDisk;
  char path[MAX_PATH];
  const TMediumFile got =
      Disk->Accept(ReadFile(ManifestName, Disk->Bytes, ManifestMaxBytes, &Disk->Size));
  if (got == TMediumFile::Unreadable) talk.LogFailure();
  JoinPath(DiskDir, ManifestName, path);
  const TMsgLine from = Medium.OwnFile ? TMsgLine(Medium.OwnFile->Path()) : TMsgLine(AnsiText{path});
  if (got != TMediumFile::Absent) talk.Log.Line(TxtLogManifest, from, AnsiText{Disk->Text()});
  if (Medium.Key.Fingerprint) {
    BYTE signature[SignatureMaxBytes];
    DWORD size = 0;
    if (got != TMediumFile::Read ||
        ReadFile(SignatureName, signature, sizeof signature, &size) != TMediumFile::Read ||
        !VerifySignature(Crypto, Medium.Key.Blob, Medium.Key.BlobSize, Disk->Bytes, Disk->Size,
                         signature, size)) {
      if (got != TMediumFile::Unreadable) talk.LogFailure();
      talk.Say(MsgError, TxtNotSigned);
      return UndoRun;
    }
    JoinPath(DiskDir, SignatureName, path);
    talk.Log.Line(TxtLogSigned, Medium.OwnFile ? from : TMsgLine(AnsiText{path}));
  }
  if (got == TMediumFile::Absent) {
    // A medium made by hand, in a program without a key; a disk of no medium after the
    // first disk's description.
    *wrong = Disk == &LaterDisk && FirstDisk.Valid();
  } else if (Disk->Valid()) {
    // One that cannot be read lists nothing: CheckListing refuses the disk's archives. A
    // description after a first disk without one is of another medium.
    *wrong = Disk->Disk != number || (Disk == &LaterDisk && !OfThisMedium(*Disk));
  }
  if (*wrong) {
    char line[64];
    StringCchPrintfA(line, sizeof line, TxtWrongDisk.Str, number);
    talk.Say(MsgWarning, Cp1251Text{line});
  }
  return {};
}

// Declining the disk but not the abort goes on with whatever is in the drive.
TOutcome TDisks::AskFor(TRunTalk& talk, int next) {
  char line[256];
  StringCchPrintfA(line, sizeof line, TxtInsertDisk.Str, next);
  if (talk.Ask(TAsk::Disk, MsgInfoOkCancel, {}, Cp1251Text{line}, TxtIntoFloppyDrive) == IDOK)
    return {};
  if (talk.Ask(TAsk::Abort, MsgInfoOkCancel, {}, TxtNotFinished, TxtReallyAbort) != IDOK) return {};
  return UndoRun;
}

TOutcome TDisks::Change(TRunTalk& talk, int next) {
  for (bool wrong = true; wrong;) {
    if (TOutcome end = AskFor(talk, next)) return end;
    if (TOutcome end = Take(talk, next, &wrong)) return end;
  }
  return {};
}

TOutcome TDisks::Plan(TRunTalk& talk) {
  // A medium made by hand says nothing of its disks: they are asked for as ever.
  Disks = Medium.Removable ? static_cast<int>(MaxDisks) : 1;
  if (!FirstDisk.Valid()) return {};
  Disks = FirstDisk.Disks;
  char folder[MAX_PATH];
  const auto beside = [&](int n) {
    return IsFirstDiskFolder(Medium.Folder) && DiskFolder(Medium.Folder, n, folder) &&
           PathExists(folder);
  };
  FromFolders = false;
  for (int n = 2; n <= Disks; ++n) FromFolders = FromFolders || beside(n);
  if (!FromFolders && Medium.Removable) return {};
  int missing = 0;
  for (int n = 2; n <= Disks; ++n) {
    if (FromFolders && beside(n)) continue;
    if (!missing) missing = n;
    char line[64];
    StringCchPrintfA(line, sizeof line, TxtLogMissingDisk.Str, n);
    talk.Log.Line(Cp1251Text{line}, AnsiText{DiskFolder(Medium.Folder, n, folder) ? folder : ""});
  }
  if (missing) {
    char line[96];
    StringCchPrintfA(line, sizeof line, TxtMissingDisk.Str, Disks, missing);
    talk.Say(MsgError, Cp1251Text{line},
             AnsiText{DiskFolder(Medium.Folder, missing, folder) ? folder : ""});
    return UndoRun;
  }
  // Every later disk is known to be of this medium before the first pass changes anything.
  bool wrong = false;
  for (int n = 2; n <= Disks && !wrong; ++n) {
    DiskFolder(Medium.Folder, n, DiskDir);
    if (TOutcome end = Take(talk, n, &wrong)) return end;
  }
  if (wrong) return UndoRun;
  // Disk 1 in hand again, as it was read first.
  lstrcpynA(DiskDir, Medium.Folder, MAX_PATH);
  Disk = &FirstDisk;
  return {};
}

TOutcome TDisks::Next(TRunTalk& talk, int next) {
  if (!FromFolders) return Change(talk, next);
  bool wrong;
  DiskFolder(Medium.Folder, next, DiskDir);
  if (TOutcome end = Take(talk, next, &wrong)) return end;
  if (wrong) return UndoRun;
  return {};
}

TOutcome TDisks::CheckListing(TRunTalk& talk) {
  if (!Disk->Present()) return {};
  for (int i = 0; Medium.OwnFile && i < Medium.OwnFile->MemberCount(); ++i) {
    const char* name = Medium.OwnFile->Member(i).Name;
    if (IsUpdateArchive(name) && !Disk->Find(name)) return Damaged(talk, nullptr, name);
  }
  if (!Medium.OwnFile) {
    TFindFiles archives(DiskDir, "*.zip");
    if (archives.Found()) {
      do {
        if (IsUpdateArchive(archives.Name()) && !Disk->Find(archives.Name()))
          return Damaged(talk, DiskDir, archives.Name());
      } while (archives.Next());
    }
  }
  for (int i = 0; i < Disk->Count; ++i)
    if (!Disk->Archives[i].Seen) return Damaged(talk, DiskDir, Disk->Archives[i].Name);
  return {};
}

TOutcome TDisks::CheckArchive(TRunTalk& talk, const char* name, const char* copy) {
  if (!Disk->Present()) return {};
  ULONGLONG size;
  BYTE hash[HashBytes];
  const HANDLE file = CreateFileA(copy, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  const bool hashed = file != INVALID_HANDLE_VALUE && HashFile(Crypto, file, &size, hash);
  if (!hashed) talk.LogFailure();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!hashed) return Damaged(talk, DiskDir, name);
  const TListedArchive* listed = Disk->Find(name);
  const bool same = listed && listed->Size == size && memcmp(listed->Hash, hash, HashBytes) == 0;
  char hex[2 * HashBytes + 1];
  HexText(hash, HashBytes, hex);
  talk.Log.Line(TxtLogChecked, AnsiText{name}, Cp1251Text{hex},
                same ? TxtLogListed : TxtLogNotListed);
  if (same) return {};
  return Damaged(talk, DiskDir, name);
}

TOutcome TDisks::Damaged(TRunTalk& talk, const char* folder, const char* name) {
  if (Medium.OwnFile) {
    talk.Say(MsgError, TxtFile, TMsgLine(Medium.OwnFile->Path()), TxtDamagedDownload);
    return UndoRun;
  }
  char path[MAX_PATH];
  talk.Say(MsgError, TxtArchive, AnsiText{JoinPath(folder, name, path) ? path : name},
           TxtDamagedOrChanged);
  return UndoRun;
}
