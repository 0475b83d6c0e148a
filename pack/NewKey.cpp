#include "pack/NewKey.h"

#include <windows.h>

#include "pack/CommandLine.h"
#include "pack/Console.h"
#include "pack/Files.h"
#include "pack/Signing.h"

// Never over an earlier key.
int NewKey(const std::wstring& folder) {
  const std::wstring privatePath = Join(folder, kPrivateKeyFile);
  const std::wstring publicPath = Join(folder, kPublicKeyFile);
  for (const std::wstring& path : {privatePath, publicPath}) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
      Complain(path + L": вече съществува; ключ никога не се записва върху друг.");
      return kBadCommandLine;
    }
  }
  std::wstring why;
  TSigningKey key;
  if (!MakeKeyPair(folder, &why) || !key.Load(FullPath(privatePath), &why)) {
    RemoveMade();
    Complain(why);
    return kNotMade;
  }
  const std::string print = key.Fingerprint();
  Say(L"Частният ключ: " + FullPath(privatePath) +
      L" - пазете го в сейфа на издателя, извън "
      L"хранилището на кода и извън сървъра за компилиране; с него TalvoPack подписва (/KEY).");
  Say(L"Публичният ключ: " + FullPath(publicPath) +
      L" - за компилирането на TalvoUpdate.exe "
      L"(-DTALVO_MEDIUM_KEY=" +
      kPublicKeyFile + L").");
  Say(L"Отпечатък (SHA-256): " + std::wstring(print.begin(), print.end()) + L".");
  return kMade;
}
