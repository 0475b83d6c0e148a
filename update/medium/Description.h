#pragma once
// The description of an update, which TalvoPack writes and signs with the publisher's key: of
// one disk of a medium (MANIFEST.TXT beside the disk's archives, its signature in
// MANIFEST.SIG), or of an edition published on a server. Text, every line ending in CR LF,
// fields parted by one blank; ASCII but for the names of the product's files (UTF-8, the last
// field of their lines, so that they may hold blanks). The first line names the format.
//
// "TalvoPack 1", a disk of a medium that carries every file it brings whole:
//
//   TalvoPack 1
//   medium 5f0c8e2a9b7d41c3a6e0f1b2c3d4e5f6     the medium, the same on each of its disks
//   edition 2026.0.0.0                          the edition it brings
//   disk 1 3                                    this disk's number, and how many there are
//   archive TALVO1.ZIP 253440 9f86d0...         each archive of the disk: size, SHA-256
//
// "TalvoPack 2" adds what a medium of the changes since an edition, or an edition on a server,
// must tell. After the header and medium, in this order, each line at most once:
//
//   product Talvo                  what it updates
//   edition 2027.0.0.0
//   base 2026.0.0.0                the edition it updates; "base -" when that edition's program
//                                  tells no version (then its files are listed, below)
//   issued 2026-12-08              on a server: when it was published, and the last day it
//   expires 2027-01-22             holds (both or neither)
//   disk 1 3                       on a medium; on a server there is none
//
// then, in any order:
//
//   archive NAME SIZE SHA256                       as above; on a server every archive of the
//                                                  edition, each named by its SHA-256
//   file SIZE SHA256 ARCHIVE NAME                  each file it brings whole, in which archive
//   patch BASESIZE BASESHA256 SIZE SHA256 ARCHIVE NAME
//                                                  a file brought as a patch against the file
//                                                  NAME of the base edition, in which archive
//   basefile SIZE SHA256 NAME                      each file of the base edition
//
// NAME is relative to the product folder (a form as Blanks\NAME). On a medium of several disks
// the lines of the medium as a whole (file, patch, basefile) are on its first disk. A
// description comes from a medium or a server anyone may have written: every field is checked
// before it is used, and what fails the checks lists nothing.
#include <windows.h>

#include "crypto/Crypto.h"

inline constexpr char DescriptionHeader1[] = "TalvoPack 1";
inline constexpr char DescriptionHeader2[] = "TalvoPack 2";
inline constexpr char DescribedProduct[] = "Talvo";

enum : DWORD {
  DescriptionMaxBytes = 1024 * 1024,  // an edition of thousands of files, with its patches
  MediumIdChars = 32,                 // hexadecimal digits
  MaxDisks = 3,                       // as many as the updater asks for
};

// A day of the calendar.
struct TDay {
  WORD Year = 0, Month = 0, Day = 0;
};

inline bool operator<(TDay a, TDay b) {
  return a.Year != b.Year ? a.Year < b.Year : a.Month != b.Month ? a.Month < b.Month : a.Day < b.Day;
}

struct TListedArchive {
  const char* Name;  // an update archive's name
  ULONGLONG Size;
  BYTE Hash[HashBytes];
  bool Seen;  // found on the disk
};

// A file of the product as the description knows it (file, basefile), or brought as a patch.
struct TListedFile {
  const char* Name;     // relative to the product folder, UTF-8
  const char* Archive;  // the archive that holds it (its patch); null for a base file
  ULONGLONG Size;
  BYTE Hash[HashBytes];
  ULONGLONG BaseSize;  // a patch: the file it applies to
  BYTE BaseHash[HashBytes];
};

class TDescription {
public:
  TDescription() = default;
  ~TDescription();
  TDescription(const TDescription&) = delete;
  TDescription& operator=(const TDescription&) = delete;

  // Takes these bytes as the description (at most DescriptionMaxBytes); false when they are
  // not well formed (it then lists nothing). The bytes are kept, well formed or not: Bytes()
  // gives them back for the check of their signature and for the log.
  bool Parse(const void* bytes, DWORD size);
  void Clear();
  bool Present() const { return Text != nullptr; }

  bool Valid() const { return Format != 0; }
  int FormatVersion() const { return Format; }
  const char* Bytes() const { return Text; }
  DWORD Size() const { return TextSize; }

  // The fields of a valid description; optional ones null or zero when absent.
  const char* Medium = nullptr;   // MediumIdChars lower-case hexadecimal digits
  const char* Edition = nullptr;  // digits and dots
  const char* Base = nullptr;     // digits and dots, or "-"
  bool Published = false;         // issued and expires given
  TDay Issued, Expires;
  int Disk = 0, Disks = 0;  // 1 <= Disk <= Disks <= MaxDisks; 0 on a server

  int ArchiveCount = 0, FileCount = 0, PatchCount = 0, BaseFileCount = 0;
  TListedArchive* Archives = nullptr;
  TListedFile* Files = nullptr;
  TListedFile* Patches = nullptr;
  TListedFile* BaseFiles = nullptr;

  // The listed archive of that name (without regard to the case of ASCII letters), marked as
  // seen; null when the description does not list it.
  TListedArchive* Find(const char* name);

private:
  bool ParseLines();
  bool Allocate();
  void ClearFields();

  int Format = 0;
  char* Text = nullptr;  // the bytes as given, then a NUL
  char* Fields = nullptr;  // a copy cut into fields
  DWORD TextSize = 0;
};
