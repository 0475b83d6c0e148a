#include "update/Crypto.h"

TCryptProvider::~TCryptProvider() {
  if (Provider) CryptReleaseContext(Provider, 0);
}

bool TCryptProvider::Acquire() {
  return Provider ||
         CryptAcquireContextA(&Provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT);
}

TSha256::~TSha256() {
  if (Hash) CryptDestroyHash(Hash);
}

bool TSha256::Start(TCryptProvider& provider) {
  return provider.Acquire() && CryptCreateHash(provider.Handle(), CALG_SHA_256, 0, 0, &Hash);
}

bool TSha256::Add(const void* data, DWORD size) {
  return CryptHashData(Hash, static_cast<const BYTE*>(data), size, 0);
}

bool TSha256::Finish(BYTE (&hash)[HashBytes]) {
  DWORD size = HashBytes;
  return CryptGetHashParam(Hash, HP_HASHVAL, hash, &size, 0) && size == HashBytes;
}

bool VerifySignature(TCryptProvider& provider, const BYTE* key, DWORD keySize,
                     const TSha256& hash, const BYTE* signature, DWORD size) {
  // CryptoAPI takes the signature's bytes the other way round.
  BYTE reversed[SignatureMaxBytes];
  if (size > sizeof reversed) {
    SetLastError(static_cast<DWORD>(NTE_BAD_SIGNATURE));
    return false;
  }
  for (DWORD i = 0; i < size; ++i) reversed[i] = signature[size - 1 - i];
  HCRYPTKEY imported = 0;
  if (!provider.Acquire() || !CryptImportKey(provider.Handle(), key, keySize, 0, 0, &imported))
    return false;
  const bool good = CryptVerifySignatureA(hash.Handle(), reversed, size, imported, nullptr, 0);
  const DWORD error = GetLastError();
  CryptDestroyKey(imported);
  SetLastError(error);
  return good;
}
