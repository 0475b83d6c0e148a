#pragma once
// A one-file medium: the updater with everything a CD medium holds beside it (the unpacking
// library, the description and its signature, the archives) appended after its image, so that
// one program can be downloaded, mailed or copied and update the product by itself. A web
// updater is the same file carrying the library and, instead of a medium, the address of the
// server (SOURCE.URL, ASCII, at most SourceMaxBytes).
//
// The file, as TalvoPack writes it (every number little-endian):
//
//   the updater's image       up to the end of its last section
//   the members               each member's bytes, one after another
//   zero bytes                so that the file's length is a multiple of 8
//   the table                 one entry of 24 bytes per member:
//                               name  16 bytes, ASCII, ended and padded with NULs
//                               offset 4 bytes, from the start of the file
//                               size   4 bytes
//   the tail                  16 bytes: member count (4), format version 1 (4), "TalvoOne"
//
// A signing tool appends its certificate table after the tail, which the PE header's security
// directory then points at: the payload ends there (zero padding of up to 7 bytes before it is
// passed over), else at the file's end. An image followed by anything but a signature carries a
// payload; one that cannot be read as above is a damaged medium, never a plain updater. The
// file comes from anywhere: every number is checked before it is used, and what the members
// hold is trusted only as far as the description, its signature and its hashes prove.
#include <windows.h>

#include "update/medium/Manifest.h"

inline constexpr char OneFileMagic[8] = {'T', 'a', 'l', 'v', 'o', 'O', 'n', 'e'};
inline constexpr char LibraryName[] = "UNZDLL.DLL";
// The member of a web updater: the address of the server its editions are published on.
inline constexpr char SourceName[] = "SOURCE.URL";

enum : DWORD {
  OneFileVersion = 1,
  OneFileNameBytes = 16,
  OneFileEntryBytes = OneFileNameBytes + 8,
  OneFileTailBytes = 16,
  OneFileMaxMembers = ManifestMaxArchives + 3,  // the library, the description, its signature
  SourceMaxBytes = 2048,
};

// An entry of the table, as it lies in the file.
struct TCarried {
  char Name[OneFileNameBytes];
  DWORD Offset;
  DWORD Size;
};

static_assert(sizeof(TCarried) == OneFileEntryBytes, "the table's entry");

enum class TOneFileState {
  None,     // a plain program: the medium is the folder beside it
  Carried,  // a one-file medium whose table is sound
  Damaged,  // a payload that cannot be read: the file is damaged or cut short
};

class TOneFile {
public:
  TOneFile() = default;
  ~TOneFile();
  TOneFile(const TOneFile&) = delete;
  TOneFile& operator=(const TOneFile&) = delete;

  // Opens the program at path, held shared for reading only until the object goes, and reads
  // its table: the library, and the description with at least one archive or the server's
// address, each inside the payload.
  // headers: the program's PE headers, followed by its section table, as the loader mapped them
  // (or as a reader of the file checked them).
  TOneFileState Open(const wchar_t* path, const IMAGE_NT_HEADERS32& headers);
  // A web updater: it carries the server's address, and no medium.
  bool CarriesSource() const { return Kind == TOneFileState::Carried && Find(SourceName); }
  TOneFileState State() const { return Kind; }
  const wchar_t* Path() const { return Name; }

  int MemberCount() const { return Members; }
  const TCarried& Member(int i) const { return Table[i]; }
  // The member of that name (ASCII letters without regard to case); null when none.
  const TCarried* Find(const char* name) const;

  // A small member whole into buffer: Absent without such a member, Unreadable when it is
  // larger than capacity or cannot be read.
  TMediumFile Read(const char* name, void* buffer, DWORD capacity, DWORD* size) const;
  // Copies the member into the file to (written from its start); false, with the system's
  // reason in GetLastError, when either file fails.
  bool CopyOut(const TCarried& member, HANDLE to) const;

private:
  bool ReadAt(DWORD offset, void* buffer, DWORD size) const;
  bool ReadTable(DWORD end);

  HANDLE File = INVALID_HANDLE_VALUE;
  TOneFileState Kind = TOneFileState::None;
  wchar_t Name[MAX_PATH] = L"";
  DWORD Image = 0;
  int Members = 0;
  TCarried Table[OneFileMaxMembers];
};
