// Which work folders are ours by their owner and access list, with the system's answer
// replaced (Wine keeps no access lists). The folders the updater makes are ours in every run
// of the scenarios.
#include "update/files/FolderAccess.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>

#include "Files.h"

namespace {

std::string Described;  // what the replaced lookup answers, in the system's notation (SDDL)

DWORD WINAPI Answer(LPCSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID* owner, PSID*, PACL* acl,
                    PACL*, PSECURITY_DESCRIPTOR* descriptor) {
  BOOL present, defaulted;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(Described.c_str(), SDDL_REVISION_1,
                                                            descriptor, nullptr) ||
      !GetSecurityDescriptorOwner(*descriptor, owner, &defaulted) ||
      !GetSecurityDescriptorDacl(*descriptor, &present, acl, &defaulted))
    return GetLastError();
  return ERROR_SUCCESS;
}

std::string UserSid() {
  HANDLE token;
  BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size;
  char* text = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  GetTokenInformation(token, TokenUser, user, sizeof user, &size);
  CloseHandle(token);
  ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text);
  std::string sid = text ? text : "";
  LocalFree(text);
  return sid;
}

TEST(FolderAccess, OursOnlyWhenNobodyElseOwnsOrMayChangeIt) {
  const std::string me = UserSid(), all = "(A;OICI;FA;;;";
  const std::string made = "D:P" + all + me + ")" + all + "BA)" + all + "SY)";
  const struct {
    std::string owner, acl;
    bool ours;
  } cases[] = {
      {me, made, true},
      {"BA", made, true},                                 // made by an elevated administrator
      {"SY", "D:" + all + "SY)" + all + me + ")", true},  // as Wine shows it: no mark
      {"BU", made, false},                                // another owner may change the list
      {"S-1-5-21-1-2-3-1001", made, false},
      {me, made + all + "BU)", false},                       // the users may write
      {me, made + "(A;OICI;0x1200a9;;;WD)", false},          // everyone may read
      {me, "D:" + all + me + ")(A;OICIID;FA;;;BU)", false},  // inherited from the product
      {me, "D:P(D;OICI;FA;;;BU)" + all + me + ")", false},   // an entry that is not ours
      {me, "D:(nonsense", false},                            // the system cannot tell
  };
  support::TempDir t;
  SecurityLookup = Answer;
  for (const auto& c : cases) {
    Described = "O:" + c.owner + c.acl;
    EXPECT_EQ(c.ours, IsPrivateFolder(t.Ansi().c_str())) << Described;
  }
  SecurityLookup = GetNamedSecurityInfoA;
}

}  // namespace
