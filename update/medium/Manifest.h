#pragma once
// The description of one disk of an update medium, which TalvoPack writes beside the disk's
// archives (each disk its own) and signs in a second file with the publisher's key: which
// medium the disk belongs to, the edition it brings, the disk's number and the number of
// disks, and each archive of the disk with its size and SHA-256. ASCII, every line ending in
// CR LF, fields parted by one blank:
//
//   TalvoPack 1
//   medium 5f0c8e2a9b7d41c3a6e0f1b2c3d4e5f6
//   edition 2026.0.0.0
//   disk 1 3
//   archive TALVO1.ZIP 253440 9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08
//
// The signature file holds the RSA PKCS#1 v1.5 signature over SHA-256 of the description's
// bytes, as OpenSSL writes it (big-endian). A description comes from a medium anyone may have
// written: every field is checked before it is used.
#include <windows.h>

#include "crypto/Crypto.h"

inline constexpr char ManifestName[] = "MANIFEST.TXT";
inline constexpr char SignatureName[] = "MANIFEST.SIG";
inline constexpr char ManifestHeader[] = "TalvoPack 1";

enum : DWORD {
  ManifestMaxBytes = 4096,   // a disk's description is some hundred bytes
  ManifestMaxArchives = 32,
  MediumIdChars = 32,  // hexadecimal digits
  MaxDisks = 3,        // as many as the updater asks for
};

struct TListedArchive {
  const char* Name;  // an update archive's name
  ULONGLONG Size;
  BYTE Hash[HashBytes];
  bool Seen;  // found on the disk
};

// How reading a file of the medium went.
enum class TMediumFile { Absent, Unreadable, Read };

// Reads the whole file folder\name into buffer (at most capacity bytes); Unreadable, with the
// system's reason in GetLastError, when it is larger or cannot be read.
TMediumFile ReadMediumFile(const char* folder, const char* name, void* buffer, DWORD capacity,
                           DWORD* size);

class TManifest {
public:
  // Reads the description of the disk in folder. A description that cannot be read or is not
  // well formed is present but lists nothing.
  TMediumFile Read(const char* folder);
  // Takes what a read of the description into Bytes and Size gave, as Read does.
  TMediumFile Accept(TMediumFile got);
  // Takes these bytes as the description (size at most ManifestMaxBytes); false when they are
  // not well formed.
  bool Parse(const void* bytes, DWORD size);

  bool Present() const { return Found; }
  bool Valid() const { return Count > 0; }
  // The listed archive of that name (without regard to the case of ASCII letters), marked as
  // seen; null when the description does not list it.
  TListedArchive* Find(const char* name);

  // The description's bytes as read, which its signature covers, and the same as a string.
  char Bytes[ManifestMaxBytes + 1];
  DWORD Size = 0;
  const char* Text() const { return Bytes; }
  // The fields of a valid description (cut out of Fields).
  const char* Medium = nullptr;   // MediumIdChars lower-case hexadecimal digits
  const char* Edition = nullptr;  // digits and dots
  int Disk = 0, Disks = 0;        // 1 <= Disk <= Disks <= MaxDisks
  int Count = 0;
  TListedArchive Archives[ManifestMaxArchives];

private:
  bool Found = false;
  char Fields[ManifestMaxBytes + 1];
};
