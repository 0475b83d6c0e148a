#include "pack/Kit.h"

#include <windows.h>

#include "pack/Console.h"
#include "pack/Files.h"
#include "pack/Layout.h"

namespace {

// The publisher's key in the updater's resources (scripts/medium-key.sh).
void ReadUpdaterKey(const std::wstring& updater, TKit* kit) {
  const HMODULE module = LoadLibraryExW(updater.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const HRSRC key =
      module ? FindResourceW(module, L"MEDIUMKEY", MAKEINTRESOURCEW(10) /* RT_RCDATA */) : nullptr;
  const DWORD size = key ? SizeofResource(module, key) : 0;
  const void* bytes = key ? LockResource(LoadResource(module, key)) : nullptr;
  if (bytes && size > 65) {
    kit->KeyPrint.assign(static_cast<const char*>(bytes), 64);
    kit->KeyBlob.assign(static_cast<const char*>(bytes) + 65, size - 65);
  }
  if (module) FreeLibrary(module);
}

}  // namespace

bool FindKit(TKit* kit) {
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  kit->Folder.assign(self, n < MAX_PATH ? n : 0);
  kit->Folder.erase(kit->Folder.find_last_of(L'\\') + 1);
  for (const wchar_t* name : {kUpdater, kLibrary}) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    const bool found =
        !kit->Folder.empty() &&
        GetFileAttributesExW((kit->Folder + name).c_str(), GetFileExInfoStandard, &data);
    if (found && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      SetLastError(ERROR_FILE_NOT_FOUND);  // a folder of that name is no program
    if (!found || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ComplainFailed(kit->Folder + name + L": липсва до TalvoPack.exe");
      return false;
    }
    kit->Bytes += OnDisk((ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  }
  ReadUpdaterKey(kit->Folder + kUpdater, kit);
  return true;
}

bool KeyFitsKit(const TKit& kit, const TSigningKey& key, bool given) {
  if (kit.KeyPrint.empty() || (given && key.Fingerprint() == kit.KeyPrint)) return true;
  Complain(kit.Folder + kUpdater + L" приема само носители, подписани с ключа SHA-256 " +
           std::wstring(kit.KeyPrint.begin(), kit.KeyPrint.end()) +
           (given ? L"; /KEY е друг ключ." : L"; дайте частния му ключ с /KEY."));
  return false;
}
