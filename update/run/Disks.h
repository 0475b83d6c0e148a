#pragma once
// The disks of the update on the medium's own word, before anything of a disk reaches the
// product: each disk's description read and, in a program built with the publisher's key,
// its signature checked; the later disks taken from their folders beside the first (every
// one checked before the first pass) or from the drive on the user's word; every archive
// against its disk's description. A one-file medium is one disk, read from the file itself.
// The medium is the one of disk 1's description as first read and checked, never read again:
// every later disk must name that medium, edition and number of disks.
#include <windows.h>

#include "crypto/Crypto.h"
#include "update/medium/Edition.h"
#include "update/medium/Manifest.h"
#include "update/medium/Medium.h"
#include "update/run/Talk.h"

class TDisks {
public:
  explicit TDisks(const TMedium& medium);
  TDisks(const TDisks&) = delete;
  TDisks& operator=(const TDisks&) = delete;

  // Disk 1 in hand, and how many disks the medium has and where the later ones come from. A
  // medium whose later disks can come neither from their folders nor from the drive is
  // refused before anything changes.
  TOutcome First(TRunTalk& talk);
  // Disk next in hand, from its folder or from the drive.
  TOutcome Next(TRunTalk& talk, int next);
  int DiskCount() const { return Disks; }
  // The folder of the disk in hand.
  const char* Folder() const { return DiskDir; }
  // The edition the first disk's description names; false when it names none.
  bool NamedEdition(TVersion* out) const;

  // With a description: every archive of the disk in hand is listed in it and every one
  // listed is there.
  TOutcome CheckListing(TRunTalk& talk);
  // With a description: the archive just copied (copy, in the work folder) has the size and
  // hash listed for it.
  TOutcome CheckArchive(TRunTalk& talk, const char* name, const char* copy);
  // The archive is damaged or was changed (in a one-file medium: the file is): told, and the
  // update undone.
  TOutcome Damaged(TRunTalk& talk, const char* folder, const char* name);

private:
  // The disk in hand before anything of it is taken: its description read and its signature
  // checked (the update ends when it is not signed). *wrong, told to the user: the disk is
  // not disk number of this medium. Disk 1 is taken once, first.
  TOutcome Take(TRunTalk& talk, int number, bool* wrong);
  // Whether a later disk's valid description names the medium of disk 1's.
  bool OfThisMedium(const TManifest& later) const;
  // Asks for disk next until the drive holds that disk of this medium.
  TOutcome Change(TRunTalk& talk, int next);
  TOutcome AskFor(TRunTalk& talk, int next);
  // Where the disks after the first come from; every later disk in a folder checked now.
  TOutcome Plan(TRunTalk& talk);
  // The description, or its signature, of the disk in hand or of the one file.
  TMediumFile ReadFile(const char* name, void* buffer, DWORD capacity, DWORD* size);

  const TMedium& Medium;
  char DiskDir[MAX_PATH] = "";  // the folder of the disk in hand
  int Disks = 1;
  bool FromFolders = false;  // the later disks are folders beside the first
  TCryptProvider Crypto;
  // Descriptions, not Present() without one: disk 1's, the medium's; the later disk's in hand.
  TManifest FirstDisk, LaterDisk;
  TManifest* Disk = &FirstDisk;  // the description of the disk in hand
  TVersion Named;                // the edition the first disk's description names
  bool HasNamed = false;
};
