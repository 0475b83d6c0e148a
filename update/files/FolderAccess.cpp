#include "update/files/FolderAccess.h"

#include <string.h>

#include "update/files/FileUtils.h"

TSecurityLookup SecurityLookup = GetNamedSecurityInfoA;

namespace {

// Who may change a work folder: who makes things as this process (the user, or the
// Administrators for an elevated administrator, so that any administrator's run recovers it),
// the Administrators, the system; and the user himself, as a folder of an earlier run of his.
class TTrusted {
public:
  TTrusted() {
    DWORD size = sizeof Administrators;
    Known = CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, Administrators, &size);
    size = sizeof System;
    Known = Known && CreateWellKnownSid(WinLocalSystemSid, nullptr, System, &size);
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
      Known = false;
      return;
    }
    Known = Known && GetTokenInformation(token, TokenUser, User, sizeof User, &size) &&
            GetTokenInformation(token, TokenOwner, Owner, sizeof Owner, &size);
    CloseHandle(token);
  }

  bool Known;
  // The three an access list of a work folder names.
  PSID Sid(int i) {
    return i == 0 ? reinterpret_cast<TOKEN_OWNER*>(Owner)->Owner : i == 1 ? Administrators : System;
  }
  bool Holds(PSID sid) {
    return EqualSid(sid, reinterpret_cast<TOKEN_USER*>(User)->User.Sid) || EqualSid(sid, Sid(0)) ||
           EqualSid(sid, Administrators) || EqualSid(sid, System);
  }

private:
  alignas(8) BYTE User[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  alignas(8) BYTE Owner[sizeof(TOKEN_OWNER) + SECURITY_MAX_SID_SIZE];
  alignas(8) BYTE Administrators[SECURITY_MAX_SID_SIZE];
  alignas(8) BYTE System[SECURITY_MAX_SID_SIZE];
};

bool KeepsAccessLists(const char* path) {
  char root[MAX_PATH];
  DWORD flags = 0;
  return GetVolumePathNameA(path, root, MAX_PATH) &&
         GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
         (flags & FS_PERSISTENT_ACLS);
}

}  // namespace

bool MakePrivateFolder(const char* path) {
  if (!KeepsAccessLists(path)) return CreateDirectoryA(path, nullptr) != FALSE;
  TTrusted trusted;
  BYTE list[sizeof(ACL) + 3 * (sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE)];
  PACL acl = reinterpret_cast<PACL>(list);
  SECURITY_DESCRIPTOR descriptor;
  bool made = trusted.Known && InitializeAcl(acl, sizeof list, ACL_REVISION);
  for (int i = 0; i < 3 && made; ++i)
    made = AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                 FILE_ALL_ACCESS, trusted.Sid(i));
  made = made && InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
         SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
         SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
  return made && CreateDirectoryA(path, &attributes);
}

bool IsPrivateFolder(const char* path) {
  if (!KeepsAccessLists(path)) return true;
  PSID owner = nullptr;
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (SecurityLookup(path, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                     &owner, nullptr, &acl, nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  // What counts is that nothing is inherited, not the list's mark of protection: Wine, which
  // keeps no lists, shows one of its own making without it.
  TTrusted trusted;
  bool ours = trusted.Known && owner && acl && trusted.Holds(owner);
  for (DWORD i = 0; ours && i < acl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace;
    ours = GetAce(acl, i, reinterpret_cast<void**>(&ace)) &&
           ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
           !(ace->Header.AceFlags & INHERITED_ACE) && trusted.Holds(&ace->SidStart);
  }
  LocalFree(descriptor);
  return ours;
}

void InheritAccess(const TFolder& folder, const char* name) {
  // Held without delete sharing, the entry cannot be swapped for a link while its path is used.
  const HANDLE file =
      OpenEntry(folder, name, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return;
  char path[MAX_PATH];
  ACL none;
  if (JoinPath(folder.Path(), name, path) && InitializeAcl(&none, sizeof none, ACL_REVISION))
    SetNamedSecurityInfoA(path, SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                          nullptr, nullptr, &none, nullptr);
  CloseHandle(file);
}
