#include "pack/Kit.h"

#include <windows.h>

#include "pack/Files.h"
#include "pack/Layout.h"
#include "unzip/InfoZip.h"

namespace {

// A resource of the updater, empty when it has none.
std::string UpdaterResource(HMODULE module, const char* name) {
  const HRSRC found = module ? FindResourceA(module, name, RT_RCDATA) : nullptr;
  const DWORD size = found ? SizeofResource(module, found) : 0;
  const void* bytes = found ? LockResource(LoadResource(module, found)) : nullptr;
  return bytes ? std::string(static_cast<const char*>(bytes), size) : std::string();
}

// The publisher's key (scripts/medium-key.sh) and the library's hash in the updater's
// resources.
void ReadUpdater(const std::wstring& updater, TKit* kit) {
  const HMODULE module = LoadLibraryExW(updater.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const std::string key = UpdaterResource(module, "MEDIUMKEY");
  if (key.size() > 65) {
    kit->KeyPrint = key.substr(0, 64);
    kit->KeyBlob = key.substr(65);
  }
  kit->LibraryHash = UpdaterResource(module, UnzDllHashResource);
  if (module) FreeLibrary(module);
}

}  // namespace

TFailure FindKit(TKit* kit) {
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  kit->Folder.assign(self, n < MAX_PATH ? n : 0);
  kit->Folder.erase(kit->Folder.find_last_of(L'\\') + 1);
  for (const wchar_t* name : {KitUpdater, KitLibrary}) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    const bool found = !kit->Folder.empty() && GetFileAttributesExW((kit->Folder + name).c_str(),
                                                                    GetFileExInfoStandard, &data);
    if (found && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      SetLastError(ERROR_FILE_NOT_FOUND);  // a folder of that name is no program
    if (!found || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      return FailedCall(NotMade, kit->Folder + name, L": липсва до TalvoPack.exe");
    kit->Bytes += OnDisk((ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  }
  ReadUpdater(kit->Folder + KitUpdater, kit);
  return {};
}

TFailure KeyFitsKit(const TKit& kit, const TSigningKey& key, bool given) {
  if (kit.KeyPrint.empty() || (given && key.Fingerprint() == kit.KeyPrint)) return {};
  return Failed(BadCommandLine, kit.Folder + KitUpdater,
                L" приема само носители, подписани с ключа SHA-256 " +
                    std::wstring(kit.KeyPrint.begin(), kit.KeyPrint.end()) +
                    (given ? L"; /KEY е друг ключ." : L"; дайте частния му ключ с /KEY."));
}
