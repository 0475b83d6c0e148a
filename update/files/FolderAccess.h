#pragma once
// Who may change a work folder: the user who runs the updater (or, elevated, the
// Administrators), the Administrators and the system, nobody else. A work folder is made with a
// protected access list of just those (nothing inherited from the product folder, which every user
// may be allowed to write), so no other user can change what a run has checked; a folder left by an
// earlier run is ours only while its owner and access list are still such. A volume that keeps no
// access lists (FAT) has nothing to set or check.
#include <windows.h>
#include <aclapi.h>

#include "update/files/SafeFiles.h"

// The system's owner and access list of a path (GetNamedSecurityInfoA); tests replace it.
using TSecurityLookup = DWORD(WINAPI*)(LPCSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID*, PSID*,
                                       PACL*, PACL*, PSECURITY_DESCRIPTOR*);
extern TSecurityLookup SecurityLookup;

// Makes the folder new, with that access list where its volume keeps lists.
bool MakePrivateFolder(const char* path);

// Whether the folder's owner and access list are those MakePrivateFolder sets, for this user:
// nothing inherited, each entry allowing, owner and entries of this user, the Administrators
// or the system. True on a volume that keeps no lists.
bool IsPrivateFolder(const char* path);

// Gives the file name of folder the access list that folder passes on to its files, in place
// of the work folder's that a rename brings along: the update's files are for every user
// the product folder lets in. Nothing where the volume keeps no lists or the file is no
// plain entry of the folder.
void InheritAccess(const TFolder& folder, const char* name);
