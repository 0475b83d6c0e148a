#include "update/run/HeldFiles.h"

#include <windows.h>
#include <restartmanager.h>

#include "update/files/SystemEntry.h"

namespace {

const char Rm[] = "rstrtmgr.dll";

// One Restart Manager session, ended on every path.
class TRmSession {
public:
  TRmSession() {
    auto start = SystemEntry<DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*)>(Rm, "RmStartSession");
    End = SystemEntry<DWORD(WINAPI*)(DWORD)>(Rm, "RmEndSession");
    WCHAR key[CCH_RM_SESSION_KEY + 1] = L"";
    Open = start && End && start(&Handle, 0, key) == ERROR_SUCCESS;
  }
  ~TRmSession() {
    if (Open) End(Handle);
  }
  TRmSession(const TRmSession&) = delete;
  TRmSession& operator=(const TRmSession&) = delete;

  bool Open = false;
  DWORD Handle = 0;

private:
  DWORD(WINAPI* End)(DWORD) = nullptr;
};

}  // namespace

bool HolderName(const char* path, wchar_t* name, int size) {
  TRmSession session;
  auto registerFiles =
      SystemEntry<DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT, LPCWSTR*)>(
          Rm, "RmRegisterResources");
  auto getList =
      SystemEntry<DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, DWORD*)>(Rm, "RmGetList");
  if (!session.Open || !registerFiles || !getList || size <= 0) return false;

  WCHAR wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH)) return false;
  LPCWSTR files[1] = {wide};
  if (registerFiles(session.Handle, 1, files, 0, nullptr, 0, nullptr) != ERROR_SUCCESS)
    return false;
  // The first holder named is enough; with more than fit here, none is named.
  RM_PROCESS_INFO info[4];
  UINT needed = 0, count = 4;
  DWORD reasons = 0;
  if (getList(session.Handle, &needed, &count, info, &reasons) != ERROR_SUCCESS || count == 0)
    return false;
  info[0].strAppName[CCH_RM_MAX_APP_NAME] = L'\0';
  lstrcpynW(name, info[0].strAppName, size);
  return name[0] != L'\0';
}
