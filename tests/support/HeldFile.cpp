#include "HeldFile.h"

#include <string>

#include "Driver.h"

namespace support {

bool HeldFile::Hold(const FilePath& path, DWORD holdMs) {
  Release();
  path_ = path.wide();
  std::wstring cmd =
      L"\"" + WindowsPath(TALVO_HOLD_FILE) + L"\" \"" + path_ + L"\" " + std::to_wstring(holdMs);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  return ui::WaitUntil([&] { return Held() || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; },
                       15000) &&
         Held();
}

// Asked with every sharing allowed, so that the question itself holds nothing back.
bool HeldFile::Held() const {
  HANDLE probe = CreateFileW(path_.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
  return probe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
}

bool HeldFile::Release() {
  if (!process_) return true;
  TerminateProcess(process_, 0);
  WaitForSingleObject(process_, ui::kWaitMs);
  CloseHandle(process_);
  process_ = nullptr;
  return ui::WaitUntil([&] { return !Held(); });
}

}  // namespace support
