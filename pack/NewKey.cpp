#include "pack/NewKey.h"

#include <windows.h>

#include "pack/Console.h"
#include "pack/Files.h"
#include "pack/Signing.h"

// Never over an earlier key.
TFailure NewKey(const std::wstring& folder) {
  const std::wstring privatePath = Join(folder, PrivateKeyFile);
  const std::wstring publicPath = Join(folder, PublicKeyFile);
  for (const std::wstring& path : {privatePath, publicPath})
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
      return Failed(BadCommandLine, path,
                    L": вече съществува; ключ никога не се записва върху друг.");
  TSigningKey key;
  TFailure failed = MakeKeyPair(folder);
  if (!failed) failed = key.Load(FullPath(privatePath));
  if (failed) {
    RemoveMade();
    failed.Code = NotMade;  // the key just made: no fault of the command line
    return failed;
  }
  const std::string print = key.Fingerprint();
  Say(L"Частният ключ: " + FullPath(privatePath) +
      L" - пазете го в сейфа на издателя, извън "
      L"хранилището на кода и извън сървъра за компилиране; с него TalvoPack подписва (/KEY).");
  Say(L"Публичният ключ: " + FullPath(publicPath) +
      L" - за компилирането на TalvoUpdate.exe "
      L"(-DTALVO_MEDIUM_KEY=" +
      PublicKeyFile + L").");
  Say(L"Отпечатък (SHA-256): " + std::wstring(print.begin(), print.end()) + L".");
  return {};
}
