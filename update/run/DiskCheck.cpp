// Each disk on the medium's own word: its description, the publisher's signature over it,
// and every archive against it, before anything of the disk reaches the product.
#include "update/run/UpdateRun.h"

#include <string.h>
#include <strsafe.h>

#include "update/files/FileUtils.h"
#include "update/files/FindFiles.h"
#include "update/medium/DiskFolders.h"
#include "update/run/Messages.h"
#include "update/medium/ProductNames.h"
#include "update/log/RunRecord.h"

TUpdateRun::TOutcome TUpdateRun::TakeDisk(int number, bool* wrong) {
  *wrong = false;
  char path[MAX_PATH];
  const TMediumFile got =
      Disk.Accept(ReadDiskFile(ManifestName, Disk.Bytes, ManifestMaxBytes, &Disk.Size));
  if (got == TMediumFile::Unreadable) LogFailure();
  JoinPath(DiskDir, ManifestName, path);
  const TMsgLine from = Medium.One ? TMsgLine(Medium.One->Path()) : TMsgLine(AnsiText{path});
  if (got != TMediumFile::Absent) Log.Line(TxtLogManifest, from, AnsiText{Disk.Text()});
  if (Medium.Key.Fingerprint) {
    BYTE signature[SignatureMaxBytes];
    DWORD size = 0;
    if (got != TMediumFile::Read ||
        ReadDiskFile(SignatureName, signature, sizeof signature, &size) != TMediumFile::Read ||
        !VerifySignature(Crypto, Medium.Key.Blob, Medium.Key.BlobSize, Disk.Bytes, Disk.Size,
                         signature, size)) {
      if (got != TMediumFile::Unreadable) LogFailure();
      Say(MsgError, TxtNotSigned);
      return Fail();
    }
    JoinPath(DiskDir, SignatureName, path);
    Log.Line(TxtLogSigned, Medium.One ? from : TMsgLine(AnsiText{path}));
  }
  if (got == TMediumFile::Absent) {
    // A medium made by hand, in a program without a key; a disk of no medium after the
    // first disk's description.
    *wrong = MediumId[0] != '\0';
  } else if (Disk.Valid()) {
    // One that cannot be read lists nothing: CheckListing refuses the disk's archives.
    if (number == 1) lstrcpynA(MediumId, Disk.Medium, sizeof MediumId);
    *wrong = Disk.Disk != number || (MediumId[0] && strcmp(Disk.Medium, MediumId) != 0);
  }
  if (*wrong) {
    char line[64];
    StringCchPrintfA(line, sizeof line, TxtWrongDisk.Str, number);
    Say(MsgWarning, Cp1251Text{line});
  }
  return {};
}

TUpdateRun::TOutcome TUpdateRun::ChangeDisk(int next) {
  for (bool wrong = true; wrong;) {
    if (TOutcome end = AskForDisk(next)) return end;
    if (TOutcome end = TakeDisk(next, &wrong)) return end;
  }
  return {};
}

TUpdateRun::TOutcome TUpdateRun::PlanDisks() {
  // A medium made by hand says nothing of its disks: they are asked for as ever.
  Disks = Medium.Removable ? static_cast<int>(MaxDisks) : 1;
  if (!Disk.Valid()) return {};
  Disks = Disk.Disks;
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
    Log.Line(Cp1251Text{line}, AnsiText{DiskFolder(Medium.Folder, n, folder) ? folder : ""});
  }
  if (missing) {
    char line[96];
    StringCchPrintfA(line, sizeof line, TxtMissingDisk.Str, Disks, missing);
    Say(MsgError, Cp1251Text{line}, AnsiText{DiskFolder(Medium.Folder, missing, folder) ? folder : ""});
    return Fail();
  }
  // Every later disk is known to be of this medium before the first pass changes anything.
  bool wrong = false;
  for (int n = 2; n <= Disks && !wrong; ++n) {
    DiskFolder(Medium.Folder, n, DiskDir);
    if (TOutcome end = TakeDisk(n, &wrong)) return end;
  }
  if (wrong) return Fail();
  // Disk 1 in hand again.
  lstrcpynA(DiskDir, Medium.Folder, MAX_PATH);
  if (TOutcome end = TakeDisk(1, &wrong)) return end;
  if (wrong) return Fail();
  return {};
}

TUpdateRun::TOutcome TUpdateRun::NextDisk(int next) {
  if (!FromFolders) return ChangeDisk(next);
  bool wrong;
  DiskFolder(Medium.Folder, next, DiskDir);
  if (TOutcome end = TakeDisk(next, &wrong)) return end;
  if (wrong) return Fail();
  return {};
}

TUpdateRun::TOutcome TUpdateRun::CheckListing() {
  if (!Disk.Present()) return {};
  for (int i = 0; Medium.One && i < Medium.One->Count(); ++i) {
    const char* name = Medium.One->Member(i).Name;
    if (IsUpdateArchive(name) && !Disk.Find(name)) return Damaged(nullptr, name);
  }
  if (!Medium.One) {
    FindFiles archives(DiskDir, "*.zip");
    if (archives.Found()) {
      do {
        if (IsUpdateArchive(archives.Name()) && !Disk.Find(archives.Name()))
          return Damaged(DiskDir, archives.Name());
      } while (archives.Next());
    }
  }
  for (int i = 0; i < Disk.Count; ++i)
    if (!Disk.Archives[i].Seen) return Damaged(DiskDir, Disk.Archives[i].Name);
  return {};
}

TUpdateRun::TOutcome TUpdateRun::CheckArchive(const char* name, const char* copy) {
  if (!Disk.Present()) return {};
  ULONGLONG size;
  BYTE hash[HashBytes];
  const HANDLE file = CreateFileA(copy, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  const bool hashed = file != INVALID_HANDLE_VALUE && HashFile(Crypto, file, &size, hash);
  if (!hashed) LogFailure();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!hashed) return Damaged(DiskDir, name);
  const TListedArchive* listed = Disk.Find(name);
  const bool same = listed && listed->Size == size && memcmp(listed->Hash, hash, HashBytes) == 0;
  char hex[2 * HashBytes + 1];
  HexText(hash, HashBytes, hex);
  Log.Line(TxtLogChecked, AnsiText{name}, Cp1251Text{hex}, same ? TxtLogListed : TxtLogNotListed);
  if (same) return {};
  return Damaged(DiskDir, name);
}

TRunEnd TUpdateRun::Damaged(const char* folder, const char* name) {
  if (Medium.One) {
    Say(MsgError, TxtFile, TMsgLine(Medium.One->Path()), TxtDamagedDownload);
    return Fail();
  }
  char path[MAX_PATH];
  Say(MsgError, TxtArchive, AnsiText{JoinPath(folder, name, path) ? path : name},
      TxtDamagedOrChanged);
  return Fail();
}
